// SPDX-License-Identifier: GPL-3.0-or-later
// Events keep wall-clock time across daylight-saving changes. The fake
// clock is moved in real elapsed time (Advance), so the local time it shows
// jumps forward in spring and repeats an hour in autumn, as a real one does.
#include "events/Scheduler.h"

#include "EventsTestSupport.h"

#include <ctime>
#include <tuple>

namespace {

const QString kIdFile = "/srv/id.wav";

struct Zone
{
    const char* tz;
    const char* name;
    QDate springForward; // the local clock jumps from 02:00 to 03:00
    QDate fallBack;      // the local clock repeats the hour before this time
    int repeatedHour;    // 2 in Europe, 1 in America
};

void PrintTo(const Zone& zone, std::ostream* os)
{
    *os << zone.tz;
}

WallTime Wall(QDate d, int h, int mi = 0)
{
    return MakeWallTime(d.year(), d.month(), d.day(), h, mi, 0);
}

class DaylightSavingTest : public ::testing::TestWithParam<Zone>, protected SchedulerOnClock
{
protected:
    void SetUp() override
    {
        qputenv("TZ", GetParam().tz);
        tzset();
    }
    void TearDown() override
    {
        m_hadTz ? qputenv("TZ", m_oldTz) : qunsetenv("TZ");
        tzset();
    }

private:
    const bool m_hadTz = qEnvironmentVariableIsSet("TZ");
    const QByteArray m_oldTz = qgetenv("TZ");
};

TEST_P(DaylightSavingTest, EventsKeepTheirWallClockTimeAndRunOnceAcrossBothChanges)
{
    const QDate spring = GetParam().springForward, fall = GetParam().fallBack;
    const int h = GetParam().repeatedHour;
    // the local start, real minutes run | the event, its first take (then one each wall-clock hour),
    // the takes, its next run after them
    const std::tuple<const char*, QDateTime, int, CScheduledEvent, WallTime, int, WallTime> rows[] = {
        {"daily, 23 h later", QDateTime(spring.addDays(-1), QTime(7, 30)), 24 * 60,
         Daily(kIdFile, Wall(spring.addDays(-10), 7, 30)), Wall(spring, 7, 30), 1,
         Wall(spring.addDays(1), 7, 30)},
        {"daily, 25 h later", QDateTime(fall.addDays(-1), QTime(7, 30)), 26 * 60,
         Daily(kIdFile, Wall(fall.addDays(-10), 7, 30)), Wall(fall, 7, 30), 1, Wall(fall.addDays(1), 7, 30)},
        {"skipped by spring forward: at 03:00", QDateTime(spring, QTime(1, 59)), 120,
         Daily(kIdFile, Wall(spring.addDays(-3), 2, 30)), Wall(spring, 3, 0), 1,
         Wall(spring.addDays(1), 2, 30)},
        {"daily, repeated hour", QDateTime(fall, QTime(0, 0)), 6 * 60,
         Daily(kIdFile, Wall(fall.addDays(-5), h, 30)), Wall(fall, h, 30), 1, Wall(fall.addDays(1), h, 30)},
        {"hourly: 00:45 ... 04:45, the repeated hour once", QDateTime(fall, QTime(0, 0)), 6 * 60,
         Hourly(kIdFile, Wall(fall.addDays(-5), 0, 45)), Wall(fall, 0, 45), 5, Wall(fall, 5, 45)}};
    for (const auto& [what, from, realMinutes, event, first, count, next] : rows) {
        SCOPED_TRACE(what);
        scheduler.Events().RemoveAll();
        clock.SetNow(from);
        const CScheduledEvent& e = Add(event);
        std::vector<WallTime> takes, expected;
        for (int i = 0; i < realMinutes; ++i) {
            clock.Advance(60 * 1000);
            for (int k = 0; k < 2; ++k) // bounded, should a fault keep an event due
                if (scheduler.TakeDueEvent(false))
                    takes.push_back(scheduler.Now());
        }
        for (int i = 0; i < count; ++i)
            expected.push_back(first + std::chrono::hours{i});
        EXPECT_EQ(takes, expected);
        EXPECT_EQ(e.NextRun(), next);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zones, DaylightSavingTest,
    ::testing::Values(Zone{"Europe/Berlin", "Berlin", QDate(2024, 3, 31), QDate(2024, 10, 27), 2},
                      Zone{"America/New_York", "NewYork", QDate(2024, 3, 10), QDate(2024, 11, 3), 1}),
    [](const auto& zoneInfo) { return std::string(zoneInfo.param.name); });

} // namespace
