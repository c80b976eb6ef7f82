// SPDX-License-Identifier: GPL-3.0-or-later
// The Options and Advanced Options sheets on the console: values typed into
// their pages reach the settings on OK only, in the stored units, and a
// refused value keeps the sheet open on its page. The event editor: the
// Edit Event dialog writes a record only on a valid OK, and the Events page
// edits a copy of the schedule that becomes the live one, stored and shown
// in the upcoming list, only on OK of the sheet.
#include "ConsoleFixture.h"
#include "gui/dialogs/EditEventDlg.h"
#include "gui/dialogs/EventsPage.h"
#include "gui/dialogs/MixerLinePage.h"
#include "platform/mci/MidiFile.h"

namespace {

using OptionsSheets = ConsoleTest;

TEST_F(OptionsSheets, AdvancedValuesAreCheckedAndStoredInTheirUnitsOnOk)
{
    const QString logs = TestEnv::MakeTempDir("logs");
    Settings().overlapTime = 2500;
    station->Sounds().SetSlot(0, "/air/jingle.wav");
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), "Advanced Options");
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
        EXPECT_EQ(TabTitles(sheet.Tabs()).join(u','),
                  "Overlap,Log Files,Events,Sounds,Plug-ins,Silence Detector,Recording,Streaming");
        const QTabBar* bar = sheet.Tabs()->tabBar();
        EXPECT_LT(bar->tabRect(bar->count() - 1).right(), bar->width()) << "every tab in sight";
        EXPECT_EQ(Edit(sheet, "Overlap", 0)->text(), "2.5");
        Edit(sheet, "Overlap", 0)->setText("0.0015");
        Edit(sheet, "Overlap", 1)->setText("30.5"); // beyond 30 s
        Edit(sheet, "Overlap", 2)->setText("2.25");
        sheet.Tabs()->setCurrentIndex(1);
        EXPECT_EQ(Ok(sheet), "Please enter a number between 0 and 30.");
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 0) << "the refusing page is shown";
        Edit(sheet, "Overlap", 1)->setText("3");

        // Logging on needs a folder that exists; off, any folder will do.
        auto* logging = Page(sheet, "Log Files")->findChild<QCheckBox*>();
        logging->setChecked(true);
        Edit(sheet, "Log Files", 0)->setText(logs + "/gone");
        EXPECT_EQ(Ok(sheet), "The specified directory does not exist.");
        logging->setChecked(false);
        EXPECT_FALSE(Edit(sheet, "Log Files", 0)->isEnabled());

        const QString silence = "Silence Detector";
        Page(sheet, silence)->findChild<QCheckBox*>()->setChecked(true);
        // A page that refuses OK keeps the live lists of the others as they are.
        Edit(sheet, silence, 0)->setText("4");
        sheet.findChild<CSoundsPage*>()->Delete();
        EXPECT_NE(Ok(sheet), "closed");
        EXPECT_TRUE(station->Sounds().IsAssigned(0)) << "nothing committed before every page agreed";
        Edit(sheet, silence, 0)->setText("7");
        Page(sheet, silence)->findChildren<QRadioButton*>().value(1)->setChecked(true);
        EXPECT_EQ(Settings().overlapTime, 2500) << "nothing before OK";
        EXPECT_EQ(Ok(sheet), "closed");
    });
    const CViewSettings& s = Settings();
    EXPECT_EQ(
        std::tuple(s.overlapTime, s.miniPlaylistOverlapTime, s.fadePeriod, s.enableLogging, s.logfileDir),
        std::tuple(1, 3000, 2.25, false, logs + "/gone"));
    EXPECT_EQ((std::tuple(s.watchDog.enable, s.watchDog.interval, s.watchDog.nextSong, s.watchDog.message,
                          s.watchDog.reboot)),
              std::tuple(true, 7, true, false, false));
    EXPECT_TRUE(engine.IsTimerArmed(COnAirEngine::TimerWatchDog));
    EXPECT_FALSE(station->Sounds().IsAssigned(0)) << "committed with the sheet";
    // Stored at once: a crash before the end of the session keeps them.
    EXPECT_TRUE(TempHive::UserText().contains("\"Overlap Time\"=dword:00000001"));
    EXPECT_TRUE(TempHive::UserText().contains("\"MiniPlaylist Overlap Time\"=dword:00000bb8"));
}

