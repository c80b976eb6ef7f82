// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/EventTimeText.h"

#include <QLocale>

namespace EventTimeText {

QString Format()
{
    const QLocale locale;
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString time = locale.timeFormat(QLocale::ShortFormat);
    if (!time.contains(u's')) {
        const qsizetype minutes = time.lastIndexOf(QLatin1String("mm"));
        if (minutes >= 0) {
            // The separator the locale puts between hours and minutes.
            const QChar sep = minutes > 0 && !time.at(minutes - 1).isLetter() ? time.at(minutes - 1) : u':';
            time.insert(minutes + 2, sep + QLatin1String("ss"));
        }
    }
    return date + u' ' + time;
}

QString FormatDateTime(WallTime t)
{
    const WallFields f = Fields(t);
    // Not through a local QDateTime: a time that a clock change skips is
    // still shown as it is stored.
    const QDateTime at(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second), Qt::UTC);
    return QLocale().toString(at, Format());
}

std::optional<WallTime> Parse(const QString& text)
{
    const QString trimmed = text.trimmed();
    QDateTime at = QLocale().toDateTime(trimmed, Format());
    if (at.isValid()) {
        at.setTimeSpec(Qt::UTC); // wall-clock fields, no zone
        const QDate d = at.date();
        const QTime t = at.time();
        return MakeWallTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    }
    return ParseStoredDate(trimmed);
}

} // namespace EventTimeText
