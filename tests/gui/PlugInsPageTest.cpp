// SPDX-License-Identifier: GPL-3.0-or-later
// The Plug-ins page of the Advanced Options sheet and its two dialogs: the
// stored chain shown in order, Add, Remove and a changed setting stored on
// OK only, an uninstalled entry kept at its place, the air chain's list
// stored beside it, each kind of setting set within its range. (The live elements of a playing item:
// PlugInsPageAirTest.)
#include "gui/dialogs/PlugInsPage.h"
#include "ConsoleFixture.h"
#include "gui/dialogs/AddPlugInDlg.h"
#include "gui/dialogs/PlugInList.h"
#include "gui/dialogs/PlugInPropertiesDlg.h"
#include "media/TrackEnvironment.h"

#include <gst/gst.h>

namespace {

const QString kAmp = "Simple amplifier";

// Types into a field of the editor and leaves it; returns what it shows then.
QString Type(QWidget& editor, const char* property, const char* text)
{
    auto* field = editor.findChild<QLineEdit*>(QStringLiteral("prop-") + QLatin1String(property));
    field->setText(QLatin1String(text));
    emit field->editingFinished();
    return field->text();
}

class PlugInsPage : public ConsoleTest
{
protected:
    void SetUp() override
    {
        ConsoleTest::SetUp();
        CTrackEnvironment::Chain().filters = {
            CPlugInFilter(kAmp, "ladspa-amp-1181-so-amp", "state, amps-gain=(string)-6;"),
            CPlugInFilter("Gone", "ladspa-gone-1-so-gone", "state, a=(string)3;"),
            *CPlugInChain::CreateByName("DJ EQ")};
        SavePlugInChain(CTrackEnvironment::Chain());
        CTrackEnvironment::AirChain().filters = {CTrackEnvironment::Chain().filters[2]};
        SaveAirChain(CTrackEnvironment::AirChain());
    }
    void TearDown() override { CTrackEnvironment::Reset(); }

    // The chain's entries, or the stored ones (of the air chain with air).
    static QStringList Entries(const CPlugInChain* chain = nullptr, bool air = false)
    {
        CPlugInChain stored;
        const CPlugInChain& from = chain ? *chain : ((air ? LoadAirChain : LoadPlugInChain)(stored), stored);
        QStringList entries;
        for (const CPlugInFilter& filter : from.filters)
            entries << filter.Name() + u' ' + filter.Factory() + u' ' + QString::fromUtf8(filter.Data());
        return entries;
    }
};

TEST_F(PlugInsPage, RowsAreTheStoredChainAndOnlyOkStoresTheirEditsKeepingAnUninstalledEntryInPlace)
{
    const QStringList before = Entries(); // (reading makes the empty "OutputFilter" key)
    const QStringList air = Entries(nullptr, true);
    const QByteArray hive = TempHive::UserText();
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
            auto* page = sheet.findChild<CPlugInsPage*>();
            EXPECT_EQ(ItemTexts(page->List()), QStringList({kAmp, "DJ EQ"}));
            OnNextModal([](QDialog& editor) {
                EXPECT_FALSE(editor.findChild<QWidget*>("prop-qos") ||
                             editor.findChild<QWidget*>("prop-name"));
                EXPECT_EQ(Type(editor, "amps-gain", "100"), "70") << "held to the range";
                EXPECT_EQ(Type(editor, "amps-gain", "x"), "70");
                editor.findChild<QSlider*>("prop-amps-gain-slider")->setValue(250); // of 1000
                EXPECT_EQ(Type(editor, "amps-gain", ""), "-35") << "a quarter up the slider";
                EXPECT_EQ(Type(editor, "amps-gain", "-20.5"), "-20.5");
            });
            emit page->List()->itemDoubleClicked(page->List()->item(0));
            page->List()->setCurrentRow(1);
            page->findChild<QPushButton*>("button1161")->click(); // DJ EQ
            OnNextModal([](QDialog& dialog) {
                QListWidget* list = static_cast<CAddPlugInDlg&>(dialog).List();
                EXPECT_EQ(ItemTexts(list).count(kAmp), 1) << "one row for its LADSPA and LV2 plug-ins";
                list->setCurrentRow(int(ItemTexts(list).indexOf(kAmp)));
                dialog.findChild<QPushButton*>("button1")->click();
            });
            page->findChild<QPushButton*>("button1160")->click();
            EXPECT_EQ(ItemTexts(page->List()), QStringList({kAmp, kAmp}));
            // The air chain's list, below: its own rows, stored beside.
            EXPECT_EQ(ItemTexts(page->Air()->List()), QStringList{"DJ EQ"});
            page->Air()->findChild<QPushButton*>("button1171")->click();
            if (ok)
                sheet.accept();
        });
        if (!ok) {
            EXPECT_EQ(TempHive::UserText(), hive);
            EXPECT_EQ(Entries(&CTrackEnvironment::Chain()), before);
            EXPECT_EQ(Entries(&CTrackEnvironment::AirChain()), air);
        }
    }
    const QString amp = kAmp + " ladspa-amp-1181-so-amp state, qos=(string)false, amps-gain=(string)";
    const QStringList after{amp + "-20.5;", "Gone ladspa-gone-1-so-gone state, a=(string)3;", amp + "0;"};
    EXPECT_EQ(Entries(), after);
    EXPECT_EQ(Entries(&CTrackEnvironment::Chain()), after);
    EXPECT_EQ(std::tuple(Entries(nullptr, true), CTrackEnvironment::AirChain().filters.size()),
              std::tuple(QStringList(), std::size_t{0}));
}

TEST_F(PlugInsPage, SwitchesChoicesAndWholeNumbersAreSetAtOnceOnEveryInstance)
{
    GstElement* other = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("audiotestsrc", nullptr)));
    GstElement* shown = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_make("audiotestsrc", nullptr)));
    {
        CPlugInPropertiesDlg editor("Test", {shown, other});
        EXPECT_EQ(Type(editor, "samplesperbuffer", "0"), "1");
        editor.findChild<QComboBox*>("prop-wave")->setCurrentText("Square");
        editor.findChild<QCheckBox*>("prop-is-live")->setChecked(true);
    }
    int wave = 0, samples = 0, live = 0;
    g_object_get(other, "wave", &wave, "is-live", &live, "samplesperbuffer", &samples, nullptr);
    EXPECT_TRUE(wave == 1 && live && samples == 1) << wave << ' ' << live << ' ' << samples;
    gst_object_unref(shown);
    gst_object_unref(other);
}

} // namespace
