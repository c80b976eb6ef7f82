// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/ServiceNotifier.h"

#include "onair/OnAirEngine.h"
#include "platform/Logging.h"
#include "playlist/ItemPath.h"
#include "station/Station.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

CServiceNotifier::CServiceNotifier(CStation& station, QObject* parent) : QObject(parent), m_station(station)
{
    const QByteArray path = qgetenv("NOTIFY_SOCKET");
    if (path.isEmpty() || (path[0] != '/' && path[0] != '@') ||
        size_t(path.size()) >= sizeof(sockaddr_un::sun_path))
        return;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (path[0] == '@')
        address.sun_path[0] = '\0'; // an abstract socket
    m_address = QByteArray(reinterpret_cast<const char*>(&address),
                           int(offsetof(sockaddr_un, sun_path) + size_t(path.size())));
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    // The watchdog is ours when no other process is named for it.
    bool ok = false;
    const qint64 usec = qEnvironmentVariable("WATCHDOG_USEC").toLongLong(&ok);
    const QByteArray pid = qgetenv("WATCHDOG_PID");
    if (ok && usec > 0 && (pid.isEmpty() || pid.toLongLong() == qint64(::getpid()))) {
        m_watchdogMs = int(std::clamp<qint64>(usec / 2000, 1, 3600 * 1000));
        m_watchdog.setInterval(m_watchdogMs);
        connect(&m_watchdog, &QTimer::timeout, this, &CServiceNotifier::Beat);
        m_watchdog.start();
    }
    connect(&station, &CStation::SlotsChanged, this, &CServiceNotifier::SlotsChanged, Qt::QueuedConnection);
    connect(&station, &CStation::TrackStarted, this, &CServiceNotifier::SlotsChanged, Qt::QueuedConnection);
}

CServiceNotifier::~CServiceNotifier()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CServiceNotifier::Send(const QByteArray& state)
{
    if (m_fd < 0)
        return false;
    const ssize_t sent = ::sendto(m_fd, state.constData(), size_t(state.size()), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(m_address.constData()),
                                  socklen_t(m_address.size()));
    if (sent == state.size())
        return true;
    qCWarning(lcEngine).noquote() << "the service manager cannot be told" << state.left(40) << ":"
                                  << qt_error_string(errno);
    return false;
}

void CServiceNotifier::ReadyIdle()
{
    if (m_fd < 0 || m_ready)
        return;
    m_ready = true;
    Send("READY=1\nSTATUS=Waiting: nothing on air");
}

void CServiceNotifier::Stopping()
{
    m_watchdog.stop();
    Send("STOPPING=1\nSTATUS=Shutting down");
}

void CServiceNotifier::SlotsChanged()
{
    if (m_fd < 0 || m_station.IsShutDown())
        return;
    const COnAirEngine& engine = m_station.Engine();
    const CMediaTrack* onAir = engine.OnAir();
    const QString status = onAir ? QStringLiteral("On air: ") + GetItemDisplayName(onAir->GetFileName())
                           : engine.IsIdle() ? QStringLiteral("Idle: nothing on air")
                                             : QString();
    QByteArray state;
    // On air, or gone idle after it tried: start-up is over either way.
    if (!m_ready && (onAir || (engine.HasStartedItems() && engine.IsIdle()))) {
        m_ready = true;
        state = "READY=1\n";
    }
    if (!status.isEmpty() && status != m_status) {
        m_status = status;
        state += "STATUS=" + status.toUtf8().replace('\n', ' ');
    }
    if (!state.isEmpty())
        Send(state);
}

void CServiceNotifier::Beat()
{
    if (m_station.IsShutDown())
        return;
    // A playing item must have moved since the last beat (or be another
    // item); paused, idle, opening or waiting for the output is no stall.
    const CMediaTrack* onAir = m_station.Engine().OnAir();
    if (onAir && onAir->IsPlaying()) {
        const qint64 position = onAir->GetPosition();
        const bool moved = onAir->Serial() != m_lastSerial || position != m_lastPosition;
        m_lastSerial = onAir->Serial();
        m_lastPosition = position;
        if (!moved) {
            if (!std::exchange(m_stalled, true))
                qCWarning(lcEngine).noquote() << "the item on air has not moved for" << m_watchdogMs
                                              << "ms: the service manager's watchdog is not fed";
            return;
        }
    } else {
        m_lastSerial = 0;
        m_lastPosition = -1;
    }
    m_stalled = false;
    Send("WATCHDOG=1");
}
