// SPDX-License-Identifier: GPL-3.0-or-later
// The event record (next-run rules, copies and equality, the stored date
// format and the display line) and event lists in the settings store and in
// events files.
#include "platform/TerminationWatcher.h"

#include "EventsTestSupport.h"

#include <iostream>

namespace {

// 2024-03-04 is a Monday.
constexpr int kMon = 4;
constexpr std::uint32_t kMonday = 1u << 1, kThursday = 1u << 4; // day bits from Sunday (bit 0)
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
        {"only stray bits", Daily(kFile, At(1, 7, 30), 0xFFFFFF80u), At(kMon, 8), never},
        {"Saturdays and a stray bit", Daily(kFile, At(1, 7, 30), (1u << 6) | 0x100u), At(kMon, 8),
         At(kMon + 5, 7, 30)}};
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

const WallTime kNow = MakeWallTime(2024, 3, 4, 12, 0, 0);

// Three unexpired events that differ in every field.
CEventList Sample()
{
    CEventList list;
    CScheduledEvent a = Daily("/srv/News at 7.wav", MakeWallTime(2001, 3, 5, 7, 30, 0));
    a.exact = true;
    CScheduledEvent b = Hourly("/srv/Jingle – Ünïcode.mp3", MakeWallTime(2024, 3, 1, 0, 0, 59),
                               (1u << 1) | (1u << 5));
    b.expireDate = MakeWallTime(2024, 12, 31, 23, 59, 59);
    list.Append(a);
    list.Append(b);
    list.Append(Daily("/srv/never.wav", MakeWallTime(2030, 1, 9, 0, 0, 1), 0));
    return list;
}

void ExpectSameRecords(const CEventList& actual, const CEventList& expected)
{
    ASSERT_EQ(actual.Count(), expected.Count());
    for (int i = 0; i < expected.Count(); ++i)
        EXPECT_EQ(actual.At(i), expected.At(i)) << "event " << i;
}

CRegistryKey EventsKey()
{
    return CRegistryKey::OpenAppSubkey("Events");
}

class RegistryEvents : public ::testing::Test
{
protected:
    CEventList SaveAndReload(const CEventList& list)
    {
        {
            CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
            list.SaveToRegistry(app);
        }
        return Load();
    }
    // Reads what the file holds now.
    static CEventList Load(WallTime now = kNow)
    {
        TempHive::Reload();
        CEventList loaded;
        loaded.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()), now);
        return loaded;
    }
    TempHive hive;
};

// Count decides which entries are read, empty ones are skipped; a save
// replaces the whole key and keeps every field to the second, in order.
TEST_F(RegistryEvents, CountDecidesWhatIsReadAndASaveReplacesTheWholeKeyKeepingEveryField)
{
    {
        CRegistryKey events = EventsKey();
        events.SetNumber("Count", 5);
        events.SetText("Stray", "x");
        for (int i : {0, 2, 3, 6})
            CRegistryKey::Create(events, QStringLiteral("Event %1").arg(i)).SetText("FileName", "/e.wav");
        CRegistryKey::Create(events, "Event 3").DeleteValue("FileName");
    }
    EXPECT_EQ(Load().Count(), 2);      // 3 empty, 6 beyond Count
    EventsKey().SetNumber("Count", 1); // smaller: the rest is ignored
    EXPECT_EQ(Load().Count(), 1);

    const CEventList list = Sample();
    const CEventList loaded = SaveAndReload(list);
    ExpectSameRecords(loaded, list);
    // Loading schedules: the first from its time of day, the masked one never.
    EXPECT_EQ(loaded.At(0).NextRun(), MakeWallTime(2024, 3, 5, 7, 30, 0));
    EXPECT_EQ(loaded.At(2).NextRun(), std::nullopt);
    const CRegistryKey events = EventsKey(), first = CRegistryKey::Create(events, "Event 0");
    EXPECT_EQ(std::tuple(events.ValueCount(), events.GetNumber("Count", -1), events.SubkeyCount(),
                         events.SubkeyName(2)),
              std::tuple(1, 3, 3, "Event 2")); // "Count" is its only value, "Event 6" is gone
    EXPECT_EQ(
        std::tuple(first.GetBinary("Exact"), first.GetText("StartDate", {}), first.GetText("ExpireDate", {})),
        std::tuple(QByteArray("\x01\x00\x00\x00", 4), "2001-3-5 7:30:00", "2099-12-31 0:00:00"));

    EXPECT_TRUE(SaveAndReload(CEventList()).IsEmpty());
    EXPECT_EQ(std::pair(EventsKey().GetNumber("Count", -1), EventsKey().SubkeyCount()), std::pair(0, 0));
}

// A schedule of 500 events whose files name the round that saved it.
CEventList Schedule(int round)
{
    CEventList list;
    for (int i = 0; i < 500; ++i)
        list.Append(Daily(QStringLiteral("/srv/%1/%2.wav").arg(round).arg(i), MakeWallTime(2030, 1, 1)));
    return list;
}

