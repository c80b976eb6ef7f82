// SPDX-License-Identifier: GPL-3.0-or-later
// One open media-control device: a decoder, a worker thread that feeds the
// output while the device plays, the play range, the pending notification
// and the device's own wave output level. Commands run on the worker between
// two blocks of samples (at most some 25 ms later) and return once done, so
// a status read after a command sees its effect.
#pragma once

#include "platform/mci/Mci.h"
#include "platform/mci/PcmSource.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace mci {

class PcmDevice
{
public:
    PcmDevice(MCIDEVICEID id, std::unique_ptr<PcmSource> source, QString output);
    ~PcmDevice();
    PcmDevice(const PcmDevice&) = delete;
    PcmDevice& operator=(const PcmDevice&) = delete;

    // from/to in ms; an empty from plays on from the position, an empty to
    // plays to the end. callback, when set, gets the notify code.
    MCIERROR Play(std::optional<std::uint32_t> from, std::optional<std::uint32_t> to, MciCallback callback);
    MCIERROR Seek(std::uint32_t ms);
    void Stop();
    void Pause();
    void Resume();

    std::uint32_t Mode() const;
    std::uint32_t PositionMs() const;
    std::uint32_t LengthMs() const;
    // The source's tracks (a CD's), numbered from 1.
    int Tracks() const { return int(m_tracks.size()); }
    // Start and length of a track in ms; false for a track the source lacks.
    bool TrackMs(int track, std::uint32_t* start, std::uint32_t* length) const;
    std::uint32_t Volume() const { return m_volume.load(); }
    void SetVolume(std::uint32_t volume) { m_volume.store(volume); }

private:
    enum class Kind { Play, Seek, Stop, Pause, Resume, Quit };
    struct Command
    {
        explicit Command(Kind k, std::int64_t f = -1, std::int64_t t = -1, MciCallback c = {})
            : kind(k), from(f), to(t), callback(std::move(c))
        {
        }
        Kind kind;
        std::int64_t from = -1; // frames; -1: from the position
        std::int64_t to = -1;   // frames; -1: to the end
        MciCallback callback;
        MCIERROR result = 0;
    };

    MCIERROR Run(Command command);
    void Worker();
    void Apply(Command& command);
    // Stops output at the frame heard so far; the next read starts there.
    void Halt();
    void Notify(int code);
    void Feed(std::unique_lock<std::mutex>& lock);
    std::uint32_t ToMs(std::int64_t frames) const;
    std::int64_t FrameAt(std::uint32_t ms) const;

    const MCIDEVICEID m_id;
    const std::unique_ptr<PcmSource> m_source;
    const QString m_outputName;
    const std::int64_t m_frames;
    const int m_rate;
    const std::vector<TrackSpan> m_tracks;
    std::unique_ptr<PcmOutput> m_output; // worker only

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::optional<Command> m_command;
    bool m_commandDone = false;
    std::uint32_t m_mode = MCI_MODE_STOP;
    std::int64_t m_next = 0;                                         // the next frame to read
    std::int64_t m_heard = 0;                                        // the frame being heard
    std::int64_t m_to = 0;                                           // where this play ends
    bool m_sourceAt = true;                                          // the decoder stands at m_next
    std::optional<std::chrono::steady_clock::time_point> m_drainEnd; // when the output has played out
    MciCallback m_pending;
    std::atomic<std::uint32_t> m_volume{0xFFFFFFFFu};
    std::thread m_thread;
};

} // namespace mci
