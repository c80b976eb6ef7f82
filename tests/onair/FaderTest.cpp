// Overlap and fade rules on fake tracks: no audio, positions set by the test.
#include "EngineFixture.h"

namespace {

class FaderTest : public EngineTest
{
protected:
    void Tick() { engine->OnTimer(COnAirEngine::TimerOverlap); }
    void FadeStep() { engine->OnTimer(COnAirEngine::TimerFade); }
};

// When the next item starts, by what is left of the one on air (180 s).
TEST_F(FaderTest, TheNextItemStartsWhenLessThanItsOverlapIsLeft)
{
    struct Case { QStringList rows; PlayerMode mode; TrackMs left; bool overlaps; };
    const Case cases[] = {
        {{"/m/a.mp3", "/m/b.mp3"}, PlayerMode::Normal, 4000, false}, // exactly the overlap: not yet
        {{"/m/a.mp3", "/m/b.mp3"}, PlayerMode::Normal, 3999, true},
        {{"/m/a~2.5.mp3", "/m/b.mp3"}, PlayerMode::Normal, 2600, false}, // the name's override
        {{"/m/a~2.5.mp3", "/m/b.mp3"}, PlayerMode::Normal, 2400, true},
        {{"/m/a~0.mp3", "/m/b.mp3"}, PlayerMode::Normal, 0, false}, // ~0 never overlaps
        {{"/m/a.mp3"}, PlayerMode::Normal, 100, false}, // nothing follows the last row
        {{"/m/a.mp3"}, PlayerMode::IntroScan, 100, false},
        {{"/m/a.mp3"}, PlayerMode::Repeat, 100, true}, // row 0 follows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows[0].toStdString() + " " + std::to_string(c.left));
        MakeEngine();
        engine->SetMode(c.mode);
        Load(c.rows);
        engine->OnPlay();
        FakeTrack* first = OnAir();
        first->SetPosition(180000 - c.left);
        Tick();
        EXPECT_EQ(Fading() == first, c.overlaps);
        EXPECT_EQ(OnAir() != first, c.overlaps);
        EXPECT_EQ(engine->IsFadeTimerActive(), c.overlaps);
    }
}

// A fade takes the fade period in steps of 100 ms, each an equal part of
// full volume; the last step ends the fading item.
TEST_F(FaderTest, AFadeTakesTheFadePeriodInEqualSteps)
{
    struct Case { double period; bool volumeControl; int steps; };
    const Case cases[] = {
        {-1, true, 40}, // the default: forty steps of a fortieth
        {0.5, true, 5},
        {0.05, true, 1}, // below one step: ends at the first
        {0.0, true, 0},  // no fade: Stop cuts at once
        {-1, false, 1},  // a track without volume control ends at the first step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        MakeEngine();
        if (c.period >= 0)
            engine->Settings().fadePeriod = c.period;
        world.noVolume = c.volumeControl ? std::set<QString>{} : std::set<QString>{"/m/a.mp3"};
        Load({"/m/a.mp3"});
        engine->OnPlay();
        FakeTrack* a = OnAir();
        engine->OnCommand(Cmd::Stop);
        EXPECT_EQ(engine->OnAir(), nullptr);
        for (int step = 1; step < c.steps; ++step) {
            FadeStep();
            ASSERT_EQ(Fading(), a) << step;
            EXPECT_NEAR(a->GetVolume(), 1.0f - float(step) / float(c.steps), 1e-4f);
        }
        if (c.steps > 0) {
            ASSERT_EQ(Fading(), a);
            FadeStep();
        }
        EXPECT_EQ(Fading(), nullptr);
        EXPECT_FALSE(engine->IsFadeTimerActive());
        EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerFade));
    }
}

