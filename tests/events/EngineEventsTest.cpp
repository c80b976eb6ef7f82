// The scheduler driving a real on-air engine (tracks, log and shell faked).
#include "events/Scheduler.h"

#include "../onair/EngineFixture.h"
#include "EventsTestSupport.h"

namespace {

// The fixture's fake clock starts on Saturday 2000-01-01 at 12:00:00.
WallTime Noon(int mi, int s = 0)
{
    return MakeWallTime(2000, 1, 1, 12, mi, s);
}

class EngineEventsTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        MakeEngine(&scheduler);
        scheduler.SetEnabledQuery([this] { return engine->Settings().enableEvents; });

        Load({"/m/a.wav", "/m/b.wav", "/m/c.wav"});
        world.lengths["/m/a.wav"] = 3600 * 1000; // an hour-long item
    }
    void TearDown() override { engine.reset(); }

    void AddEvent(const QString& file, WallTime at, bool exact)
    {
        CScheduledEvent e = Daily(file, at);
        e.exact = exact;
        scheduler.Events().Append(e);
    }
    void TickAt(int mi, int s = 0)
    {
        clock.SetNow(Local(2000, 1, 1, 12, mi, s));
        engine->OnTimer(COnAirEngine::TimerEvents);
    }

    CEventScheduler scheduler{clock};
};

TEST_F(EngineEventsTest, ExactEventInterruptsAtTheNextTickThenThePlaylistGoesOn)
{
    AddEvent("/m/news.wav", Noon(30), true);
    engine->OnPlay(); // schedules the events from now
    ASSERT_EQ(OnAirPath(), "/m/a.wav");

    TickAt(29, 59);
    EXPECT_EQ(OnAirPath(), "/m/a.wav");
    TickAt(30, 0);
    EXPECT_EQ(OnAirPath(), "/m/news.wav");
    EXPECT_EQ(scheduler.Events().At(0).NextRun(), MakeWallTime(2000, 1, 2, 12, 30));
    TickAt(30, 1);
    EXPECT_EQ(world.opened.count("/m/news.wav"), 1);

    EndOnAir(); // the news end: the entry after the interrupted one follows
    EXPECT_EQ(OnAirPath(), "/m/b.wav");
    EXPECT_EQ(Starts(), (QStringList{"a", "news", "b"}));
}

TEST_F(EngineEventsTest, WaitingEventStartsWhenTheItemEnds)
{
    AddEvent("/m/id.wav", Noon(30), false);
    engine->OnPlay();
    for (int s = 0; s < 120; ++s)
        TickAt(29 + s / 60, s % 60); // due since 12:30, but the item is not cut
    EXPECT_EQ(OnAirPath(), "/m/a.wav");
    scheduler.Refresh();
    EXPECT_EQ(scheduler.Upcoming().rowCount(), 1); // overdue and waiting

    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/m/id.wav");
    EXPECT_EQ(list.Selection(), 0); // the selection did not move
    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/m/b.wav");
    EXPECT_EQ(Starts(), (QStringList{"a", "id", "b"}));
}

TEST_F(EngineEventsTest, IdlePlayerStartsAnExactEventAtOnce)
{
    AddEvent("/m/news.wav", Noon(30), true);
    scheduler.ResetToNow();
    TickAt(29, 59);
    EXPECT_EQ(engine->OnAir(), nullptr);
    TickAt(30);
    EXPECT_EQ(OnAirPath(), "/m/news.wav");
}

} // namespace
