// SPDX-License-Identifier: GPL-3.0-or-later
// CTerminationWatcher: the program's answer to SIGTERM, SIGINT and SIGHUP
// (a logout, a system shutdown, `systemctl stop`, Ctrl+C, a closed
// terminal). A thread of its own receives them, so a main thread that is
// stuck (a media open waiting on a silent network share) cannot hide them:
//  1. the first signal emits Requested(signal), queued to the main thread,
//     where the front end runs its ordinary ordered shutdown;
//  2. if the watcher still exists GraceMs after that signal, the main thread
//     is stuck, and the watcher ends the process itself with _exit, after
//     one line on stderr: with 128 + signal, or with the status the front
//     end set once its ordered shutdown had saved everything. A settings
//     save under way then (a CSaveInProgress alive) is waited for first, so
//     a save is never cut off half-way; none starts after that.
// Further signals during the grace period are ignored: a logout often sends
// SIGHUP and SIGTERM together, and the first one's shutdown must not be cut.
// The owner (main) destroys the watcher once the front end has finished;
// from then on the signals have their default action again.
// One watcher per process. Made and destroyed on the main thread; the
// signal arrives on the watcher's thread.
#pragma once

#include <QObject>

#include <atomic>
#include <thread>

class CTerminationWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int GraceMs = 800;

    // Installs the handlers and starts the thread.
    explicit CTerminationWatcher(int graceMs = GraceMs);
    // Restores the default actions and ends the thread.
    ~CTerminationWatcher() override;

    CTerminationWatcher(const CTerminationWatcher&) = delete;
    CTerminationWatcher& operator=(const CTerminationWatcher&) = delete;

    // The status of a forced end from here on: the front end has done what
    // its shutdown must do, only the teardown remains. Any thread.
    void SetExitStatus(int status) { m_exitStatus.store(status); }

signals:
    // Emitted on the watcher's thread: connect with a receiver on the main
    // thread, so that the slot runs there (queued).
    void Requested(int signal);

private:
    void Run();

    int m_graceMs;
    std::atomic<int> m_exitStatus{-1}; // -1: 128 + signal
    int m_signalPipe[2] = {-1, -1};    // written by the signal handler
    int m_stopPipe[2] = {-1, -1};      // written by the destructor
    std::thread m_thread;
};

// Held for as long as a settings save runs (making its changes and writing
// the file): a watcher whose grace has run out ends the process only once
// no save is under way, and a save that would start after that waits for
// the end instead. Nests; any thread.
class CSaveInProgress
{
public:
    CSaveInProgress();
    ~CSaveInProgress();
    CSaveInProgress(const CSaveInProgress&) = delete;
    CSaveInProgress& operator=(const CSaveInProgress&) = delete;
};

// A file-size limit (`ulimit -f`) must make a write fail, not end the
// program: SIGXFSZ gets a handler that does nothing, so the write returns
// EFBIG and its caller reports it. A handler rather than SIG_IGN, because an
// ignored signal stays ignored in the programs the console starts (command
// items, tools), while a handled one is reset to its default by exec.
void IgnoreFileSizeSignal();
