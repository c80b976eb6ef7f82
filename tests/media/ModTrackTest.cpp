// SPDX-License-Identifier: GPL-3.0-or-later
// The module track through the real player library (libnpmod32.so built
// next to the tests) on its paced silent output: what Open leaves, the
// units at the interface, the end report of a range, and the two texts of
// a missing file and a missing library, each naming the item. Positions,
// not wall time, carry the assertions; what every track does is in
// TrackContractTest.
#include "media/ModTrack.h"
#include "media/ModLibrary.h"

#include "EventRecorder.h"

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

// Paused, a module answers the place sought; playing, the player's tenths
// of a second; sought to its end while paused, its watch reports the end.
TEST_F(ModTrackTest, OpensPausedAtZeroAndCountsInTenthsOfASecond)
{
    CModTrack track;
    track.Open(Module(), &owner);
    EXPECT_TRUE(track.IsPaused() && track.IsStopped() && track.GetPosition() == 0);
    track.Stop(); // not playing: nothing happens
    EXPECT_TRUE(track.IsPaused());
    track.Seek(1234);
    EXPECT_EQ(track.GetPosition(), 1234);
    track.Resume();
    EXPECT_EQ(track.GetPosition(), 1200) << "the player moved to 12 tenths";
    Spin(300);
    EXPECT_EQ(track.GetPosition() % 100, 0);
    EXPECT_GT(track.GetPosition(), 1200);
    track.SetVolume(0.456f);
    EXPECT_FLOAT_EQ(track.GetVolume(), 0.45f);
    track.Pause();
    track.Seek(999999);
    EXPECT_EQ(track.GetPosition(), 5999);
    ASSERT_TRUE(owner.WaitForEnds(1)) << "sought to its end while paused, the module has ended";
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

TEST_F(ModTrackTest, AMissingFileOrLibraryFailsOpenWithItsText)
{
    const CModLibrary absent(TestEnv::Root() + QStringLiteral("/no-lib/libnpmod32.so"));
    EXPECT_FALSE(absent.IsLoaded());
    const auto textOf = [&](const CModLibrary& library, const QString& path) {
        CModTrack track(library);
        const auto e = ThrownBy<CModException>([&] { track.Open(path, &owner); });
        EXPECT_FALSE(track.IsPlaying() || track.IsPaused());
        return e ? e->GetErrorMessage() : QStringLiteral("no error");
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

// A player held back on the bus, or its own output stalled (a library
// without the bus's entry point: its end watch sees the position stand):
// the item ends with one error naming it instead of never ending.
TEST_F(ModTrackTest, AModuleWhoseOutputStallsEndsWithAnErrorNamingIt)
{
    qputenv("NPMOD32_OUTPUT", "stalled");
    CModLibrary older(CModLibrary::DefaultPath());
    older.SetOutput = nullptr;
    for (const CModLibrary* library : {&CModLibrary::Instance(), static_cast<const CModLibrary*>(&older)}) {
        const std::size_t before = owner.errors.size();
        CModTrack track(*library);
        track.Open(Module(), &owner);
        EXPECT_EQ(track.AirInput() != nullptr, library != &older);
        track.Play();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return owner.Count() > before; }, 5000));
        Spin(300);
        ASSERT_EQ(owner.errors.size(), before + 1);
        EXPECT_EQ(
            owner.errors.back().first->GetErrorMessage(),
            QStringLiteral("The MOD player's output stopped taking sound; the item is ended. (tone.mod)"));
    }
    EXPECT_EQ(owner.ends.size(), 0u);
}

// The library takes a lent output only whole: a shorter struct (an older
// host) or a missing callback is refused; null gives the player its own.
TEST_F(ModTrackTest, ALentOutputIsTakenOnlyWhole)
{
    const CModLibrary& library = CModLibrary::Instance();
    ASSERT_NE(library.SetOutput, nullptr);
    const auto writable = [](void*) -> long { return 0; };
    const auto write = [](void*, const short*, long) -> long { return 0; };
    const auto seek = [](void*, long long) {};
    const auto end = [](void*) {};
    const ModPlug_Output whole{sizeof(ModPlug_Output), nullptr, writable, write, writable, seek, end};
    ModPlug_Output shorter = whole, partial = whole;
    shorter.size -= sizeof(void*);
    partial.end = nullptr;
    const ModPlugHandle player = library.CreateEx("");
    EXPECT_EQ((std::tuple{library.SetOutput(player, &shorter), library.SetOutput(player, &partial),
                          library.SetOutput(player, &whole), library.SetOutput(player, nullptr),
                          library.SetOutput(nullptr, &whole)}),
              std::tuple(0, 0, 1, 1, 0));
    library.Destroy(player);
}

} // namespace
