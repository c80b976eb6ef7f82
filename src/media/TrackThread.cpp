// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackThread.h"
#include <QCoreApplication>

#include "platform/Exception.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

struct CTrackThread::Shared
{
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
};

CTrackThread::CTrackThread(Body body) : m_shared(std::make_shared<Shared>())
{
    // The thread function owns the body and its own reference to Shared, so a
    // detached thread never reaches into this object.
    try {
        m_thread = std::jthread([shared = m_shared, body = std::move(body)](std::stop_token stop) {
            try {
                body(stop);
            } catch (...) {
                // Workers post their errors; nothing may escape a thread.
            }
            std::lock_guard lock(shared->mutex);
            shared->finished = true;
            shared->finishedChanged.notify_all();
        });
    } catch (const std::system_error& e) {
        throw CWin32Exception(e.code().value(), QCoreApplication::translate(
                                                    "TrackThread", "Cannot start a track worker thread"));
    }
}

CTrackThread::~CTrackThread()
{
    m_thread.request_stop();
    if (WaitFinished(DestroyTimeoutMs))
        m_thread.join();
    else
        m_thread.detach();
}

void CTrackThread::RequestStop()
{
    m_thread.request_stop();
}

bool CTrackThread::WaitFinished(int timeoutMs) const
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->finishedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                              [this] { return m_shared->finished; });
}

bool CTrackThread::IsFinished() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->finished;
}
