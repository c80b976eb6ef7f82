// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/AirBus.h"

#include "platform/Logging.h"

#include "media/TrackBusWatch.h"

#include <gst/app/gstappsrc.h>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr int kPeriodSamples = CAirBus::PeriodFrames * CAirBus::Channels;
// The appsrc's queue: the mixer refills it at half.
constexpr int kQueuePeriods = 4;
// An output that takes no data for this long has stalled.
constexpr auto kOutputStall = std::chrono::milliseconds(500);

GstClockTime FramesToTime(std::uint64_t frames)
{
    return gst_util_uint64_scale(frames, GST_SECOND, CAirBus::Rate);
}

} // namespace

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
    float gain = 1.0f, lastGain = 1.0f;
    std::uint64_t starved = 0;
    bool stallReported = false;
    std::uint64_t mixedPeriod = Now; // the last period it was taken in
    std::condition_variable space;
    std::function<void()> onEnd, onStall;
};

struct CAirBus::Impl
{
    struct Output
    {
        GstElement* pipeline = nullptr;
        GstElement* source = nullptr;
        GstElement* stream = nullptr; // the sound server's stream (GstStreamVolume), or null
        std::uint64_t pushed = 0;
        std::atomic<bool> failed{false};
        std::atomic<bool> full{false};
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
    std::atomic<bool> outputUp{false};
    std::atomic<bool> downReported{false}; // onOutput(false) said since the last up
    std::unique_ptr<Output> output;        // the mixer's; replaced under mutex
    std::unique_ptr<Output> opened;        // handed over by the output thread
    bool wantOutput = true;
    Level level;
    Tap tap;
    std::thread mixer, opener;

