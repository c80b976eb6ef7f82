// SPDX-License-Identifier: GPL-3.0-or-later
// What survives a restart: placement, bar layout, flat tool bars, full-screen
// mode, the last album and the player mode; and the shutdown: confirmation,
// save prompt, what is saved when.
#include "FrameFixture.h"

#include "app/Commands.h"
#include "gui/dialogs/HelpWindow.h"
#include "gui/frame/DigitalClock.h"
#include "gui/frame/MainFrame.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"

#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeView>

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
        t.app->Engine().Settings().shutdownConfirmation = false;
        EXPECT_TRUE(t.Frame().close());
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
        t.app->Engine().Settings().shutdownConfirmation = false;
        t.ui.rec.saveAnswers = {UserInterface::SaveAnswer::Discard};
        EXPECT_TRUE(t.Frame().close());
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
        t.app->Engine().Settings().shutdownConfirmation = false;
        EXPECT_TRUE(t.Frame().close());
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
