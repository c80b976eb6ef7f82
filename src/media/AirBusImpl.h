// SPDX-License-Identifier: GPL-3.0-or-later
// The air bus's insides, shared by its mixer (AirBus.cpp), its output
// (AirBusOutput.cpp) and its inputs (AirInput.cpp). Not for other files.
#pragma once

#include "media/AirBus.h"
#include "platform/Logging.h"

#include <gst/gst.h>

namespace platform {
class CPulseStream;
}

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace airbus {

using SteadyClock = std::chrono::steady_clock;
inline constexpr int kPeriodSamples = CAirBus::PeriodFrames * CAirBus::Channels;
// Periods handed to the output in one buffer: every buffer costs a pass
// through the output's elements and a wake-up of the mixer whatever its
// size; at one period a buffer that was most of the bus's CPU. Not more:
// with four, pulsesink let the air drop out for 20-50 ms every half second
// and a Stop was heard 200 ms late (docs/playback.md).
inline constexpr int kPushPeriods = 2;
// An output that takes no data for this long has stalled; the opener looks
// this often.
inline constexpr auto kOutputStall = std::chrono::milliseconds(500);
// Until its pipeline is playing, an output's sink holds the first buffer
// for its preroll: under ThreadSanitizer a busy machine took longer than
// kOutputStall over it and the station logged its output unavailable as
// it started.
inline constexpr auto kOutputStartStall = std::chrono::milliseconds(5000);
inline constexpr auto kStallCheck = std::chrono::milliseconds(250);
// The buffer a device's sink is given (ShortenSinkBuffers). Not shorter:
// at 20 ms a Play is heard within 20 ms, but the air drops out under load
// even with every thread that carries it in real time (docs/playback.md).
inline constexpr gint64 kSinkBufferUs = 100000;
// What an input that starts must hold for the output to take its queue's
// idle silence back: the output then fills its queue again from it at once,
// and what is left carries the air until its decoder brings more. With only
// the queue's worth, a first item opened as it started ran dry 20 ms after
// the take-back on a busy machine: twice the queue.
inline constexpr std::size_t kDeepFrames = 2 * std::size_t(CAirBus::Rate * kSinkBufferUs / 1000000);
// How often the stream's volume is looked at: often while a server may
// still be restoring a stored volume onto a new stream (WirePlumber was
// seen at it 3 s after the stream appeared), then seldom: each look is a
// round trip to the server that wakes its client loop.
inline constexpr int kUnityCheckMs = 250;
inline constexpr int kUnityCheckLaterMs = 1000;
inline constexpr auto kUnityWatchedNew = std::chrono::seconds(5);

// The inputs that were to start after `leader` or with it and have not
// started wait again for a start of their own: the leader was paused,
// sought, stopped or closed, and the moment they waited for will not come
// as it was planned. Called with the bus's mutex held.
void Unfollow(const CAirInput::State& leader, CAirBus::Impl* bus);

} // namespace airbus

// One input's ring and schedule; guarded by the bus's mutex.
struct CAirInput::State
{
    std::shared_ptr<std::mutex> mutex; // the bus's, which may go first
    CAirBus::Impl* bus = nullptr;      // null once detached or the bus has gone
    QString name;
    std::vector<float> ring = std::vector<float>(std::size_t(CAirBus::RingFrames) * CAirBus::Channels);
    std::size_t read = 0;  // frame index of the oldest frame
    std::size_t count = 0; // frames buffered
    std::uint64_t generation = 0;
    bool endMarked = false, ended = false, paused = false, started = false, held = false;
    bool scheduled = false;      // StartAt was called
    std::uint64_t startAt = Now; // bus frame; Now: the next period
    std::weak_ptr<State> other;  // StartAfter / StartWith
    bool followsOther = false;
    std::uint64_t frameOfOther = Now; // Now: at the other's end
    std::uint64_t startedAt = Now;
    std::uint64_t taken = 0;
    std::uint64_t liveLength = 0;       // a live input's length in frames; 0: not live
    float gain = 1.0f, lastGain = 1.0f; // lastGain: with the trim
    float trim = 1.0f;                  // the item's loudness gain, beside its volume
    std::uint64_t starved = 0;
    bool stallReported = false;
    std::uint64_t mixedPeriod = Now; // the last period it was taken in
    std::condition_variable space;
    std::size_t waitingForRoom = 0; // frames of room the producer waits for (0: it does not)
    std::function<void()> onEnd, onStall;
};

