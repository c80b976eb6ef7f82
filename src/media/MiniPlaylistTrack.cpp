// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/MiniPlaylistTrack.h"

#include "app/UserInterface.h"
#include "media/HandOver.h"
#include "media/TrackEnvironment.h"
#include "media/TrackEvents.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"
#include "media/TrackWork.h"
#include "platform/Logging.h"
#include "platform/PostEvent.h"
#include "platform/Shell.h"
#include "playlist/ItemPath.h"
#include "playlist/ListFile.h"
#include "playlist/Sequence.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimerEvent>
#include <algorithm>
#include <utility>

namespace {

bool IsCommandItem(const QString& path)
{
    return IsCommandExtension(SplitPath(path).ext);
}

// The wait cursor while an entry starts, when there is a person to show it.
class BusyWhile
{
public:
    BusyWhile() : m_ui(CTrackEnvironment::Ui())
    {
        if (m_ui)
            m_ui->SetBusy(true);
    }
    ~BusyWhile()
    {
        if (m_ui)
            m_ui->SetBusy(false);
    }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    UserInterface* m_ui;
};

void Dispose(std::unique_ptr<CMediaTrack>& track)
{
    TrackWork::Dispose(std::move(track));
}

} // namespace

// ------------------------------------------------------------ the nested list

CMiniPlaylist::CMiniPlaylist(CMiniPlaylistTrack& track, TrackFactory factory)
    : m_track(track), m_factory(std::move(factory))
{
}

CMiniPlaylist::~CMiniPlaylist()
{
    delete m_view.data(); // it shows the rows
    Dispose(m_ahead);
    Dispose(m_current);
    Dispose(m_previous);
}

QString CMiniPlaylist::Title() const
{
    return SplitPath(m_track.GetFileName()).fname;
}

void CMiniPlaylist::OnPlay()
{
    // The window comes with the first Play, not with Open: a list opened
    // only to be measured (Total Length, a list inside a list) shows none.
    if (!std::exchange(m_viewMade, true)) {
        if (const auto& makeView = CTrackEnvironment::MiniPlaylistView())
            m_view = makeView(*this).release();
        m_check.start(OverlapCheckMs, this); // a list only measured checks nothing
    }
    if (m_opening)
        return; // plays when open
    if (!m_current) {
        StartEntry();
        return;
    }
    try {
        if (m_current->IsPaused())
            m_current->Resume();
    } catch (const CException& error) {
        Report(error);
    }
}

void CMiniPlaylist::OnPause()
{
    if (!m_current)
        return;
    try {
        if (m_current->IsPaused())
            m_current->Resume();
        else
            m_current->Pause();
    } catch (const CException& error) {
        Report(error);
    }
}

void CMiniPlaylist::StopCurrent()
{
    m_shot.stop();
    m_opening = m_aheadOpening = 0; // closed when their opening ends
    Dispose(m_ahead);
    Dispose(m_current);
}

void CMiniPlaylist::StartEntry()
{
    // Rows that take no time (command items, failures that are ignored) are
    // passed in this loop, not by recursion: a long list of them goes
    // through at once without deepening the stack.
    for (;;) {
        const int row = m_rows.Selection();
        if (row < 0) {
            if (m_rows.Count() == 0)
                m_track.NotifyEnd(); // nothing to play: the list is over at once
            return;
        }
        const Sequence::Following next = Sequence::After(PlayerMode::Normal, row, m_rows.Count());
        m_lastEntry = next.then == Sequence::Following::End;
        // Rows that take no time after it (command items, rows that failed
        // to measure) take nothing over: the entry plays to its end.
        const std::vector<CMiniPlaylistEntry>& entries = m_track.Entries();
        m_handsOver = false;
        for (int later = row + 1; later < m_rows.Count() && !m_handsOver; ++later)
            m_handsOver = std::size_t(later) < entries.size() ? entries[std::size_t(later)].length > 0
                                                              : !IsCommandItem(m_rows.Row(later));
        if (TryStart(row))
            return;
        if (m_lastEntry) {
            m_track.NotifyEnd();
            return;
        }
        m_rows.Select(next.row);
    }
}

