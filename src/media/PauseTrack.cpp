// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/PauseTrack.h"

#include "media/AirBus.h"
#include "media/TrackEnvironment.h"
#include "media/TrackEvents.h"
#include "media/TrackThread.h"
#include "playlist/ItemPath.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <vector>

namespace {

std::int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TrackMs ClampMs(std::int64_t ms)
{
    return static_cast<TrackMs>(std::clamp<std::int64_t>(ms, std::numeric_limits<TrackMs>::min(),
                                                         std::numeric_limits<TrackMs>::max()));
}

// Silence written ahead of the air at a time.
constexpr std::uint64_t kChunkFrames = CAirBus::RingFrames / 4;

} // namespace

// Shared by the track (owner's thread), its input's end callback (the bus's
// thread) and its worker; a worker that outlives the track keeps it alive.
struct CPauseTrack::Timing
{
    std::mutex mutex;
    std::shared_ptr<CAirInput> input; // the play's; null when none
    std::int64_t basePosition = 0;    // ms, while no input runs
    std::int64_t endMark = 0;
    std::int64_t endedTick = -1; // steady ms when the input was heard to its end
    bool running = false;        // the position advances (Playing)

    std::int64_t PositionLocked() const
    {
        if (!running || !input)
            return basePosition;
        if (endedTick >= 0)
            return endMark + (NowMs() - endedTick);
        return std::int64_t(input->FramesTaken() * 1000 / CAirBus::Rate);
    }
};

CPauseTrack::CPauseTrack() : m_timing(std::make_shared<Timing>()) {}

CPauseTrack::~CPauseTrack()
{
    try {
        CPauseTrack::Close();
    } catch (...) {
    }
}

TrackMs CPauseTrack::LengthFromPath(const QString& path)
{
    const std::optional<long> seconds = GetPauseSeconds(path);
    if (!seconds)
        return DefaultLengthMs;
    if (*seconds <= 0)
        return 0;
    constexpr long maxSeconds = std::numeric_limits<TrackMs>::max() / 1000;
    if (*seconds > maxSeconds)
        return std::numeric_limits<TrackMs>::max();
    return static_cast<TrackMs>(*seconds * 1000);
}

void CPauseTrack::Open(const QString& path, QObject* owner)
{
    if (m_state != Closed)
        Close();
    CMediaTrack::Open(path, owner);
    m_length = LengthFromPath(path);
    {
        std::lock_guard lock(m_timing->mutex);
        m_timing->basePosition = 0;
        m_timing->endMark = m_length;
        m_timing->running = false;
    }
    m_state = Stopped;
}

void CPauseTrack::Close()
{
    if (m_state == Paused)
        Resume();
    if (m_state == Playing || m_worker || AirInput())
        Stop();
    m_state = Closed;
    CMediaTrack::Close();
}

void CPauseTrack::Prepare(TrackMs fromMs, TrackMs toMs)
{
    Stop();
    const std::shared_ptr<CAirInput> input = CTrackEnvironment::AirBus()->AddInput(m_path);
    const std::uint64_t from = CAirBus::FramesOf(fromMs);
    const std::uint64_t frames = CAirBus::FramesOf(toMs) > from ? CAirBus::FramesOf(toMs) - from : 0;
    input->Flush(from);
    Filler filler = Fill(input, frames);
    m_worker = std::move(filler.worker);
    input->SetCallbacks(
        [timing = m_timing, raw = input.get(), notifier = Notifier()] {
            std::lock_guard lock(timing->mutex);
            if (timing->input.get() != raw)
                return; // a later play's
            timing->endedTick = NowMs();
            notifier->PostEnd(MCI_NOTIFY_SUCCESSFUL);
        },
        std::move(filler.onStall));
    std::lock_guard lock(m_timing->mutex);
    m_timing->input = input;
    m_timing->basePosition = fromMs;
    m_timing->endMark = std::max(fromMs, toMs); // a range that ends before it starts ends at its start
    m_timing->endedTick = -1;
    m_timing->running = true;
}

