// Events keep wall-clock time across daylight-saving changes. The fake
// clock is moved in real elapsed time (Advance), so the local time it shows
// jumps forward in spring and repeats an hour in autumn, as a real one does.
#include "events/Scheduler.h"

#include "EventsTestSupport.h"

#include <ctime>

namespace {

const QString kFile = "/srv/id.wav";

struct Zone
{
    const char* tz;
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
        if (m_oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", m_oldTz);
        tzset();
    }

private:
    const QByteArray m_oldTz = qEnvironmentVariableIsSet("TZ") ? qgetenv("TZ") : QByteArray();
};

TEST_P(DaylightSavingTest, EventsKeepTheirWallClockTimeAndRunOnceAcrossBothChanges)
{
    const QDate spring = GetParam().springForward, fall = GetParam().fallBack;
    const int h = GetParam().repeatedHour;
    std::vector<WallTime> hourly;
    for (int hour = 0; hour < 5; ++hour) // 00:45 ... 04:45, the repeated hour once
        hourly.push_back(Wall(fall, hour, 45));
    const struct
    {
        const char* what;
        QDateTime from;
        int realMinutes;
        CScheduledEvent event;
        std::vector<WallTime> takes;
        WallTime next;
    } rows[] = {
        {"daily, 23 real hours later",
         Local(spring.year(), spring.month(), spring.day() - 1, 7, 30),
         24 * 60,
         Daily(kFile, Wall(spring.addDays(-10), 7, 30)),
         {Wall(spring, 7, 30)},
         Wall(spring.addDays(1), 7, 30)},
        {"daily, 25 real hours later",
         Local(fall.year(), fall.month(), fall.day() - 1, 7, 30),
         26 * 60,
         Daily(kFile, Wall(fall.addDays(-10), 7, 30)),
         {Wall(fall, 7, 30)},
         Wall(fall.addDays(1), 7, 30)},
        {"skipped by spring forward: at the first valid moment",
         Local(spring.year(), spring.month(), spring.day(), 1, 59),
         120,
         Daily(kFile, Wall(spring.addDays(-3), 2, 30)),
         {Wall(spring, 3, 0)},
         Wall(spring.addDays(1), 2, 30)},
        {"daily in the repeated hour",
         Local(fall.year(), fall.month(), fall.day(), 0, 0),
         6 * 60,
         Daily(kFile, Wall(fall.addDays(-5), h, 30)),
         {Wall(fall, h, 30)},
         Wall(fall.addDays(1), h, 30)},
        {"hourly through the repeated hour", Local(fall.year(), fall.month(), fall.day(), 0, 0), 6 * 60,
         Hourly(kFile, Wall(fall.addDays(-5), 0, 45)), hourly, Wall(fall, 5, 45)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        scheduler.Events().RemoveAll();
        clock.SetNow(row.from);
        const CScheduledEvent& e = Add(row.event);
        std::vector<WallTime> takes;
        for (int i = 0; i < row.realMinutes; ++i) {
            clock.Advance(60 * 1000);
            for (int k = 0; k < 2; ++k) // bounded, should a fault keep an event due
                if (scheduler.TakeDueEvent(false))
                    takes.push_back(scheduler.Now());
        }
        EXPECT_EQ(takes, row.takes);
        EXPECT_EQ(e.NextRun(), row.next);
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, DaylightSavingTest,
                         ::testing::Values(Zone{"Europe/Berlin", QDate(2024, 3, 31), QDate(2024, 10, 27), 2},
                                           Zone{"America/New_York", QDate(2024, 3, 10), QDate(2024, 11, 3),
                                                1}),
                         [](const ::testing::TestParamInfo<Zone>& zoneInfo) {
                             return zoneInfo.index == 0 ? std::string("Berlin") : std::string("NewYork");
                         });

} // namespace
