// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/StationLock.h"

#include "platform/DataPaths.h"
#include "station/MprisService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CStationLock::~CStationLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

QString CStationLock::FilePath()
{
    return DataPaths::UserHiveFile() + QStringLiteral(".station");
}

std::unique_ptr<CStationLock> CStationLock::Take(QString* refusal)
{
    refusal->clear();
    const QString path = FilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Close-on-exec: a program a command item starts must not keep the
    // station's lock after the station has gone.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return std::unique_ptr<CStationLock>(new CStationLock(-1));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        char pid[32] = {};
        const ssize_t n = ::pread(fd, pid, sizeof pid - 1, 0);
        ::close(fd);
        if (error != EWOULDBLOCK)
            return std::unique_ptr<CStationLock>(new CStationLock(-1));
        const QString holder = n > 0 ? QString::fromLatin1(pid, int(n)).trimmed() : QString();
        *refusal = holder.isEmpty()
                       ? QStringLiteral("another station runs on these settings: %1")
                             .arg(DataPaths::UserHiveFile())
                       : QStringLiteral("another station runs on these settings (process %1): %2")
                             .arg(holder, DataPaths::UserHiveFile());
        return nullptr;
    }
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    // The lock holds without its text too; only the message would lose the id.
    [[maybe_unused]] const bool written = ::ftruncate(fd, 0) == 0 &&
                                          ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) == pid.size();
    return std::unique_ptr<CStationLock>(new CStationLock(fd));
}

bool CStationLock::RaiseRunningConsole()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage reply = bus.call(
        QDBusMessage::createMethodCall(CMprisService::BusNameFor(DataPaths::InstanceName()),
                                       QStringLiteral("/org/mpris/MediaPlayer2"),
                                       QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise")),
        QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage;
}
