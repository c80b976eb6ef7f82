// SPDX-License-Identifier: GPL-3.0-or-later
// The display language in the running console: the Language menu, the
// question, menus and prompts switching at once, the choice surviving a
// restart, and every visible text of the console, its menus, its option
// sheets and the tools editor coming from the German catalogue.
#include "FrameFixture.h"
#include "app/Commands.h"
#include "gui/dialogs/HelpWindow.h"
#include "gui/frame/MainFrame.h"
#include "onair/OnAirEngine.h"
#include "platform/registry/RegistryKey.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolBar>
#include <QXmlStreamReader>

namespace {

// A visible text the way the catalogue can hold it: without mnemonic, "..."
// and the key part of a menu text.
QString Plain(QString text)
{
    text = text.section(u'\t', 0, 0).remove(u'&').trimmed();
    if (text.endsWith(QLatin1String("...")))
        text.chop(3);
    return text.trimmed();
}

// Every translation of the German catalogue, each "\n" part on its own, as
// patterns ("%1" stands for any text).
QList<QRegularExpression> GermanTexts()
{
    QFile file(QStringLiteral(LIRANA_SOURCE_DIR "/translations/lirana_de.ts"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QRegularExpression> out;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("translation"))
            continue;
        for (const QString& part : xml.readElementText().split(u'\n')) {
            QStringList pieces = Plain(part).split(QRegularExpression(QStringLiteral(R"(%\d)")));
            for (QString& piece : pieces)
                piece = QRegularExpression::escape(piece);
            out << QRegularExpression(u'^' + pieces.join(".*") + u'$');
        }
    }
    return out;
}

// The texts of the labels, buttons, group boxes, tabs and combo boxes
// below root, without the standard dialog buttons (Qt's own catalogue).
QStringList WidgetTexts(QWidget* root)
{
    QStringList texts;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (qobject_cast<QDialogButtonBox*>(w->parentWidget()))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text() << button->toolTip();
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            texts << box->title();
        else if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable())
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
    }
    return texts;
}

class Language : public ::testing::Test
{
protected:
    static QMenu* Menu(CMainFrame& frame, int index) { return frame.menuBar()->actions().at(index)->menu(); }
    // Picks the language of that row of the menu and answers whether to exit now.
    static void Choose(AppUnderTest& t, int row, bool exitNow)
    {
        t.Frame().FillLanguageMenu();
        t.ui.yes = exitNow;
        t.Action(Cmd::LanguageFirst + row)->trigger();
        QCoreApplication::processEvents();
    }
    TempHive hive;
};

TEST_F(Language, TheMenuAsksSwitchesAtOnceAndTheChoiceSurvivesARestart)
{
    const QString english = "&File";
    {
        AppUnderTest t;
        ASSERT_TRUE(t.app->Start());
        t.app->Engine().Settings().shutdownConfirmation = false;
        t.Frame().FillLanguageMenu();
        EXPECT_TRUE(t.Action(Cmd::LanguageFirst)->isChecked());
        ASSERT_EQ(std::pair(t.Action(Cmd::LanguageFirst)->text(), t.Action(Cmd::LanguageFirst + 1)->text()),
                  std::pair(QStringLiteral("&English"), QStringLiteral("&Deutsch")));

        Choose(t, 1, false);
        EXPECT_EQ(t.ui.questions, QStringList{"The change of language will take effect the next time you "
                                              "start Lirana.\nDo you want to exit now?"});
        EXPECT_TRUE(t.Frame().isVisible() && t.Action(Cmd::LanguageFirst + 1)->isChecked())
            << "No keeps the program running";
        EXPECT_NE(Menu(t.Frame(), 0)->title(), english) << "the menus switch at once";
        EXPECT_NE(t.Action(Cmd::FileNew)->statusTip(), "Create a new Lirana album");
        EXPECT_TRUE(t.Frame().close());
    }
    EXPECT_EQ(CRegistryKey::OpenAppSubkey("MainFrame").GetText("LanguageCode", {}), "de");
    AppUnderTest t;
    ASSERT_TRUE(t.app->Start());
    t.app->Engine().Settings().shutdownConfirmation = false;
    EXPECT_NE(Menu(t.Frame(), 0)->title(), english) << "German again after the restart";

    // Yes: the language changes and the program ends, storing the choice.
    Choose(t, 0, true);
    EXPECT_EQ(Menu(t.Frame(), 0)->title(), english);
    EXPECT_FALSE(t.Frame().isVisible());
    EXPECT_EQ(CRegistryKey::OpenAppSubkey("MainFrame").GetText("LanguageCode", {}), "en");
}

TEST_F(Language, EveryVisibleTextOfTheGermanConsoleComesFromTheCatalogue)
{
    AppUnderTest t;
    ASSERT_TRUE(t.app->Start());
    Choose(t, 1, false);
    CMainFrame& frame = t.Frame();

    QStringList texts = WidgetTexts(frame.View());
    for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>()) {
        texts << menu->title();
        for (QAction* action : menu->actions()) {
            const int id = action->data().toInt();
            if (action->isSeparator() || (id >= Cmd::RecentFirst && id < Cmd::RecentFirst + 10) ||
                (id >= Cmd::LanguageFirst && id < Cmd::LanguageFirst + 100) || (id > 2000 && id < 2100) ||
                action->menu())
                continue; // file, language and tool names
            texts << action->text() << action->statusTip() << action->toolTip();
        }
    }
    for (QToolBar* bar : frame.findChildren<QToolBar*>())
        texts << bar->windowTitle();
    for (int id : {Cmd::Options, Cmd::AdvancedOptions, Cmd::EditTools}) {
        OnNextModal([&](QDialog& dialog) { texts << dialog.windowTitle() << WidgetTexts(&dialog); });
        frame.Router().Dispatch(id);
    }
    // The manual is English: even with a web browser on the desktop, F1
    // opens the program's own help window, which says so in German.
    t.shell.webBrowser = true;
    QApplication::setActiveWindow(&frame);
    t.Action(Cmd::Help)->trigger();
    EXPECT_TRUE(t.shell.started.isEmpty()) << "no web browser: it could not say so";
    CHelpWindow* help = t.app->HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible() && help->NoticeLabel()->isVisible());
    texts << help->windowTitle() << help->NoticeLabel()->text() << help->FindEdit()->placeholderText();
    for (QAction* action : help->findChild<QToolBar*>()->actions())
        texts << action->text();

    const QList<QRegularExpression> german = GermanTexts();
    QStringList foreign;
    for (const QString& text : texts) {
        const QString plain = Plain(text);
        if (!plain.contains(QRegularExpression("[A-Za-z]{2}")) || plain == QLatin1String("Lirana"))
            continue; // numbers, times, key names and the program's name
        if (std::none_of(german.begin(), german.end(),
                         [&](const auto& re) { return re.match(plain).hasMatch(); }))
            foreign << plain;
    }
    foreign.removeDuplicates();
    EXPECT_TRUE(foreign.isEmpty()) << "not from the German catalogue:\n" << foreign.join(u'\n').toStdString();
    frame.Languages().Select(0);
}

} // namespace
