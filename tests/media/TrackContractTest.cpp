// SPDX-License-Identifier: GPL-3.0-or-later
// What every track class promises the engine (media/MediaTrack.h), run over
// each class in real time: open and close, play, pause, seek and stop, the
// one end notification carrying the sender's serial, and silence after Close.
// A new track class joins by adding a maker to TrackMakers; where a class
// cannot honour a clause its maker says so; what is particular to one class
// stays in that class's own test.
#include "media/CdAudioTrack.h"
#include "media/DirectShowTrack.h"
#include "media/LineInTrack.h"
#include "media/MciTrack.h"
#include "media/MiniPlaylistTrack.h"
#include "media/ModLibrary.h"
#include "media/ModTrack.h"
#include "media/PauseTrack.h"

#include "EventRecorder.h"

#include <algorithm>

namespace {

// The medium a maker makes, made once per test program.
template <class Make>
const QString& Once(Make make)
{
    static const QString made = make();
    return made;
}

// A file of the test's folder.
QString At(const char* name)
{
    return TestEnv::Root() + u'/' + QLatin1String(name);
}

// A maker gives the track class, a medium of kLength ms and how exactly the
// class reports positions: a position read at an end mark lies within
// [mark - kBelow, mark + kAbove]; one read twice while paused moves by at
// most kHeld. The defaults are what a class honours unless its maker says
// otherwise.
struct Honours
{
    static constexpr TrackMs kLength = 2000, kBelow = 0, kAbove = 60, kHeld = 0;
    static constexpr bool kStopRewinds = false;
    static constexpr float kOpenVolume = 1.0f;
    // An open track that does not play says IsStopped (the media-control
    // family says neither stopped nor paused: its device stands in "stop"
    // mode); a module may say paused as well.
    static constexpr bool kIdleSaysStopped = true, kIdleMaySayPaused = false;
    // Playing on, at the end mark, until stopped (the media-control family
    // stops there).
    static constexpr bool kPlaysOnAtTheEnd = true;
    // How far before its end the position reads once the end is told.
    static constexpr TrackMs kEndReadsBack = 0;
    static constexpr bool kPauses = true, kSeeks = true, kRanges = true;
    // Keeps a seek within the medium (else takes it as it is).
    static constexpr bool kClampsSeeks = false;
    // Stays paused through a seek (a media-control device stops).
    static constexpr bool kSeeksWhilePaused = true;
    // Resume plays to the end mark of the range paused (else to the end).
    static constexpr bool kResumeKeepsTheMark = true;
    // Ends a range whose end lies before its start (else refuses it).
    static constexpr bool kEndsABackwardRange = true;
    // Reports one end per Open (a module's end watch), and Stop acts only
    // on a playing track.
    static constexpr bool kOneEndPerOpen = false;
    static constexpr bool kStopsWhenPaused = true;
    // Also tells superseded and aborted plays (the media-control family).
    static constexpr bool kTellsEveryPlay = false;
    // Plans its start on the bus after another track (a list plans its first
    // entry's, which it does not show), and starts on that very sample (a
    // live capture starts once its first sound has come, a little later).
    static constexpr bool kPlansStarts = true, kStartsOnTheSample = true;
    static void Prepare() {}
    static QStringList BadFiles() { return {}; } // reads no file
};

struct PauseMaker : Honours
{
    using Track = CPauseTrack;
    static constexpr float kOpenVolume = 0.0f; // silence has no level to set
    // Past its end mark the position runs on with the clock until Stop: read
    // once the end is told, it is the mark plus the time the notice took to
    // arrive, which a loaded machine under a sanitizer made 62 ms.
    static constexpr TrackMs kAbove = 250;
    static QString Media() { return QStringLiteral("/items/2.pause"); }
};

// A live item that captures its line: a pause that carries sound, which
// cannot be paused or sought.
struct LineInMaker : PauseMaker
{
    using Track = CLineInTrack;
    static constexpr float kOpenVolume = 1.0f;
    static constexpr bool kPauses = false, kSeeks = false, kStartsOnTheSample = true;
    static void Prepare()
    {
        CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
            .SetText(QStringLiteral("LineInSource"), QStringLiteral("audiotestsrc is-live=true volume=0.1"));
    }
    static QString Media() { return QStringLiteral("/items/2.live"); }
};

// A list of two 1 s pauses handing over without overlap: it plays whole (no
// range, no seek), at the level of the entry that plays.
struct MiniPlaylistMaker : PauseMaker
{
    using Track = CMiniPlaylistTrack;
    static constexpr bool kSeeks = false, kRanges = false, kPlansStarts = false;
    static constexpr TrackMs kEndReadsBack = 1000; // the last entry has gone: its start
    static QString Media()
    {
        return Once([] { return TestEnv::WriteFile(At("contract.m3u"), "1~0.pause\n1~0.pause\n"); });
    }
    static QStringList BadFiles() { return {At("missing.m3u")}; }
};

struct GstMaker : Honours
{
    using Track = CDirectShowTrack;
    static constexpr TrackMs kBelow = 40, kHeld = 15;
    static constexpr bool kStopRewinds = true;
    static QString Media()
    {
        return Once([] { return TestMedia::ToneWav(TestEnv::Root(), QStringLiteral("contract"), 440, 2.0); });
    }
    // A missing file first, then files that cannot be read as media.
    static QStringList BadFiles()
    {
        return {At("missing.wav"), TestMedia::TextAsWav(TestEnv::Root()),
                TestMedia::CorruptMp3(TestEnv::Root())};
    }
};

// The media-control layer's wave device: exact to the millisecond.
struct MciMaker : GstMaker
{
    using Track = CMCITrack;
    static constexpr TrackMs kBelow = 0, kAbove = 0, kHeld = 0;
    static constexpr bool kStopRewinds = false, kIdleSaysStopped = false, kPlaysOnAtTheEnd = false;
    static constexpr bool kClampsSeeks = true, kSeeksWhilePaused = false;
    static constexpr bool kEndsABackwardRange = false, kTellsEveryPlay = true;
    static QStringList BadFiles() { return {At("missing.wav"), TestMedia::TextAsWav(TestEnv::Root())}; }
};

// 4 beats at 120 bpm through the synthesiser; Resume plays anew, to the end.
struct MidiMaker : MciMaker
{
    using Track = CMidiTrack;
    static constexpr bool kResumeKeepsTheMark = false;
    static QString Media()
    {
        return Once([] {
            return TestMedia::MidiFile(TestEnv::Root(), QStringLiteral("contract"), {{4, 120}});
        });
    }
    static QStringList BadFiles() { return {At("missing.mid"), TestEnv::WriteFile(At("notes.mid"), "MThd")}; }
};

// The middle track (2 s) of a CD image of 1, 2 and 1 s: positions, seeks
// and ends are the track's own, not the disc's. Resume plays on to the
// track's end.
struct CdMaker : MciMaker
{
    using Track = CCDAudioTrack;
    static constexpr bool kResumeKeepsTheMark = false;
    static QString Media()
    {
        return Once([] {
            return TestMedia::CdImage(TestEnv::Root(), QStringLiteral("contract"),
                                      {{TestMedia::Tone(440, 1.0)},
                                       {TestMedia::Tone(880, 2.0)},
                                       {TestMedia::Tone(1320, 1.0)}}) +
                   QStringLiteral("/Track02.cda");
        });
    }
    static QStringList BadFiles()
    {
        return {At("gone.cue/Track01.cda"), QFileInfo(Media()).path() + QStringLiteral("/Track12.cda")};
    }
};

// A module of 25 rows (3 s); the player counts in tenths of a second and
// its end watch reports 200 ms after the mark, once per Open.
struct ModMaker : Honours
{
    using Track = CModTrack;
    static constexpr TrackMs kLength = 3000, kBelow = 100, kAbove = 500;
    static constexpr bool kIdleMaySayPaused = true, kOneEndPerOpen = true, kPlaysOnAtTheEnd = false;
    static constexpr bool kClampsSeeks = true, kStopsWhenPaused = false;
    static QString Media()
    {
        return Once([] { return TestMedia::WriteModule(At("contract.mod"), 25); });
    }
    static QStringList BadFiles()
    {
        return {At("missing.mod"), TestEnv::WriteFile(At("text.mod"), "no module")};
    }
};

template <class Maker>
class TrackContract : public TrackTest, protected TempHive
{
protected:
    using Track = typename Maker::Track;

