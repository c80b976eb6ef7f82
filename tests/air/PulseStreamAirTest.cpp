// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own stream to the sound server: its client loop's thread
// runs at the ordinary priority while sound plays on the long block, and
// keeps the mixer's once the server has run out of sound to play.
#include "platform/PulseStream.h"
#include "platform/ThreadPriority.h"
#include "support/AirTest.h"

#include <sched.h>

#include <thread>

namespace {

// The scheduling policies of the threads not in `before`.
std::vector<int> NewThreadPolicies(const std::vector<int>& before)
{
    std::vector<int> policies;
    for (const int tid : ThreadPriority::Threads())
        if (!std::binary_search(before.begin(), before.end(), tid))
            policies.push_back(::sched_getscheduler(tid) & ~SCHED_RESET_ON_FORK);
    return policies;
}

} // namespace

using PulseStreamAirTest = AirOnBothServers<AirTest>;

TEST_P(PulseStreamAirTest, AStreamThatRanOutOfSoundKeepsItsThreadRaised)
{
    bool realTime = false;
    std::thread([&] {
        realTime = ThreadPriority::RaiseForAudio().startsWith(QLatin1String("real-time"));
    }).join();
    if (!realTime)
        GTEST_SKIP() << "this process may not use real-time priorities";
    platform::CPulseStream::Options options;
    options.rate = 48000;
    const std::vector<int> before = ThreadPriority::Threads();
    QString why;
    const auto stream = platform::CPulseStream::Open(options, &why);
    ASSERT_TRUE(stream) << why.toStdString();
    const auto rr = [&] { return NewThreadPolicies(before) == std::vector<int>{SCHED_RR}; };
    EXPECT_TRUE(rr()) << "the short block, while idle";

    // Three seconds of sound in 20 ms writes reach the long block.
    std::vector<float> sound(960 * 2, 0.1f);
    for (int i = 0; i < 150; ++i)
        ASSERT_TRUE(stream->Write(sound.data(), 960, false, false)) << stream->Why().toStdString();
    EXPECT_FALSE(rr()) << "the long block, while sound plays";

    // Nothing written for half a second: the server runs out.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int i = 0; i < 150; ++i)
        ASSERT_TRUE(stream->Write(sound.data(), 960, false, false)) << stream->Why().toStdString();
    EXPECT_TRUE(rr()) << "the long block after the server ran out";
}
LIRANA_ON_BOTH_SERVERS(PulseStreamAirTest);
