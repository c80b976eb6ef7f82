// SPDX-License-Identifier: GPL-3.0-or-later
// Overlap and fade rules on fake tracks: no audio, positions set by the test.
#include "EngineFixture.h"

namespace {

class FaderTest : public EngineTest
{
protected:
    // Plays rows of tracks that open off the engine's thread, the first on air.
    void PlayAhead(const QStringList& rows)
    {
        world.ahead = {QStringLiteral("*")};
        Play(rows);
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return OnAir() != nullptr; }, 5000));
    }
    // The live track of that path (the prepared one).
    FakeTrack* Alive(const QString& path)
    {
        std::lock_guard lock(world.aliveLock);
        for (FakeTrack* t : world.alive)
            if (t->GetFileName() == path)
                return t;
        return nullptr;
    }
};

// When the next item starts, by the position of the one on air: at less
// than the overlap (the default 4 s, or the name's "~N") before its end; "~0" and the
// last row never overlap, but in Repeat row 0 follows. An item shorter than
// the overlap is cut at its start by default; with "short items" chosen its
// overlap is at most a third of its length; a name's override stands either way.
TEST_F(FaderTest, TheNextItemStartsWhenLessThanItsOverlapIsLeft)
{
    const PlayerMode normal = PlayerMode::Normal;
    // rows (the first one's length), mode, short items at a third, position | overlaps
    const std::tuple<QStringList, TrackMs, PlayerMode, bool, TrackMs, bool> cases[] = {
        {{"/m/a.mp3", "/m/b.mp3"}, 180000, normal, false, 176000, false}, // exactly the overlap: not yet
        {{"/m/a.mp3", "/m/b.mp3"}, 180000, normal, false, 176001, true},
        {{"/m/a.mp3", "/m/b.mp3"}, 180000, normal, true, 176000, false}, // a long item keeps the setting
        {{"/m/a.mp3", "/m/b.mp3"}, 180000, normal, true, 176001, true},
        {{"/m/a~2.5.mp3", "/m/b.mp3"}, 180000, normal, false, 177400, false},
        {{"/m/a~2.5.mp3", "/m/b.mp3"}, 180000, normal, false, 177600, true},
        {{"/m/a~0.mp3", "/m/b.mp3"}, 180000, normal, false, 180000, false},
        {{"/m/a.mp3"}, 180000, normal, false, 179900, false},
        {{"/m/a.mp3"}, 180000, PlayerMode::IntroScan, false, 179900, false},
        {{"/m/a.mp3"}, 180000, PlayerMode::Repeat, false, 179900, true},
        {{"/m/id.mp3", "/m/b.mp3"}, 2750, normal, false, 0, true},
        {{"/m/id.mp3", "/m/b.mp3"}, 2750, normal, true, 1834, false},
        {{"/m/id.mp3", "/m/b.mp3"}, 2750, normal, true, 1835, true}, // 2/3 of 2750 heard: a 916 ms overlap
        {{"/m/id~2.5.mp3", "/m/b.mp3"}, 3000, normal, true, 501, true}};
    for (const auto& [rows, length, mode, third, position, overlaps] : cases) {
        SCOPED_TRACE(rows[0].toStdString() + (third ? " third at " : " at ") + std::to_string(position));
        MakeEngine();
        engine->SetMode(mode);
        engine->Settings().shortItemOverlapThird = third; // the overlap is the default 4 s
        world.lengths[rows[0]] = length;
        Play(rows);
        FakeTrack* first = OnAir();
        first->SetPosition(position);
        Tick();
        EXPECT_EQ(Fading() == first, overlaps);
        EXPECT_EQ(OnAir() != first, overlaps);
        EXPECT_EQ(engine->IsFadeTimerActive(), overlaps);
    }
}

enum class Before { Nothing, Pause, TrackStops };