    void SetUp() override
    {
        TrackTest::SetUp();
        Maker::Prepare();
    }

    static void ExpectNear(TrackMs position, TrackMs mark)
    {
        EXPECT_GE(position, mark - Maker::kBelow);
        EXPECT_LE(position, mark + Maker::kAbove);
    }
    static void ExpectIdle(const Track& track)
    {
        EXPECT_EQ(track.IsStopped(), Maker::kIdleSaysStopped);
        EXPECT_FALSE(track.IsPlaying());
        EXPECT_TRUE(Maker::kIdleMaySayPaused || !track.IsPaused());
    }
    // The plays that ended at their mark.
    std::size_t Ended() const
    {
        return std::size_t(std::count_if(owner.ends.begin(), owner.ends.end(),
                                         [](const auto& end) { return end.first == MCI_NOTIFY_SUCCESSFUL; }));
    }
    bool WaitForEnd(std::size_t n)
    {
        return TestEnv::WaitUntil([&] { return Ended() >= n; }, 6000);
    }
    // Every notification but a superseded or aborted play of a class that
    // tells those.
    std::size_t Told() const
    {
        return owner.Count() - (Maker::kTellsEveryPlay ? owner.ends.size() - Ended() : 0);
    }
    // A module reports one end per Open: it is opened anew for the next.
    void Again(Track& track)
    {
        if (Maker::kOneEndPerOpen) {
            track.Close();
            track.Open(Maker::Media(), &owner);
        }
    }
};

using TrackMakers = ::testing::Types<PauseMaker, LineInMaker, MiniPlaylistMaker, GstMaker, MciMaker,
                                     MidiMaker, CdMaker, ModMaker>;
TYPED_TEST_SUITE(TrackContract, TrackMakers);

TYPED_TEST(TrackContract, OpenCloseAndQueryLength)
{
    using Maker = TypeParam;
    typename TestFixture::Track track;
    EXPECT_FALSE(track.IsStopped() || track.IsPlaying() || track.IsPaused() || track.GetVolume() != 0.0f)
        << "closed";
    track.Open(Maker::Media(), &this->owner);
    this->ExpectIdle(track);
    EXPECT_EQ(std::tuple(track.Owner(), track.GetFileName(), track.GetPosition(), track.HasVolumeControl()),
              std::tuple(&this->owner, Maker::Media(), 0, true));
    EXPECT_NEAR(track.GetLength(), Maker::kLength, 5);
    EXPECT_FLOAT_EQ(track.GetVolume(), Maker::kOpenVolume);
    track.SetVolume(0.5f);
    EXPECT_NEAR(track.GetVolume(), Maker::kOpenVolume / 2, 0.01f);
    track.SetVolume(1.0f);

    // A seek while stopped moves the position (within the medium, for a
    // class that keeps it there) and does not start playing.
    for (const auto& [sought, at] :
         {std::pair(1000, 1000), {-5, 0}, {Maker::kLength + 5000, Maker::kLength}, {1500, 1500}}) {
        if (at != sought && !Maker::kClampsSeeks)
            continue;
        track.Seek(sought);
        EXPECT_NEAR(track.GetPosition(), Maker::kSeeks ? at : 0, Maker::kBelow) << sought;
        EXPECT_GE(track.GetPosition(), 0) << sought;
    }
    this->ExpectIdle(track);

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
    EXPECT_TRUE(track.IsPlaying() && !track.IsPaused() && !track.IsStopped());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.GetPosition() > 0; }, 2000));
    ASSERT_TRUE(this->WaitForEnd(1));
    EXPECT_EQ(this->owner.ends.back(), std::pair(int(MCI_NOTIFY_SUCCESSFUL), track.Serial()));
    EXPECT_EQ(track.IsPlaying(), Maker::kPlaysOnAtTheEnd) << "the track stays open at its end";
    this->ExpectNear(track.GetPosition(), Maker::kLength - Maker::kEndReadsBack);
    Spin(250);
    EXPECT_EQ(this->Told(), 1u);

    track.Stop();
    this->ExpectIdle(track);
    EXPECT_EQ(track.GetPosition() <= 5, Maker::kStopRewinds);
    track.Stop();
    Spin(150);
    EXPECT_EQ(this->Told(), 1u);
}

