// SPDX-License-Identifier: GPL-3.0-or-later
// What every track class promises the engine (media/MediaTrack.h), run over
// each class in real time: open and close, play, pause, seek and stop, the
// one end notification carrying the sender's serial, and silence after Close.
// A new track class joins by adding a maker to TrackMakers; what is
// particular to one class stays in that class's own test.
#include "media/DirectShowTrack.h"
#include "media/PauseTrack.h"
#include "media/TrackExceptions.h"

#include "EventRecorder.h"
#include "support/F36bFailures.h"
#include "support/TestMedia.h"

#include <QFileInfo>

#include <memory>

namespace {

// A maker gives the track class, a medium of kLength ms and how exactly the
// class reports positions: a position read at an end mark lies within
// [mark - kBelow, mark + kAbove]; one read twice while paused moves by at
// most kHeld.
struct PauseMaker
{
    using Track = CPauseTrack;
    static constexpr TrackMs kLength = 2000, kBelow = 0, kAbove = 60, kHeld = 0;
    static constexpr bool kStopRewinds = false;
    static constexpr float kOpenVolume = 0.0f; // silence has no level to set
    static QString Media() { return QStringLiteral("/items/2.pause"); }
    static QStringList BadFiles() { return {}; } // reads no file
};

struct GstMaker
{
    using Track = CDirectShowTrack;
    static constexpr TrackMs kLength = 2000, kBelow = 40, kAbove = 60, kHeld = 15;
    static constexpr bool kStopRewinds = true;
    static constexpr float kOpenVolume = 1.0f;
    static QString Media()
    {
        static const QString path = TestMedia::ToneWav(TestEnv::Root(), QStringLiteral("contract"), 440, 2.0);
        return path;
    }
    // A missing file first, then files that cannot be read as media.
    static QStringList BadFiles()
    {
        const QString dir = TestEnv::Root();
        return {dir + QStringLiteral("/missing.wav"), TestMedia::TextAsWav(dir), TestMedia::CorruptMp3(dir)};
    }
};

template <class Maker>
class TrackContract : public TrackTest
{
protected:
    using Track = typename Maker::Track;

    static void ExpectNear(TrackMs position, TrackMs mark)
    {
        EXPECT_GE(position, mark - Maker::kBelow);
        EXPECT_LE(position, mark + Maker::kAbove);
    }
};

using TrackMakers = ::testing::Types<PauseMaker, GstMaker>;
TYPED_TEST_SUITE(TrackContract, TrackMakers);

TYPED_TEST(TrackContract, OpenCloseAndQueryLength)
{
    using Maker = TypeParam;
    typename TestFixture::Track track;
    EXPECT_FALSE(track.IsStopped() || track.IsPlaying() || track.IsPaused() || track.GetVolume() != 0.0f)
        << "closed";
    track.Open(Maker::Media(), &this->owner);
    EXPECT_EQ(std::tuple(track.IsStopped() && !track.IsPlaying() && !track.IsPaused(), track.Owner(),
                         track.GetFileName(), track.GetPosition(), track.HasVolumeControl()),
              std::tuple(true, &this->owner, Maker::Media(), 0, true));
    EXPECT_NEAR(track.GetLength(), Maker::kLength, 5);
    EXPECT_FLOAT_EQ(track.GetVolume(), Maker::kOpenVolume);

    // A seek while stopped moves the position and does not start playing.
    track.Seek(1000);
    EXPECT_TRUE(track.IsStopped());
    EXPECT_NEAR(track.GetPosition(), 1000, Maker::kBelow);

    track.Close();
    EXPECT_FALSE(track.IsStopped() || track.IsPlaying() || track.IsPaused() || track.Owner());

    typename TestFixture::Track query; // the length stays known after its Close
    EXPECT_NEAR(query.QueryLength(Maker::Media(), &this->owner), Maker::kLength, 5);
    EXPECT_NEAR(query.GetLength(), Maker::kLength, 5);
    EXPECT_FALSE(query.Owner() || query.IsStopped() || this->owner.Count());
}

TYPED_TEST(TrackContract, PlayEndsOnceAtTheEndAndStaysOpenUntilStopped)
{
    using Maker = TypeParam;
    typename TestFixture::Track track;
    track.Open(Maker::Media(), &this->owner);
    track.Play();
    track.Play(); // a second start replaces the first: still one end
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.GetPosition() > 0; }, 2000));
    ASSERT_TRUE(this->owner.WaitForEnds(1));
    EXPECT_EQ(this->owner.ends[0], std::pair(int(MCI_NOTIFY_SUCCESSFUL), track.Serial()));
    EXPECT_TRUE(track.IsPlaying()) << "the track stays open at its end";
    this->ExpectNear(track.GetPosition(), Maker::kLength);
    Spin(250);
    EXPECT_EQ(this->owner.ends.size(), 1u);

    track.Stop();
    EXPECT_TRUE(track.IsStopped());
    EXPECT_EQ(track.GetPosition() <= 5, Maker::kStopRewinds);
    track.Stop();
    Spin(150);
    EXPECT_EQ(this->owner.Count(), 1u);
}

