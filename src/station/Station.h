// SPDX-License-Identifier: GPL-3.0-or-later
// CStation: the station core. It owns the master playlist, the album
// document, the play log, the event scheduler and the on-air engine, wires
// them to each other, to the person (the user-interface seam, also the one
// the tracks use) and to the shell, and runs the document's and the engine's
// commands. The console, the headless runner, the tests and every later
// front end create one CStation and are thin clients of it: they show its
// state, forward commands and call the start-up and shutdown steps in their
// own order.
//
// No widgets. Only one station exists at a time (the tracks' user-interface
// seam is process-wide).
// Thread: the thread that owns it, which runs its event loop.
#pragma once

#include "app/CommandTarget.h"
#include "media/AirStream.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "playlist/SoundList.h"

#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CEventScheduler;
class CLiranaDoc;
class CNowPlayingFeed;
class CPlaylist;
class Clock;
class Shell;
class SystemRestart;
class UserInterface;

class CStation : public QObject, public CommandTarget
{
    Q_OBJECT

public:
    struct Options
    {
        UserInterface* ui = nullptr;            // required: messages and questions
        Shell* shell = nullptr;                 // null = the system shell
        Clock* clock = nullptr;                 // null = the system clock (log, events)
        COnAirEngine::TrackFactory createTrack; // empty = the real tracks
        std::function<int()> random;            // empty = the C library's rand()
        SystemRestart* restart = nullptr;       // null = logind
        CPlayLog::Sink logSink;                 // also receives every log line; may be empty
        bool unattended = false;                // no person at the desk (COnAirEngine::Seams)
        // Whether a run that shut down cleanly is resumed too (the headless
        // runner: yes); unset: the "ResumeAfterRestart" setting decides.
        std::optional<bool> resumeAfterRestart{};
        // The fallback album in place of the "FallbackAlbum" setting; empty:
        // the setting's.
        QString fallbackAlbum{};
    };

    explicit CStation(Options options, QObject* parent = nullptr);
    ~CStation() override;

    // Reads the plug-in chains, the engine's settings, the events (expired
    // ones are dropped) and the sound slots from the user hive.
    void LoadSettings();
    // Loads the playback plug-ins (real tracks only), logs "startup" and
    // arms the engine's timers.
    void Startup();
    // Logs "shutdown", stops playback and, with saveSettings, stores the
    // engine's settings, the events and the sound slots. Once; later calls
    // do nothing.
    void Shutdown(bool saveSettings);
    bool IsShutDown() const { return m_shutDown; }
    // Stores the engine's settings, the events and the sound slots (the end
    // of a desktop session) and stops what is on air; the station keeps
    // running.
    void SaveSettingsAndStop();
    // The plug-in chain and the air chain back to the hive (the console does it on exit).
    static void SavePlugInChain();

    // The air-check and the streams made again from the settings (after
    // the Recording or Streaming page changed them); nothing before
    // Startup or with the test's tracks.
    void RestartAirTap();
    // The loudness target read again and put to work (or off).
    void RestartLoudness();
    // Each running stream's name (its mount when it has none) and state,
    // in the order of the settings' enabled streams.
    std::vector<std::pair<QString, CAirStream::State>> StreamStates() const;
    // A row's integrated loudness (LUFS) once measured, while a loudness
    // target is set; nothing before, or for what is not measured.
    std::optional<double> LoudnessOf(const QString& row) const;

    // The rows to play: one list file (".alb", ".mpl", ".m3u") is opened as
    // the album, any other items become the rows of a new album with the
    // first selected. False when the album could not be opened (the person
    // has been told why).
    bool OpenItems(const QStringList& items);
    // True when the album is empty and no enabled event can fill it.
    bool HasNothingToPlay() const;

    // After a run that left its resume record (it ended without shutting
    // down, or it shut down with an item on air): when the record names the
    // open album (the same album file, or the same rows given one by one)
    // the row that was on air is selected in the mode of then and its item
    // plays on from the recorded position, after a crash with
    // "ResumeAfterCrash", after a clean shutdown when the station resumes
    // after a restart (Options::resumeAfterRestart); the play log says
    // which. With openRecordedAlbum the recorded album file is opened first
    // when another is open. Any other album starts fresh and the record is
    // dropped. Called once, after Startup. True when an item was started.
    bool ResumeAfterCrash(bool openRecordedAlbum);
    // Drops the resume record: this start begins where its album does.
    static void StartFresh();

