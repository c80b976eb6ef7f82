// SPDX-License-Identifier: GPL-3.0-or-later
// The mpegvideo decoder: GStreamer's decodebin into an application sink as
// 16-bit interleaved stereo at the file's own rate. Pulled as fast as the
// device consumes; a seek is a flushing, accurate seek of the pipeline.
#include "platform/FileNames.h"
#include "platform/mci/Mci.h"
#include "platform/mci/PcmSource.h"

#include <QFile>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace mci {
namespace {

constexpr GstClockTime kWait = 10 * GST_SECOND;

class GstSource : public PcmSource
{
public:
    GstSource(GstElement* pipeline, GstAppSink* sink, int rate, std::int64_t frames)
        : m_pipeline(pipeline), m_sink(sink), m_rate(rate), m_frames(frames)
    {
    }
    ~GstSource() override
    {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_object_unref(m_sink);
        gst_object_unref(m_pipeline);
    }

    int Rate() const override { return m_rate; }
    std::int64_t Frames() const override { return m_frames; }

    bool Seek(std::int64_t frame) override
    {
        m_left.clear();
        m_offset = 0;
        return gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME,
                                       GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                       gst_util_uint64_scale(guint64(frame), GST_SECOND, guint64(m_rate)));
    }

    std::int64_t Read(std::int16_t* out, std::int64_t frames) override
    {
        std::int64_t done = 0;
        while (done < frames) {
            if (m_offset >= m_left.size() && !Pull())
                break;
            const std::size_t take = std::min<std::size_t>(std::size_t(frames - done) * 2,
                                                           m_left.size() - m_offset);
            std::memcpy(out + done * 2, m_left.data() + m_offset, take * sizeof(std::int16_t));
            m_offset += take;
            done += std::int64_t(take / 2);
        }
        return done;
    }

private:
    bool Pull()
    {
        GstSample* sample = gst_app_sink_try_pull_sample(m_sink, kWait);
        if (!sample)
            return false;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            m_left.assign(reinterpret_cast<const std::int16_t*>(map.data),
                          reinterpret_cast<const std::int16_t*>(map.data) + map.size / sizeof(std::int16_t));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
        m_offset = 0;
        return true;
    }

    GstElement* m_pipeline;
    GstAppSink* m_sink;
    int m_rate;
    std::int64_t m_frames;
    std::vector<std::int16_t> m_left;
    std::size_t m_offset = 0;
};

} // namespace

bool GstDecodingAvailable()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = gst_init_check(nullptr, nullptr, nullptr);
        if (GstElementFactory* decodebin = ok ? gst_element_factory_find("decodebin") : nullptr)
            gst_object_unref(decodebin);
        else
            ok = false;
    });
    return ok;
}

std::unique_ptr<PcmSource> OpenGstSource(const QString& path, std::uint32_t* error)
{
    if (!QFile::exists(path)) {
        *error = MCIERR_FILE_NOT_FOUND;
        return nullptr;
    }
    *error = MCIERR_INVALID_FILE;
    GstElement* pipeline = gst_parse_launch("filesrc name=src ! decodebin ! audioconvert ! audioresample ! "
                                            "audio/x-raw,format=S16LE,channels=2,layout=interleaved ! "
                                            "appsink name=sink sync=false max-buffers=8",
                                            nullptr);
    if (!pipeline)
        return nullptr;
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", FileNameBytes(path).constData(), nullptr);
    gst_object_unref(src);
    auto* sink = GST_APP_SINK(gst_bin_get_by_name(GST_BIN(pipeline), "sink"));
    int rate = 0;
    gint64 duration = -1;
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (gst_element_get_state(pipeline, nullptr, nullptr, kWait) == GST_STATE_CHANGE_SUCCESS) {
        if (GstSample* preroll = gst_app_sink_try_pull_preroll(sink, 0)) {
            const GstStructure* caps = gst_caps_get_structure(gst_sample_get_caps(preroll), 0);
            gst_structure_get_int(caps, "rate", &rate);
            gst_sample_unref(preroll);
        }
        gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration);
    }
    if (rate <= 0 || duration <= 0 ||
        gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(sink);
        gst_object_unref(pipeline);
        return nullptr;
    }
    // Nobody reads the bus: let it drop its messages rather than keep them.
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_bus_set_flushing(bus, TRUE);
    gst_object_unref(bus);
    return std::make_unique<GstSource>(
        pipeline, sink, rate,
        std::int64_t(gst_util_uint64_scale(guint64(duration), guint64(rate), GST_SECOND)));
}

} // namespace mci
