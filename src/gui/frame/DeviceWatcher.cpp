// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/DeviceWatcher.h"

#include <QDBusConnection>
#include <QDir>

CDeviceWatcher::CDeviceWatcher(const QString& dir, QObject* parent) : QObject(parent), m_dir(dir)
{
    m_drives = Scan();
    if (QDir(dir).exists())
        m_watcher.addPath(dir);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        const QStringList now = Scan();
        if (now != m_drives) {
            m_drives = now;
            emit DrivesChanged();
        }
    });
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        bus.connect(QStringLiteral("org.freedesktop.UDisks2"), QString(),
                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                    this, SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
}

bool CDeviceWatcher::IsMediaChange(const QString& interface, const QVariantMap& changed,
                                   const QStringList& invalidated)
{
    if (interface != u"org.freedesktop.UDisks2.Drive")
        return false;
    for (const char* key : {"MediaAvailable", "Media", "TimeMediaDetected"})
        if (changed.contains(QLatin1String(key)) || invalidated.contains(QLatin1String(key)))
            return true;
    return false;
}

void CDeviceWatcher::OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                         const QStringList& invalidated)
{
    if (IsMediaChange(interface, changed, invalidated))
        emit DrivesChanged();
}

QStringList CDeviceWatcher::Scan() const
{
    return QDir(m_dir).entryList({QStringLiteral("sr*"), QStringLiteral("cdrom*")},
                                 QDir::System | QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}
