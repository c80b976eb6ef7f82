// SPDX-License-Identifier: GPL-3.0-or-later
// The player's commands and the rules that decide what plays next.
#include "onair/OnAirEngine.h"

#include "app/EngineSeams.h"
#include "app/Strings.h"
#include "app/UserInterface.h"
#include "media/TrackExceptions.h"
#include "onair/PlayLog.h"
#include "platform/Exception.h"
#include "platform/Logging.h"
#include "platform/Shell.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

#include <QDebug>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <utility>

void COnAirEngine::OnCommand(int id)
{
    switch (id) {
    case Cmd::Play: OnPlay(); break;
    case Cmd::Stop:
        OnStop();
        m_breakHalt = false;
        DropNext(); // playback stops: nothing is held for it
        break;
    case Cmd::Pause: OnPause(); break;
    case Cmd::NextTrack: SelectNext(); break;
    case Cmd::PrevTrack: OnPrevTrack(); break;
    case Cmd::FastForward: OnFastForward(); break;
    case Cmd::Rewind: OnRewind(); break;
    case Cmd::Break: m_break = !m_break; break;
    case Cmd::Shuffle: ShufflePlaylist(); break;
    case Cmd::CrossFader: CrossFadeByHand(); break;
    case Str::CmdSilenceActions: RunSilenceActions(); break;
    case Cmd::EnableEvents: ToggleEvents(m_settings.enableEvents, *m_seams.events); break;
    case Cmd::Configure:
        if (m_onAir)
            m_onAir->Configure(this);
        break;
    case Cmd::ModeManual: SetMode(PlayerMode::Manual); break;
    case Cmd::ModeNormal: SetMode(PlayerMode::Normal); break;
    case Cmd::ModeRepeat: SetMode(PlayerMode::Repeat); break;
    case Cmd::ModeRandom: SetMode(PlayerMode::Random); break;
    case Cmd::ModeShuffle: SetMode(PlayerMode::Shuffle); break;
    case Cmd::ModeIntroScan: SetMode(PlayerMode::IntroScan); break;
    default: break;
    }
}

CommandState COnAirEngine::UpdateCommand(int id) const
{
    const int sel = m_seams.playlist->Selection();
    const int n = m_seams.playlist->Count();
    const bool onAir = m_onAir != nullptr;
    auto mode = [this](PlayerMode m) { return CommandState{true, m_mode == m}; };
    switch (id) {
    case Cmd::Play:
        if (!onAir)
            return {sel >= 0, false};
        return {!m_onAir->IsPlaying(), true};
    case Cmd::Stop: return {onAir || m_opening, false};
    case Cmd::FastForward:
    case Cmd::Rewind:
    case Cmd::Configure: return {onAir, false};
    case Cmd::Pause:
        if (onAir)
            return {true, m_onAir->IsPaused()};
        return {sel >= 0, false};
    case Cmd::NextTrack: return {HasNextItem(), false};
    case Cmd::PrevTrack: return {sel >= 1, false};
    case Cmd::Break: return {sel >= 0, m_break};
    case Cmd::Shuffle: return {n > 0, false};
    case Cmd::EnableEvents: return {true, m_settings.enableEvents};
    case Cmd::CrossFader:
        return {onAir && m_onAir->IsPlaying() && sel >= 0 && !m_break &&
                    (sel < n - 1 || Sequence::GoesRound(m_mode)),
                false};
    case Cmd::ModeManual: return mode(PlayerMode::Manual);
    case Cmd::ModeNormal: return mode(PlayerMode::Normal);
    case Cmd::ModeRepeat: return mode(PlayerMode::Repeat);
    case Cmd::ModeRandom: return mode(PlayerMode::Random);
    case Cmd::ModeShuffle: return mode(PlayerMode::Shuffle);
    case Cmd::ModeIntroScan: return mode(PlayerMode::IntroScan);
    default: return {};
    }
}

void COnAirEngine::CrossFadeByHand()
{
    if (!UpdateCommand(Cmd::CrossFader).enabled)
        return;
    // The next item starts at the bottom of its slider with the two sliders
    // joined: the operator fades across by moving the on-air slider up.
    MoveOnAirToFading();
    PlayNext();
    if (m_opening)
        m_opening->joined = true; // still opening: joined when it starts
    else
        JoinSliders();
}

void COnAirEngine::JoinSliders()
{
    if (!m_onAir || !m_fading)
        return;
    try {
        m_onAir->SetVolume(0.0f);
        m_joined = true;
    } catch (const CException& error) {
        ReportTrackError(error);
    }
}

