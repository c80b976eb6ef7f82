// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/WallTime.h"

#include <QRegularExpression>

using namespace std::chrono;

WallTime MakeWallTime(int y, int mo, int d, int h, int mi, int s)
{
    return local_days{year{y} / month{unsigned(mo)} / day{unsigned(d)}} + hours{h} + minutes{mi} + seconds{s};
}

WallFields Fields(WallTime t)
{
    const local_days date = floor<days>(t);
    const year_month_day ymd{date};
    const hh_mm_ss<seconds> hms{t - date};
    return {int(ymd.year()),          int(unsigned(ymd.month())), int(unsigned(ymd.day())),
            int(hms.hours().count()), int(hms.minutes().count()), int(hms.seconds().count())};
}

WallTime ToWallTime(const QDateTime& t)
{
    const QDateTime local = t.timeSpec() == Qt::LocalTime ? t : t.toLocalTime();
    const QDate d = local.date();
    const QTime tm = local.time();
    return MakeWallTime(d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second());
}

QDateTime ToLocalDateTime(WallTime t)
{
    const WallFields f = Fields(t);
    return QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second), Qt::LocalTime);
}

int DayOfWeek(WallTime t)
{
    return int(weekday{floor<days>(t)}.c_encoding()) + 1;
}

QString FormatStoredDate(WallTime t)
{
    const WallFields f = Fields(t);
    return QString::asprintf("%d-%d-%d %d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
}

std::optional<WallTime> ParseStoredDate(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{1,4})-(\d{1,2})-(\d{1,2})(?:(?:\s+|T)(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const auto num = [&m](int i) { return m.captured(i).isEmpty() ? 0 : m.captured(i).toInt(); };
    const year_month_day ymd{year{num(1)}, month{unsigned(num(2))}, day{unsigned(num(3))}};
    if (num(1) < 100 || !ymd.ok() || num(4) > 23 || num(5) > 59 || num(6) > 59)
        return std::nullopt;
    return local_days{ymd} + hours{num(4)} + minutes{num(5)} + seconds{num(6)};
}
