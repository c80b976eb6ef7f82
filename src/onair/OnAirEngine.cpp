// SPDX-License-Identifier: GPL-3.0-or-later
#include "onair/OnAirEngine.h"

#include "app/EngineSeams.h"
#include "app/Strings.h"
#include "app/UserInterface.h"
#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"
#include "media/TrackEvents.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"
#include "onair/PlayLog.h"
#include "platform/Logging.h"
#include "platform/Shell.h"
#include "platform/SystemRestart.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QTime>
#include <QTimerEvent>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <utility>

namespace {

// A command the engine posted to itself (Play after ".play", cueing Pause).
class CCommandEvent : public QEvent
{
public:
    static constexpr QEvent::Type Kind = static_cast<QEvent::Type>(QEvent::User + 0x111);
    explicit CCommandEvent(int id) : QEvent(Kind), m_id(id) {}
    int Id() const { return m_id; }

private:
    int m_id;
};

DocumentSeam& NoDocument()
{
    static DocumentSeam none;
    return none;
}

EventSource& NoEvents()
{
    static EventSource none;
    return none;
}

} // namespace

COnAirEngine::COnAirEngine(Seams seams, QObject* parent) : QObject(parent), m_seams(std::move(seams))
{
    Q_ASSERT(m_seams.playlist && m_seams.log && m_seams.ui && m_seams.shell);
    if (!m_seams.document)
        m_seams.document = &NoDocument();
    if (!m_seams.events)
        m_seams.events = &NoEvents();
    if (!m_seams.createTrack)
        m_seams.createTrack = [](const QString& path) { return CreateTrack(path); };
    if (!m_seams.restart)
        m_seams.restart = &SystemRestart::System();
    m_seams.log->SetReporter([this](const QString& message) {
        if (!m_settings.ignoreErrors)
            m_seams.ui->ShowMessage(message, UserInterface::Icon::Stop);
    });
    if (!m_seams.random) {
        std::srand(static_cast<unsigned>(std::time(nullptr) % 32767));
        m_seams.random = [] { return std::rand(); };
    }
    CTrackEnvironment::SetUnattended(m_seams.unattended);
    // The air's output going and coming back is told on the bus's thread:
    // the log lines are written here, in order.
    CTrackEnvironment::SetAirOutputObserver([this](bool up, const QString& why) {
        QMetaObject::invokeMethod(
            this, [this, up, why] { AirOutputChanged(up, why); }, Qt::QueuedConnection);
    });
}

COnAirEngine::~COnAirEngine()
{
    CTrackEnvironment::SetAirOutputObserver({});
    CTrackEnvironment::SetUnattended(false);
    // Tracks close themselves here, so nothing is posted to us afterwards;
    // an opening that ends later finds the opener gone.
    m_onAir.reset();
    m_fading.reset();
}

// ---------------------------------------------------------------- settings

void COnAirEngine::LoadSettings()
{
    m_settings.Load();
    const int mode = m_settings.playerMode;
    m_mode = (mode >= 0 && mode <= 5) ? static_cast<PlayerMode>(mode) : PlayerMode::Normal;
    m_break = (m_mode == PlayerMode::Manual);
    m_settings.ApplyWorkingDir();
    ApplyLogSettings();
    CTrackEnvironment::SetVideo(m_settings.videoMode, m_settings.videoRect);
    CTrackEnvironment::SetMidi(m_settings);
}

void COnAirEngine::ApplyLogSettings()
{
    m_seams.log->SetEnabled(m_settings.enableLogging);
    m_seams.log->SetFolder(m_settings.logfileDir);
}

void COnAirEngine::SaveSettings()
{
    m_settings.playerMode = static_cast<int>(m_mode);
    m_settings.curSel = m_seams.playlist->Selection();
    m_settings.workingDir = QDir::currentPath();
    m_settings.Save();
}

void COnAirEngine::Startup()
{
    ApplyLogSettings();
    m_seams.log->LogString(Str::LogStartup);
    m_startedUp = true;
    qCInfo(lcEngine).noquote() << "lirana: audio output:" << CTrackEnvironment::DescribeAudioOutput();
    // Plug-ins stored in the chain but not installed now (after a package
    // update, say) stay stored; say once per start that they are left out.
    for (const CPlugInFilter* missing : CTrackEnvironment::Chain().Missing())
        m_seams.log->WriteLogText(
            Str::Load(Str::LogError)
                .arg(QStringLiteral("Plug-in \"%1\" (%2) is not installed: it is left out")
                         .arg(missing->Name(), missing->Factory())));
    RearmWatchDog();
    SetTimer(TimerStartup, 500);
    ArmEventsTick();
}

