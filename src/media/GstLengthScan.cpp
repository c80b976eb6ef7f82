// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/GstLengthScan.h"

#include "platform/FileNames.h"

#include <gst/gst.h>

#include <algorithm>
#include <limits>

namespace {

// Every stream parsebin exposes ends in its own fakesink, so no stream
// stops the scan as not linked.
void OnPadAdded(GstElement* /*parsebin*/, GstPad* pad, gpointer pipeline)
{
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (!sink)
        return;
    g_object_set(sink, "sync", FALSE, nullptr);
    gst_bin_add(GST_BIN(pipeline), sink);
    gst_element_sync_state_with_parent(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
}

} // namespace

TrackMs ScanMediaLength(const QString& path, int timeoutMs)
{
    GstElement* pipeline = gst_pipeline_new("lirana-length-scan");
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* parser = gst_element_factory_make("parsebin", nullptr);
    if (!source || !parser) {
        for (GstElement* e : {source, parser})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        gst_object_unref(pipeline);
        return -1;
    }
    g_object_set(source, "location", FileNameBytes(path).constData(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, parser, nullptr);
    gst_element_link(source, parser);
    g_signal_connect(parser, "pad-added", G_CALLBACK(OnPadAdded), pipeline);

    TrackMs length = -1;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, GstClockTime(timeoutMs) * GST_MSECOND,
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        gint64 position = -1;
        if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS &&
            gst_element_query_position(pipeline, GST_FORMAT_TIME, &position) && position > 0)
            length = TrackMs(std::min<gint64>(position / GST_MSECOND, std::numeric_limits<TrackMs>::max()));
        if (message)
            gst_message_unref(message);
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return length;
}