    void Mix();
    void Open();
    void MixPeriod(std::vector<float>& mix, std::uint64_t first, std::vector<std::function<void()>>& calls);
    void Take(CAirInput::State& input, int offset, std::vector<float>& mix,
              std::vector<std::pair<std::shared_ptr<CAirInput::State>, int>>& work,
              std::vector<std::function<void()>>& calls);
    bool Push(Output& out, const std::vector<float>& mix);
    void Drop(std::unique_ptr<Output> out, const QString& why);
};

namespace {

// The sink that is a sound server's stream (GstStreamVolume), a new
// reference, or null.
GstElement* FindStreamSink(GstElement* pipeline)
{
    GstElement* found = nullptr;
    GstIterator* it = gst_bin_iterate_sinks(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        if (GST_IS_STREAM_VOLUME(element))
            found = GST_ELEMENT(gst_object_ref(element));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

GstBusSyncReply OnOutputMessage(GstBus*, GstMessage* message, gpointer data)
{
    auto* out = static_cast<CAirBus::Impl::Output*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !out->failed) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        out->why = error ? QString::fromUtf8(error->message) : QStringLiteral("output error");
        g_clear_error(&error);
        out->failed = true;
    }
    return GST_BUS_PASS;
}

} // namespace

CAirBus::CAirBus(Options options) : m_impl(std::make_unique<Impl>())
{
    m_impl->options = std::move(options);
    m_impl->wantOutput = !m_impl->options.sink.isEmpty();
    m_impl->mixer = std::thread([impl = m_impl.get()] { impl->Mix(); });
    m_impl->opener = std::thread([impl = m_impl.get()] { impl->Open(); });
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
    m_impl->mixer.join();
    m_impl->opener.join();
    m_impl->Drop(std::move(m_impl->output), {});
    m_impl->Drop(std::move(m_impl->opened), {});
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

void CAirBus::SetTap(Tap tap)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->tap = std::move(tap);
}

// ------------------------------------------------------------ the mixer

void CAirBus::Impl::Mix()
{
    std::vector<float> mix(kPeriodSamples);
    std::array<float, Channels> peak{};
    std::array<double, Channels> squares{};
    int metered = 0;
    auto clockBase = SteadyClock::now();
    std::uint64_t clockFrame = 0;
    while (!stop) {
        std::vector<std::function<void()>> calls;
        std::unique_ptr<Output> failed;
        Tap tapNow;
        const std::uint64_t first = frames;
        {
            std::unique_lock lock(mutex);
            if (opened && !output) {
                output = std::move(opened);
                outputUp = true;
                if (options.onOutput && downReported.exchange(false))
                    calls.emplace_back([this] { options.onOutput(true, {}); });
            }
            MixPeriod(mix, first, calls);
            tapNow = tap;
        }
        for (int i = 0; i < CAirBus::PeriodFrames; ++i) {
            for (int c = 0; c < Channels; ++c) {
                const float v = mix[std::size_t(i * Channels + c)];
                peak[std::size_t(c)] = std::max(peak[std::size_t(c)], std::fabs(v));
                squares[std::size_t(c)] += double(v) * v;
            }
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
        if (tapNow)
            tapNow(mix.data(), CAirBus::PeriodFrames, first);
        frames = first + CAirBus::PeriodFrames;
        for (const auto& call : calls)
            call();

        // The stream's volume stays at unity: desktop sound servers give a
        // program's new stream the volume its last one had, and one faded
        // by an older version would keep the whole air down.
        if (output && output->stream && first % std::uint64_t(MeterFrames) == 0 &&
            HoldStreamAtUnity(output->stream))
            qCDebug(lcMedia) << "air bus: the sound server moved the stream's volume; back at unity";
        if (output && !Push(*output, mix)) {
            const QString why = output->why;
            {
                std::lock_guard lock(mutex);
                failed = std::move(output);
                outputUp = false;
            }
            // Closed before the next one is made: the sound server's library
            // frees its loop with the last stream of the process.
            Drop(std::move(failed), why);
            {
                std::lock_guard lock(mutex);
                wantOutput = true;
                outputWanted.notify_all();
            }
            if (options.onOutput && !downReported.exchange(true))
                options.onOutput(false, why);
            clockBase = SteadyClock::now();
            clockFrame = frames;
        }
        if (!output) {
            // No output: the bus keeps time on the system clock.
            const auto due = clockBase + std::chrono::microseconds((frames - clockFrame) * 1000000 / Rate);
            std::unique_lock lock(mutex);
            wake.wait_until(lock, due, [this] { return stop || (opened && !output); });
            if (opened) {
                clockBase = SteadyClock::now();
                clockFrame = frames;
            }
        }
    }
}

// Takes one period from every input that plays, starting those due in it.
// Called with the mutex held.
void CAirBus::Impl::MixPeriod(std::vector<float>& mix, std::uint64_t first,
                              std::vector<std::function<void()>>& calls)
{
    std::fill(mix.begin(), mix.end(), 0.0f);
    std::vector<std::pair<std::shared_ptr<CAirInput::State>, int>> work;
    for (const auto& input : inputs) {
        if (input->paused || input->ended)
            continue;
        if (input->started) {
            work.emplace_back(input, 0);
        } else if (input->followsOther) {
            const auto other = input->other.lock();
            if (!other || other->bus != this) // the other has gone: at once
                work.emplace_back(input, 0);
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
        if (!input->started) {
            input->started = true;
            input->startedAt = first + std::uint64_t(offset);
        }
        Take(*input, offset, mix, work, calls);
    }
}

void CAirBus::Impl::Take(CAirInput::State& input, int offset, std::vector<float>& mix,
                         std::vector<std::pair<std::shared_ptr<CAirInput::State>, int>>& work,
                         std::vector<std::function<void()>>& calls)
{
    const int want = CAirBus::PeriodFrames - offset;
    const int take = int(std::min<std::size_t>(std::size_t(want), input.count));
    const std::uint64_t takenBefore = input.taken;
    const float from = input.lastGain, to = input.gain;
    for (int i = 0; i < take; ++i) {
        const float gain = from + (to - from) * float(i + 1) / float(take);
        const std::size_t at = (input.read + std::size_t(i)) % std::size_t(CAirBus::RingFrames);
        for (int c = 0; c < Channels; ++c)
            mix[std::size_t((offset + i) * Channels + c)] += input.ring[at * Channels + std::size_t(c)] *
                                                             gain;
    }
    input.lastGain = take > 0 ? to : from;
    input.read = (input.read + std::size_t(take)) % std::size_t(CAirBus::RingFrames);
    input.count -= std::size_t(take);
    input.taken += std::uint64_t(take);
    if (take > 0)
        input.space.notify_all();
    const bool endsNow = take < want && input.endMarked;
    if (take < want && !input.endMarked) {
        input.starved += std::uint64_t(want - take);
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
            if (endsNow)
                at = offset + take;
        } else if (candidate->frameOfOther <= takenBefore) {
            at = offset;
        } else if (candidate->frameOfOther <= input.taken) {
            at = offset + int(candidate->frameOfOther - takenBefore);
        } else if (endsNow) {
            at = offset + take; // the other ended before the frame came
        }
        if (at >= 0 && at < CAirBus::PeriodFrames)
            work.emplace_back(candidate, at);
    }
}

// Hands one period to the output, waiting while its queue is full. False:
// the output failed or stopped taking data.
bool CAirBus::Impl::Push(Output& out, const std::vector<float>& mix)
{
    {
        std::unique_lock lock(mutex);
        if (!wake.wait_for(lock, kOutputStall, [&] { return stop || out.failed || !out.full; })) {
            out.why = QStringLiteral("the output took no sound for %1 ms").arg(kOutputStall.count());
            return false;
        }
    }
    if (out.failed || stop)
        return !out.failed;
    const gsize bytes = mix.size() * sizeof(float);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    gst_buffer_fill(buffer, 0, mix.data(), bytes);
    GST_BUFFER_PTS(buffer) = FramesToTime(out.pushed);
    GST_BUFFER_DURATION(buffer) = FramesToTime(out.pushed + CAirBus::PeriodFrames) - FramesToTime(out.pushed);
    out.pushed += CAirBus::PeriodFrames;
    if (gst_app_src_push_buffer(GST_APP_SRC(out.source), buffer) != GST_FLOW_OK && !out.failed) {
        out.why = QStringLiteral("the output refused the sound");
        out.failed = true;
    }
    return !out.failed;
}

void CAirBus::Impl::Drop(std::unique_ptr<Output> out, const QString& why)
{
    if (!out)
        return;
    if (!why.isEmpty())
        qCWarning(lcMedia).noquote() << "air bus: output lost:" << why;
    gst_element_set_state(out->pipeline, GST_STATE_NULL);
    if (out->stream)
        gst_object_unref(out->stream);
    gst_object_unref(out->source);
    gst_object_unref(out->pipeline);
}

// ------------------------------------------------------------ the output

// Opens the output whenever the mixer wants one, at most every
// OutputRetryMs, until the bus closes.
void CAirBus::Impl::Open()
{
    auto lastTry = SteadyClock::now() - std::chrono::milliseconds(OutputRetryMs);
    while (!stop) {
        {
            std::unique_lock lock(mutex);
            outputWanted.wait(lock, [this] { return stop || wantOutput; });
            if (stop)
                return;
        }
        std::this_thread::sleep_until(lastTry + std::chrono::milliseconds(OutputRetryMs));
        lastTry = SteadyClock::now();
        if (stop)
            return;
        gst_init(nullptr, nullptr);
        auto out = std::make_unique<Output>();
        GError* error = nullptr;
        const QByteArray description = "appsrc name=air ! audioconvert ! audioresample ! " +
                                       options.sink.toUtf8();
        out->pipeline = gst_parse_launch(description.constData(), &error);
        if (!out->pipeline || error) {
            const QString why = QStringLiteral("Cannot make the audio output \"%1\": %2")
                                    .arg(options.sink, error ? QString::fromUtf8(error->message) : QString());
            qCWarning(lcMedia).noquote() << "air bus:" << why;
            g_clear_error(&error);
            if (out->pipeline)
                gst_object_unref(out->pipeline);
            if (options.onOutput && !downReported.exchange(true))
                options.onOutput(false, why);
            continue;
        }
        gst_object_ref_sink(out->pipeline);
        out->source = gst_bin_get_by_name(GST_BIN(out->pipeline), "air");
        GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE", "rate",
                                            G_TYPE_INT, Rate, "channels", G_TYPE_INT, Channels, "layout",
                                            G_TYPE_STRING, "interleaved", nullptr);
        g_object_set(out->source, "caps", caps, "format", GST_FORMAT_TIME, "max-bytes",
                     guint64(kQueuePeriods * kPeriodSamples * sizeof(float)), "min-percent", 50u, nullptr);
        gst_caps_unref(caps);
        GstAppSrcCallbacks callbacks{};
        callbacks.need_data = [](GstAppSrc*, guint, gpointer data) {
            auto* self = static_cast<Impl*>(data);
            std::lock_guard lock(self->mutex);
            if (self->output)
                self->output->full = false;
            self->wake.notify_all();
        };
        callbacks.enough_data = [](GstAppSrc*, gpointer data) {
            auto* self = static_cast<Impl*>(data);
            std::lock_guard lock(self->mutex);
            if (self->output)
                self->output->full = true;
        };
        gst_app_src_set_callbacks(GST_APP_SRC(out->source), &callbacks, this, nullptr);
        out->stream = FindStreamSink(out->pipeline);
        HoldStreamAtUnity(out->stream); // asked before it connects: nothing is restored
        GstBus* bus = gst_element_get_bus(out->pipeline);
        gst_bus_set_sync_handler(bus, OnOutputMessage, out.get(), nullptr);
        gst_object_unref(bus);
        if (gst_element_set_state(out->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
            out->failed) {
            const QString why = out->why.isEmpty() ? QStringLiteral("the output does not open") : out->why;
            qCDebug(lcMedia).noquote() << "air bus: the output does not open yet:" << why;
            Drop(std::move(out), {});
            if (options.onOutput && !downReported.exchange(true))
                options.onOutput(false, why);
            continue;
        }
        std::lock_guard lock(mutex);
        wantOutput = false;
        opened = std::move(out);
        wake.notify_all();
    }
}

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
    while (frames > 0) {
        s.space.wait(lock, [&] {
            return !s.bus || s.generation != generation || s.count < std::size_t(CAirBus::RingFrames);
        });
        if (!s.bus || s.generation != generation || s.held)
            return false;
        const std::size_t room = std::size_t(CAirBus::RingFrames) - s.count;
        const std::size_t n = std::min(room, std::size_t(frames));
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = (s.read + s.count + i) % std::size_t(CAirBus::RingFrames);
            for (int c = 0; c < CAirBus::Channels; ++c)
                s.ring[at * CAirBus::Channels + std::size_t(c)] =
                    samples[i * CAirBus::Channels + std::size_t(c)];
        }
        s.count += n;
        samples += n * CAirBus::Channels;
        frames -= int(n);
    }
    return true;
}

void CAirInput::WriteEnd()
{
    std::lock_guard lock(*m_state->mutex);
    m_state->endMarked = true;
}

void CAirInput::StartAt(std::uint64_t busFrame)
{
    std::lock_guard lock(*m_state->mutex);
    m_state->scheduled = true;
    m_state->followsOther = false;
    m_state->startAt = busFrame;
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
}

void CAirInput::Resume()
{
    std::lock_guard lock(*m_state->mutex);
    m_state->paused = false;
    m_state->starved = 0;
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

void CAirInput::Detach()
{
    State& s = *m_state;
    std::lock_guard lock(*s.mutex);
    if (s.bus) {
        auto& inputs = s.bus->inputs;
        inputs.erase(std::remove(inputs.begin(), inputs.end(), m_state), inputs.end());
        s.bus = nullptr;
    }
    s.space.notify_all();
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
