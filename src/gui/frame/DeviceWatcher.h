// CDeviceWatcher: notices optical drives arriving and leaving (/dev/sr*,
// /dev/cdrom*) by watching the device folder, and reports a change of that
// set, standing in for the system's device-change broadcast. The frame
// answers it with the view's CD name refresh (the Update CD Names command).
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>

class CDeviceWatcher : public QObject
{
    Q_OBJECT

public:
    explicit CDeviceWatcher(const QString& dir = QStringLiteral("/dev"), QObject* parent = nullptr);

    QStringList Drives() const { return m_drives; }

signals:
    void DrivesChanged();

private:
    QStringList Scan() const;

    QString m_dir;
    QStringList m_drives;
    QFileSystemWatcher m_watcher;
};
