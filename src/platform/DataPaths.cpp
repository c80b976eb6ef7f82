// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The user's XDG folder of that kind. QStandardPaths takes a relative
// XDG_CONFIG_HOME or XDG_DATA_HOME as it stands; the XDG rules say such a
// value is to be ignored, so that the hive never lands below the current
// folder.
QString UserLocation(QStandardPaths::StandardLocation type, const char* fallback)
{
    const QString location = QStandardPaths::writableLocation(type);
    if (!location.isEmpty() && QDir::isAbsolutePath(location))
        return location;
    return QDir::homePath() + u'/' + QLatin1String(fallback);
}

// "Lirana", or "Lirana-NAME" for a station of its own (SetInstance).
QString& AppName()
{
    static QString name = QStringLiteral("Lirana");
    return name;
}

} // namespace

namespace DataPaths {

void SetInstance(const QString& name)
{
    AppName() = name.isEmpty() ? QStringLiteral("Lirana") : QStringLiteral("Lirana-") + name;
}

QString InstanceName()
{
    return AppName().mid(int(qstrlen("Lirana-")));
}

QString UserHiveFile()
{
    return UserLocation(QStandardPaths::GenericConfigLocation, ".config") + QStringLiteral("/Oxbelund/") +
           AppName() + QStringLiteral(".reg");
}

QString AppConfigDir()
{
    return UserLocation(QStandardPaths::GenericConfigLocation, ".config") + QStringLiteral("/Oxbelund/") +
           AppName();
}

QString ShareDir()
{
    const QString env = qEnvironmentVariable("LIRANA_SHARE_DIR");
    if (!env.isEmpty())
        return env;
    if (QCoreApplication::instance()) {
        const QString besideProgram = QCoreApplication::applicationDirPath() +
                                      QStringLiteral("/../share/lirana");
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
    // The user's own folder comes first; the system folders follow, the most
    // important first.
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation).mid(1);
    for (auto it = dirs.crbegin(); it != dirs.crend(); ++it)
        files << *it + QStringLiteral("/Oxbelund/Lirana.reg");
    return files;
}

QString AppDataDir()
{
    return UserLocation(QStandardPaths::GenericDataLocation, ".local/share") + QStringLiteral("/Oxbelund/") +
           AppName();
}

QString StateDir()
{
    // QStandardPaths of this Qt has no state location: the variable is read
    // here as the XDG base directory rules say (absolute paths only).
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!base.startsWith(u'/'))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Oxbelund/") + AppName();
}

QString SystemMediaFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
}

} // namespace DataPaths
