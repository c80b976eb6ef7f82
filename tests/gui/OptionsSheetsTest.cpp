// The Options and Advanced Options sheets on the console: values typed into
// their pages reach the settings on OK only, in the stored units, and a
// refused value keeps the sheet open on its page.
#include "ConsoleFixture.h"
#include "gui/dialogs/OptionsPage.h"
#include "gui/dialogs/PropertySheet.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

namespace {

class OptionsSheets : public ConsoleTest
{
protected:
    static COptionsPage* Page(CPropertySheet& sheet, int index)
    {
        return qobject_cast<COptionsPage*>(sheet.Tabs()->widget(index));
    }
    static QLineEdit* Edit(CPropertySheet& sheet, int page, int index)
    {
        return Page(sheet, page)->findChildren<QLineEdit*>().value(index);
    }
};

TEST_F(OptionsSheets, AdvancedValuesAreCheckedAndStoredInTheirUnitsOnOk)
{
    const QString logs = TestEnv::MakeTempDir(QStringLiteral("logs"));
    Settings().overlapTime = 2500;
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Advanced Options"));
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
        QStringList tabs;
        for (int i = 0; i < sheet.Tabs()->count(); ++i)
            tabs << sheet.Tabs()->tabText(i);
        EXPECT_EQ(tabs.join(u','), QStringLiteral("Overlap,Log Files,Sounds,Plug-ins,Silence Detector"));
        EXPECT_EQ(Edit(sheet, 0, 0)->text(), QStringLiteral("2.5"));
        Edit(sheet, 0, 0)->setText(QStringLiteral("0.0015"));
        Edit(sheet, 0, 1)->setText(QStringLiteral("30.5")); // beyond 30 s
        Edit(sheet, 0, 2)->setText(QStringLiteral("2.25"));
        sheet.Tabs()->setCurrentIndex(1);
        sheet.accept();
        ASSERT_TRUE(sheet.isVisible());
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 0) << "the refusing page is shown";
        EXPECT_EQ(ui.LastMessage(), QStringLiteral("Please enter a number between 0 and 30."));
        Edit(sheet, 0, 1)->setText(QStringLiteral("3"));

        // Logging on needs a folder that exists; off, any folder will do.
        auto* logging = Page(sheet, 1)->findChild<QCheckBox*>();
        logging->setChecked(true);
        Edit(sheet, 1, 0)->setText(logs + "/gone");
        sheet.accept();
        ASSERT_TRUE(sheet.isVisible());
        EXPECT_EQ(ui.LastMessage(), QStringLiteral("The specified directory does not exist."));
        logging->setChecked(false);
        EXPECT_FALSE(Edit(sheet, 1, 0)->isEnabled());

        auto* detect = Page(sheet, 4)->findChild<QCheckBox*>();
        detect->setChecked(true);
        Edit(sheet, 4, 0)->setText(QStringLiteral("7"));
        Page(sheet, 4)->findChildren<QRadioButton*>().value(1)->setChecked(true);
        EXPECT_EQ(Settings().overlapTime, 2500) << "nothing before OK";
        sheet.accept();
        EXPECT_FALSE(sheet.isVisible());
    });
    EXPECT_EQ(Settings().overlapTime, 1);
    EXPECT_EQ(Settings().miniPlaylistOverlapTime, 3000);
    EXPECT_DOUBLE_EQ(Settings().fadePeriod, 2.25);
    EXPECT_FALSE(Settings().enableLogging);
    EXPECT_EQ(Settings().logfileDir, logs + "/gone");
    EXPECT_TRUE(Settings().watchDog.enable);
    EXPECT_EQ(Settings().watchDog.interval, 7);
    EXPECT_TRUE(Settings().watchDog.nextSong && !Settings().watchDog.message && !Settings().watchDog.reboot);
    EXPECT_TRUE(engine.IsTimerArmed(COnAirEngine::TimerWatchDog));
}

TEST_F(OptionsSheets, OptionsReopenOnTheirLastPageAndCancelKeepsEverything)
{
    const CViewSettings before = Settings();
    RunSheet(Cmd::Options, [&](CPropertySheet& sheet) {
        QStringList tabs;
        for (int i = 0; i < sheet.Tabs()->count(); ++i)
            tabs << sheet.Tabs()->tabText(i);
        EXPECT_EQ(tabs.join(u','), QStringLiteral("General,Intro Scan,Video,Mixer"));
        Page(sheet, 0)->findChild<QCheckBox*>()->toggle();
        Edit(sheet, 1, 1)->setText(QStringLiteral("301"));
        sheet.Tabs()->setCurrentIndex(2);
    }); // cancelled
    EXPECT_EQ(Settings().autoPlay, before.autoPlay);
    EXPECT_EQ(Settings().introLength, before.introLength);
    RunSheet(Cmd::Options, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 2) << "the page it was closed on";
        Page(sheet, 2)->findChildren<QRadioButton*>().value(3)->setChecked(true);
        Edit(sheet, 1, 0)->setText(QStringLiteral("45"));
        sheet.accept();
    });
    EXPECT_EQ(Settings().videoMode, 3);
    EXPECT_EQ(Settings().introStart, 45);
    RunSheet(Cmd::AdvancedOptions, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.Tabs()->currentIndex(), 0) << "always the first page";
    });
}

} // namespace
