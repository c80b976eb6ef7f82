// SPDX-License-Identifier: GPL-3.0-or-later
// CAirBus: the station's air as one signal inside the program.
//
// One output, opened with the bus and kept until it closes: a mixing thread
// takes a period of samples (10 ms) at a time from every input that plays,
// each at its own gain, adds them, measures the sum and hands it to one
// output stream (the mixer pushes into the output the operator chose from a
// pad of its own, no thread between). The output's consumption paces the
// thread; while there is no output (the sound server
// or the card went away, or never came) the thread keeps time on the system
// clock instead, so the programme goes on, and the output is opened again
// every OutputRetryMs until it answers.
//
// Inputs are written by producers (a decoder's streaming thread, a device's
// render loop, a test) into a ring of their own, which blocks the producer
// while full: a decoder runs at most RingFrames ahead of the air. Where an
// input sits in the programme is counted in bus frames: an input scheduled
// after another starts on the frame after that one's last, one scheduled
// at another's frame starts on the frame where that one reaches it. So a
// follow-on and an overlap land on their sample whatever the threads do.
//
// The air chain (effect plug-ins on the sum, a limiter say) sits in the
// output between the mixed air and the sink; it is made anew with each
// output the bus opens.
//
// The format is fixed: 32-bit float, two channels interleaved, 44.1 kHz.
// Threads: the control calls are safe from any thread. The callbacks (an
// input's end and stall, the tap, `onOutput`) run on the bus's own threads:
// they post and return, and never call back into the bus.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class CAirInput;
typedef struct _GstElement GstElement;

class CAirBus
{
public:
    static constexpr int Rate = 44100;
    static constexpr int Channels = 2;
    static constexpr int PeriodFrames = Rate / 100;
    // How far a producer may run ahead of the air: a decoder that is kept
    // from running for less than this (a loaded machine) is not heard.
    static constexpr int RingFrames = Rate / 2;
    // An input that should play and brings nothing for this long is stalled.
    static constexpr int StallFrames = 2 * Rate;
    static constexpr int OutputRetryMs = 500;
    // A time in the programme as bus frames; 0 for a negative one.
    static constexpr std::uint64_t FramesOf(std::int64_t ms)
    {
        return ms > 0 ? std::uint64_t(ms) * Rate / 1000 : 0;
    }
    // At close, the output is given this long to play what it holds.
    static constexpr int DrainMs = 300;

    struct Options
    {
        // A gst-launch description of the output ("pulsesink", "fakesink
        // sync=true"); empty: no output at all, the bus keeps time by itself.
        QString sink;
        // Up and down of the output, with the reason when it went down.
        std::function<void(bool up, const QString& why)> onOutput;
        // Makes the air chain for an output being opened: a bin (floating
        // reference) with pads "sink" and "src" taking and giving the bus's
        // format, or null for none. Runs on the bus's output thread. Empty:
        // no chain.
        std::function<GstElement*()> chain;
    };

    // Peak and RMS of each channel over the last MeterFrames of the air.
    static constexpr int MeterFrames = Rate / 10;
    struct Level
    {
        std::array<float, Channels> peak{};
        std::array<float, Channels> rms{};
        std::uint64_t frame = 0; // the bus frame the measure ends at
    };

    explicit CAirBus(Options options);
    ~CAirBus();
    CAirBus(const CAirBus&) = delete;
    CAirBus& operator=(const CAirBus&) = delete;

    // A new input, silent until it is started; `name` names it in the
    // diagnostics.
    std::shared_ptr<CAirInput> AddInput(const QString& name);

    // Frames mixed so far: the bus's clock.
    std::uint64_t Frames() const;
    bool OutputUp() const;
    // Another output (a gst-launch description; empty: none): the one open
    // is closed at the next period and the new one made as after a loss,
    // without a report.
    void SetSink(const QString& sink);
    QString Sink() const;
    // Another air chain maker (Options::chain) for the outputs opened from
    // now on; with rebuild, the output open now is closed at the next period
    // and made again with it at once (a short gap on the air).
    void SetChain(std::function<GstElement*()> chain, bool rebuild);
    // The output's pipeline (a new reference, the caller unrefs), where the
    // live elements of the air chain are; null while there is no output.
    GstElement* OutputPipeline() const;
    Level LastLevel() const;