bool CMiniPlaylist::TryStart(int row)
{
    const QString path = m_rows.Row(row);
    std::unique_ptr<CMediaTrack> ahead;
    if (m_ahead && m_ahead->GetFileName() == path)
        ahead = std::move(m_ahead);
    Dispose(m_ahead);
    const std::uint64_t aheadOpening = m_aheadPath == path ? m_aheadOpening : 0;
    m_aheadOpening = 0;
    if (IsCommandItem(path)) {
        // Started and not waited for; a failure is not reported.
        QString error;
        if (!RunCommandItem(CTrackEnvironment::CommandShell(), path, &error))
            qCWarning(lcEngine).noquote() << "lirana: command item not started:" << error;
        return false;
    }
    m_overlapOverride = GetOverlapOverride(path);
    try {
        if (!ahead && aheadOpening) {
            m_opening = aheadOpening; // plays when open
            return true;
        }
        std::unique_ptr<CMediaTrack> track = ahead ? std::move(ahead) : OpenEntry(path, m_opening);
        if (track)
            PlayEntry(std::move(track), row);
        return true;
    } catch (const CException& error) {
        Dispose(m_current);
        return !Report(error);
    }
}

std::unique_ptr<CMediaTrack> CMiniPlaylist::OpenEntry(const QString& path, std::uint64_t& ticket)
{
    std::unique_ptr<CMediaTrack> track = m_factory(path);
    if (auto* nested = dynamic_cast<CMiniPlaylistTrack*>(track.get()))
        nested->NestIn(m_track);
    if (!track->MayBlock()) {
        BusyWhile busy;
        track->Open(path, this);
        return track;
    }
    // Its owner comes when it is here: until then it posts to nobody.
    track->BeginOpen(path, nullptr);
    ticket = m_opener.Finish(std::move(track));
    return nullptr;
}

void CMiniPlaylist::PlayEntry(std::unique_ptr<CMediaTrack> track, int row)
{
    Dispose(m_current);
    m_current = std::move(track);
    if (m_level != 1.0f && m_current->HasVolumeControl())
        m_current->SetVolume(m_level); // the list is faded or joined to a slider
    const TrackMs from = std::exchange(m_startAt, 0);
    if (from > 0 && from < m_current->GetLength())
        m_current->PlayRange(from, m_current->GetLength());
    else
        m_current->Play();
    if (m_track.IsPaused())
        m_current->Pause(); // paused while it opened
    qCDebug(lcEngine).noquote() << "mini playlist" << Title() << "starts row" << row
                                << m_current->GetFileName();
    m_track.ForwardEntryLog(CEntryLogEvent::Started, m_current->GetFileName());
}

void CMiniPlaylist::OnEntryOpened(std::uint64_t ticket, std::unique_ptr<CMediaTrack> track,
                                  std::unique_ptr<CException> error)
{
    if (ticket == m_aheadOpening) {
        m_aheadOpening = 0;
        if (!error) {
            track->AttachOwner(this);
            m_ahead = std::move(track);
        } // else opened again when due, and reported then
        return;
    }
    if (ticket != m_opening)
        return; // stopped, or moved on meanwhile: the event closes the track
    m_opening = 0;
    if (!error) {
        try {
            track->AttachOwner(this);
            PlayEntry(std::move(track), m_rows.Selection());
            return;
        } catch (const CException& e) {
            error = e.Clone();
        }
    }
    Dispose(m_current);
    if (Report(*error))
        AdvanceEntry(); // skipped: the list goes on
}

void CMiniPlaylist::OpenAhead()
{
    const int row = Sequence::After(PlayerMode::Normal, m_rows.Selection(), m_rows.Count()).Known();
    if (m_ahead || m_aheadOpening || row < 0 || IsCommandItem(m_rows.Row(row)))
        return;
    try {
        m_aheadPath = m_rows.Row(row);
        m_ahead = OpenEntry(m_aheadPath, m_aheadOpening);
    } catch (const CException&) {
        // Opened again when due, and reported then.
    }
}

bool CMiniPlaylist::PlanFirstAfter(const CMediaTrack& before, TrackMs positionOfBefore)
{
    const int row = std::max(m_rows.Selection(), 0);
    if (m_current || m_opening || row >= m_rows.Count() || IsCommandItem(m_rows.Row(row)))
        return false;
    const QString path = m_rows.Row(row);
    if (!m_ahead && !m_aheadOpening) {
        try {
            m_aheadPath = path;
            m_ahead = OpenEntry(path, m_aheadOpening);
        } catch (const CException&) {
            return false; // opened again when due, and reported then
        }
    }
    return m_ahead && m_ahead->GetFileName() == path && m_ahead->PlayAfter(before, positionOfBefore);
}