TEST_F(OptionsSheets, OptionsReopenOnTheirLastPageAndCancelKeepsEverything)
{
    const CViewSettings before = Settings();
    RunSheet(Cmd::Options, [&](CPropertySheet& sheet) {
        EXPECT_EQ(TabTitles(sheet.Tabs()).join(u','), "General,Line-In,Intro Scan,Video,MIDI,Mixer");
        Page(sheet, "General")->findChild<QCheckBox*>()->toggle();
        Edit(sheet, "Intro Scan", 1)->setText("301");
        // The mixer button starts what the field says, saved or not.
        Page(sheet, "Mixer")->findChild<QLineEdit*>()->setText("alsamixer-gui");
        Page(sheet, "Mixer")->findChild<QToolButton*>("button1062")->click();
        EXPECT_EQ(shell.started, QList<QStringList>{QStringList{"alsamixer-gui"}});
        sheet.Tabs()->setCurrentIndex(3);
    }); // cancelled
    EXPECT_EQ(std::tuple(Settings().autoPlay, Settings().introLength, Settings().mixer),
              std::tuple(before.autoPlay, before.introLength, before.mixer));
    RunSheet(Cmd::Options, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 3) << "the page it was closed on";
        sheet.Tabs()->currentWidget()->findChildren<QRadioButton*>().value(3)->setChecked(true);
        const QString intro = "Intro Scan";
        Edit(sheet, intro, 0)->setText("45");
        // The arrows step within their range; typed text is left to OK.
        const auto spins = Page(sheet, intro)->findChildren<QAbstractSpinBox*>();
        ASSERT_EQ(spins.size(), 3);
        Edit(sheet, intro, 1)->setText("300");
        spins[1]->stepBy(1);
        EXPECT_EQ(Edit(sheet, intro, 1)->text(), "300");
        spins[1]->stepBy(-2);
        Edit(sheet, intro, 2)->setText("-5");
        spins[2]->stepBy(1);
        // A SoundFont that is not there is refused; the gain may be below 0.
        const QString gone = TestEnv::Root() + "/gone.sf2";
        Edit(sheet, "MIDI", 0)->setText(gone);
        Edit(sheet, "MIDI", 1)->setText("-6");
        Page(sheet, "MIDI")->findChildren<QRadioButton*>().value(0)->setChecked(true);
        EXPECT_EQ(Ok(sheet), "The SoundFont " + gone + " does not exist.");
        Edit(sheet, "MIDI", 0)->clear();
        sheet.accept();
    });
    const CViewSettings& s = Settings();
    EXPECT_EQ(std::tuple(s.videoMode, s.introStart, s.introLength, s.ffTime, s.midiGain, s.soundBankOptions),
              std::tuple(3, 45, 298, 1, -6, 0));
    EXPECT_EQ(mci::Synthesizer().gainDb, -6) << "not applied to the next MIDI item";
    EXPECT_TRUE(TempHive::UserText().contains("\"MIDI Gain\"=dword:fffffffa"));
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 0) << "always the first page";
    });
}

// The card (ConsoleFixture): Playback {Master, Line}, Capture {Line, Mic}.
TEST_F(OptionsSheets, TheLineInPageShowsTheCardAndStoresAChosenSourceLineOnOk)
{
    const unsigned line = CMemoryMixer::Id(*card.Find(1, "Line"));
    for (const int child : {0, -1}) { // the capture line, then its destination
        RunSheet(Cmd::Options, [&](CPropertySheet& sheet) {
            auto* tree = sheet.findChild<QTreeWidget*>("tree1141");
            EXPECT_EQ(tree->topLevelItem(1)->text(0) + tree->topLevelItem(1)->child(1)->text(0),
                      "CaptureMic");
            tree->setCurrentItem(child < 0 ? tree->topLevelItem(1) : tree->topLevelItem(1)->child(child));
            if (child == 0) // stored trimmed, and kept by the second OK
                sheet.findChild<QLineEdit*>("editLineInSource")->setText(" alsasrc device=hw:1 ");
            sheet.accept();
        });
        EXPECT_EQ(unsigned(Settings().lineInLine), line) << "not the playback line of that name";
        EXPECT_TRUE(TempHive::UserText().contains(
            QStringLiteral("\"LineInLine\"=dword:%1").arg(line, 8, 16, QLatin1Char('0')).toUtf8()));
        EXPECT_TRUE(TempHive::UserText().contains("\"LineInSource\"=\"alsasrc device=hw:1\""));
    }
}

