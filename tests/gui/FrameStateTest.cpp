// SPDX-License-Identifier: GPL-3.0-or-later
// What survives a restart: placement, bar layout, flat tool bars, full-screen
// mode, the last album and the player mode; and the shutdown: confirmation,
// save prompt, what is saved when. The display language: the Language menu,
// the question, menus and prompts switching at once, the choice surviving a
// restart, and every visible text of the console, its menus, its option
// sheets and the tools editor coming from the German catalogue.
#include "FrameFixture.h"

#include "gui/dialogs/HelpWindow.h"
#include "gui/frame/DigitalClock.h"
#include "onair/PlayLog.h"

namespace {

TEST(FrameState, PlacementBarsAndFullScreenSurviveARestartAndTheSizeHasAMinimum)
{
    TempHive hive;
    {
        CMainFrame frame{CAppContext{}};
        frame.ShowFrame();
        frame.setGeometry(40, 60, 800, 520);
        frame.MediaBar()->hide();
        frame.statusBar()->hide();
        frame.SetFlatToolBars(false);
        frame.SetFullScreenMode(true);
        EXPECT_TRUE(frame.isFullScreen());
        frame.close(); // no close handler: saves and closes
        EXPECT_FALSE(frame.IsFullScreenMode()) << "closing leaves full-screen mode";
    }
    CMainFrame frame{CAppContext{}};
    frame.RestoreFrameState();
    frame.ShowFrame();
    frame.Router().UpdateAll();
    EXPECT_EQ((std::vector{frame.isFullScreen(), frame.MediaBar()->isVisibleTo(&frame),
                           frame.MainToolBar()->isVisibleTo(&frame), frame.statusBar()->isVisibleTo(&frame),
                           frame.FlatToolBars(), frame.Router().Action(Cmd::ViewMediaBar)->isChecked(),
                           frame.Router().Action(Cmd::ViewToolBar)->isChecked()}),
              (std::vector{true, false, true, false, false, false, true}));
    frame.SetFullScreenMode(false);
    EXPECT_EQ(frame.geometry(), QRect(40, 60, 800, 520)) << "the normal placement comes back";
    frame.resize(300, 200);
    EXPECT_EQ(frame.size(), QSize(CMainFrame::kMinWidth, CMainFrame::kMinHeight)) << "no smaller";
}

// ------------------------------------------------------------ application

class AppLifecycle : public ::testing::Test
{
protected:
    void Start(AppUnderTest& t)
    {
        ASSERT_TRUE(t.app->Start());
        t.app->Context().log->AddSink([this](const QString& line) { log << line.section(u'\t', 1); });
    }
    TempHive hive;
    const QString album = WriteAlbum("air.alb", {"30.pause", "5.pause", "1.pause"});
    QStringList log;
};

TEST_F(AppLifecycle, TheEndOfTheSessionSavesAndStopsAndTheAlbumItsRowAndModeComeBack)
{
    {
        AppUnderTest t(album);
        Start(t);
        t.app->Engine().OnPlay();
        t.app->Engine().SetMode(PlayerMode::Shuffle);
        t.app->EndSession();
        EXPECT_EQ(t.app->Engine().OnAir(), nullptr);
        EXPECT_EQ(CRegistryKey::OpenAppSubkey("Settings").GetNumber("PlayerMode", -1), 4);
        t.app->Playlist().Select(2);
        t.Action(Cmd::ModeRepeat)->trigger();
        EXPECT_TRUE(t.Close());
    }
    AppUnderTest t;
    Start(t);
    EXPECT_EQ(std::tuple(t.app->Document().PathName(), t.app->Playlist().Selection(), t.app->Engine().Mode()),
              std::tuple(album, 2, PlayerMode::Repeat));
    EXPECT_TRUE(t.Frame().windowTitle().startsWith("air.alb"));
    // The window's icon and the desktop entry it belongs to, installed or not.
    EXPECT_FALSE(t.Frame().windowIcon().pixmap(32).isNull()) << "the theme's icon or the built-in one";
    EXPECT_EQ(QGuiApplication::desktopFileName(), "io.github.oxbelund.Lirana");
}

TEST_F(AppLifecycle, AnAlbumOnTheCommandLineThatCannotBeOpenedEndsTheStart)
{
    AppUnderTest t(TestEnv::MakeTempDir() + "/missing.alb");
    EXPECT_FALSE(t.app->Start());
    EXPECT_FALSE(t.ui.rec.messages.isEmpty()) << "the reason is shown";
}

// Rows added, the last selected, the changes discarded at exit: the next
// start selects the saved album's last row, so Play is ready.
TEST_F(AppLifecycle, AfterDiscardTheStoredRowIsClampedToTheSavedAlbum)
{
    {
        AppUnderTest t(album);
        Start(t);
        t.app->Playlist().Insert(-1, "6.pause");
        t.app->Playlist().Insert(-1, "7.pause");
        t.app->Document().Checkpoint(32805);
        t.app->Playlist().Select(4);
        t.ui.rec.saveAnswers = {UserInterface::SaveAnswer::Discard};
        EXPECT_TRUE(t.Close());
    }
    AppUnderTest t;
    Start(t);
    EXPECT_EQ(std::tuple(t.app->Playlist().Count(), t.app->Playlist().Selection(),
                         t.Action(Cmd::Play)->isEnabled()),
              std::tuple(3, 2, true));
}

// The folder tree opens with the media folder at its top (not at the file
// system's root, among /proc and /sys), however deep it lies and though the
// tree reads its folders in the background; a folder chosen in it comes
// back at the top after a restart.
TEST_F(AppLifecycle, TheFolderTreeOpensAtTheMediaFolderOrTheFolderLastChosen)
{
    const QString home = TestEnv::MakeTempDir(QStringLiteral("home"));
    const QString music = home + "/a/b/c/Music", chosen = home + "/z/y/Jingles";
    for (const QString& folder : {music, chosen, music + "/x", chosen + "/x"})
        QDir().mkpath(folder);
    CRegistryKey::OpenAppSubkey("Settings").SetText("MediaDir", music);
    for (const QString& expected : {music, chosen}) {
        SCOPED_TRACE(expected.toStdString());
        AppUnderTest t;
        Start(t);
        auto* tree = t.Frame().findChild<QTreeView*>(QStringLiteral("folderTree"));
        ASSERT_NE(tree, nullptr);
        auto* model = static_cast<QFileSystemModel*>(tree->model());
        const auto top = [&] { return model->filePath(tree->indexAt(QPoint(4, 4))); };
        EXPECT_TRUE(TestEnv::WaitUntil([&] { return tree->isVisible() && top() == expected; }, 5000))
            << "at the top: " << top().toStdString();
        // A folder that comes above it while the tree is read (here made
        // now) does not push it down.
        const QString above = QFileInfo(expected).path() + "/A" +
                              QString::number(QDateTime::currentMSecsSinceEpoch());
        QDir().mkpath(above);
        EXPECT_TRUE(
            TestEnv::WaitUntil([&] { return model->index(above).row() >= 0 && top() == expected; }, 5000))
            << "at the top: " << top().toStdString();
        tree->setCurrentIndex(model->index(chosen));
        EXPECT_TRUE(t.Close());
    }
}

TEST_F(AppLifecycle, NoOrCancelKeepsTheProgramRunningAndPlaying)
{
    AppUnderTest t(album);
    Start(t);
    t.app->Engine().Settings().shutdownConfirmation = true;
    t.app->Engine().OnPlay();
    t.app->Playlist().Insert(-1, "6.pause");
    t.app->Document().Checkpoint(32805);
    CRegistryKey::OpenAppSubkey("MainFrame").SetText("WindowPos", "untouched");
    t.ui.yes = false;
    EXPECT_FALSE(t.Frame().close());
    EXPECT_EQ(t.ui.questions, QStringList{"Confirmation request\nAre you sure you want to exit Lirana now?"});
    EXPECT_TRUE(t.ui.rec.asked.isEmpty()) << "no save prompt after No";
    t.ui.yes = true;
    t.ui.rec.saveAnswers = {UserInterface::SaveAnswer::Cancel, UserInterface::SaveAnswer::Discard};
    EXPECT_FALSE(t.Frame().close());
    EXPECT_NE(t.app->Engine().OnAir(), nullptr) << "playback goes on";
    EXPECT_FALSE(log.contains("shutdown"));
    EXPECT_EQ(CRegistryKey::OpenAppSubkey("MainFrame").GetText("WindowPos", {}), "untouched")
        << "nothing saved";

    EXPECT_TRUE(t.Frame().close());
    EXPECT_EQ(log.count("shutdown"), 1);
    EXPECT_EQ(t.app->Engine().OnAir(), nullptr) << "stopped at shutdown";
}

// ------------------------------------------------------------ language

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
        EXPECT_TRUE(t.Close());
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

// F1 opens the manual at the chapter of the window with the focus: in the
// program's help window on a desktop without a web browser, otherwise with
// the browser. The window finds text and wraps round once.
TEST_F(AppLifecycle, HelpOpensTheManualAtTheChapterOfTheWindowWithTheFocus)
{
    AppUnderTest t;
    ASSERT_TRUE(t.app->Start());
    ASSERT_TRUE(QFileInfo::exists(CLiranaApp::ManualPath())) << "the build tree holds the manual";
    QApplication::setActiveWindow(&t.Frame());
    t.Action(Cmd::Help)->trigger();
    CHelpWindow* help = t.app->HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Browser()->source().fragment(), "console");
    EXPECT_TRUE(help->isVisible() && t.shell.started.isEmpty());
    EXPECT_FALSE(help->NoticeLabel()->isVisible()) << "the English manual needs no notice";
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Scheduled events"));