// Stop fades over the fade period in steps of 100 ms, each an equal part of
// full volume; the last step ends the fading item.
TEST_F(FaderTest, AFadeTakesTheFadePeriodInEqualSteps)
{
    world.noVolume = {"/m/no-volume.mp3"};
    const std::tuple<double, QString, Before, int> cases[] = {
        {4.0, "/m/a.mp3", Before::Nothing, 40}, // forty steps of a fortieth
        {0.5, "/m/a.mp3", Before::Nothing, 5},
        {0.05, "/m/a.mp3", Before::Nothing, 1}, // below one step: ends at the first
        {0.0, "/m/a.mp3", Before::Nothing, 0},  // no fade: Stop cuts at once
        {4.0, "/m/no-volume.mp3", Before::Nothing, 1},
        {4.0, "/m/a.mp3", Before::Pause, 0},
        {4.0, "/m/a.mp3", Before::TrackStops, 1}};
    for (const auto& [period, path, before, steps] : cases) {
        SCOPED_TRACE(testing::Message() << period << " " << path.toStdString() << " " << int(before));
        MakeEngine();
        engine->Settings().fadePeriod = period;
        Play({path});
        FakeTrack* a = OnAir();
        if (before == Before::Pause)
            engine->OnCommand(Cmd::Pause);
        engine->OnCommand(Cmd::Stop);
        if (before == Before::TrackStops)
            a->Stop();
        for (int step = 1; step <= steps; ++step) {
            ASSERT_EQ(Fading(), a) << step;
            Tick(COnAirEngine::TimerFade);
            if (step < steps) {
                EXPECT_NEAR(a->GetVolume(), 1.0f - float(step) / float(steps), 1e-4f);
            }
        }
        EXPECT_EQ(Fading(), nullptr);
        EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerFade));
    }
}

// Without fading on overlap both play on and each slider moves its own
// track (the on-air one resumes when paused), until they are joined.
TEST_F(FaderTest, JoinedSlidersCrossFade)
{
    engine->Settings().fadeOnOverlap = false;
    Load({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    engine->SetJoined(true);
    EXPECT_FALSE(engine->IsJoined()); // nothing fading: cannot be joined
    engine->OnPlay();
    OnAir()->SetPosition(179000);
    Tick();
    EXPECT_FALSE(engine->IsFadeTimerActive());
    FakeTrack* a = Fading();
    engine->OnCommand(Cmd::Pause);
    engine->OnVolumeSlider(0.5f);
    EXPECT_TRUE(OnAir()->IsPlaying());
    engine->OnFadingSlider(0.9f);
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.5f);
    engine->SetJoined(true);
    engine->OnVolumeSlider(0.7f); // on air up by 0.2: fading down by 0.2
    EXPECT_NEAR(a->GetVolume(), 0.7f, 1e-5f);
    engine->OnCommand(Cmd::Pause);
    engine->OnFadingSlider(0.3f); // fading down 0.4: on air up, clamped, and resumed
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 1.0f);
    EXPECT_TRUE(OnAir()->IsPlaying());
    engine->OnVolumeSlider(0.2f); // on air down by 0.8: fading clamped at full
    EXPECT_FLOAT_EQ(a->GetVolume(), 1.0f);
    engine->OnFadingSlider(0.02f); // at or below 0.02 the fading track ends
    EXPECT_EQ(Fading(), nullptr);
    EXPECT_FALSE(engine->IsJoined());
}

// Whether the next item is ready or still opening when the cross fader is
// pressed, it comes in silent with the sliders joined.
TEST_F(FaderTest, CrossFaderStartsTheNextItemSilentWithJoinedSliders)
{
    for (const bool stillOpening : {false, true}) {
        SCOPED_TRACE(stillOpening ? "still opening" : "ready");
        world.ahead = {stillOpening ? QStringLiteral("/m/b.mp3") : QString()};
        world.gate = false;
        Play({"/m/a.mp3", "/m/b.mp3"});
        FakeTrack* a = OnAir();
        engine->OnCommand(Cmd::CrossFader);
        EXPECT_EQ(Fading(), a);
        EXPECT_EQ(engine->IsOpening(), stillOpening);
        world.gate = true;
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return OnAirPath() == "/m/b.mp3"; }, 5000));
        EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.0f);
        EXPECT_TRUE(engine->IsJoined());
        EXPECT_FALSE(engine->IsFadeTimerActive()); // the operator fades by hand
        engine->OnVolumeSlider(1.0f);
        EXPECT_EQ(Fading(), nullptr);
        engine->OnCommand(Cmd::Stop);
        EXPECT_TRUE(TrackWork::WaitIdle(5000));
    }
}

