// Overlap and fade rules on fake tracks: no audio, positions set by the test.
#include "EngineFixture.h"

namespace {

class FaderTest : public EngineTest
{
protected:
    void Tick() { engine->OnTimer(COnAirEngine::TimerOverlap); }
    void FadeStep() { engine->OnTimer(COnAirEngine::TimerFade); }
};

TEST_F(FaderTest, NextItemStartsWhenLessThanTheOverlapIsLeft)
{
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    FakeTrack* a = OnAir();
    a->SetPosition(180000 - 4000); // exactly the overlap left: not yet
    Tick();
    EXPECT_EQ(OnAir(), a);
    a->SetPosition(180000 - 3999);
    Tick();
    EXPECT_EQ(Fading(), a);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_TRUE(engine->IsFadeTimerActive());
}

TEST_F(FaderTest, DefaultFadeTakesFortyStepsOfAFortieth)
{
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    OnAir()->SetPosition(179000);
    Tick();
    FakeTrack* a = Fading();
    for (int step = 1; step < 40; ++step) {
        FadeStep();
        ASSERT_EQ(Fading(), a) << step;
        EXPECT_NEAR(a->GetVolume(), 1.0f - step * 0.025f, 1e-4f);
    }
    FadeStep();
    EXPECT_EQ(Fading(), nullptr);
    EXPECT_FALSE(engine->IsFadeTimerActive());
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerFade));
}

TEST_F(FaderTest, OverlapOverrideFromTheFileName)
{
    Load({"/m/a~2.5.mp3", "/m/b~0.mp3", "/m/c.mp3"});
    engine->OnPlay();
    OnAir()->SetPosition(180000 - 2600);
    Tick();
    EXPECT_EQ(OnAirPath(), "/m/a~2.5.mp3");
    OnAir()->SetPosition(180000 - 2400);
    Tick();
    EXPECT_EQ(OnAirPath(), "/m/b~0.mp3");
    OnAir()->SetPosition(180000); // ~0 never overlaps: only its end moves on
    Tick();
    EXPECT_EQ(OnAirPath(), "/m/b~0.mp3");
    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
}

TEST_F(FaderTest, NoOverlapOnTheLastRowInNormalModeOrWithBreak)
{
    Load({"/m/a.mp3"});
    engine->OnPlay();
    OnAir()->SetPosition(179900);
    Tick();
    EXPECT_EQ(Fading(), nullptr);
    engine->SetMode(PlayerMode::Repeat);
    Tick();
    EXPECT_NE(Fading(), nullptr); // Repeat follows the last row with row 0
}

TEST_F(FaderTest, WithoutFadeOnOverlapBothPlayAtFullVolume)
{
    engine->Settings().fadeOnOverlap = false;
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    OnAir()->SetPosition(179000);
    Tick();
    EXPECT_FALSE(engine->IsFadeTimerActive());
    EXPECT_FLOAT_EQ(Fading()->GetVolume(), 1.0f);
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

TEST_F(FaderTest, ATrackWithoutVolumeControlEndsOnTheFirstFadeStep)
{
    world.noVolume = {"/m/a.mp3"};
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    engine->OnCommand(Cmd::Stop);
    ASSERT_NE(Fading(), nullptr);
    FadeStep();
    EXPECT_EQ(Fading(), nullptr);
}

TEST_F(FaderTest, StopFadesOverThePeriodAndZeroPeriodCuts)
{
    engine->Settings().fadePeriod = 0.5;
    Load({"/m/a.mp3"});
    engine->OnPlay();
    engine->OnCommand(Cmd::Stop);
    EXPECT_EQ(engine->OnAir(), nullptr);
    for (int i = 0; i < 4; ++i)
        FadeStep();
    EXPECT_NE(Fading(), nullptr);
    FadeStep();
    EXPECT_EQ(Fading(), nullptr);

    engine->Settings().fadePeriod = 0.0;
    engine->OnPlay();
    engine->OnCommand(Cmd::Stop);
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(Fading(), nullptr);

    engine->Settings().fadePeriod = 0.05; // below one step: ends at the first
    engine->OnPlay();
    engine->OnCommand(Cmd::Stop);
    ASSERT_NE(Fading(), nullptr);
    FadeStep();
    EXPECT_EQ(Fading(), nullptr);
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

TEST_F(FaderTest, UnjoinedSlidersActAlone)
{
    engine->Settings().fadeOnOverlap = false;
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    OnAir()->SetPosition(179000);
    Tick();
    engine->OnVolumeSlider(0.3f);
    EXPECT_FLOAT_EQ(Fading()->GetVolume(), 1.0f);
    engine->OnFadingSlider(0.5f);
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.3f);
    EXPECT_FLOAT_EQ(Fading()->GetVolume(), 0.5f);
}

} // namespace
