// SPDX-License-Identifier: GPL-3.0-or-later
// The air bus's output: one stream to the output the operator chose, made
// again while it is gone.
#include "media/AirBusImpl.h"
#include "media/TrackBusWatch.h"
#include "platform/Logging.h"
#include "platform/PulseStream.h"
#include "platform/ThreadPriority.h"

#include <gst/app/gstappsink.h>
#include <gst/audio/gstaudiobasesink.h>
#include <gst/audio/streamvolume.h>

#include <QByteArray>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

using namespace airbus;

namespace {
// An output opened with the air chain that fails sooner than this failed
// because of it.
constexpr auto kChainTrial = std::chrono::seconds(2);
} // namespace

namespace {

GstClockTime FramesToTime(std::uint64_t frames)
{
    return gst_util_uint64_scale(frames, GST_SECOND, CAirBus::Rate);
}

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

// A level change is heard once the samples already in the sink's buffer
// have played: a sink left at its default buffer (200 ms) gets 100 ms, so a
// fade or a stop follows the engine closely. A buffer the operator chose in
// the output's description stays.
void ShortenSinkBuffers(GstElement* pipeline)
{
    GstIterator* it = gst_bin_iterate_sinks(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* sink = GST_ELEMENT(g_value_get_object(&item));
        GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "buffer-time");
        gint64 current = 0;
        if (spec && spec->value_type == G_TYPE_INT64) {
            g_object_get(sink, "buffer-time", &current, nullptr);
            if (current == G_PARAM_SPEC_INT64(spec)->default_value && current > kSinkBufferUs)
                g_object_set(sink, "buffer-time", kSinkBufferUs, nullptr);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
}

// An audio device's sink writes the air's samples one after another, never
// at the times they carry: after a late period (a loaded machine) it goes
// on where it was, instead of cutting or padding the stream to its clock
// (heard as a click; PipeWire's stream clock also jitters by tens of ms).
// The sink's consumption paces the mixer. A sink that is no audio device
// (fakesink sync=true in tests) keeps its own choice.
void PlayOnInOrder(GstElement* pipeline)
{
    GstIterator* it = gst_bin_iterate_sinks(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* sink = GST_ELEMENT(g_value_get_object(&item));
        if (GST_IS_AUDIO_BASE_SINK(sink))
            g_object_set(sink, "sync", FALSE, nullptr);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
}

// Links the mixer's pad to the output's first element, through bin when
// given (added to the pipeline); a bin that cannot be linked is taken out
// again. False: the bin was left out.
bool LinkInput(GstElement* pipeline, GstPad* pad, GstElement* first, GstElement* bin)
{
    bool withBin = false;
    if (bin && gst_bin_add(GST_BIN(pipeline), GST_ELEMENT(gst_object_ref(bin)))) {
        GstPad* binSink = gst_element_get_static_pad(bin, "sink");
        withBin = binSink && gst_element_link(bin, first) &&
                  GST_PAD_LINK_SUCCESSFUL(gst_pad_link_full(pad, binSink, GST_PAD_LINK_CHECK_NOTHING));
        if (binSink)
            gst_object_unref(binSink);
        if (!withBin)
            gst_bin_remove(GST_BIN(pipeline), bin); // unlinks it
    }
    if (!withBin) {
        GstPad* sink = gst_element_get_static_pad(first, "sink");
        gst_pad_link_full(pad, sink, GST_PAD_LINK_CHECK_NOTHING);
        gst_object_unref(sink);
    }
    return withBin;
}

// The sound server's own sink as the program names it ("pulsesink", with a
// device or none): the air goes to a stream of the program's own instead
// (platform::CPulseStream), which can take back idle silence the server
// has not played when a start comes. Any other property the operator set
// keeps GStreamer's sink. The device (may be empty) in `device`.
bool IsPlainServerSink(const QString& sink, QString* device)
{
    static const QRegularExpression plain(QStringLiteral(R"(^pulsesink(?:\s+device=(\S+))?$)"));
    const QRegularExpressionMatch match = plain.match(sink.trimmed());
    if (!match.hasMatch())
        return false;
    *device = match.captured(1);
    if (device->size() >= 2 && device->startsWith(QLatin1Char('"')) && device->endsWith(QLatin1Char('"')))
        *device = device->mid(1, device->size() - 2);
    return true;
}

// Idle silence, which a start may take back: mixed while no input played
// (`gap`), and silent still (an air chain may have made sound of it).
bool IsIdleSilence(bool gap, const float* samples, std::size_t count)
{
    return gap && std::all_of(samples, samples + count, [](float v) { return v == 0.0f; });
}

// Writes mixed sound to the server's own stream: silence mixed while no
// input played (gap) is idle, taken back when a start comes that the inputs
// can carry at once (deepStart). A stream that fails fails the output.
bool WriteToServer(CAirBus::Impl::Output& out, const float* samples, std::size_t frames, bool gap,
                   bool deepStart)
{
    const bool idle = IsIdleSilence(gap, samples, frames * std::size_t(CAirBus::Channels));
    if (out.pulse->Write(samples, frames, idle, deepStart))
        return true;
    out.Fail(out.pulse->Why());
    return false;
}

// The appsink at the end of the output hands each buffer to the stream on
// the mixer's thread (the push runs the output's elements there); the
// stream's wait for room paces the mixer as a device's sink did. A buffer
// the mixer marked a gap (no input played) is idle silence, taken back
// when a start the inputs can carry at once comes (the marker); one the air
// chain made sound of is not idle.
GstFlowReturn OnAirSample(GstAppSink* sink, gpointer data)
{
    auto* out = static_cast<CAirBus::Impl::Output*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_EOS;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    bool written = true;
    if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        written = WriteToServer(*out, reinterpret_cast<const float*>(map.data),
                                map.size / sizeof(float) / std::size_t(CAirBus::Channels),
                                GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP),
                                GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_MARKER));
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return written ? GST_FLOW_OK : GST_FLOW_ERROR;
}

GstBusSyncReply OnOutputMessage(GstBus*, GstMessage* message, gpointer data)
{
    auto* out = static_cast<CAirBus::Impl::Output*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR && !out->failed) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        out->Fail(error ? QString::fromUtf8(error->message) : QStringLiteral("output error"));
        g_clear_error(&error);
    }
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED &&
        GST_MESSAGE_SRC(message) == GST_OBJECT(out->pipeline)) {
        GstState state = GST_STATE_NULL;
        gst_message_parse_state_changed(message, nullptr, &state, nullptr);
        out->playing = state == GST_STATE_PLAYING;
    }
    // A streaming thread in the output (an air chain's queue) says so from
    // inside itself as it starts: it carries the air to the device, with the
    // mixer's priority.
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STREAM_STATUS) {
        GstStreamStatusType type{};
        gst_message_parse_stream_status(message, &type, nullptr);
        if (type == GST_STREAM_STATUS_TYPE_ENTER)
            qCDebug(lcMedia).noquote() << "air bus: output thread:" << ThreadPriority::RaiseForAudio();
    }
    return GST_BUS_PASS;
}

} // namespace

