// SPDX-License-Identifier: GPL-3.0-or-later
// The station as a service the service manager watches (systemd's
// Type=notify): one datagram per state to the socket NOTIFY_SOCKET names.
//   READY=1      once, when the station is on air (or starts with nothing to
//                play by design: waiting for its events or an operator);
//   STATUS=...   what is on air, at every start and when the air is idle;
//   WATCHDOG=1   every half of WATCHDOG_USEC, sent from the station's own
//                thread (a held thread sends none) and only while the item
//                on air moves: a playing item whose position stood still
//                since the last beat withholds it, so the manager restarts
//                a station whose output stalled;
//   STOPPING=1   at shutdown.
// Without NOTIFY_SOCKET it does nothing. No libsystemd: the protocol is one
// sendto() of text to a Unix datagram socket (a leading '@' names an
// abstract one).
// Thread: the station's.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

class CStation;

class CServiceNotifier : public QObject
{
    Q_OBJECT

public:
    // Reads NOTIFY_SOCKET, WATCHDOG_USEC and WATCHDOG_PID now.
    explicit CServiceNotifier(CStation& station, QObject* parent = nullptr);
    ~CServiceNotifier() override;

    bool IsActive() const { return m_fd >= 0; }
    // Start-up is over and nothing will start by itself: ready as it is.
    void ReadyIdle();
    void Stopping();
    // The watchdog's beat in ms; 0: no watchdog.
    int WatchdogMs() const { return m_watchdogMs; }

    // Sends one state text; false when it could not be sent.
    bool Send(const QByteArray& state);

private:
    void SlotsChanged();
    void Beat();

    CStation& m_station;
    int m_fd = -1;
    QByteArray m_address; // sockaddr_un
    int m_watchdogMs = 0;
    QTimer m_watchdog;
    bool m_ready = false;
    QString m_status;
    // The item on air at the last beat and its position then.
    std::uint64_t m_lastSerial = 0;
    qint64 m_lastPosition = -1;
    bool m_stalled = false; // told once until it moves again
};
