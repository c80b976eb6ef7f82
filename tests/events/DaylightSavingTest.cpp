// Events keep wall-clock time across daylight-saving changes. The fake
// clock is moved in real elapsed time (Advance), so the local time it shows
// jumps forward in spring and repeats an hour in autumn, as a real one does.
#include "events/Scheduler.h"

#include "EventsTestSupport.h"

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

class DaylightSavingTest : public ::testing::TestWithParam<Zone>, protected SchedulerOnClock
{
protected:
    void SetUp() override { zone = std::make_unique<ScopedTimeZone>(GetParam().tz); }
    void TearDown() override { zone.reset(); }

    // Ticks once a second for seconds of real time, taking due events as the
    // engine's events tick does; returns the wall-clock times of the takes.
    std::vector<WallTime> Run(int seconds, int stepSeconds = 1)
    {
        std::vector<WallTime> takes;
        for (int i = 0; i < seconds; i += stepSeconds) {
            clock.Advance(std::int64_t(stepSeconds) * 1000);
            if (scheduler.TakeDueEvent(false))
                takes.push_back(scheduler.Now());
        }
        return takes;
    }
    static WallTime Wall(QDate d, int h, int mi = 0, int s = 0)
    {
        return MakeWallTime(d.year(), d.month(), d.day(), h, mi, s);
    }

    std::unique_ptr<ScopedTimeZone> zone;
};

TEST_P(DaylightSavingTest, DailyEventKeepsItsWallClockTimeAcrossBothChanges)
{
    for (const QDate day : {GetParam().springForward, GetParam().fallBack}) {
        scheduler.Events().RemoveAll();
        const QDate before = day.addDays(-1);
        clock.SetNow(Local(before.year(), before.month(), before.day(), 7, 30, 1));
        CScheduledEvent& e = Add(Daily(kFile, Wall(before.addDays(-10), 7, 30)));
        ASSERT_EQ(e.NextRun(), Wall(day, 7, 30));
        // 23 or 25 real hours pass until 07:30 on the day of the change.
        const int realHours = day == GetParam().springForward ? 23 : 25;
        EXPECT_TRUE(Run(realHours * 3600 - 60, 60).empty()); // to 07:29:01
        clock.Advance(58 * 1000);
        EXPECT_EQ(scheduler.TakeDueEvent(false), std::nullopt);
        clock.Advance(1000);
        EXPECT_EQ(scheduler.TakeDueEvent(false), kFile) << day.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(clock.Now().time(), QTime(7, 30));
        EXPECT_EQ(e.NextRun(), Wall(day.addDays(1), 7, 30));
    }
}

TEST_P(DaylightSavingTest, TimeSkippedBySpringForwardRunsOnceAtTheFirstValidMoment)
{
    const QDate day = GetParam().springForward;
    const QDate before = day.addDays(-1);
    clock.SetNow(Local(before.year(), before.month(), before.day(), 12, 0));
    CScheduledEvent& e = Add(Daily(kFile, Wall(before.addDays(-3), 2, 30)));
    ASSERT_EQ(e.NextRun(), Wall(day, 2, 30)); // a time that day never shows

    clock.SetNow(Local(day.year(), day.month(), day.day(), 1, 59, 0));
    const std::vector<WallTime> takes = Run(2 * 3600);
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0], Wall(day, 3, 0, 0));
    EXPECT_EQ(e.NextRun(), Wall(day.addDays(1), 2, 30));
}

TEST_P(DaylightSavingTest, RepeatedHourOfFallBackRunsDailyAndHourlyEventsOnce)
{
    const QDate day = GetParam().fallBack;
    const int h = GetParam().repeatedHour;
    clock.SetNow(Local(day.year(), day.month(), day.day(), 0, 0, 0));
    CScheduledEvent daily = Daily(kFile, Wall(day.addDays(-5), h, 30));
    Add(daily);
    const QString hourlyFile = "/srv/hourly.wav";
    Add(Hourly(hourlyFile, Wall(day.addDays(-5), 0, 45)));

    // Six real hours from midnight end at 05:00 wall-clock time.
    std::vector<WallTime> dailyTakes, hourlyTakes;
    for (int i = 0; i < 6 * 60; ++i) {
        clock.Advance(60 * 1000);
        for (int k = 0; k < 2; ++k) // bounded, should a fault keep an event due
            if (const auto file = scheduler.TakeDueEvent(false))
                (*file == kFile ? dailyTakes : hourlyTakes).push_back(scheduler.Now());
    }
    EXPECT_EQ(clock.Now().time(), QTime(5, 0));
    ASSERT_EQ(dailyTakes.size(), 1u);
    EXPECT_EQ(dailyTakes[0], Wall(day, h, 30));
    // Once per wall-clock hour: 00:45 ... 04:45, the repeated hour included once.
    std::vector<WallTime> expected;
    for (int hour = 0; hour < 5; ++hour)
        expected.push_back(Wall(day, hour, 45));
    EXPECT_EQ(hourlyTakes, expected);
}

INSTANTIATE_TEST_SUITE_P(Zones, DaylightSavingTest,
                         ::testing::Values(Zone{"Europe/Berlin", QDate(2024, 3, 31), QDate(2024, 10, 27), 2},
                                           Zone{"America/New_York", QDate(2024, 3, 10), QDate(2024, 11, 3), 1}),
                         [](const ::testing::TestParamInfo<Zone>& zoneInfo) {
                             return zoneInfo.index == 0 ? std::string("Berlin") : std::string("NewYork");
                         });

} // namespace