void CAirBus::Impl::Output::Fail(const QString& reason)
{
    std::lock_guard lock(whyMutex);
    if (!failed.exchange(true))
        why = reason;
}

QString CAirBus::Impl::Output::Why()
{
    std::lock_guard lock(whyMutex);
    return why;
}

// Hands one period to the output, kPushPeriods to a buffer. False: the
// output failed or stopped taking data.
bool CAirBus::Impl::Push(Output& out, const std::vector<float>& mix, Period period)
{
    constexpr gsize periodBytes = kPeriodSamples * sizeof(float);
    if (out.batched == 0) {
        if (out.direct)
            out.directBatch.resize(kPeriodSamples * kPushPeriods);
        else if (!out.batch)
            out.batch = gst_buffer_new_allocate(nullptr, periodBytes * kPushPeriods, nullptr);
        out.batchIdle = true;
        out.batchStart = out.batchShallow = false;
    }
    out.batchIdle = out.batchIdle && period == Period::Idle;
    out.batchStart = out.batchStart || period == Period::DeepStart || period == Period::ShallowStart;
    out.batchShallow = out.batchShallow || period == Period::ShallowStart;
    if (out.batched < kPushPeriods) {
        if (out.direct)
            std::copy(mix.begin(), mix.begin() + kPeriodSamples,
                      out.directBatch.begin() + std::ptrdiff_t(kPeriodSamples) * out.batched);
        else
            gst_buffer_fill(out.batch, periodBytes * gsize(out.batched), mix.data(), periodBytes);
    }
    if (++out.batched < kPushPeriods || out.failed || stop)
        return !out.failed;
    PushBatch(out);
    return !out.failed;
}

