// SPDX-License-Identifier: GPL-3.0-or-later
// CTapQueue: the air's periods handed from the mixer's thread (the bus's
// tap, which must never wait) to a worker thread of their own (the
// air-check's writer, a stream's encoder). A period's vector is used again,
// so the mixer allocates only while the worker is behind; the periods are
// handed over when the worker does not hold the lock, else with the next.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class CTapQueue
{
public:
    struct Chunk
    {
        std::uint64_t frame = 0;  // the bus frame of the first sample
        std::int64_t stampNs = 0; // the wall clock as the mixer let it go
        std::vector<float> samples;
    };

    static std::int64_t NowNs()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }

    // Mixer side: one period; never waits. One thread at a time.
    void Take(const float* samples, std::size_t count, std::uint64_t frame)
    {
        Chunk chunk;
        if (!m_spare.empty()) {
            chunk = std::move(m_spare.back());
            m_spare.pop_back();
        }
        chunk.frame = frame;
        chunk.stampNs = NowNs();
        chunk.samples.assign(samples, samples + count);
        m_pending.push_back(std::move(chunk));
        std::unique_lock lock(m_mutex, std::try_to_lock);
        if (!lock.owns_lock())
            return;
        for (Chunk& c : m_pending)
            m_queue.push_back(std::move(c));
        m_pending.clear();
        for (Chunk& c : m_returned)
            m_spare.push_back(std::move(c));
        m_returned.clear();
        if (!m_queue.empty())
            m_wake.notify_one();
    }

    // Worker side: what was handed over, waiting up to `wait` for some
    // (less once Stop was called). False once stopped and emptied. The
    // worker gives the chunks back with Return.
    bool Wait(std::vector<Chunk>& work, std::chrono::milliseconds wait)
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, wait, [this] { return m_stop || !m_queue.empty(); });
        work.swap(m_queue);
        return !(m_stop && work.empty());
    }
    void Return(std::vector<Chunk>& work)
    {
        std::lock_guard lock(m_mutex);
        for (Chunk& chunk : work)
            m_returned.push_back(std::move(chunk));
        work.clear();
    }

    // Hands over what the mixer still holds and wakes the worker for the
    // last time. Called once the tap is no longer called.
    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            for (Chunk& chunk : m_pending)
                m_queue.push_back(std::move(chunk));
            m_pending.clear();
            m_stop = true;
        }
        m_wake.notify_all();
    }
    bool Stopping()
    {
        std::lock_guard lock(m_mutex);
        return m_stop;
    }

private:
    // Mixer side.
    std::vector<Chunk> m_pending, m_spare;
    // Shared, under the mutex (the mixer only tries it).
    std::mutex m_mutex;
    std::vector<Chunk> m_queue, m_returned;
    std::condition_variable m_wake;
    bool m_stop = false;
};
