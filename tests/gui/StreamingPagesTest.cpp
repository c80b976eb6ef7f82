// SPDX-License-Identifier: GPL-3.0-or-later
// The Recording and Streaming pages of Advanced Options and the level
// alarm's rows: the Stream dialog refuses a server, port or mount point a
// source cannot connect with; the pages write the hive only at OK, and the
// Streaming page's lights follow the running streams by name.
#include "ConsoleFixture.h"
#include "gui/dialogs/StreamDialog.h"
#include "gui/dialogs/StreamingPage.h"

namespace {

using State = CAirStream::State;

class StreamingPages : public ConsoleTest
{
protected:
    static void Set(QWidget& dialog, const char* field, const QString& text)
    {
        dialog.findChild<QLineEdit*>(QLatin1String(field))->setText(text);
    }
    static StreamEntry Entry(const QString& name, const QString& mount, bool enabled = true)
    {
        StreamEntry e{enabled, {}};
        e.options.name = name;
        e.options.mount = mount;
        return e;
    }
};

TEST_F(StreamingPages, TheStreamDialogRefusesWhatCannotConnectAndWritesOnlyAValidOk)
{
    const QString badPort = "Please enter a port between 1 and 65535.";
    const QString noSlash = "The mount point starts with \"/\", as in /live.mp3.";
    // server, port, mount point | the message OK refuses with; the last row is taken
    const std::array<QString, 4> rows[] = {
        {"  ", "8000", "/live", "Please enter the server's name or address."},
        {"radio", "0", "/live", badPort},
        {"radio", "65536", "/live", badPort},
        {"radio", "80a", "/live", badPort},
        {"radio", "8000", "live", noSlash},
        {"radio", "8000", "/", noSlash},
        {" radio.example ", "65535", "/live.ogg", "closed"},
    };
    for (const auto& [server, port, mount, message] : rows) {
        StreamEntry entry = Entry("kept", "/kept");
        CStreamDialog dialog(entry, &ui);
        dialog.show();
        for (const auto& [field, text] : {std::pair("server", server), {"port", port}, {"mount", mount}})
            Set(dialog, field, text);
        Set(dialog, "password", "hackme");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("password")->echoMode(), QLineEdit::Password);
        dialog.findChild<QComboBox*>("format")->setCurrentIndex(1);
        dialog.findChild<QComboBox*>("channels")->setCurrentIndex(0);
        dialog.findChild<QCheckBox*>("enabled")->setChecked(false);
        EXPECT_EQ(Ok(dialog), message);
        if (message != "closed") {
            EXPECT_EQ(entry.options.mount, "/kept") << "the entry as it was";
            continue;
        }
        const CAirStream::Options& o = entry.options;
        EXPECT_EQ(std::tuple(entry.enabled, o.host, o.port, o.mount, o.password, o.codec, o.channels),
                  std::tuple(false, QString("radio.example"), 65535, QString("/live.ogg"), QString("hackme"),
                             CAirStream::Codec::Vorbis, 1));
    }
}

TEST_F(StreamingPages, TheLightsFollowTheRunningStreamsByNameOrMount)
{
    StreamSettings::Save({Entry("Main", "/main"), Entry("", "/talk"), Entry("Spare", "/spare", false),
                          Entry("Main", "/main2"), Entry("New", "/new")});
    std::vector<std::pair<QString, State>> running{
        {"Main", State::OnAir}, {"/talk", State::Connecting}, {"Main", State::Down}};
    CStreamingPage page(&ui, [&] { return running; });
    auto lights = [&] {
        QStringList tips;
        for (int row = 0; row < page.Table()->topLevelItemCount(); ++row)
            tips << page.Table()->topLevelItem(row)->toolTip(0);
        return tips.join(u',');
    };
    EXPECT_EQ(lights(), "On the air,Connecting,Off,Down,Off");
    EXPECT_EQ(page.Table()->topLevelItem(1)->text(0), "/talk") << "a stream without a name shows its mount";
    EXPECT_EQ(page.Table()->topLevelItem(0)->text(3), "localhost:8000/main");
    running = {{"/talk", State::OnAir}};
    page.ShowStates();
    EXPECT_EQ(lights(), "Off,On the air,Off,Off,Off");
}

