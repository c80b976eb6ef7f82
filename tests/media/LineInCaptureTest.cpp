// SPDX-License-Identifier: GPL-3.0-or-later
// The live item with a capture source: the captured sound on the bus for
// the item's length at the track's volume, the mixer left alone (the test
// process's card has no lines, so a live item that opened a line would fail
// to open), and sources that fail or bring nothing as errors naming them.
#include "media/LineInTrack.h"

#include "EventRecorder.h"

namespace {

class LineInCapture : public TrackTest, protected TempHive
{};

void UseSource(const char* source)
{
    CRegistryKey::OpenAppSubkey(QStringLiteral("Settings")).SetText(QStringLiteral("LineInSource"), source);
}

TEST_F(LineInCapture, CarriesTheLineForItsLengthAtTheTrackVolume)
{
    UseSource("audiotestsrc is-live=true freq=1000 volume=0.25"); // a sine of peak 0.25
    CLineInTrack track;
    track.Open(QStringLiteral("2.live"), &owner);
    track.SetVolume(0.5f);
    track.Play();
    // The level once the capture has come up: the item's time runs from its
    // start, sound or not, and under ThreadSanitizer beside other work the
    // capture came more than a second in.
    CAirBus::Level level;
    EXPECT_TRUE(TestEnv::WaitUntil(
        [&] {
            level = CTrackEnvironment::AirBus()->LastLevel();
            return std::min(level.peak[0], level.peak[1]) > 0.115f;
        },
        3000));
    EXPECT_NEAR(level.peak[0], 0.125, 0.01);
    EXPECT_NEAR(level.peak[1], 0.125, 0.01);
    ASSERT_TRUE(owner.WaitForEnds(1));
    EXPECT_EQ(track.AirInput()->FramesTaken(), std::uint64_t(2 * CAirBus::Rate)) << "exactly the item's 2 s";
    EXPECT_TRUE(owner.errors.empty());
}

TEST_F(LineInCapture, SourcesThatFailOrBringNothingAreErrorsNamingThem)
{
    // The source and a part of the error's text.
    const std::pair<const char*, const char*> rows[] = {
        {"nosuchcapturesrc wave=1", "failed: "},                    // cannot be made
        {"alsasrc device=lirana_no_such_pcm", "failed: "},          // fails as it starts
        {"audiotestsrc is-live=true ! valve drop=true", "No sound"} // brings nothing: the stall
    };
    for (const auto& [source, text] : rows) {
        UseSource(source);
        owner.errors.clear();
        CLineInTrack track;
        track.Open(QStringLiteral("5.live"), &owner);
        track.Play();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.errors.empty(); }, 4000)) << source;
        const QString message = owner.errors.front().first->GetErrorMessage();
        EXPECT_TRUE(message.contains(QString::fromUtf8(source)) && message.contains(QString::fromUtf8(text)))
            << message.toStdString();
        track.Close();
        Spin(100);
        EXPECT_EQ(owner.errors.size() + owner.ends.size(), 1u) << source << ": one error, and no end";
    }
}

} // namespace
