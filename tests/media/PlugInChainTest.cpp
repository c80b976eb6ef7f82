// The effect plug-in chain: its stored form, its state round trip through
// real LADSPA elements, and its place in a playing track.
#include "media/PlugInChain.h"

#include "EventRecorder.h"
#include "GstTestMedia.h"
#include "media/DirectShowTrack.h"
#include "media/TrackEnvironment.h"
#include "media/TrackFactory.h"
#include "platform/registry/RegistryKey.h"
#include "support/TestEnv.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

// From swh-plugins: a mono amplifier and a mono delay line.
const char* const kAmp = "ladspa-amp-1181-so-amp";
const char* const kDelay = "ladspa-delay-1898-so-delay-n";

float FloatProperty(GstElement* element, const char* name)
{
    gfloat value = -1;
    g_object_get(element, name, &value, nullptr);
    return value;
}

CPlugInFilter MakeFilter(const char* factory, const char* property = nullptr, float value = 0)
{
    CPlugInFilter filter(QString(), QString::fromUtf8(factory));
    GstElement* element = filter.CreateInstance();
    EXPECT_NE(element, nullptr) << factory;
    gst_object_ref_sink(element);
    if (property)
        g_object_set(element, property, value, nullptr);
    filter.SaveState(element);
    GstElementFactory* f = gst_element_get_factory(element);
    CPlugInFilter named(QString::fromUtf8(gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME)),
                        filter.Factory(), filter.Data());
    gst_object_unref(element);
    return named;
}

class PlugInChainTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDirectShowAvailable());
        qputenv("LIRANA_AUDIO_SINK", "fakesink sync=true");
        CTrackEnvironment::Reset();
        CRegistryKey::OpenAppSubkey(QString()).DeleteSubkey(kPlugInChainKey);
    }
    void TearDown() override
    {
        CTrackEnvironment::Reset();
        qunsetenv("LIRANA_AUDIO_SINK");
    }
    static CRegistryKey ChainKey() { return CRegistryKey::OpenAppSubkey(kPlugInChainKey); }
};

} // namespace

TEST_F(PlugInChainTest, EnumeratesInstalledAudioEffectsAndCreatesByName)
{
    const std::vector<CPlugInInfo> all = CPlugInChain::AvailablePlugIns();
    ASSERT_GT(all.size(), 50u) << "swh, tap and lsp plug-ins are installed";
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](auto& a, auto& b) { return a.name < b.name; }));
    const auto amp = std::find_if(all.begin(), all.end(), [](auto& p) { return p.factory == kAmp; });
    ASSERT_NE(amp, all.end());
    EXPECT_EQ(amp->name, QStringLiteral("Simple amplifier"));
    const auto has = [&](auto pred) { return std::any_of(all.begin(), all.end(), pred); };
    EXPECT_TRUE(has([](auto& p) { return p.factory.startsWith(QStringLiteral("plugin-org-uk-swh-plugins-")); })) << "swh-lv2";
    EXPECT_FALSE(has([](auto& p) { return p.factory == QStringLiteral("audioconvert"); })) << "a converter";
    EXPECT_FALSE(has([](auto& p) { return p.factory == QStringLiteral("audiotestsrc"); })) << "a source";

    const std::optional<CPlugInFilter> created = CPlugInChain::CreateByName(QStringLiteral("Simple amplifier"));
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Clsid(), QStringLiteral("{ladspa-amp-1181-so-amp}"));
    EXPECT_TRUE(created->Data().contains("amps-gain")) << created->Data().constData();
    EXPECT_FALSE(CPlugInChain::CreateByName(QStringLiteral("No such plug-in")));

    EXPECT_EQ(CPlugInFilter::FactoryFromClsid(QStringLiteral("{abc}")), QStringLiteral("abc"));
    EXPECT_EQ(CPlugInFilter::FactoryFromClsid(QStringLiteral("abc")), QString());
    EXPECT_EQ(CPlugInFilter::FactoryFromClsid(QStringLiteral("{}")), QString());
    EXPECT_EQ(CPlugInFilter::FactoryFromClsid(QStringLiteral("{abc")), QString());
}

