// SPDX-License-Identifier: GPL-3.0-or-later
// The silence detector on fake tracks: the test sets positions and calls the
// detector's tick (timer 4) directly.
#include "EngineFixture.h"

#include "app/Strings.h"
#include "platform/SystemRestart.h"

namespace {

struct FakeRestart : SystemRestart
{
    int requests = 0;
    bool RequestRestart(QString*) override { return ++requests < 0; } // refused
};

class SilenceTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        Start();
    }
    // A started engine with the detector on, every action off but Next song.
    void Start()
    {
        MakeEngine(nullptr, &restart);
        engine->Settings().watchDog = {1, true, false, true, false};
        engine->Settings().fadeOnStop = false;
        engine->Startup();
        Load({"/m/a.mp3", "/m/b.mp3"});
    }
    void Watch(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            engine->OnTimer(COnAirEngine::TimerWatchDog);
    }
    FakeRestart restart;
};

// Nothing on air, an item that moves, one that is paused and one that has
// just started or resumed is not judged: only one whose position stood
// still for a whole interval.
TEST_F(SilenceTest, OnlyAnItemThatStoodStillForAWholeIntervalIsActedOn)
{
    Watch(2);
    engine->OnPlay();
    for (int i = 0; i < 5; ++i) {
        OnAir()->SetPosition(1000 * i);
        Watch();
    }
    engine->OnPause();
    Watch(5);
    engine->OnPause();
    Watch();
    EXPECT_EQ(entries, QStringList({"startup", "start\ta"}));
    Watch();
    EXPECT_EQ(entries.mid(2), QStringList({"silence\tThe next song is selected", "start\tb"}));
    const std::uint64_t b = OnAir()->Serial();
    Watch(2);
    EXPECT_EQ(OnAir()->Serial(), b);
}

// Run at once by their command and again by a hung item: on the last row
// the same row plays again; a message box each time (the timer rearmed after
// it); a restart that fails changes nothing.
TEST_F(SilenceTest, TheChosenActionsRun)
{
    // message, next song, restart, row | on air, entry, boxes
    const std::tuple<bool, bool, bool, int, QString, QString, int> cases[] = {
        {false, true, false, 1, "/m/b.mp3", "silence\tThe next song is selected", 0},
        {true, false, false, 0, "/m/a.mp3", "silence\tA message box is displayed", 2},
        {false, false, true, 0, "/m/a.mp3", "silence\tThe system will be rebooted", 0}};
    for (const auto& [message, next, reboot, row, onAir, entry, boxes] : cases) {
        SCOPED_TRACE(entry.toStdString());
        Start();
        engine->Settings().watchDog = {1, true, message, next, reboot};
        ui.messages.clear();
        Play({"/m/a.mp3", "/m/b.mp3"}, row);
        const std::uint64_t first = OnAir()->Serial();
        engine->OnCommand(Str::CmdSilenceActions);
        Watch(3);
        EXPECT_EQ(std::tuple(OnAirPath(), OnAir()->Serial() != first, entries.filter(entry).size(),
                             ui.messages, restart.requests, document.modified),
                  std::tuple(onAir, next, 2, QStringList(boxes, Str::Load(Str::SilenceDetected)),
                             reboot ? 2 : 0, !reboot));
        EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerWatchDog));
    }
}

} // namespace
