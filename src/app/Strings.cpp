#include "app/Strings.h"

#include <QHash>

namespace Str {

QString Load(int id)
{
    // "stooped" is the station log's established spelling: log readers match it.
    static const QHash<int, QString> table = {
        {LogStart, QStringLiteral("start\t%1")},
        {LogStartup, QStringLiteral("startup")},
        {LogShutdown, QStringLiteral("shutdown")},
        {LogError, QStringLiteral("error\t%1")},
        {LogSilenceNext, QStringLiteral("silence\tThe next song is selected")},
        {LogSilenceMessage, QStringLiteral("silence\tA message box is displayed")},
        {LogSilenceReboot, QStringLiteral("silence\tThe system will be rebooted")},
        {LogTooManyErrors, QStringLiteral("error\nPlayback is stooped because of too many errors")},
        {ShutdownConfirmation,
         QStringLiteral("Confirmation request\nAre you sure you want to exit Lirana now?")},
    };
    return table.value(id);
}

} // namespace Str
