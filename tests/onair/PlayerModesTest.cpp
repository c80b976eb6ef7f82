// SPDX-License-Identifier: GPL-3.0-or-later
// The player modes at the end of the list, Next/Previous, break, cueing and
// the commands' enable rules.
#include "EngineFixture.h"

const QStringList kThree = {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3"),
                            QStringLiteral("/m/c.mp3")};

// Each item plays to its end; what follows the last row depends on the mode
// (Manual breaks after each item).
TEST_F(EngineTest, EndOfListByMode)
{
    const std::tuple<PlayerMode, QStringList, int> cases[] = {{PlayerMode::Normal, {"a", "b", "c"}, 2},
                                                              {PlayerMode::IntroScan, {"a", "b", "c"}, 2},
                                                              {PlayerMode::Repeat, {"a", "b", "c", "a"}, 0},
                                                              {PlayerMode::Manual, {"a"}, 1}};
    for (const auto& [mode, starts, selection] : cases) {
        SCOPED_TRACE(static_cast<int>(mode));
        MakeEngine();
        engine->SetMode(mode);
        Play(kThree);
        for (int i = 0; i < 3 && engine->OnAir(); ++i)
            EndOnAir();
        EXPECT_EQ(Starts(), starts);
        EXPECT_EQ(list.Selection(), selection);
    }
}

// Shuffle reshuffles at the end of the list; Random plays a random row,
// drawn when the item before starts (the same row may come twice in a row).
TEST_F(EngineTest, ShuffleAndRandomDrawRows)
{
    engine->SetMode(PlayerMode::Shuffle);
    Play(kThree, 2);
    randomValues = {2, 0, 0}; // draws c, a, b
    EndOnAir();
    EXPECT_EQ(list.Rows(), QStringList({"/m/c.mp3", "/m/a.mp3", "/m/b.mp3"}));
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");

    engine->SetMode(PlayerMode::Random);
    randomValues = {0, 5}; // 5 mod 3
    engine->OnCommand(Cmd::NextTrack);
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
    EXPECT_EQ(engine->PreparedItem(), "/m/b.mp3"); // drawn when prepared, kept until due
    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
}

// The break stops playback after the item on air (no overlap meanwhile);
// Manual mode sets it again at every start.
TEST_F(EngineTest, BreakStopsOnTheNextRowAndManualModeSetsItAtEveryStart)
{
    Play(kThree);
    engine->OnCommand(Cmd::Break);
    OnAir()->SetPosition(179000);
    Tick();
    EXPECT_EQ(engine->Fading(), nullptr);
    EndOnAir();
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_FALSE(engine->BreakFlag());

    engine->OnCommand(Cmd::ModeManual);
    engine->OnPlay();
    EndOnAir();
    engine->OnPlay();
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
    EXPECT_TRUE(engine->BreakFlag());
}

TEST_F(EngineTest, NextAndPreviousByRow)
{
    // command, selected row, playing | on air, selection
    const std::tuple<int, int, bool, QString, int> cases[] = {
        {Cmd::NextTrack, 0, false, "", 1}, // not playing: only the selection moves
        {Cmd::NextTrack, 1, true, "/m/c.mp3", 2},
        {Cmd::NextTrack, 2, true, "", 2}, // the last row in Normal mode: stops
        {Cmd::PrevTrack, 2, true, "/m/b.mp3", 1},
        {Cmd::PrevTrack, 1, true, "/m/a.mp3", 0},
        {Cmd::PrevTrack, 1, false, "", 0},
        {Cmd::PrevTrack, 0, true, "", 0}}; // the first row: stops
    for (const auto& [command, row, playing, onAir, selection] : cases) {
        SCOPED_TRACE(testing::Message() << command << " on row " << row);
        MakeEngine();
        engine->Settings().fadeOnStop = false;
        Load(kThree, row);
        if (playing)
            engine->OnPlay();
        engine->OnCommand(command);
        EXPECT_EQ(OnAirPath(), onAir);
        EXPECT_EQ(list.Selection(), selection);
    }
}

// Pause with nothing on air cues the selected item (started, then paused
// by a posted command); Fast Forward and Rewind move 30 s, never below 0.
TEST_F(EngineTest, PauseCuesAndTheSeekCommands)
{
    Load(kThree, 1);
    engine->OnCommand(Cmd::Pause);
    RunPosted();
    EXPECT_TRUE(OnAir()->IsPaused());
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_EQ(engine->UpdateCommand(Cmd::Play), (CommandState{true, true}));
    engine->OnCommand(Cmd::Play);
    EXPECT_TRUE(OnAir()->IsPlaying());
    OnAir()->SetPosition(10000);
    engine->OnCommand(Cmd::FastForward);
    EXPECT_EQ(OnAir()->GetPosition(), 40000);
    engine->OnCommand(Cmd::Rewind);
    engine->OnCommand(Cmd::Rewind);
    EXPECT_EQ(OnAir()->GetPosition(), 0);
}

// Intro Scan plays the intro length from the intro start, or from the
// start of an item too short for it.
TEST_F(EngineTest, IntroScanRanges)
{
    engine->SetMode(PlayerMode::IntroScan);
    engine->Settings().introStart = 30;
    engine->Settings().introLength = 15;
    world.lengths = {{"/m/long.mp3", 200000}, {"/m/mid.mp3", 40000}, {"/m/short.mp3", 9000}};
    const std::pair<TrackMs, TrackMs> expected[] = {{30000, 45000}, {0, 15000}, {0, 9000}};
    for (int row = 0; row < 3; ++row) {
        Play({"/m/long.mp3", "/m/mid.mp3", "/m/short.mp3"}, row);
        EXPECT_EQ(std::pair(OnAir()->rangeFrom, OnAir()->rangeTo), expected[row]);
        engine->OnStop();
    }
}

// Each step adds to the state before it; a rule is the enabled flag in each.
TEST_F(EngineTest, CommandEnableRules)
{
    const std::function<void()> steps[] = {[] {},                    // an empty list
                                           [&] { Load(kThree, 2); }, // the last row, Normal
                                           [&] { engine->SetMode(PlayerMode::Repeat); },
                                           [&] { engine->SetMode(PlayerMode::Random); },
                                           [&] { engine->OnPlay(); }, // Random picks row 0
                                           [&] { engine->OnCommand(Cmd::Break); }};
    const std::pair<int, const char*> rules[] = {{Cmd::Play, "011100"},      {Cmd::Stop, "000011"},
                                                 {Cmd::Pause, "011111"},     {Cmd::Break, "011111"},
                                                 {Cmd::PrevTrack, "011100"}, {Cmd::NextTrack, "001011"},
                                                 {Cmd::CrossFader, "000010"}};
    for (int s = 0; s < 6; ++s) {
        steps[s]();
        for (const auto& [id, enabled] : rules)
            EXPECT_EQ(engine->UpdateCommand(id).enabled, enabled[s] == '1') << id << " in step " << s;
    }
    EXPECT_TRUE(engine->UpdateCommand(Cmd::Break).checked);
    EXPECT_TRUE(engine->UpdateCommand(Cmd::ModeRandom).checked);
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
