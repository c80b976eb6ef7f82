// The player modes at the end of the list, Next/Previous, break and cueing.
#include "EngineFixture.h"

namespace {

const QStringList kThree = {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3"),
                            QStringLiteral("/m/c.mp3")};

// Each item plays to its end; what follows the last row depends on the mode.
TEST_F(EngineTest, EndOfListByMode)
{
    struct Case { PlayerMode mode; QStringList starts; int selection; };
    const Case cases[] = {
        {PlayerMode::Normal, {"a", "b", "c"}, 2},
        {PlayerMode::IntroScan, {"a", "b", "c"}, 2},
        {PlayerMode::Repeat, {"a", "b", "c", "a"}, 0},
        {PlayerMode::Manual, {"a"}, 1}, // a break after each item
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        MakeEngine();
        entries.clear();
        engine->SetMode(c.mode);
        Load(kThree);
        engine->OnPlay();
        for (int i = 0; i < 3 && engine->OnAir(); ++i)
            EndOnAir();
        EXPECT_EQ(Starts(), c.starts);
        EXPECT_EQ(list.Selection(), c.selection);
        EXPECT_EQ(engine->IsIdle(), c.mode != PlayerMode::Repeat);
    }
}

TEST_F(EngineTest, ShuffleModeReshufflesAtTheEndAndStartsTheNewFirstRow)
{
    engine->SetMode(PlayerMode::Shuffle);
    Load(kThree, 2);
    engine->OnPlay();
    randomValues = {2, 0, 0}; // draws c, a, b
    EndOnAir();
    EXPECT_EQ(list.Rows(), QStringList({"/m/c.mp3", "/m/a.mp3", "/m/b.mp3"}));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
}

TEST_F(EngineTest, RandomModeNextMovesDownButPlayPicksARandomRow)
{
    engine->SetMode(PlayerMode::Random);
    Load(kThree, 0);
    randomValues = {0};
    engine->OnPlay();
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    randomValues = {0}; // the same row may come twice in a row
    engine->OnCommand(Cmd::NextTrack);
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    randomValues = {5}; // 5 mod 3
    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
}

TEST_F(EngineTest, ManualModeBreaksAfterEachItem)
{
    engine->OnCommand(Cmd::ModeManual);
    EXPECT_TRUE(engine->BreakFlag());
    Load(kThree);
    engine->OnPlay();
    EXPECT_TRUE(engine->BreakFlag());
    EndOnAir();
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_FALSE(engine->BreakFlag());
    engine->OnPlay();
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_TRUE(engine->BreakFlag()); // set again at every start
}

TEST_F(EngineTest, BreakSetWhilePlayingStopsOnTheNextRow)
{
    Load(kThree);
    engine->OnPlay();
    engine->OnCommand(Cmd::Break);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::Break).checked);
    OnAir()->SetPosition(179000); // no overlap while the break is set
    engine->OnTimer(COnAirEngine::TimerOverlap);
    EXPECT_EQ(engine->Fading(), nullptr);
    EndOnAir();
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_FALSE(engine->BreakFlag());
}

TEST_F(EngineTest, NextAndPrevious)
{
    engine->Settings().fadeOnStop = false;
    Load(kThree);
    engine->OnCommand(Cmd::NextTrack); // not playing: only the selection moves
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_EQ(engine->OnAir(), nullptr);
    engine->OnPlay();
    engine->OnCommand(Cmd::NextTrack);
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
    // Normal mode, last row playing: Next stops and nothing restarts.
    engine->OnCommand(Cmd::NextTrack);
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(list.Selection(), 2);

    engine->OnPlay();
    engine->OnCommand(Cmd::PrevTrack);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    engine->OnCommand(Cmd::PrevTrack);
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    // On row 0 a playing item is stopped and nothing restarts.
    engine->OnCommand(Cmd::PrevTrack);
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(list.Selection(), 0);
}

TEST_F(EngineTest, NextWithFadeOnStopCrossFades)
{
    Load(kThree);
    engine->OnPlay();
    FakeTrack* first = OnAir();
    engine->OnCommand(Cmd::NextTrack);
    EXPECT_EQ(Fading(), first);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_TRUE(engine->IsFadeTimerActive());
}

