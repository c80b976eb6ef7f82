// SPDX-License-Identifier: GPL-3.0-or-later
// CTrackThread: the worker thread a track runs for its timing. The body gets
// a stop token and should return promptly once stop is requested.
//
// The destructor requests stop and waits at most 1000 ms for the body to
// return; then it joins. A body still running after that cannot be ended
// safely in C++, so the thread is detached and left to finish on its own.
// Hence the rule for every body: it may only touch state it co-owns through
// shared_ptr (timing fields, the track's CTrackNotifier), never the track
// object itself, which may be deleted while the body still runs.
#pragma once

#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

class CTrackThread
{
public:
    using Body = std::function<void(std::stop_token)>;

    // Starts the thread. Throws CWin32Exception when it cannot be created.
    explicit CTrackThread(Body body);
    ~CTrackThread();
    CTrackThread(const CTrackThread&) = delete;
    CTrackThread& operator=(const CTrackThread&) = delete;

    void RequestStop();
    // Waits up to timeoutMs for the body to return; true when it has.
    bool WaitFinished(int timeoutMs) const;
    bool IsFinished() const;

    static constexpr int DestroyTimeoutMs = 1000;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::jthread m_thread;
};
