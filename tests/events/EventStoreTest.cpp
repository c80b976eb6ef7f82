// SPDX-License-Identifier: GPL-3.0-or-later
// Event lists in the settings store and in events files.
#include "events/EventList.h"
#include "platform/IniFile.h"
#include "platform/TerminationWatcher.h"
#include "platform/registry/RegistryKey.h"

#include "EventsTestSupport.h"

#include <iostream>

namespace {

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

TEST_F(RegistryEvents, RoundTripKeepsEveryFieldToTheSecondInOrderAndReplacesTheWholeKey)
{
    {
        CRegistryKey events = EventsKey();
        events.SetNumber("Count", 9);
        events.SetText("Stray", "x");
        for (int i : {0, 5, 8})
            CRegistryKey::Create(events, QStringLiteral("Event %1").arg(i)).SetText("FileName", "/old.wav");
    }
    const CEventList list = Sample();
    const CEventList loaded = SaveAndReload(list);
    ExpectSameRecords(loaded, list);
    // Loading schedules: the first from its time of day, the masked one never.
    EXPECT_EQ(loaded.At(0).NextRun(), MakeWallTime(2024, 3, 5, 7, 30, 0));
    EXPECT_EQ(loaded.At(2).NextRun(), std::nullopt);
    const CRegistryKey events = EventsKey(), first = CRegistryKey::Create(events, "Event 0");
    EXPECT_EQ(std::tuple(events.ValueCount(), events.GetNumber("Count", -1), events.SubkeyCount(),
                         events.SubkeyName(2)),
              std::tuple(1, 3, 3, "Event 2")); // "Count" is its only value
    EXPECT_EQ(
        std::tuple(first.GetBinary("Exact"), first.GetText("StartDate", {}), first.GetText("ExpireDate", {})),
        std::tuple(QByteArray("\x01\x00\x00\x00", 4), "2001-3-5 7:30:00", "2099-12-31 0:00:00"));

    EXPECT_TRUE(SaveAndReload(CEventList()).IsEmpty());
    EXPECT_EQ(std::pair(EventsKey().GetNumber("Count", -1), EventsKey().SubkeyCount()), std::pair(0, 0));
}

TEST_F(RegistryEvents, CountDecidesWhichEntriesAreReadAndEmptyOnesAreSkipped)
{
    {
        CRegistryKey events = EventsKey();
        events.SetNumber("Count", 5);
        for (int i : {0, 2, 3, 6})
            CRegistryKey::Create(events, QStringLiteral("Event %1").arg(i)).SetText("FileName", "/e.wav");
        CRegistryKey::Create(events, "Event 3").DeleteValue("FileName");
    }
    EXPECT_EQ(Load().Count(), 2);      // 3 empty, 6 beyond Count
    EventsKey().SetNumber("Count", 1); // smaller: the rest is ignored
    EXPECT_EQ(SaveAndReload(Load()).Count(), 1);
    EXPECT_EQ(EventsKey().SubkeyCount(), 1); // and is gone after the next save
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