TEST_F(PlugInChainTest, TwoEffectsSaveLoadAndRebuildWithTheirSettings)
{
    CPlugInChain chain;
    chain.filters.push_back(MakeFilter(kAmp, "amps-gain", -6.25f));
    chain.filters.push_back(MakeFilter(kDelay, "delay-time", 0.125f));
    chain.filters.push_back(MakeFilter(kAmp)); // left at its defaults
    SavePlugInChain(chain);

    CRegistryKey key = ChainKey();
    EXPECT_EQ(key.GetNumber(QStringLiteral("FilterCount"), -1), 3);
    CRegistryKey first = CRegistryKey::Create(key, QStringLiteral("Filter 0"));
    EXPECT_EQ(first.GetText(QStringLiteral("Name"), {}), QStringLiteral("Simple amplifier"));
    EXPECT_EQ(first.GetText(QStringLiteral("CLSID"), {}), QStringLiteral("{ladspa-amp-1181-so-amp}"));
    reg::ValueType type = reg::ValueType::None;
    QByteArray data;
    ASSERT_TRUE(first.GetRaw(QStringLiteral("Data"), &type, &data));
    EXPECT_EQ(type, reg::ValueType::Binary);

    CPlugInChain loaded;
    LoadPlugInChain(loaded);
    ASSERT_EQ(loaded.filters.size(), 3u);
    EXPECT_FALSE(loaded.outputFilter);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.filters[i].Name(), chain.filters[i].Name());
        EXPECT_EQ(loaded.filters[i].Factory(), chain.filters[i].Factory());
        EXPECT_EQ(loaded.filters[i].Data(), chain.filters[i].Data());
    }
    GstElement* amp = GST_ELEMENT(gst_object_ref_sink(loaded.filters[0].CreateInstance()));
    GstElement* delay = GST_ELEMENT(gst_object_ref_sink(loaded.filters[1].CreateInstance()));
    EXPECT_EQ(FloatProperty(amp, "amps-gain"), -6.25f);
    EXPECT_EQ(FloatProperty(delay, "delay-time"), 0.125f);
    gst_object_unref(amp);
    gst_object_unref(delay);

    // The chain plays in a track; its elements are found live by name.
    CTrackEnvironment::Chain() = loaded;
    RecordingUi ui;
    CTrackEnvironment::SetUserInterface(&ui);
    const QString wav = GstTestMedia::WriteTone(TestEnv::MakeTempDir(), QStringLiteral("a.wav"), 0.3, "wavenc");
    EventRecorder owner;
    CDirectShowTrack track;
    track.Open(wav, &owner);
    GstElement* live = CPlugInChain::FindInPipeline(track.Pipeline(), QStringLiteral("Simple amplifier"));
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(FloatProperty(live, "amps-gain"), -6.25f) << "the first entry of that name";
    gst_object_unref(live);
    EXPECT_EQ(CPlugInChain::FindInPipeline(track.Pipeline(), QStringLiteral("Nothing")), nullptr);
    track.Play();
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, 3000));
    EXPECT_TRUE(owner.errors.empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PlugInChainTest, LoadKeepsUninstalledAndDropsEmptyAndMalformedEntries)
{
    CPlugInChain chain;
    chain.filters.push_back(MakeFilter(kAmp, "amps-gain", 3.0f));
    chain.filters.push_back(MakeFilter(kDelay));
    chain.filters.push_back(MakeFilter(kAmp));
    chain.filters.push_back(MakeFilter(kDelay, "delay-time", 0.5f));
    chain.filters.push_back(MakeFilter(kAmp, "amps-gain", -1.0f));
    chain.outputFilter = MakeFilter(kDelay, "delay-time", 0.25f);
    SavePlugInChain(chain);

    CRegistryKey key = ChainKey();
    CRegistryKey::Create(key, QStringLiteral("Filter 1")).SetText(QStringLiteral("CLSID"),
                                                                 QStringLiteral("{ladspa-uninstalled-so-gone}"));
    CRegistryKey::Create(key, QStringLiteral("Filter 2")).SetBinary(QStringLiteral("Data"), QByteArray());
    CRegistryKey::Create(key, QStringLiteral("Filter 3")).SetText(QStringLiteral("CLSID"), kDelay);
    CRegistryKey::Create(key, QStringLiteral("Filter 4")).SetText(QStringLiteral("Data"), QStringLiteral("x"));

    CPlugInChain loaded;
    LoadPlugInChain(loaded);
    ASSERT_EQ(loaded.filters.size(), 2u);
    EXPECT_EQ(loaded.filters[0].Data(), chain.filters[0].Data());
    ASSERT_TRUE(loaded.outputFilter);
    EXPECT_EQ(loaded.outputFilter->Data(), chain.outputFilter->Data());
    // A plug-in missing for now stays in the chain and is saved again.
    EXPECT_EQ(loaded.filters[1].Factory(), QStringLiteral("ladspa-uninstalled-so-gone"));
    ASSERT_EQ(loaded.Missing().size(), 1u);
    EXPECT_EQ(loaded.Missing()[0], &loaded.filters[1]);
    SavePlugInChain(loaded);
    LoadPlugInChain(loaded);
    EXPECT_EQ(loaded.filters.size(), 2u);
    SavePlugInChain(chain);

    // A shorter chain leaves the older entries in place; loading ignores them.
    CPlugInChain shorter;
    shorter.filters.push_back(chain.filters[0]);
    SavePlugInChain(shorter);
    EXPECT_EQ(CRegistryKey::Create(ChainKey(), QStringLiteral("Filter 4")).GetText(QStringLiteral("Name"), {}),
              QStringLiteral("Simple amplifier"));
    EXPECT_EQ(ChainKey().SubkeyCount(), 5) << "no OutputFilter any more";
    LoadPlugInChain(loaded);
    EXPECT_EQ(loaded.filters.size(), 1u);
    EXPECT_FALSE(loaded.outputFilter);
}

