// SPDX-License-Identifier: GPL-3.0-or-later
// A programme on an air bus that keeps time by itself (no output): a thread
// feeds one input, its frame n being sample(n) on both channels, and every
// period of the air goes to the tap, its bus frame and wall-clock time kept.
#pragma once

#include "media/AirBus.h"
#include "media/TapQueue.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct BusProgramme
{
    CAirBus bus{{}};
    std::shared_ptr<CAirInput> input = bus.AddInput(QStringLiteral("programme"));
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, std::int64_t>> periods; // bus frame, wall clock (under mutex)
    std::atomic<bool> done{false};
    std::thread producer;

    void Play(std::function<float(std::uint64_t)> sample, CAirBus::Tap tap)
    {
        bus.SetTap([this, tap](const float* samples, int frames, std::uint64_t frame) {
            {
                std::lock_guard lock(mutex);
                periods.emplace_back(frame, CTapQueue::NowNs());
            }
            tap(samples, frames, frame);
        });
        producer = std::thread([this, sample] {
            std::vector<float> period(CAirBus::PeriodFrames * 2);
            for (std::uint64_t n = 0; !done;) {
                for (std::size_t i = 0; i < period.size(); i += 2, ++n)
                    period[i] = period[i + 1] = sample(n);
                if (!input->Write(period.data(), CAirBus::PeriodFrames))
                    break;
            }
        });
        input->StartAt();
    }
    // The tap is called no more, and the feed ends.
    void Stop()
    {
        bus.SetTap({});
        done = true;
        input->Flush();
        if (producer.joinable())
            producer.join();
    }
    ~BusProgramme() { Stop(); }
};