    // The album that plays in Repeat when the air would fall silent, as an
    // absolute path; empty: none. Whether it is playing now.
    QString FallbackAlbum() const;
    bool InFallback() const { return m_inFallback; }

    CPlaylist& Playlist() const { return *m_playlist; }
    CLiranaDoc& Document() const { return *m_document; }
    CPlayLog& Log() const { return *m_log; }
    CEventScheduler& Scheduler() const { return *m_scheduler; }
    COnAirEngine& Engine() const { return *m_engine; }
    // The sound buttons' nine slots.
    CSoundList& Sounds() { return m_sounds; }
    const CSoundList& Sounds() const { return m_sounds; }
    UserInterface& Ui() const { return *m_ui; }
    Shell& SystemShell() const { return *m_shell; }
    // The name of a track as the station shows it on air: "Artist - Title"
    // once its file's tags are read, else its display name.
    QString TitleOf(const CMediaTrack& track) const;

    // CommandTarget: the commands of the document and engine layers of the
    // command table; nothing for the others.
    bool OnCommand(int id) override;
    std::optional<CommandState> OnUpdateCommand(int id) const override;

signals:
    // The on-air or fading slot changed: on air, next and the count-down.
    void SlotsChanged();
    // A new item went on air: the position starts again.
    void TrackStarted();
    // One play-log entry, formatted as in the log file (without line end).
    void LogEntry(const QString& line);
    // A row's loudness became known (LoudnessOf).
    void LoudnessMeasured(const QString& row);

private:
    void SaveSounds() const;
    // An item went on air: the resume record and the now-playing file.
    void ItemStarted();
    // The resume record of now (clean: written by a shutdown); nothing on
    // air removes it.
    void WriteResumePoint(bool clean = false);
    // The engine would fall silent: the fallback album plays (once: a
    // fallback that falls silent itself ends with an error line).
    void FallBack(const QString& reason);
    // After a change of the slots: an operator's Stop or another album
    // ends the fallback.
    void WatchFallback();
    void EndFallback();
    // The air-check as the settings say (none when off), recording the bus.
    void StartAirTap();
    void StopAirTap();
    void SetStreamTitle(const QString& artist, const QString& title);
    std::function<void(const QString&)> TapNotice(const QString& kind, const QString& prefix, bool message);

    UserInterface* m_ui;
    Shell* m_shell;
    std::unique_ptr<CPlaylist> m_playlist;
    std::unique_ptr<CPlayLog> m_log;
    std::unique_ptr<CLiranaDoc> m_document;
    std::unique_ptr<CEventScheduler> m_scheduler;
    std::unique_ptr<COnAirEngine> m_engine;
    CSoundList m_sounds;
    bool m_started = false;
    bool m_shutDown = false;
    bool m_realTracks = false; // no track factory given: GStreamer's tracks
    QTimer m_resumeTimer;      // rewrites the resume record while on air
    std::unique_ptr<CNowPlayingFeed> m_nowPlaying;
    std::shared_ptr<class CAirCheck> m_airCheck;
    std::vector<std::shared_ptr<class CAirStream>> m_streams;
    // Loudness (a target set): the figures, their scanner and the air's
    // limiter.
    void StartLoudness();
    void StopLoudness();
    void RequestLoudness();
    std::shared_ptr<class CLoudnessCache> m_loudnessCache;
    std::unique_ptr<class CLoudnessScanner> m_loudnessScanner;
    QHash<QString, double> m_loudness;     // by the scanner's clean absolute path
    QString m_streamArtist, m_streamTitle; // what the streams show
    QString m_fileError;                   // the last write failure told to the diagnostics
    std::optional<bool> m_resumeAfterRestart;
    QString m_fallbackAlbum;   // Options::fallbackAlbum
    bool m_inFallback = false; // the fallback album is the album and plays
    QString m_fallbackPlaying; // its path while it does
    PlayerMode m_modeBeforeFallback = PlayerMode::Normal;
};
