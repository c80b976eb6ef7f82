// SPDX-License-Identifier: GPL-3.0-or-later
// CPauseTrack: N seconds of silence for an item "<N>.pause", played on the
// station's air bus like every item: each play writes its silence into a bus
// input of its own, so the pause lasts exactly its samples, a follow-on can
// be planned on the sample after its last, and during an outage it keeps
// the bus's time. The end notification (MCI_NOTIFY_SUCCESSFUL) comes when
// the bus has taken the last sample. All calls come from the owner's thread.
#pragma once

#include "media/MediaTrack.h"

#include <cstdint>
#include <functional>
#include <memory>

class CTrackThread;

class CPauseTrack : public CMediaTrack
{
public:
    // What fills a play's input (Fill below).
    struct Filler
    {
        std::unique_ptr<CTrackThread> worker;
        std::function<void()> onStall;
    };

    CPauseTrack();
    ~CPauseTrack() override;

    // Length from the title of path read as a decimal number ("%ld"):
    // N x 1000 ms; 5000 ms when it is not a number; a negative number
    // gives 0 (the pause ends at the first check); capped at the largest
    // TrackMs.
    void Open(const QString& path, QObject* owner) override;
    // Resumes a paused track and stops a playing one, then detaches.
    void Close() override;
    // PlayRange(0, GetLength()); a start planned by PlayAfter is made at once,
    // and one it made goes on.
    void Play() override;
    // Plays from fromMs; the end is reported once the position reaches toMs.
    // A play under way is stopped first.
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    bool PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore = -1) override;
    void CancelPlannedStart() override;
    std::shared_ptr<CAirInput> AirInput() const override;
    // Ends the play (waits at most 1000 ms for its writer); the position
    // stays where it is.
    void Stop() override;
    // Only while playing: keeps the position; no end is reported while paused.
    void Pause() override;
    // Only while paused: continues from the kept position to the same end mark.
    void Resume() override;
    bool IsStopped() const override { return m_state == Stopped; }
    bool IsPaused() const override { return m_state == Paused; }
    bool IsPlaying() const override { return m_state == Playing; }
    // While playing: the samples the bus has taken, from the play's start
    // position. Not limited to the length: after the end it goes on with the
    // clock until Stop.
    TrackMs GetPosition() const override;
    void Seek(TrackMs ms) override;
    bool HasVolumeControl() const override { return true; }
    void SetVolume(float /*level*/) override {}
    float GetVolume() const override { return 0.0f; }

    static constexpr TrackMs DefaultLengthMs = 5000;
    static TrackMs LengthFromPath(const QString& path);

protected:
    // What fills a play's input: `frames` frames and then WriteEnd. Called on
    // the owner's thread with a new input that has not started. The worker
    // returned writes what is not written at once; at Stop the input is let
    // go (which wakes a write waiting for room) and then the worker is ended.
    // onStall becomes the input's stall callback (the bus's thread).
    // Default: silence.
    virtual Filler Fill(const std::shared_ptr<CAirInput>& input, std::uint64_t frames);

    State m_state = Closed;

private:
    // A new input holding the range (Fill: its first part written, the
    // rest by the worker), not started.
    void Prepare(TrackMs fromMs, TrackMs toMs);
    struct Timing;
    std::shared_ptr<Timing> m_timing;
    std::unique_ptr<CTrackThread> m_worker;
};
