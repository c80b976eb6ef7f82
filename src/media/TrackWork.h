// SPDX-License-Identifier: GPL-3.0-or-later
// TrackWork: the threads that open and close tracks off their owner's thread
// (a preroll, a length scan, a file on a hung network share, a sound server
// that is slow to let a stream go). Each job runs on a detached thread of its
// own; the process counts them so that it can end cleanly: at exit it waits
// a little for them, and a job still hung by then does not keep the process
// alive or run into its teardown.
// Thread: any.
#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class CException;
class CMediaTrack;
class QObject;

namespace TrackWork {

// Runs job on a new detached thread. Throws CWin32Exception when no thread
// can be made.
void Run(std::function<void()> job);
// Waits at most timeoutMs for every job to end; true when none runs.
bool WaitIdle(int timeoutMs);
// The program's last step: returns status once the jobs have ended, or ends
// the process at once with status (after flushing stdout and stderr) when
// one is still hung after timeoutMs. The wait stays well inside the 800 ms
// a termination signal allows the whole shutdown: a tag reading or a close
// still under way then must not turn a clean end into the watchdog's.
int FinishBeforeExit(int status, int timeoutMs = 400);
// Closes track: here when its Close cannot wait, else on a job of its own
// after its owner is detached (here when no thread can be made).
void Dispose(std::unique_ptr<CMediaTrack> track);

} // namespace TrackWork

// The end of an opening finished on a job, on its way to the receiver: the
// track, or the error (the track then closed). A track nobody took is closed
// with the event.
class CTrackOpenedEvent : public QEvent
{
public:
    static constexpr QEvent::Type Kind = static_cast<QEvent::Type>(QEvent::User + 0x112);
    CTrackOpenedEvent(std::uint64_t ticket, std::unique_ptr<CMediaTrack> track,
                      std::unique_ptr<CException> error);
    ~CTrackOpenedEvent() override;
    CTrackOpenedEvent(const CTrackOpenedEvent&) = delete;
    CTrackOpenedEvent& operator=(const CTrackOpenedEvent&) = delete;

    std::uint64_t ticket;
    std::unique_ptr<CMediaTrack> track;
    std::unique_ptr<CException> error;
};

// Finishes, on jobs of their own, the openings its receiver began (BeginOpen
// with no owner) and posts each result to the receiver as a
// CTrackOpenedEvent carrying the ticket Finish returned. Nothing is posted
// after the opener is gone, so the receiver keeps it as a member.
// Thread: the receiver's.
class CTrackOpener
{
public:
    explicit CTrackOpener(QObject* receiver);
    ~CTrackOpener();
    CTrackOpener(const CTrackOpener&) = delete;
    CTrackOpener& operator=(const CTrackOpener&) = delete;

    // Throws CWin32Exception when no thread can be made (the track closed).
    std::uint64_t Finish(std::unique_ptr<CMediaTrack> track);

private:
    struct Mailbox
    {
        std::mutex mutex;
        QObject* receiver = nullptr;
    };
    std::shared_ptr<Mailbox> m_mailbox;
    std::uint64_t m_lastTicket = 0;
};
