// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/Station.h"

#include "app/CommandTable.h"
#include "app/Strings.h"
#include "app/UserInterface.h"
#include "events/EventList.h"
#include "events/Scheduler.h"
#include "media/AirBus.h"
#include "media/AirCheck.h"
#include "media/AirLimiter.h"
#include "media/AirStream.h"
#include "media/CdDatabase.h"
#include "media/Loudness.h"
#include "media/MixerState.h"
#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"
#include "media/TrackFactory.h"
#include "platform/Clock.h"
#include "platform/DataPaths.h"
#include "platform/Logging.h"
#include "platform/Shell.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"
#include "station/NowPlayingFeed.h"
#include "station/StationFiles.h"
#include "station/StreamSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// How often the resume record follows the position of the item on air.
constexpr int ResumeWriteMs = 2000;

bool IsListFile(const QString& path)
{
    const QString ext = SplitPath(path).ext.toLower();
    return ext == QLatin1String(".alb") || ext == QLatin1String(".mpl") || ext == QLatin1String(".m3u");
}

} // namespace

CStation::CStation(Options options, QObject* parent)
    : QObject(parent), m_ui(options.ui), m_shell(options.shell ? options.shell : &Shell::System()),
      m_resumeAfterRestart(options.resumeAfterRestart), m_fallbackAlbum(std::move(options.fallbackAlbum))
{
    Q_ASSERT(m_ui);
    Clock& clock = options.clock ? *options.clock : Clock::System();
    m_playlist = std::make_unique<CPlaylist>();
    m_log = std::make_unique<CPlayLog>(clock);
    if (options.logSink)
        m_log->AddSink(std::move(options.logSink));
    m_log->AddSink([this](const QString& line) { emit LogEntry(line); });
    m_document = std::make_unique<CLiranaDoc>(*m_playlist, *m_ui, *m_shell);
    m_scheduler = std::make_unique<CEventScheduler>(clock);

    COnAirEngine::Seams seams;
    seams.playlist = m_playlist.get();
    seams.log = m_log.get();
    seams.ui = m_ui;
    seams.shell = m_shell;
    seams.document = m_document.get();
    seams.events = m_scheduler.get();
    m_realTracks = !options.createTrack;
    seams.createTrack = std::move(options.createTrack);
    seams.random = std::move(options.random);
    seams.restart = options.restart;
    seams.unattended = options.unattended;
    m_engine = std::make_unique<COnAirEngine>(std::move(seams));
    m_scheduler->SetEnabledQuery([this] { return m_engine->Settings().enableEvents; });
    // A shuffle by the engine (the command, or Shuffle mode at the end of
    // the list) is an undo step of the album.
    connect(m_engine.get(), &COnAirEngine::PlaylistEdited, m_document.get(),
            [this](int id) { m_document->Checkpoint(static_cast<std::uint32_t>(id)); });
    connect(m_engine.get(), &COnAirEngine::SlotsChanged, this, &CStation::SlotsChanged);
    connect(m_engine.get(), &COnAirEngine::TrackStarted, this, &CStation::TrackStarted);
    // Queued: the engine prepares the next item right after the start.
    connect(m_engine.get(), &COnAirEngine::TrackStarted, this, &CStation::ItemStarted, Qt::QueuedConnection);
    m_nowPlaying = std::make_unique<CNowPlayingFeed>(*m_engine);
    connect(m_nowPlaying.get(), &CNowPlayingFeed::TitleOnAir, this, &CStation::SetStreamTitle);
    connect(m_engine.get(), &COnAirEngine::SlotsChanged, m_nowPlaying.get(), &CNowPlayingFeed::SlotsChanged,
            Qt::QueuedConnection);
    connect(m_engine.get(), &COnAirEngine::FallingSilent, this, &CStation::FallBack);
    connect(m_engine.get(), &COnAirEngine::SlotsChanged, this, &CStation::WatchFallback,
            Qt::QueuedConnection);
    m_resumeTimer.setInterval(ResumeWriteMs);
    connect(&m_resumeTimer, &QTimer::timeout, this, [this] { WriteResumePoint(); });
    // Tracks reach the person (a refused plug-in) through this seam; mini
    // playlists read the engine's live settings and run their command items
    // through the station's shell.
    CTrackEnvironment::SetUserInterface(m_ui);
    CTrackEnvironment::SetViewSettings(&m_engine->Settings());
    CTrackEnvironment::SetShell(m_shell);
    // CD rows are named from their own disc in every front end and the play log.
    SetCdTitleLookup(CdTrackTitle);
}

