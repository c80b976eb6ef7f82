// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminationWatcher.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the current watcher's pipe, -1 without one.
std::atomic<int> g_signalFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// Runs on whatever thread the kernel picks: only async-signal-safe calls.
void OnTerminationSignal(int signal)
{
    const int savedErrno = errno;
    const int fd = g_signalFd.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void OnFileSizeSignal(int) {}

// The saves under way, and the watcher waiting for them to end.
std::mutex g_saveMutex;
std::condition_variable g_saveEnded;
int g_savesInProgress = 0;

void SetHandler(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Other threads' system calls go on rather than fail with EINTR.
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

CSaveInProgress::CSaveInProgress()
{
    // Blocks for good once the watcher has decided to end the process.
    const std::lock_guard lock(g_saveMutex);
    ++g_savesInProgress;
}

CSaveInProgress::~CSaveInProgress()
{
    {
        const std::lock_guard lock(g_saveMutex);
        --g_savesInProgress;
    }
    g_saveEnded.notify_all();
}

void IgnoreFileSizeSignal()
{
    SetHandler(SIGXFSZ, OnFileSizeSignal);
}

CTerminationWatcher::CTerminationWatcher(int graceMs) : m_graceMs(graceMs)
{
    if (::pipe2(m_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0 || ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        std::perror("lirana: cannot watch for termination signals");
        return;
    }
    g_signalFd.store(m_signalPipe[1]);
    for (const int signal : kSignals)
        SetHandler(signal, OnTerminationSignal);
    m_thread = std::thread([this] { Run(); });
}

CTerminationWatcher::~CTerminationWatcher()
{
    for (const int signal : kSignals)
        SetHandler(signal, SIG_DFL);
    g_signalFd.store(-1);
    if (m_thread.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t n = ::write(m_stopPipe[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_signalPipe[0], m_signalPipe[1], m_stopPipe[0], m_stopPipe[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void CTerminationWatcher::Run()
{
    using Clock = std::chrono::steady_clock;
    int received = 0;
    Clock::time_point deadline;
    pollfd fds[2] = {{m_signalPipe[0], POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    for (;;) {
        int timeoutMs = -1;
        if (received) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & (POLLIN | POLLHUP)))
            return;
        if (ready == 0) {
            // Held until _exit: no save starts once this one has ended.
            std::unique_lock lock(g_saveMutex);
            g_saveEnded.wait(lock, [] { return g_savesInProgress == 0; });
            char text[128];
            const int length = std::snprintf(text, sizeof text,
                                             "lirana: still running %d ms after signal %d; ending now\n",
                                             m_graceMs, received);
            [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, static_cast<size_t>(length));
            const int status = m_exitStatus.load();
            ::_exit(status >= 0 ? status : 128 + received);
        }
        char byte = 0;
        while (::read(m_signalPipe[0], &byte, 1) == 1) {
            if (received)
                continue;
            received = static_cast<unsigned char>(byte);
            deadline = Clock::now() + std::chrono::milliseconds(m_graceMs);
            emit Requested(received);
        }
    }
}
