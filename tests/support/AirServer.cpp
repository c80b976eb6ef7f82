#include "support/AirServer.h"

#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gst/gst.h>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

bool MakePrivateDir(const QString& path)
{
    return QDir().mkpath(path) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool HasGstElement(const char* name)
{
    gst_init(nullptr, nullptr);
    GstElementFactory* f = gst_element_factory_find(name);
    if (f)
        gst_object_unref(f);
    return f != nullptr;
}

QString Tail(const QString& path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList all = QString::fromLocal8Bit(file.readAll()).split(u'\n');
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join(u'\n');
}

const QStringList kPipeWireLogs{QStringLiteral("pipewire"), QStringLiteral("wireplumber"),
                                QStringLiteral("pipewire-pulse")};

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
    for (const char* element : {"pulsesrc", "pulsesink"})
        if (!HasGstElement(element))
            return QStringLiteral("GStreamer element %1 is missing (gstreamer1.0-pulseaudio)")
                .arg(QLatin1String(element));
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
    m_runtime = m_root + (kind == Kind::PipeWire ? QStringLiteral("/xdg") : QStringLiteral("/runtime"));
    const QString clientConf =
        TestEnv::WriteFile(m_root + QStringLiteral("/client.conf"), "autospawn = no\n");
    if (!MakePrivateDir(m_runtime) || !MakePrivateDir(m_root + QStringLiteral("/home"))) {
        if (error)
            *error = QStringLiteral("cannot make the server's folders below %1").arg(m_root);
        return false;
    }
    SetEnv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
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
    auto fail = [&](const QString& why) {
        if (error)
            *error = why + QStringLiteral("\n--- server log ---\n") + LogTail();
        Kill();
        return false;
    };
    if (m_kind == Kind::PipeWire) {
        QString why;
        if (!RunScript(QStringLiteral("start"), &why))
            return fail(why);
        m_pid = PidFromRunFile(QStringLiteral("pipewire-pulse"));
        if (m_pid <= 0)
            return fail(QStringLiteral("pwair.sh left no pid for pipewire-pulse"));
        return true;
    }
    QString why;
    if (!LaunchPulseAudio(&why))
        return fail(why);
    if (!Pactl({QStringLiteral("set-default-sink"), SinkName()}))
        return fail(QStringLiteral("cannot make %1 the default sink").arg(SinkName()));
    const QString state = SinkState();
    if (state.isEmpty() || state == QStringLiteral("SUSPENDED"))
        return fail(QStringLiteral("sink %1 is '%2', not running").arg(SinkName(), state));
    return true;
}

bool AirServer::LaunchPulseAudio(QString* error)
{
    const QString home = m_root + QStringLiteral("/home");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/.local/state"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));

    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(env);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_root + QStringLiteral("/pulse.stderr"), QIODevice::Append);
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // The socket is in a folder only this user can enter, so anonymous
    // access on it admits nobody else and needs no cookie in HOME. The
    // stream-restore database lives in the private home and survives a
    // restart.
    m_process->start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                      QStringLiteral("-n"),
                      QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1"),
                      QStringLiteral("--load=module-null-sink sink_name=air rate=44100 "
                                     "norewinds=1"),
                      QStringLiteral("--load=module-stream-restore restore_device=false"),
                      QStringLiteral("--log-target=file:") + m_root + QStringLiteral("/pulse.log")});
    if (!m_process->waitForStarted(5000)) {
        *error = QStringLiteral("cannot run pulseaudio: ") + m_process->errorString();
        return false;
    }
    m_pid = m_process->processId();
    QDeadlineTimer deadline(10000);
    while (!Pactl({QStringLiteral("info")})) {
        if (m_process->state() != QProcess::Running) {
            *error = QStringLiteral("pulseaudio exited with %1").arg(m_process->exitCode());
            return false;
        }
        if (deadline.hasExpired()) {
            *error = QStringLiteral("pulseaudio does not answer on %1").arg(Socket());
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

bool AirServer::RunScript(const QString& command, QString* error) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PW_QUANTUM"), QStringLiteral("2048"));
    env.insert(QStringLiteral("PW_OWNER"), QString::number(QCoreApplication::applicationPid()));
    p.setProcessEnvironment(env);
    // The daemons it leaves running must not hold a pipe of ours open.
    p.setStandardOutputFile(m_root + QStringLiteral("/pwair.log"), QIODevice::Append);
    p.setStandardErrorFile(m_root + QStringLiteral("/pwair.log"), QIODevice::Append);
    p.start(QStringLiteral("bash"), {QStringLiteral(LIRANA_PWAIR_SCRIPT), command, m_root});
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(2000);
        if (error)
            *error = QStringLiteral("pwair.sh %1 did not finish within 20 s").arg(command);
        return false;
    }
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    if (error)
        *error = QStringLiteral("pwair.sh %1 failed: %2").arg(command, Tail(m_root + "/pwair.log", 5));
    return false;
}

