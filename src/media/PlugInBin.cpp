// SPDX-License-Identifier: GPL-3.0-or-later
// A plug-in chain made into one bin, put into a track's playbin or into the
// air bus's output, and its live elements found again there.
#include "media/PlugInChain.h"

#include "app/UserInterface.h"

#include <QCoreApplication>

#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace {

const char* const kNameKey = "lirana-plugin-name";
const char* const kBinName = "lirana-plugins";

// True when element takes exactly one channel on its sink pad.
bool IsMonoOnly(GstElement* element)
{
    GstPad* pad = gst_element_get_static_pad(element, "sink");
    if (!pad)
        return false;
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    gst_object_unref(pad);
    bool mono = caps && !gst_caps_is_empty(caps) && !gst_caps_is_any(caps);
    for (guint i = 0; mono && i < gst_caps_get_size(caps); ++i) {
        int channels = 0;
        mono = gst_structure_get_int(gst_caps_get_structure(caps, i), "channels", &channels) && channels == 1;
    }
    if (caps)
        gst_caps_unref(caps);
    return mono;
}

// audioconvert's mix-matrix taking channel ch (0 left, 1 right) of two
// into one: << left, right >> as one row.
void SetPickMatrix(GstElement* convert, int ch)
{
    GValue row = G_VALUE_INIT;
    GValue matrix = G_VALUE_INIT;
    g_value_init(&row, GST_TYPE_ARRAY);
    g_value_init(&matrix, GST_TYPE_ARRAY);
    for (int i = 0; i < 2; ++i) {
        GValue gain = G_VALUE_INIT;
        g_value_init(&gain, G_TYPE_FLOAT);
        g_value_set_float(&gain, i == ch ? 1.0f : 0.0f);
        gst_value_array_append_value(&row, &gain);
        g_value_unset(&gain);
    }
    gst_value_array_append_value(&matrix, &row);
    g_object_set_property(G_OBJECT(convert), "mix-matrix", &matrix);
    g_value_unset(&row);
    g_value_unset(&matrix);
}

GstElement* Make(GstBin* bin, const char* factory)
{
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element)
        gst_bin_add(bin, element);
    return element;
}

// A mono plug-in runs once per channel of the stereo programme: the bin
// splits left and right, runs one instance on each and interleaves them
// again, so the station keeps its stereo image. Null when an element is
// missing. Takes the first instance (floating) and makes the second from
// filter.
GstElement* MakePerChannel(GstElement* firstInstance, const CPlugInFilter& filter)
{
    GstElement* second = filter.CreateInstance();
    GstBin* bin = GST_BIN(gst_bin_new(nullptr));
    GstElement* in = Make(bin, "audioconvert");
    GstElement* stereo = Make(bin, "capsfilter");
    GstElement* tee = Make(bin, "tee");
    GstElement* interleave = Make(bin, "interleave");
    if (!second || !in || !stereo || !tee || !interleave) {
        if (second)
            gst_object_unref(gst_object_ref_sink(second));
        gst_object_unref(gst_object_ref_sink(firstInstance));
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    GstCaps* caps = gst_caps_from_string("audio/x-raw,channels=2,channel-mask=(bitmask)0x3");
    g_object_set(stereo, "caps", caps, nullptr);
    gst_caps_unref(caps);
    // interleave's property is a GValueArray, deprecated in GLib but the
    // type the element takes.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GValueArray* positions = g_value_array_new(2);
    for (const GstAudioChannelPosition position :
         {GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT, GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT}) {
        GValue value = G_VALUE_INIT;
        g_value_init(&value, GST_TYPE_AUDIO_CHANNEL_POSITION);
        g_value_set_enum(&value, position);
        g_value_array_append(positions, &value);
        g_value_unset(&value);
    }
    g_object_set(interleave, "channel-positions-from-input", FALSE, "channel-positions", positions, nullptr);
    g_value_array_free(positions);
    G_GNUC_END_IGNORE_DEPRECATIONS
    bool linked = gst_element_link_many(in, stereo, tee, nullptr);
    GstElement* instances[2] = {firstInstance, second};
    gst_object_set_name(GST_OBJECT(firstInstance), "left");
    gst_object_set_name(GST_OBJECT(second), "right");

    for (int ch = 0; ch < 2; ++ch) {
        GstElement* queue = Make(bin, "queue");
        GstElement* pick = Make(bin, "audioconvert");
        GstElement* mono = Make(bin, "capsfilter");
        gst_bin_add(bin, instances[ch]);
        if (!queue || !pick || !mono) {
            linked = false;
            continue;
        }
        // Each channel's queue only decouples the two instances (interleave
        // waits for both): two buffers, so the bin adds no latency of note
        // to the air it sits in.
        g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64(0),
                     nullptr);
        SetPickMatrix(pick, ch);
        GstCaps* monoCaps = gst_caps_from_string("audio/x-raw,channels=1");
        g_object_set(mono, "caps", monoCaps, nullptr);
        gst_caps_unref(monoCaps);
        linked = linked && gst_element_link_many(tee, queue, pick, mono, instances[ch], nullptr) &&
                 gst_element_link_pads(instances[ch], nullptr, interleave, "sink_%u");
    }
    if (!linked) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    GstPad* sink = gst_element_get_static_pad(in, "sink");
    GstPad* src = gst_element_get_static_pad(interleave, "src");
    gst_element_add_pad(GST_ELEMENT(bin), gst_ghost_pad_new("sink", sink));
    gst_element_add_pad(GST_ELEMENT(bin), gst_ghost_pad_new("src", src));
    gst_object_unref(sink);
    gst_object_unref(src);
    return GST_ELEMENT(bin);
}