TYPED_TEST(TrackContract, PauseHoldsSeekMovesAndResumeEndsAtTheRangeMark)
{
    using Maker = TypeParam;
    if (!Maker::kRanges)
        GTEST_SKIP() << "this class plays whole";
    typename TestFixture::Track track;
    track.Open(Maker::Media(), &this->owner);
    track.PlayRange(500, 1300);
    EXPECT_TRUE(track.IsPlaying());
    Spin(100);
    track.Pause();
    if (Maker::kPauses) {
        ASSERT_TRUE(track.IsPaused() && !track.IsPlaying());
        const TrackMs held = track.GetPosition();
        EXPECT_GE(held, 500 - Maker::kBelow);
        Spin(300);
        EXPECT_NEAR(track.GetPosition(), held, Maker::kHeld);
        if (Maker::kSeeksWhilePaused) {
            track.Seek(1000);
            EXPECT_TRUE(track.IsPaused());
            EXPECT_NEAR(track.GetPosition(), 1000, Maker::kBelow);
        }
        EXPECT_EQ(this->Told(), 0u) << "no end while paused";
        track.Resume();
    } else {
        EXPECT_FALSE(track.IsPaused()) << "a track that does not pause plays on";
    }
    EXPECT_TRUE(track.IsPlaying() && !track.IsPaused());
    ASSERT_TRUE(this->WaitForEnd(1));
    this->ExpectNear(track.GetPosition(), Maker::kResumeKeepsTheMark ? 1300 : Maker::kLength);
    EXPECT_LE(track.GetPosition(), Maker::kLength);

    // A seek while playing goes on playing from there, to the end mark.
    this->Again(track);
    track.PlayRange(0, Maker::kLength);
    track.Seek(Maker::kLength - 300);
    EXPECT_TRUE(track.IsPlaying());
    if (Maker::kSeeks) {
        EXPECT_GE(track.GetPosition(), Maker::kLength - 300 - Maker::kBelow);
        EXPECT_LT(track.GetPosition(), Maker::kLength);
    }
    ASSERT_TRUE(this->WaitForEnd(2));
    this->ExpectNear(track.GetPosition(), Maker::kLength);

    // A range that ends before it starts ends at once, at its start.
    this->Again(track);
    if (Maker::kEndsABackwardRange) {
        track.PlayRange(300, 100);
        EXPECT_TRUE(track.IsPlaying());
        ASSERT_TRUE(this->WaitForEnd(3));
        this->ExpectNear(track.GetPosition(), 300);
    } else {
        EXPECT_TRUE(ThrownBy<CException>([&] { track.PlayRange(300, 100); }));
        this->ExpectIdle(track);
    }
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
        // Stopped just before the end mark, while paused and while playing.
        for (const bool paused : {Maker::kStopsWhenPaused, false}) {
            track.PlayRange(0, Maker::kLength);
            track.Seek(Maker::kLength - 300);
            if (paused)
                track.Pause();
            track.Stop();
            this->ExpectIdle(track);
            const TrackMs stoppedAt = track.GetPosition();
            EXPECT_EQ(stoppedAt <= 5, Maker::kStopRewinds || !Maker::kSeeks);
            Spin(300);
            EXPECT_EQ(track.GetPosition(), stoppedAt);
        }
        if (Maker::kOneEndPerOpen) { // a play right after Stop does not revive the end watch
            this->Again(track);
            track.PlayRange(0, 400);
            track.Stop();
            track.PlayRange(0, 300);
            Spin(700);
            EXPECT_EQ(this->Told(), 0u) << "the end watch ended at Stop";
        }
        track.PlayRange(0, 300);
    }
    auto track = std::make_unique<typename TestFixture::Track>();
    track->Open(Maker::Media(), &this->owner);
    track->PlayRange(Maker::kLength - 100, Maker::kLength);
    track.reset();
    Spin(300);
    EXPECT_EQ(this->Told(), 0u) << this->owner.ends.size() << " ends, " << this->owner.errors.size()
                                << " errors";
}

