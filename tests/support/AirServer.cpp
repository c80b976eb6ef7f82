// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AirServer.h"

#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gst/gst.h>

namespace {

// Waits for the process to end (killing it after ms); true when it ended
// by itself with exit code 0.
bool Finished(QProcess& p, int ms)
{
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(2000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

QString AirServer::Missing(Kind kind)
{
    const QStringList tools = kind == Kind::PipeWire ? QStringList{"pipewire", "wireplumber",
                                                                   "pipewire-pulse", "dbus-daemon", "pactl"}
                                                     : QStringList{"pulseaudio", "pactl"};
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/setup installs it)").arg(tool);
    gst_init(nullptr, nullptr);
    GstPlugin* pulse = gst_registry_find_plugin(gst_registry_get(), "pulseaudio"); // pulsesrc, pulsesink
    if (!pulse)
        return QStringLiteral("GStreamer's pulseaudio plug-in is missing (gstreamer1.0-pulseaudio)");
    gst_object_unref(pulse);
    return {};
}

bool AirServer::Start(QString* error, Kind kind)
{
    Stop();
    m_kind = kind;
    m_root = TestEnv::MakeTempDir(QStringLiteral("air"));
    const QString clientConf = TestEnv::WriteFile(m_root + QStringLiteral("/client.conf"),
                                                  "autospawn = no\n");
    m_env = QProcessEnvironment::systemEnvironment();
    const QByteArray runtime = QFile::encodeName(m_root + QStringLiteral("/xdg"));
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("PULSE_SERVER", "unix:" + runtime + "/pulse/native");
    qputenv("PULSE_CLIENTCONFIG", QFile::encodeName(clientConf));
    if (Launch(error))
        return true;
    Stop();
    return false;
}

bool AirServer::Restart(QString* error)
{
    if (Running())
        Kill();
    return Launch(error);
}

bool AirServer::Launch(QString* error)
{
    QString why;
    if (RunScript(QStringLiteral("start"), &why)) {
        QFile pid(m_root + (m_kind == Kind::PipeWire ? QStringLiteral("/run/pipewire-pulse.pid")
                                                     : QStringLiteral("/run/pulseaudio.pid")));
        m_pid = pid.open(QIODevice::ReadOnly) ? pid.readAll().trimmed().toLongLong() : 0;
        if (m_pid > 0)
            return true;
        why = QStringLiteral("airserver.sh left no pid");
    }
    if (error)
        *error = why + QStringLiteral("\n--- server log ---\n") + LogTail();
    Kill();
    return false;
}

bool AirServer::RunScript(const QString& command, QString* error) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("PW_QUANTUM"))) // set, even empty (a stock graph): kept
        env.insert(QStringLiteral("PW_QUANTUM"), QStringLiteral("2048"));
    env.insert(QStringLiteral("AIR_OWNER"), QString::number(QCoreApplication::applicationPid()));
    p.setProcessEnvironment(env);
    // The servers it leaves running must not hold a pipe of ours open.
    const QString log = m_root + QStringLiteral("/airserver.log");
    p.setStandardOutputFile(log, QIODevice::Append);
    p.setStandardErrorFile(log, QIODevice::Append);
    p.start(QStringLiteral("bash"), {QStringLiteral(LIRANA_AIRSERVER_SCRIPT), command,
                                     QString::fromLatin1(KindName(m_kind)).toLower(), m_root});
    if (Finished(p, 20000))
        return true;
    if (error)
        *error = QStringLiteral("airserver.sh %1 failed or took over 20 s: %2").arg(command, LogTail(5));
    return false;
}

void AirServer::Kill()
{
    if (!m_root.isEmpty())
        RunScript(QStringLiteral("kill"), nullptr);
    m_pid = 0;
}

void AirServer::Stop()
{
    if (m_root.isEmpty())
        return;
    RunScript(QStringLiteral("stop"), nullptr);
    m_pid = 0;
    m_root.clear();
    for (const char* name : {"XDG_RUNTIME_DIR", "PULSE_SERVER", "PULSE_CLIENTCONFIG"})
        m_env.contains(name) ? qputenv(name, m_env.value(name).toLocal8Bit()) : qunsetenv(name);
}

std::optional<QString> AirServer::Pactl(const QStringList& args) const
{
    if (m_root.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    return Finished(p, 5000) ? std::optional(QString::fromLocal8Bit(p.readAllStandardOutput()))
                             : std::nullopt;
}

QString AirServer::LogTail(int lines) const
{
    QProcess tail;
    tail.setWorkingDirectory(m_root);
    tail.setProcessChannelMode(QProcess::MergedChannels);
    tail.start(QStringLiteral("tail"),
               QStringList{QStringLiteral("-n"), QString::number(lines), QStringLiteral("airserver.log")} +
                   (m_kind == Kind::PulseAudio ? QStringList{QStringLiteral("pulse.log")}
                                               : QStringList{QStringLiteral("run/pipewire.log"),
                                                             QStringLiteral("run/wireplumber.log"),
                                                             QStringLiteral("run/pipewire-pulse.log")}));
    Finished(tail, 5000);
    return QString::fromLocal8Bit(tail.readAll());
}
