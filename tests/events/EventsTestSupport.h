// Helpers shared by the event tests: wall-clock literals, a time-zone guard
// and event records.
#pragma once

#include "events/ScheduledEvent.h"
#include "events/Scheduler.h"
#include "platform/Clock.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QByteArray>
#include <QDateTime>
#include <gtest/gtest.h>
#include <ctime>
#include <ostream>

inline void PrintTo(const WallTime& t, std::ostream* os)
{
    *os << FormatStoredDate(t).toStdString();
}

// A local QDateTime, as the system clock would give it.
inline QDateTime Local(int y, int mo, int d, int h, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime);
}

// Sets TZ for the life of the guard and restores the previous value (or its
// absence) afterwards, so other tests of the process keep their zone.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool m_had;
    QByteArray m_old;
};

// A daily event at the time of day of start.
inline CScheduledEvent Daily(const QString& file, WallTime start, std::uint32_t mask = 127)
{
    CScheduledEvent e(start);
    e.fileName = file;
    e.weekDayMask = mask;
    return e;
}

inline CScheduledEvent Hourly(const QString& file, WallTime start, std::uint32_t mask = 127)
{
    CScheduledEvent e = Daily(file, start, mask);
    e.everyHour = true;
    return e;
}

// A scheduler on a clock the test moves.
class SchedulerOnClock
{
protected:
    // Adds an event and schedules it from the clock's time, as a load does.
    CScheduledEvent& Add(const CScheduledEvent& e)
    {
        scheduler.Events().Append(e);
        CScheduledEvent& added = scheduler.Events().At(scheduler.Events().Count() - 1);
        added.ComputeNextRun(scheduler.Now());
        return added;
    }

    FakeClock clock;
    CEventScheduler scheduler{clock};
};
