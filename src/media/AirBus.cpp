// SPDX-License-Identifier: GPL-3.0-or-later
// The air bus and its mixer.
#include "media/AirBusImpl.h"
#include "media/TrackBusWatch.h"
#include "platform/Logging.h"
#include "platform/PulseStream.h"
#include "platform/ThreadPriority.h"

#include <algorithm>
#include <cmath>
#include <pthread.h>

using namespace airbus;

CAirBus::CAirBus(Options options) : m_impl(std::make_unique<Impl>())
{
    m_impl->options = std::move(options);
    m_impl->wantOutput = !m_impl->options.sink.isEmpty();
    m_impl->mixer = std::thread([impl = m_impl.get()] {
        pthread_setname_np(pthread_self(), "air:mix");
        impl->Mix();
        std::lock_guard lock(impl->mutex);
        impl->mixing = false;
        impl->wake.notify_all();
    });
    m_impl->opener = std::thread([impl = m_impl.get()] {
        pthread_setname_np(pthread_self(), "air:open");
        impl->Open();
    });
}

CAirBus::~CAirBus()
{
    m_impl->stop = true;
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->wake.notify_all();
        m_impl->outputWanted.notify_all();
        for (const auto& input : m_impl->inputs) {
            input->bus = nullptr;
            input->space.notify_all();
        }
    }
    m_impl->opener.join();
    // A mixer stuck in a push into a stalled output is let go, as the opener
    // would have done.
    {
        std::unique_lock lock(m_impl->mutex);
        while (!m_impl->wake.wait_for(lock, kStallCheck, [this] { return !m_impl->mixing; })) {
            lock.unlock();
            m_impl->WatchStall();
            lock.lock();
        }
    }
    m_impl->mixer.join();
    // What the output holds still plays: the last item's last sound is not
    // cut at shutdown. The last periods and the end of the stream go down
    // the output on a thread of its own, as the mixer's pushes did: an
    // output that does not take them within DrainMs is flushed (a push on
    // this thread would wait as long as a stalled output does).
    if (m_impl->output && !m_impl->output->failed) {
        Impl::Output& out = *m_impl->output;
        GstBus* bus = gst_element_get_bus(out.pipeline);
        std::thread drain([&out, impl = m_impl.get()] {
            impl->PushBatch(out);
            gst_pad_push_event(out.pad, gst_event_new_eos());
        });
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GstClockTime(DrainMs) * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        // A device's sink that writes in order (PlayOnInOrder) ends when it
        // has written the last sample: its buffer plays out meanwhile.
        if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS && out.stream)
            std::this_thread::sleep_for(std::chrono::microseconds(kSinkBufferUs));
        // The program's own stream to the server plays out what it holds.
        if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS && out.pulse)
            out.pulse->Drain(std::chrono::milliseconds(DrainMs));
        if (!message || GST_MESSAGE_TYPE(message) != GST_MESSAGE_EOS)
            gst_pad_push_event(out.pad, gst_event_new_flush_start());
        drain.join();
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
    }
    // Taken under the lock, as everywhere (the threads that looked at it have
    // ended by now).
    std::unique_ptr<Impl::Output> output, opened;
    {
        std::lock_guard lock(m_impl->mutex);
        output = std::move(m_impl->output);
        opened = std::move(m_impl->opened);
    }
    m_impl->Drop(std::move(output), {});
    m_impl->Drop(std::move(opened), {});
}

std::shared_ptr<CAirInput> CAirBus::AddInput(const QString& name)
{
    auto state = std::make_shared<CAirInput::State>();
    state->name = name;
    state->bus = m_impl.get();
    state->mutex = m_impl->sharedMutex;
    std::lock_guard lock(m_impl->mutex);
    m_impl->inputs.push_back(state);
    return std::shared_ptr<CAirInput>(new CAirInput(state));
}

std::uint64_t CAirBus::Frames() const
{
    return m_impl->frames;
}

bool CAirBus::OutputUp() const
{
    return m_impl->outputUp;
}

CAirBus::Level CAirBus::LastLevel() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->level;
}

void CAirBus::SetSink(const QString& sink)
{
    std::lock_guard lock(m_impl->mutex);
    if (m_impl->options.sink == sink)
        return;
    m_impl->options.sink = sink;
    m_impl->resink = true;
    m_impl->wake.notify_all();
}