TEST_F(OptionsSheets, TheLineInPageSelectsTheStoredLineOrSaysWhyItHasNone)
{
    const unsigned line = CMemoryMixer::Id(*card.Find(0, "Line"));
    CMixerLinePage page(0, line);
    EXPECT_EQ(std::pair(page.Tree()->currentItem()->parent()->text(0), page.Chosen(7)),
              std::pair(QStringLiteral("Playback"), line));
    page.Tree()->clearSelection();
    EXPECT_EQ(page.Chosen(7), 7u) << "no selection keeps the line";

    CMixerLinePage missing(3, line);
    EXPECT_EQ(missing.Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(missing.Problem()->text(),
              "Sound device 3 has no mixer that can be opened (Mixer Exception: 19).");
    TestEnv::UseNoMixer();
    EXPECT_EQ(CMixerLinePage(0, line).Problem()->text(), "The mixer of No Card has no lines.");
}

const WallTime kMonday9 = MakeWallTime(2026, 12, 7, 9, 0, 0);

class EventEditor : public ConsoleTest
{
protected:
    void SetUp() override
    {
        ConsoleTest::SetUp();
        clock.SetNow(ToLocalDateTime(kMonday9));
    }
    CEditEventDlg::Context Context() { return {&Settings(), &ui, Tracks(), Picker(kTopOfHour)}; }
    const QString kTopOfHour = "/media/ids/top of hour.wav";
    // An editor that answers for the operator: sets the record and confirms.
    static CEventsPage::Editor Answer(std::function<void(CScheduledEvent&)> set)
    {
        return [set](CScheduledEvent& record, WallTime, const CEditEventDlg::Context&, QWidget*) {
            return set && (set(record), true);
        };
    }
    static QStringList Rows(CEventsPage& page)
    {
        QStringList rows;
        for (int i = 0; i < page.List()->count(); ++i)
            rows << page.List()->item(i)->data(CUpcomingEventsModel::FileNameRole).toString();
        return rows;
    }
    CEventList& Live() { return station->Scheduler().Events(); }
};

TEST(EventDateTime, EveryLocaleShowsAndReadsBackTheWholeDateAndTime)
{
    const QLocale saved;
    for (const char* name : {"en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "C"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        for (const WallTime t : {kDefaultExpiry, MakeWallTime(2026, 3, 29, 2, 30, 15)}) {
            const QString text = CEditEventDlg::FormatDateTime(t);
            EXPECT_EQ(CEditEventDlg::ParseDateTime(text), t) << name << " " << text.toStdString();
        }
    }
    QLocale::setDefault(saved);
    EXPECT_EQ(CEditEventDlg::ParseDateTime(" 2001-3-5 7:30:00 "), MakeWallTime(2001, 3, 5, 7, 30));
    EXPECT_FALSE(CEditEventDlg::ParseDateTime("tomorrow"));
    EXPECT_FALSE(CEditEventDlg::ParseDateTime(QString()));
}

TEST_F(EventEditor, TheDialogWritesTheRecordOnlyOnAValidOk)
{
    CScheduledEvent record(kMonday9);
    record.fileName = "/air/news.wav";
    const CScheduledEvent before = record;
    {
        CEditEventDlg dialog(record, kMonday9, Context());
        EXPECT_TRUE(dialog.Day(0)->isChecked() && dialog.Day(6)->isChecked() &&
                    !dialog.Hourly()->isChecked());
        for (int bit = 0; bit < 7; ++bit)
            dialog.Day(bit)->setChecked(bit == 1 || bit == 6); // Monday, Saturday
        dialog.Hourly()->setChecked(true);
        dialog.Immediately()->setChecked(true);
        dialog.FirstLaunch()->setText(CEditEventDlg::FormatDateTime(MakeWallTime(2026, 12, 1, 7, 30, 15)));
        dialog.Expires()->setText("31.13.2099");
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(ui.LastMessage().startsWith("Please enter a valid date and time"));
        EXPECT_EQ(record, before) << "a refused OK changes nothing";

        dialog.Browse();
        EXPECT_EQ(dialog.FileName()->text(), kTopOfHour);
        EXPECT_EQ(pickerFolders.value(0), "/air/news.wav") << "the current file first";
        dialog.Test();
        EXPECT_FALSE(dialog.findChild<CSoundPlayerDlg*>()) << "not with a date that does not read";
        dialog.Expires()->setText(CEditEventDlg::FormatDateTime(MakeWallTime(2027, 1, 1)));
        dialog.Test();
        EXPECT_TRUE(dialog.findChild<CSoundPlayerDlg*>()) << "Test plays in a sound window";
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(record.everyHour && record.exact);
    EXPECT_EQ(
        std::tuple(record.weekDayMask, record.fileName, record.startDate, record.expireDate),
        std::tuple(2u + 64u, kTopOfHour, MakeWallTime(2026, 12, 1, 7, 30, 15), MakeWallTime(2027, 1, 1)));
    EXPECT_EQ(record.NextRun(), MakeWallTime(2026, 12, 7, 9, 30, 15)) << "computed from now";
    EXPECT_EQ(std::pair(Settings().eventDir,
                        CRegistryKey::OpenAppSubkey(SettingsKey::Settings).GetText("EventDir", {})),
              std::pair(QStringLiteral("/media/ids"), QStringLiteral("/media/ids")));

    const CScheduledEvent confirmed = record;
    CEditEventDlg cancelled(record, kMonday9, Context());
    cancelled.Day(1)->setChecked(false);
    cancelled.FileName()->clear();
    cancelled.reject();
    EXPECT_EQ(record, confirmed);
}

TEST_F(EventEditor, ScheduleEditsACopyThatOnlyOkMakesLiveStoredAndShown)
{
    ASSERT_TRUE(Enabled(Cmd::Schedule));
    auto soon = [](CScheduledEvent& e) {
        e.fileName = "/air/news.wav";
        e.startDate = MakeWallTime(2026, 12, 7, 9, 10, 0);
    };
    RunSheet(Cmd::Schedule, [&](CPropertySheet& sheet) {
        ASSERT_EQ(TabTitles(sheet.Tabs()), QStringList{"Events"});
        CEventsPage& page = *sheet.findChild<CEventsPage*>();
        page.SetEditor(Answer({}));
        page.New();
        EXPECT_EQ(page.List()->count(), 0) << "a cancelled new event adds nothing";
        page.SetEditor(Answer(soon));
        page.New();
        page.SetEditor(Answer([](CScheduledEvent& e) {
            e.fileName = "/air/never.wav";
            e.weekDayMask = 0;
        }));
        page.New();
        EXPECT_EQ(Rows(page), QStringList({"/air/news.wav", "/air/never.wav"}));
        EXPECT_TRUE(page.List()->item(0)->text().startsWith("09:10:00"));
        EXPECT_TRUE(Live().IsEmpty()) << "nothing before OK";
        sheet.accept();
    });
    ASSERT_EQ(Live().Count(), 2);
    EXPECT_EQ(Live().At(1).weekDayMask, 0u) << "kept, never run";
    EXPECT_EQ(view->EventsList()->model()->rowCount(), 1) << "the upcoming list follows at once";
    CEventList stored;
    stored.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()), kMonday9);
    EXPECT_EQ(stored.Count(), 2);

    // Modify, delete, then Cancel: the live schedule stays.
    RunSheet(Cmd::Schedule, [&](CPropertySheet& sheet) {
        CEventsPage& page = *sheet.findChild<CEventsPage*>();
        page.SetEditor(Answer([](CScheduledEvent& e) { e.fileName = "/air/changed.wav"; }));
        emit page.List()->itemDoubleClicked(page.List()->item(1));
        EXPECT_EQ(std::pair(Rows(page), page.List()->currentRow()),
                  std::pair(QStringList({"/air/news.wav", "/air/changed.wav"}), 1));
        page.Delete();
        EXPECT_EQ(Rows(page), QStringList({"/air/news.wav"}));
    });
    EXPECT_EQ(Live().At(1).fileName, "/air/never.wav");
}

