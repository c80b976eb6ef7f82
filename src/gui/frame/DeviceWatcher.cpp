#include "gui/frame/DeviceWatcher.h"

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
}

QStringList CDeviceWatcher::Scan() const
{
    return QDir(m_dir).entryList({QStringLiteral("sr*"), QStringLiteral("cdrom*")},
                                 QDir::System | QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}