void COnAirEngine::SetMode(PlayerMode mode)
{
    m_mode = mode;
    m_break = (mode == PlayerMode::Manual);
    m_randomPick = -1;
}

int COnAirEngine::RandomPick()
{
    const int n = m_seams.playlist->Count();
    if (m_randomPick < 0 || m_randomPick >= n)
        m_randomPick = n > 0 ? m_seams.random() % n : -1;
    return m_randomPick;
}

bool COnAirEngine::HasNextItem() const
{
    const Sequence::Following next = Sequence::After(m_mode, m_seams.playlist->Selection(),
                                                     m_seams.playlist->Count());
    // A draw at the end of the list needs an item on air to draw after.
    return next.then != Sequence::Following::End && (next.then != Sequence::Following::Draw || m_onAir);
}

QString COnAirEngine::ComingUpNext() const
{
    const CPlaylist& list = *m_seams.playlist;
    const int sel = list.Selection();
    if (m_mode == PlayerMode::Random || sel < 0 || sel >= list.Count())
        return {};
    const int row = m_onAir ? Sequence::After(m_mode, sel, list.Count()).Known() : sel;
    return row < 0 ? QString() : GetItemDisplayName(list.Row(row));
}

// ------------------------------------------------------------ starting items

void COnAirEngine::StartItemAt(const QString& path, TrackMs positionMs)
{
    m_startAt = {path, positionMs};
    StartItem(path);
}

void COnAirEngine::StartItem(const QString& path)
{
    const QString ext = SplitPath(path).ext.toUpper();
    CPlaylist& list = *m_seams.playlist;
    m_started = true;
    m_breakHalt = false;

    if (ext == QLatin1String(".ALB")) {
        // An album met again before anything started leads back to where
        // this pass began (an album whose rows are itself, two naming each
        // other): it would go round for ever, starting nothing.
        const QFileInfo album(path);
        const QString key = album.exists() ? album.canonicalFilePath() : album.absoluteFilePath();
        if (m_albumsThisPass.contains(key)) {
            m_albumsThisPass.clear();
            m_seams.log->WriteLogText(
                Str::Load(Str::LogError)
                    .arg(QStringLiteral("No playable item follows: the album %1 leads back to itself")
                             .arg(path)));
            return;
        }
        m_albumsThisPass << key;
        m_seams.document->SetModifiedFlag(false);
        if (m_seams.document->OpenDocumentFile(path)) {
            list.Select(0);
            if (m_mode == PlayerMode::Shuffle)
                ShufflePlaylist();
            PostCommand(Cmd::Play);
        }
        return;
    }
    if (ext == QLatin1String(".STOP")) {
        SelectNext();
        return;
    }
    // Control and command items take no time: a list made only of them would
    // go round for ever, so a run longer than the list stops playback.
    const bool control = ext == QLatin1String(".PLAY") || IsCommandExtension(ext);
    if (control && ++m_controlRun > list.Count() + 1) {
        m_controlRun = 0;
        m_seams.log->WriteLogText(
            Str::Load(Str::LogError).arg(QStringLiteral("No playable item follows: playback stops")));
        return;
    }
    if (ext == QLatin1String(".PLAY")) {
        // Play starts the selected row: when that is this very row, step past
        // it first, or it would post Play to itself for ever.
        const int sel = list.Selection();
        if (sel >= 0 && list.Row(sel) == path && !Advance(false))
            return; // nothing follows it
        PostCommand(Cmd::Play);
        return;
    }
    if (control) {
        QString error;
        if (!RunCommandItem(*m_seams.shell, path, &error))
            qCWarning(lcEngine).noquote() << "lirana: command item not started:" << error;
        PlayNext();
        return;
    }
    StartMediaItem(path);
}

void COnAirEngine::StartMediaItem(const QString& path)
{
    BusyScope busy(*m_seams.ui);
    if (m_mode == PlayerMode::Manual)
        m_break = true;
    // While the output is down the start line waits for the start that
    // works: the log shows what went on air, not every retry.
    const bool retrying = InOutage();
    if (!retrying)
        m_seams.log->WriteLogText(Str::Load(Str::LogStart).arg(GetItemDisplayName(path)));
    m_overlapOverride = GetOverlapOverride(path);
    m_opening.reset(); // a start still opening is superseded
    if (TakeNext(path, retrying))
        return;
    DropNext();
    OpenTrack(path, retrying);
}

