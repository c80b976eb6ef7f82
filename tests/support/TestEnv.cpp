// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestEnv.h"

#include "media/Mixer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

#include <cstdlib>

namespace TestEnv {

QString& RootRef()
{
    static QString root;
    return root;
}

void SetUpProcessWorld(const QString& root)
{
    RootRef() = root;
    for (const char* sub : {"config", "data", "state", "etc", "home", "cwd", "runtime"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray base = root.toLocal8Bit();
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_STATE_HOME", (base + "/state").constData(), 1);
    setenv("XDG_CONFIG_DIRS", (base + "/etc").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
    setenv("HOME", (base + "/home").constData(), 1);
    QDir::setCurrent(root + QStringLiteral("/cwd"));
    // One GStreamer plug-in registry for all test processes of the build,
    // instead of a fresh scan in every temporary home.
    setenv("GST_REGISTRY", LIRANA_TEST_GST_REGISTRY, 0);
    UseNoMixer();
    // No CD drive of the machine: a test that wants a disc names its image.
    setenv("LIRANA_CD_DEVICE", "", 1);
    // Not the desktop's session bus either: a test that wants one starts its own.
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + base + "/runtime/no-bus").constData(), 1);
}

void UseNoMixer()
{
    static CMemoryMixer none(QStringLiteral("No Card"), {});
    CMixer::SetOpener(none.Opener());
}

QString Root()
{
    return RootRef();
}

QString MakeTempDir(const QString& hint)
{
    const QString path = Root() + QStringLiteral("/") + hint + u'-' +
                         QUuid::createUuid().toString(QUuid::Id128).left(12);
    QDir().mkpath(path);
    return path;
}

QString WriteFile(const QString& path, const QByteArray& content)
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
    return info.absoluteFilePath();
}

bool WaitUntilImpl(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

} // namespace TestEnv