// Hands what is batched to the output at once (at close: a part). The push
// runs the output's elements on the mixer's thread and returns when the
// sink has taken the buffer: a device's sink takes it when its buffer has
// room, which paces the mixer. The opener ends a push that hangs
// (kOutputStall). Written to the server's stream directly when there is no
// air chain: the pipeline's elements would only pass it on, and cost the
// mixer a fifth of its time.
void CAirBus::Impl::PushBatch(Output& out)
{
    if (out.batched == 0)
        return;
    const int periods = std::min(std::exchange(out.batched, 0), kPushPeriods);
    const std::uint64_t frames = std::uint64_t(periods) * CAirBus::PeriodFrames;
    if (out.direct) {
        out.pushed += frames;
        out.pushSince = std::max<std::int64_t>(1, SteadyClock::now().time_since_epoch().count());
        WriteToServer(out, out.directBatch.data(), frames, out.batchIdle,
                      out.batchStart && !out.batchShallow);
        out.pushSince = 0;
        return;
    }
    GstBuffer* buffer = std::exchange(out.batch, nullptr);
    gst_buffer_set_size(buffer, gssize(frames * CAirBus::Channels * sizeof(float)));
    // Marks for the server's own stream (OnAirSample), carried by the
    // buffer through an air chain: silence mixed while no input played, and
    // a start whose inputs can be taken at once (the marker; one lost on the
    // way only keeps the start behind the queue).
    if (out.batchIdle)
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_GAP);
    if (out.batchStart && !out.batchShallow)
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_MARKER);
    GST_BUFFER_PTS(buffer) = FramesToTime(out.pushed);
    GST_BUFFER_DURATION(buffer) = FramesToTime(out.pushed + frames) - FramesToTime(out.pushed);
    out.pushed += frames;
    out.pushSince = std::max<std::int64_t>(1, SteadyClock::now().time_since_epoch().count());
    const GstFlowReturn flow = gst_pad_push(out.pad, buffer);
    out.pushSince = 0;
    if (flow != GST_FLOW_OK)
        out.Fail(QStringLiteral("the output refused the sound"));
}

// Ends the mixer's push into an output that has taken nothing for
// kOutputStall (a sound server that stopped reading; kOutputStartStall
// while it starts): the push returns flushing and the mixer goes on on the
// system clock. Called by the opener.
void CAirBus::Impl::WatchStall()
{
    GstPad* pad = nullptr;
    {
        std::lock_guard lock(mutex);
        const std::int64_t since = output ? output->pushSince.load() : 0;
        const auto limit = output && output->playing ? kOutputStall : kOutputStartStall;
        if (since == 0 ||
            SteadyClock::now().time_since_epoch().count() - since < std::chrono::nanoseconds(limit).count())
            return;
        output->Fail(QStringLiteral("the output took no sound for %1 ms").arg(limit.count()));
        pad = GST_PAD(gst_object_ref(output->pad));
        if (output->pulse)
            output->pulse->Cancel();
    }
    gst_pad_push_event(pad, gst_event_new_flush_start());
    gst_object_unref(pad);
}

void CAirBus::Impl::Drop(std::unique_ptr<Output> out, const QString& why)
{
    if (!out)
        return;
    if (!why.isEmpty())
        qCWarning(lcMedia).noquote() << "air bus: output lost:" << why;
    if (out->pulse)
        out->pulse->Cancel(); // a push that waits in it ends
    gst_element_set_state(out->pipeline, GST_STATE_NULL);
    out->pulse.reset();
    if (out->batch)
        gst_buffer_unref(out->batch);
    if (out->stream)
        gst_object_unref(out->stream);
    gst_pad_set_active(out->pad, FALSE);
    gst_object_unref(out->pad);
    gst_object_unref(out->pipeline);
}

void CAirBus::Impl::NudgeOutput()
{
    if (output && output->pulse)
        output->pulse->Nudge();
}

// ------------------------------------------------------------ the output

void CAirBus::SetChain(std::function<GstElement*()> chain, bool rebuild)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->options.chain = std::move(chain);
    ++m_impl->chainGeneration;
    if (rebuild && !m_impl->options.sink.isEmpty()) {
        m_impl->resink = true;
        m_impl->wake.notify_all();
    }
}

GstElement* CAirBus::OutputPipeline() const
{
    std::lock_guard lock(m_impl->mutex);
    const Impl::Output* out = m_impl->output ? m_impl->output.get() : m_impl->opened.get();
    return out ? GST_ELEMENT(gst_object_ref(out->pipeline)) : nullptr;
}

