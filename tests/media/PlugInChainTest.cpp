// SPDX-License-Identifier: GPL-3.0-or-later
// The effect plug-in chain: its stored form, its state round trip through
// real LADSPA elements, and its place in a playing track.
#include "media/PlugInChain.h"

#include "EventRecorder.h"
#include "media/DirectShowTrack.h"

#include <gst/gst.h>

#include <algorithm>

namespace {

// From swh-plugins: a mono amplifier and a mono delay line.
const QString kAmp = QStringLiteral("Simple amplifier");
const QString kDelay = QStringLiteral("Simple delay line, noninterpolating");

float FloatProperty(GstElement* element, const char* name)
{
    gfloat value = -1;
    g_object_get(element, name, &value, nullptr);
    return value;
}

// The installed plug-in of that name, with one property moved off its default.
CPlugInFilter MakeFilter(const QString& name, const char* property = nullptr, float value = 0)
{
    CPlugInFilter filter = CPlugInChain::CreateByName(name).value();
    if (property) {
        GstElement* element = GST_ELEMENT(gst_object_ref_sink(filter.CreateInstance()));
        g_object_set(element, property, value, nullptr);
        filter.SaveState(element);
        gst_object_unref(element);
    }
    return filter;
}

using PlugInChainTest = TrackTest;

} // namespace

TEST_F(PlugInChainTest, EnumeratesInstalledAudioEffectsAndCreatesByName)
{
    const std::vector<CPlugInInfo> all = CPlugInChain::AvailablePlugIns();
    ASSERT_GT(all.size(), 50u) << "swh, tap and lsp plug-ins are installed";
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](auto& a, auto& b) { return a.name < b.name; }));
    const auto factories = [&](const QString& prefix) {
        return std::count_if(all.begin(), all.end(), [&](auto& p) { return p.factory.startsWith(prefix); });
    };
    EXPECT_GT(factories(QStringLiteral("plugin-org-uk-swh-plugins-")), 0) << "swh-lv2";
    EXPECT_EQ(factories(QStringLiteral("audioconvert")), 0) << "a converter";
    EXPECT_EQ(factories(QStringLiteral("audiotestsrc")), 0) << "a source";

    EXPECT_TRUE(MakeFilter(kAmp).Data().contains("amps-gain"));
    EXPECT_FALSE(CPlugInChain::CreateByName(QStringLiteral("No such plug-in")));

    const std::pair<const char*, const char*> clsids[] = {
        {"{abc}", "abc"}, {"abc", ""}, {"{}", ""}, {"{abc", ""}, {"abc}", ""}};
    for (const auto& [clsid, factory] : clsids)
        EXPECT_EQ(CPlugInFilter::FactoryFromClsid(QString::fromUtf8(clsid)), QString::fromUtf8(factory))
            << clsid;
}