TEST_F(StreamingPages, OkStoresTheEditedStreamsAndTheRecordingWhileCancelLeavesTheHive)
{
    StreamSettings::Save({Entry("One", "/one"), Entry("Two", "/two")});
    const QString before = TempHive::UserText();
    auto edit = [&](CPropertySheet& sheet) {
        auto* page = sheet.findChild<CStreamingPage*>();
        page->Table()->setCurrentItem(page->Table()->topLevelItem(0));
        page->Remove();
        OnNextModal<CStreamDialog>([](CStreamDialog& dialog) {
            Set(dialog, "mount", "/three");
            dialog.accept();
        });
        page->Add();
        OnNextModal<CStreamDialog>([](CStreamDialog&) {}); // cancelled: no change
        page->Edit();
        EXPECT_EQ(page->Table()->topLevelItem(1)->text(0), "/three");
        COptionsPage* recording = Page(sheet, "Recording");
        recording->findChild<QCheckBox*>()->setChecked(true);
        const auto edits = recording->findChildren<QLineEdit*>();
        edits.value(1)->setText("15");                                      // minutes
        edits.value(2)->setText("3651");                                    // days: beyond ten years
        recording->findChildren<QComboBox*>().value(0)->setCurrentIndex(2); // MP3
        recording->findChildren<QComboBox*>().value(1)->setCurrentIndex(1); // -23 LUFS
        return edits;
    };
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) { edit(sheet); }); // cancelled
    EXPECT_EQ(TempHive::UserText(), before);
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
        const auto edits = edit(sheet);
        EXPECT_EQ(Ok(sheet), "Please enter an integer between 0 and 3650.");
        EXPECT_EQ(TempHive::UserText(), before) << "nothing before every page agreed";
        edits.value(2)->setText("0");
        EXPECT_EQ(Ok(sheet), "closed");
    });
    const auto stored = StreamSettings::Load();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].options.mount + stored[1].options.mount, "/two/three");
    const CRegistryKey key = CRegistryKey::OpenAppSubkey("Settings");
    EXPECT_EQ(std::tuple(key.GetFlag("AirCheck", false), key.GetNumber("AirCheck File Seconds", 0),
                         key.GetText("AirCheck Format", {}), key.GetNumber("AirCheck Keep Days", -1),
                         key.GetNumber("Loudness Target", 0)),
              std::tuple(true, 900, QString("mp3"), 0, -23));
    EXPECT_FALSE(TempHive::UserText().contains("AirCheck Min Free MB")) << "only what changed";
}

TEST_F(StreamingPages, TheLevelAlarmIsCheckedInItsRangeAndStoredWithTheSilenceDetector)
{
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
        COptionsPage* page = Page(sheet, "Silence Detector");
        const auto checks = page->findChildren<QCheckBox*>();
        ASSERT_EQ(checks.size(), 2);
        const auto edits = page->findChildren<QLineEdit*>(); // period, level, seconds
        EXPECT_FALSE(edits.value(1)->isEnabled());
        checks[1]->setChecked(true);
        EXPECT_TRUE(edits.value(1)->isEnabled());
        EXPECT_FALSE(edits.value(0)->isEnabled()) << "the silence period follows its own switch";
        edits.value(1)->setText("-91");
        edits.value(2)->setText("2");
        EXPECT_EQ(Ok(sheet), "Please enter an integer between -90 and -10.");
        edits.value(1)->setText("-10");
        EXPECT_EQ(Ok(sheet), "closed");
    });
    const CWatchDogSettings& dog = Settings().watchDog;
    EXPECT_EQ(std::tuple(dog.enable, dog.levelEnable, dog.levelThreshold, dog.levelSeconds),
              std::tuple(false, true, -10, 2));
    EXPECT_TRUE(engine.IsTimerArmed(COnAirEngine::TimerLevel));
}

} // namespace
