// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackWork.h"

#include "media/TrackEnvironment.h"
#include <QCoreApplication>

#include "media/MediaTrack.h"

#include "platform/Exception.h"
#include "platform/PostEvent.h"

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
    if (WaitIdle(timeoutMs)) {
        CTrackEnvironment::ReleaseAirBus(); // the air's last sound plays out
        return status;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

void TrackWork::Dispose(std::unique_ptr<CMediaTrack> track)
{
    if (!track)
        return;
    if (!track->CloseMayBlock()) {
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

// ------------------------------------------------------------ openings on jobs

CTrackOpenedEvent::CTrackOpenedEvent(std::uint64_t t, std::unique_ptr<CMediaTrack> tr,
                                     std::unique_ptr<CException> err)
    : QEvent(Kind), ticket(t), track(std::move(tr)), error(std::move(err))
{
}

CTrackOpenedEvent::~CTrackOpenedEvent()
{
    TrackWork::Dispose(std::move(track));
}

CTrackOpener::CTrackOpener(QObject* receiver) : m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->receiver = receiver;
}

CTrackOpener::~CTrackOpener()
{
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->receiver = nullptr;
}

std::uint64_t CTrackOpener::Finish(std::unique_ptr<CMediaTrack> track)
{
    const std::uint64_t ticket = ++m_lastTicket;
    // The track travels with the job and then with the event; whoever holds
    // it last closes a track nobody took.
    auto pending = std::make_shared<std::unique_ptr<CMediaTrack>>(std::move(track));
    TrackWork::Run([mailbox = m_mailbox, ticket, pending] {
        std::unique_ptr<CException> error;
        try {
            (*pending)->FinishOpen();
        } catch (const CException& e) {
            error = e.Clone();
        } catch (...) {
            error = std::make_unique<CMessageException>(
                QCoreApplication::translate("TrackOpening", "The item cannot be opened"));
        }
        // An event, not a queued call: Qt may destroy a queued call's functor
        // on this thread after the receiver ran it, while an event is deleted
        // on the receiver's thread.
        std::lock_guard lock(mailbox->mutex);
        if (mailbox->receiver)
            platform::PostEvent(mailbox->receiver,
                                new CTrackOpenedEvent(ticket, std::move(*pending), std::move(error)));
    });
    return ticket;
}
