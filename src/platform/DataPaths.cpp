#include "platform/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString HomeOr(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + u'/' + fallback;
}

} // namespace

namespace DataPaths {

QString UserHiveFile()
{
    return HomeOr("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/Oxbelund/Lirana.reg");
}

QString ShareDir()
{
    const QString env = qEnvironmentVariable("LIRANA_SHARE_DIR");
    if (!env.isEmpty())
        return env;
    if (QCoreApplication::instance()) {
        const QString besideProgram =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../share/lirana");
        if (QFileInfo::exists(besideProgram + QStringLiteral("/machine.reg")))
            return QDir::cleanPath(besideProgram);
    }
    if (QFileInfo::exists(QStringLiteral(LIRANA_BUILD_SHARE_DIR "/machine.reg")))
        return QStringLiteral(LIRANA_BUILD_SHARE_DIR);
    return QStringLiteral(LIRANA_INSTALL_SHARE_DIR);
}

QStringList MachineHiveFiles()
{
    QStringList files{ShareDir() + QStringLiteral("/machine.reg")};
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    QStringList list = dirs.split(u':', Qt::SkipEmptyParts);
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        files << *it + QStringLiteral("/Oxbelund/Lirana.reg");
    return files;
}

QString AppDataDir()
{
    return HomeOr("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/Oxbelund/Lirana");
}

QString SystemMediaFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
}

} // namespace DataPaths