void CMiniPlaylist::CancelPlannedFirst()
{
    if (m_ahead && !m_current)
        m_ahead->CancelPlannedStart();
}

void CMiniPlaylist::AdvanceEntry()
{
    const int row = m_rows.Selection();
    if (row < 0)
        return;
    const int next = Sequence::After(PlayerMode::Normal, row, m_rows.Count()).Known();
    if (next >= 0) {
        m_rows.Select(next);
        StartEntry();
    } else {
        m_track.NotifyEnd();
    }
}

bool CMiniPlaylist::Report(const CException& error)
{
    const bool outputGone = IsAudioOutputError(error);
    if (!CTrackEnvironment::IgnoreErrors() || outputGone) {
        m_track.ForwardError(error);
        return false;
    }
    qCDebug(lcEngine).noquote() << "mini playlist" << Title()
                                << "skips a failed entry:" << error.GetErrorMessage();
    m_track.ForwardEntryLog(CEntryLogEvent::Skipped, error.GetErrorMessage());
    return true;
}

void CMiniPlaylist::OverlapCheck()
{
    if (!m_current || !m_handsOver)
        return;
    const TrackMs overlap = m_overlapOverride >= 0 ? m_overlapOverride
                                                   : CTrackEnvironment::MiniPlaylistOverlapTime();
    try {
        if (!m_current->IsPlaying())
            return;
        // The engine's hand-over rule (HandOver::Next). The next row is
        // opened when its start is near and, on the air bus, its start is
        // planned on its sample; the hand-over then finds it started. Off
        // the bus it is started its start latency early.
        const auto step = ::HandOver::Next(m_current->GetLength(), m_current->GetPosition(), overlap,
                                           m_ahead ? m_ahead->StartLatency() : 0, OverlapCheckMs);
        if (step.plan) {
            OpenAhead();
            if (m_ahead && m_level != 1.0f && m_ahead->HasVolumeControl())
                m_ahead->SetVolume(m_level);
            if (m_ahead)
                m_ahead->PlayAfter(*m_current, step.planAt);
        }
        if (step.now)
            HandOver();
        else if (step.shotInMs >= 0)
            m_shot.start(static_cast<int>(step.shotInMs), this);
    } catch (const CException& error) {
        Report(error);
    }
}

void CMiniPlaylist::HandOver()
{
    m_shot.stop();
    // The entry plays on to its end beside the next one.
    Dispose(m_previous);
    m_previous = std::move(m_current);
    AdvanceEntry();
}

void CMiniPlaylist::OnMciNotify(int code, std::uint64_t sender)
{
    if (code != MCI_NOTIFY_SUCCESSFUL && !(code == MCI_NOTIFY_FAILURE && CTrackEnvironment::IgnoreErrors()))
        return;
    if (m_previous && m_previous->Serial() == sender) {
        Dispose(m_previous);
    } else if (m_current && m_current->Serial() == sender) {
        m_shot.stop();
        Dispose(m_current);
        AdvanceEntry();
    }
}

void CMiniPlaylist::OnTrackError(std::unique_ptr<CException> error, std::uint64_t sender)
{
    if (m_ahead && m_ahead->Serial() == sender) {
        Dispose(m_ahead); // opened again when due, and reported then
        return;
    }
    const bool current = m_current && m_current->Serial() == sender;
    if (!current && !(m_previous && m_previous->Serial() == sender))
        return; // from a track already gone: no fault of the list's
    const bool goOn = !error || Report(*error);
    if (current) {
        m_shot.stop();
        Dispose(m_current);
        if (goOn)
            AdvanceEntry();
    } else {
        Dispose(m_previous);
    }
}

void CMiniPlaylist::OnVolumeRequest(int percent)
{
    try {
        SetVolume(static_cast<float>(percent) * 0.01f);
    } catch (const CException& error) {
        Report(error);
    }
}

void CMiniPlaylist::SetVolume(float level)
{
    m_level = level;
    if (m_current)
        m_current->SetVolume(level);
}

