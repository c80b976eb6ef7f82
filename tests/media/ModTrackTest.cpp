// SPDX-License-Identifier: GPL-3.0-or-later
// The module track through the real player library (libnpmod32.so built
// next to the tests) on its paced silent output: what Open leaves, the
// units at the interface, the end report of a range, and the two texts of
// a missing file and a missing library, each naming the item. Positions,
// not wall time, carry the assertions.
#include "media/ModTrack.h"
#include "media/ModLibrary.h"
#include "media/TrackFactory.h"

#include "EventRecorder.h"
#include "support/TestMedia.h"

namespace {

class ModTrackTest : public TrackTest
{
protected:
    void SetUp() override
    {
        TrackTest::SetUp();
        ASSERT_TRUE(CModLibrary::Instance().IsLoaded())
            << CModLibrary::Instance().Loader().ErrorText().toStdString();
    }
    // 50 rows: 6.0 s.
    static QString Module()
    {
        static const QString path = TestMedia::WriteModule(TestEnv::Root() + QStringLiteral("/tone.mod"), 50);
        return path;
    }
};

TEST_F(ModTrackTest, OpensPausedAtZeroAndCountsInTenthsOfASecond)
{
    auto made = CreateTrack(Module());
    auto& track = dynamic_cast<CModTrack&>(*made);
    track.Open(Module(), &owner);
    EXPECT_EQ((std::tuple{track.GetLength(), track.IsPaused(), track.IsStopped(), track.IsPlaying(),
                          track.GetPosition(), track.GetVolume()}),
              std::tuple(6000, true, true, false, 0, 1.0f));

    // Paused, the position is the one sought, clamped to the module (the top
    // clamp comes last: the watch reports the end of a paused track too).
    for (const auto& [sought, held] : {std::pair(1234, 1234), std::pair(-5, 0)}) {
        track.Seek(sought);
        EXPECT_EQ(track.GetPosition(), held) << sought;
    }
    track.Stop(); // not playing: nothing happens
    EXPECT_TRUE(track.IsPaused());

    track.Seek(1234);
    track.Resume();
    EXPECT_TRUE(track.IsPlaying() && !track.IsStopped() && !track.IsPaused());
    EXPECT_EQ(track.GetPosition(), 1200) << "the player moved to 12 tenths";
    Spin(300);
    const TrackMs moved = track.GetPosition();
    EXPECT_EQ(moved % 100, 0);
    EXPECT_GT(moved, 1200);
    EXPECT_LT(moved, 2500);

    track.SetVolume(0.456f);
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.45f);
    track.Pause();
    EXPECT_TRUE(track.IsPaused() && track.IsStopped());
    const TrackMs held = track.GetPosition();
    Spin(250);
    EXPECT_EQ(track.GetPosition(), held);
    EXPECT_EQ(owner.Count(), 0u);

    track.Seek(999999);
    EXPECT_EQ(track.GetPosition(), 5999);
    ASSERT_TRUE(owner.WaitForEnds(1)) << "sought to its end while paused, the module has ended";
    track.Close();
    Spin(300);
    EXPECT_EQ(owner.Count(), 1u);
}

TEST_F(ModTrackTest, ARangeEndsAboutTwoHundredMsPastItsMarkOnceOnly)
{
    CModTrack track;
    track.Open(Module(), &owner);
    track.PlayRange(4000, 5000);
    TrackMs lastBeforeEnd = 0;
    ASSERT_TRUE(TestEnv::WaitUntil(
        [&] {
            if (owner.ends.empty())
                lastBeforeEnd = track.GetPosition();
            return !owner.ends.empty();
        },
        4000));
    const TrackMs atEnd = track.GetPosition();
    EXPECT_GE(lastBeforeEnd, 5100) << "reported before the mark was passed by 200 ms";
    EXPECT_GE(atEnd, 5100);
    EXPECT_LE(atEnd, 5600);
    EXPECT_EQ(owner.ends[0], std::pair(int(MCI_NOTIFY_SUCCESSFUL), track.Serial()));

    // The watch has ended: the rest of the module plays without a report.
    EXPECT_TRUE(track.IsPlaying());
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track.IsStopped(); }, 3000)) << "the module plays to its end";
    EXPECT_EQ(track.GetPosition(), 6000);
    EXPECT_EQ(owner.Count(), 1u);
}

TEST_F(ModTrackTest, StopEndsTheWatchForGoodAndCloseEndsAPausedModule)
{
    CModTrack track;
    track.Open(Module(), &owner);
    track.PlayRange(0, 400);
    track.Stop();
    EXPECT_TRUE(track.IsStopped());
    track.PlayRange(0, 300);
    Spin(700);
    EXPECT_EQ(owner.Count(), 0u) << "no report after Stop";
    track.Close();
    track.Open(Module(), &owner); // paused, its watch running
    track.Close();
    EXPECT_FALSE(track.IsPlaying() || track.IsPaused() || track.IsStopped());
}

TEST_F(ModTrackTest, AMissingFileOrLibraryFailsOpenWithItsText)
{
    const CModLibrary absent(TestEnv::Root() + QStringLiteral("/no-lib/libnpmod32.so"));
    EXPECT_FALSE(absent.IsLoaded());
    const auto textOf = [&](const CModLibrary& library, const QString& path) {
        CModTrack track(library);
        try {
            track.Open(path, &owner);
        } catch (const CModException& e) {
            EXPECT_FALSE(track.IsPlaying() || track.IsPaused());
            return e.GetErrorMessage();
        }
        return QStringLiteral("no error");
    };
    const QString missing = TestEnv::Root() + QStringLiteral("/missing.mod");
    for (const CModLibrary* library : {&absent, &CModLibrary::Instance()})
        EXPECT_EQ(textOf(*library, missing),
                  QStringLiteral("The specified MOD file does not exist. (missing.mod)"));
    EXPECT_EQ(textOf(absent, Module()),
              QStringLiteral("The required DLL 'libnpmod32.so' was not found. (tone.mod)"));
    EXPECT_EQ(CModException(-1301).GetErrorMessage(), QStringLiteral("MOD Player initializiation error"));
    EXPECT_EQ(CModException(0).GetErrorMessage(), QStringLiteral("Unknown MOD Error"));
    EXPECT_EQ(owner.Count(), 0u);
}

// An output that stops taking sound (a stream stalled under load): the
// item ends with an error naming it instead of never ending.
TEST_F(ModTrackTest, AModuleWhoseOutputStallsEndsWithAnErrorNamingIt)
{
    qputenv("NPMOD32_OUTPUT", "stalled");
    CModTrack track;
    track.Open(Module(), &owner);
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.Count() > 0; }, 5000));
    ASSERT_EQ(owner.errors.size(), 1u);
    EXPECT_EQ(owner.errors[0].first->GetErrorMessage(),
              QStringLiteral("The MOD player's output stopped taking sound; the item is ended. (tone.mod)"));
}

} // namespace