CStation::~CStation()
{
    if (m_started)
        Shutdown(false);
    CTrackEnvironment::SetUserInterface(nullptr);
    CTrackEnvironment::SetViewSettings(nullptr);
    CTrackEnvironment::SetShell(nullptr);
    SetCdTitleLookup({});
}

void CStation::LoadSettings()
{
    LoadPlugInChain(CTrackEnvironment::Chain());
    LoadAirChain(CTrackEnvironment::AirChain());
    CTrackEnvironment::AirChainChanged(true); // a bus already open takes it
    m_engine->LoadSettings();
    m_scheduler->LoadFromSettings();
    m_sounds.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()));
}

void CStation::SaveSounds() const
{
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    m_sounds.SaveToRegistry(app);
}

void CStation::Startup()
{
    m_started = true;
    MixerState::RestoreLeftOver(); // lines a live item of a killed run had changed
    if (m_realTracks) {
        CTrackEnvironment::AirBus(); // the air's output is up before the first item
        StartAirTap();
        StartLoudness();
        WarmUpPlayback(); // the first item then opens as fast as the later ones
    }
    m_engine->Startup();
}

// The air-check and the streams, fed by one tap of the air bus.
void CStation::StartAirTap()
{
    StopAirTap();
    const CRegistryKey settings = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    if (settings.GetFlag(QStringLiteral("AirCheck"), false)) {
        CAirCheck::Options options;
        options.folder = settings.GetText(QStringLiteral("AirCheck Folder"), QString());
        if (options.folder.isEmpty())
            options.folder = DataPaths::AppDataDir() + QStringLiteral("/air-check");
        options.fileMs = std::int64_t(settings.GetNumber(QStringLiteral("AirCheck File Seconds"), 3600)) *
                         1000;
        const QString format = settings.GetText(QStringLiteral("AirCheck Format"), QStringLiteral("flac"));
        options.format = CAirCheck::FormatNamed(format).value_or(CAirCheck::Format::Flac);
        if (!CAirCheck::FormatNamed(format))
            qCWarning(lcEngine).noquote()
                << "AirCheck Format" << format << "is not flac, ogg or mp3: FLAC it is";
        options.keepDays = settings.GetNumber(QStringLiteral("AirCheck Keep Days"), 31);
        options.minFreeMb = settings.GetNumber(QStringLiteral("AirCheck Min Free MB"), 1024);
        options.rate = CAirBus::Rate;
        options.channels = CAirBus::Channels;
        options.onNotice = TapNotice(QStringLiteral("air-check"), QStringLiteral("Air-check: "), true);
        m_airCheck = std::make_shared<CAirCheck>(std::move(options));
    }
    for (StreamEntry& entry : StreamSettings::Load()) {
        if (!entry.enabled)
            continue;
        entry.options.inputRate = CAirBus::Rate;
        entry.options.inputChannels = CAirBus::Channels;
        // A stream's losses are for the play log, not a message for each.
        entry.options.onNotice = TapNotice(QStringLiteral("stream"), {}, false);
        auto stream = std::make_shared<CAirStream>(std::move(entry.options));
        stream->SetTitle(m_streamArtist, m_streamTitle);
        m_streams.push_back(std::move(stream));
    }
    if (!m_airCheck && m_streams.empty())
        return;
    CTrackEnvironment::AirBus()->SetTap(
        [check = m_airCheck, streams = m_streams](const float* samples, int frames, std::uint64_t frame) {
            if (check)
                check->Take(samples, frames, frame);
            for (const auto& stream : streams)
                stream->Take(samples, frames, frame);
        });
}

