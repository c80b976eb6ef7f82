// What is particular to the pause track: its length from the item's name,
// a zero pause, pausing only while playing, and a position that runs on past
// the end until Stop. The common contract is in TrackContractTest.
#include "media/PauseTrack.h"

#include "EventRecorder.h"

#include <gtest/gtest.h>

#include <limits>

TEST(PauseTrack, LengthFromName)
{
    constexpr TrackMs kMax = std::numeric_limits<TrackMs>::max();
    const std::pair<const char*, TrackMs> cases[] = {
        {"10.pause", 10000}, {"/srv/items/10.pause", 10000}, {"x.pause", 5000}, {".pause", 5000},
        {"/srv/12/x.pause", 5000}, {"0.pause", 0}, {"-5.pause", 0}, {"12abc.pause", 12000}, {" +3.pause", 3000},
        {"2147483.pause", 2147483000}, {"2147484.pause", kMax}, {"99999999999999999999.pause", kMax},
    };
    for (const auto& [path, ms] : cases)
        EXPECT_EQ(CPauseTrack::LengthFromPath(QString::fromUtf8(path)), ms) << path;
}

TEST(PauseTrack, ZeroPauseEndsAtTheFirstTickAndOnlyPlayingPauses)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("0.pause"), &owner);
    EXPECT_EQ(track.GetLength(), 0);
    track.SetVolume(0.5f);
    EXPECT_EQ(track.GetVolume(), 0.0f);
    track.Pause();
    EXPECT_FALSE(track.IsPaused()) << "only a playing track pauses";
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, 2000));
    EXPECT_EQ(owner.ends[0].sender, track.Serial());
    Spin(250);
    EXPECT_EQ(owner.Count(), 1u);
    EXPECT_GE(track.GetPosition(), 250) << "the position runs on past the end";
}

TEST(PauseTrack, StopWhilePausedKeepsThePositionAndEndsNothing)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("10.pause"), &owner);
    track.Play();
    track.Seek(9950);
    track.Pause();
    track.Pause();
    EXPECT_TRUE(track.IsPaused());
    track.Stop();
    EXPECT_TRUE(track.IsStopped());
    const TrackMs stoppedAt = track.GetPosition();
    EXPECT_GE(stoppedAt, 9950);
    Spin(300);
    EXPECT_TRUE(owner.ends.empty());
    EXPECT_EQ(track.GetPosition(), stoppedAt);
}
