// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include <QByteArray>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace ChildProcess {

pid_t SpawnPiped(const QString& program, const QStringList& args, const QStringList& env,
                 const QString& workDir, const QString& errPath, int* out)
{
    // Everything the child needs is made before the fork: after it, only
    // async-signal-safe calls.
    std::vector<QByteArray> store{program.toLocal8Bit()};
    for (const QString& a : args)
        store.push_back(a.toLocal8Bit());
    const size_t argc = store.size();
    for (const QString& e : env)
        store.push_back(e.toLocal8Bit());
    std::vector<char*> argv, envp;
    for (size_t i = 0; i < store.size(); ++i)
        (i < argc ? argv : envp).push_back(store[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const QByteArray dir = workDir.toLocal8Bit();
    const QByteArray err = errPath.isEmpty() ? QByteArray("/dev/null") : errPath.toLocal8Bit();
    const int errFlags = errPath.isEmpty() ? O_WRONLY : O_WRONLY | O_CREAT | O_TRUNC;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127); // the benchmark died before the line above
        ::dup2(fds[1], 1);
        const int errFd = ::open(err.constData(), errFlags, 0644);
        if (errFd >= 0)
            ::dup2(errFd, 2);
        if (::chdir(dir.constData()) != 0)
            ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return -1;
    }
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    *out = fds[0];
    return pid;
}

} // namespace ChildProcess
