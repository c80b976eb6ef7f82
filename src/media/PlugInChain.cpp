#include "media/PlugInChain.h"

#include "app/UserInterface.h"
#include "media/TrackFactory.h"
#include "platform/registry/RegistryKey.h"

#include <gst/gst.h>

#include <algorithm>
#include <cstring>

namespace {

const char* const kNameKey = "lirana-plugin-name";
const char* const kStateName = "state";

bool HasRawAudioTemplate(GstElementFactory* factory, GstPadDirection direction)
{
    for (const GList* l = gst_element_factory_get_static_pad_templates(factory); l; l = l->next) {
        auto* templ = static_cast<GstStaticPadTemplate*>(l->data);
        if (templ->direction != direction || templ->presence != GST_PAD_ALWAYS)
            continue;
        GstCaps* caps = gst_static_caps_get(&templ->static_caps);
        bool raw = false;
        for (guint i = 0; caps && i < gst_caps_get_size(caps) && !raw; ++i)
            raw = gst_structure_has_name(gst_caps_get_structure(caps, i), "audio/x-raw");
        if (caps)
            gst_caps_unref(caps);
        if (raw)
            return true;
    }
    return false;
}

bool IsAudioEffect(GstElementFactory* factory)
{
    const gchar* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    return klass && std::strstr(klass, "Filter/Effect/Audio") &&
           HasRawAudioTemplate(factory, GST_PAD_SINK) && HasRawAudioTemplate(factory, GST_PAD_SRC);
}

QString LongName(GstElementFactory* factory)
{
    return QString::fromUtf8(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME));
}

bool IsStateProperty(const GParamSpec* spec)
{
    const GParamFlags flags = spec->flags;
    return (flags & G_PARAM_READABLE) && (flags & G_PARAM_WRITABLE) && !(flags & G_PARAM_CONSTRUCT_ONLY) &&
           spec->owner_type != GST_TYPE_OBJECT;
}

std::optional<CPlugInFilter> ReadEntry(const CRegistryKey& entry)
{
    const QString name = entry.GetText(QStringLiteral("Name"), QString());
    const QString factory = CPlugInFilter::FactoryFromClsid(entry.GetText(QStringLiteral("CLSID"), QString()));
    if (factory.isEmpty())
        return std::nullopt;
    reg::ValueType type = reg::ValueType::None;
    QByteArray data;
    if (!entry.GetRaw(QStringLiteral("Data"), &type, &data) || type != reg::ValueType::Binary || data.isEmpty())
        return std::nullopt;
    GstElementFactory* installed = gst_element_factory_find(factory.toUtf8().constData());
    if (!installed)
        return std::nullopt;
    gst_object_unref(installed);
    return CPlugInFilter(name, factory, data);
}

void WriteEntry(CRegistryKey entry, const CPlugInFilter& filter)
{
    entry.SetText(QStringLiteral("Name"), filter.Name());
    entry.SetText(QStringLiteral("CLSID"), filter.Clsid());
    entry.SetBinary(QStringLiteral("Data"), filter.Data());
}

CRegistryKey AppKey()
{
    return CRegistryKey::OpenAppSubkey(QString());
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

CPlugInFilter::CPlugInFilter(QString name, QString factory, QByteArray data)
    : m_name(std::move(name)), m_factory(std::move(factory)), m_data(std::move(data))
{
}

QString CPlugInFilter::FactoryFromClsid(const QString& clsid)
{
    const QString trimmed = clsid.trimmed();
    if (trimmed.size() < 3 || !trimmed.startsWith(u'{') || !trimmed.endsWith(u'}'))
        return QString();
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

GstElement* CPlugInFilter::CreateInstance() const
{
    if (!IsDirectShowAvailable())
        return nullptr;
    GstElement* element = gst_element_factory_make(m_factory.toUtf8().constData(), nullptr);
    if (element)
        RestoreState(element);
    return element;
}

void CPlugInFilter::SaveState(GstElement* element)
{
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
    GstStructure* state = gst_structure_new_empty(kStateName);
    for (guint i = 0; i < count; ++i) {
        if (!IsStateProperty(specs[i]))
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, specs[i]->value_type);
        g_object_get_property(G_OBJECT(element), specs[i]->name, &value);
        if (gchar* text = gst_value_serialize(&value)) {
            gst_structure_set(state, specs[i]->name, G_TYPE_STRING, text, nullptr);
            g_free(text);
        }
        g_value_unset(&value);
    }
    g_free(specs);
    if (gst_structure_n_fields(state) == 0) {
        m_data.clear();
    } else {
        gchar* text = gst_structure_to_string(state);
        m_data = QByteArray(text);
        g_free(text);
    }
    gst_structure_free(state);
}

bool CPlugInFilter::RestoreState(GstElement* element) const
{
    if (m_data.isEmpty())
        return true;
    GstStructure* state = gst_structure_from_string(m_data.constData(), nullptr);
    if (!state)
        return false;
    const int n = gst_structure_n_fields(state);
    for (int i = 0; i < n; ++i) {
        const gchar* field = gst_structure_nth_field_name(state, i);
        const gchar* text = gst_structure_get_string(state, field);
        GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element), field);
        if (!text || !spec || !IsStateProperty(spec))
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, spec->value_type);
        if (gst_value_deserialize(&value, text))
            g_object_set_property(G_OBJECT(element), field, &value);
        g_value_unset(&value);
    }
    gst_structure_free(state);
    return true;
}