void CMiniPlaylist::customEvent(QEvent* event)
{
    if (event->type() == TrackEvent::MciNotify) {
        const auto* e = static_cast<CMciNotifyEvent*>(event);
        OnMciNotify(e->Code(), e->Sender());
    } else if (event->type() == TrackEvent::Error) {
        auto* e = static_cast<CTrackErrorEvent*>(event);
        OnTrackError(e->TakeError(), e->Sender());
    } else if (event->type() == TrackEvent::VolumeRequest) {
        OnVolumeRequest(static_cast<CVolumeRequestEvent*>(event)->Percent());
    } else if (event->type() == TrackEvent::EntryLog) {
        const auto* e = static_cast<CEntryLogEvent*>(event); // a nested list's entry
        m_track.ForwardEntryLog(e->EntryKind(), e->Text());
    } else if (event->type() == CTrackOpenedEvent::Kind) {
        auto* e = static_cast<CTrackOpenedEvent*>(event);
        OnEntryOpened(e->ticket, std::move(e->track), std::move(e->error));
    }
}

void CMiniPlaylist::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_shot.timerId()) {
        m_shot.stop();
        if (m_current && m_handsOver && m_current->IsPlaying()) // not paused meanwhile
            HandOver();
        return;
    }
    if (event->timerId() == m_check.timerId())
        OverlapCheck();
}

// ------------------------------------------------------------ the track

CMiniPlaylistTrack::CMiniPlaylistTrack(CMiniPlaylist::TrackFactory factory)
    : m_factory(factory ? std::move(factory) : CMiniPlaylist::TrackFactory(CreateTrack))
{
}

CMiniPlaylistTrack::~CMiniPlaylistTrack()
{
    try {
        CMiniPlaylistTrack::Close();
    } catch (...) {
    }
}

void CMiniPlaylistTrack::Open(const QString& path, QObject* owner)
{
    BeginOpen(path, owner);
    FinishOpen();
}

void CMiniPlaylistTrack::NestIn(const CMiniPlaylistTrack& outer)
{
    m_outer = outer.m_outer;
    m_outer << QDir::cleanPath(QFileInfo(outer.m_path).absoluteFilePath());
}

void CMiniPlaylistTrack::BeginOpen(const QString& path, QObject* owner)
{
    CMediaTrack::Open(path, owner);
    // A list that names itself, or lists that name each other, would nest
    // without end: the row that closes the circle is an error of its own.
    // The path is compared as written (no stat here: a hung share must not
    // hold the owner's thread); the depth limit catches a circle through
    // links.
    const QString name = SplitPath(path).fname + SplitPath(path).ext;
    if (m_outer.contains(QDir::cleanPath(QFileInfo(path).absoluteFilePath())))
        throw CTrackException(
            QCoreApplication::translate("MiniPlaylist", "The mini playlist %1 is inside itself").arg(name));
    m_depth = static_cast<int>(m_outer.size());
    if (m_depth >= MaxDepth)
        throw CTrackException(QCoreApplication::translate("MiniPlaylist",
                                                          "%1 is nested in mini playlists more "
                                                          "than %2 deep")
                                  .arg(name)
                                  .arg(MaxDepth));
    // Made here, on the owner's thread, where it lives and plays.
    m_list = std::make_unique<CMiniPlaylist>(*this, m_factory);
}

void CMiniPlaylistTrack::FinishOpen()
{
    const QStringList rows = ReadListFile(m_path, ListPaths::KeepRelative);
    CPlaylist& list = m_list->Rows();
    list.Reset(rows, -1);
    const std::int32_t defaultOverlap = CTrackEnvironment::MiniPlaylistOverlapTime();
    for (int i = 0; i < list.Count(); ++i) {
        const QString& row = list.Row(i);
        m_entries.push_back({row, 0, 0});
        if (IsCommandItem(row))
            continue; // takes no time
        try {
            std::unique_ptr<CMediaTrack> track = m_factory(row);
            if (auto* nested = dynamic_cast<CMiniPlaylistTrack*>(track.get()))
                nested->NestIn(*this);
            m_entries.back().length = std::max<TrackMs>(track->QueryLength(row, nullptr), 0);
        } catch (const CException& error) {
            qCDebug(lcEngine).noquote()
                << "mini playlist" << m_path << "cannot measure" << row << ":" << error.GetErrorMessage();
        }
    }
    // Each row counts its length less its overlap; the last row that sounds
    // has none, whatever follows it.
    const auto lastSounding = std::find_if(m_entries.rbegin(), m_entries.rend(),
                                           [](const CMiniPlaylistEntry& e) { return e.length > 0; });
    TrackMs total = 0;
    for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
        entry->start = total;
        const bool last = lastSounding == m_entries.rend() || entry >= lastSounding.base() - 1;
        const TrackMs overlap = last                                   ? 0
                                : GetOverlapOverride(entry->path) >= 0 ? GetOverlapOverride(entry->path)
                                                                       : defaultOverlap;
        total += entry->length - std::clamp<TrackMs>(overlap, 0, entry->length);
    }
    list.Select(list.Count() > 0 ? 0 : -1);
    m_length = total;
    m_state = Stopped;
}

