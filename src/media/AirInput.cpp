// SPDX-License-Identifier: GPL-3.0-or-later
// The air bus's inputs: a ring per input and its schedule.
#include "media/AirBusImpl.h"
#include "media/TrackBusWatch.h"
#include "platform/Logging.h"

#include <algorithm>

using namespace airbus;

// ------------------------------------------------------------ inputs

CAirInput::CAirInput(std::shared_ptr<State> state) : m_state(std::move(state)) {}

CAirInput::~CAirInput()
{
    Detach();
}

void CAirInput::SetCallbacks(std::function<void()> onEnd, std::function<void()> onStall)
{
    std::lock_guard lock(*m_state->mutex);
    m_state->onEnd = std::move(onEnd);
    m_state->onStall = std::move(onStall);
}

bool CAirInput::Write(const float* samples, int frames)
{
    State& s = *m_state;
    std::unique_lock lock(*s.mutex);
    const std::uint64_t generation = s.generation;
    constexpr std::size_t ring = CAirBus::RingFrames;
    while (frames > 0) {
        // Writes at once what has room (a quarter of the ring at most, so
        // that the ring never runs down while a big write waits). Else it
        // waits until a quarter of the ring is free, and the mixer wakes it
        // only then: a decoder wakes a few times a second and brings
        // several buffers each time, instead of once per period the mixer
        // takes.
        if (ring - s.count < std::min(ring / 4, std::size_t(frames))) {
            s.waitingForRoom = ring / 4;
            s.space.wait(lock,
                         [&] { return !s.bus || s.generation != generation || ring - s.count >= ring / 4; });
            s.waitingForRoom = 0;
        }
        if (!s.bus || s.generation != generation || s.held)
            return false;
        const std::size_t n = std::min(ring - s.count, std::size_t(frames));
        const std::size_t at = (s.read + s.count) % ring;
        const std::size_t first = std::min(n, ring - at); // up to the ring's end, then from its start
        std::copy_n(samples, first * CAirBus::Channels,
                    s.ring.begin() + std::ptrdiff_t(at * CAirBus::Channels));
        std::copy_n(samples + first * CAirBus::Channels, (n - first) * CAirBus::Channels, s.ring.begin());
        s.count += n;
        samples += n * CAirBus::Channels;
        frames -= int(n);
    }
    return true;
}

bool CAirInput::WriteAhead(const float* samples, int frames, int keep)
{
    State& s = *m_state;
    std::lock_guard lock(*s.mutex);
    if (s.started)
        return false;
    if (!s.bus || s.held || frames <= 0)
        return true; // let go: nothing will be heard
    constexpr std::size_t ring = CAirBus::RingFrames;
    const std::size_t limit = std::min(std::size_t(std::max(keep, 0)), ring);
    const std::size_t kept = std::min(limit, std::size_t(frames));
    samples += (std::size_t(frames) - kept) * CAirBus::Channels;
    const std::size_t drop = s.count + kept - std::min(s.count + kept, limit); // at most count
    s.read = (s.read + drop) % ring;
    s.count -= drop;
    for (std::size_t i = 0; i < kept; ++i) {
        const std::size_t at = (s.read + s.count + i) % ring;
        std::copy_n(samples + i * CAirBus::Channels, CAirBus::Channels,
                    s.ring.begin() + std::ptrdiff_t(at * CAirBus::Channels));
    }
    s.count += kept;
    return true;
}

void CAirInput::SetLive(std::uint64_t frames)
{
    std::lock_guard lock(*m_state->mutex);
    m_state->liveLength = std::max<std::uint64_t>(frames, 1);
}

int CAirInput::Buffered() const
{
    std::lock_guard lock(*m_state->mutex);
    return int(m_state->count);
}

void CAirInput::WriteEnd()
{
    std::lock_guard lock(*m_state->mutex);
    // Held after a flush: the end of what was playing before it is old too.
    if (!m_state->held)
        m_state->endMarked = true;
}