QString CAirBus::Sink() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->options.sink;
}

void CAirBus::SetTap(Tap tap)
{
    std::unique_lock lock(m_impl->mutex);
    m_impl->tap = tap ? std::make_shared<const Tap>(std::move(tap)) : nullptr;
    m_impl->tapDone.wait(lock, [this] { return !m_impl->tapping || m_impl->tapping == m_impl->tap; });
}

void CAirBus::SetProcess(Process process)
{
    std::unique_lock lock(m_impl->mutex);
    m_impl->process = process ? std::make_shared<const Process>(std::move(process)) : nullptr;
    m_impl->tapDone.wait(lock,
                         [this] { return !m_impl->processing || m_impl->processing == m_impl->process; });
}

// ------------------------------------------------------------ the mixer

namespace {

std::chrono::microseconds FramesToDuration(std::uint64_t frames)
{
    return std::chrono::microseconds(frames * 1000000 / CAirBus::Rate);
}

// dst += src * gain over n samples; in blocks of eight, which the compiler
// turns into vector instructions at -O2 (a loop of unknown length it does
// not).
void MixInto(float* __restrict dst, const float* __restrict src, int n, float gain)
{
    int k = 0;
    for (; k + 8 <= n; k += 8)
        for (int j = 0; j < 8; ++j)
            dst[k + j] += src[k + j] * gain;
    for (; k < n; ++k)
        dst[k] += src[k] * gain;
}

} // namespace

void CAirBus::Impl::Mix()
{
    qCDebug(lcMedia).noquote() << "air bus: mixer thread:" << ThreadPriority::RaiseForAudio();
    std::vector<float> mix(kPeriodSamples);
    std::array<float, Channels> peak{};
    std::array<double, Channels> squares{};
    int metered = 0;
    auto clockBase = SteadyClock::now();
    std::uint64_t clockFrame = 0;
    // The last period the output took, and when: an output that stops taking
    // data is waited for (kOutputStall), and the programme's time lost
    // meanwhile is made up from here on the system clock.
    auto pushedAt = clockBase;
    std::uint64_t pushedFrame = 0;
    while (!stop) {
        std::vector<std::function<void()>> calls;
        std::unique_ptr<Output> failed;
        std::shared_ptr<const Tap> tapNow;
        std::shared_ptr<const Process> processNow;
        const std::uint64_t first = frames;
        Period period = Period::Idle;
        {
            std::unique_lock lock(mutex);
            if (resink) {
                resink = false;
                failed = std::move(output);
                Drop(std::move(opened), {});
                wantOutput = !options.sink.isEmpty();
                outputUp = false;
                outputWanted.notify_all();
            }
            // A new output is taken once the programme's time is made up
            // (after an outage or a stall, on the system clock).
            const bool behind = !output && clockBase + FramesToDuration(first - clockFrame) +
                                                   FramesToDuration(CAirBus::PeriodFrames) <
                                               SteadyClock::now();
            if (opened && !output && !behind) {
                output = std::move(opened);
                outputUp = true;
                if (options.onOutput && downReported.exchange(false))
                    calls.emplace_back([this] { options.onOutput(true, {}); });
            }
            period = MixPeriod(mix, first, calls);
            tapNow = tapping = tap;
            processNow = processing = process;
        }
        if (processNow) {
            (*processNow)(mix.data(), CAirBus::PeriodFrames);
            processNow.reset();
            std::shared_ptr<const Process> done; // one replaced meanwhile goes here, outside the mutex
            {
                std::lock_guard lock(mutex);
                done = std::move(processing);
            }
            tapDone.notify_all();
        }
        // A period's squares add up in float (441 of them at most 1 each),
        // the meter's hundred millisecond sum in double.
        std::array<float, Channels> periodPeak{}, periodSquares{};
        for (int i = 0; i < CAirBus::PeriodFrames; ++i) {
            for (int c = 0; c < Channels; ++c) {
                const float v = mix[std::size_t(i * Channels + c)];
                periodPeak[std::size_t(c)] = std::max(periodPeak[std::size_t(c)], v < 0 ? -v : v);
                periodSquares[std::size_t(c)] += v * v;
            }
        }
        for (std::size_t c = 0; c < std::size_t(Channels); ++c) {
            peak[c] = std::max(peak[c], periodPeak[c]);
            squares[c] += double(periodSquares[c]);
        }
        metered += CAirBus::PeriodFrames;
        if (metered >= CAirBus::MeterFrames) {
            std::lock_guard lock(mutex);
            for (std::size_t c = 0; c < std::size_t(Channels); ++c) {
                level.peak[c] = peak[c];
                level.rms[c] = float(std::sqrt(squares[c] / metered));
            }
            level.frame = first + CAirBus::PeriodFrames;
            peak = {};
            squares = {};
            metered = 0;
        }
        if (tapNow) {
            (*tapNow)(mix.data(), CAirBus::PeriodFrames, first);
            tapNow.reset();
            std::shared_ptr<const Tap> done; // a tap replaced meanwhile goes here, outside the mutex
            {
                std::lock_guard lock(mutex);
                done = std::move(tapping);
            }
            tapDone.notify_all();
        }
        frames = first + CAirBus::PeriodFrames;
        for (const auto& call : calls)
            call();
        if (failed) {
            Drop(std::move(failed), {});
            clockBase = SteadyClock::now();
            clockFrame = frames;
        }

        if (output && Push(*output, mix, period)) {
            pushedAt = SteadyClock::now();
            pushedFrame = frames;
        } else if (output) {
            const QString why = output->Why();
            {
                std::lock_guard lock(mutex);
                failed = std::move(output);
                outputUp = false;
            }
            // Closed before the next one is made: the sound server's library
            // frees its loop with the last stream of the process.
            Drop(std::move(failed), {});
            {
                std::lock_guard lock(mutex);
                wantOutput = true;
                outputWanted.notify_all();
            }
            ReportDown(why);
            clockBase = pushedAt;
            clockFrame = pushedFrame;
        }
        if (!output) {
            // No output: the bus keeps time on the system clock.
            const auto due = clockBase + FramesToDuration(frames - clockFrame);
            std::unique_lock lock(mutex);
            wake.wait_until(lock, due, [this] { return stop || (opened && !output); });
        }
    }
}

