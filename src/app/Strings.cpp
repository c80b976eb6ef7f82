// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Strings.h"

#include <QCoreApplication>
#include <QHash>

namespace Str {

QString Load(int id)
{
    struct Text
    {
        const char* source;
        bool translated; // false: a play-log line, the same in every language
    };
    // "stooped" is the station log's established spelling: log readers match it.
    static const QHash<int, Text> table = {
        {LogStart, {"start\t%1", false}},
        {LogStartup, {"startup", false}},
        {LogShutdown, {"shutdown", false}},
        {LogError, {"error\t%1", false}},
        {LogSilenceNext, {"silence\tThe next song is selected", false}},
        {LogSilenceMessage, {"silence\tA message box is displayed", false}},
        {LogSilenceReboot, {"silence\tThe system will be rebooted", false}},
        {LogTooManyErrors, {"error\nPlayback is stooped because of too many errors", false}},
        {LogWriteFailed, {QT_TRANSLATE_NOOP("Strings", "Error writing to log file %1."), true}},
        {SilenceDetected,
         {QT_TRANSLATE_NOOP("Strings", "Lirana detected a period of silence. Please check the current file. "
                                       "Maybe you need to restart the computer in order to release locked "
                                       "system resources."),
          true}},
        {UnassignedSound, {QT_TRANSLATE_NOOP("Strings", "Unassigned Sound"), true}},
        {MediaFilesFilter,
         {QT_TRANSLATE_NOOP("Strings",
                            "All Files (*);;Sound (*.wav *.mp2 *.mp3 *.au *.aif);;Music (*.mid *.rmi);;"
                            "Video (*.avi *.mpg *.mov);;Audio CD (*.cda);;Mini Playlist (*.mpl);;"
                            "Lirana Album (*.alb)"),
          true}},
        {SoundsFileFilter, {QT_TRANSLATE_NOOP("Strings", "Sounds (*.ini);;All Files (*)"), true}},
        {ShutdownConfirmation,
         {QT_TRANSLATE_NOOP("Strings", "Confirmation request\nAre you sure you want to exit Lirana now?"),
          true}},
    };
    const auto it = table.constFind(id);
    if (it == table.cend())
        return {};
    return it->translated ? QCoreApplication::translate("Strings", it->source)
                          : QString::fromUtf8(it->source);
}

} // namespace Str