// The next item hangs in its opening: the one before fades out meanwhile in
// its steps, the hung item is reported after its time limit, the item after
// it plays.
TEST_F(FaderTest, AnItemThatHangsInItsOpeningDoesNotHoldUpTheFade)
{
    world.ahead = {QStringLiteral("/m/next.wav")};
    world.gate = false;
    engine->Settings().ignoreErrors = true;
    engine->Settings().overlapTime = 4000;
    engine->Settings().fadeOnOverlap = true;
    engine->Settings().fadePeriod = 0.5;
    bool fadedWhenReported = false;
    log.AddSink([&](const QString& line) {
        if (line.contains("\terror\t"))
            fadedWhenReported = !engine->Fading();
    });
    Play({"/m/a.mp3", "/m/next.wav", "/m/c.mp3"});
    OnAir()->SetPosition(177000);
    Tick();
    ASSERT_TRUE(engine->IsOpening());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return OnAirPath() == "/m/c.mp3"; }, 10000));
    EXPECT_EQ(Starts(), QStringList({"a", "next", "c"}));
    EXPECT_TRUE(entries.filter("did not open within 1 s").size() == 1) << entries.join('|').toStdString();
    EXPECT_TRUE(fadedWhenReported) << "the fade went on in its steps while the item hung";
}

// The item that follows is opened while one plays, follows edits of the
// list, starts its latency early when the one on air ends without overlap
// (which plays out unfaded), and is let go when playback stops.
TEST_F(FaderTest, TheNextItemIsOpenedAheadAndStartsItsLatencyEarly)
{
    engine->Settings().overlapTime = 0;
    engine->Settings().fadeOnOverlap = true;
    engine->Settings().fadePeriod = 1.0;
    PlayAhead({"/m/a.mp3", "/m/b.mp3"});
    EXPECT_EQ(engine->PreparedItem(), "/m/b.mp3");
    list.Replace(1, "/m/c.mp3");
    Tick();
    EXPECT_EQ(engine->PreparedItem(), "/m/c.mp3");
    FakeTrack* first = OnAir();
    first->SetPosition(180000 - 114);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return Tick(), Fading() == nullptr && OnAir() == first; }, 5000));
    first->SetPosition(180000 - 113);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return Tick(), Fading() == first; }, 5000));
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
    EXPECT_FALSE(engine->IsFadeTimerActive()) << "no overlap: the item before plays out";
    EXPECT_EQ(world.opened.count("/m/c.mp3"), 1) << "the item prepared is the item started";
    engine->OnCommand(Cmd::Stop);
    EXPECT_EQ(engine->PreparedItem(), QString());
}

// On the air bus the prepared item's start is planned on its sample in the
// last 600 ms before it is due: where the item on air reaches its overlap,
// or after its last sample ("~0"); the plan is taken back when the item on
// air leaves the air another way. A kind whose opening cannot wait (a MIDI
// file, a module, a pause) is opened ahead too, or it could not be planned.
// A waiting event that comes due plays first: the plan is taken back.
TEST_F(FaderTest, OnTheBusTheNextStartIsPlannedOnItsSampleAndTakenBackWhenTheItemLeaves)
{
    struct : EventSource
    {
        bool due = false;
        bool HasDueEvent(bool exact) const override { return !exact && due; }
    } waiting;
    world.bus = true;
    for (const auto& [overlap, onJob] : {std::pair{4000, "*"}, {0, "/m/a.mp3"}}) {
        SCOPED_TRACE(overlap);
        MakeEngine(&waiting);
        engine->Settings().enableEvents = true;
        engine->Settings().overlapTime = overlap;
        world.ahead = {QString::fromLatin1(onJob)};
        Play({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return OnAir() != nullptr; }, 5000));
        FakeTrack* first = OnAir();
        const auto next = [&] { return Alive("/m/b.mp3"); };
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return Tick(), next() != nullptr; }, 5000));
        ASSERT_TRUE(TrackWork::WaitIdle(5000));
        QCoreApplication::processEvents(); // the opened track reaches the engine
        first->SetPosition(180000 - overlap - 601);
        Tick();
        EXPECT_FALSE(next()->plan);
        first->SetPosition(180000 - overlap - 600);
        Tick();
        ASSERT_TRUE(next()->plan);
        EXPECT_EQ(*next()->plan, std::make_pair(first->Serial(), overlap ? 176000 : -1));
        waiting.due = true;
        Tick();
        EXPECT_FALSE(next()->plan) << "planned under a waiting event";
        waiting.due = false;
        Tick();
        ASSERT_TRUE(next()->plan);
        EXPECT_EQ(OnAir(), first);
        engine->OnCommand(Cmd::NextTrack);
        EXPECT_NE(OnAir(), first);
        EXPECT_FALSE(next() && next()->plan) << "an operator's Next starts it now";
    }
}

