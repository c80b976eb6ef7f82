// SPDX-License-Identifier: GPL-3.0-or-later
// The event editor: the Edit Event dialog writes a record only on a valid
// OK, and the Events page edits a copy of the schedule that becomes the live
// one, stored and shown in the upcoming list, only on OK of the sheet.
#include "ConsoleFixture.h"
#include "gui/dialogs/EditEventDlg.h"
#include "gui/dialogs/EventsPage.h"
#include "platform/IniFile.h"
#include "platform/registry/RegistryKey.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>

namespace {

const WallTime kMonday9 = MakeWallTime(2026, 12, 7, 9, 0, 0);

class EventEditor : public ConsoleTest
{
protected:
    void SetUp() override
    {
        ConsoleTest::SetUp();
        clock.SetNow(ToLocalDateTime(kMonday9));
    }
    CEditEventDlg::Context Context()
    {
        return {&Settings(), &ui, Tracks(), [this](QWidget*, const QString&, const QString& initial) {
                    pickerFolders << initial;
                    return pickedFiles.value(0);
                }};
    }
    // An editor that answers for the operator: sets the record and confirms.
    static CEventsPage::Editor Answer(std::function<void(CScheduledEvent&)> set)
    {
        return [set](CScheduledEvent& record, WallTime, const CEditEventDlg::Context&, QWidget*) {
            if (!set)
                return false;
            set(record);
            return true;
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

        pickedFiles = QStringList{"/media/ids/top of hour.wav"};
        dialog.Browse();
        EXPECT_EQ(dialog.FileName()->text(), pickedFiles[0]);
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
    EXPECT_EQ(std::tuple(record.weekDayMask, record.fileName, record.startDate, record.expireDate),
              std::tuple(2u + 64u, "/media/ids/top of hour.wav", MakeWallTime(2026, 12, 1, 7, 30, 15),
                         MakeWallTime(2027, 1, 1)));
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