TEST_F(EventEditor, EventsFilesAreSavedWholeAndLoadedOverTheShownEntries)
{
    const QString folder = TestEnv::MakeTempDir("events");
    const QString file = folder + "/Events.ini";
    CEventList three;
    for (const char* name : {"/a.wav", "/b.wav", "/c.wav"}) {
        CScheduledEvent e(kMonday9);
        e.fileName = QString::fromLatin1(name);
        three.Append(e);
    }
    three.SaveToFile(file);
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
        CEventsPage& page = *sheet.findChild<CEventsPage*>();
        page.SetEditor(Answer([](CScheduledEvent& e) { e.fileName = "/one.wav"; }));
        page.New();
        page.SetPickers({Picker(file), Picker(file)});
        page.Save();
        EXPECT_TRUE(CIniFile(file).HasSection("Event 0")); // its layout: the event list's own test
        three.SaveToFile(file);
        page.Load();
        EXPECT_EQ(Rows(page), QStringList({"/a.wav", "/b.wav", "/c.wav"}));
        EXPECT_EQ(std::pair(Settings().eventListDir, pickerFolders.value(0)),
                  std::pair(folder, QDir(QString()).filePath("Events.ini")));
        EXPECT_TRUE(Live().IsEmpty());
        sheet.accept();
    });
    EXPECT_EQ(Live().Count(), 3);
}

} // namespace
