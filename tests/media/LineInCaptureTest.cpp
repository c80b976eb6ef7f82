// SPDX-License-Identifier: GPL-3.0-or-later
// The live item with a capture source: the captured sound on the bus for
// the item's length at the track's volume, the mixer left alone (the test
// process's card has no lines, so a live item that opened a line would fail
// to open), and sources that fail or bring nothing as errors naming them.
#include "media/AirBus.h"
#include "media/LineInTrack.h"
#include "platform/registry/RegistryKey.h"

#include "EventRecorder.h"
#include "support/Fakes.h"

namespace {

class LineInCapture : public TrackTest, protected TempHive
{
protected:
    static void UseSource(const QString& source)
    {
        CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
            .SetText(QStringLiteral("LineInSource"), source);
    }
};

TEST_F(LineInCapture, CarriesTheLineForItsLengthAtTheTrackVolume)
{
    // A 1 kHz sine of peak 0.25 as the line.
    UseSource(QStringLiteral("audiotestsrc is-live=true freq=1000 volume=0.25"));
    CLineInTrack track;
    track.Open(QStringLiteral("1.live"), &owner);
    ASSERT_TRUE(track.HasVolumeControl());
    track.SetVolume(0.5f);
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.5f);
    track.Play();
    const std::shared_ptr<CAirInput> input = track.AirInput();
    ASSERT_TRUE(input);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.GetPosition() > 500; }, 3000));
    const CAirBus::Level level = CTrackEnvironment::AirBus()->LastLevel();
    EXPECT_NEAR(level.peak[0], 0.125, 0.01);
    EXPECT_NEAR(level.peak[1], 0.125, 0.01);
    ASSERT_TRUE(owner.WaitForEnds(1));
    EXPECT_EQ(input->FramesTaken(), std::uint64_t(CAirBus::Rate)) << "exactly the item's second";
    EXPECT_TRUE(owner.errors.empty());
    track.Close();
}

TEST_F(LineInCapture, SourcesThatFailOrBringNothingAreErrorsNamingThem)
{
    // The source and a part of the error's text.
    const std::pair<const char*, const char*> rows[] = {
        {"nosuchcapturesrc", "failed: "},                            // cannot be made
        {"audiotestsrc is-live=true wave=nosuchwave", "failed: "},   // a property it refuses
        {"alsasrc device=lirana_no_such_pcm", "failed: "},           // fails as it starts
        {"audiotestsrc is-live=true ! valve drop=true", "No sound"}, // brings nothing: the stall
    };
    for (const auto& [source, text] : rows) {
        SCOPED_TRACE(source);
        UseSource(QString::fromUtf8(source));
        owner.errors.clear();
        owner.ends.clear();
        CLineInTrack track;
        track.Open(QStringLiteral("5.live"), &owner);
        track.Play();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.errors.empty(); }, 4000));
        const QString message = owner.errors.front().first->GetErrorMessage();
        EXPECT_TRUE(message.contains(QString::fromUtf8(source)) && message.contains(QString::fromUtf8(text)))
            << message.toStdString();
        track.Close();
        Spin(100);
        EXPECT_EQ(owner.errors.size(), 1u) << "one error per failure";
        EXPECT_TRUE(owner.ends.empty());
    }
}

} // namespace
