#include "media/TrackWork.h"
#include <QCoreApplication>

#include "media/MediaTrack.h"

#include "platform/Exception.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

struct Counter
{
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
};

// Never destroyed: a hung job may still reach it while the process ends.
Counter& Jobs()
{
    static Counter* counter = new Counter;
    return *counter;
}

} // namespace

void TrackWork::Run(std::function<void()> job)
{
    Counter& jobs = Jobs();
    {
        std::lock_guard lock(jobs.mutex);
        ++jobs.running;
    }
    try {
        std::thread([job = std::move(job), &jobs]() mutable {
            try {
                job();
            } catch (...) {
                // A job reports through its owner; nothing may escape a thread.
            }
            job = nullptr; // what it captured goes before it counts as ended
            std::lock_guard lock(jobs.mutex);
            if (--jobs.running == 0)
                jobs.idle.notify_all();
        }).detach();
    } catch (const std::system_error& e) {
        std::lock_guard lock(jobs.mutex);
        --jobs.running;
        throw CWin32Exception(e.code().value(), QCoreApplication::translate(
                                                    "TrackThread", "Cannot start a track worker thread"));
    }
}

bool TrackWork::WaitIdle(int timeoutMs)
{
    Counter& jobs = Jobs();
    std::unique_lock lock(jobs.mutex);
    return jobs.idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return jobs.running == 0; });
}

int TrackWork::FinishBeforeExit(int status, int timeoutMs)
{
    if (WaitIdle(timeoutMs))
        return status;
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

void TrackWork::Dispose(std::unique_ptr<CMediaTrack> track)
{
    if (!track)
        return;
    if (!track->MayBlock()) {
        track.reset();
        return;
    }
    track->DetachOwner();
    auto closing = std::make_shared<std::unique_ptr<CMediaTrack>>(std::move(track));
    try {
        Run([closing] { closing->reset(); });
    } catch (const CException&) {
        closing->reset(); // no thread to spare: closed here
    }
}