TEST_F(EngineTest, PauseWithNothingOnAirCuesTheSelectedItem)
{
    Load(kThree, 1);
    engine->OnCommand(Cmd::Pause);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_FALSE(engine->IsIdle()); // the pause is posted
    RunPosted();
    EXPECT_TRUE(OnAir()->IsPaused());
    EXPECT_TRUE(engine->UpdateCommand(Cmd::Pause).checked);
    EXPECT_EQ(engine->UpdateCommand(Cmd::Play), (CommandState{true, true}));
    engine->OnCommand(Cmd::Play);
    EXPECT_TRUE(OnAir()->IsPlaying());
    EXPECT_EQ(engine->UpdateCommand(Cmd::Play), (CommandState{false, true}));
}

TEST_F(EngineTest, IntroScanRanges)
{
    engine->SetMode(PlayerMode::IntroScan);
    engine->Settings().introStart = 30;
    engine->Settings().introLength = 15;
    world.lengths["/m/long.mp3"] = 200000;
    world.lengths["/m/mid.mp3"] = 40000;  // shorter than start + length
    world.lengths["/m/short.mp3"] = 9000; // shorter than the length itself
    engine->Settings().fadeOnStop = false;
    Load({"/m/long.mp3", "/m/mid.mp3", "/m/short.mp3"});
    const std::pair<TrackMs, TrackMs> expected[] = {{30000, 45000}, {0, 15000}, {0, 9000}};
    for (int row = 0; row < 3; ++row) {
        list.Select(row);
        engine->OnPlay();
        EXPECT_EQ(OnAir()->rangeFrom, expected[row].first);
        EXPECT_EQ(OnAir()->rangeTo, expected[row].second);
        engine->OnStop();
    }
}

TEST_F(EngineTest, FastForwardAndRewind)
{
    Load(kThree);
    engine->OnPlay();
    OnAir()->SetPosition(10000);
    engine->OnCommand(Cmd::FastForward);
    EXPECT_EQ(OnAir()->GetPosition(), 40000);
    engine->OnCommand(Cmd::Rewind);
    engine->OnCommand(Cmd::Rewind);
    EXPECT_EQ(OnAir()->GetPosition(), 0); // never below 0
}

TEST_F(EngineTest, CommandEnableRules)
{
    EXPECT_EQ(engine->UpdateCommand(Cmd::Play), (CommandState{false, false}));
    EXPECT_FALSE(engine->UpdateCommand(Cmd::NextTrack).enabled);
    EXPECT_FALSE(engine->UpdateCommand(Cmd::Break).enabled);
    Load(kThree, 2);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::Play).enabled);
    EXPECT_FALSE(engine->UpdateCommand(Cmd::Stop).enabled);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::PrevTrack).enabled);
    EXPECT_FALSE(engine->UpdateCommand(Cmd::NextTrack).enabled); // last row, Normal
    engine->SetMode(PlayerMode::Repeat);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::NextTrack).enabled);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::ModeRepeat).checked);
    EXPECT_FALSE(engine->UpdateCommand(Cmd::ModeNormal).checked);
    engine->SetMode(PlayerMode::Random);
    EXPECT_FALSE(engine->UpdateCommand(Cmd::NextTrack).enabled); // Random needs a playing item
    EXPECT_FALSE(engine->UpdateCommand(Cmd::CrossFader).enabled);
    engine->OnPlay();
    EXPECT_TRUE(engine->UpdateCommand(Cmd::NextTrack).enabled);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::CrossFader).enabled);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::Stop).enabled);
    engine->OnCommand(Cmd::Break);
    EXPECT_FALSE(engine->UpdateCommand(Cmd::CrossFader).enabled);
}

TEST_F(EngineTest, ComingUpNext)
{
    Load(kThree, 1);
    EXPECT_EQ(engine->ComingUpNext(), "b"); // not playing: what Play would start
    engine->OnPlay();
    EXPECT_EQ(engine->ComingUpNext(), "c");
    list.Select(2);
    EXPECT_EQ(engine->ComingUpNext(), "");
    engine->SetMode(PlayerMode::Repeat);
    EXPECT_EQ(engine->ComingUpNext(), "a");
    engine->SetMode(PlayerMode::Random);
    EXPECT_EQ(engine->ComingUpNext(), "");
}

TEST_F(EngineTest, PlayResetsTheEventScheduleOnlyWhenNothingIsOnAir)
{
    Load(kThree);
    engine->OnPlay();
    engine->OnPlay(); // resumes
    EXPECT_EQ(events.resets, 1);
}

} // namespace
