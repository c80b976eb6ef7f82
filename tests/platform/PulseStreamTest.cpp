// SPDX-License-Identifier: GPL-3.0-or-later
// How much idle silence a start may take back from the sound server's
// queue (the stream itself is heard in the recorded-air tests).
#include "platform/PulseStream.h"

#include <gtest/gtest.h>

#include <tuple>

using platform::CPulseStream;

TEST(PulseStreamTakeback, OnlyIdleSilenceBeyondTheMarginWholeFrames)
{
    // idle tail, queued, margin, frame bytes -> bytes taken back
    const std::tuple<std::size_t, std::int64_t, std::int64_t, std::size_t, std::size_t> rows[] = {
        {800, 1000, 100, 8, 800}, // the whole tail lies beyond the margin
        {960, 1000, 100, 8, 896}, // down to the margin, not into it
        {960, 1003, 100, 8, 896}, // whole frames only
        {800, 100, 100, 8, 0},    // the queue is inside the margin
        {800, 40, 100, 8, 0},     // an estimate behind the server's reads
        {0, 1000, 100, 8, 0},     // sound before: nothing is idle
        {800, 1000, 100, 0, 0},
    };
    for (const auto& [tail, queued, margin, frame, expected] : rows)
        EXPECT_EQ(CPulseStream::Takeback(tail, queued, margin, frame), expected)
            << tail << " " << queued << " " << margin;
}
