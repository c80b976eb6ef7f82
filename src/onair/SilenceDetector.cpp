// SPDX-License-Identifier: GPL-3.0-or-later
// The silence detector: an on-air item whose position has not moved for a
// whole interval, although it is neither paused nor new, gets the actions
// the operator chose (next song, a message, a restart).
#include "onair/OnAirEngine.h"

#include "app/EngineSeams.h"
#include "app/Strings.h"
#include "app/UserInterface.h"
#include "onair/PlayLog.h"
#include "platform/Logging.h"
#include "platform/SystemRestart.h"

void COnAirEngine::RearmWatchDog()
{
    KillTimer(TimerWatchDog);
    if (m_settings.watchDog.enable)
        SetTimer(TimerWatchDog, std::max(1, m_settings.watchDog.interval) * 1000);
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
