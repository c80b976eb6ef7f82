// SPDX-License-Identifier: GPL-3.0-or-later
// COnAirEngine: the player engine of the on-air console. It owns the two
// track slots (on air, fading), the player mode, the break flag and the
// engine timers, walks the master playlist one item after another, starts
// due events, overlaps and fades, and reacts to the end and the errors of
// tracks. No widgets: the console (or the headless runner) shows its state
// and forwards commands to OnCommand.
// Thread: everything runs on the thread that owns the engine; tracks post
// their notifications to it as events.
#pragma once

#include "app/Commands.h"
#include "app/ViewSettings.h"
#include "media/MediaTrack.h"
#include "media/TrackWork.h"
#include "playlist/Sequence.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class CPlaylist;
class CPlayLog;
class CException;
class Clock;
class DocumentSeam;
class EventSource;
class Shell;
class SystemRestart;
class UserInterface;

class COnAirEngine;

class COnAirEngine : public QObject
{
    Q_OBJECT

public:
    using TrackFactory = std::function<std::unique_ptr<CMediaTrack>(const QString& path)>;

    // How often the overlap tick runs.
    static constexpr int kTickMs = 100;
    // Timer ids; each is dispatched through OnTimer(id).
    enum TimerId : int {
        TimerOverlap = 1,  // overlap tick, every kTickMs
        TimerStartup = 2,  // 500 ms once after start-up
        TimerAutoPlay = 3, // 500 ms once: auto-play
        TimerWatchDog = 4, // silence detector, its interval
        TimerFade = 5,     // 100 ms fade step
        TimerEvents = 6,   // events tick, just after each whole second
        TimerOutage = 7,   // once: retry a start while the audio output is down
        TimerLevel = 8,    // level alarm, every kLevelTickMs
    };
    // How often the level alarm reads the air's meter (its 100 ms peak).
    static constexpr int kLevelTickMs = 250;
    // The air's meter that stays for this long: the mixer stopped.
    static constexpr int kAirStillMs = 2000;
    // Retries while the audio output is down: the first after this many ms,
    // each next one after twice as long, at most OutageRetryMaxMs (a retry
    // is one failed open, a few ms; once a second puts the item back on air
    // within a second of the output's return).
    static constexpr int OutageRetryFirstMs = 250;
    static constexpr int OutageRetryMaxMs = 1000;
    static constexpr int MaxErrorRun = 50;

    struct Seams
    {
        CPlaylist* playlist = nullptr; // required
        CPlayLog* log = nullptr;       // required
        UserInterface* ui = nullptr;   // required
        Shell* shell = nullptr;        // required
        DocumentSeam* document = nullptr;
        EventSource* events = nullptr;
        TrackFactory createTrack;         // default: CreateTrack
        std::function<int()> random;      // default: the C library's rand()
        SystemRestart* restart = nullptr; // default: logind
        // Nobody at the desk (the headless runner): an error never waits for
        // a person whatever "IgnoreErrors" says. It is logged, reported to
        // the user-interface seam, and the next item plays (a run of 50
        // failed starts still ends the tries).
        bool unattended = false;
    };

    explicit COnAirEngine(Seams seams, QObject* parent = nullptr);
    ~COnAirEngine() override;

    // Settings: loaded from and saved to the user hive.
    CViewSettings& Settings() { return m_settings; }
    // Whether an error ends the item and the next one plays: "IgnoreErrors",
    // or always for an unattended station.
    bool ContinuesAfterErrors() const { return m_settings.ignoreErrors || m_seams.unattended; }
    const CViewSettings& Settings() const { return m_settings; }
    void LoadSettings();
    void SaveSettings();
    // The play log follows "Enable Logging" and "Logfile Dir" at once.
    void ApplyLogSettings();

    // Start-up: logs "startup", arms the timers. Shutdown: kills them, logs
    // "shutdown", saves the settings and stops what is on air.
    void Startup();
    void Shutdown(bool saveSettings = true);

    // Commands and their idle-time state.
    void OnCommand(int id);
    CommandState UpdateCommand(int id) const;
    // Posts a command to this engine (handled in order with track events).
    void PostCommand(int id);