// A notice of the tap's consumers: a play-log line "<kind>\t<text>", and a
// message when asked, on the station's thread.
std::function<void(const QString&)> CStation::TapNotice(const QString& kind, const QString& prefix,
                                                        bool message)
{
    return [this, kind, prefix, message](const QString& text) {
        QMetaObject::invokeMethod(
            this,
            [this, kind, prefix, message, text] {
                m_log->WriteLogText(kind + u'\t' + text);
                if (message && m_ui)
                    m_ui->ShowMessage(prefix + text, UserInterface::Icon::Warning);
            },
            Qt::QueuedConnection);
    };
}

// With a "Loudness Target" (LUFS; 0: off) every file item airs at it: the
// rows are measured in the background (the figures kept in a cache across
// runs), a file starts at the gain its figures ask for (unity while it is
// not measured yet), and a true-peak limiter at -1 dBTP works on the air.
void CStation::StartLoudness()
{
    StopLoudness();
    const int target = CRegistryKey::OpenAppSubkey(SettingsKey::Settings)
                           .GetNumber(QStringLiteral("Loudness Target"), 0);
    if (target == 0)
        return;
    if (target < -40 || target > -5) {
        qCWarning(lcEngine) << "Loudness Target" << target
                            << "is not between -40 and -5 LUFS: loudness is off";
        return;
    }
    m_loudnessCache = std::make_shared<CLoudnessCache>();
    m_loudnessScanner = std::make_unique<CLoudnessScanner>(*m_loudnessCache);
    connect(m_loudnessScanner.get(), &CLoudnessScanner::Failed, this,
            [](const QString& path, const QString& why) {
                qCWarning(lcEngine).noquote() << "loudness of" << path << "not measured:" << why;
            });
    connect(m_loudnessScanner.get(), &CLoudnessScanner::Measured, this,
            [this](const QString& path, const LoudnessFigures& figures) {
                if (!std::isfinite(figures.integratedLufs))
                    return;
                m_loudness.insert(path, figures.integratedLufs);
                emit LoudnessMeasured(path);
            });
    CTrackEnvironment::SetLoudnessTrim([cache = m_loudnessCache, target](const QString& path) {
        const std::optional<LoudnessFigures> figures = cache->Find(path);
        return figures ? LoudnessGain(*figures, double(target)) : 1.0f;
    });
    CTrackEnvironment::AirBus()->SetProcess(
        [limiter = std::make_shared<CAirLimiter>(-1.0)](float* samples, int frames) {
            limiter->Process(samples, frames);
        });
    // New rows are asked for as the programme moves or an album opens (the
    // scanner passes over what it knows).
    connect(m_engine.get(), &COnAirEngine::SlotsChanged, m_loudnessScanner.get(),
            [this] { RequestLoudness(); });
    connect(m_playlist.get(), &CPlaylist::SelectionChanged, m_loudnessScanner.get(),
            [this] { RequestLoudness(); });
    RequestLoudness();
    qCInfo(lcEngine) << "loudness: items air at" << target << "LUFS, the air limited to -1 dBTP";
}

std::optional<double> CStation::LoudnessOf(const QString& row) const
{
    const auto it = m_loudness.constFind(QDir::cleanPath(QFileInfo(row).absoluteFilePath()));
    return it == m_loudness.constEnd() ? std::nullopt : std::optional<double>(*it);
}

void CStation::RequestLoudness()
{
    if (m_loudnessScanner)
        m_loudnessScanner->Request(m_playlist->Rows());
}

void CStation::StopLoudness()
{
    if (!m_loudnessScanner)
        return;
    CTrackEnvironment::SetLoudnessTrim({});
    CTrackEnvironment::AirBus()->SetProcess({});
    m_loudnessScanner.reset(); // saves the cache
    m_loudnessCache.reset();
    m_loudness.clear();
}

void CStation::RestartLoudness()
{
    if (m_started && !m_shutDown && m_realTracks)
        StartLoudness();
}

