// SPDX-License-Identifier: GPL-3.0-or-later
// The silence detector: an on-air item whose position has not moved for a
// whole interval, although it is neither paused nor new, gets the actions
// the operator chose (next song, a message, a restart). The level alarm
// gets them too for an air below a threshold while an item plays, and says
// when the air itself stops moving.
#include "onair/OnAirEngine.h"

#include "app/EngineSeams.h"
#include "app/Strings.h"
#include "app/UserInterface.h"
#include "media/TrackEnvironment.h"
#include "onair/PlayLog.h"
#include "platform/Logging.h"
#include "platform/SystemRestart.h"
#include "playlist/ItemPath.h"

#include <algorithm>
#include <cmath>

void COnAirEngine::RearmWatchDog()
{
    KillTimer(TimerWatchDog);
    if (m_settings.watchDog.enable)
        SetTimer(TimerWatchDog, std::max(1, m_settings.watchDog.interval) * 1000);
    KillTimer(TimerLevel);
    m_quietSince.invalidate();
    m_stillSince.invalidate();
    if (m_settings.watchDog.levelEnable)
        SetTimer(TimerLevel, kLevelTickMs);
}

void COnAirEngine::LevelTick()
{
    const std::optional<CAirBus::Level> level = CTrackEnvironment::AirLevel();
    if (!level)
        return; // no air bus (tracks that make no sound)
    // The meter ends at the same frame: the mixer made nothing since.
    if (level->frame == m_meterFrame) {
        if (!m_stillSince.isValid())
            m_stillSince.start();
        else if (m_stillSince.elapsed() >= kAirStillMs && !m_stillReported) {
            m_stillReported = true;
            m_seams.log->WriteLogText(
                QStringLiteral("silence\tThe air stopped: the mixer made no sound for %1 s")
                    .arg(kAirStillMs / 1000));
        }
        return;
    }
    m_meterFrame = level->frame;
    m_stillSince.invalidate();
    if (m_stillReported) {
        m_stillReported = false;
        m_seams.log->WriteLogText(QStringLiteral("silence\tThe air moves again"));
    }
    // Quiet while an item plays that should sound: a pause item is silence
    // by design.
    const CWatchDogSettings& dog = m_settings.watchDog;
    const float threshold = std::pow(10.0f, float(dog.levelThreshold) / 20.0f);
    const bool quiet = std::max(level->peak[0], level->peak[1]) < threshold;
    const bool sounds = m_onAir && !m_onAir->IsPaused() &&
                        GetItemKind(m_onAir->GetFileName()) != ItemKind::PauseItem;
    if (!quiet || !sounds) {
        m_quietSince.invalidate();
        return;
    }
    if (!m_quietSince.isValid()) {
        m_quietSince.start();
        return;
    }
    if (m_quietSince.elapsed() < qint64(dog.levelSeconds) * 1000)
        return;
    m_quietSince.invalidate(); // still quiet: the actions again after as long
    m_seams.log->WriteLogText(QStringLiteral("silence\tThe air was below %1 dBFS for %2 s")
                                  .arg(dog.levelThreshold)
                                  .arg(dog.levelSeconds));
    RunSilenceActions();
}

void COnAirEngine::WatchDogTick()
{
    if (!m_onAir) {
        m_watchedTrack = 0;
        return;
    }
    if (m_onAir->Serial() != m_watchedTrack) {
        m_watchedTrack = m_onAir->Serial(); // a new item is never judged in its first interval
        return;
    }
    if (m_onAir->IsPaused()) {
        m_watchedPosition = -1;
        return;
    }
    const qint64 position = m_onAir->GetPosition();
    if (position != m_watchedPosition) {
        m_watchedPosition = position;
        return;
    }
    // The position keeps its value: if the actions change nothing, the next
    // tick fires them again.
    RunSilenceActions();
}

void COnAirEngine::RunSilenceActions()
{
    const CWatchDogSettings& dog = m_settings.watchDog;
    if (dog.nextSong) {
        m_seams.log->LogString(Str::LogSilenceNext);
        OnStop();
        SelectNext();
        OnPlay();
    }
    if (dog.message) {
        m_seams.log->LogString(Str::LogSilenceMessage);
        // No further check while the box is open: the boxes must not pile up.
        KillTimer(TimerWatchDog);
        m_seams.ui->ShowMessage(Str::Load(Str::SilenceDetected), UserInterface::Icon::Warning);
        if (m_settings.watchDog.enable)
            SetTimer(TimerWatchDog, std::max(1, m_settings.watchDog.interval) * 1000);
    }
    if (dog.reboot) {
        m_seams.log->LogString(Str::LogSilenceReboot);
        m_seams.document->SetModifiedFlag(false);
        QString error;
        if (!m_seams.restart->RequestRestart(&error))
            qCWarning(lcEngine).noquote() << "lirana: restart request failed:" << error;
    }
}
