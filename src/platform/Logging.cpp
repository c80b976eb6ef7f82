// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Logging.h"

#include <sys/stat.h>
#include <unistd.h>

// Debug lines are off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcMedia, "lirana.media", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEngine, "lirana.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEvents, "lirana.events", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHive, "lirana.hive", QtInfoMsg)
Q_LOGGING_CATEGORY(lcGui, "lirana.gui", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBus, "lirana.bus", QtInfoMsg)

namespace diagnostics {

bool IsJournalStream(const QByteArray& journalStream, dev_t device, ino_t inode)
{
    const QList<QByteArray> parts = journalStream.split(':');
    if (parts.size() != 2)
        return false;
    bool deviceOk = false;
    bool inodeOk = false;
    const qulonglong d = parts[0].toULongLong(&deviceOk);
    const qulonglong i = parts[1].toULongLong(&inodeOk);
    return deviceOk && inodeOk && d == qulonglong(device) && i == qulonglong(inode);
}

QString MessagePattern(bool journal)
{
    // syslog priorities: 7 debug, 6 info, 4 warning, 3 error, 2 critical.
    const QString priority = journal ? QStringLiteral("%{if-debug}<7>%{endif}%{if-info}<6>%{endif}"
                                                      "%{if-warning}<4>%{endif}%{if-critical}<3>%{endif}"
                                                      "%{if-fatal}<2>%{endif}")
                                     : QString();
    return priority + QStringLiteral("%{if-debug}%{category}: %{endif}%{message}");
}

void InstallMessageFormat()
{
    struct stat info
    {};
    const bool journal = ::fstat(STDERR_FILENO, &info) == 0 &&
                         IsJournalStream(qgetenv("JOURNAL_STREAM"), info.st_dev, info.st_ino);
    qSetMessagePattern(MessagePattern(journal));
}

} // namespace diagnostics