void CStation::RestartAirTap()
{
    if (m_started && !m_shutDown && m_realTracks)
        StartAirTap();
}

std::vector<std::pair<QString, CAirStream::State>> CStation::StreamStates() const
{
    std::vector<std::pair<QString, CAirStream::State>> states;
    for (const auto& stream : m_streams)
        states.emplace_back(stream->Name(), stream->CurrentState());
    return states;
}

void CStation::StopAirTap()
{
    if (!m_airCheck && m_streams.empty())
        return;
    CTrackEnvironment::AirBus()->SetTap({}); // the tap held them: the last references go here
    m_airCheck.reset();
    m_streams.clear();
}

void CStation::SetStreamTitle(const QString& artist, const QString& title)
{
    m_streamArtist = artist;
    m_streamTitle = title;
    for (const auto& stream : m_streams)
        stream->SetTitle(artist, title);
}

void CStation::Shutdown(bool saveSettings)
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_resumeTimer.stop();
    if (saveSettings) {
        // One write, and only the saving inside it: the watchdog waits for a
        // save under way, never for the engine's teardown.
        const CRegistrySave save;
        m_engine->SaveSettings();
        m_scheduler->SaveToSettings();
        SaveSounds();
    }
    // What is on air is where a restart comes back to (when it resumes);
    // an item still opening leaves the record as it was last written; with
    // nothing on air there is nothing to come back to.
    if (m_engine->OnAir())
        WriteResumePoint(true);
    else if (!m_engine->IsOpening())
        ResumeRecord::Clear();
    m_engine->Shutdown(false);
    m_nowPlaying->Shutdown();
    StopAirTap();
    StopLoudness();
}

void CStation::SaveSettingsAndStop()
{
    {
        const CRegistrySave save; // every setting below in one write
        m_engine->SaveSettings();
        m_scheduler->SaveToSettings();
        SaveSounds();
    }
    if (m_engine->OnAir())
        m_engine->OnStop();
}

void CStation::SavePlugInChain()
{
    ::SavePlugInChain(CTrackEnvironment::Chain());
    SaveAirChain(CTrackEnvironment::AirChain());
}

bool CStation::OpenItems(const QStringList& items)
{
    if (items.size() == 1 && IsListFile(items.first())) {
        if (!m_document->OpenDocumentFile(items.first()))
            return false;
        m_playlist->Select(0);
        return true;
    }
    m_document->OnNewDocument();
    m_playlist->Reset(items, items.isEmpty() ? -1 : 0);
    return true;
}

bool CStation::HasNothingToPlay() const
{
    return m_playlist->Count() == 0 &&
           (m_scheduler->Events().IsEmpty() || !m_engine->Settings().enableEvents);
}

void CStation::ItemStarted()
{
    if (m_shutDown)
        return;
    WriteResumePoint();
    m_resumeTimer.start();
    m_nowPlaying->ItemStarted();
}

void CStation::WriteResumePoint(bool clean)
{
    const CMediaTrack* onAir = m_engine->OnAir();
    if (!onAir) {
        if (m_engine->IsIdle()) {
            m_resumeTimer.stop();
            ResumeRecord::Clear(); // stopped: nothing to come back to
        }
        return;
    }
    ResumePoint point;
    point.album = m_document->PathName();
    if (point.album.isEmpty())
        point.rowsDigest = ResumePoint::Digest(m_playlist->Rows());
    point.row = m_playlist->Selection();
    point.item = onAir->GetFileName();
    point.positionMs = std::max<qint64>(onAir->GetPosition(), 0);
    point.mode = int(m_engine->Mode());
    point.written = QDateTime::currentDateTimeUtc();
    point.clean = clean;
    QString error;
    if (!ResumeRecord::Write(point, &error))
        qCWarning(lcEngine).noquote() << "the resume record cannot be written:" << error;
}

