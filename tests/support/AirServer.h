// A private PulseAudio server for one test: its own runtime and home folder
// (mode 700) below the test's temporary root, a null sink "air" at 44.1 kHz
// as the default sink, listening only on its unix socket.
//
// The server runs in the foreground as a child of the test process (not
// -D) with a parent-death signal, so it ends with a test process that
// crashes or is killed by a timeout. Stop() and the destructor end it by its
// pid (SIGTERM, then SIGKILL after 5 s) and restore the environment.
//
// While started, this process's environment points at it (PULSE_SERVER,
// XDG_RUNTIME_DIR, PULSE_CLIENTCONFIG with autospawn off), so GStreamer's
// pulse elements, ALSA's "pulse"/"default" devices and child processes
// started afterwards all play into "air". Use from the test's main thread.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QProcess;

class AirServer {
public:
    AirServer() = default;
    ~AirServer();
    AirServer(const AirServer&) = delete;
    AirServer& operator=(const AirServer&) = delete;

    // Empty when pulseaudio, pactl and GStreamer's pulse elements are
    // there; otherwise why not (the reason for a skipped test).
    static QString Missing();

    // Starts the server and waits until it answers (at most 10 s).
    bool Start(QString* error);
    void Stop();
    bool Running() const { return m_pid > 0; }

    qint64 Pid() const { return m_pid; }
    // The pid the server wrote into <runtime>/pulse/pid; 0 when unreadable.
    qint64 PidFromFile() const;
    QString RuntimeDir() const { return m_runtime; }
    QString LogPath() const { return m_log; }
    QString Socket() const { return m_runtime + QStringLiteral("/pulse/native"); }
    static QString SinkName() { return QStringLiteral("air"); }
    static QString MonitorName() { return QStringLiteral("air.monitor"); }

    // Runs pactl against this server; its standard output, or nullopt when
    // it fails or takes longer than 5 s.
    std::optional<QString> Pactl(const QStringList& args) const;

    // The sink's state as `pactl list short sinks` shows it: RUNNING, IDLE
    // or SUSPENDED; empty when the sink is not found.
    QString SinkState() const;

    // The last lines of the server's log, for failure messages.
    QString LogTail(int lines = 20) const;

private:
    void SetEnv(const char* name, const QByteArray& value);
    void RestoreEnv();

    QString m_root;
    QString m_runtime;
    QString m_log;
    qint64 m_pid = 0;
    std::unique_ptr<QProcess> m_process;
    struct SavedVar {
        QByteArray name;
        std::optional<QByteArray> value;
    };
    std::vector<SavedVar> m_saved;
};
