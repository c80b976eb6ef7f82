// TrackWork: the threads that open and close tracks off their owner's thread
// (a preroll, a length scan, a file on a hung network share, a sound server
// that is slow to let a stream go). Each job runs on a detached thread of its
// own; the process counts them so that it can end cleanly: at exit it waits
// a little for them, and a job still hung by then does not keep the process
// alive or run into its teardown.
// Thread: any.
#pragma once

#include <functional>
#include <memory>

class CMediaTrack;

namespace TrackWork {

// Runs job on a new detached thread. Throws CWin32Exception when no thread
// can be made.
void Run(std::function<void()> job);
// Waits at most timeoutMs for every job to end; true when none runs.
bool WaitIdle(int timeoutMs);
// The program's last step: returns status once the jobs have ended, or ends
// the process at once with status (after flushing stdout and stderr) when
// one is still hung after timeoutMs.
int FinishBeforeExit(int status, int timeoutMs = 1000);
// Closes track: here when its Close cannot wait, else on a job of its own
// after its owner is detached (here when no thread can be made).
void Dispose(std::unique_ptr<CMediaTrack> track);

} // namespace TrackWork
