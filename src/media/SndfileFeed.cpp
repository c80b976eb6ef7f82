// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SndfileFeed.h"

#include "platform/FileNames.h"
#include "platform/PostEvent.h"

#include <QFileInfo>
#include <QStringList>
#include <gst/app/gstappsrc.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <sndfile.h>

#include <algorithm>
#include <mutex>

namespace {

// Frames handed on per buffer.
constexpr sf_count_t kChunkFrames = 4096;

std::int64_t FrameOf(std::int64_t ns, int rate)
{
    return std::int64_t(
        gst_util_uint64_scale_round(guint64(std::max<std::int64_t>(ns, 0)), guint64(rate), GST_SECOND));
}

} // namespace

struct CSndfileFeed::State
{
    std::mutex lock;
    SNDFILE* file = nullptr;
    SF_INFO info{};
    std::int64_t next = 0;  // the frame the next read starts at
    std::int64_t stop = -1; // the frame the stream ends at; -1: the file's end

    ~State()
    {
        if (file)
            sf_close(file);
    }

    GstClockTime TimeOf(std::int64_t frame) const
    {
        return gst_util_uint64_scale_int(guint64(frame), GST_SECOND, info.samplerate);
    }

    void NeedData(GstAppSrc* source)
    {
        const std::lock_guard guard(lock);
        const std::int64_t end = stop >= 0 ? std::min<std::int64_t>(stop, info.frames) : info.frames;
        const sf_count_t want = std::min<sf_count_t>(kChunkFrames, end - next);
        if (want <= 0) {
            gst_app_src_end_of_stream(source);
            return;
        }
        const gsize frameBytes = sizeof(float) * gsize(info.channels);
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, gsize(want) * frameBytes, nullptr);
        platform::AcquireFrom(buffer); // its memory may be a buffer the sink's thread read
        GstMapInfo map;
        sf_count_t got = 0;
        if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
            got = sf_readf_float(file, reinterpret_cast<float*>(map.data), want);
            gst_buffer_unmap(buffer, &map);
        }
        if (got <= 0) {
            gst_buffer_unref(buffer);
            gst_app_src_end_of_stream(source);
            return;
        }
        gst_buffer_set_size(buffer, gsize(got) * frameBytes);
        GST_BUFFER_PTS(buffer) = TimeOf(next);
        GST_BUFFER_DURATION(buffer) = TimeOf(next + got) - TimeOf(next);
        GST_BUFFER_OFFSET(buffer) = guint64(next);
        next += got;
        platform::ReleaseTo(buffer); // read on the sink's thread (DirectShowAir)
        gst_app_src_push_buffer(source, buffer);
    }

    bool SeekTo(guint64 ns)
    {
        const std::lock_guard guard(lock);
        const std::int64_t frame = std::min<std::int64_t>(FrameOf(std::int64_t(ns), info.samplerate),
                                                          info.frames);
        if (sf_seek(file, frame, SEEK_SET) < 0)
            return false;
        next = frame;
        return true;
    }
};

bool CSndfileFeed::Reads(const QString& path)
{
    static const QStringList suffixes{QStringLiteral("w64"), QStringLiteral("aif"), QStringLiteral("aiff"),
                                      QStringLiteral("aifc")};
    return !path.contains(QStringLiteral("://")) &&
           suffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive);
}

std::shared_ptr<CSndfileFeed> CSndfileFeed::Open(const QString& path, QString* error)
{
    auto state = std::make_shared<State>();
    state->file = sf_open(FileNameBytes(path).constData(), SFM_READ, &state->info);
    if (!state->file || state->info.channels < 1 || state->info.samplerate < 1 || state->info.frames < 0) {
        *error = QString::fromLocal8Bit(sf_strerror(state->file));
        return nullptr;
    }
    return std::shared_ptr<CSndfileFeed>(new CSndfileFeed(std::move(state)));
}

CSndfileFeed::CSndfileFeed(std::shared_ptr<State> state) : m_state(std::move(state)) {}

CSndfileFeed::~CSndfileFeed() = default;

std::int64_t CSndfileFeed::LengthMs() const
{
    return std::int64_t(m_state->TimeOf(m_state->info.frames) / GST_MSECOND);
}

void CSndfileFeed::SetStop(std::int64_t stopNs)
{
    const std::lock_guard guard(m_state->lock);
    m_state->stop = stopNs < 0 ? -1 : FrameOf(stopNs, m_state->info.samplerate);
}

void CSndfileFeed::SetUp(GstElement* appsrc)
{
    // A new source (a pipeline made again after a stalled preroll) reads
    // from the start, whatever the one before had read; the end mark stays.
    m_state->SeekTo(0);
    const int channels = m_state->info.channels;
    GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE", "layout",
                                        G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT,
                                        m_state->info.samplerate, "channels", G_TYPE_INT, channels, nullptr);
    if (channels > 2)
        gst_caps_set_simple(caps, "channel-mask", GST_TYPE_BITMASK,
                            gst_audio_channel_get_fallback_mask(channels), nullptr);
    g_object_set(appsrc, "caps", caps, "format", GST_FORMAT_TIME, "stream-type", GST_APP_STREAM_TYPE_SEEKABLE,
                 "duration", m_state->TimeOf(m_state->info.frames), nullptr);
    gst_caps_unref(caps);
    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = [](GstAppSrc* source, guint, gpointer data) {
        (*static_cast<std::shared_ptr<State>*>(data))->NeedData(source);
    };
    callbacks.seek_data = [](GstAppSrc*, guint64 ns, gpointer data) -> gboolean {
        return (*static_cast<std::shared_ptr<State>*>(data))->SeekTo(ns);
    };
    gst_app_src_set_callbacks(GST_APP_SRC(appsrc), &callbacks, new std::shared_ptr<State>(m_state),
                              [](gpointer data) { delete static_cast<std::shared_ptr<State>*>(data); });
}