TEST_F(FaderTest, ThreeQuickOverlapsCutTheOldestFadingItem)
{
    for (const char* p : {"/m/1.mp3", "/m/2.mp3", "/m/3.mp3", "/m/4.mp3"})
        world.lengths[p] = 1000;
    Load({"/m/1.mp3", "/m/2.mp3", "/m/3.mp3", "/m/4.mp3"});
    engine->OnPlay();
    FakeTrack* first = OnAir();
    const std::uint64_t firstSerial = first->Serial();
    OnAir()->SetPosition(500);
    Tick();
    EXPECT_EQ(Fading(), first);
    FakeTrack* second = OnAir();
    OnAir()->SetPosition(500);
    Tick(); // the third start cuts the first at once
    EXPECT_EQ(Fading(), second);
    EXPECT_EQ(world.alive.size(), 2u);
    for (const FakeTrack* t : world.alive)
        EXPECT_NE(t->Serial(), firstSerial);
    EXPECT_EQ(OnAirPath(), "/m/3.mp3");
    EXPECT_TRUE(engine->IsFadeTimerActive());
}

TEST_F(FaderTest, PausedItemStopsAtOnceAndItsSliderResumesIt)
{
    Load({"/m/a.mp3"});
    engine->OnPlay();
    engine->OnCommand(Cmd::Pause);
    engine->OnVolumeSlider(0.5f);
    EXPECT_TRUE(OnAir()->IsPlaying());
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.5f);
    engine->OnCommand(Cmd::Pause);
    engine->OnCommand(Cmd::Stop);
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(Fading(), nullptr); // a paused item is not playing: no fade
}

TEST_F(FaderTest, AFadingTrackThatStoppedEndsAtTheNextStep)
{
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    engine->OnCommand(Cmd::NextTrack);
    Fading()->Stop();
    FadeStep();
    EXPECT_EQ(Fading(), nullptr);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
}

TEST_F(FaderTest, JoinedSlidersCrossFade)
{
    engine->Settings().fadeOnOverlap = false;
    Load({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    engine->SetJoined(true);
    EXPECT_FALSE(engine->IsJoined()); // nothing fading: cannot be joined
    engine->OnPlay();
    OnAir()->SetPosition(179000);
    Tick();
    FakeTrack* a = Fading();
    engine->SetJoined(true);
    ASSERT_TRUE(engine->IsJoined());
    OnAir()->SetVolume(0.5f);
    engine->OnVolumeSlider(0.8f); // on air up by 0.3: fading down by 0.3
    EXPECT_NEAR(a->GetVolume(), 0.7f, 1e-5f);
    engine->OnCommand(Cmd::Pause);
    engine->OnFadingSlider(0.4f); // fading down 0.3: on air up, clamped, and resumed
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 1.0f);
    EXPECT_TRUE(OnAir()->IsPlaying());
    engine->OnVolumeSlider(0.4f); // on air down by 0.6: fading clamped at full
    EXPECT_FLOAT_EQ(a->GetVolume(), 1.0f);
    engine->OnFadingSlider(0.02f); // at or below 0.02 the fading track ends
    EXPECT_EQ(Fading(), nullptr);
    EXPECT_FALSE(engine->IsJoined());
}

TEST_F(FaderTest, CrossFaderStartsTheNextItemSilentWithJoinedSliders)
{
    Load({"/m/a.mp3", "/m/b.mp3"}, 1);
    engine->OnCommand(Cmd::CrossFader); // nothing on air: disabled, nothing happens
    EXPECT_EQ(engine->OnAir(), nullptr);
    list.Select(0);
    engine->OnPlay();
    FakeTrack* a = OnAir();
    engine->OnCommand(Cmd::CrossFader);
    EXPECT_EQ(Fading(), a);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.0f);
    EXPECT_TRUE(engine->IsJoined());
    EXPECT_FALSE(engine->IsFadeTimerActive()); // the operator fades by hand
    engine->OnVolumeSlider(1.0f);
    EXPECT_EQ(Fading(), nullptr);
}

TEST_F(FaderTest, WithoutFadeOnOverlapBothPlayOnAndTheSlidersActAlone)
{
    engine->Settings().fadeOnOverlap = false;
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    OnAir()->SetPosition(179000);
    Tick();
    EXPECT_FALSE(engine->IsFadeTimerActive());
    EXPECT_FLOAT_EQ(Fading()->GetVolume(), 1.0f);
    engine->OnVolumeSlider(0.3f);
    EXPECT_FLOAT_EQ(Fading()->GetVolume(), 1.0f);
    engine->OnFadingSlider(0.5f);
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.3f);
    EXPECT_FLOAT_EQ(Fading()->GetVolume(), 0.5f);
}

} // namespace
