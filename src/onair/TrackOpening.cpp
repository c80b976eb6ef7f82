// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and closing tracks without making the engine wait: a track that may
// block (a preroll, a length scan, a file on a hung network share) finishes
// its opening and its closing on a thread of its own, while the engine's
// thread goes on with the overlap tick, the fade and the events.
#include "onair/OnAirEngine.h"
#include <QCoreApplication>

#include "app/EngineSeams.h"
#include "app/Strings.h"
#include "app/UserInterface.h"
#include "media/TrackExceptions.h"
#include "media/TrackWork.h"
#include "onair/PlayLog.h"
#include "platform/Exception.h"
#include "platform/Logging.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

void COnAirEngine::OpenTrack(const QString& path, bool retrying)
{
    std::unique_ptr<CMediaTrack> track;
    try {
        track = m_seams.createTrack(path);
        if (!track)
            throw CMessageException(
                QCoreApplication::translate("TrackOpening", "No player for %1").arg(path));
        // A track opened elsewhere gets its owner once it is here: until then
        // it has nobody to post to, however long the opening takes.
        track->BeginOpen(path, track->MayBlock() ? nullptr : this);
        if (!track->MayBlock())
            track->FinishOpen();
    } catch (const CException& error) {
        track.reset();
        StartError(error, path);
        return;
    }
    if (!track->MayBlock()) {
        TrackOpened(std::move(track), retrying);
        return;
    }
    try {
        m_opening = Opening{FinishInBackground(std::move(track)), path, retrying};
    } catch (const CException& error) {
        StartError(error, path);
    }
}

std::uint64_t COnAirEngine::FinishInBackground(std::unique_ptr<CMediaTrack> track)
{
    qCDebug(lcEngine).noquote() << "opening track" << track->Serial() << track->GetFileName()
                                << "off the engine's thread";
    return m_opener.Finish(std::move(track));
}

void COnAirEngine::OpenFinishedEvent(QEvent* event)
{
    auto* e = static_cast<CTrackOpenedEvent*>(event);
    OpenFinished(e->ticket, std::move(e->track), std::move(e->error));
}

// ------------------------------------------------------- the next item

QString COnAirEngine::FollowingItem()
{
    const CPlaylist& list = *m_seams.playlist;
    const int sel = list.Selection();
    const int n = list.Count();
    if (sel < 0 || sel >= n || (!m_onAir && !m_breakHalt))
        return {};
    // On air: the row after it (a break only delays it until the operator's
    // Play). Halted by a break: the row that Play starts.
    int row = sel;
    if (m_mode == PlayerMode::Random)
        row = RandomPick();
    else if (m_onAir)
        row = Sequence::After(m_mode, sel, n).Known();
    if (row < 0 || Sequence::IsControlRow(list.Row(row)))
        return {};
    return list.Row(row);
}

void COnAirEngine::PrepareNext()
{
    const QString path = FollowingItem();
    if (path == m_next.path)
        return;
    DropNext();
    if (path.isEmpty())
        return;
    m_next.path = path;
    std::unique_ptr<CMediaTrack> track;
    try {
        track = m_seams.createTrack(path);
        if (!track || !track->MayOpenEarly(path))
            return; // opens when due
        // Open ahead whatever its kind: only an open track's start can be
        // planned on the sample where the one on air ends. One whose
        // opening cannot wait opens here, owned once it is taken.
        track->BeginOpen(path, nullptr);
        if (track->MayBlock())
            m_next.ticket = FinishInBackground(std::move(track));
        else
            m_next.track = std::move(track);
    } catch (const CException& error) {
        m_next.error = error.Clone(); // reported when the item is due
    }
}

void COnAirEngine::CueNext()
{
    const bool intro = m_mode == PlayerMode::IntroScan;
    if (!intro && m_next.cue) {
        DropNext(); // prepared anew, whole
        PrepareNext();
        return;
    }
    if (!intro || !m_next.track || m_next.cue || m_next.uncued)
        return;
    try {
        const Range range = IntroRange(m_next.track->GetLength());
        if (m_next.track->CueRange(range.from, range.to))
            m_next.cue = range;
        else
            m_next.uncued = true;
    } catch (const CException&) {
        m_next.uncued = true; // its error is met again when it is due
    }
}

void COnAirEngine::DropNext()
{
    Dispose(std::move(m_next.track));
    m_next = {};
}

bool COnAirEngine::TakeNext(const QString& path, bool retrying)
{
    if (m_next.path.isEmpty() || m_next.path != path)
        return false;
    Next next = std::move(m_next);
    m_next = {};
    if (next.error) {
        StartError(*next.error, path);
    } else if (next.track) {
        TrackOpened(std::move(next.track), retrying, next.cue);
    } else if (next.ticket) {
        m_opening = Opening{next.ticket, path, retrying}; // still opening: started when open
    } else {
        return false;
    }
    return true;
}

TrackMs COnAirEngine::NextStartLatency() const
{
    return m_next.track ? m_next.track->StartLatency() : 0;
}

void COnAirEngine::OpenFinished(std::uint64_t ticket, std::unique_ptr<CMediaTrack> track,
                                std::unique_ptr<CException> error)
{
    if (m_next.ticket == ticket) {
        // Prepared: waits for its time; a failure is reported when it is due.
        m_next.ticket = 0;
        if (error)
            Dispose(std::move(track));
        m_next.track = std::move(track);
        m_next.error = std::move(error);
        return;
    }
    if (!m_opening || m_opening->ticket != ticket) {
        Dispose(std::move(track)); // stopped, or another item was started meanwhile
        return;
    }
    const Opening opening = *m_opening;
    m_opening.reset();
    if (error) {
        Dispose(std::move(track));
        StartError(*error, opening.path);
        return;
    }
    TrackOpened(std::move(track), opening.retrying);
    if (opening.joined)
        JoinSliders();
}

void COnAirEngine::StartError(const CException& error, const QString& path)
{
    if (!IsAudioOutputError(error))
        m_startAt = {}; // the retry after an outage still starts at the position
    if (IsAudioOutputError(error))
        OutputUnavailable(error, path);
    else
        StartFailed(error);
}

void COnAirEngine::Dispose(std::unique_ptr<CMediaTrack> track)
{
    TrackWork::Dispose(std::move(track));
}
