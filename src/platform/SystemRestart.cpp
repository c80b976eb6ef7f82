// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemRestart.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

namespace {

class LogindRestart : public SystemRestart
{
public:
    bool RequestRestart(QString* error) override
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected()) {
            if (error)
                *error = QCoreApplication::translate("SystemRestart", "no system bus: %1")
                             .arg(bus.lastError().message());
            return false;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Reboot"));
        call << false; // not interactive: no password prompt holds it up
        const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            if (error)
                *error = reply.errorMessage();
            return false;
        }
        return true;
    }
};

} // namespace

SystemRestart& SystemRestart::System()
{
    static LogindRestart restart;
    return restart;
}