    // Operations other parts call.
    void StartItem(const QString& path);
    // StartItem, with the item's play beginning at positionMs (past its
    // length: from the start): the station's return after a run that ended
    // without shutting down.
    void StartItemAt(const QString& path, TrackMs positionMs);
    void PlayNext();
    void SelectNext();
    void OnPlay();
    void OnStop();
    void OnPause();
    void OnPrevTrack();
    void OnFastForward();
    void OnRewind();
    void SetMode(PlayerMode mode);
    void ShufflePlaylist();
    // Cross Fader: starts the next item silent with the sliders joined.
    void CrossFadeByHand();
    // The item just started comes in at the bottom of its slider, joined with
    // the fading one (nothing to join once that has ended).
    void JoinSliders();
    void OnTimer(int id);
    void OnMciNotify(int code, std::uint64_t sender);
    void OnTrackError(std::unique_ptr<CException> error, std::uint64_t sender);
    // An error's line in the play log, and to whoever is there: a line on
    // stderr unattended, a message box unless errors are ignored.
    void ReportTrackError(const CException& error);
    void ReportError(const QString& message);
    // The on-air volume slider moved to level (0.0..1.0). With "Joined" on,
    // the fading track moves the opposite way.
    void OnVolumeSlider(float level);
    // The fading volume slider moved to level; with "Joined" on, the on-air
    // track moves the opposite way (and resumes when paused).
    void OnFadingSlider(float level);
    // "Joined": the two volume sliders act as a cross fader.
    void SetJoined(bool joined) { m_joined = joined && m_fading; }
    bool IsJoined() const { return m_joined; }
    // The silence detector: arms or disarms timer 4 from the settings.
    void RearmWatchDog();
    // Runs the chosen silence actions at once (the SilenceActions command).
    void RunSilenceActions();

    // State.
    CMediaTrack* OnAir() const { return m_onAir.get(); }
    CMediaTrack* Fading() const { return m_fading.get(); }
    PlayerMode Mode() const { return m_mode; }
    bool BreakFlag() const { return m_break; }
    int ErrorRun() const { return m_errorRun; }
    // The audio output is down and a start waits for it.
    bool InOutage() const { return !m_outagePath.isEmpty(); }
    long OverlapOverride() const { return m_overlapOverride; }
    bool IsTimerArmed(int id) const;
    bool IsFadeTimerActive() const { return m_fadeTimerActive; }
    // Idle: nothing on air or fading, no posted command pending, no item
    // opening and no start waiting for the audio output.
    bool IsIdle() const;
    // An item is due and its track is still opening off the engine's thread.
    bool IsOpening() const { return m_opening.has_value(); }
    // The item opened ahead to follow the one on air, empty when none.
    const QString& PreparedItem() const { return m_next.path; }
    // True once any item was started (or tried) since construction.
    bool HasStartedItems() const { return m_started; }
    // Next-item availability; the same rule fills "Coming up next".
    bool HasNextItem() const;
    QString ComingUpNext() const;
    const QString& OnAirText() const { return m_onAirText; }
    // Names the item on air in the on-air text and the frame title (its
    // file's tags, once read, name it better than its file).
    void ShowOnAir(const QString& text);
    const QString& PreviouslyPlayedText() const { return m_previousText; }

signals:
    // The on-air or fading slot changed (console repaint).
    void SlotsChanged();
    // A new track went on air (position bar restart).
    void TrackStarted();
    // The engine changed the playlist (shuffle): an undo checkpoint is due.
    void PlaylistEdited(int commandId);
    // Playback came to an end by itself with nothing to follow (the end of
    // the list in a mode that does not go round, the error rule, Play on an
    // empty list): the air would stay silent. Emitted inside the engine's
    // step; a receiver may post Play.
    void FallingSilent(const QString& reason);

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void SetTimer(int id, int ms);
    void KillTimer(int id);
    void StartMediaItem(const QString& path);
    // Opening runs in two steps: the quick part here, the part that may wait
    // (a preroll, a length scan, a hung share) on a thread of its own for a
    // track that may block; OpenFinished comes back on this thread.
    void OpenTrack(const QString& path, bool retrying);
    void OpenFinished(std::uint64_t ticket, std::unique_ptr<CMediaTrack> track,
                      std::unique_ptr<CException> error);
    // The event that carries OpenFinished's arguments.
    void OpenFinishedEvent(QEvent* event);
    std::uint64_t FinishInBackground(std::unique_ptr<CMediaTrack> track);
    // A stretch of an item, in ms (Intro Scan).
    struct Range
    {
        TrackMs from = 0, to = 0;
        bool operator==(const Range&) const = default;
    };
    // The stretch Intro Scan plays of an item of that length.
    Range IntroRange(qint64 length) const;
    // cued: the stretch the prepared track was set to play (CueRange).
    void TrackOpened(std::unique_ptr<CMediaTrack> track, bool retrying, std::optional<Range> cued = {});
    // The next item: what would follow the item on air, or what Play starts
    // while a break halts playback (for Random the row drawn for it; empty
    // when that is not known: Shuffle at the end, control items); it is
    // opened ahead, kept while it stays the next item, and taken when it is
    // due.
    QString FollowingItem();
    // Random: the row the next start plays, drawn once and kept until then.
    int RandomPick();
    // Selects the row that follows the selected one (Sequence::After),
    // shuffling the list anew at its end; a draw is true when draw is
    // (the row is drawn when it starts). False when nothing follows.
    bool Advance(bool draw);
    void PrepareNext();
    // Intro Scan: sets the prepared next track to its stretch, so that its
    // start can be planned on the sample after the stretch on air; a cue
    // made for Intro Scan goes when another mode is chosen.
    void CueNext();
    void FollowOn(bool breakAfter);
    void DropNext();
    bool TakeNext(const QString& path, bool retrying);
    TrackMs NextStartLatency() const;
    // A "~0" item whose follower needs a head start: the follower starts
    // while it plays out on the fading slot, without a fade.
    void FollowOnEarly();
    void StartError(const CException& error, const QString& path);
    // Ends a track: one that may block is closed on a thread of its own,
    // after its notifications have stopped.
    static void Dispose(std::unique_ptr<CMediaTrack> track);
    void StartFailed(const CException& error);
    // The audio output could not be opened or went away: path waits and is
    // retried with a growing back-off; the error run is not touched.
    void OutputUnavailable(const CException& error, const QString& path);
    void OutputLostOnAir(const CException& error);
    void OutputBack();
    void AirOutputChanged(bool up, const QString& why);
    // The two play-log lines of an outage, for the item outputs and the bus.
    void LogOutputGone(const QString& why);
    void LogOutputBack(qint64 goneMs);
    // Plans the next item's start on the air bus: after the last sample of
    // the item on air (at < 0) or where it reaches at.
    void PlanNextStart(TrackMs at);
    void CancelOutage();
    void OnAirEnded();
    // ended: it ended by itself (a start planned after it stays planned).
    void EndOnAir(bool ended = false);
    void EndFading();
    void MoveOnAirToFading();
    void StartFadeTimer();
    void OverlapToNext();
    void OverlapTick();
    qint64 OverlapOfOnAir() const;
    void FadeStep();
    void EventsTick();
    void ArmEventsTick();
    void WatchDogTick();
    void LevelTick();
    void ClearOnAir(bool cancelPlan = true);
    void SelectRandomRow();