    // Every mixed period as it leaves the mixer (interleaved samples, the
    // bus frame of its first sample), on the mixer's thread: it must never
    // wait. Empty: none. Returns once a tap set before is no longer called,
    // so what it refers to may go then; not to be called from a tap.
    using Tap = std::function<void(const float* samples, int frames, std::uint64_t frame)>;
    void SetTap(Tap tap);
    // Processing of every mixed period in place (a true-peak limiter), on
    // the mixer's thread before the meter, the tap and the output: it must
    // never wait or allocate. Empty: none. Returns once one set before is
    // no longer called.
    using Process = std::function<void(float* samples, int frames)>;
    void SetProcess(Process process);

    struct Impl; // the mixer, its output and the inputs' states

private:
    std::unique_ptr<Impl> m_impl;
};

// One input of the bus. Made by CAirBus::AddInput; it leaves the bus when
// the last reference goes or at Detach.
class CAirInput
{
public:
    // "At once": the next period the mixer makes.
    static constexpr std::uint64_t Now = ~std::uint64_t{0};

    ~CAirInput();

    // Producer side. Write copies interleaved frames into the ring, waiting
    // while it is full; it returns false (dropping the rest) when the input
    // was flushed or detached meanwhile. WriteEnd: no more data until a
    // Flush; the input ends when the ring has played out.
    bool Write(const float* samples, int frames);
    // A live producer's write before the start: with these frames the ring
    // keeps only the newest `keep` (what a live source brought earlier would
    // be heard late), so that the input starts on its frame with sound in
    // hand. False, writing nothing, once the input has started. Never waits.
    bool WriteAhead(const float* samples, int frames, int keep);
    void WriteEnd();
    // Frames in the ring not yet taken (RingFrames less them can be written
    // without waiting). Does not wait.
    int Buffered() const;

    // Control. Start at a bus frame (Now: the next period); after another
    // input's last frame; or on the bus frame where another input has taken
    // `frameOfOther` frames (its position). Pause keeps the place; Resume
    // goes on from it on the next period. Flush drops what is buffered and
    // the end mark (for a seek); the taken count becomes `position`. With
    // holdWrites, writes are dropped until AcceptWrites (a seek's data comes
    // after its flush, and what a producer was writing meanwhile is old).
    void StartAt(std::uint64_t busFrame = Now);
    void StartAfter(const std::shared_ptr<CAirInput>& other);
    void StartWith(const std::shared_ptr<CAirInput>& other, std::uint64_t frameOfOther);
    void Pause();
    void Resume();
    void Flush(std::uint64_t position = 0, bool holdWrites = false);
    void AcceptWrites();
    // Linear gain, reached over one period.
    void SetGain(float gain);
    // A second linear gain beside it, the item's own (its loudness brought
    // to the station's target): the input plays at gain times trim.
    void SetTrim(float trim);
    void Detach();
    // A start planned and not yet made is taken back. The same happens by
    // itself to inputs planned after or with one that is paused, flushed or
    // detached before their frame came.
    void Unschedule();

    // Frames taken from this input by the mixer since its start (or the
    // position of the last Flush): its position in the item.
    std::uint64_t FramesTaken() const;
    // The bus frame its first frame played on; Now before it started.
    std::uint64_t StartedAt() const;
    bool Started() const;
    // A start is planned (StartAt, StartAfter, StartWith) and not made yet.
    bool Pending() const;
    bool Ended() const;
    // Both are inputs of one bus (neither detached): only then can one be
    // planned after the other.
    bool SharesBusWith(const CAirInput& other) const;
    QString Name() const;

    // Set before the input starts. onEnd: once, when the last frame after
    // WriteEnd has been taken. onStall: once per stall, an input that plays
    // and brings nothing for StallFrames. Both run on the mixing thread.
    void SetCallbacks(std::function<void()> onEnd, std::function<void()> onStall);
    // Set before the input starts: a live input, whose position runs with
    // the bus from its start whether its sound has come or not (a live
    // source cannot make up for time lost), and which ends on its `frames`th
    // frame, so that what follows comes on time; no end mark is needed, and
    // what it holds then is not heard.
    void SetLive(std::uint64_t frames);

    struct State; // its ring and schedule, shared with the mixer

private:
    friend class CAirBus;
    explicit CAirInput(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};