COnAirEngine::Range COnAirEngine::IntroRange(qint64 length) const
{
    qint64 from = qint64(m_settings.introStart) * 1000;
    qint64 to = from + qint64(m_settings.introLength) * 1000;
    if (length < to) {
        from = 0;
        to = qint64(m_settings.introLength) * 1000;
    }
    if (length < to)
        to = length;
    return {static_cast<TrackMs>(from), static_cast<TrackMs>(to)};
}

void COnAirEngine::TrackOpened(std::unique_ptr<CMediaTrack> track, bool retrying, std::optional<Range> cued)
{
    const QString path = track->GetFileName();
    if (track->Owner() != this)
        track->AttachOwner(this);
    const StartAt startAt = std::exchange(m_startAt, {});
    qint64 stretchEnd = -1;
    try {
        if (startAt.ms > 0 && startAt.path == path && startAt.ms < track->GetLength()) {
            qCDebug(lcEngine).noquote() << "start" << path << "at" << startAt.ms << "ms";
            track->PlayRange(startAt.ms, track->GetLength()); // Play would start a pause from 0
        } else if (m_mode == PlayerMode::IntroScan) {
            const qint64 length = track->GetLength();
            const Range range = IntroRange(length);
            // A track set to its stretch ahead may have been started on the
            // bus already: Play keeps it going.
            if (cued == range)
                track->Play();
            else
                track->PlayRange(range.from, range.to);
            if (range.to < length)
                stretchEnd = range.to;
        } else if (cued) {
            track->PlayRange(0, track->GetLength()); // set to a stretch for another mode
        } else {
            track->Play();
        }
    } catch (const CException& error) {
        Dispose(std::move(track));
        StartError(error, path);
        return;
    }
    if (retrying) {
        OutputBack();
        m_seams.log->WriteLogText(Str::Load(Str::LogStart).arg(GetItemDisplayName(path)));
    }
    Dispose(std::move(m_onAir)); // an item started while another was on air replaces it
    m_onAir = std::move(track);
    m_onAirStretchEnd = stretchEnd;
    qCDebug(lcEngine).noquote() << "start track" << m_onAir->Serial() << path << "mode" << int(m_mode)
                                << "overlap override" << m_overlapOverride;
    ShowOnAir(GetItemDisplayName(m_onAir->GetFileName()));
    emit TrackStarted();
    m_errorRun = 0;
    m_controlRun = 0;
    m_albumsThisPass.clear();
    if (std::exchange(m_cueing, false))
        PostCommand(Cmd::Pause);
    PrepareNext();
    // The hand-over tick runs from the first start: the items of the
    // command line start before the startup timer comes, and a first item
    // shorter than that wait ended before its next start was planned.
    if (!IsTimerArmed(TimerOverlap))
        SetTimer(TimerOverlap, kTickMs);
}

void COnAirEngine::OutputUnavailable(const CException& error, const QString& path)
{
    if (!InOutage()) {
        LogOutputGone(error.GetErrorMessage());
        m_outageClock.start();
        m_outageDelayMs = OutageRetryFirstMs;
    } else {
        m_outageDelayMs = m_outageDelayMs == 0 ? OutageRetryFirstMs
                                               : std::min(m_outageDelayMs * 2, OutageRetryMaxMs);
    }
    m_outagePath = path;
    qCDebug(lcEngine).noquote() << "audio output unavailable, next try in" << m_outageDelayMs
                                << "ms:" << path;
    SetTimer(TimerOutage, m_outageDelayMs);
}

// The output went away under the item on air. The item is not at fault, but
// it is cut: it ends with its error in the log (no message) and what follows
// an item that ended follows. That start waits for the output like any start while it is
// down, and its start line waits for the start that works. Whatever
// IgnoreErrors says, a sound server restart must not end the broadcast.
void COnAirEngine::OutputLostOnAir(const CException& error)
{
    const QString cut = m_onAir->GetFileName();
    m_seams.log->WriteLogText(Str::Load(Str::LogError).arg(error.GetErrorMessage().left(255)));
    EndFading();
    DropNext(); // opened on the output that went away
    OutputUnavailable(error, cut);
    KillTimer(TimerOutage);
    m_outageDelayMs = 0; // the first failed start arms the first retry
    OnAirEnded();        // what follows an item that ended follows it
    if (m_outagePath == cut && !IsTimerArmed(TimerOutage) && !m_onAir && !m_opening)
        CancelOutage(); // nothing followed: the list has ended
}

