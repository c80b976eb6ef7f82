// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/MediaTags.h"

#include "platform/FileNames.h"

#include <gst/gst.h>

namespace {

// Every decoded stream ends in a fakesink of its own: the sink posts the
// stream's tags as it prerolls, and no stream stops the reading as not
// linked.
void OnPadAdded(GstElement* /*decodebin*/, GstPad* pad, gpointer pipeline)
{
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (!sink)
        return;
    gst_bin_add(GST_BIN(pipeline), sink);
    gst_element_sync_state_with_parent(sink);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
}

// The first text of tag in list, trimmed; empty when absent.
QString TagText(const GstTagList* list, const char* tag)
{
    gchar* value = nullptr;
    if (!gst_tag_list_get_string(list, tag, &value))
        return {};
    QString text = QString::fromUtf8(value).trimmed();
    g_free(value);
    return text;
}

} // namespace

QString MediaTags::OnAirText() const
{
    if (title.isEmpty())
        return {};
    return artist.isEmpty() ? title : artist + QStringLiteral(" - ") + title;
}

MediaTags ReadMediaTags(const QString& path, int timeoutMs)
{
    MediaTags tags;
    GstElement* pipeline = gst_pipeline_new("lirana-tag-read");
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    if (!source || !decoder) {
        for (GstElement* e : {source, decoder})
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        gst_object_unref(pipeline);
        return tags;
    }
    g_object_set(source, "location", FileNameBytes(path).constData(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, decoder, nullptr);
    gst_element_link(source, decoder);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(OnPadAdded), pipeline);

    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE) {
        GstBus* bus = gst_element_get_bus(pipeline);
        const gint64 deadline = g_get_monotonic_time() + gint64(timeoutMs) * 1000;
        const auto types = static_cast<GstMessageType>(GST_MESSAGE_TAG | GST_MESSAGE_ASYNC_DONE |
                                                       GST_MESSAGE_ERROR);
        // Tags come before the preroll is done; the first artist and title
        // seen win (a container's before a stream's of the same name).
        for (;;) {
            const gint64 left = deadline - g_get_monotonic_time();
            GstMessage* message = left > 0 ? gst_bus_timed_pop_filtered(bus, GstClockTime(left) * GST_USECOND,
                                                                        types)
                                           : nullptr;
            if (!message)
                break;
            const bool done = GST_MESSAGE_TYPE(message) != GST_MESSAGE_TAG;
            if (!done) {
                GstTagList* list = nullptr;
                gst_message_parse_tag(message, &list);
                if (tags.artist.isEmpty())
                    tags.artist = TagText(list, GST_TAG_ARTIST);
                if (tags.title.isEmpty())
                    tags.title = TagText(list, GST_TAG_TITLE);
                gst_tag_list_unref(list);
            }
            gst_message_unref(message);
            if (done)
                break;
        }
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return tags;
}
