// SPDX-License-Identifier: GPL-3.0-or-later
// The scheduler on a fake clock: taking due events, resets, the upcoming
// list and switching events on and off. Events keep wall-clock time across
// daylight-saving changes: the fake clock is moved in real elapsed time
// (Advance), so the local time it shows jumps forward in spring and repeats
// an hour in autumn, as a real one does.
#include "EventsTestSupport.h"

#include <ctime>

namespace {

// 2024-03-04 is a Monday; no daylight-saving change near it in any zone
// the tests run in.
const QString kNews = "/srv/news.wav";
const QString kId = "/srv/id.wav";
const QString kAd = "/srv/ad.wav";

// A wall time in March 2024, on the 4th unless day says otherwise.
WallTime March(int h, int mi = 0, int s = 0, int day = 4)
{
    return MakeWallTime(2024, 3, day, h, mi, s);
}

class SchedulerTest : public ::testing::Test, protected SchedulerOnClock
{
protected:
    void SetUp() override
    {
        SetClock(7, 0);
        scheduler.SetEnabledQuery([this] { return enabled; });
    }

    void SetClock(int h, int mi = 0, int s = 0, int day = 4) { clock.SetNow(Local(2024, 3, day, h, mi, s)); }
    QStringList UpcomingFiles()
    {
        scheduler.Refresh();
        QStringList out;
        for (int i = 0; i < scheduler.Upcoming().rowCount(); ++i)
            out << scheduler.Upcoming().At(i).fileName;
        return out;
    }
    // The files of the due events taken one after another (at most ten).
    QStringList TakeAll(bool exact)
    {
        QStringList out;
        while (const auto file = out.size() < 10 ? scheduler.TakeDueEvent(exact) : std::nullopt)
            out << *file;
        return out;
    }
    bool enabled = true; // the console's "Enable Events"
};

TEST_F(SchedulerTest, DueEventsAreTakenOnceByKindThenListOrder)
{
    Add(Daily(kId, March(8, 0, 0, 1)));
    CScheduledEvent& news = Add(Daily(kNews, March(8, 0, 0, 1)));
    news.exact = true;
    Add(Daily(kAd, March(8, 0, 0, 1)));
    SetClock(8, 0, 0);
    EXPECT_EQ(TakeAll(true), QStringList{kNews});
    EXPECT_EQ(news.NextRun(), March(8, 0, 0, 5));
    EXPECT_EQ(TakeAll(false),
              (QStringList{kId, kAd})); // nearer the front first, the next at the following step
}

TEST_F(SchedulerTest, WaitingEventOverdueForHoursIsTakenOnceAndRescheduledFromThen)
{
    CScheduledEvent& hourly = Add(Hourly(kId, March(5, 0, 0, 1)));
    CScheduledEvent& daily = Add(Daily(kNews, March(7, 30, 0, 1)));
    SetClock(10, 10); // a long track: 08:00, 09:00, 10:00 and 07:30 all passed
    EXPECT_EQ(TakeAll(false), (QStringList{kId, kNews}));
    EXPECT_EQ(std::tuple(hourly.NextRun(), daily.NextRun()), std::tuple(March(11, 0), March(7, 30, 0, 5)));
}

TEST_F(SchedulerTest, ResetToNowSkipsRunsMissedWhileStopped)
{
    Add(Daily(kNews, March(7, 30, 0, 1))).exact = true;
    Add(Hourly(kId, March(5, 15, 0, 1)));
    SetClock(11, 20); // the player stood still since 07:00
    scheduler.ResetToNow();
    EXPECT_EQ(TakeAll(true) + TakeAll(false), QStringList());
    SetClock(12, 15);
    EXPECT_EQ(TakeAll(false), QStringList{kId});
}

TEST_F(SchedulerTest, UpcomingListHoldsEventsDueWithinFifteenMinutes)
{
    CScheduledEvent& news = Add(Daily(kNews, March(7, 30, 0, 1)));
    Add(Daily(kId, March(7, 20, 0, 1), 0)); // empty mask: never shown
    Add(Daily(kAd, March(7, 46, 0, 1)));
    SetClock(7, 14, 59);
    EXPECT_TRUE(UpcomingFiles().isEmpty());
    SetClock(7, 15);
    EXPECT_EQ(UpcomingFiles(), QStringList{kNews});
    news.fileName = kId; // same count, different record
    EXPECT_EQ(UpcomingFiles(), QStringList{kId});
    news.fileName = kNews;
    SetClock(7, 31); // overdue waiting events stay listed until taken
    EXPECT_EQ(UpcomingFiles(), (QStringList{kNews, kAd}));
    EXPECT_EQ(scheduler.Upcoming().data(scheduler.Upcoming().index(0)).toString(), news.GetDisplayLine());
    ASSERT_EQ(scheduler.TakeDueEvent(false), kNews);
    EXPECT_EQ(UpcomingFiles(), QStringList{kAd});
    scheduler.Events().RemoveAll();
    EXPECT_TRUE(UpcomingFiles().isEmpty());
}

TEST_F(SchedulerTest, LabelBlinksWhileAnEventIsWithinFiveMinutesAndEnabled)
{
    Add(Daily(kNews, March(7, 30, 0, 1)));
    const CUpcomingEventsModel& upcoming = scheduler.Upcoming();
    int changes = 0;
    QObject::connect(&upcoming, &CUpcomingEventsModel::StateChanged, [&changes] { ++changes; });
    // clock at 07:mm:ss, enabled | blinking, state changes so far
    const std::tuple<int, int, bool, bool, int> steps[] = {
        {24, 59, true, false, 0}, {25, 0, true, true, 1},   {25, 1, true, false, 2},
        {25, 2, true, true, 3},   {25, 2, false, false, 4}, {25, 3, false, false, 4}};
    for (const auto& [mi, s, on, blink, changed] : steps) {
        SCOPED_TRACE(testing::Message() << "07:" << mi << ":" << s);
        SetClock(7, mi, s);
        enabled = on;
        scheduler.Refresh();
        EXPECT_EQ(upcoming.Blink(), blink);
        EXPECT_EQ(upcoming.IsEnabled(), on);
        EXPECT_EQ(changes, changed);
    }
    EXPECT_EQ(upcoming.rowCount(), 1) << "listed while disabled";
}

TEST_F(SchedulerTest, SwitchingEventsOnResetsSwitchingOffDoesNot)
{
    CScheduledEvent& e = Add(Daily(kNews, March(7, 30, 0, 1)));
    ToggleEvents(enabled, scheduler);
    EXPECT_EQ(std::pair(enabled, scheduler.Upcoming().IsEnabled()), std::pair(false, false));
    SetClock(9, 0);
    SetEventsEnabled(enabled, false, scheduler); // off again: still untouched
    EXPECT_EQ(e.NextRun(), March(7, 30));
    ToggleEvents(enabled, scheduler);
    EXPECT_EQ(std::pair(enabled, scheduler.Upcoming().IsEnabled()), std::pair(true, true));
    EXPECT_EQ(e.NextRun(), March(7, 30, 0, 5)); // 07:30 today was skipped
    SetEventsEnabled(enabled, true, scheduler); // already on: no reset
    SetClock(7, 30, 0, 5);
    EXPECT_EQ(scheduler.TakeDueEvent(false), kNews);
}

TEST_F(SchedulerTest, ReplacingTheListSchedulesCopiesFromNow)
{
    TempHive hive; // the new list is saved
    CEventList edited;
    edited.Append(Daily(kNews, March(7, 30, 0, 1)));
    SetClock(8, 0);
    scheduler.ReplaceEvents(edited);
    ASSERT_EQ(scheduler.Events().Count(), 1);
    EXPECT_EQ(scheduler.Events().At(0).NextRun(), March(7, 30, 0, 5));
    EXPECT_EQ(edited.At(0).NextRun(), kZeroDate); // the page's copy is not touched
}

struct Zone
{
    const char* tz;
    const char* name;
    QDate springForward; // the local clock jumps from 02:00 to 03:00
    QDate fallBack;      // the local clock repeats the hour before this time
    int repeatedHour;    // 2 in Europe, 1 in America
};

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
         Daily(kId, Wall(spring.addDays(-10), 7, 30)), Wall(spring, 7, 30), 1,
         Wall(spring.addDays(1), 7, 30)},
        {"daily, 25 h later", QDateTime(fall.addDays(-1), QTime(7, 30)), 26 * 60,
         Daily(kId, Wall(fall.addDays(-10), 7, 30)), Wall(fall, 7, 30), 1, Wall(fall.addDays(1), 7, 30)},
        {"skipped by spring forward: at 03:00", QDateTime(spring, QTime(1, 59)), 120,
         Daily(kId, Wall(spring.addDays(-3), 2, 30)), Wall(spring, 3, 0), 1, Wall(spring.addDays(1), 2, 30)},
        {"daily, repeated hour", QDateTime(fall, QTime(0, 0)), 6 * 60,
         Daily(kId, Wall(fall.addDays(-5), h, 30)), Wall(fall, h, 30), 1, Wall(fall.addDays(1), h, 30)},
        {"hourly: 00:45 ... 04:45, the repeated hour once", QDateTime(fall, QTime(0, 0)), 6 * 60,
         Hourly(kId, Wall(fall.addDays(-5), 0, 45)), Wall(fall, 0, 45), 5, Wall(fall, 5, 45)}};
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