TYPED_TEST(TrackContract, PauseHoldsSeekMovesAndResumeEndsAtTheRangeMark)
{
    using Maker = TypeParam;
    typename TestFixture::Track track;
    track.Open(Maker::Media(), &this->owner);
    track.PlayRange(500, 1300);
    EXPECT_TRUE(track.IsPlaying());
    Spin(100);
    track.Pause();
    ASSERT_TRUE(track.IsPaused());
    const TrackMs held = track.GetPosition();
    EXPECT_GE(held, 500 - Maker::kBelow);
    Spin(300);
    EXPECT_NEAR(track.GetPosition(), held, Maker::kHeld);
    track.Seek(1000);
    EXPECT_TRUE(track.IsPaused());
    EXPECT_NEAR(track.GetPosition(), 1000, Maker::kBelow);
    EXPECT_TRUE(this->owner.ends.empty()) << "no end while paused";

    track.Resume();
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(this->owner.WaitForEnds(1));
    this->ExpectNear(track.GetPosition(), 1300);
    EXPECT_LT(track.GetPosition(), Maker::kLength);

    // A seek while playing goes on playing from there, to the end mark.
    track.PlayRange(0, Maker::kLength);
    track.Seek(Maker::kLength - 300);
    EXPECT_TRUE(track.IsPlaying());
    EXPECT_GE(track.GetPosition(), Maker::kLength - 300 - Maker::kBelow);
    EXPECT_LT(track.GetPosition(), Maker::kLength);
    ASSERT_TRUE(this->owner.WaitForEnds(2));
    this->ExpectNear(track.GetPosition(), Maker::kLength);

    // A range that ends before it starts ends at once, at its start.
    track.PlayRange(300, 100);
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(this->owner.WaitForEnds(3));
    this->ExpectNear(track.GetPosition(), 300);
    EXPECT_TRUE(this->owner.errors.empty());
}

TYPED_TEST(TrackContract, NothingArrivesAfterStopCloseOrDelete)
{
    using Maker = TypeParam;
    {
        typename TestFixture::Track track;
        track.Open(Maker::Media(), &this->owner);
        track.PlayRange(0, 150);
        Spin(50);
        track.Pause();
        track.Close();
        EXPECT_FALSE(track.IsPaused());
        track.Open(Maker::Media(), &this->owner);
        // Stopped while paused just before the end mark.
        track.PlayRange(0, Maker::kLength);
        track.Seek(Maker::kLength - 50);
        track.Pause();
        track.Stop();
        EXPECT_TRUE(track.IsStopped());
        const TrackMs stoppedAt = track.GetPosition();
        EXPECT_EQ(stoppedAt <= 5, Maker::kStopRewinds);
        Spin(300);
        EXPECT_EQ(track.GetPosition(), stoppedAt);
        track.PlayRange(0, 150);
    }
    auto track = std::make_unique<typename TestFixture::Track>();
    track->Open(Maker::Media(), &this->owner);
    track->PlayRange(Maker::kLength - 100, Maker::kLength);
    track.reset();
    Spin(300);
    EXPECT_EQ(this->owner.Count(), 0u);
}

TYPED_TEST(TrackContract, AMissingOrUnreadableFileFailsOpenAndNamesIt)
{
    const QStringList bad = TypeParam::BadFiles();
    if (bad.isEmpty())
        GTEST_SKIP() << "this class reads no file";
    for (const QString& path : bad) {
        typename TestFixture::Track track;
        const auto e = ThrownBy<CTrackException>([&] { track.Open(path, &this->owner); });
        ASSERT_TRUE(e) << "Open did not throw for " << qPrintable(path);
        EXPECT_GT(e->GetErrorMessage().size(), 15) << qPrintable(e->GetErrorMessage());
        EXPECT_TRUE(path != bad[0] || e->GetErrorMessage().contains(QFileInfo(path).fileName()))
            << qPrintable(e->GetErrorMessage());
        EXPECT_FALSE(track.IsStopped() || track.IsPlaying());
    }
    EXPECT_EQ(this->owner.Count(), 0u);
}

} // namespace
