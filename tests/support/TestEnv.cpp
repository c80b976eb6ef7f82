#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

namespace TestEnv {

QString& RootRef()
{
    static QString root;
    return root;
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