// Links audioconvert after element after last; returns that audioconvert, or
// null when the bin refuses the element (the bin is then as before).
GstElement* AppendLinked(GstBin* bin, GstElement* last, GstElement* element, const QString& name, int index)
{
    gst_object_ref_sink(element);
    const QByteArray elementName = QByteArray("plugin") + QByteArray::number(index);
    gst_object_set_name(GST_OBJECT(element), elementName.constData());
    g_object_set_data_full(G_OBJECT(element), kNameKey, g_strdup(name.toUtf8().constData()), g_free);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    if (!convert || !gst_bin_add(bin, element)) {
        if (convert)
            gst_object_unref(gst_object_ref_sink(convert));
        gst_object_unref(element);
        return nullptr;
    }
    gst_object_ref_sink(convert);
    gst_bin_add(bin, convert);
    const bool linked = gst_element_link(last, element) && gst_element_link(element, convert);
    if (!linked) {
        gst_bin_remove(bin, element);
        gst_bin_remove(bin, convert);
    }
    gst_object_unref(element);
    gst_object_unref(convert);
    return linked ? convert : nullptr;
}

} // namespace

GstElement* CPlugInChain::MakeBin(const std::function<void(const QString&)>& refused,
                                  bool* outputFailed) const
{
    if (outputFailed)
        *outputFailed = false;
    if (filters.empty() && !outputFilter)
        return nullptr;
    GstElement* bin = gst_bin_new(kBinName);
    GstElement* first = gst_element_factory_make("audioconvert", nullptr);
    if (!first) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    gst_bin_add(GST_BIN(bin), first);
    GstElement* last = first;
    int index = 0;
    for (const CPlugInFilter& filter : filters) {
        GstElement* element = filter.CreateInstance();
        if (!element)
            continue; // not installed: kept in the chain, left out here
        if (IsMonoOnly(element))
            element = MakePerChannel(element, filter);
        GstElement* next = element ? AppendLinked(GST_BIN(bin), last, element, filter.Name(), index++)
                                   : nullptr;
        if (next)
            last = next;
        else if (refused)
            refused(filter.Name());
    }
    if (outputFilter && outputFilter->IsInstalled()) {
        GstElement* element = outputFilter->CreateInstance();
        if (element && IsMonoOnly(element))
            element = MakePerChannel(element, *outputFilter);
        GstElement* next = element ? AppendLinked(GST_BIN(bin), last, element, outputFilter->Name(), index++)
                                   : nullptr;
        if (next)
            last = next;
        else if (outputFailed)
            *outputFailed = true;
    }
    if (last == first) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    GstPad* sink = gst_element_get_static_pad(first, "sink");
    GstPad* src = gst_element_get_static_pad(last, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", src));
    gst_object_unref(sink);
    gst_object_unref(src);
    return bin;
}

void CPlugInChain::AddToGraph(GstElement* playbin, UserInterface* ui)
{
    bool outputFailed = false;
    GstElement* bin = MakeBin(
        [ui](const QString& name) {
            if (ui)
                ui->ShowMessage(
                    QCoreApplication::translate("PlugInChain", "Failed to add filter %1").arg(name),
                    UserInterface::Icon::Warning);
        },
        &outputFailed);
    if (outputFailed)
        outputFilter.reset();
    if (bin)
        g_object_set(playbin, "audio-filter", bin, nullptr);
}

GstElement* CPlugInChain::FindInPipeline(GstElement* playbin, const QString& name)
{
    GstElement* bin = nullptr;
    if (!playbin)
        return nullptr;
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(playbin), "audio-filter"))
        g_object_get(playbin, "audio-filter", &bin, nullptr);
    else if (GST_IS_BIN(playbin))
        bin = gst_bin_get_by_name(GST_BIN(playbin), kBinName);
    if (!bin)
        return nullptr;
    const QByteArray wanted = name.toUtf8();
    GstElement* found = nullptr;
    int foundIndex = 0;
    if (GST_IS_BIN(bin)) {
        // Chain order is the number in the element's name "plugin%d".
        GstIterator* it = gst_bin_iterate_elements(GST_BIN(bin));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* element = GST_ELEMENT(g_value_get_object(&item));
            const auto* stored = static_cast<const gchar*>(g_object_get_data(G_OBJECT(element), kNameKey));
            const QByteArray elementName(GST_OBJECT_NAME(element));
            const int index = elementName.mid(6).toInt();
            if (stored && wanted == stored && (!found || index < foundIndex)) {
                if (found)
                    gst_object_unref(found);
                // A mono plug-in runs per channel: its left instance stands
                // for the entry.
                GstElement* left = GST_IS_BIN(element) ? gst_bin_get_by_name(GST_BIN(element), "left")
                                                       : nullptr;
                found = left ? left : GST_ELEMENT(gst_object_ref(element));
                foundIndex = index;
            }
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
    }
    gst_object_unref(bin);
    return found;
}

GstElement* CPlugInChain::RightInstance(GstElement* left)
{
    if (!left || g_strcmp0(GST_OBJECT_NAME(left), "left") != 0)
        return nullptr;
    GstObject* parent = gst_object_get_parent(GST_OBJECT(left));
    GstElement* right = parent && GST_IS_BIN(parent) ? gst_bin_get_by_name(GST_BIN(parent), "right")
                                                     : nullptr;
    if (parent)
        gst_object_unref(parent);
    return right;
}
