// SPDX-License-Identifier: GPL-3.0-or-later
// A playback stream of the program's own on the desktop's sound server
// (libpulse; PipeWire answers through pipewire-pulse): interleaved 32-bit
// float samples written in order, paced by the server's reads.
//
// What it adds over GStreamer's sink: it knows what the server holds and
// has not played yet, so silence written while nothing was on the air can
// be taken back when sound comes. The stream keeps a deep queue (safe
// under load), and a start from silence is still heard after only what the
// server's device holds.
#pragma once

#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class CPulseStream
{
public:
    struct Options
    {
        QString device; // the server's sink; empty: its default
        int rate = 48000;
        int channels = 2;
        std::chrono::microseconds queue{100000}; // what the server holds ahead
        // The server's device block (its latency): short while the air is
        // idle, so that a start is heard soon; longer while sound plays,
        // where each block costs the server and this side a wake-up.
        std::chrono::microseconds idleBlock{10000};
        std::chrono::microseconds playingBlock{40000};
        std::chrono::milliseconds stall{500}; // a write that waits longer fails
        QString name;                         // the stream's media name
    };

    // Connects and starts the stream, at unity volume. Null with the
    // reason in `why` when there is no server or it refuses the stream.
    static std::unique_ptr<CPulseStream> Open(const Options& options, QString* why);
    ~CPulseStream();
    CPulseStream(const CPulseStream&) = delete;
    CPulseStream& operator=(const CPulseStream&) = delete;

    // Writes `frames` frames, waiting while the server's queue is full.
    // Sound after `idle` writes (silence mixed while nothing played) that
    // `mayTakeBack` (its writer can fill the queue again at once) first
    // takes back the idle silence the server has not played yet, down to a
    // margin ahead of its reads, and does not wait; the writes after it
    // fill the queue again without waiting for the server to ask.
    // False once the stream failed (server gone, nothing taken for the
    // stall time; Why()) or after Cancel().
    bool Write(const float* samples, std::size_t frames, bool idle, bool mayTakeBack = false);
    // Ends a Write that waits (any thread).
    void Cancel();
    // An idle Write that waits for room writes at once (any thread): sound
    // is about to come, and the write after it takes the silence back.
    void Nudge();
    QString Why() const;
    // Waits until what the server holds has played, at most `limit`.
    void Drain(std::chrono::milliseconds limit);

    // Puts the stream's volume back to unity (unmuted) where the server
    // moved it (a desktop server restores a remembered volume onto a new
    // stream, WirePlumber seconds later). True when it had moved. Waits for
    // the server's answer (bounded); not for the writing thread.
    bool HoldAtUnity();

    // Where a write of sound after idle silence goes, as an offset from the
    // server's read position (`fromRead`, bytes: `margin` in whole frames;
    // the server applies it to its own read position when the write
    // arrives, so a write that comes late never lands in what it has read),
    // and how much that takes back (`taken`, at most `queue`; 0: write on).
    // Only when all sound written before has been read by `read` (an
    // estimate, never ahead of the server's): an offset from a read
    // position older than the server's would leave a gap after that sound.
    struct Takeback
    {
        std::int64_t fromRead = 0;
        std::int64_t taken = 0;
    };
    static Takeback PlanTakeback(std::int64_t writeIndex, std::size_t idleTail, std::int64_t read,
                                 std::int64_t margin, std::size_t frameBytes, std::int64_t queue);

    struct Impl;

private:
    explicit CPulseStream(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
