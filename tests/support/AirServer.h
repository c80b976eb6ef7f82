// SPDX-License-Identifier: GPL-3.0-or-later
// A private sound server for one test, configured like a stock desktop's:
// a null sink "air" as the default sink, listening only on its unix socket
// in a folder (mode 700) below the test's temporary root, and remembering
// the last volume of each application's stream for its next stream.
//
// Two kinds, both started by tests/support/airserver.sh:
// - PulseAudio: `pulseaudio -n` with module-stream-restore
//   (restore_device=false), the sink at 44.1 kHz;
// - PipeWire: pipewire, WirePlumber (which restores stream volumes) and
//   pipewire-pulse with a session bus of their own, the sink at 48 kHz.
// The script stops the server once the test process has ended, however it
// ended. Stop() and the destructor end the server by its pids (never by
// name) and restore the environment. Kill() ends it at once as a crash would;
// Restart() brings it back on the same socket with its stored state.
//
// While started, this process's environment points at it (PULSE_SERVER,
// XDG_RUNTIME_DIR, PULSE_CLIENTCONFIG with autospawn off), so GStreamer's
// pulse elements, ALSA's "pulse"/"default" devices and child processes
// started afterwards all play into "air". Use from the test's main thread.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

class AirServer
{
public:
    enum class Kind { PulseAudio, PipeWire };

    AirServer() = default;
    ~AirServer() { Stop(); }
    AirServer(const AirServer&) = delete;
    AirServer& operator=(const AirServer&) = delete;

    static const char* KindName(Kind kind) { return kind == Kind::PipeWire ? "PipeWire" : "PulseAudio"; }
    // Test names and messages show the kind by name.
    friend void PrintTo(Kind kind, std::ostream* os) { *os << KindName(kind); }

    // Empty when the programs and GStreamer's pulse elements the kind needs
    // are there; otherwise why not (the reason for a skipped test).
    static QString Missing(Kind kind = Kind::PulseAudio);

    // Starts the server in fresh folders (stopping one this object runs)
    // and waits until it answers (at most 10 s).
    bool Start(QString* error, Kind kind = Kind::PulseAudio);
    void Stop();
    // Ends the server with SIGKILL by its pids; folders, socket path, the
    // stored stream volumes and the environment stay for Restart().
    void Kill();
    // Starts the server again in the same folders, on the same socket
    // (killing it first if it runs).
    bool Restart(QString* error);
    bool Running() const { return m_pid > 0; }

    Kind ServerKind() const { return m_kind; }
    // How much of the end of a stream the server may leave unplayed, in
    // seconds: PipeWire plays whole graph cycles only (2048 frames at
    // 48 kHz here), so up to one cycle of an item's tail never sounds;
    // PulseAudio plays everything.
    double StreamEndLoss() const { return m_kind == Kind::PipeWire ? 2048.0 / 48000.0 : 0.0; }
    // The process clients talk to: pulseaudio, or pipewire-pulse.
    qint64 Pid() const { return m_pid; }

    // Runs pactl against this server; its standard output, or nullopt when
    // it fails or takes longer than 5 s.
    std::optional<QString> Pactl(const QStringList& args) const;

    // The last lines of the server's logs, for failure messages.
    QString LogTail(int lines = 20) const;

private:
    bool Launch(QString* error);
    bool RunScript(const QString& command, QString* error) const;

    Kind m_kind = Kind::PulseAudio;
    QString m_root;
    qint64 m_pid = 0;
    QProcessEnvironment m_env; // as it was before Start()
};
