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
        {LogWriteFailed, QStringLiteral("Error writing to log file %1.")},
        {SilenceDetected,
         QStringLiteral("Lirana detected a period of silence. Please check the current file. "
                        "Maybe you need to restart the computer in order to release locked "
                        "system resources.")},
        {LogSilenceNext, QStringLiteral("silence\tThe next song is selected")},
        {LogSilenceMessage, QStringLiteral("silence\tA message box is displayed")},
        {LogSilenceReboot, QStringLiteral("silence\tThe system will be rebooted")},
        {LogTooManyErrors, QStringLiteral("error\nPlayback is stooped because of too many errors")},
        {UnassignedSound, QStringLiteral("Unassigned Sound")},
        {MediaFilesFilter,
         QStringLiteral("All Files (*);;Sound (*.wav *.mp2 *.mp3 *.au *.aif);;Music (*.mid *.rmi);;"
                        "Video (*.avi *.mpg *.mov);;Audio CD (*.cda);;Mini Playlist (*.mpl);;"
                        "Lirana Album (*.alb)")},
        {SoundsFileFilter, QStringLiteral("Sounds (*.ini);;All Files (*)")},
        {ShutdownConfirmation,
         QStringLiteral("Confirmation request\nAre you sure you want to exit Lirana now?")},
    };
    return table.value(id);
}

} // namespace Str
