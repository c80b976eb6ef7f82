// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/LineInCapture.h"

#include "media/AirBus.h"
#include "media/MediaTrack.h"
#include "media/TrackExceptions.h"
#include "media/TrackThread.h"

#include <QCoreApplication>

#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace LineInCapture {

// Shared by the worker, the pad probe (streaming thread), the stall
// callback (the bus's thread) and the play that holds it.
struct Capture
{
    std::mutex mutex;                 // guards input, length, and failed with its report
    std::shared_ptr<CAirInput> input; // null while no play holds it
    std::uint64_t length = 0;         // the item's frames
    std::atomic<bool> failed{false};  // it failed: a stall says nothing more
    // Streaming thread only: the input it last wrote to, whether sound is
    // held for its start, whether it has started.
    const CAirInput* current = nullptr;
    bool held = false, live = false;
};

} // namespace LineInCapture

namespace {

using LineInCapture::Capture;
using CaptureRef = std::shared_ptr<Capture>;

constexpr std::uint64_t kFrameBytes = sizeof(float) * CAirBus::Channels;
constexpr GstClockTime kWatchPeriod = 50 * GST_MSECOND;

std::shared_ptr<CAirInput> InputOf(Capture& capture, std::uint64_t* length = nullptr)
{
    std::lock_guard lock(capture.mutex);
    if (length)
        *length = capture.length;
    return capture.input;
}

// Streaming thread, on the converted sound. While no play holds the
// capture its sound is dropped. Until the input starts, the newest two
// buffers (at least 100 ms) wait in its ring and older sound is dropped: it
// starts on its frame with sound in hand, and the line is heard that much
// later from then on, which covers the source's and the mixer's uneven
// steps. An input started before any sound came gets that much silence
// first instead. Then the sound is written until the bus ends the input on
// its length or lets it go; the capture stands by again then.
GstPadProbeReturn OnSound(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    Capture& capture = **static_cast<CaptureRef*>(data);
    std::uint64_t length = 0;
    const std::shared_ptr<CAirInput> input = InputOf(capture, &length);
    if (!input || input->Ended())
        return GST_PAD_PROBE_DROP;
    if (capture.current != input.get()) {
        capture.current = input.get();
        capture.held = capture.live = false;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const std::uint64_t frames = gst_buffer_get_size(buffer) / kFrameBytes;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return GST_PAD_PROBE_DROP;
    const auto* samples = reinterpret_cast<const float*>(map.data);
    bool written = true;
    if (!capture.live) {
        const std::uint64_t keep = std::min<std::uint64_t>(
            {std::max<std::uint64_t>(2 * frames, 10 * CAirBus::PeriodFrames), CAirBus::RingFrames / 2,
             length / 2});
        if (input->WriteAhead(samples, int(frames), int(keep))) {
            capture.held = true;
            gst_buffer_unmap(buffer, &map);
            return GST_PAD_PROBE_DROP;
        }
        capture.live = true;
        if (!capture.held) {
            const std::vector<float> silence(std::size_t(keep) * CAirBus::Channels, 0.0f);
            written = input->Write(silence.data(), int(keep));
        }
    }
    // Waits while the ring is full; false once the input was let go.
    written = written && input->Write(samples, int(frames));
    gst_buffer_unmap(buffer, &map);
    if (!written) {
        std::lock_guard lock(capture.mutex);
        if (capture.input == input)
            capture.input.reset();
    }
    return GST_PAD_PROBE_DROP;
}

// `<source> ! convert to the bus's format ! fakesink`, the probe on the
// converted sound; null with *why set when it cannot be made.
GstElement* Build(const QString& source, const CaptureRef& capture, QString* why)
{
    gst_init(nullptr, nullptr); // once per process; later calls return at once
    GError* failure = nullptr;
    const QByteArray description =
        source.toUtf8() +
        " ! audioconvert ! audioresample ! "
        "capsfilter caps=\"audio/x-raw,format=F32LE,rate=44100,channels=2,layout=interleaved\"";
    GstElement* head = gst_parse_bin_from_description(description.constData(), TRUE, &failure);
    if (!head || failure) {
        *why = failure ? QString::fromUtf8(failure->message) : QStringLiteral("no element");
        g_clear_error(&failure);
        if (head)
            gst_object_unref(gst_object_ref_sink(head));
        return nullptr;
    }
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    GstElement* pipeline = gst_pipeline_new("lirana-line-in");
    gst_bin_add_many(GST_BIN(pipeline), head, sink, nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    if (!gst_element_link(head, sink)) {
        *why = QStringLiteral("it gives no sound that can be converted");
        gst_object_unref(pipeline);
        return nullptr;
    }
    GstPad* pad = gst_element_get_static_pad(head, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, OnSound, new CaptureRef(capture),
                      [](gpointer data) { delete static_cast<CaptureRef*>(data); });
    gst_object_unref(pad);
    return pipeline;
}

QString ErrorOf(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const QString text = error ? QString::fromUtf8(error->message) : QString();
    g_clear_error(&error);
    return text;
}

// The worker: makes the pipeline, runs it and watches it for errors until
// an error came or stop is requested.
void Run(const std::stop_token& stop, const QString& source, const CaptureRef& capture,
         const std::shared_ptr<CTrackNotifier>& notifier)
{
    const auto fail = [&](const QString& why) {
        if (stop.stop_requested())
            return;
        std::lock_guard lock(capture->mutex);
        if (capture->failed.exchange(true) || !capture->input)
            return; // nobody plays it: the next play makes it again and tells
        notifier->PostError(std::make_unique<CTrackException>(LineInCapture::FailureText(source, why)));
    };
    QString why;
    GstElement* pipeline = Build(source, capture, &why);
    if (!pipeline) {
        fail(why);
        return;
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        fail(message ? ErrorOf(message) : QStringLiteral("it cannot start"));
        if (message)
            gst_message_unref(message);
    }
    while (!capture->failed.load() && !stop.stop_requested()) {
        if (GstMessage* message = gst_bus_timed_pop_filtered(bus, kWatchPeriod, GST_MESSAGE_ERROR)) {
            fail(ErrorOf(message));
            gst_message_unref(message);
        }
    }
    // A write waiting for room has been woken by the input's release (Stop)
    // or cannot wait (the input plays), so the streaming thread lets go.
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
}

// A new capture and its worker. An input given is held before the worker
// starts, so that a failure to make the source is told.
LineInCapture::Line Start(const QString& source, std::shared_ptr<CTrackNotifier> notifier,
                          std::shared_ptr<CAirInput> input = {}, std::uint64_t frames = 0)
{
    auto capture = std::make_shared<Capture>();
    capture->input = std::move(input);
    capture->length = frames;
    return {capture, std::make_unique<CTrackThread>([source, capture, notifier](std::stop_token stop) {
                Run(stop, source, capture, notifier);
            })};
}

} // namespace

namespace LineInCapture {

QString FailureText(const QString& source, const QString& why)
{
    return QCoreApplication::translate("LineInTrack", "The live source %1 failed: %2").arg(source, why);
}

Line Open(const QString& source, std::shared_ptr<CTrackNotifier> notifier)
{
    return Start(source, std::move(notifier));
}

std::function<void()> Carry(Line& line, const QString& source, const std::shared_ptr<CAirInput>& input,
                            std::uint64_t frames, const std::shared_ptr<CTrackNotifier>& notifier)
{
    if (frames == 0) {
        input->WriteEnd();
        return {};
    }
    input->SetLive(frames);
    const auto hold = [&](Capture& capture) {
        std::lock_guard lock(capture.mutex);
        if (capture.failed.load())
            return false;
        capture.input = input;
        capture.length = frames;
        return true;
    };
    if (!line.capture || !hold(*line.capture)) {
        line.worker.reset(); // the failed one ends first
        line = Start(source, notifier, input, frames);
    }
    // The file track's text, with the source named in full.
    // Weak: the input keeps this callback, and the capture keeps the input.
    return [weak = std::weak_ptr<Capture>(line.capture), notifier, source] {
        const CaptureRef alive = weak.lock();
        if (alive && !alive->failed.exchange(true))
            notifier->PostError(std::make_unique<CTrackException>(NoSoundTextFor(source)));
    };
}

} // namespace LineInCapture