qint64 AirServer::PidFromRunFile(const QString& name) const
{
    QFile file(m_root + QStringLiteral("/run/") + name + QStringLiteral(".pid"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toLongLong();
}

void AirServer::EndPulseAudio(int signal)
{
    if (!m_process)
        return;
    if (m_pid > 0 && m_process->state() == QProcess::Running) {
        ::kill(pid_t(m_pid), signal);
        if (!m_process->waitForFinished(5000)) {
            ::kill(pid_t(m_pid), SIGKILL);
            m_process->waitForFinished(2000);
        }
    }
    m_process.reset();
}

void AirServer::Kill()
{
    if (m_kind == Kind::PipeWire && !m_root.isEmpty())
        RunScript(QStringLiteral("kill"), nullptr);
    EndPulseAudio(SIGKILL);
    m_pid = 0;
}

void AirServer::Stop()
{
    if (m_kind == Kind::PipeWire && !m_root.isEmpty())
        RunScript(QStringLiteral("stop"), nullptr);
    EndPulseAudio(SIGTERM);
    m_pid = 0;
    m_root.clear();
    RestoreEnv();
}

qint64 AirServer::PidFromFile() const
{
    QFile file(m_runtime + QStringLiteral("/pulse/pid"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toLongLong();
}

std::optional<QString> AirServer::Pactl(const QStringList& args) const
{
    if (m_root.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(1000);
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString AirServer::SinkState() const
{
    const auto out = Pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
    if (!out)
        return {};
    for (const QString& line : out->split(u'\n')) {
        const QStringList cols = line.split(u'\t');
        if (cols.size() >= 5 && cols[1] == SinkName())
            return cols.last().trimmed();
    }
    return {};
}

QString AirServer::LogTail(int lines) const
{
    if (m_kind == Kind::PulseAudio)
        return Tail(m_root + QStringLiteral("/pulse.log"), lines);
    QString out = Tail(m_root + QStringLiteral("/pwair.log"), lines);
    for (const QString& name : kPipeWireLogs)
        out += QStringLiteral("\n--- %1 ---\n").arg(name) +
               Tail(m_root + QStringLiteral("/run/") + name + QStringLiteral(".log"), lines);
    return out;
}

void AirServer::SetEnv(const char* name, const QByteArray& value)
{
    bool saved = false;
    for (const SavedVar& v : m_saved)
        saved = saved || v.name == name;
    if (!saved) {
        const char* old = std::getenv(name);
        m_saved.push_back({name, old ? std::optional<QByteArray>(old) : std::nullopt});
    }
    ::setenv(name, value.constData(), 1);
}

void AirServer::RestoreEnv()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->value)
            ::setenv(it->name.constData(), it->value->constData(), 1);
        else
            ::unsetenv(it->name.constData());
    }
    m_saved.clear();
}
