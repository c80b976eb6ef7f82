// SPDX-License-Identifier: GPL-3.0-or-later
// The priority of the threads that keep the air going (the air bus's mixer
// and its output's streaming thread): above the rest of the machine, so a
// busy machine makes the console slow, never the air drop out. Each tries
// in turn what the process may do: real-time round robin at a low
// real-time priority (root, CAP_SYS_NICE or an RLIMIT_RTPRIO that allows
// it), else a nicer value (an RLIMIT_NICE that allows it), else nothing.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace ThreadPriority {

// For the calling thread. What it got, for the diagnostics: "real-time
// round robin, priority 10", "nice -11", or "normal (<why>)".
QString RaiseForAudio();

// Raises thread `tid` of this process as RaiseForAudio does the caller.
QString RaiseThread(int tid);
// Puts thread `tid` of this process back to the ordinary priority.
void LowerThread(int tid);

// The ids of this process's threads.
std::vector<int> Threads();

// Raises as RaiseForAudio does each thread of this process named `name`
// that is not in `before` (a library's thread that carries the air, made
// by a call between the two). What it got for each, for the diagnostics;
// empty when there was none.
QStringList RaiseNewThreads(const std::vector<int>& before, const QByteArray& name);

} // namespace ThreadPriority
