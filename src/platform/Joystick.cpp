// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Joystick.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <linux/input.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr unsigned kJoystickFirst = BTN_JOYSTICK; // 0x120, BTN_TRIGGER
constexpr unsigned kJoystickLast = 0x12f;         // BTN_DEAD
constexpr unsigned kGamepadFirst = BTN_GAMEPAD;   // 0x130, BTN_SOUTH
constexpr unsigned kGamepadLast = BTN_THUMBR;     // 0x13e
constexpr unsigned kHappyFirst = BTN_TRIGGER_HAPPY;
constexpr unsigned kHappyLast = BTN_TRIGGER_HAPPY40;

} // namespace

CJoystick::CJoystick(QObject* parent) : QObject(parent) {}

CJoystick::~CJoystick()
{
    for (auto& [name, source] : m_sources) {
        delete source.notifier;
        ::close(source.fd);
    }
}

int CJoystick::ButtonNumber(unsigned code)
{
    if (code >= kJoystickFirst && code <= kJoystickLast)
        return static_cast<int>(code - kJoystickFirst);
    if (code >= kGamepadFirst && code <= kGamepadLast)
        return static_cast<int>(code - kGamepadFirst);
    if (code >= kHappyFirst && code <= kHappyLast)
        return 16 + static_cast<int>(code - kHappyFirst);
    return -1;
}

void CJoystick::AddSource(int fd, const QString& name)
{
    CloseSource(name);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    Source& source = m_sources[name];
    source.fd = fd;
    source.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(source.notifier, &QSocketNotifier::activated, this, [this, name] { ReadSource(name); });
}

QStringList CJoystick::Sources() const
{
    QStringList names;
    for (const auto& entry : m_sources)
        names << entry.first;
    return names;
}

void CJoystick::ReadSource(const QString& name)
{
    auto it = m_sources.find(name);
    if (it == m_sources.end())
        return;
    Source& source = it->second;
    char buffer[sizeof(input_event) * 16];
    for (;;) {
        const ssize_t n = ::read(source.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) { // end of file, or the device went away (ENODEV)
            CloseSource(name);
            return;
        }
        source.pending.append(buffer, n);
        qsizetype used = 0;
        QList<int> pressed;
        while (source.pending.size() - used >= qsizetype(sizeof(input_event))) {
            input_event event;
            std::memcpy(&event, source.pending.constData() + used, sizeof event);
            used += sizeof event;
            if (event.type == EV_KEY && event.value == 1) {
                const int button = ButtonNumber(event.code);
                if (button >= 0)
                    pressed << button;
            }
        }
        source.pending.remove(0, used);
        // Receivers may add or close sources: emit after the bookkeeping.
        for (int button : pressed)
            emit ButtonPressed(button);
        if (m_sources.find(name) == m_sources.end())
            return;
    }
}

void CJoystick::CloseSource(const QString& name)
{
    auto it = m_sources.find(name);
    if (it == m_sources.end())
        return;
    it->second.notifier->setEnabled(false);
    it->second.notifier->deleteLater();
    ::close(it->second.fd);
    m_sources.erase(it);
    emit SourceClosed(name);
}

bool CJoystick::WatchDevices(const QString& dir)
{
    if (!QDir(dir).exists())
        return false;
    m_dir = dir;
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { Rescan(); });
    }
    if (!m_watcher->addPath(dir) && !m_watcher->directories().contains(dir))
        return false;
    Rescan();
    return true;
}

bool CJoystick::HasJoystickButtons(int fd)
{
    unsigned long bits[(KEY_MAX + 1) / (8 * sizeof(unsigned long)) + 1] = {};
    if (::ioctl(fd, EVIOCGBIT(EV_KEY, sizeof bits), bits) < 0)
        return false;
    auto has = [&](unsigned code) {
        return (bits[code / (8 * sizeof(unsigned long))] >> (code % (8 * sizeof(unsigned long)))) & 1UL;
    };
    for (unsigned code = kJoystickFirst; code <= kGamepadLast; ++code)
        if (has(code))
            return true;
    return false;
}

void CJoystick::Rescan()
{
    const QStringList nodes = QDir(m_dir).entryList({QStringLiteral("event*")}, QDir::System);
    for (const QString& node : nodes) {
        const QString path = m_dir + u'/' + node;
        if (m_sources.count(path))
            continue;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (HasJoystickButtons(fd))
            AddSource(fd, path);
        else
            ::close(fd);
    }
    // Removed nodes close themselves on their next read (ENODEV).
}
