// SPDX-License-Identifier: GPL-3.0-or-later
// CJoystick: joystick and gamepad buttons from Linux evdev. It reads
// `struct input_event` records from device nodes (/dev/input/event*) or from
// any file descriptor a caller adds (a pipe in tests), and reports each button
// press (EV_KEY, value 1) as a button number n: BTN_TRIGGER.. (joysticks) and
// BTN_SOUTH.. (gamepads) count from 0, BTN_TRIGGER_HAPPY1.. from 16. Releases,
// auto-repeats and other keys are ignored. With a device folder watched, nodes
// that come and go are opened and closed (hot-plug); having none is fine.
// Thread: the thread that owns the object (socket notifiers).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <map>
#include <memory>

class QFileSystemWatcher;
class QSocketNotifier;

class CJoystick : public QObject
{
    Q_OBJECT

public:
    explicit CJoystick(QObject* parent = nullptr);
    ~CJoystick() override;

    // The button number of an evdev key code, -1 for codes that are no
    // joystick or gamepad button.
    static int ButtonNumber(unsigned code);

    // Reads records from fd until end of file or an error; takes ownership
    // (closes it then and at destruction). name identifies the source.
    void AddSource(int fd, const QString& name);
    // Opens every joystick-like node of dir now and whenever dir changes.
    // False when dir cannot be watched (no /dev/input: nothing to do).
    bool WatchDevices(const QString& dir = QStringLiteral("/dev/input"));
    // The sources now open, by name.
    QStringList Sources() const;

signals:
    void ButtonPressed(int button);
    void SourceClosed(const QString& name);

private:
    struct Source
    {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
        QByteArray pending; // a partial record from the last read
    };
    void ReadSource(const QString& name);
    void CloseSource(const QString& name);
    void Rescan();
    static bool HasJoystickButtons(int fd);

    std::map<QString, Source> m_sources;
    QFileSystemWatcher* m_watcher = nullptr;
    QString m_dir;
};
