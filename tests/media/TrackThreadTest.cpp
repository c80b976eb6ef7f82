#include "media/TrackThread.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

TEST(TrackThread, StopRequestEndsBodyPromptly)
{
    auto ran = std::make_shared<std::atomic<bool>>(false);
    QElapsedTimer timer;
    {
        CTrackThread thread([ran](std::stop_token stop) {
            ran->store(true);
            while (!stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        EXPECT_FALSE(thread.IsFinished());
        timer.start();
    }
    EXPECT_LT(timer.elapsed(), 900);
    EXPECT_TRUE(ran->load());
}

TEST(TrackThread, FinishedBodyAndEscapingException)
{
    CTrackThread thread([](std::stop_token) { throw std::runtime_error("must not escape"); });
    EXPECT_TRUE(thread.WaitFinished(2000));
    EXPECT_TRUE(thread.IsFinished());
}

TEST(TrackThread, BodyIgnoringStopIsLeftAfterTimeout)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    QElapsedTimer timer;
    {
        CTrackThread thread([done](std::stop_token) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1600));
            done->store(true);
        });
        timer.start();
    }
    const qint64 waited = timer.elapsed();
    EXPECT_GE(waited, 900);
    EXPECT_LT(waited, 1500);
    EXPECT_FALSE(done->load());
    // The detached body still finishes on its own with the state it co-owns.
    for (int i = 0; i < 200 && !done->load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(done->load());
}