bool CStation::ResumeAfterCrash(bool openRecordedAlbum)
{
    const std::optional<ResumePoint> point = ResumeRecord::Read();
    if (!point)
        return false;
    // A clean shutdown is come back to only when the front end resumes
    // after restarts; then nothing is opened for it either.
    if (point->clean && !m_resumeAfterRestart.value_or(m_engine->Settings().resumeAfterRestart)) {
        ResumeRecord::Clear();
        return false;
    }
    // A restart while the fallback played comes back into the fallback, in
    // place of the album it took over from (which had come to its end).
    const bool intoFallback = point->clean && !point->album.isEmpty() && point->album == FallbackAlbum() &&
                              point->album != m_document->PathName();
    if ((openRecordedAlbum || intoFallback) && !point->album.isEmpty() &&
        point->album != m_document->PathName() && QFileInfo::exists(point->album))
        OpenItems({point->album});
    const bool same = point->album.isEmpty()
                          ? m_document->PathName().isEmpty() &&
                                point->rowsDigest == ResumePoint::Digest(m_playlist->Rows())
                          : point->album == m_document->PathName();
    // Only an item the operator can see plays on: the recorded row's, or a
    // scheduled event's (an event was on air). The record is a file like any
    // other; it cannot start anything else.
    const bool visible = (point->row >= 0 && point->row < m_playlist->Count() &&
                          m_playlist->Row(point->row) == point->item) ||
                         [&] {
                             const CEventList& events = m_scheduler->Events();
                             for (int i = 0; i < events.Count(); ++i)
                                 if (events.At(i).fileName == point->item)
                                     return true;
                             return false;
                         }();
    if (!same || point->item.isEmpty() || !visible) {
        ResumeRecord::Clear();
        return false;
    }
    const QString name = GetItemDisplayName(point->item);
    const qint64 s = point->positionMs / 1000;
    const QString at =
        QStringLiteral("%1:%2").arg(s / 60, 2, 10, QChar(u'0')).arg(s % 60, 2, 10, QChar(u'0'));
    if (intoFallback) {
        m_inFallback = true;
        m_fallbackPlaying = m_document->PathName();
        m_modeBeforeFallback = m_engine->Mode();
        m_log->WriteLogText(
            QStringLiteral("fallback\t%1: %2").arg(point->album, QStringLiteral("it played at the restart")));
    }
    if (point->mode >= 0 && point->mode <= int(PlayerMode::IntroScan))
        m_engine->SetMode(PlayerMode(point->mode));
    if (point->row >= 0 && point->row < m_playlist->Count())
        m_playlist->Select(point->row);
    if (point->clean) {
        // A restart the station was asked for: no error, a line of its own.
        m_log->WriteLogText(QStringLiteral("resume\t%1 plays on from %2").arg(name, at));
    } else if (!m_engine->Settings().resumeAfterCrash) {
        m_log->WriteLogText(
            Str::Load(Str::LogError)
                .arg(QStringLiteral("The last run ended without shutting down at %1 of %2").arg(at, name)));
        ResumeRecord::Clear();
        return false;
    } else {
        m_log->WriteLogText(
            Str::Load(Str::LogError)
                .arg(QStringLiteral("The last run ended without shutting down: %1 plays on from %2")
                         .arg(name, at)));
    }
    m_engine->StartItemAt(point->item, TrackMs(point->positionMs));
    return true;
}

QString CStation::TitleOf(const CMediaTrack& track) const
{
    return m_nowPlaying->TitleOf(track);
}

void CStation::StartFresh()
{
    ResumeRecord::Clear();
}

bool CStation::OnCommand(int id)
{
    switch (CommandLayerOf(id)) {
    case CommandLayer::Document: return m_document->OnCommand(id);
    case CommandLayer::Engine: m_engine->OnCommand(id); return true;
    default: return false;
    }
}

std::optional<CommandState> CStation::OnUpdateCommand(int id) const
{
    switch (CommandLayerOf(id)) {
    case CommandLayer::Document: return m_document->UpdateCommand(id);
    case CommandLayer::Engine: return m_engine->UpdateCommand(id);
    default: return std::nullopt;
    }
}
