// The mixer model over an in-memory card, and the line-in track that drives
// it: what is particular to a live item (the line audible from Open to
// Close, its volume given back, no pause or seek, errors that leave the line
// muted). The ALSA side is tested on the air server (MixerAirTest).
#include "media/LineInTrack.h"
#include "media/TrackExceptions.h"
#include "media/TrackFactory.h"
#include "platform/registry/RegistryKey.h"

#include "EventRecorder.h"
#include "support/Fakes.h"

namespace {

using Line = CMemoryMixer::Line;

class MixerTest : public ::testing::Test, protected TempHive
{
protected:
    // "Line" is under both destinations, with different ids; "Mic 2" has no
    // volume, "Beep" no switch.
    CMemoryMixer card{QStringLiteral("Studio Card"),
                      {{0, "Master", false, 50000},
                       {1, "Line", true, 30000},
                       {0, "Line", true, 40000},
                       {1, "Mic 2", true, 0, true, false},
                       {0, "Beep", false, 100, false, true}}};
    Line& line = *card.Find(0, QStringLiteral("Line"));

    void SetUp() override { CMixer::SetOpener(card.Opener()); }
    void TearDown() override { CMixer::SetOpener({}); }

    static void Choose(int device, unsigned lineId)
    {
        CRegistryKey settings = CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"));
        settings.SetNumber(QStringLiteral("LineInMixer"), device);
        settings.SetNumber(QStringLiteral("LineInLine"), static_cast<std::int32_t>(lineId));
        settings.Flush();
    }
};

template <class Call>
unsigned ErrorOf(Call call)
{
    try {
        call();
    } catch (const CMixerException& e) {
        EXPECT_EQ(e.GetErrorMessage(), QStringLiteral("Mixer Exception: %1").arg(e.Code()));
        return e.Code();
    }
    return 0;
}

TEST_F(MixerTest, DestinationsHoldTheirSourcesUnderStableIds)
{
    CMixer mixer;
    mixer.Open(0);
    EXPECT_EQ(mixer.ProductName(), QStringLiteral("Studio Card"));
    ASSERT_EQ(mixer.Destinations(), 2u);
    QStringList tree;
    for (unsigned d = 0; d < 2; ++d) {
        const CMixerLineInfo destination = mixer.GetDestination(d);
        tree << destination.name + u':' + QString::number(destination.connections);
        for (unsigned s = 0; s < destination.connections; ++s) {
            const CMixerLineInfo source = mixer.GetSource(d, s);
            tree << source.name;
            EXPECT_EQ(mixer.GetLineById(source.lineId).source, s) << qPrintable(source.name);
        }
    }
    EXPECT_EQ(tree.join(u','), QStringLiteral("Playback:3,Master,Line,Beep,Capture:2,Line,Mic 2"));
    // Ids hang on destination, name and index only: the same in any run.
    EXPECT_EQ(mixer.GetSource(0, 1).lineId, MixerLineId(0, QStringLiteral("Line"), 0));
    EXPECT_NE(mixer.GetSource(0, 1).lineId, mixer.GetSource(1, 0).lineId);
    EXPECT_NE(MixerLineId(1, QStringLiteral("Mic"), 2), MixerLineId(1, QStringLiteral("Mic"), 1));
}

TEST_F(MixerTest, EveryFailureIsAMixerExceptionWithItsCode)
{
    CMixer mixer;
    const unsigned master = CMemoryMixer::Id(*card.Find(0, QStringLiteral("Master")));
    const unsigned mic = CMemoryMixer::Id(*card.Find(1, QStringLiteral("Mic 2")));
    const std::pair<std::function<void()>, int> cases[] = {
        {[&] { mixer.GetSource(0, 0); }, MixerError::NotOpen},
        {[&] { mixer.Open(1); }, MixerError::NoDevice},
        {[&] {
             mixer.Open(0);
             mixer.GetDestination(2);
         },
         MixerError::InvalidLine},
        {[&] { mixer.GetSource(0, 3); }, MixerError::InvalidLine},
        {[&] { mixer.GetSource(1, 2); }, MixerError::InvalidLine},
        {[&] { mixer.GetLineById(12345); }, MixerError::InvalidLine},
        {[&] { mixer.GetLineControlByType(mic, MixerControlType::Volume); }, MixerError::InvalidControl},
        {[&] {
             mixer.GetControlValue({master + 1, MixerControlType::Mute});
         },
         MixerError::InvalidLine},
        {[&] {
             card.controlError = 5;
             mixer.SetControlValue({master, MixerControlType::Mute}, 1);
         },
         5},
        {[&] {
             card.openError = 16;
             mixer.Open(0);
         },
         16},
    };
    for (const auto& [call, code] : cases)
        EXPECT_EQ(ErrorOf(call), unsigned(code)) << code;
    EXPECT_FALSE(mixer.IsOpen()) << "a failed Open leaves the mixer closed";
    EXPECT_FALSE(card.Find(0, QStringLiteral("Master"))->muted) << "a failed call changes nothing";
}

TEST_F(MixerTest, ALiveItemUnmutesItsLineUntilCloseAndGivesTheVolumeBack)
{
    Choose(0, CMemoryMixer::Id(line));
    EventRecorder owner;
    auto track = CreateTrack(QStringLiteral("/air/1.live"));
    ASSERT_NE(dynamic_cast<CLineInTrack*>(track.get()), nullptr);
    EXPECT_TRUE(track->MayBlock());
    track->Open(QStringLiteral("/air/1.live"), &owner);
    EXPECT_FALSE(line.muted) << "audible from Open";
    EXPECT_EQ(track->GetLength(), 1000);
    EXPECT_TRUE(track->HasVolumeControl());
    EXPECT_FLOAT_EQ(track->GetVolume(), 1.0f);
    track->SetVolume(0.25f);
    EXPECT_EQ(line.volume, 10000u);
    EXPECT_FLOAT_EQ(track->GetVolume(), 0.25f);
    line.volume = 50000; // the operator turned it up meanwhile
    EXPECT_FLOAT_EQ(track->GetVolume(), 1.0f);
    track->Play();
    track->Pause();
    track->Seek(900);
    EXPECT_TRUE(track->IsPlaying());
    EXPECT_FALSE(track->IsPaused());
    EXPECT_LT(track->GetPosition(), 900) << "a live item is not sought";
    ASSERT_TRUE(owner.WaitForEnds(1));
    EXPECT_FALSE(line.muted) << "muted only at Close";
    track->Close();
    EXPECT_TRUE(line.muted);
    EXPECT_EQ(line.volume, 40000u) << "the level it had at Open";
    EXPECT_TRUE(card.Find(1, QStringLiteral("Line"))->muted) << "the capture line untouched";

    // A line the card does not have: no sound, the error, nothing changed.
    Choose(0, 777);
    CLineInTrack missing;
    EXPECT_EQ(ErrorOf([&] { missing.Open(QStringLiteral("2.live"), &owner); }),
              unsigned(MixerError::InvalidLine));
    EXPECT_TRUE(missing.IsStopped() == false && missing.IsPlaying() == false);
}

TEST_F(MixerTest, ALineWithoutVolumeOrWhoseMixerFailsEndsMuted)
{
    Line& mic = *card.Find(1, QStringLiteral("Mic 2"));
    Choose(0, CMemoryMixer::Id(mic));
    EventRecorder owner;
    CLineInTrack track;
    track.Open(QStringLiteral("x.live"), &owner);
    EXPECT_EQ(track.GetLength(), 5000);
    EXPECT_FALSE(mic.muted);
    EXPECT_FALSE(track.HasVolumeControl());
    track.SetVolume(0.5f);
    EXPECT_EQ(track.GetVolume(), 0.0f);
    track.Close();
    EXPECT_TRUE(mic.muted);

    // A switch-less line cannot go live.
    Choose(0, CMemoryMixer::Id(*card.Find(0, QStringLiteral("Beep"))));
    EXPECT_EQ(ErrorOf([&] { track.Open(QStringLiteral("3.live"), &owner); }),
              unsigned(MixerError::InvalidControl));
    // A line that cannot be muted again is reported; the next item opens
    // the mixer anew.
    Choose(0, CMemoryMixer::Id(line));
    track.Open(QStringLiteral("3.live"), &owner);
    card.controlError = 5;
    EXPECT_EQ(ErrorOf([&] { track.Close(); }), 5u);
    card.controlError = 0;
    track.Open(QStringLiteral("3.live"), &owner);
    track.Close();
    EXPECT_TRUE(line.muted);
}

} // namespace
