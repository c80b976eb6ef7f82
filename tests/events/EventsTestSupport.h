// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the event tests: wall-clock literals, event records and
// a scheduler on a clock the test moves; and the headers the event tests
// share (records, lists, their stores).
#pragma once

#include "events/EventList.h"
#include "events/ScheduledEvent.h"
#include "events/Scheduler.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/registry/RegistryKey.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QtCore>
#include <gtest/gtest.h>
#include <ostream>
#include <tuple>

inline void PrintTo(const WallTime& t, std::ostream* os)
{
    *os << FormatStoredDate(t).toStdString();
}

// A local QDateTime, as the system clock would give it.
inline QDateTime Local(int y, int mo, int d, int h, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime);
}

// A daily (or hourly) event at the time of day (minute) of start.
inline CScheduledEvent Daily(const QString& file, WallTime start, std::uint32_t mask = 127,
                             bool everyHour = false)
{
    CScheduledEvent e(start);
    e.fileName = file;
    e.weekDayMask = mask;
    e.everyHour = everyHour;
    return e;
}

inline CScheduledEvent Hourly(const QString& file, WallTime start, std::uint32_t mask = 127)
{
    return Daily(file, start, mask, true);
}

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
