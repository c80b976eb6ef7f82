// The mixer model over an in-memory card, and the line-in track that drives
// it: the line audible from Open to Close, its volume given back, no pause
// or seek, errors with their codes. The ALSA side runs on the air server
// (tests/air/MixerAirTest.cpp).
#include "media/LineInTrack.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"
#include "platform/registry/RegistryKey.h"

#include "EventRecorder.h"
#include "support/Fakes.h"

namespace {

class MixerTest : public ::testing::Test, protected TempHive
{
protected:
    // "Line" is under both destinations; "Mic 2" has no volume, "Beep" no switch.
    CMemoryMixer card{QStringLiteral("Studio Card"),
                      {{0, "Master", false, 50000},
                       {1, "Line", true, 30000},
                       {0, "Line", true, 40000},
                       {1, "Mic 2", true, 0, true, false},
                       {0, "Beep", false, 100, false, true}}};
    CMemoryMixer::Line& line = *card.Find(0, QStringLiteral("Line"));
    EventRecorder owner;

    void SetUp() override { CMixer::SetOpener(card.Opener()); }
    void TearDown() override { TestEnv::UseNoMixer(); }

    static void Choose(unsigned destination, const char* name)
    {
        CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
            .SetNumber(QStringLiteral("LineInLine"), std::int32_t(MixerLineId(destination, name, 0)));
    }
};

template <class Call>
unsigned ErrorOf(Call call)
{
    try {
        call();
    } catch (const CMixerException& e) {
        return e.Code();
    }
    return 0;
}

TEST_F(MixerTest, LinesHaveStableIdsUnderTheirDestinationsAndEveryFailureItsCode)
{
    CMixer mixer;
    EXPECT_EQ(ErrorOf([&] { mixer.GetSource(0, 0); }), 9u);
    EXPECT_EQ(ErrorOf([&] { mixer.Open(1); }), 19u);
    mixer.Open(0);
    QStringList tree{mixer.ProductName()};
    for (unsigned d = 0; d < mixer.Destinations(); ++d) {
        tree << mixer.GetDestination(d).name + u':' + QString::number(mixer.GetDestination(d).connections);
        for (unsigned s = 0; s < mixer.GetDestination(d).connections; ++s)
            tree << mixer.GetSource(d, s).name;
    }
    EXPECT_EQ(tree.join(u','),
              QStringLiteral("Studio Card,Playback:3,Master,Line,Beep,Capture:2,Line,Mic 2"));
    // Ids hang on destination, name and index only: the same in any run and
    // version (a stored "LineInLine" keeps its line).
    EXPECT_EQ(mixer.GetSource(0, 1).lineId, 105034391u);
    EXPECT_NE(mixer.GetSource(0, 1).lineId, mixer.GetSource(1, 0).lineId);
    const unsigned mic = mixer.GetSource(1, 1).lineId;
    const std::pair<std::function<void()>, unsigned> cases[] = {
        {[&] { mixer.GetDestination(2); }, 1024},
        {[&] { mixer.GetSource(0, 3); }, 1024},
        {[&] { mixer.GetSource(1, 2); }, 1024},
        {[&] { mixer.GetLineById(12345); }, 1024},
        {[&] { mixer.GetLineControlByType(mic, MixerControlType::Volume); }, 1025},
    };
    for (const auto& [call, code] : cases)
        EXPECT_EQ(ErrorOf(call), code);
    // A control found by type is found again by its id; ids of other lines
    // and types differ, and an id past the device's lines is refused.
    const CMixerControl line = mixer.GetLineControlByType(mixer.GetSource(0, 1).lineId,
                                                          MixerControlType::Volume);
    const CMixerControl again = mixer.GetLineControlById(line.id);
    EXPECT_EQ(std::pair(again.lineId, again.type), std::pair(line.lineId, line.type));
    EXPECT_NE(mixer.GetLineControlByType(line.lineId, MixerControlType::Mute).id, line.id);
    EXPECT_EQ(ErrorOf([&] { mixer.GetLineControlById(1000); }), 1025u);
    EXPECT_EQ(mixer.Message(0x4000, 0, 0), CMixer::kMixerNotSupported);
    card.controlError = 5;
    EXPECT_EQ(ErrorOf([&] { mixer.SetControlValue({mic, MixerControlType::Mute}, 1); }), 5u);
    card.openError = 16;
    EXPECT_EQ(ErrorOf([&] { mixer.Open(0); }), 16u);
    EXPECT_FALSE(mixer.IsOpen());
}

TEST_F(MixerTest, ALiveItemUnmutesItsLineUntilCloseAndGivesTheVolumeBack)
{
    Choose(0, "Line");
    auto track = CreateTrack(QStringLiteral("/air/1.live"));
    track->Open(QStringLiteral("/air/1.live"), &owner);
    EXPECT_FALSE(line.muted) << "audible from Open";
    track->SetVolume(0.25f);
    EXPECT_EQ(line.volume, 10000u);
    EXPECT_FLOAT_EQ(track->GetVolume(), 0.25f);
    line.volume = 50000; // turned up meanwhile
    EXPECT_FLOAT_EQ(track->GetVolume(), 1.0f);
    track->Play();
    track->Pause();
    track->Seek(900);
    EXPECT_TRUE(track->IsPlaying() && !track->IsPaused());
    EXPECT_LT(track->GetPosition(), 900) << "a live item is not sought";
    ASSERT_TRUE(owner.WaitForEnds(1));
    EXPECT_FALSE(line.muted) << "muted only at Close";
    track->Close();
    EXPECT_TRUE(line.muted);
    EXPECT_EQ(line.volume, 40000u) << "the level it had at Open";
}

TEST_F(MixerTest, ALineWithoutVolumeGoesLiveOneWithoutSwitchOrMissingCannot)
{
    CLineInTrack track;
    Choose(1, "Mic 2");
    track.Open(QStringLiteral("3.live"), &owner);
    EXPECT_FALSE(track.HasVolumeControl());
    const std::pair<const char*, unsigned> refused[] = {{"Beep", 1025}, {"Nothing", 1024}};
    for (const auto& [name, code] : refused) {
        Choose(0, name);
        EXPECT_EQ(ErrorOf([&] { track.Open(QStringLiteral("3.live"), &owner); }), code);
        EXPECT_FALSE(track.IsStopped()) << "closed again";
    }
    EXPECT_TRUE(card.Find(1, QStringLiteral("Mic 2"))->muted) << "the line before muted by the new Open";
}

} // namespace
