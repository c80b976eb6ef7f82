// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/VideoOutput.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video-info.h>

#include <algorithm>
#include <mutex>

namespace {

std::mutex g_mutex;
std::shared_ptr<VideoOutput> g_output;

struct SinkContext
{
    std::shared_ptr<VideoOutput> output;
    std::uint64_t serial = 0;
    QString title;
};

GstFlowReturn OnSample(GstAppSink* sink, gpointer data)
{
    const auto* context = static_cast<SinkContext*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (buffer && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
        const auto size = static_cast<qsizetype>(std::min<gsize>(map.size, gsize(stride) * info.height));
        context->output->Frame(context->serial, context->title,
                               QByteArray(reinterpret_cast<const char*>(map.data), size), info.width,
                               info.height, stride);
        gst_buffer_unmap(buffer, &map);
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

} // namespace

void VideoOutput::Set(std::shared_ptr<VideoOutput> output)
{
    std::lock_guard lock(g_mutex);
    g_output = std::move(output);
}

std::shared_ptr<VideoOutput> VideoOutput::Current()
{
    std::lock_guard lock(g_mutex);
    return g_output;
}

GstElement* VideoOutput::MakeSink(const std::shared_ptr<VideoOutput>& output, std::uint64_t serial,
                                  const QString& title)
{
    if (!output)
        return nullptr;
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!sink)
        return nullptr;
    GstCaps* caps = gst_caps_from_string("video/x-raw, format=(string)BGRx");
    // In time with the sound; a late picture is dropped rather than queued.
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 2, "drop", TRUE, "qos", TRUE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new SinkContext{output, serial, title},
                               [](gpointer data) { delete static_cast<SinkContext*>(data); });
    return sink;
}
