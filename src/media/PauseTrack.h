// SPDX-License-Identifier: GPL-3.0-or-later
// CPauseTrack: N seconds of silence for an item "<N>.pause". Timing runs on
// the monotonic clock; each start runs a worker that checks every 100 ms and
// posts the end notification (MCI_NOTIFY_SUCCESSFUL) once the position
// reaches the end mark. All calls come from the owner's thread.
#pragma once

#include "media/MediaTrack.h"

#include <memory>

class CTrackThread;

class CPauseTrack : public CMediaTrack
{
public:
    CPauseTrack();
    ~CPauseTrack() override;

    // Length from the title of path read as a decimal number ("%ld"):
    // N x 1000 ms; 5000 ms when it is not a number; a negative number
    // gives 0 (the pause ends at the first check); capped at the largest
    // TrackMs.
    void Open(const QString& path, QObject* owner) override;
    // Resumes a paused track and stops a playing one, then detaches.
    void Close() override;
    // PlayRange(0, GetLength()).
    void Play() override;
    // Plays from fromMs; the end is reported once the position reaches toMs.
    // A running worker is stopped first.
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    // Ends the worker (waits at most 1000 ms); the position stays where it is.
    void Stop() override;
    // Only while playing: keeps the position; no end is reported while paused.
    void Pause() override;
    // Only while paused: continues from the kept position to the same end mark.
    void Resume() override;
    bool IsStopped() const override { return m_state == Stopped; }
    bool IsPaused() const override { return m_state == Paused; }
    bool IsPlaying() const override { return m_state == Playing; }
    // While playing: base position + time since the start tick. Not limited
    // to the length: it goes on past the end until Stop.
    TrackMs GetPosition() const override;
    void Seek(TrackMs ms) override;
    bool HasVolumeControl() const override { return true; }
    void SetVolume(float /*level*/) override {}
    float GetVolume() const override { return 0.0f; }

    static constexpr int TickMs = 100;
    static constexpr TrackMs DefaultLengthMs = 5000;
    static TrackMs LengthFromPath(const QString& path);

protected:
    State m_state = Closed;

private:
    struct Timing;
    std::shared_ptr<Timing> m_timing;
    std::unique_ptr<CTrackThread> m_worker;
};
