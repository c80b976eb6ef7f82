#include "support/AirServer.h"

#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gst/gst.h>

#include <algorithm>

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

AirServer::~AirServer()
{
    Stop();
}

const char* AirServer::KindName(Kind kind)
{
    return kind == Kind::PipeWire ? "PipeWire" : "PulseAudio";
}

QString AirServer::Missing(Kind kind)
{
    const QStringList tools = kind == Kind::PipeWire
                                  ? QStringList{"pipewire", "wireplumber", "pipewire-pulse",
                                                "dbus-daemon", "pactl"}
                                  : QStringList{"pulseaudio", "pactl"};
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/setup installs it)").arg(tool);
    gst_init(nullptr, nullptr);
    for (const char* element : {"pulsesrc", "pulsesink"}) {
        GstElementFactory* f = gst_element_factory_find(element);
        if (!f)
            return QStringLiteral("GStreamer element %1 is missing (gstreamer1.0-pulseaudio)")
                .arg(QLatin1String(element));
        gst_object_unref(f);
    }
    return {};
}

bool AirServer::Start(QString* error, Kind kind)
{
    if (!m_root.isEmpty()) {
        if (error)
            *error = QStringLiteral("already started");
        return false;
    }
    m_kind = kind;
    m_root = TestEnv::MakeTempDir(QStringLiteral("air"));
    const QString clientConf =
        TestEnv::WriteFile(m_root + QStringLiteral("/client.conf"), "autospawn = no\n");
    SetEnv("XDG_RUNTIME_DIR", QFile::encodeName(RuntimeDir()));
    SetEnv("PULSE_SERVER", "unix:" + QFile::encodeName(Socket()));
    SetEnv("PULSE_CLIENTCONFIG", QFile::encodeName(clientConf));
    if (Launch(error))
        return true;
    Stop();
    return false;
}

bool AirServer::Restart(QString* error)
{
    if (m_root.isEmpty()) {
        if (error)
            *error = QStringLiteral("never started");
        return false;
    }
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
    if (!m_root.isEmpty())
        RunScript(QStringLiteral("stop"), nullptr);
    m_pid = 0;
    m_root.clear();
    RestoreEnv();
}

std::optional<QString> AirServer::Pactl(const QStringList& args) const
{
    if (m_root.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    if (!Finished(p, 5000))
        return std::nullopt;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString AirServer::LogTail(int lines) const
{
    QProcess tail;
    tail.setWorkingDirectory(m_root);
    tail.setProcessChannelMode(QProcess::MergedChannels);
    tail.start(QStringLiteral("tail"),
               QStringList{QStringLiteral("-n"), QString::number(lines), QStringLiteral("airserver.log")} +
                   (m_kind == Kind::PulseAudio
                        ? QStringList{QStringLiteral("pulse.log")}
                        : QStringList{QStringLiteral("run/pipewire.log"), QStringLiteral("run/wireplumber.log"),
                                      QStringLiteral("run/pipewire-pulse.log")}));
    Finished(tail, 5000);
    return QString::fromLocal8Bit(tail.readAll());
}

void AirServer::SetEnv(const char* name, const QByteArray& value)
{
    if (std::none_of(m_saved.begin(), m_saved.end(), [&](const SavedVar& v) { return v.name == name; }))
        m_saved.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    qputenv(name, value);
}

void AirServer::RestoreEnv()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
        it->value ? qputenv(it->name.constData(), *it->value) : qunsetenv(it->name.constData());
    m_saved.clear();
}
