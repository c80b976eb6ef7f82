// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DirectShowAir.h"

#include "media/AirBus.h"
#include "media/TrackBusWatch.h"
#include "platform/Logging.h"
#include "platform/PostEvent.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <atomic>

namespace {

// The track's input as its streaming thread sees it. Made on the owner's
// thread and handed to GStreamer, whose locks order the hand-over; the
// atomic says so in a way the thread checker can see too (GLib's locks are
// invisible to it).
class InputRef
{
public:
    explicit InputRef(std::shared_ptr<CAirInput> input, QString checked = {})
        : m_checked(std::move(checked)), m_input(std::move(input))
    {
        m_made.store(true, std::memory_order_release);
    }
    CAirInput* operator->() const { return &**this; }
    CAirInput& operator*() const
    {
        (void)m_made.load(std::memory_order_acquire);
        return *m_input;
    }

    // The file whose first buffer after each segment is checked; empty:
    // none (a live source's times are the clock's).
    const QString& Checked() const
    {
        (void)m_made.load(std::memory_order_acquire);
        return m_checked;
    }
    // Where the segment the next buffer belongs to starts; -1: checked.
    std::atomic<gint64>& SegmentStartNs()
    {
        (void)m_made.load(std::memory_order_acquire);
        return m_segmentStartNs;
    }

private:
    const QString m_checked;
    std::atomic<gint64> m_segmentStartNs{-1};
    std::shared_ptr<CAirInput> m_input;
    std::atomic<bool> m_made{false};
};

// The first buffer of a segment must start where the segment does: a later
// one means the decoder lost what came before (a parser's first buffer
// lost inside decodebin), and the item airs without its start. Nothing
// brings it back here; it is said, so that it is seen.
void CheckFirstBuffer(InputRef& ref, GstBuffer* buffer)
{
    const gint64 start = ref.SegmentStartNs().exchange(-1);
    if (start < 0)
        return;
    // Its times were written on another of our threads, and its memory is
    // given to the next buffer made there once this one is freed: both
    // hand-overs go through GLib, which the thread checker cannot see.
    platform::AcquireFrom(buffer);
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    platform::ReleaseTo(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(pts))
        return;
    const gint64 lostNs = gint64(pts) - start;
    if (lostNs > 2 * gint64(GST_MSECOND))
        qCWarning(lcMedia).noquote() << "lirana:" << ref.Checked() << "began" << lostNs / GST_MSECOND
                                     << "ms late: the decoder lost its first data";
}

// The decoded sound goes into the track's input of the air bus: the
// streaming thread waits there while the input's ring is full, so the
// decoder runs at most the ring's length ahead of the air.
GstFlowReturn OnAirSample(GstAppSink* sink, gpointer data)
{
    InputRef& ref = *static_cast<InputRef*>(data);
    CAirInput& input = *ref;
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer && !ref.Checked().isEmpty())
        CheckFirstBuffer(ref, buffer);
    GstMapInfo map;
    if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        input.Write(reinterpret_cast<const float*>(map.data),
                    int(map.size / (sizeof(float) * CAirBus::Channels)));
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

// A seek's data follows its flush: the writes held since the input's flush
// are taken again.
GstPadProbeReturn OnFlushStop(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    if (GST_EVENT_TYPE(gst_pad_probe_info_get_event(info)) == GST_EVENT_FLUSH_STOP)
        (*static_cast<InputRef*>(data))->AcceptWrites();
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnSegment(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    GstEvent* event = gst_pad_probe_info_get_event(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        if (segment->format == GST_FORMAT_TIME && segment->rate > 0)
            static_cast<InputRef*>(data)->SegmentStartNs() = gint64(segment->start);
    }
    return GST_PAD_PROBE_OK;
}

void ForgetInput(gpointer data)
{
    delete static_cast<InputRef*>(data);
}

} // namespace

// It converts for itself: playbin's own converter bin relinks its elements
// when the first data after a flushing seek brings its caps, and a seek or
// the data itself arriving meanwhile was dropped (seen under load: a
// refused seek, or a preroll that never came).
GstElement* MakeAirSinkBin(const std::shared_ptr<CAirInput>& input, QString* error, const QString& checked)
{
    GError* failure = nullptr;
    GstElement* output = gst_parse_bin_from_description(
        "audioconvert ! audioresample ! "
        "audio/x-raw,format=F32LE,rate=44100,channels=2,layout=interleaved ! "
        "appsink name=lirana-air sync=false max-buffers=2 enable-last-sample=false",
        TRUE, &failure);
    if (!output || failure) {
        *error = failure ? QString::fromUtf8(failure->message) : QStringLiteral("no element");
        g_clear_error(&failure);
        if (output)
            gst_object_unref(gst_object_ref_sink(output));
        return nullptr;
    }
    gst_object_set_name(GST_OBJECT(output), kOutputBinName);
    if (GstElement* sink = gst_bin_get_by_name(GST_BIN(output), "lirana-air")) {
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = OnAirSample;
        callbacks.eos = [](GstAppSink*, gpointer data) { (*static_cast<InputRef*>(data))->WriteEnd(); };
        auto* ref = new InputRef(input, checked);
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, ref, ForgetInput);
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_FLUSH, OnFlushStop, new InputRef(input), ForgetInput);
        if (!checked.isEmpty())
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnSegment, ref, nullptr);
        gst_object_unref(pad);
        gst_object_unref(sink);
    }
    return output;
}