struct CAirBus::Impl
{
    struct Output
    {
        GstElement* pipeline = nullptr;
        GstPad* pad = nullptr;        // the mixer's own pad, linked to the output's first element
        GstElement* stream = nullptr; // the sound server's stream (GstStreamVolume), or null
        // The sound server's stream of the program's own, when the output is
        // the server's, or null: fed by the pipeline's appsink behind an air
        // chain, else by the mixer itself (direct; the pipeline then carries
        // only the end of the stream).
        std::shared_ptr<platform::CPulseStream> pulse;
        bool direct = false;
        std::vector<float> directBatch; // what `batch` holds, when direct
        std::uint64_t pushed = 0;       // frames handed on: the next buffer's time
        GstBuffer* batch = nullptr;     // periods mixed and not handed on yet (not direct)
        int batched = 0;                // periods in it
        bool batchIdle = true;          // no input played in any of them
        bool batchStart = false;        // an input started in one of them
        bool batchShallow = false;      // one that started holds less than kDeepFrames
        std::atomic<bool> failed{false};
        // When the mixer's push into it began (steady clock, ns), 0 when it
        // is not pushing: the opener ends a push that takes too long.
        std::atomic<std::int64_t> pushSince{0};
        std::atomic<bool> playing{false}; // its pipeline has reached PLAYING
        void Fail(const QString& reason); // the first reason stays
        QString Why();

    private:
        std::mutex whyMutex;
        QString why;
    };

    Options options;
    std::shared_ptr<std::mutex> sharedMutex = std::make_shared<std::mutex>();
    std::mutex& mutex = *sharedMutex;
    std::condition_variable wake; // the mixer: the output took data or failed
    std::condition_variable outputWanted;
    std::vector<std::shared_ptr<CAirInput::State>> inputs;
    std::atomic<std::uint64_t> frames{0};
    std::atomic<bool> stop{false};
    bool mixing = true; // until the mixer's thread ends
    std::atomic<bool> outputUp{false};
    std::atomic<bool> downReported{false}; // onOutput(false) said since the last up
    std::unique_ptr<Output> output;        // the mixer's; replaced under mutex
    std::unique_ptr<Output> opened;        // handed over by the output thread
    bool wantOutput = true;
    bool resink = false;               // the output named changed: the one open goes
    std::uint64_t chainGeneration = 0; // counts SetChain: an output opened with an older one is made again
    Level level;
    // The tap, and the one the mixer is calling (outside the mutex; null
    // when none): SetTap returns once an old one is no longer called.
    std::shared_ptr<const Tap> tap, tapping;
    // The air's processing (a limiter), likewise.
    std::shared_ptr<const Process> process, processing;
    std::condition_variable tapDone;
    std::thread mixer, opener;
    // The inputs one period takes (MixPeriod's; kept to spare an allocation
    // a period).
    std::vector<std::pair<std::shared_ptr<CAirInput::State>, int>> mixWork;

    // What a period held: no input (idle), a start whose inputs hold the
    // output's queue or their end (they can be taken at once), a start one
    // of whose inputs holds less (a device play that starts with a few
    // periods: taken at once it runs dry), or only inputs that played on.
    enum class Period { Idle, DeepStart, ShallowStart, Playing };
    void Mix();
    void Open();
    Period MixPeriod(std::vector<float>& mix, std::uint64_t first, std::vector<std::function<void()>>& calls);
    void Take(CAirInput::State& input, std::uint64_t first, int offset, std::vector<float>& mix,
              std::vector<std::pair<std::shared_ptr<CAirInput::State>, int>>& work,
              std::vector<std::function<void()>>& calls);
    std::unique_ptr<Output> MakeOutput(const QString& sink, GstElement* chain, QString* why);
    bool Push(Output& out, const std::vector<float>& mix, Period period);
    void NudgeOutput(); // an input starts now: an idle push waiting for room ends
    void PushBatch(Output& out);
    void WatchStall();
    void Drop(std::unique_ptr<Output> out, const QString& why);
    // Once per outage: a warning and onOutput(false); each retry after it
    // is only a debug line.
    void ReportDown(const QString& why)
    {
        if (downReported.exchange(true)) {
            qCDebug(lcMedia).noquote() << "air bus: the output does not open yet:" << why;
            return;
        }
        qCWarning(lcMedia).noquote() << "air bus: output lost:" << why;
        if (options.onOutput)
            options.onOutput(false, why);
    }
};