// The air's output: [air chain] ! audioconvert ! audioresample ! sink,
// playing, fed by a pad of the mixer's own (no source element, so no
// thread between the mixer and the sink). Null (with the reason in why)
// when it cannot be made or does not start. Takes the chain (floating, may
// be null); a chain that cannot be linked is logged and left out.
std::unique_ptr<CAirBus::Impl::Output> CAirBus::Impl::MakeOutput(const QString& sink, GstElement* chain,
                                                                 QString* why)
{
    if (chain)
        gst_object_ref_sink(chain);
    auto out = std::make_unique<Output>();
    const bool chained = chain != nullptr;
    const std::vector<int> before = ThreadPriority::Threads();
    QString device;
    QByteArray sinkDescription = sink.toUtf8();
    if (IsPlainServerSink(sink, &device)) {
        platform::CPulseStream::Options stream;
        stream.device = device;
        stream.rate = Rate;
        stream.channels = Channels;
        stream.queue = std::chrono::microseconds(kSinkBufferUs);
        stream.stall = kOutputStall;
        stream.name = QStringLiteral("Lirana air");
        out->pulse = platform::CPulseStream::Open(stream, why);
        if (!out->pulse) {
            *why = QStringLiteral("Cannot open the sound server's stream: %1").arg(*why);
            if (chain)
                gst_object_unref(chain);
            return nullptr;
        }
        sinkDescription = QByteArrayLiteral(
                              "appsink name=pulse sync=false async=false enable-last-sample=false "
                              "caps=\"audio/x-raw,format=F32LE,rate=") +
                          QByteArray::number(Rate) + ",channels=" + QByteArray::number(Channels) +
                          ",layout=interleaved\"";
    }
    GError* error = nullptr;
    const QByteArray description = "audioconvert name=air ! audioresample ! " + sinkDescription;
    out->pipeline = gst_parse_launch(description.constData(), &error);
    if (!out->pipeline || error) {
        *why = QStringLiteral("Cannot make the audio output \"%1\": %2")
                   .arg(sink, error ? QString::fromUtf8(error->message) : QString());
        g_clear_error(&error);
        if (out->pipeline)
            gst_object_unref(out->pipeline);
        if (chain)
            gst_object_unref(chain);
        return nullptr;
    }
    gst_object_ref_sink(out->pipeline);
    out->pad = gst_pad_new("air", GST_PAD_SRC);
    gst_pad_set_active(out->pad, TRUE);
    GstElement* first = gst_bin_get_by_name(GST_BIN(out->pipeline), "air");
    if (!LinkInput(out->pipeline, out->pad, first, chain) && chain)
        qCWarning(lcMedia) << "air bus: the air chain cannot be linked into the output: it is left out";
    gst_object_unref(first);
    if (chain)
        gst_object_unref(chain);
    if (out->pulse) {
        out->direct = !chained;
        GstElement* appsink = gst_bin_get_by_name(GST_BIN(out->pipeline), "pulse");
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = OnAirSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(appsink), &callbacks, out.get(), nullptr);
        gst_object_unref(appsink);
    }
    out->stream = FindStreamSink(out->pipeline);
    ShortenSinkBuffers(out->pipeline);
    PlayOnInOrder(out->pipeline);
    HoldStreamAtUnity(out->stream); // asked before it connects: nothing is restored
    GstBus* bus = gst_element_get_bus(out->pipeline);
    gst_bus_set_sync_handler(bus, OnOutputMessage, out.get(), nullptr);
    gst_object_unref(bus);
    if (gst_element_set_state(out->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE || out->failed) {
        *why = out->failed ? out->Why() : QStringLiteral("the output does not open");
        Drop(std::move(out), {});
        return nullptr;
    }
    // The sound server's client library sends the air to the server from a
    // thread of its own ("threaded-ml", made as the sink opened): a late
    // send is a dropout like a late mix, so it runs with the mixer's
    // priority. The program's own stream sets its thread's priority itself.
    const QStringList raised = out->pulse ? QStringList()
                                          : ThreadPriority::RaiseNewThreads(before, "threaded-ml");
    if (!raised.isEmpty())
        qCDebug(lcMedia).noquote() << "air bus: sound server client thread:"
                                   << raised.join(QStringLiteral(", "));
    // The stream's start, format and segment go ahead of the first buffer.
    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE", "rate", G_TYPE_INT,
                                        Rate, "channels", G_TYPE_INT, Channels, "layout", G_TYPE_STRING,
                                        "interleaved", nullptr);
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_pad_push_event(out->pad, gst_event_new_stream_start("lirana-air"));
    gst_pad_push_event(out->pad, gst_event_new_caps(caps));
    gst_pad_push_event(out->pad, gst_event_new_segment(&segment));
    gst_caps_unref(caps);
    return out;
}