// The events tick runs just after each whole second of the wall clock, so an
// event due at a second starts (and is logged) within a few ms of it, not up
// to a second late. Re-armed at every tick: a tick that came late, or a clock
// that was set, is back on the second at the next one.
void COnAirEngine::ArmEventsTick()
{
    constexpr int kPastTheSecondMs = 2;
    const int msec = QTime::currentTime().msec();
    SetTimer(TimerEvents, 1000 - msec + kPastTheSecondMs);
}

void COnAirEngine::Shutdown(bool saveSettings)
{
    KillTimer(TimerOverlap);
    KillTimer(TimerWatchDog);
    KillTimer(TimerLevel);
    KillTimer(TimerFade);
    CancelOutage();
    m_opening.reset();
    m_breakHalt = false;
    DropNext();
    m_fadeTimerActive = false;
    // A start that never became the station (refused, its album not found)
    // writes nothing into the station's log.
    if (std::exchange(m_startedUp, false))
        m_seams.log->LogString(Str::LogShutdown);
    if (saveSettings)
        SaveSettings();
    if (m_onAir)
        OnStop();
}

// ------------------------------------------------------------------ timers

void COnAirEngine::SetTimer(int id, int ms)
{
    m_timers[static_cast<std::size_t>(id)].start(ms, Qt::PreciseTimer, this);
}

void COnAirEngine::KillTimer(int id)
{
    m_timers[static_cast<std::size_t>(id)].stop();
}

bool COnAirEngine::IsTimerArmed(int id) const
{
    return id > 0 && id < static_cast<int>(m_timers.size()) &&
           m_timers[static_cast<std::size_t>(id)].isActive();
}

void COnAirEngine::timerEvent(QTimerEvent* event)
{
    for (std::size_t id = 1; id < m_timers.size(); ++id) {
        if (m_timers[id].timerId() == event->timerId()) {
            OnTimer(static_cast<int>(id));
            return;
        }
    }
    QObject::timerEvent(event);
}

void COnAirEngine::OnTimer(int id)
{
    switch (id) {
    case TimerOverlap: OverlapTick(); break;
    case TimerStartup:
        KillTimer(TimerStartup);
        if (m_settings.autoPlay && m_seams.playlist->Selection() >= 0 && !m_onAir)
            SetTimer(TimerAutoPlay, 500);
        SetTimer(TimerOverlap, kTickMs);
        break;
    case TimerAutoPlay:
        KillTimer(TimerAutoPlay);
        OnPlay();
        break;
    case TimerWatchDog: WatchDogTick(); break;
    case TimerLevel: LevelTick(); break;
    case TimerFade: FadeStep(); break;
    case TimerEvents:
        ArmEventsTick();
        EventsTick();
        break;
    case TimerOutage:
        KillTimer(TimerOutage);
        if (InOutage() && !m_onAir) {
            const QString path = m_outagePath; // the start clears the outage
            StartItem(path);
        }
        break;
    default: break;
    }
}

void COnAirEngine::EventsTick()
{
    m_seams.events->Refresh();
    if (!m_settings.enableEvents)
        return;
    if (const auto file = m_seams.events->TakeDueEvent(true)) {
        if (m_onAir)
            OnStop();
        StartItem(*file);
    }
}

// ----------------------------------------------------------- events, posts

void COnAirEngine::PostCommand(int id)
{
    ++m_pendingCommands;
    QCoreApplication::postEvent(this, new CCommandEvent(id));
}

bool COnAirEngine::IsIdle() const
{
    return !m_onAir && !m_fading && m_pendingCommands == 0 && !InOutage() && !m_opening;
}