    help->FindEdit()->setText("waiting event");
    EXPECT_TRUE(help->FindNext());
    EXPECT_TRUE(help->FindNext()) << "round from the start";
    help->FindEdit()->setText("no such words in the manual");
    EXPECT_FALSE(help->FindNext());

    QDialog editor(&t.Frame());
    editor.setProperty("helpChapter", "events");
    editor.show();
    QApplication::setActiveWindow(&editor);
    QTest::keyClick(&editor, Qt::Key_F1);
    EXPECT_EQ(help->Browser()->source().fragment(), "events");
    editor.hide();

    t.shell.webBrowser = true;
    QApplication::setActiveWindow(&t.Frame());
    t.Action(Cmd::Help)->trigger();
    ASSERT_EQ(t.shell.started.size(), 1);
    EXPECT_EQ(
        t.shell.started[0],
        (QStringList{"xdg-open", QUrl::fromLocalFile(CLiranaApp::ManualPath()).toString() + "#console"}));

    qputenv("LIRANA_SHARE_DIR", TestEnv::MakeTempDir().toUtf8());
    t.Action(Cmd::Help)->trigger();
    qunsetenv("LIRANA_SHARE_DIR");
    EXPECT_EQ(t.shell.started.size(), 1);
    EXPECT_EQ(t.ui.rec.messages.size(), 1);
    EXPECT_TRUE(t.ui.rec.LastMessage().contains("is not installed"));
}

TEST(ClockMode, FormatsAndPersists)
{
    EXPECT_EQ(
        (QStringList{CDigitalClock::Format(QTime(0, 5, 9), 0), CDigitalClock::Format(QTime(11, 59, 59), 0),
                     CDigitalClock::Format(QTime(12, 0, 0), 0), CDigitalClock::Format(QTime(13, 0, 0), 1),
                     CDigitalClock::Format(QTime(0, 0, 0), 1)}),
        (QStringList{"12:05:09 A", "11:59:59 A", "12:00:00 P", "13:00:00", " 0:00:00"}));
    EXPECT_EQ(CDigitalClock::LocaleMode(QLocale(QLocale::English, QLocale::UnitedStates)), 0);
    TempHive hive;
    const QLocale kept;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    CDigitalClock::LoadSettings();
    QLocale::setDefault(kept);
    EXPECT_EQ(CDigitalClock::Mode(), 1) << "nothing stored: the locale's 24 hours";
    CDigitalClock::SetMode(0);
    CDigitalClock::SaveSettings();
    CDigitalClock::LoadSettings();
    EXPECT_EQ(CDigitalClock::Mode(), 0);
}
