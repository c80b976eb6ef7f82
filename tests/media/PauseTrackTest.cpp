// SPDX-License-Identifier: GPL-3.0-or-later
// What is particular to the pause track: its length from the item's name,
// a zero pause, pausing only while playing, and a position that runs on past
// the end until Stop. The common contract is in TrackContractTest.
#include "media/PauseTrack.h"

#include "EventRecorder.h"

#include <limits>

TEST(PauseTrack, LengthFromNameAZeroPauseEndsAtOnceAndOnlyPlayingPauses)
{
    constexpr TrackMs kMax = std::numeric_limits<TrackMs>::max();
    // How the seconds are read from the name is ItemPath's; here: the
    // default, the unit, nothing below zero and no overflow.
    const std::pair<const char*, TrackMs> cases[] = {{"10.pause", 10000},
                                                     {"x.pause", 5000},
                                                     {"0.pause", 0},
                                                     {"-5.pause", 0},
                                                     {"2147483.pause", 2147483000},
                                                     {"2147484.pause", kMax},
                                                     {"99999999999999999999.pause", kMax}};
    for (const auto& [path, ms] : cases)
        EXPECT_EQ(CPauseTrack::LengthFromPath(QString::fromUtf8(path)), ms) << path;

    EventRecorder owner;
    CPauseTrack track;
    track.Open(QStringLiteral("0.pause"), &owner);
    track.Pause();
    EXPECT_FALSE(track.IsPaused()) << "only a playing track pauses";
    track.Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, 2000));
    Spin(250);
    EXPECT_EQ(owner.Count(), 1u);
    EXPECT_GE(track.GetPosition(), 250) << "the position runs on past the end";
}
