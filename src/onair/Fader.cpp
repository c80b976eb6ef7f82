// SPDX-License-Identifier: GPL-3.0-or-later
// Overlap and fading: the next item starts the overlap time before the end
// of the one on air, and the old one is faded out on the fading slot.
#include "onair/OnAirEngine.h"

#include "app/EngineSeams.h"
#include "app/UserInterface.h"
#include "media/HandOver.h"
#include "platform/Exception.h"
#include "platform/Logging.h"
#include "playlist/Playlist.h"

#include <QTimer>
#include <algorithm>

void COnAirEngine::OverlapTick()
{
    // The next item is opened ahead while one plays or a break halts, and
    // let go when nothing plays any more.
    if (m_onAir || (m_breakHalt && !m_opening)) {
        PrepareNext();
        CueNext();
    } else if (!m_opening) {
        DropNext();
    }
    if (!m_onAir || m_break)
        return;
    const int sel = m_seams.playlist->Selection();
    if (sel == m_seams.playlist->Count() - 1 &&
        (m_mode == PlayerMode::Normal || m_mode == PlayerMode::IntroScan))
        return; // nothing follows
    // The one hand-over rule (HandOver::Next): the next start is planned on
    // the bus shortly before it is due, and a track off the bus is started
    // its start latency early. Intro Scan: the next stretch follows on the
    // sample after the stretch on air when both are cued on the bus;
    // otherwise it starts at the end of the one on air. The overlap still
    // counts back from the item's end: a stretch that reaches it overlaps.
    const bool intro = m_mode == PlayerMode::IntroScan;
    const qint64 latency = intro ? 0 : NextStartLatency();
    // A track error here must not escape the timer: report it, keep the item.
    try {
        const qint64 length = m_onAir->GetLength();
        qint64 overlap = OverlapOfOnAir();
        const bool stretch = intro && m_onAirStretchEnd >= 0 &&
                             m_onAirStretchEnd <= length - std::max<qint64>(overlap, 0);
        if (stretch)
            overlap = 0;
        const qint64 position = m_onAir->GetPosition();
        const HandOver::Step step = HandOver::Next(stretch ? m_onAirStretchEnd : length, position, overlap,
                                                   latency, kTickMs);
        if (step.plan && (!intro || m_next.cue))
            PlanNextStart(step.planAt);
        if (step.now) {
            qCDebug(lcEngine).noquote()
                << "overlap: track" << m_onAir->Serial() << m_onAir->GetFileName() << "at" << position
                << "ms of" << m_onAir->GetLength() << "ms, overlap" << overlap << "ms";
            if (overlap > 0)
                OverlapToNext();
            else
                FollowOnEarly();
        } else if (step.shotInMs >= 0 && m_overlapShotFor != m_onAir->Serial()) {
            // The next tick would come late: start the next item on time
            // with a one-shot timer for the rest of the way.
            const std::uint64_t serial = m_onAir->Serial();
            m_overlapShotFor = serial;
            QTimer::singleShot(static_cast<int>(step.shotInMs), Qt::PreciseTimer, this, [this, serial] {
                if (!m_onAir || m_onAir->Serial() != serial)
                    return;
                m_overlapShotFor = 0; // may re-arm once more if the position lags
                OverlapTick();
            });
        }
    } catch (const CException& error) {
        ReportTrackError(error);
    }
}

// On the air bus the next item's start is planned on its sample shortly
// before it is due: on the sample after the last of the item on air ("~0"),
// or where that one reaches its overlap. The tick that follows finds it
// started; until then the plan is made again each tick (the bus drops it
// when the item on air is paused, sought or stopped, and the engine when
// it leaves the air).
void COnAirEngine::PlanNextStart(TrackMs at)
{
    if (!m_next.track || m_startAt.ms > 0)
        return;
    try {
        // A waiting event that is due plays first when the item on air
        // ends: what follows is not planned, and a plan made before the
        // event came due is taken back.
        if (m_settings.enableEvents && m_seams.events->HasDueEvent(false)) {
            m_next.track->CancelPlannedStart();
            return;
        }
        m_next.track->PlayAfter(*m_onAir, at);
    } catch (const CException& error) {
        ReportTrackError(error);
    }
}

