#include "station/Station.h"

#include "app/CommandTable.h"
#include "app/UserInterface.h"
#include "events/Scheduler.h"
#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"
#include "media/TrackFactory.h"
#include "platform/Clock.h"
#include "platform/Shell.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

namespace {

bool IsListFile(const QString& path)
{
    const QString ext = SplitPath(path).ext.toLower();
    return ext == QLatin1String(".alb") || ext == QLatin1String(".mpl") || ext == QLatin1String(".m3u");
}

} // namespace

CStation::CStation(Options options, QObject* parent)
    : QObject(parent), m_ui(options.ui), m_shell(options.shell ? options.shell : &Shell::System())
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
    m_engine = std::make_unique<COnAirEngine>(std::move(seams));
    m_scheduler->SetEnabledQuery([this] { return m_engine->Settings().enableEvents; });
    // A shuffle by the engine (the command, or Shuffle mode at the end of
    // the list) is an undo step of the album.
    connect(m_engine.get(), &COnAirEngine::PlaylistEdited, m_document.get(),
            [this](int id) { m_document->Checkpoint(static_cast<std::uint32_t>(id)); });
    connect(m_engine.get(), &COnAirEngine::SlotsChanged, this, &CStation::SlotsChanged);
    connect(m_engine.get(), &COnAirEngine::TrackStarted, this, &CStation::TrackStarted);
    // Tracks reach the person (a refused plug-in) through this seam; mini
    // playlists read the engine's live settings and run their command items
    // through the station's shell.
    CTrackEnvironment::SetUserInterface(m_ui);
    CTrackEnvironment::SetViewSettings(&m_engine->Settings());
    CTrackEnvironment::SetShell(m_shell);
}

CStation::~CStation()
{
    if (m_started)
        Shutdown(false);
    CTrackEnvironment::SetUserInterface(nullptr);
    CTrackEnvironment::SetViewSettings(nullptr);
    CTrackEnvironment::SetShell(nullptr);
}

void CStation::LoadSettings()
{
    LoadPlugInChain(CTrackEnvironment::Chain());
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
    if (m_realTracks)
        WarmUpPlayback(); // the first item then opens as fast as the later ones
    m_engine->Startup();
}

void CStation::Shutdown(bool saveSettings)
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_engine->Shutdown(saveSettings);
    if (saveSettings) {
        m_scheduler->SaveToSettings();
        SaveSounds();
    }
}

void CStation::SaveSettingsAndStop()
{
    m_engine->SaveSettings();
    m_scheduler->SaveToSettings();
    SaveSounds();
    if (m_engine->OnAir())
        m_engine->OnStop();
}

void CStation::SavePlugInChain()
{
    ::SavePlugInChain(CTrackEnvironment::Chain());
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
