// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/PauseTrack.h"

#include "media/TrackEvents.h"
#include "media/TrackThread.h"
#include "playlist/ItemPath.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <limits>
#include <mutex>

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

} // namespace

// Shared by the track (owner's thread) and its worker; a worker that outlives
// the track keeps it alive. Times in ms on the steady clock.
struct CPauseTrack::Timing
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::int64_t basePosition = 0;
    std::int64_t startTick = 0;
    std::int64_t endMark = 0;
    bool running = false;    // the position advances (Playing)
    unsigned generation = 0; // changes on every start and stop

    std::int64_t PositionLocked() const
    {
        return running ? basePosition + (NowMs() - startTick) : basePosition;
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
    if (m_state == Playing || m_worker)
        Stop();
    m_state = Closed;
    CMediaTrack::Close();
}

void CPauseTrack::Play()
{
    PlayRange(0, GetLength());
}

void CPauseTrack::PlayRange(TrackMs fromMs, TrackMs toMs)
{
    m_worker.reset();
    unsigned generation = 0;
    {
        std::lock_guard lock(m_timing->mutex);
        m_timing->basePosition = fromMs;
        m_timing->endMark = toMs;
        m_timing->startTick = NowMs();
        m_timing->running = true;
        generation = ++m_timing->generation;
    }
    // The worker holds only shared state: it may outlive this track.
    m_worker = std::make_unique<CTrackThread>(
        [timing = m_timing, notifier = Notifier(), generation](std::stop_token stop) {
            std::unique_lock lock(timing->mutex);
            for (;;) {
                timing->wake.wait_for(lock, stop, std::chrono::milliseconds(TickMs), [] { return false; });
                if (stop.stop_requested() || timing->generation != generation)
                    return;
                if (timing->running && timing->PositionLocked() >= timing->endMark) {
                    notifier->PostEnd(MCI_NOTIFY_SUCCESSFUL);
                    return;
                }
            }
        });
    m_state = Playing;
}

void CPauseTrack::Stop()
{
    if (!m_worker)
        return;
    if (m_state == Paused)
        Resume();
    {
        std::lock_guard lock(m_timing->mutex);
        m_timing->basePosition = m_timing->PositionLocked();
        m_timing->running = false;
        ++m_timing->generation;
    }
    m_worker.reset();
    m_state = Stopped;
}

void CPauseTrack::Pause()
{
    if (m_state != Playing)
        return;
    {
        std::lock_guard lock(m_timing->mutex);
        m_timing->basePosition = m_timing->PositionLocked();
        m_timing->running = false;
    }
    m_state = Paused;
}

void CPauseTrack::Resume()
{
    if (m_state != Paused)
        return;
    {
        std::lock_guard lock(m_timing->mutex);
        m_timing->startTick = NowMs();
        m_timing->running = true;
    }
    m_state = Playing;
}

TrackMs CPauseTrack::GetPosition() const
{
    std::lock_guard lock(m_timing->mutex);
    return ClampMs(m_timing->PositionLocked());
}

void CPauseTrack::Seek(TrackMs ms)
{
    std::lock_guard lock(m_timing->mutex);
    m_timing->basePosition = ms;
    m_timing->startTick = NowMs();
}