    Seams m_seams;
    CViewSettings m_settings;
    std::unique_ptr<CMediaTrack> m_onAir;
    std::unique_ptr<CMediaTrack> m_fading;
    PlayerMode m_mode = PlayerMode::Normal;
    bool m_break = false;
    long m_overlapOverride = -1;
    int m_errorRun = 0;
    int m_controlRun = 0;
    bool m_startedUp = false;     // "startup" logged, "shutdown" not yet
    QStringList m_albumsThisPass; // albums opened since the last item started
    bool m_fadeTimerActive = false;
    bool m_joined = false;
    std::uint64_t m_overlapShotFor = 0; // the track a precise overlap start is armed for
    int m_fadeSteps = 0;
    int m_pendingCommands = 0;
    bool m_started = false;
    // Silence detector memory: the track watched and its last position
    // (-1 after a paused check); the track is only compared.
    std::uint64_t m_watchedTrack = 0;
    qint64 m_watchedPosition = -1;
    QElapsedTimer m_quietSince, m_stillSince; // the level alarm's
    std::uint64_t m_meterFrame = 0;
    bool m_stillReported = false;
    QString m_onAirText;
    QString m_previousText;
    // Audio output outage: the item waiting for the output, the next retry
    // delay and when the outage began.
    QString m_outagePath;
    int m_outageDelayMs = 0;
    QElapsedTimer m_outageClock;
    QElapsedTimer m_airDownClock; // running while the air bus has no output
    std::array<QBasicTimer, TimerLevel + 1> m_timers;
    // The item whose track is opening: its ticket, path and whether it is a
    // retry while the output was down. A result with another ticket is
    // disposed of.
    struct Opening
    {
        std::uint64_t ticket = 0;
        QString path;
        bool retrying = false;
        bool joined = false; // the cross fader's next item: starts silent, sliders joined
    };
    std::optional<Opening> m_opening;
    bool m_cueing = false; // Pause while stopped: pause the item once open
    struct StartAt
    {
        QString path;
        TrackMs ms = 0;
    } m_startAt; // StartItemAt's item and position, until that item opens
    // An item ended on a break: playback waits for the operator's Play, and
    // the item it starts is kept prepared; any start or Stop ends the halt.
    bool m_breakHalt = false;
    struct Next
    {
        QString path;
        std::uint64_t ticket = 0; // opening
        std::unique_ptr<CMediaTrack> track;
        std::unique_ptr<CException> error;
        std::optional<Range> cue; // the stretch the track was set to play
        bool uncued = false;      // it cannot be set to one: it is not planned
    };
    Next m_next;
    // Where the stretch of the item on air ends when it ends before the
    // item does (Intro Scan), in ms of the item; -1 none.
    qint64 m_onAirStretchEnd = -1;
    int m_randomPick = -1; // Random: the row drawn for the next start, kept once drawn
    // Finishes the openings that may wait; nothing arrives once it is gone.
    CTrackOpener m_opener{this};
};