void CPlugInChain::Load(const CRegistryKey& parent, const QString& name)
{
    filters.clear();
    outputFilter.reset();
    IsDirectShowAvailable();
    const CRegistryKey key = CRegistryKey::Create(parent, name);
    const int count = key.GetNumber(QStringLiteral("FilterCount"), 0);
    for (int i = 0; i < count; ++i) {
        if (auto entry = ReadEntry(CRegistryKey::Create(key, QStringLiteral("Filter %1").arg(i))))
            filters.push_back(std::move(*entry));
    }
    outputFilter = ReadEntry(CRegistryKey::Create(key, QStringLiteral("OutputFilter")));
}

void CPlugInChain::Save(const CRegistryKey& parent, const QString& name) const
{
    CRegistryKey key = CRegistryKey::Create(parent, name);
    for (std::size_t i = 0; i < filters.size(); ++i)
        WriteEntry(CRegistryKey::Create(key, QStringLiteral("Filter %1").arg(i)), filters[i]);
    key.SetNumber(QStringLiteral("FilterCount"), static_cast<std::int32_t>(filters.size()));
    if (outputFilter)
        WriteEntry(CRegistryKey::Create(key, QStringLiteral("OutputFilter")), *outputFilter);
    else
        key.DeleteSubkey(QStringLiteral("OutputFilter"));
}

void CPlugInChain::AddToGraph(GstElement* playbin, UserInterface* ui)
{
    if (filters.empty() && !outputFilter)
        return;
    GstElement* bin = gst_bin_new("lirana-plugins");
    GstElement* first = gst_element_factory_make("audioconvert", nullptr);
    if (!first) {
        gst_object_unref(gst_object_ref_sink(bin));
        return;
    }
    gst_bin_add(GST_BIN(bin), first);
    GstElement* last = first;
    int index = 0;
    for (const CPlugInFilter& filter : filters) {
        GstElement* element = filter.CreateInstance();
        if (!element)
            continue;
        if (GstElement* next = AppendLinked(GST_BIN(bin), last, element, filter.Name(), index++))
            last = next;
        else if (ui)
            ui->ShowMessage(QStringLiteral("Failed to add filter ") + filter.Name(), UserInterface::Icon::Warning);
    }
    if (outputFilter) {
        GstElement* element = outputFilter->CreateInstance();
        GstElement* next = element ? AppendLinked(GST_BIN(bin), last, element, outputFilter->Name(), index++) : nullptr;
        if (next)
            last = next;
        else
            outputFilter.reset();
    }
    if (last == first) {
        gst_object_unref(gst_object_ref_sink(bin));
        return;
    }
    GstPad* sink = gst_element_get_static_pad(first, "sink");
    GstPad* src = gst_element_get_static_pad(last, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", src));
    gst_object_unref(sink);
    gst_object_unref(src);
    g_object_set(playbin, "audio-filter", bin, nullptr);
}

std::vector<CPlugInInfo> CPlugInChain::AvailablePlugIns()
{
    std::vector<CPlugInInfo> result;
    if (!IsDirectShowAvailable())
        return result;
    GList* features = gst_registry_get_feature_list(gst_registry_get(), GST_TYPE_ELEMENT_FACTORY);
    for (GList* l = features; l; l = l->next) {
        auto* factory = GST_ELEMENT_FACTORY(l->data);
        if (IsAudioEffect(factory))
            result.push_back({LongName(factory), QString::fromUtf8(GST_OBJECT_NAME(factory))});
    }
    gst_plugin_feature_list_free(features);
    std::sort(result.begin(), result.end(), [](const CPlugInInfo& a, const CPlugInInfo& b) {
        return a.name == b.name ? a.factory < b.factory : a.name < b.name;
    });
    return result;
}

std::optional<CPlugInFilter> CPlugInChain::CreateByName(const QString& name)
{
    for (const CPlugInInfo& info : AvailablePlugIns()) {
        if (info.name != name)
            continue;
        CPlugInFilter filter(info.name, info.factory);
        GstElement* element = filter.CreateInstance();
        if (!element)
            return std::nullopt;
        gst_object_ref_sink(element);
        filter.SaveState(element);
        gst_object_unref(element);
        return filter;
    }
    return std::nullopt;
}

GstElement* CPlugInChain::FindInPipeline(GstElement* playbin, const QString& name)
{
    GstElement* bin = nullptr;
    if (!playbin || !g_object_class_find_property(G_OBJECT_GET_CLASS(playbin), "audio-filter"))
        return nullptr;
    g_object_get(playbin, "audio-filter", &bin, nullptr);
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
                found = GST_ELEMENT(gst_object_ref(element));
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

void LoadPlugInChain(CPlugInChain& chain)
{
    chain.Load(AppKey(), kPlugInChainKey);
}

void SavePlugInChain(const CPlugInChain& chain)
{
    chain.Save(AppKey(), kPlugInChainKey);
}
