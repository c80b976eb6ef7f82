// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/PlugInChain.h"

#include "media/TrackFactory.h"
#include "platform/registry/RegistryKey.h"

#include <gst/gst.h>

#include <algorithm>
#include <cstring>

namespace {

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
    return klass && std::strstr(klass, "Filter/Effect/Audio") && HasRawAudioTemplate(factory, GST_PAD_SINK) &&
           HasRawAudioTemplate(factory, GST_PAD_SRC);
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
    const QString factory = CPlugInFilter::FactoryFromClsid(
        entry.GetText(QStringLiteral("CLSID"), QString()));
    if (factory.isEmpty())
        return std::nullopt;
    reg::ValueType type = reg::ValueType::None;
    QByteArray data;
    if (!entry.GetRaw(QStringLiteral("Data"), &type, &data) || type != reg::ValueType::Binary ||
        data.isEmpty())
        return std::nullopt;
    // An entry whose plug-in is not installed (for one boot after a package
    // update, say) is kept: it is stored again on save and left out of the
    // graph until the plug-in is back.
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

bool CPlugInFilter::IsInstalled() const
{
    if (!IsDirectShowAvailable())
        return false;
    GstElementFactory* factory = gst_element_factory_find(m_factory.toUtf8().constData());
    if (factory)
        gst_object_unref(factory);
    return factory != nullptr;
}

std::vector<const CPlugInFilter*> CPlugInChain::Missing() const
{
    std::vector<const CPlugInFilter*> missing;
    for (const CPlugInFilter& filter : filters)
        if (!filter.IsInstalled())
            missing.push_back(&filter);
    if (outputFilter && !outputFilter->IsInstalled())
        missing.push_back(&*outputFilter);
    return missing;
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
    const int count = key.GetNumber(SettingName::FilterCount, 0);
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
    key.SetNumber(SettingName::FilterCount, static_cast<std::int32_t>(filters.size()));
    if (outputFilter)
        WriteEntry(CRegistryKey::Create(key, QStringLiteral("OutputFilter")), *outputFilter);
    else
        key.DeleteSubkey(QStringLiteral("OutputFilter"));
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

void LoadPlugInChain(CPlugInChain& chain)
{
    chain.Load(AppKey(), kPlugInChainKey);
}

void SavePlugInChain(const CPlugInChain& chain)
{
    chain.Save(AppKey(), kPlugInChainKey);
}

void LoadAirChain(CPlugInChain& chain)
{
    chain.Load(AppKey(), kAirChainKey);
}

void SaveAirChain(const CPlugInChain& chain)
{
    chain.Save(AppKey(), kAirChainKey);
}
