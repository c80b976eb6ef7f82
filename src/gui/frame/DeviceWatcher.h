// SPDX-License-Identifier: GPL-3.0-or-later
// CDeviceWatcher: notices optical drives arriving and leaving (/dev/sr*,
// /dev/cdrom*) by watching the device folder, and discs inserted into or
// taken out of a drive through UDisks2 on the system bus (a new disc makes
// no new device node), standing in for the system's device-change
// broadcast. Without a system bus discs are not watched. The frame answers
// either change with the view's CD name refresh (the Update CD Names
// command).
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class CDeviceWatcher : public QObject
{
    Q_OBJECT

public:
    explicit CDeviceWatcher(const QString& dir = QStringLiteral("/dev"), QObject* parent = nullptr);

    QStringList Drives() const { return m_drives; }

    // Whether a UDisks2 property change is a disc coming or going.
    static bool IsMediaChange(const QString& interface, const QVariantMap& changed,
                              const QStringList& invalidated);

signals:
    // A drive came or went, or a drive's disc did.
    void DrivesChanged();

private slots:
    void OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    QStringList Scan() const;

    QString m_dir;
    QStringList m_drives;
    QFileSystemWatcher m_watcher;
};
