// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/LineInCapture.h"

#include "media/AirBus.h"
#include "media/DirectShowAir.h"
#include "media/MediaTrack.h"
#include "media/TrackExceptions.h"
#include "media/TrackThread.h"

#include <QCoreApplication>

#include <gst/gst.h>

#include <atomic>

namespace {

constexpr std::uint64_t kFrameBytes = sizeof(float) * CAirBus::Channels;
constexpr GstClockTime kWatchPeriod = 50 * GST_MSECOND;

// Shared by the worker, the pad probe (streaming thread) and the stall
// callback (the bus's thread).
struct Capture
{
    std::shared_ptr<CAirInput> input;
    std::uint64_t left = 0;          // frames still to pass; streaming thread only
    std::atomic<bool> done{false};   // the frames and the end mark are written
    std::atomic<bool> failed{false}; // an error was posted: a stall says nothing more
};

using CaptureRef = std::shared_ptr<Capture>;

// Streaming thread, on the converted sound before the sink bin. What the
// source brings before the input plays is old by the time it would be
// heard: dropped. The buffer that reaches the length is cut and written
// here, followed by the end mark at once (the sink bin would mark it only
// at the next buffer, or never with a source that stops); later ones are
// dropped.
GstPadProbeReturn Limit(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    Capture& capture = **static_cast<CaptureRef*>(data);
    if (capture.done.load() || !capture.input->Started())
        return GST_PAD_PROBE_DROP;
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const std::uint64_t frames = gst_buffer_get_size(buffer) / kFrameBytes;
    if (frames < capture.left) {
        capture.left -= frames;
        return GST_PAD_PROBE_OK;
    }
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        capture.input->Write(reinterpret_cast<const float*>(map.data), int(capture.left));
        gst_buffer_unmap(buffer, &map);
    }
    capture.left = 0;
    capture.input->WriteEnd();
    capture.done.store(true);
    return GST_PAD_PROBE_DROP;
}

// `<source> ! convert to the bus's format ! MakeAirSinkBin(input)`, with the
// limit between the two; null with *why set when it cannot be made.
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
    GstElement* sink = MakeAirSinkBin(capture->input, why);
    if (!sink) {
        gst_object_unref(gst_object_ref_sink(head));
        return nullptr;
    }
    GstElement* pipeline = gst_pipeline_new("lirana-line-in");
    gst_bin_add_many(GST_BIN(pipeline), head, sink, nullptr);
    if (!gst_element_link(head, sink)) {
        *why = QStringLiteral("it gives no sound that can be converted");
        gst_object_unref(pipeline);
        return nullptr;
    }
    GstPad* pad = gst_element_get_static_pad(head, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, Limit, new CaptureRef(capture),
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
// the frames are written, an error came, or stop is requested.
void Run(const std::stop_token& stop, const QString& source, const CaptureRef& capture,
         const std::shared_ptr<CTrackNotifier>& notifier)
{
    const auto fail = [&](const QString& why) {
        if (stop.stop_requested() || capture->failed.exchange(true))
            return;
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
    while (!capture->failed.load() && !capture->done.load() && !stop.stop_requested()) {
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

} // namespace

namespace LineInCapture {

QString FailureText(const QString& source, const QString& why)
{
    return QCoreApplication::translate("LineInTrack", "The live source %1 failed: %2").arg(source, why);
}

CPauseTrack::Filler Start(const QString& source, const std::shared_ptr<CAirInput>& input,
                          std::uint64_t frames, std::shared_ptr<CTrackNotifier> notifier)
{
    if (frames == 0) {
        input->WriteEnd();
        return {};
    }
    auto capture = std::make_shared<Capture>();
    capture->input = input;
    capture->left = frames;
    // The file track's text, with the source named in full.
    // Weak: the input keeps this callback, and the capture keeps the input.
    auto onStall = [weak = std::weak_ptr<Capture>(capture), notifier, source] {
        const CaptureRef alive = weak.lock();
        if (alive && !alive->failed.exchange(true))
            notifier->PostError(std::make_unique<CTrackException>(NoSoundTextFor(source)));
    };
    auto worker = std::make_unique<CTrackThread>(
        [source, capture, notifier](std::stop_token stop) { Run(stop, source, capture, notifier); });
    return {std::move(worker), std::move(onStall)};
}

} // namespace LineInCapture