void CMiniPlaylistTrack::ForwardEntryLog(CEntryLogEvent::Kind kind, const QString& text) const
{
    if (m_owner)
        platform::PostEvent(m_owner, new CEntryLogEvent(kind, text));
}

void CMiniPlaylistTrack::Close()
{
    m_entries.clear();
    if (m_state == Playing || m_state == Paused)
        Stop();
    m_list.reset(); // the window and the nested tracks
    CMediaTrack::Close();
    m_state = Closed;
}

void CMiniPlaylistTrack::RequireOpen() const
{
    if (!m_list)
        throw CTrackException(
            QCoreApplication::translate("MiniPlaylist", "The mini playlist %1 is not open").arg(m_path));
}

void CMiniPlaylistTrack::Play()
{
    PlayRange(0, GetLength());
}

void CMiniPlaylistTrack::PlayRange(TrackMs fromMs, TrackMs /*toMs*/)
{
    RequireOpen();
    Seek(fromMs);
    if (fromMs > 0 && !m_list->Current()) {
        // A list that comes back where it was (a restart): the entry that
        // held fromMs, from where it was in it. Entries that take no time
        // share their start with the next one and are passed.
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const bool last = i + 1 == m_entries.size();
            if (m_entries[i].start <= fromMs && (last || m_entries[i + 1].start > fromMs)) {
                m_list->Rows().Select(static_cast<int>(i));
                m_list->StartAt(fromMs - m_entries[i].start);
                break;
            }
        }
    }
    m_state = Playing;
    m_list->OnPlay();
}

void CMiniPlaylistTrack::Stop()
{
    if (m_list)
        m_list->StopCurrent();
    m_state = Stopped;
}

void CMiniPlaylistTrack::Pause()
{
    RequireOpen();
    m_list->OnPause();
    m_state = Paused;
}

void CMiniPlaylistTrack::Resume()
{
    RequireOpen();
    m_list->OnPause();
    m_state = Playing;
}

TrackMs CMiniPlaylistTrack::GetPosition() const
{
    if (m_entries.empty() || !m_list)
        return 0;
    const int row = m_list->Rows().Selection();
    if (row < 0 || row >= static_cast<int>(m_entries.size()))
        return 0;
    const CMediaTrack* current = m_list->Current();
    return m_entries[static_cast<std::size_t>(row)].start + (current ? current->GetPosition() : 0);
}

bool CMiniPlaylistTrack::PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore)
{
    return m_list && m_state != Playing && m_list->PlanFirstAfter(before, positionOfBefore);
}

void CMiniPlaylistTrack::CancelPlannedStart()
{
    if (m_list && m_state != Playing)
        m_list->CancelPlannedFirst();
}

std::shared_ptr<CAirInput> CMiniPlaylistTrack::AirInput() const
{
    if (!m_list || !m_list->IsLastEntry() || !m_list->Current())
        return {};
    return m_list->Current()->AirInput();
}

TrackMs CMiniPlaylistTrack::AirInputStart() const
{
    const int row = m_list ? m_list->Rows().Selection() : -1;
    if (row < 0 || row >= static_cast<int>(m_entries.size()) || !m_list->Current())
        return 0;
    return m_entries[static_cast<std::size_t>(row)].start + m_list->Current()->AirInputStart();
}

void CMiniPlaylistTrack::SetVolume(float level)
{
    if (m_list)
        m_list->SetVolume(level);
}

float CMiniPlaylistTrack::GetVolume() const
{
    return m_list && m_list->Current() ? m_list->Current()->GetVolume() : 0.0f;
}