void COnAirEngine::OutputBack()
{
    LogOutputBack(m_outageClock.isValid() ? m_outageClock.elapsed() : 0);
    CancelOutage();
}

void COnAirEngine::LogOutputGone(const QString& why)
{
    m_seams.log->WriteLogText(
        Str::Load(Str::LogError)
            .arg(QStringLiteral("Audio output unavailable (%1): retrying").arg(why.left(200))));
}

void COnAirEngine::LogOutputBack(qint64 goneMs)
{
    m_seams.log->WriteLogText(Str::Load(Str::LogError)
                                  .arg(QStringLiteral("Audio output available again after %1 s")
                                           .arg(double(goneMs) / 1000.0, 0, 'f', 1)));
}

// The air bus lost its output or got it back. The programme goes on on the
// bus's own clock meanwhile: nothing is cut or retried, the log says when
// the air was not heard.
void COnAirEngine::AirOutputChanged(bool up, const QString& why)
{
    if (!up && !m_airDownClock.isValid()) {
        LogOutputGone(why);
        m_airDownClock.start();
    } else if (up && m_airDownClock.isValid()) {
        LogOutputBack(m_airDownClock.elapsed());
        m_airDownClock.invalidate();
    }
}

void COnAirEngine::CancelOutage()
{
    KillTimer(TimerOutage);
    m_outagePath.clear();
    m_outageDelayMs = 0;
}

void COnAirEngine::StartFailed(const CException& error)
{
    ReportTrackError(error);
    if (!ContinuesAfterErrors()) {
        m_errorRun = 0;
        return;
    }
    if (++m_errorRun < MaxErrorRun) {
        qCDebug(lcEngine) << "start failed; error run" << m_errorRun << "of" << MaxErrorRun
                          << ", the next item follows";
        FollowOn(false);
        return;
    }
    qCDebug(lcEngine) << "start failed; error run of" << m_errorRun << "stops playback";
    m_seams.log->LogString(Str::LogTooManyErrors);
    emit FallingSilent(QStringLiteral("too many errors"));
}

// ------------------------------------------------------------- transport

void COnAirEngine::OnPlay()
{
    if (m_onAir) {
        try {
            m_onAir->Resume();
        } catch (const CException& error) {
            ReportTrackError(error);
        }
        return;
    }
    if (m_opening)
        return; // the item is on its way
    m_seams.events->ResetToNow();
    CPlaylist& list = *m_seams.playlist;
    if (m_mode == PlayerMode::Random && list.Count() >= 1)
        list.Select(RandomPick()); // the row drawn when it was prepared, or now
    m_randomPick = -1;
    const int sel = list.Selection();
    if (sel >= 0)
        StartItem(list.Row(sel));
    else if (list.Count() == 0)
        emit FallingSilent(QStringLiteral("nothing to play"));
}

void COnAirEngine::OnPause()
{
    if (m_onAir) {
        try {
            if (m_onAir->IsPaused())
                m_onAir->Resume();
            else
                m_onAir->Pause();
        } catch (const CException& error) {
            ReportTrackError(error);
        }
        return;
    }
    OnPlay();
    if (m_onAir)
        PostCommand(Cmd::Pause); // cueing: started, then paused at once
    else
        m_cueing = m_opening.has_value(); // paused once it is open
}

void COnAirEngine::OnStop()
{
    // Stop also ends the wait for an audio output that is down, and for an
    // item still opening (its track is closed when the opening ends).
    CancelOutage();
    m_opening.reset();
    m_cueing = false;
    if (!m_onAir)
        return;
    if (m_onAir->IsPlaying() && m_settings.fadeOnStop && m_settings.fadePeriod > 0) {
        MoveOnAirToFading();
        StartFadeTimer();
    } else {
        EndOnAir();
    }
}

void COnAirEngine::SelectNext()
{
    const bool wasPlaying = m_onAir || m_opening;
    const bool breakAfter = m_break;
    if (wasPlaying)
        OnStop();
    if (Advance(true) && wasPlaying && !breakAfter)
        OnPlay();
}

bool COnAirEngine::Advance(bool draw)
{
    CPlaylist& list = *m_seams.playlist;
    const Sequence::Following next = Sequence::After(m_mode, list.Selection(), list.Count());
    switch (next.then) {
    case Sequence::Following::Row: list.Select(next.row); return true;
    case Sequence::Following::Reshuffle: ShufflePlaylist(); return true;
    case Sequence::Following::Draw: return draw; // the row is drawn when it starts
    case Sequence::Following::End: break;
    }
    return false;
}

