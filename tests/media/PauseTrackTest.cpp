#include "media/PauseTrack.h"

#include "EventRecorder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

void Spin(int ms)
{
    TestEnv::WaitUntil([] { return false; }, ms);
}

constexpr int kWaitMs = 2000;

} // namespace

TEST(PauseTrack, LengthFromName)
{
    const auto len = [](const char* path) { return CPauseTrack::LengthFromPath(QString::fromUtf8(path)); };
    EXPECT_EQ(len("10.pause"), 10000);
    EXPECT_EQ(len("/srv/items/10.pause"), 10000);
    EXPECT_EQ(len("x.pause"), 5000);
    EXPECT_EQ(len(".pause"), 5000);
    EXPECT_EQ(len("/srv/12/x.pause"), 5000);
    EXPECT_EQ(len("0.pause"), 0);
    EXPECT_EQ(len("-5.pause"), 0);
    EXPECT_EQ(len("12abc.pause"), 12000);
    EXPECT_EQ(len(" +3.pause"), 3000);
    EXPECT_EQ(len("2147483.pause"), 2147483000);
    EXPECT_EQ(len("2147484.pause"), std::numeric_limits<TrackMs>::max());
    EXPECT_EQ(len("99999999999999999999.pause"), std::numeric_limits<TrackMs>::max());
}

TEST(PauseTrack, OpenStateVolumeAndSeekWhilePaused)
{
    QObject owner;
    CPauseTrack track;
    EXPECT_FALSE(track.IsStopped());
    track.Open(QStringLiteral("/items/10.pause"), &owner);
    EXPECT_TRUE(track.IsStopped());
    EXPECT_EQ(track.GetLength(), 10000);
    EXPECT_EQ(track.GetPosition(), 0);
    EXPECT_EQ(track.Owner(), &owner);
    EXPECT_TRUE(track.HasVolumeControl());
    track.SetVolume(0.5f);
    EXPECT_EQ(track.GetVolume(), 0.0f);
    track.Pause();
    EXPECT_FALSE(track.IsPaused()) << "only a playing track pauses";
    track.Play();
    track.Pause();
    track.Seek(3000);
    EXPECT_EQ(track.GetPosition(), 3000) << "a seek while paused moves the kept position";
}

TEST(PauseTrack, ZeroPauseEndsAtFirstTickOnce)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("0.pause"), &owner);
    track.Play();
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, kWaitMs));
    EXPECT_EQ(owner.ends[0].code, MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(owner.ends[0].sender, track.Serial());
    Spin(250);
    EXPECT_EQ(owner.Count(), 1u);
    EXPECT_TRUE(track.IsPlaying()) << "the track stays open until stopped";
}

TEST(PauseTrack, EndAfterSeekNearEnd)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("10.pause"), &owner);
    track.Play();
    track.Seek(9800);
    EXPECT_GE(track.GetPosition(), 9800);
    EXPECT_LT(track.GetPosition(), 10000);
    EXPECT_TRUE(owner.ends.empty());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, kWaitMs));
    EXPECT_GE(track.GetPosition(), 10000);
    EXPECT_EQ(owner.ends.size(), 1u);
}

TEST(PauseTrack, PlayRangeEndsAtItsMark)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("10.pause"), &owner);
    track.PlayRange(4000, 4150);
    EXPECT_GE(track.GetPosition(), 4000);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, kWaitMs));
    EXPECT_GE(track.GetPosition(), 4150);
    EXPECT_LT(track.GetPosition(), 10000);
}

TEST(PauseTrack, PauseKeepsPositionAndResumeEndsAtSameMark)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("10.pause"), &owner);
    track.Play();
    track.Seek(9900);
    track.Pause();
    ASSERT_TRUE(track.IsPaused());
    const TrackMs kept = track.GetPosition();
    EXPECT_GE(kept, 9900);
    Spin(350);
    EXPECT_EQ(track.GetPosition(), kept);
    EXPECT_TRUE(owner.ends.empty()) << "no end while paused";

    track.Resume();
    EXPECT_TRUE(track.IsPlaying());
    EXPECT_GE(track.GetPosition(), kept);
    EXPECT_LT(track.GetPosition(), 10000);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, kWaitMs));
    EXPECT_GE(track.GetPosition(), 10000);
    EXPECT_EQ(owner.ends.size(), 1u);
}

TEST(PauseTrack, StopEndsWorkerWithoutEnd)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("10.pause"), &owner);
    track.Play();
    track.Seek(9950);
    track.Pause();
    track.Stop();
    EXPECT_TRUE(track.IsStopped());
    const TrackMs stoppedAt = track.GetPosition();
    Spin(300);
    EXPECT_TRUE(owner.ends.empty());
    EXPECT_EQ(track.GetPosition(), stoppedAt);
    track.Stop();
    EXPECT_TRUE(track.IsStopped());
}

TEST(PauseTrack, RestartReplacesWorker)
{
    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("0.pause"), &owner);
    track.Play();
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, kWaitMs));
    Spin(250);
    EXPECT_EQ(owner.ends.size(), 1u);
}

TEST(PauseTrack, CloseAndDeleteDetach)
{
    EventRecorder owner;
    {
        CPauseTrack track;
        track.Open(QStringLiteral("0.pause"), &owner);
        track.Play();
        track.Pause();
        track.Close();
        EXPECT_EQ(track.Owner(), nullptr);
        EXPECT_FALSE(track.IsPlaying() || track.IsPaused() || track.IsStopped());
    }
    {
        auto track = std::make_unique<CPauseTrack>();
        track->Open(QStringLiteral("0.pause"), &owner);
        track->Play();
        track.reset();
    }
    Spin(300);
    EXPECT_EQ(owner.Count(), 0u);
}
