// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ThreadPriority.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ThreadPriority {

namespace {

// Low among real-time threads (PulseAudio runs its own at 5, PipeWire at 88).
constexpr int kRealTimePriority = 10;
constexpr int kNice = -11;

// Raises thread tid (0: the caller).
QString Raise(pid_t tid)
{
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    if (::sched_setscheduler(tid, SCHED_RR | SCHED_RESET_ON_FORK, &param) == 0)
        return QStringLiteral("real-time round robin, priority %1").arg(kRealTimePriority);
    const int rr = errno;
    if (::setpriority(PRIO_PROCESS, id_t(tid == 0 ? ::syscall(SYS_gettid) : tid), kNice) == 0)
        return QStringLiteral("nice %1").arg(kNice);
    return QStringLiteral("normal (%1)").arg(QString::fromLocal8Bit(std::strerror(rr)));
}

} // namespace

QString RaiseForAudio()
{
    return Raise(0);
}

QString RaiseThread(int tid)
{
    return Raise(pid_t(tid));
}

void LowerThread(int tid)
{
    sched_param param{};
    ::sched_setscheduler(pid_t(tid), SCHED_OTHER | SCHED_RESET_ON_FORK, &param);
    ::setpriority(PRIO_PROCESS, id_t(tid), 0);
}

std::vector<int> Threads()
{
    std::vector<int> ids;
    const QStringList names = QDir(QStringLiteral("/proc/self/task"))
                                  .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names)
        ids.push_back(name.toInt());
    std::sort(ids.begin(), ids.end());
    return ids;
}

QStringList RaiseNewThreads(const std::vector<int>& before, const QByteArray& name)
{
    QStringList got;
    for (const int id : Threads()) {
        if (std::binary_search(before.begin(), before.end(), id))
            continue;
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(id));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            got << Raise(pid_t(id));
    }
    return got;
}

} // namespace ThreadPriority
