// The silence detector on fake tracks: the test sets positions and calls the
// detector's tick (timer 4) directly.
#include "EngineFixture.h"

#include "app/Strings.h"
#include "platform/SystemRestart.h"

namespace {

struct FakeRestart : SystemRestart
{
    int requests = 0;
    bool RequestRestart(QString* error) override
    {
        ++requests;
        *error = QStringLiteral("refused in tests");
        return false;
    }
};

class SilenceTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        MakeEngine(nullptr, &restart);
        engine->Settings().watchDog.enable = true;
        engine->Settings().fadeOnStop = false;
        Load({"/m/a.mp3", "/m/b.mp3"});
    }
    void Tick() { engine->OnTimer(COnAirEngine::TimerWatchDog); }
    CWatchDogSettings& Dog() { return engine->Settings().watchDog; }
    FakeRestart restart;
};

TEST_F(SilenceTest, AHungItemIsActedOnAfterTwoIntervalsAtTheEarliest)
{
    engine->Startup();
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerWatchDog));
    engine->OnPlay();
    OnAir()->SetPosition(5000);
    Tick(); // the first interval of a new item only records it
    Tick(); // records the position
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    Tick(); // unchanged for a whole interval: next song
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_TRUE(entries.contains("silence\tThe next song is selected"));
}

TEST_F(SilenceTest, AMovingOrPausedItemIsNeverJudged)
{
    engine->OnPlay();
    for (int i = 0; i < 5; ++i) {
        OnAir()->SetPosition(1000 * i);
        Tick();
    }
    engine->OnPause();
    for (int i = 0; i < 5; ++i)
        Tick();
    engine->OnPause(); // resumed: the next tick only records again
    Tick();
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    EXPECT_EQ(entries.filter(QStringLiteral("silence")).size(), 0);
}

TEST_F(SilenceTest, NothingOnAirDoesNothing)
{
    Tick();
    Tick();
    EXPECT_TRUE(entries.isEmpty());
}

TEST_F(SilenceTest, MessageEveryIntervalWithTheTimerRearmedAfterIt)
{
    Dog().nextSong = false;
    Dog().message = true;
    engine->Startup();
    engine->OnPlay();
    Tick();
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages.first(), Str::Load(Str::SilenceDetected));
    EXPECT_EQ(entries.filter(QStringLiteral("silence\tA message box is displayed")).size(), 2);
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerWatchDog));
    EXPECT_EQ(OnAirPath(), "/m/a.mp3"); // playback goes on
}

TEST_F(SilenceTest, NextSongOnTheLastRowStartsTheSameRowAgain)
{
    list.Select(1);
    engine->OnPlay();
    const std::uint64_t first = OnAir()->Serial();
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_NE(OnAir()->Serial(), first);
}

TEST_F(SilenceTest, RebootAsksTheSeamAndAFailureChangesNothing)
{
    Dog().nextSong = false;
    Dog().reboot = true;
    document.modified = true;
    engine->OnPlay();
    engine->OnCommand(Str::CmdSilenceActions); // the command runs them at once
    EXPECT_EQ(restart.requests, 1);
    EXPECT_FALSE(document.modified);
    EXPECT_EQ(entries.last(), "silence\tThe system will be rebooted");
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
}

} // namespace