// Intro Scan on the bus: the prepared item is set to its own stretch and its
// start planned on the sample after the stretch on air, also with an
// overlap set (which counts back from the item's end). Off the bus nothing
// is planned; another mode prepares the item anew, whole.
TEST_F(FaderTest, IntroScanCuesTheNextStretchAndPlansItAfterTheStretchOnAir)
{
    for (const bool bus : {true, false}) {
        SCOPED_TRACE(bus);
        world.bus = bus;
        MakeEngine();
        engine->SetMode(PlayerMode::IntroScan);
        engine->Settings().introStart = 30;
        engine->Settings().introLength = 15;
        engine->Settings().overlapTime = 4000;
        world.lengths = {{"/m/b.mp3", 40000}};
        Play({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
        FakeTrack* first = OnAir();
        Tick();
        FakeTrack* next = Alive("/m/b.mp3");
        ASSERT_TRUE(next);
        EXPECT_EQ(next->cued, bus ? std::optional(std::pair(0, 15000)) : std::nullopt);
        first->SetPosition(45000 - 601);
        Tick();
        EXPECT_FALSE(next->plan);
        first->SetPosition(45000 - 600);
        Tick();
        EXPECT_EQ(next->plan, bus ? std::optional(std::pair(first->Serial(), -1)) : std::nullopt);
        EXPECT_EQ(OnAir(), first) << "the overlap does not reach into the stretch";
        if (!bus)
            continue;
        EndOnAir();
        ASSERT_EQ(OnAir(), next);
        EXPECT_EQ(std::pair(next->rangeFrom, next->rangeTo), std::pair(0, 15000));
        Tick();
        ASSERT_TRUE(Alive("/m/c.mp3") && Alive("/m/c.mp3")->cued);
        engine->SetMode(PlayerMode::Normal);
        Tick();
        ASSERT_TRUE(Alive("/m/c.mp3"));
        EXPECT_FALSE(Alive("/m/c.mp3")->cued) << "kept at a stretch in Normal mode";
    }
}

// A break halts playback after the item on air; the row the operator's Play
// starts is prepared meanwhile and while halted (following the selection),
// and Stop lets it go for good.
TEST_F(FaderTest, ABreakKeepsTheItemThatPlayStartsPrepared)
{
    engine->SetMode(PlayerMode::Manual);
    PlayAhead({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    EXPECT_EQ(engine->PreparedItem(), "/m/b.mp3");
    EndOnAir();
    Tick();
    EXPECT_EQ(engine->PreparedItem(), "/m/b.mp3");
    list.Select(2);
    Tick();
    EXPECT_EQ(engine->PreparedItem(), "/m/c.mp3");
    engine->OnPlay();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return OnAirPath() == "/m/c.mp3"; }, 5000));
    EXPECT_EQ(world.opened.count("/m/c.mp3"), 1) << "the item prepared is the item started";
    engine->OnCommand(Cmd::Stop);
    Tick();
    EXPECT_EQ(engine->PreparedItem(), QString());
}

} // namespace