// Takes one period from every input that plays, starting those due in it.
// Called with the mutex held.
CAirBus::Impl::Period CAirBus::Impl::MixPeriod(std::vector<float>& mix, std::uint64_t first,
                                               std::vector<std::function<void()>>& calls)
{
    std::fill(mix.begin(), mix.end(), 0.0f);
    Period period = Period::Idle;
    auto& work = mixWork;
    work.clear();
    for (const auto& input : inputs) {
        if (input->paused || input->ended)
            continue;
        if (input->started) {
            work.emplace_back(input, 0);
        } else if (input->followsOther) {
            // started by its leader in Take; one that lost its leader waits
            // for a StartAt (see Unfollow)
        } else if (input->scheduled &&
                   (input->startAt == CAirInput::Now || input->startAt < first + CAirBus::PeriodFrames)) {
            const int offset = input->startAt == CAirInput::Now || input->startAt <= first
                                   ? 0
                                   : int(input->startAt - first);
            work.emplace_back(input, offset);
        }
    }
    // Inputs started by one of these (after it, or with it) join the list.
    for (std::size_t i = 0; i < work.size(); ++i) {
        auto [input, offset] = work[i];
        if (input->mixedPeriod == first)
            continue; // reached twice in one period
        input->mixedPeriod = first;
        const bool starts = !input->started;
        if (starts) {
            input->started = true;
            input->startedAt = first + std::uint64_t(offset);
            input->lastGain = input->gain * input->trim; // starts at its level, no ramp from unity
        }
        Take(*input, first, offset, mix, work, calls);
        if (starts) {
            qCDebug(lcMedia).noquote() << "air bus: input" << input->name << "starts at" << input->startedAt
                                       << "holding" << input->count << "frames";
            period = input->endMarked || input->count >= kDeepFrames ? std::max(period, Period::DeepStart)
                                                                     : Period::ShallowStart;
        }
    }
    if (period == Period::Idle && !work.empty())
        period = Period::Playing;
    work.clear(); // holds no input past its period
    return period;
}

