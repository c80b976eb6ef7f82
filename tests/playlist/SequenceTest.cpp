// SPDX-License-Identifier: GPL-3.0-or-later
// What follows a row, by mode, at the list's edges: the rule the engine and
// a mini playlist share.
#include "playlist/Sequence.h"

#include "support/UnitTest.h"

TEST(Sequence, WhatFollowsARowByModeAtTheEdgesAndWhichRowsAreNotOpenedAhead)
{
    using F = Sequence::Following;
    // mode, row of 3 rows | then, row, known, goes round
    const std::tuple<PlayerMode, int, F::Then, int, int, bool> cases[] = {
        {PlayerMode::Normal, 0, F::Row, 1, 1, false},
        {PlayerMode::Normal, 1, F::Row, 2, 2, false},
        {PlayerMode::Normal, 2, F::End, -1, -1, false},
        {PlayerMode::IntroScan, 2, F::End, -1, -1, false},
        {PlayerMode::Manual, 2, F::End, -1, -1, false},
        {PlayerMode::Repeat, 2, F::Row, 0, 0, true},
        {PlayerMode::Shuffle, 2, F::Reshuffle, 0, -1, true},
        {PlayerMode::Random, 2, F::Draw, 2, -1, true},
        {PlayerMode::Random, 1, F::Row, 2, 2, true},    // the selection moves; the draw is at the start
        {PlayerMode::Repeat, -1, F::End, -1, -1, true}, // nothing selected
        {PlayerMode::Repeat, 3, F::End, -1, -1, true}   // past the list
    };
    for (const auto& [mode, row, then, next, known, round] : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << int(mode) << " row " << row);
        const F f = Sequence::After(mode, row, 3);
        EXPECT_EQ(f.then, then);
        EXPECT_EQ(f.row, next);
        EXPECT_EQ(f.Known(), known);
        EXPECT_EQ(Sequence::GoesRound(mode), round);
    }
    EXPECT_EQ(Sequence::After(PlayerMode::Repeat, 0, 0).then, F::End); // an empty list
    // Control rows are not opened ahead.
    for (const char* path : {"/a/b.alb", "x.STOP", "y.play", "/bin/go.sh"})
        EXPECT_TRUE(Sequence::IsControlRow(QString::fromLatin1(path))) << path;
    for (const char* path : {"/m/a.mp3", "10.pause", "/m/list.m3u", "/m/alb"})
        EXPECT_FALSE(Sequence::IsControlRow(QString::fromLatin1(path))) << path;
}