TEST_F(PlugInChainTest, RefusedElementIsReportedAndTheTrackStillPlays)
{
    CPlugInChain& chain = CTrackEnvironment::Chain();
    chain.filters.push_back(MakeFilter(kAmp, "amps-gain", -3.0f));
    chain.filters.emplace_back(QStringLiteral("Picture converter"), QStringLiteral("videoconvert"),
                               QByteArray("state;"));
    chain.filters.emplace_back(QStringLiteral("Gone"), QStringLiteral("ladspa-uninstalled-so-gone"),
                               QByteArray("state;"));
    chain.filters.push_back(MakeFilter(kDelay, "delay-time", 0.01f));
    chain.outputFilter = CPlugInFilter(QStringLiteral("Sink"), QStringLiteral("fakesink"), QByteArray("state;"));
    RecordingUi ui;
    CTrackEnvironment::SetUserInterface(&ui);

    const QString wav = GstTestMedia::WriteTone(TestEnv::MakeTempDir(), QStringLiteral("b.wav"), 0.3, "wavenc");
    EventRecorder owner;
    CDirectShowTrack track;
    track.Open(wav, &owner);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].first, QStringLiteral("Failed to add filter Picture converter"));
    EXPECT_EQ(ui.messages[0].second, UserInterface::Icon::Warning);
    EXPECT_EQ(chain.filters.size(), 4u) << "a refused entry stays in the chain";
    EXPECT_FALSE(chain.outputFilter) << "a failing output entry is removed";

    GstElement* delay = CPlugInChain::FindInPipeline(track.Pipeline(), chain.filters[3].Name());
    ASSERT_NE(delay, nullptr);
    EXPECT_EQ(FloatProperty(delay, "delay-time"), 0.01f);
    gst_object_unref(delay);
    track.Play();
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return !owner.ends.empty(); }, 3000));
    EXPECT_TRUE(owner.errors.empty());
}