void CAirBus::Impl::Take(CAirInput::State& input, std::uint64_t first, int offset, std::vector<float>& mix,
                         std::vector<std::pair<std::shared_ptr<CAirInput::State>, int>>& work,
                         std::vector<std::function<void()>>& calls)
{
    const int want = CAirBus::PeriodFrames - offset;
    // A live input takes no more than its length; the period's frames it
    // has no sound for pass as its time all the same.
    const bool live = input.liveLength > 0;
    const int room = live ? int(std::min<std::uint64_t>(std::uint64_t(want), input.liveLength - input.taken))
                          : want;
    const int take = int(std::min<std::size_t>(std::size_t(room), input.count));
    const std::uint64_t takenBefore = input.taken;
    const float from = input.lastGain, to = input.gain * input.trim;
    // In runs up to the ring's end: at a steady gain (nearly always) one
    // multiply-add over contiguous samples, which the compiler vectorises; a
    // ramp from the last gain to the new one across the period otherwise.
    for (int i = 0; i < take;) {
        const std::size_t at = (input.read + std::size_t(i)) % std::size_t(CAirBus::RingFrames);
        const int run = int(
            std::min<std::size_t>(std::size_t(take - i), std::size_t(CAirBus::RingFrames) - at));
        const float* src = input.ring.data() + at * Channels;
        float* dst = mix.data() + std::size_t(offset + i) * Channels;
        if (from == to) {
            MixInto(dst, src, run * Channels, to);
        } else {
            for (int f = 0; f < run; ++f) {
                const float gain = from + (to - from) * float(i + f + 1) / float(take);
                for (int c = 0; c < Channels; ++c)
                    dst[f * Channels + c] += src[f * Channels + c] * gain;
            }
        }
        i += run;
    }
    input.lastGain = take > 0 ? to : from;
    input.read = (input.read + std::size_t(take)) % std::size_t(CAirBus::RingFrames);
    input.count -= std::size_t(take);
    input.taken += std::uint64_t(live ? room : take);
    if (take > 0 && input.waitingForRoom > 0 &&
        std::size_t(CAirBus::RingFrames) - input.count >= input.waitingForRoom)
        input.space.notify_all();
    // It ends when a period finds it short after its end mark. What follows
    // it starts on the frame after its last as soon as that is taken: when
    // it is the period's last, on the next period, planned now, so that a
    // producer that lets the input go at once (a device) loses no start.
    const bool endsNow = live ? input.taken >= input.liveLength : take < want && input.endMarked;
    const bool lastTaken = live ? endsNow : input.endMarked && input.count == 0;
    const int passed = int(input.taken - takenBefore); // frames of the period it took
    if (take < room && !input.endMarked) {
        if (input.starved == 0)
            qCDebug(lcMedia).noquote()
                << "air bus: input" << input.name << "short of" << room - take << "frames at" << first;
        input.starved += std::uint64_t(room - take);
        if (input.starved >= std::uint64_t(CAirBus::StallFrames) && !input.stallReported) {
            input.stallReported = true;
            qCWarning(lcMedia).noquote() << "air bus: input" << input.name << "brought no sound for 2 s";
            if (input.onStall)
                calls.push_back(input.onStall);
        }
    } else if (take > 0) {
        input.starved = 0;
        input.stallReported = false;
    }
    if (endsNow) {
        input.ended = true;
        if (input.onEnd)
            calls.push_back(input.onEnd);
    }
    // Followers: on the other's frame, or on the frame after its last.
    for (const auto& candidate : inputs) {
        if (candidate->started || !candidate->followsOther || candidate->paused ||
            candidate->other.lock().get() != &input)
            continue;
        int at = -1;
        if (candidate->frameOfOther == CAirInput::Now) {
            if (lastTaken)
                at = offset + passed;
        } else if (candidate->frameOfOther <= takenBefore) {
            at = offset;
        } else if (candidate->frameOfOther <= input.taken) {
            at = offset + int(candidate->frameOfOther - takenBefore);
        } else if (lastTaken) {
            at = offset + passed; // the other ended before the frame came
        }
        if (at >= 0 && at < CAirBus::PeriodFrames) {
            work.emplace_back(candidate, at);
        } else if (at == CAirBus::PeriodFrames) {
            candidate->followsOther = false;
            candidate->other.reset();
            candidate->scheduled = true;
            candidate->startAt = first + CAirBus::PeriodFrames;
        }
    }
}
