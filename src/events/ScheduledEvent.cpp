// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/ScheduledEvent.h"

#include "platform/IniFile.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/ItemPath.h"

#include <QLocale>

using namespace std::chrono;

namespace {

// The locale's long time format without its time-zone part ("t"): the
// hours, minutes and seconds as the user reads them.
QString LocaleTimeFormat()
{
    const QString format = QLocale().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            out += c;
    }
    return out.simplified();
}

} // namespace

CScheduledEvent::CScheduledEvent(WallTime createdAt) : startDate(createdAt) {}

CScheduledEvent::CScheduledEvent(const CScheduledEvent& other)
    : everyHour(other.everyHour), weekDayMask(other.weekDayMask), exact(other.exact),
      fileName(other.fileName), startDate(other.startDate), expireDate(other.expireDate)
{
}

CScheduledEvent& CScheduledEvent::operator=(const CScheduledEvent& other)
{
    if (this != &other) {
        everyHour = other.everyHour;
        weekDayMask = other.weekDayMask;
        exact = other.exact;
        fileName = other.fileName;
        startDate = other.startDate;
        expireDate = other.expireDate;
        m_nextRun = kZeroDate;
    }
    return *this;
}

bool operator==(const CScheduledEvent& a, const CScheduledEvent& b)
{
    return a.everyHour == b.everyHour && a.weekDayMask == b.weekDayMask && a.exact == b.exact &&
           a.fileName == b.fileName && a.startDate == b.startDate && a.expireDate == b.expireDate;
}

bool CScheduledEvent::RunsOnDay(int day) const
{
    return day >= 1 && day <= 7 && (weekDayMask >> (day - 1)) & 1u;
}

bool CScheduledEvent::IsDue(WallTime t) const
{
    return m_nextRun && t >= *m_nextRun;
}

bool CScheduledEvent::ComputeNextRun(WallTime now)
{
    if ((weekDayMask & 127u) == 0) {
        m_nextRun.reset();
        return false;
    }
    WallTime next;
    if (startDate > now) {
        next = startDate;
    } else if (everyHour) {
        next = floor<hours>(now) + (startDate - floor<hours>(startDate));
        if (next <= now)
            next += hours{1};
    } else {
        next = floor<days>(now) + (startDate - floor<days>(startDate));
        if (next <= now)
            next += days{1};
    }
    if (everyHour && !RunsOnDay(DayOfWeek(next)))
        next = floor<days>(next) + (next - floor<hours>(next)) + days{1};
    for (int i = 0; i < 7 && !RunsOnDay(DayOfWeek(next)); ++i)
        next += days{1};
    if (next > expireDate) {
        m_nextRun.reset();
        return true;
    }
    m_nextRun = next;
    return false;
}

void CScheduledEvent::WriteToRegistry(CRegistryKey& key) const
{
    key.SetFlag(QStringLiteral("EveryHour"), everyHour);
    key.SetFlag(QStringLiteral("Exact"), exact);
    key.SetText(QStringLiteral("FileName"), fileName);
    key.SetText(QStringLiteral("StartDate"), FormatStoredDate(startDate));
    key.SetText(QStringLiteral("ExpireDate"), FormatStoredDate(expireDate));
    key.SetNumber(QStringLiteral("WeekDayMask"), std::int32_t(weekDayMask));
}

void CScheduledEvent::ReadFromRegistry(const CRegistryKey& key, WallTime now)
{
    everyHour = key.GetFlag(QStringLiteral("EveryHour"), false);
    exact = key.GetFlag(QStringLiteral("Exact"), false);
    weekDayMask = std::uint32_t(key.GetNumber(QStringLiteral("WeekDayMask"), 127));
    fileName = key.GetText(QStringLiteral("FileName"), QString());
    if (const auto d = ParseStoredDate(key.GetText(QStringLiteral("ExpireDate"), QString())))
        expireDate = *d;
    if (const auto d = ParseStoredDate(key.GetText(QStringLiteral("StartDate"), QString())))
        startDate = *d;
    ComputeNextRun(now);
}

void CScheduledEvent::WriteToProfile(CIniFile& file) const
{
    file.WriteBool(QStringLiteral("EveryHour"), everyHour);
    file.WriteString(QStringLiteral("FileName"), fileName);
    file.WriteString(QStringLiteral("StartDate"), FormatStoredDate(startDate));
    file.WriteString(QStringLiteral("ExpireDate"), FormatStoredDate(expireDate));
    file.WriteString(QStringLiteral("WeekDayMask"), QString::number(weekDayMask));
    file.WriteBool(QStringLiteral("Exact"), exact);
}

void CScheduledEvent::ReadFromProfile(const CIniFile& file, WallTime now)
{
    everyHour = file.GetBool(QStringLiteral("EveryHour"), false);
    exact = file.GetBool(QStringLiteral("Exact"), false);
    weekDayMask = std::uint32_t(file.GetInt(QStringLiteral("WeekDayMask"), 127));
    fileName = file.GetString(QStringLiteral("FileName"));
    if (const auto d = ParseStoredDate(file.GetString(QStringLiteral("ExpireDate"))))
        expireDate = *d;
    if (const auto d = ParseStoredDate(file.GetString(QStringLiteral("StartDate"))))
        startDate = *d;
    ComputeNextRun(now);
}

QString CScheduledEvent::GetDisplayLine() const
{
    const QString marker = exact ? QStringLiteral("*") : QStringLiteral("-");
    const QString name = GetItemDisplayName(fileName);
    const WallFields f = Fields(startDate);
    if (everyHour)
        return QString::asprintf("__:%02d:%02d  ", f.minute, f.second) + marker + QStringLiteral("  ") + name;
    const QString time = QLocale().toString(QTime(f.hour, f.minute, f.second), LocaleTimeFormat());
    return time + QStringLiteral("  ") + marker + QStringLiteral("  ") + name;
}
