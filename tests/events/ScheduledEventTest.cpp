// The event record: next-run rules, copies and equality, the stored date
// format and the display line.
#include "events/ScheduledEvent.h"

#include "EventsTestSupport.h"

#include <QLocale>

namespace {

// 2024-03-04 is a Monday.
constexpr int kMon = 4;
const QString kFile = QStringLiteral("/srv/jingles/Station ID.wav");

WallTime At(int day, int h, int mi = 0, int s = 0)
{
    return MakeWallTime(2024, 3, day, h, mi, s);
}

TEST(NextRun, DailyEventAroundItsTime)
{
    CScheduledEvent e = Daily(kFile, At(1, 7, 30));
    EXPECT_FALSE(e.ComputeNextRun(At(kMon, 7, 29, 59)));
    EXPECT_EQ(e.NextRun(), At(kMon, 7, 30));
    EXPECT_FALSE(e.IsDue(At(kMon, 7, 29, 59)));
    EXPECT_TRUE(e.IsDue(At(kMon, 7, 30)));

    // Computed at 07:30:00 itself: never for the very moment of computation.
    e.ComputeNextRun(At(kMon, 7, 30));
    EXPECT_EQ(e.NextRun(), At(kMon + 1, 7, 30));
}

TEST(NextRun, HourlyMondayOnlyLateOnMondayMovesToNextMonday)
{
    CScheduledEvent e = Hourly(kFile, At(1, 5, 30), 1u << 1);
    e.ComputeNextRun(At(kMon, 23, 45));
    EXPECT_EQ(e.NextRun(), At(kMon + 7, 0, 30));

    e.ComputeNextRun(At(kMon, 10, 15));
    EXPECT_EQ(e.NextRun(), At(kMon, 10, 30));
    e.ComputeNextRun(At(kMon, 10, 30));
    EXPECT_EQ(e.NextRun(), At(kMon, 11, 30));
    // Sunday evening: the first hour of Monday.
    e.ComputeNextRun(At(kMon - 1, 18, 0));
    EXPECT_EQ(e.NextRun(), At(kMon, 0, 30));
}

TEST(NextRun, FutureStartIsTheFirstRunUnlessItsDayIsMasked)
{
    const WallTime wednesday = At(kMon + 2, 9, 15);
    CScheduledEvent daily = Daily(kFile, wednesday);
    daily.ComputeNextRun(At(kMon, 12, 0));
    EXPECT_EQ(daily.NextRun(), wednesday);

    daily.weekDayMask = 1u << 4; // Thursday only
    daily.ComputeNextRun(At(kMon, 12, 0));
    EXPECT_EQ(daily.NextRun(), At(kMon + 3, 9, 15));

    CScheduledEvent hourly = Hourly(kFile, wednesday, 1u << 4);
    hourly.ComputeNextRun(At(kMon, 12, 0));
    EXPECT_EQ(hourly.NextRun(), At(kMon + 3, 0, 15)); // first hour of Thursday
}

TEST(NextRun, ExpiryAndEmptyMaskMeanNeverAgain)
{
    CScheduledEvent e = Daily(kFile, At(1, 7, 30));
    e.expireDate = At(kMon + 1, 7, 30); // exactly the next run: still runs
    EXPECT_FALSE(e.ComputeNextRun(At(kMon, 8, 0)));
    EXPECT_EQ(e.NextRun(), At(kMon + 1, 7, 30));

    e.expireDate = At(kMon + 1, 7, 29, 59);
    EXPECT_TRUE(e.ComputeNextRun(At(kMon, 8, 0)));
    EXPECT_EQ(e.NextRun(), std::nullopt);
    EXPECT_FALSE(e.IsDue(MakeWallTime(2099, 1, 1)));
    EXPECT_FALSE(e.IsExpired(At(kMon + 1, 7, 29, 59)));
    EXPECT_TRUE(e.IsExpired(At(kMon + 1, 7, 30)));

    for (std::uint32_t mask : {0u, 128u, 0xFFFFFF80u}) {
        CScheduledEvent never = Daily(kFile, At(1, 7, 30), mask);
        EXPECT_FALSE(never.ComputeNextRun(At(kMon, 8, 0))) << mask; // not expired
        EXPECT_EQ(never.NextRun(), std::nullopt) << mask;
    }
}

TEST(NextRun, WeekdayBits)
{
    CScheduledEvent e(At(1, 0));
    e.weekDayMask = (1u << 1) | (1u << 6) | 0x100u; // Monday, Saturday, a stray bit
    const std::vector<bool> expected{false, true, false, false, false, false, true};
    for (int d = 1; d <= 7; ++d)
        EXPECT_EQ(e.RunsOnDay(d), expected[std::size_t(d - 1)]) << d;
    EXPECT_FALSE(e.RunsOnDay(0));
    EXPECT_FALSE(e.RunsOnDay(8));
    EXPECT_EQ(DayOfWeek(At(kMon, 12)), 2);
    EXPECT_EQ(DayOfWeek(At(kMon - 1, 12)), 1);
}

TEST(EventRecord, CopiesLeaveTheNextRunBehindAndEqualityIgnoresIt)
{
    CScheduledEvent e = Daily(kFile, At(1, 7, 30));
    e.exact = true;
    e.ComputeNextRun(At(kMon, 8, 0));
    ASSERT_EQ(e.NextRun(), At(kMon + 1, 7, 30));

    CScheduledEvent copy(e);
    EXPECT_EQ(copy.NextRun(), kZeroDate);
    EXPECT_TRUE(copy.IsDue(At(kMon, 0)));
    EXPECT_EQ(copy, e);

    CScheduledEvent assigned(At(2, 0));
    assigned.ComputeNextRun(At(kMon, 8, 0));
    assigned = e;
    EXPECT_EQ(assigned.NextRun(), kZeroDate);
    EXPECT_EQ(assigned, e);

    CScheduledEvent other = e;
    other.fileName = kFile.toUpper();
    EXPECT_FALSE(other == e);
    other = e;
    other.expireDate += std::chrono::seconds{1};
    EXPECT_FALSE(other == e);
    other = e;
    other.weekDayMask = 126;
    EXPECT_FALSE(other == e);
}

TEST(StoredDate, FormatHasNoLeadingZerosBeforeTheMinutes)
{
    EXPECT_EQ(FormatStoredDate(MakeWallTime(2099, 12, 31)), QStringLiteral("2099-12-31 0:00:00"));
    EXPECT_EQ(FormatStoredDate(MakeWallTime(2001, 3, 5, 7, 30)), QStringLiteral("2001-3-5 7:30:00"));
    EXPECT_EQ(FormatStoredDate(MakeWallTime(2024, 10, 27, 23, 5, 9)), QStringLiteral("2024-10-27 23:05:09"));
}

TEST(StoredDate, ParsesStoredIsoAndShortForms)
{
    EXPECT_EQ(ParseStoredDate(QStringLiteral("2001-3-5 7:30:00")), MakeWallTime(2001, 3, 5, 7, 30));
    EXPECT_EQ(ParseStoredDate(QStringLiteral("2001-03-05T07:30:09")), MakeWallTime(2001, 3, 5, 7, 30, 9));
    EXPECT_EQ(ParseStoredDate(QStringLiteral(" 2099-12-31 0:00 ")), MakeWallTime(2099, 12, 31));
    EXPECT_EQ(ParseStoredDate(QStringLiteral("2024-2-29")), MakeWallTime(2024, 2, 29));
    for (const char* bad : {"", "garbage", "2023-2-29 0:00:00", "2001-13-1 0:00:00", "2001-3-5 24:00:00",
                            "2001-3-5 7:60:00", "2001-3-5 7:30:00 extra", "99-1-1 0:00:00", "2001/3/5 7:30:00"})
        EXPECT_EQ(ParseStoredDate(QString::fromLatin1(bad)), std::nullopt) << bad;
}

class DisplayLine : public ::testing::Test
{
protected:
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(DisplayLine, DailyUsesTheLocaleTimeHourlyTheMinuteAndSecond)
{
    CScheduledEvent e = Daily(kFile, At(1, 7, 30));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(e.GetDisplayLine(), QStringLiteral("07:30:00  -  Station ID"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    e.exact = true;
    EXPECT_EQ(e.GetDisplayLine(), QStringLiteral("7:30:00 AM  *  Station ID"));

    CScheduledEvent h = Hourly(QStringLiteral("/x/30.pause"), At(1, 19, 5, 7));
    EXPECT_EQ(h.GetDisplayLine(), QStringLiteral("__:05:07  -  30 sec."));
}

} // namespace