void CAirInput::StartAt(std::uint64_t busFrame)
{
    std::lock_guard lock(*m_state->mutex);
    m_state->scheduled = true;
    m_state->followsOther = false;
    m_state->startAt = busFrame;
    if (busFrame == Now && m_state->bus)
        m_state->bus->NudgeOutput();
}

void CAirInput::StartAfter(const std::shared_ptr<CAirInput>& other)
{
    StartWith(other, Now);
}

void CAirInput::StartWith(const std::shared_ptr<CAirInput>& other, std::uint64_t frameOfOther)
{
    std::lock_guard lock(*m_state->mutex);
    m_state->scheduled = true;
    m_state->followsOther = true;
    m_state->other = other ? other->m_state : nullptr;
    m_state->frameOfOther = frameOfOther;
}

void CAirInput::Pause()
{
    std::lock_guard lock(*m_state->mutex);
    m_state->paused = true;
    Unfollow(*m_state, m_state->bus);
}

void CAirInput::Resume()
{
    std::lock_guard lock(*m_state->mutex);
    m_state->paused = false;
    m_state->starved = 0;
    if (m_state->bus)
        m_state->bus->NudgeOutput();
}

void CAirInput::Flush(std::uint64_t position, bool holdWrites)
{
    State& s = *m_state;
    std::lock_guard lock(*s.mutex);
    s.held = holdWrites;
    s.read = 0;
    s.count = 0;
    ++s.generation;
    s.endMarked = false;
    s.ended = false;
    s.taken = position;
    s.starved = 0;
    s.space.notify_all();
    Unfollow(s, s.bus);
}

void CAirInput::AcceptWrites()
{
    std::lock_guard lock(*m_state->mutex);
    m_state->held = false;
}

void CAirInput::SetGain(float gain)
{
    std::lock_guard lock(*m_state->mutex);
    m_state->gain = gain;
}

void CAirInput::SetTrim(float trim)
{
    std::lock_guard lock(*m_state->mutex);
    m_state->trim = trim;
}

void CAirInput::Detach()
{
    State& s = *m_state;
    std::lock_guard lock(*s.mutex);
    Unfollow(s, s.bus);
    if (s.bus) {
        auto& inputs = s.bus->inputs;
        inputs.erase(std::remove(inputs.begin(), inputs.end(), m_state), inputs.end());
        s.bus = nullptr;
    }
    s.space.notify_all();
}

bool CAirInput::SharesBusWith(const CAirInput& other) const
{
    const auto busOf = [](const State& s) {
        std::lock_guard lock(*s.mutex);
        return s.bus;
    };
    CAirBus::Impl* bus = busOf(*m_state);
    return bus && bus == busOf(*other.m_state);
}

std::uint64_t CAirInput::FramesTaken() const
{
    std::lock_guard lock(*m_state->mutex);
    return m_state->taken;
}

std::uint64_t CAirInput::StartedAt() const
{
    std::lock_guard lock(*m_state->mutex);
    return m_state->startedAt;
}

void CAirInput::Unschedule()
{
    std::lock_guard lock(*m_state->mutex);
    if (m_state->started)
        return;
    m_state->scheduled = false;
    m_state->followsOther = false;
    m_state->other.reset();
}

bool CAirInput::Pending() const
{
    std::lock_guard lock(*m_state->mutex);
    return m_state->scheduled && !m_state->started;
}

bool CAirInput::Started() const
{
    std::lock_guard lock(*m_state->mutex);
    return m_state->started;
}

bool CAirInput::Ended() const
{
    std::lock_guard lock(*m_state->mutex);
    return m_state->ended;
}

QString CAirInput::Name() const
{
    std::lock_guard lock(*m_state->mutex);
    return m_state->name;
}

void airbus::Unfollow(const CAirInput::State& leader, CAirBus::Impl* bus)
{
    if (!bus)
        return;
    for (const auto& input : bus->inputs) {
        if (input->started || !input->followsOther || input->other.lock().get() != &leader)
            continue;
        input->scheduled = false;
        input->followsOther = false;
        input->other.reset();
    }
}