// Runs only as the child of the test below: saves schedules from round
// LIRANA_TEST_CHILD_ARG on, printing each round as it starts, until it is
// killed or a SIGTERM's watchdog (20 ms here) ends it. Before a SIGTERM
// (the first five ends) each round is printed inside its save.
TEST(EventSaveChild, SavesUntilEnded)
{
    if (!TempHive::EnterChild())
        GTEST_SKIP() << "started by RegistryEvents.ASaveEndedAtAnyMomentLeavesTheOldOrTheNewScheduleWhole";
    const CTerminationWatcher watcher(20);
    for (int round = qEnvironmentVariableIntValue("LIRANA_TEST_CHILD_ARG");; ++round) {
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        const auto save = round < 6000 ? std::make_unique<CRegistrySave>(app) : nullptr;
        std::cout << '\n' << round << std::endl;
        Schedule(round).SaveToRegistry(app);
    }
}

// Five SIGTERMs and twenty kills, each at another moment of the saves.
TEST_F(RegistryEvents, ASaveEndedAtAnyMomentLeavesTheOldOrTheNewScheduleWhole)
{
    for (int end = 1; end <= 25; ++end) {
        SCOPED_TRACE(end);
        QProcess child;
        hive.StartChild(child, "EventSaveChild.*", QString::number(end * 1000));
        QByteArray out; // GoogleTest's lines, then each round as it starts
        ASSERT_TRUE(TestEnv::WaitUntil(
            [&] { return (out += child.readAllStandardOutput()).contains("000\n"); }, 20000));
        child.waitForFinished(end * 37 % 150); // it goes on saving
        const int started = (out + child.readAllStandardOutput()).trimmed().split('\n').last().toInt();
        end <= 5 ? child.terminate() : child.kill();
        ASSERT_TRUE(child.waitForFinished(30000));
        const CEventList loaded = Load();
        const int round = loaded.IsEmpty() ? 0 : loaded.At(0).fileName.section(u'/', 2, 2).toInt();
        ExpectSameRecords(loaded, Schedule(round)); // the whole schedule of one round
        EXPECT_GE(round, end <= 5 ? started : 0) << "the save under way is finished";
    }
}

class FileEvents : public ::testing::Test
{
protected:
    CEventList Load() const
    {
        CEventList list;
        list.LoadFromFile(path, kNow);
        return list;
    }
    QString path = TestEnv::MakeTempDir("events") + "/Events.ini";
};

TEST_F(FileEvents, LayoutRoundTripAndNoStaleSections)
{
    const CEventList list = Sample();
    list.SaveToFile(path);
    const QByteArray text = FileBytes(path);
    EXPECT_TRUE(text.startsWith("[Event 0]\nEveryHour=0\nFileName=/srv/News at 7.wav\n"
                                "StartDate=2001-3-5 7:30:00\nExpireDate=2099-12-31 0:00:00\n"
                                "WeekDayMask=127\nExact=1\n\n[Event 1]\n"))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("[Event 2]\nEveryHour=0\nFileName=/srv/never.wav\nStartDate=2030-1-9 0:00:01\n"
                              "ExpireDate=2099-12-31 0:00:00\nWeekDayMask=0\nExact=0\n\n[Events]\nCount=3\n"))
        << text.toStdString();
    ExpectSameRecords(Load(), list);

    // Into a file with sections of its own: only event sections go.
    TestEnv::WriteFile(path,
                       "; my schedule\n[Notes]\nby=me\n[EVENT 4]\nFileName=/stale.wav\n[Event 1]\n[Events]\n"
                       "Count=5\n");
    CEventList one;
    one.Append(Sample().At(1));
    {
        CIniFile file(path);
        one.SaveToProfile(file);
        file.Flush();
    }
    EXPECT_TRUE(FileBytes(path).startsWith("; my schedule\n[Notes]\nby=me\n[E"));
    EXPECT_FALSE(FileBytes(path).contains("stale"));
    EXPECT_FALSE(FileBytes(path).contains("Event 1"));
    ExpectSameRecords(Load(), one);
}

TEST_F(FileEvents, CountGapsEmptySectionsExpiryAndEmptyList)
{
    TestEnv::WriteFile(path, "[events]\ncount=4\n[Event 0]\nFileName=/a.wav\nExpireDate=2024-3-4 11:59:59\n"
                             "[Event 1]\n; nothing here\n[Event 3]\nfilename=/d.wav\nEveryHour=1\n"
                             "StartDate=2024-03-01T10:20:30\n[Event 4]\nFileName=/e.wav\n");
    const CEventList loaded = Load();
    ASSERT_EQ(loaded.Count(), 1); // 0 expired, 1 empty, 2 missing, 4 beyond Count
    const CScheduledEvent& d = loaded.At(0);
    EXPECT_EQ(std::tuple(d.fileName, d.everyHour, d.startDate, d.NextRun()),
              std::tuple("/d.wav", true, MakeWallTime(2024, 3, 1, 10, 20, 30),
                         MakeWallTime(2024, 3, 4, 12, 20, 30)));

    CEventList().SaveToFile(path);
    EXPECT_EQ(FileBytes(path), QByteArray("[Events]\nCount=0\n"));
    EXPECT_TRUE(Load().IsEmpty());
}

} // namespace
