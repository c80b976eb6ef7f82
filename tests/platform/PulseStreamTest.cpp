// SPDX-License-Identifier: GPL-3.0-or-later
// How much idle silence a start may take back from the sound server's
// queue (the stream itself is heard in the recorded-air tests).
#include "platform/PulseStream.h"

#include "support/UnitTest.h"

using platform::CPulseStream;

TEST(PulseStreamTakeback, OnlyIdleSilenceBeyondTheMarginWholeFrames)
{
    // write index, idle tail, read position, margin, frame bytes, queue ->
    // offset from the read position, bytes taken back
    const std::tuple<std::int64_t, std::size_t, std::int64_t, std::int64_t, std::size_t, std::int64_t,
                     std::int64_t, std::int64_t>
        rows[] = {{2000, 1000, 1100, 100, 8, 5000, 104, 796}, // all sound read: the margin, whole frames
                  {2000, 1000, 1000, 96, 8, 5000, 96, 904},   // the sound's end read just now
                  {2000, 1000, 1100, 100, 8, 500, 104,
                   500}, // a read position far behind takes back no more than a queue
                  {2000, 500, 1100, 100, 8, 5000, 0, 0},  // sound still queued: nothing
                  {2000, 1000, 1950, 100, 8, 5000, 0, 0}, // the queue is inside the margin
                  {2000, 0, 1100, 100, 8, 5000, 0, 0},    // sound before: nothing is idle
                  {2000, 1000, 1100, 100, 0, 5000, 0, 0}};
    for (const auto& [write, tail, read, margin, frame, queue, fromRead, taken] : rows) {
        const auto plan = CPulseStream::PlanTakeback(write, tail, read, margin, frame, queue);
        EXPECT_EQ(std::pair(plan.fromRead, plan.taken), std::pair(fromRead, taken))
            << write << " " << tail << " " << read << " " << margin;
    }
}