void COnAirEngine::OnPrevTrack()
{
    const bool wasPlaying = m_onAir || m_opening;
    if (wasPlaying)
        OnStop();
    CPlaylist& list = *m_seams.playlist;
    const int sel = list.Selection();
    if (sel >= 1) {
        list.Select(sel - 1);
        if (wasPlaying)
            OnPlay();
    }
}

void COnAirEngine::OnFastForward()
{
    if (!m_onAir)
        return;
    try {
        const qint64 target = qint64(m_onAir->GetPosition()) + qint64(m_settings.ffTime) * 1000;
        m_onAir->Seek(static_cast<TrackMs>(std::min<qint64>(target, INT32_MAX)));
    } catch (const CException& error) {
        ReportTrackError(error);
    }
}

void COnAirEngine::OnRewind()
{
    if (!m_onAir)
        return;
    try {
        const qint64 target = qint64(m_onAir->GetPosition()) - qint64(m_settings.ffTime) * 1000;
        m_onAir->Seek(static_cast<TrackMs>(std::max<qint64>(0, target)));
    } catch (const CException& error) {
        ReportTrackError(error);
    }
}

// ------------------------------------------------------- after an item

void COnAirEngine::OnAirEnded()
{
    const bool breakAfter = m_break;
    EndOnAir(true);
    FollowOn(breakAfter);
}

// What follows an item that left the air, ended or failed and gone past: a
// break halts before the next row; the last row of an album that does not
// go round ends it (never played again); else the next item, a due event
// first.
void COnAirEngine::FollowOn(bool breakAfter)
{
    if (breakAfter) {
        SelectNext();
        m_breakHalt = true;
        return;
    }
    const int sel = m_seams.playlist->Selection();
    const int n = m_seams.playlist->Count();
    if (Sequence::After(m_mode, sel, n).then == Sequence::Following::End) {
        emit FallingSilent(QStringLiteral("the album ended"));
        return;
    }
    PlayNext();
}

void COnAirEngine::PlayNext()
{
    if (m_settings.enableEvents) {
        for (const bool exact : {true, false}) {
            if (const auto file = m_seams.events->TakeDueEvent(exact)) {
                StartItem(*file);
                return;
            }
        }
    }
    if (m_mode != PlayerMode::Random)
        SelectNext();
    OnPlay();
}

void COnAirEngine::EndOnAir(bool ended)
{
    if (m_onAir)
        qCDebug(lcEngine).noquote() << "end track" << m_onAir->Serial() << m_onAir->GetFileName();
    Dispose(std::move(m_onAir));
    m_seams.ui->SetFrameTitle(m_seams.document->Title());
    ClearOnAir(!ended);
    m_break = false;
    emit SlotsChanged();
}

void COnAirEngine::EndFading()
{
    if (!m_fading)
        return;
    qCDebug(lcEngine).noquote() << "end fading track" << m_fading->Serial() << m_fading->GetFileName();
    Dispose(std::move(m_fading));
    m_joined = false; // "Joined" is unchecked and disabled with no fading track
    emit SlotsChanged();
}

void COnAirEngine::ShowOnAir(const QString& text)
{
    m_onAirText = text;
    m_seams.ui->SetFrameTitle(text);
    emit SlotsChanged();
}

void COnAirEngine::ClearOnAir(bool cancelPlan)
{
    // A start of the next item planned on the one that leaves another way
    // than by its end is not its time any more; it starts when the engine
    // says. After the end it is: the bus may not have made it yet (the
    // period after the last frame), and taking it back would cut it.
    if (m_next.track && cancelPlan)
        m_next.track->CancelPlannedStart();
    m_previousText = m_onAirText;
    m_onAirText.clear();
}

void COnAirEngine::ShufflePlaylist()
{
    CPlaylist& list = *m_seams.playlist;
    const int n = list.Count();
    if (n < 1)
        return;
    BusyScope busy(*m_seams.ui);
    QStringList left = list.Rows();
    QStringList drawn;
    drawn.reserve(n);
    while (!left.isEmpty()) {
        const int r = m_seams.random() % static_cast<int>(left.size());
        drawn << left.takeAt(r);
    }
    list.Reset(drawn, 0);
    emit PlaylistEdited(Cmd::Shuffle);
}
