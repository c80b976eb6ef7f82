// SPDX-License-Identifier: GPL-3.0-or-later
// The event record: next-run rules, copies and equality, the stored date
// format and the display line.
#include "events/ScheduledEvent.h"

#include "EventsTestSupport.h"

#include <QLocale>
#include <tuple>

namespace {

// 2024-03-04 is a Monday; day bits count from Sunday (bit 0).
constexpr int kMon = 4;
constexpr std::uint32_t kMonday = 1u << 1, kThursday = 1u << 4;
const QString kFile = "/srv/jingles/Station ID.wav";

WallTime At(int day, int h, int mi = 0, int s = 0)
{
    return MakeWallTime(2024, 3, day, h, mi, s);
}

CScheduledEvent Expiring(CScheduledEvent e, WallTime expiry)
{
    e.expireDate = expiry;
    return e;
}

// An event is due from its next run on, never a moment before; one without
// a next run never is. It is expired for good only when its expiry, not its
// mask, leaves it no next run.
TEST(NextRun, FollowsTimeOfDayHourWeekdaysStartAndExpiry)
{
    const std::optional<WallTime> never;
    const CScheduledEvent daily = Daily(kFile, At(1, 7, 30)), monday = Hourly(kFile, At(1, 5, 30), kMonday);
    const std::tuple<const char*, CScheduledEvent, WallTime, std::optional<WallTime>> cases[] = {
        {"daily, a second before", daily, At(kMon, 7, 29, 59), At(kMon, 7, 30)},
        {"daily, at its time: never the very moment", daily, At(kMon, 7, 30), At(kMon + 1, 7, 30)},
        {"hourly", monday, At(kMon, 10, 15), At(kMon, 10, 30)},
        {"hourly, at its time", monday, At(kMon, 10, 30), At(kMon, 11, 30)},
        {"hourly, late on its last day", monday, At(kMon, 23, 45), At(kMon + 7, 0, 30)},
        {"hourly, the evening before its day", monday, At(kMon - 1, 18, 0), At(kMon, 0, 30)},
        {"future start", Daily(kFile, At(kMon + 2, 9, 15)), At(kMon, 12), At(kMon + 2, 9, 15)},
        {"future start on a masked day", Daily(kFile, At(kMon + 2, 9, 15), kThursday), At(kMon, 12),
         At(kMon + 3, 9, 15)},
        {"hourly future start on a masked day", Hourly(kFile, At(kMon + 2, 9, 15), kThursday), At(kMon, 12),
         At(kMon + 3, 0, 15)},
        {"expiring exactly at the next run", Expiring(daily, At(kMon + 1, 7, 30)), At(kMon, 8),
         At(kMon + 1, 7, 30)},
        {"expiring a second before it", Expiring(daily, At(kMon + 1, 7, 29, 59)), At(kMon, 8), never},
        {"empty mask", Daily(kFile, At(1, 7, 30), 0), At(kMon, 8), never},
        {"only a stray bit", Daily(kFile, At(1, 7, 30), 128), At(kMon, 8), never},
        {"only stray bits", Daily(kFile, At(1, 7, 30), 0xFFFFFF80u), At(kMon, 8), never}};
    for (auto [what, event, now, next] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(event.ComputeNextRun(now), !next && event.expireDate != kDefaultExpiry);
        EXPECT_EQ(event.NextRun(), next);
        const WallTime due = next.value_or(MakeWallTime(2099, 1, 1));
        EXPECT_FALSE(event.IsDue(due - std::chrono::seconds{1}));
        EXPECT_EQ(event.IsDue(due), next.has_value());
    }
    const CScheduledEvent e = Expiring(daily, At(kMon + 1, 7, 29, 59));
    EXPECT_FALSE(e.IsExpired(At(kMon + 1, 7, 29, 59)));
    EXPECT_TRUE(e.IsExpired(At(kMon + 1, 7, 30)));
}

TEST(NextRun, WeekdayBits)
{
    CScheduledEvent e(At(1, 0));
    e.weekDayMask = kMonday | (1u << 6) | 0x100u; // Monday, Saturday, a stray bit
    const bool expected[] = {false, false, true, false, false, false, false, true, false};
    for (int d = 0; d <= 8; ++d)
        EXPECT_EQ(e.RunsOnDay(d), expected[d]) << d;
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

    const std::function<void(CScheduledEvent&)> changes[] = {
        [](CScheduledEvent& o) { o.fileName = kFile.toUpper(); },
        [](CScheduledEvent& o) { o.expireDate += std::chrono::seconds{1}; },
        [](CScheduledEvent& o) { o.startDate += std::chrono::seconds{1}; },
        [](CScheduledEvent& o) { o.weekDayMask = 126; },
        [](CScheduledEvent& o) { o.exact = false; },
        [](CScheduledEvent& o) { o.everyHour = true; }};
    for (const auto& change : changes) {
        CScheduledEvent other = e;
        change(other);
        EXPECT_FALSE(other == e) << &change - changes;
    }
}

// text | the time it reads as, whether FormatStoredDate writes it so
TEST(StoredDate, WrittenWithoutLeadingZerosReadInTheStoredIsoAndShortForms)
{
    const std::tuple<const char*, WallTime, bool> rows[] = {
        {"2099-12-31 0:00:00", MakeWallTime(2099, 12, 31), true},
        {"2001-3-5 7:30:00", MakeWallTime(2001, 3, 5, 7, 30), true},
        {"2024-10-27 23:05:09", MakeWallTime(2024, 10, 27, 23, 5, 9), true},
        {"2001-03-05T07:30:09", MakeWallTime(2001, 3, 5, 7, 30, 9), false},
        {" 2099-12-31 0:00 ", MakeWallTime(2099, 12, 31), false},
        {"2024-2-29", MakeWallTime(2024, 2, 29), false}};
    for (const auto& [text, time, written] : rows) {
        EXPECT_EQ(ParseStoredDate(QString::fromLatin1(text)), time) << text;
        EXPECT_EQ(FormatStoredDate(time) == QString::fromLatin1(text), written) << text;
    }
    for (const char* bad :
         {"", "garbage", "2023-2-29 0:00:00", "2001-13-1 0:00:00", "2001-3-5 24:00:00", "2001-3-5 7:60:00",
          "2001-3-5 7:30:00 extra", "99-1-1 0:00:00", "2001/3/5 7:30:00"})
        EXPECT_EQ(ParseStoredDate(QString::fromLatin1(bad)), std::nullopt) << bad;
}

TEST(DisplayLine, DailyUsesTheLocaleTimeHourlyTheMinuteAndSecond)
{
    CScheduledEvent e = Daily(kFile, At(1, 7, 30));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(e.GetDisplayLine(), "07:30:00  -  Station ID");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    e.exact = true;
    EXPECT_EQ(e.GetDisplayLine(), "7:30:00 AM  *  Station ID");
    QLocale::setDefault(QLocale::system());

    CScheduledEvent h = Hourly("/x/30.pause", At(1, 19, 5, 7));
    EXPECT_EQ(h.GetDisplayLine(), "__:05:07  -  30 sec.");
}

} // namespace