// Opens the output whenever the mixer wants one, at most every
// OutputRetryMs, until the bus closes.
void CAirBus::Impl::Open()
{
    auto lastTry = SteadyClock::now() - std::chrono::milliseconds(OutputRetryMs);
    // The air chain generation the last output was opened with (Now: none)
    // and when; the generation whose chain is left out (Now: none).
    std::uint64_t chainTried = CAirInput::Now, refused = CAirInput::Now;
    auto chainOpenedAt = lastTry;
    auto madeAt = lastTry;             // the output open now
    auto unityAt = SteadyClock::now(); // when its volume was looked at
    QString chainSink;
    while (!stop) {
        GstElement* stream = nullptr;
        std::shared_ptr<platform::CPulseStream> pulse;
        bool wanted = false;
        {
            std::unique_lock lock(mutex);
            wanted = outputWanted.wait_for(lock, kStallCheck, [this] { return stop || wantOutput; });
            if (stop)
                return;
            if (!wanted) {
                const auto now = SteadyClock::now();
                const bool young = now - madeAt < kUnityWatchedNew;
                const auto every = std::chrono::milliseconds(young ? kUnityCheckMs : kUnityCheckLaterMs);
                if (output && (output->stream || output->pulse) && now - unityAt >= every) {
                    unityAt = now;
                    if (output->stream)
                        stream = GST_ELEMENT(gst_object_ref(output->stream));
                    pulse = output->pulse;
                }
            }
        }
        if (pulse) {
            if (pulse->HoldAtUnity())
                qCDebug(lcMedia) << "air bus: the sound server moved the stream's volume; back at unity";
            continue;
        }
        if (!stream && !wanted) {
            WatchStall();
            continue;
        }
        if (stream) {
            // The stream's volume stays at unity: desktop sound servers give
            // a program's new stream the volume its last one had, and one
            // faded by an older version would keep the whole air down. Asked
            // here, not on the mixer's thread: the ask waits for the server.
            if (HoldStreamAtUnity(stream))
                qCDebug(lcMedia) << "air bus: the sound server moved the stream's volume; back at unity";
            gst_object_unref(stream);
            continue;
        }
        std::this_thread::sleep_until(lastTry + std::chrono::milliseconds(OutputRetryMs));
        lastTry = SteadyClock::now();
        if (stop)
            return;
        QString sink;
        std::function<GstElement*()> make;
        std::uint64_t generation = 0;
        {
            std::lock_guard lock(mutex);
            sink = options.sink;
            make = options.chain;
            generation = chainGeneration;
        }
        gst_init(nullptr, nullptr);
        // An output with the air chain that failed at once (a plug-in that
        // does not take the air's format, say) is made again without it:
        // the station never goes silent because of a plug-in.
        const bool failedWithChain = chainTried == generation && sink == chainSink &&
                                     SteadyClock::now() - chainOpenedAt < kChainTrial;
        chainTried = CAirInput::Now;
        if (failedWithChain && refused != generation) {
            refused = generation;
            qCWarning(lcMedia) << "air bus: the air chain is left out: the output failed with it";
        }
        GstElement* chainBin = make && refused != generation ? make() : nullptr;
        const bool withChain = chainBin != nullptr;
        QString why;
        std::unique_ptr<Output> out = MakeOutput(sink, chainBin, &why);
        if (!out && withChain) {
            out = MakeOutput(sink, nullptr, &why);
            if (out) {
                refused = generation;
                qCWarning(lcMedia) << "air bus: the air chain is left out: the output does not open with it";
            }
        } else if (out && withChain) {
            chainTried = generation;
            chainSink = sink;
            chainOpenedAt = SteadyClock::now();
        }
        if (!out) {
            ReportDown(why);
            continue;
        }
        std::lock_guard lock(mutex);
        wantOutput = false;
        if (sink == options.sink && generation == chainGeneration) {
            opened = std::move(out);
            madeAt = SteadyClock::now();
        } else {
            wantOutput = true; // changed meanwhile: the new one is made next
        }
        wake.notify_all();
    }
}