CPauseTrack::Filler CPauseTrack::Fill(const std::shared_ptr<CAirInput>& input, std::uint64_t frames)
{
    // The first part now, so the first periods are whole; the worker writes
    // the rest as the bus takes it, blocked while the input is full.
    static const std::vector<float> silence(kChunkFrames * CAirBus::Channels, 0.0f);
    const std::uint64_t first = std::min(frames, kChunkFrames);
    input->Write(silence.data(), int(first));
    if (first == frames) {
        input->WriteEnd();
        return {};
    }
    return {std::make_unique<CTrackThread>([input, left = frames - first](std::stop_token stop) mutable {
                while (left > 0 && !stop.stop_requested()) {
                    const std::uint64_t n = std::min(left, kChunkFrames);
                    if (!input->Write(silence.data(), int(n)))
                        return; // stopped: the input was let go
                    left -= n;
                }
                input->WriteEnd();
            }),
            {}};
}

void CPauseTrack::Play()
{
    // A start planned by PlayAfter comes now instead; one already made goes
    // on (the engine's Play when the item before is told to have ended).
    const std::shared_ptr<CAirInput> input = AirInput();
    if (m_state == Playing && input && !input->Ended()) {
        if (!input->Started())
            input->StartAt();
        return;
    }
    PlayRange(0, GetLength());
}

void CPauseTrack::PlayRange(TrackMs fromMs, TrackMs toMs)
{
    Prepare(fromMs, toMs);
    AirInput()->StartAt();
    m_state = Playing;
}

bool CPauseTrack::PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore)
{
    if (m_state == Closed || m_state == Playing || !before.AirInput())
        return false;
    Prepare(0, GetLength());
    if (!PlanStart(*AirInput(), before, positionOfBefore)) {
        Stop();
        return false;
    }
    m_state = Playing;
    return true;
}

void CPauseTrack::CancelPlannedStart()
{
    const std::shared_ptr<CAirInput> input = AirInput();
    if (m_state == Playing && input && !input->Started()) {
        Stop();
        std::lock_guard lock(m_timing->mutex);
        m_timing->basePosition = 0;
    }
}

std::shared_ptr<CAirInput> CPauseTrack::AirInput() const
{
    std::lock_guard lock(m_timing->mutex);
    return m_timing->input;
}

void CPauseTrack::Stop()
{
    std::shared_ptr<CAirInput> input;
    {
        std::lock_guard lock(m_timing->mutex);
        m_timing->basePosition = m_timing->PositionLocked();
        m_timing->running = false;
        input = std::exchange(m_timing->input, nullptr);
    }
    if (input)
        input->Detach(); // also wakes the worker out of a full input
    m_worker.reset();
    if (m_state == Playing || m_state == Paused)
        m_state = Stopped;
}

void CPauseTrack::Pause()
{
    if (m_state != Playing)
        return;
    std::lock_guard lock(m_timing->mutex);
    m_timing->basePosition = m_timing->PositionLocked();
    m_timing->running = false;
    if (m_timing->input)
        m_timing->input->Pause();
    m_state = Paused;
}

void CPauseTrack::Resume()
{
    if (m_state != Paused)
        return;
    if (!AirInput()) { // sought while paused
        PlayRange(GetPosition(), TrackMs(m_timing->endMark));
        return;
    }
    std::lock_guard lock(m_timing->mutex);
    m_timing->running = true;
    if (m_timing->endedTick >= 0)
        m_timing->endedTick = NowMs() - (m_timing->basePosition - m_timing->endMark);
    if (m_timing->input)
        m_timing->input->Resume();
    m_state = Playing;
}

TrackMs CPauseTrack::GetPosition() const
{
    std::lock_guard lock(m_timing->mutex);
    return ClampMs(m_timing->PositionLocked());
}

// While it plays, the play goes on from the new place to the same end mark.
void CPauseTrack::Seek(TrackMs ms)
{
    if (m_state == Playing) {
        PlayRange(ms, TrackMs(m_timing->endMark));
        return;
    }
    std::shared_ptr<CAirInput> input;
    {
        std::lock_guard lock(m_timing->mutex);
        m_timing->basePosition = ms;
        input = std::exchange(m_timing->input, nullptr);
    }
    if (input)
        input->Detach();
    m_worker.reset();
}
