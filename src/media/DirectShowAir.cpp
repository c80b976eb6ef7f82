// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/DirectShowAir.h"

#include "media/AirBus.h"
#include "media/TrackBusWatch.h"

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
    explicit InputRef(std::shared_ptr<CAirInput> input) : m_input(std::move(input))
    {
        m_made.store(true, std::memory_order_release);
    }
    CAirInput* operator->() const { return &**this; }
    CAirInput& operator*() const
    {
        (void)m_made.load(std::memory_order_acquire);
        return *m_input;
    }

private:
    std::shared_ptr<CAirInput> m_input;
    std::atomic<bool> m_made{false};
};

// The decoded sound goes into the track's input of the air bus: the
// streaming thread waits there while the input's ring is full, so the
// decoder runs at most the ring's length ahead of the air.
GstFlowReturn OnAirSample(GstAppSink* sink, gpointer data)
{
    CAirInput& input = *(*static_cast<InputRef*>(data));
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
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

void ForgetInput(gpointer data)
{
    delete static_cast<InputRef*>(data);
}

} // namespace

// It converts for itself: playbin's own converter bin relinks its elements
// when the first data after a flushing seek brings its caps, and a seek or
// the data itself arriving meanwhile was dropped (seen under load: a
// refused seek, or a preroll that never came).
GstElement* MakeAirSinkBin(const std::shared_ptr<CAirInput>& input, QString* error)
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
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new InputRef(input), ForgetInput);
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_FLUSH, OnFlushStop, new InputRef(input), ForgetInput);
        gst_object_unref(pad);
        gst_object_unref(sink);
    }
    return output;
}
