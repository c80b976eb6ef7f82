// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/TrackThread.h"

#include "support/UnitTest.h"

#include <chrono>
#include <stdexcept>
#include <thread>

static void SpinUntil(const std::function<bool()>& done)
{
    while (!done())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(TrackThread, StopEndsTheBodyAnExceptionStaysInsideAndABodyIgnoringStopIsLeft)
{
    auto ran = std::make_shared<std::atomic<bool>>(false);
    {
        CTrackThread thread([ran](std::stop_token stop) {
            ran->store(true);
            SpinUntil([&] { return stop.stop_requested(); });
        });
        EXPECT_FALSE(thread.IsFinished());
    }
    EXPECT_TRUE(ran->load());
    {
        CTrackThread thread([](std::stop_token) { throw std::runtime_error("must not escape"); });
        EXPECT_TRUE(thread.WaitFinished(2000));
    }

    // This body runs until the test releases it, after its thread is gone.
    auto release = std::make_shared<std::atomic<bool>>(false),
         done = std::make_shared<std::atomic<bool>>(false);
    {
        CTrackThread thread([release, done](std::stop_token) {
            SpinUntil([&] { return release->load(); });
            done->store(true);
        });
    }
    EXPECT_FALSE(done->load()) << "the destructor gave up waiting";
    release->store(true);
    SpinUntil([&] { return done->load(); });
}