// A start planned on the station's air bus after a track of the same class
// comes on its sample, heard nowhere until then: where the leader reaches
// 1000 ms (its input starts AirInputStart() into the leader), or after the
// leader's last. A plan taken back starts nothing; Play before the planned
// sample starts the track at once.
TYPED_TEST(TrackContract, APlannedStartComesOnItsSample)
{
    using Maker = TypeParam;
    if (!Maker::kPlansStarts)
        GTEST_SKIP() << "the list's own test plans its first entry";
    const QString media = Maker::Media();
    for (const TrackMs at : {1000, -1}) {
        SCOPED_TRACE(at);
        typename TestFixture::Track leader, follower, other;
        for (auto* track : {&leader, &follower, &other})
            track->Open(media, &this->owner);
        leader.Play();
        std::shared_ptr<CAirInput> input;
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return (input = leader.AirInput()) != nullptr; }, 3000));
        ASSERT_TRUE(follower.PlayAfter(leader, at));
        const std::shared_ptr<CAirInput> planned = follower.AirInput();
        ASSERT_NE(planned, nullptr);
        ASSERT_TRUE(other.PlayAfter(leader, at));
        other.CancelPlannedStart();
        EXPECT_FALSE(other.IsPlaying());
        Spin(300);
        EXPECT_EQ(other.GetPosition(), 0);
        if (at < 0) { // seconds before its sample
            EXPECT_TRUE(planned->Pending());
            EXPECT_EQ(follower.GetPosition(), 0);
        }
        ASSERT_TRUE(other.PlayAfter(leader, at));
        other.Play();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return other.AirInput()->Started(); }, 3000));
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return planned->Started(); }, 6000));
        if (at < 0) {
            EXPECT_LT(other.AirInput()->StartedAt(), planned->StartedAt()) << "Play waited for the plan";
        }
        const std::uint64_t due = at < 0 ? input->FramesTaken()
                                         : CAirBus::FramesOf(at - leader.AirInputStart());
        if (Maker::kStartsOnTheSample) {
            EXPECT_EQ(planned->StartedAt(), input->StartedAt() + due);
        } else {
            EXPECT_GE(planned->StartedAt(), input->StartedAt() + due);
        }
    }
}

TYPED_TEST(TrackContract, AMissingOrUnreadableFileFailsOpenAndNamesIt)
{
    const QStringList bad = TypeParam::BadFiles();
    if (bad.isEmpty())
        GTEST_SKIP() << "this class reads no file";
    for (const QString& path : bad) {
        typename TestFixture::Track track;
        const auto e = ThrownBy<CException>([&] { track.Open(path, &this->owner); });
        ASSERT_TRUE(e) << "Open did not throw for " << qPrintable(path);
        EXPECT_GT(e->GetErrorMessage().size(), 15) << qPrintable(e->GetErrorMessage());
        EXPECT_TRUE(path != bad[0] || e->GetErrorMessage().contains(QFileInfo(path).fileName()))
            << qPrintable(e->GetErrorMessage());
        EXPECT_FALSE(track.IsStopped() || track.IsPlaying() || track.IsPaused());
    }
    EXPECT_EQ(this->owner.Count(), 0u);
}

} // namespace
