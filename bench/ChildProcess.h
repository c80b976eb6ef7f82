// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Starting the real program from a benchmark: its standard output comes
// through a pipe, its standard error goes to a file, and it dies with the
// benchmark.
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace ChildProcess {

// Starts program with args in workDir, with exactly env as its environment.
// Its standard output is the read end *out (non-blocking, close-on-exec);
// its standard error goes to errPath (/dev/null when empty). The child is
// killed when this process dies. Returns the child's pid, or -1 with *out
// untouched.
pid_t SpawnPiped(const QString& program, const QStringList& args, const QStringList& env,
                 const QString& workDir, const QString& errPath, int* out);

} // namespace ChildProcess