void COnAirEngine::customEvent(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case CCommandEvent::Kind:
        --m_pendingCommands;
        OnCommand(static_cast<CCommandEvent*>(event)->Id());
        break;
    case CTrackOpenedEvent::Kind: OpenFinishedEvent(event); break;
    case TrackEvent::MciNotify: {
        auto* e = static_cast<CMciNotifyEvent*>(event);
        OnMciNotify(e->Code(), e->Sender());
        break;
    }
    case TrackEvent::Error: {
        auto* e = static_cast<CTrackErrorEvent*>(event);
        OnTrackError(e->TakeError(), e->Sender());
        break;
    }
    case TrackEvent::EntryLog: {
        // Inside a mini playlist on air: its entries' starts and skipped
        // errors, under the list's own start line.
        const auto* e = static_cast<CEntryLogEvent*>(event);
        if (e->EntryKind() == CEntryLogEvent::Started)
            m_seams.log->WriteLogText(Str::Load(Str::LogStart).arg(GetItemDisplayName(e->Text())));
        else
            ReportError(e->Text()); // a list's entry skipped: told as any error gone past
        break;
    }
    case TrackEvent::VolumeRequest:
        if (m_onAir) {
            try {
                m_onAir->SetVolume(static_cast<CVolumeRequestEvent*>(event)->Percent() * 0.01f);
            } catch (const CException& error) {
                ReportTrackError(error);
            }
        }
        break;
    default: QObject::customEvent(event);
    }
}

void COnAirEngine::OnMciNotify(int code, std::uint64_t sender)
{
    QString text;
    if (code == MCI_NOTIFY_SUPERSEDED)
        text = QStringLiteral("OnMciNotify/MCI_NOTIFY_SUPERSEDED");
    else if (code == MCI_NOTIFY_FAILURE)
        text = QStringLiteral("OnMciNotify/MCI_NOTIFY_FAILURE");
    else if (code != MCI_NOTIFY_SUCCESSFUL && code != MCI_NOTIFY_ABORTED)
        text = QStringLiteral("OnMciNotify/%1").arg(code);
    if (!text.isEmpty())
        m_seams.log->WriteLogText(Str::Load(Str::LogError).arg(text));

    const bool ends = code == MCI_NOTIFY_SUCCESSFUL || (code == MCI_NOTIFY_FAILURE && ContinuesAfterErrors());
    qCDebug(lcEngine) << "end notification" << code << "from track" << sender
                      << (ends ? "ends it" : "is ignored");
    if (!ends)
        return;
    // The end is matched to the slot of its sender: a late notification of a
    // track that already left both slots must not end the item now on air.
    if (m_fading && m_fading->Serial() == sender)
        EndFading();
    else if (m_onAir && m_onAir->Serial() == sender)
        OnAirEnded();
}

void COnAirEngine::OnTrackError(std::unique_ptr<CException> error, std::uint64_t sender)
{
    qCDebug(lcEngine).noquote() << "error from track" << sender << ":"
                                << (error ? error->GetErrorMessage() : QString());
    if (error && IsAudioOutputError(*error) && m_onAir && m_onAir->Serial() == sender) {
        OutputLostOnAir(*error);
        return;
    }
    // The item fading out lost its output: it was going anyway. A line in
    // the log, never a box in the middle of the air.
    if (error && IsAudioOutputError(*error) && m_fading && m_fading->Serial() == sender) {
        m_seams.log->WriteLogText(Str::Load(Str::LogError).arg(error->GetErrorMessage().left(255)));
        EndFading();
        return;
    }
    if (error)
        ReportTrackError(*error);
    if (m_onAir && m_onAir->Serial() == sender) {
        const bool breakAfter = m_break;
        EndOnAir();
        if (ContinuesAfterErrors())
            FollowOn(breakAfter);
    } else if (m_fading && m_fading->Serial() == sender) {
        EndFading();
    }
}

void COnAirEngine::ReportTrackError(const CException& error)
{
    ReportError(error.GetErrorMessage());
}

void COnAirEngine::ReportError(const QString& message)
{
    const QString text = message.left(255);
    m_seams.log->WriteLogText(Str::Load(Str::LogError).arg(text));
    if (m_seams.unattended) {
        m_seams.ui->ShowMessage(text, UserInterface::Icon::Stop); // a line, never a wait
    } else if (!m_settings.ignoreErrors) {
        m_seams.ui->FocusView();
        m_seams.ui->ShowMessage(text, UserInterface::Icon::Stop);
    }
}