// The overlap the item on air ends with, in ms: the one its name gives, else
// the setting; with "short items" chosen, the setting is at most a third of
// the item's length, so that a short item is heard for two thirds of it.
qint64 COnAirEngine::OverlapOfOnAir() const
{
    if (m_overlapOverride >= 0)
        return m_overlapOverride;
    qint64 overlap = m_settings.overlapTime;
    if (m_settings.shortItemOverlapThird) {
        try {
            overlap = std::min(overlap, qint64(m_onAir->GetLength()) / 3);
        } catch (const CException&) {
            // an item that cannot tell its length keeps the setting
        }
    }
    return overlap;
}

void COnAirEngine::OverlapToNext()
{
    MoveOnAirToFading();
    PlayNext();
    if (m_settings.fadeOnOverlap)
        StartFadeTimer();
}

void COnAirEngine::FollowOnEarly()
{
    MoveOnAirToFading(); // plays out to its end there, at full level
    PlayNext();
}

void COnAirEngine::MoveOnAirToFading()
{
    if (m_fadeTimerActive) {
        KillTimer(TimerFade);
        m_fadeTimerActive = false;
    }
    Dispose(std::move(m_fading)); // an older fade-out is cut off
    m_fading = std::move(m_onAir);
    m_seams.ui->SetFrameTitle(m_seams.document->Title());
    ClearOnAir();
    emit SlotsChanged();
}

void COnAirEngine::StartFadeTimer()
{
    if (m_fadeTimerActive)
        return;
    m_fadeSteps = static_cast<int>(m_settings.fadePeriod * 10);
    if (m_fading)
        qCDebug(lcEngine).noquote() << "fade out track" << m_fading->Serial() << m_fading->GetFileName()
                                    << "in" << m_fadeSteps << "steps of 100 ms";
    SetTimer(TimerFade, 100);
    m_fadeTimerActive = true;
}

void COnAirEngine::FadeStep()
{
    if (m_fading) {
        // An error of the fading track is dropped: the next step tries again.
        try {
            if (!m_fading->IsPlaying() || m_fadeSteps <= 0) {
                EndFading();
            } else {
                const float step = 1.0f / static_cast<float>(m_fadeSteps);
                const float level = m_fading->GetVolume() - step;
                // Less than half a step left is silence: rounding must not
                // add a step to a fade of exactly the fade period.
                if (level > step / 2)
                    m_fading->SetVolume(level);
                else
                    EndFading();
            }
        } catch (const CException&) {
        }
    }
    if (!m_fading) {
        KillTimer(TimerFade);
        m_fadeTimerActive = false;
    }
}

namespace {

// A fading volume at or below this ends the fading track.
constexpr float kJoinedSilence = 0.02f;

float Clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

} // namespace

void COnAirEngine::OnVolumeSlider(float level)
{
    if (!m_onAir)
        return;
    try {
        if (m_onAir->IsPaused())
            m_onAir->Resume();
        const float before = m_onAir->GetVolume();
        if (level != before)
            m_onAir->SetVolume(level);
        if (m_joined && m_fading) {
            const float fading = Clamp01(m_fading->GetVolume() - (level - before));
            if (fading <= kJoinedSilence)
                EndFading();
            else
                m_fading->SetVolume(fading);
        }
    } catch (const CException& error) {
        ReportTrackError(error);
    }
}

void COnAirEngine::OnFadingSlider(float level)
{
    if (!m_fading)
        return;
    try {
        const float before = m_fading->GetVolume();
        if (m_joined && m_onAir) {
            if (m_onAir->IsPaused())
                m_onAir->Resume();
            m_onAir->SetVolume(Clamp01(m_onAir->GetVolume() - (level - before)));
        }
        if (level <= kJoinedSilence)
            EndFading();
        else
            m_fading->SetVolume(level);
    } catch (const CException& error) {
        ReportTrackError(error);
    }
}
