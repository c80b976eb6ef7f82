// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ThreadPriority.h"

#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ThreadPriority {

namespace {

// Low among real-time threads: the sound server's own run at 20 and more.
constexpr int kRealTimePriority = 10;
constexpr int kNice = -11;

} // namespace

QString RaiseForAudio()
{
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    const int rr = pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &param);
    if (rr == 0)
        return QStringLiteral("real-time round robin, priority %1").arg(kRealTimePriority);
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    if (::setpriority(PRIO_PROCESS, tid, kNice) == 0)
        return QStringLiteral("nice %1").arg(kNice);
    return QStringLiteral("normal (%1)").arg(QString::fromLocal8Bit(std::strerror(rr)));
}

} // namespace ThreadPriority
