#include "support/AirServer.h"

#include "support/TestEnv.h"

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

} // namespace

AirServer::~AirServer()
{
    Stop();
}

QString AirServer::Missing()
{
    for (const char* tool : {"pulseaudio", "pactl"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
    for (const char* element : {"pulsesrc", "pulsesink"})
        if (!HasGstElement(element))
            return QStringLiteral("GStreamer element %1 is missing (gstreamer1.0-pulseaudio)")
                .arg(QLatin1String(element));
    return {};
}

bool AirServer::Start(QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why + QStringLiteral("\n--- server log ---\n") + LogTail();
        Stop();
        return false;
    };
    if (m_process)
        return fail(QStringLiteral("already started"));
    m_root = TestEnv::MakeTempDir(QStringLiteral("air"));
    m_runtime = m_root + QStringLiteral("/runtime");
    const QString home = m_root + QStringLiteral("/home");
    m_log = m_root + QStringLiteral("/pulse.log");
    if (!MakePrivateDir(m_runtime) || !MakePrivateDir(home))
        return fail(QStringLiteral("cannot make the server's folders below %1").arg(m_root));
    const QString clientConf =
        TestEnv::WriteFile(m_root + QStringLiteral("/client.conf"), "autospawn = no\n");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));

    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(env);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_root + QStringLiteral("/pulse.stderr"));
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // The socket is in a folder only this user can enter, so anonymous
    // access on it admits nobody else and needs no cookie in HOME.
    m_process->start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                      QStringLiteral("-n"),
                      QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1"),
                      QStringLiteral("--load=module-null-sink sink_name=air rate=44100 "
                                     "norewinds=1"),
                      QStringLiteral("--log-target=file:") + m_log});
    if (!m_process->waitForStarted(5000))
        return fail(QStringLiteral("cannot run pulseaudio: ") + m_process->errorString());
    m_pid = m_process->processId();

    SetEnv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
    SetEnv("PULSE_SERVER", "unix:" + QFile::encodeName(Socket()));
    SetEnv("PULSE_CLIENTCONFIG", QFile::encodeName(clientConf));

    QDeadlineTimer deadline(10000);
    while (!Pactl({QStringLiteral("info")})) {
        if (m_process->state() != QProcess::Running)
            return fail(QStringLiteral("pulseaudio exited with %1").arg(m_process->exitCode()));
        if (deadline.hasExpired())
            return fail(QStringLiteral("pulseaudio does not answer on %1").arg(Socket()));
        QThread::msleep(20);
    }
    if (!Pactl({QStringLiteral("set-default-sink"), SinkName()}))
        return fail(QStringLiteral("cannot make %1 the default sink").arg(SinkName()));
    const QString state = SinkState();
    if (state.isEmpty() || state == QStringLiteral("SUSPENDED"))
        return fail(QStringLiteral("sink %1 is '%2', not running").arg(SinkName(), state));
    return true;
}

void AirServer::Stop()
{
    if (m_process) {
        if (m_pid > 0 && m_process->state() == QProcess::Running) {
            ::kill(pid_t(m_pid), SIGTERM);
            if (!m_process->waitForFinished(5000)) {
                ::kill(pid_t(m_pid), SIGKILL);
                m_process->waitForFinished(2000);
            }
        }
        m_process.reset();
    }
    m_pid = 0;
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
    if (!m_process)
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
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList all = QString::fromLocal8Bit(file.readAll()).split(u'\n');
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join(u'\n');
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
