// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundServer.h"

#include <QFile>
#include <QStringList>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

QString SoundServerSocketPath(const QString& address)
{
    QString first = address.trimmed().section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (first.isEmpty()) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        return runtime.isEmpty() ? QString() : QFile::decodeName(runtime) + QStringLiteral("/pulse/native");
    }
    // An address may name the host first ("{machine-id}unix:/path").
    if (first.startsWith(QLatin1Char('{')))
        first = first.section(QLatin1Char('}'), 1);
    if (first.startsWith(QLatin1String("unix:")))
        first = first.mid(5);
    return first.startsWith(QLatin1Char('/')) ? first : QString();
}

SoundServerKind IdentifySoundServer(const QString& socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path)
        return SoundServerKind::Unknown;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return SoundServerKind::Unknown;
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool known = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.pid > 0;
    ::close(fd);
    if (!known)
        return SoundServerKind::Unknown;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(peer.pid));
    if (!comm.open(QIODevice::ReadOnly))
        return SoundServerKind::Unknown;
    const QByteArray name = comm.readAll().trimmed();
    if (name.startsWith("pulseaudio"))
        return SoundServerKind::PulseAudio;
    if (name.startsWith("pipewire"))
        return SoundServerKind::PipeWire;
    return SoundServerKind::Unknown;
}
