// SPDX-License-Identifier: GPL-3.0-or-later
// Overlap and fading: the next item starts the overlap time before the end
// of the one on air, and the old one is faded out on the fading slot.
#include "onair/OnAirEngine.h"

#include "app/EngineSeams.h"
#include "app/UserInterface.h"
#include "platform/Exception.h"
#include "platform/Logging.h"
#include "playlist/Playlist.h"

#include <QTimer>
#include <algorithm>

void COnAirEngine::OverlapTick()
{
    // The next item is opened ahead while one plays or a break halts, and
    // let go when nothing plays any more.
    if (m_onAir || (m_breakHalt && !m_opening))
        PrepareNext();
    else if (!m_opening)
        DropNext();
    if (!m_onAir || m_break)
        return;
    const int sel = m_seams.playlist->Selection();
    if (sel == m_seams.playlist->Count() - 1 &&
        (m_mode == PlayerMode::Normal || m_mode == PlayerMode::IntroScan))
        return; // nothing follows
    const qint64 overlap = OverlapOfOnAir();
    if (m_mode != PlayerMode::IntroScan)
        PlanNextStart(overlap);
    // The prepared next item is started as much earlier as its first sound
    // comes after its start (on the on-air track's clock: its position). An
    // overlap aims at the ms. A "~0" follow-on aims a few ms late: measured
    // on PulseAudio its first sound came 5 ms before the last of a WAV item
    // with no allowance, and up to 7 ms more for formats whose stated length
    // is a little off (Opus, AAC); a gap of a few ms is not heard, an item's
    // last ms under the next one's first are.
    constexpr qint64 kFollowOnLateMs = 6;
    const qint64 latency = m_mode == PlayerMode::IntroScan ? 0 : NextStartLatency();
    const qint64 lead = std::max<qint64>(0, latency - (overlap == 0 ? kFollowOnLateMs : 0));
    if (overlap == 0 && lead == 0)
        return;
    // A track error here must not escape the timer: report it, keep the item.
    try {
        const qint64 due = qint64(m_onAir->GetLength()) - overlap - lead; // position of the start
        const qint64 position = m_onAir->GetPosition();
        if (position > due) {
            qCDebug(lcEngine).noquote()
                << "overlap: track" << m_onAir->Serial() << m_onAir->GetFileName() << "at" << position
                << "ms of" << m_onAir->GetLength() << "ms, overlap" << overlap << "ms";
            if (overlap > 0)
                OverlapToNext();
            else
                FollowOnEarly();
        } else if (due - position < 100 && m_overlapShotFor != m_onAir->Serial()) {
            // The next tick would come late: start the next item on time
            // with a one-shot timer for the rest of the way.
            const std::uint64_t serial = m_onAir->Serial();
            m_overlapShotFor = serial;
            QTimer::singleShot(static_cast<int>(due - position) + 1, Qt::PreciseTimer, this, [this, serial] {
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
void COnAirEngine::PlanNextStart(qint64 overlap)
{
    constexpr qint64 kPlanAheadMs = 600;
    if (!m_next.track || m_startAt.ms > 0)
        return;
    try {
        const qint64 length = m_onAir->GetLength();
        const qint64 due = overlap > 0 ? length - overlap : -1;
        if ((due < 0 ? length : due) - qint64(m_onAir->GetPosition()) > kPlanAheadMs)
            return;
        // A waiting event that is due plays first when the item on air
        // ends: what follows is not planned, and a plan made before the
        // event came due is taken back.
        if (m_settings.enableEvents && m_seams.events->HasDueEvent(false)) {
            m_next.track->CancelPlannedStart();
            return;
        }
        m_next.track->PlayAfter(*m_onAir, static_cast<TrackMs>(due));
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