TEST_F(PlugInChainTest, SaveLoadKeepsSettingsAndUninstalledEntriesAndDropsBrokenOnes)
{
    // The items' chain and the air chain are stored the same way.
    for (const QString& key : {kPlugInChainKey, kAirChainKey}) {
        SCOPED_TRACE(key.toStdString());
        const CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        const auto Entry = [&](const QString& name) {
            return CRegistryKey::Create(CRegistryKey::OpenAppSubkey(key), name);
        };
        CPlugInChain chain;
        chain.filters = {MakeFilter(kAmp, "amps-gain", -6.25f), MakeFilter(kDelay), MakeFilter(kAmp),
                         MakeFilter(kDelay, "delay-time", 0.125f), MakeFilter(kAmp, "amps-gain", -1.0f)};
        chain.outputFilter = MakeFilter(kDelay, "delay-time", 0.25f);
        chain.Save(app, key);

        reg::ValueType type = reg::ValueType::None;
        QByteArray data;
        const CRegistryKey first = Entry(QStringLiteral("Filter 0"));
        EXPECT_EQ(
            (std::tuple{CRegistryKey::OpenAppSubkey(key).GetNumber(QStringLiteral("FilterCount"), -1),
                        first.GetText(QStringLiteral("Name"), {}), first.GetText(QStringLiteral("CLSID"), {}),
                        first.GetRaw(QStringLiteral("Data"), &type, &data), type}),
            std::tuple(5, kAmp, QStringLiteral("{ladspa-amp-1181-so-amp}"), true, reg::ValueType::Binary));

        CPlugInChain loaded;
        loaded.Load(app, key);
        ASSERT_EQ(loaded.filters.size(), 5u);
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_EQ(
                std::tuple(loaded.filters[i].Name(), loaded.filters[i].Factory(), loaded.filters[i].Data()),
                std::tuple(chain.filters[i].Name(), chain.filters[i].Factory(), chain.filters[i].Data()));
        ASSERT_TRUE(loaded.outputFilter);
        EXPECT_EQ(loaded.outputFilter->Data(), chain.outputFilter->Data());
        GstElement* delay = GST_ELEMENT(gst_object_ref_sink(loaded.filters[3].CreateInstance()));
        EXPECT_EQ(FloatProperty(delay, "delay-time"), 0.125f);
        gst_object_unref(delay);

        Entry(QStringLiteral("Filter 1"))
            .SetText(QStringLiteral("CLSID"), QStringLiteral("{ladspa-uninstalled-so-gone}"));
        Entry(QStringLiteral("Filter 2")).SetBinary(QStringLiteral("Data"), QByteArray());
        Entry(QStringLiteral("Filter 3")).SetText(QStringLiteral("CLSID"), chain.filters[3].Factory());
        Entry(QStringLiteral("Filter 4")).SetText(QStringLiteral("Data"), QStringLiteral("x"));
        loaded.Load(app, key);
        ASSERT_EQ(loaded.filters.size(), 2u);
        // A plug-in missing for now stays in the chain and is saved again.
        EXPECT_EQ(std::tuple(loaded.filters[0].Data(), loaded.filters[1].Factory(), loaded.Missing()),
                  std::tuple(chain.filters[0].Data(), QStringLiteral("ladspa-uninstalled-so-gone"),
                             std::vector<const CPlugInFilter*>{&loaded.filters[1]}));
        loaded.Save(app, key);
        loaded.Load(app, key);
        EXPECT_EQ(loaded.filters.size(), 2u);

        // A shorter chain: the older entries past its count are ignored.
        chain.Save(app, key);
        chain.filters.erase(chain.filters.begin() + 1, chain.filters.end());
        chain.outputFilter.reset();
        chain.Save(app, key);
        loaded.Load(app, key);
        EXPECT_EQ(loaded.filters.size(), 1u);
        EXPECT_FALSE(loaded.outputFilter);
    }
    // Each chain keeps its own entries.
    CPlugInChain items, air;
    SaveAirChain(CPlugInChain());
    LoadPlugInChain(items);
    LoadAirChain(air);
    EXPECT_EQ(std::tuple(items.filters.size(), air.filters.size()),
              std::tuple(std::size_t{1}, std::size_t{0}));
}

TEST_F(PlugInChainTest, ATrackPlaysThroughTheChainAndARefusedElementIsReported)
{
    CPlugInChain& chain = CTrackEnvironment::Chain();
    chain.filters = {
        MakeFilter(kAmp, "amps-gain", -3.0f),
        CPlugInFilter(QStringLiteral("Picture converter"), QStringLiteral("videoconvert"), "state;"),
        CPlugInFilter(QStringLiteral("Gone"), QStringLiteral("ladspa-uninstalled-so-gone"), "state;"),
        MakeFilter(kDelay, "delay-time", 0.01f), MakeFilter(kAmp, "amps-gain", -6.0f)};
    chain.outputFilter = CPlugInFilter(QStringLiteral("Sink"), QStringLiteral("fakesink"),
                                       QByteArray("state;"));
    RecordingUi ui;
    CTrackEnvironment::SetUserInterface(&ui);

    CDirectShowTrack track;
    track.Open(TestMedia::ToneWav(TestEnv::MakeTempDir(), QStringLiteral("b"), 440, 0.3), &owner);
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("Failed to add filter Picture converter")});
    EXPECT_EQ(ui.icons, QList{UserInterface::Icon::Warning});
    EXPECT_EQ(chain.filters.size(), 5u) << "a refused entry stays in the chain";
    EXPECT_FALSE(chain.outputFilter) << "a failing output entry is removed";

    // The chain's elements are found live by name, the first of a name.
    const std::tuple<QString, const char*, float> found[] = {{kAmp, "amps-gain", -3.0f},
                                                             {kDelay, "delay-time", 0.01f}};
    for (const auto& [name, property, value] : found) {
        GstElement* live = CPlugInChain::FindInPipeline(track.Pipeline(), name);
        ASSERT_NE(live, nullptr) << qPrintable(name);
        EXPECT_EQ(FloatProperty(live, property), value) << qPrintable(name);
        gst_object_unref(live);
    }
    EXPECT_EQ(CPlugInChain::FindInPipeline(track.Pipeline(), QStringLiteral("Nothing")), nullptr);
    track.Play();
    EXPECT_TRUE(owner.WaitForEnds(1));
    EXPECT_TRUE(owner.errors.empty());
}
