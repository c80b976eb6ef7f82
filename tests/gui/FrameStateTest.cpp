// What survives a restart: placement, bar layout, flat tool bars, full-screen
// mode, the clock mode and the last album with its row; and the shutdown:
// confirmation, save prompt, the order of the saves.
#include "FrameFakes.h"

#include "app/Commands.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/DigitalClock.h"
#include "gui/frame/MainFrame.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"

#include <QStatusBar>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

TEST(FrameState, PlacementBarsAndModesSurviveARestart)
{
    ClearHive();
    const CAppContext context;
    {
        CMainFrame frame(context);
        frame.RestoreFrameState();
        EXPECT_TRUE(frame.FlatToolBars()) << "default";
        EXPECT_FALSE(frame.IsFullScreenMode());
        frame.ShowFrame();
        frame.setGeometry(40, 60, 800, 520);
        frame.MediaBar()->hide();
        frame.statusBar()->hide();
        frame.SetFlatToolBars(false);
        frame.SaveFrameState();
    }
    CMainFrame frame(context);
    frame.RestoreFrameState();
    frame.ShowFrame();
    EXPECT_EQ(frame.geometry(), QRect(40, 60, 800, 520));
    EXPECT_FALSE(frame.MediaBar()->isVisibleTo(&frame));
    EXPECT_TRUE(frame.MainToolBar()->isVisibleTo(&frame));
    EXPECT_FALSE(frame.statusBar()->isVisibleTo(&frame));
    EXPECT_FALSE(frame.FlatToolBars());
    frame.Router().UpdateAll();
    EXPECT_FALSE(frame.Router().Action(Cmd::ViewMediaBar)->isChecked());
    EXPECT_TRUE(frame.Router().Action(Cmd::ViewToolBar)->isChecked());
}

TEST(FrameState, FullScreenIsSavedAsOnAndComesBackWithTheNormalPlacement)
{
    ClearHive();
    const CAppContext context;
    {
        CMainFrame frame(context);
        frame.ShowFrame();
        frame.setGeometry(10, 20, 700, 500);
        frame.SetFullScreenMode(true);
        EXPECT_TRUE(frame.isFullScreen());
        frame.close(); // no close handler: saves and closes
        EXPECT_FALSE(frame.IsFullScreenMode()) << "closing leaves full-screen mode";
    }
    reg::Placement placement;
    ASSERT_TRUE(CRegistryKey::OpenAppSubkey(QStringLiteral("MainFrame")).ReadPlacement(QStringLiteral("WindowPos"), &placement));
    EXPECT_EQ(placement.normal, (reg::Rect{10, 20, 710, 520}));
    EXPECT_TRUE(CRegistryKey::OpenAppSubkey(QStringLiteral("MainFrame")).GetFlag(QStringLiteral("FullScreen"), false));
    CMainFrame frame(context);
    frame.RestoreFrameState();
    frame.ShowFrame();
    EXPECT_TRUE(frame.IsFullScreenMode());
    EXPECT_TRUE(frame.isFullScreen());
    frame.SetFullScreenMode(false);
    EXPECT_EQ(frame.geometry(), QRect(10, 20, 700, 500));
}

TEST(FrameState, RefusesToShrinkBelowTheMinimumAndIgnoresABadPlacement)
{
    ClearHive();
    CRegistryKey key = CRegistryKey::OpenAppSubkey(QStringLiteral("MainFrame"));
    key.SetText(QStringLiteral("WindowPos"), QStringLiteral("0,1,x,y"));
    key.Flush();
    CMainFrame frame{CAppContext{}};
    frame.RestoreFrameState();
    frame.ShowFrame();
    frame.resize(300, 200);
    EXPECT_EQ(frame.size(), QSize(CMainFrame::kMinWidth, CMainFrame::kMinHeight));
}

TEST(ClockMode, FormatsAndPersists)
{
    EXPECT_EQ(CDigitalClock::Format(QTime(0, 5, 9), 0), QStringLiteral("12:05:09"));
    EXPECT_EQ(CDigitalClock::Format(QTime(13, 0, 0), 0), QStringLiteral(" 1:00:00"));
    EXPECT_EQ(CDigitalClock::Format(QTime(13, 0, 0), 1), QStringLiteral("13:00:00"));
    EXPECT_EQ(CDigitalClock::Format(QTime(0, 0, 0), 1), QStringLiteral(" 0:00:00"));
    ClearHive();
    CDigitalClock::LoadSettings();
    EXPECT_EQ(CDigitalClock::Mode(), 0);
    CDigitalClock::SetMode(1);
    CDigitalClock::SaveSettings();
    CDigitalClock::SetMode(0);
    CDigitalClock::LoadSettings();
    EXPECT_EQ(CDigitalClock::Mode(), 1);
}

// ------------------------------------------------------------ application

QString StoredPlacement()
{
    return CRegistryKey::OpenAppSubkey(QStringLiteral("MainFrame")).GetText(QStringLiteral("WindowPos"), {});
}

void SetStoredPlacement(const QString& text)
{
    CRegistryKey key = CRegistryKey::OpenAppSubkey(QStringLiteral("MainFrame"));
    key.SetText(QStringLiteral("WindowPos"), text);
    key.Flush();
}

class AppLifecycle : public ::testing::Test
{
protected:
    void SetUp() override { ClearHive(); }
    void Track(AppUnderTest& t)
    {
        t.app->Context().log->AddSink([this](const QString& line) { log << line.section(u'\t', 1); });
    }
    QStringList log;
};

TEST_F(AppLifecycle, TheLastAlbumAndItsRowComeBack)
{
    const QString album = WriteAlbum(QStringLiteral("last.alb"),
                                     {QStringLiteral("1.pause"), QStringLiteral("2.pause"), QStringLiteral("3.pause")});
    {
        AppUnderTest t(album);
        ASSERT_TRUE(t.app->Start());
        t.app->Playlist().Select(2);
        t.Frame().close();
    }
    AppUnderTest t;
    ASSERT_TRUE(t.app->Start());
    EXPECT_EQ(t.app->Document().PathName(), album);
    EXPECT_EQ(t.app->Playlist().Count(), 3);
    EXPECT_EQ(t.app->Playlist().Selection(), 2);
    EXPECT_TRUE(t.Frame().windowTitle().startsWith(QStringLiteral("last.alb")));
}

TEST_F(AppLifecycle, AMissingLastAlbumGivesANewOneSilently)
{
    const QString album = WriteAlbum(QStringLiteral("gone.alb"), {QStringLiteral("1.pause")});
    {
        AppUnderTest t(album);
        ASSERT_TRUE(t.app->Start());
        t.Frame().close();
    }
    QFile::remove(album);
    AppUnderTest t;
    ASSERT_TRUE(t.app->Start());
    EXPECT_TRUE(t.app->Document().PathName().isEmpty());
    EXPECT_EQ(t.app->Playlist().Count(), 0);
    EXPECT_TRUE(t.ui.messages.isEmpty()) << qPrintable(t.ui.messages.join(u'|'));
}

TEST_F(AppLifecycle, AnAlbumOnTheCommandLineThatCannotBeOpenedEndsTheStart)
{
    AppUnderTest t(TestEnv::MakeTempDir() + QStringLiteral("/missing.alb"));
    EXPECT_FALSE(t.app->Start());
    EXPECT_FALSE(t.ui.messages.isEmpty()) << "the reason is shown";
}

TEST_F(AppLifecycle, AnsweringNoKeepsTheProgramRunningAndPlaying)
{
    const QString album = WriteAlbum(QStringLiteral("air.alb"), {QStringLiteral("30.pause")});
    AppUnderTest t(album);
    ASSERT_TRUE(t.app->Start());
    Track(t);
    t.app->Engine().Settings().shutdownConfirmation = true;
    t.app->Engine().OnPlay();
    ASSERT_NE(t.app->Engine().OnAir(), nullptr);
    SetStoredPlacement(QStringLiteral("untouched"));
    t.ui.yes = false;
    EXPECT_FALSE(t.Frame().close());
    EXPECT_EQ(t.ui.questions, QStringList{QStringLiteral("Confirmation request\nAre you sure you want to exit Lirana now?")});
    EXPECT_TRUE(t.Frame().isVisible());
    EXPECT_NE(t.app->Engine().OnAir(), nullptr) << "playback goes on";
    EXPECT_FALSE(log.contains(QStringLiteral("shutdown")));
    EXPECT_EQ(t.ui.saveQuestions, 0) << "no save prompt after No";
    EXPECT_EQ(StoredPlacement(), QStringLiteral("untouched")) << "nothing saved";

    t.ui.yes = true;
    EXPECT_TRUE(t.Frame().close());
    EXPECT_EQ(log.count(QStringLiteral("shutdown")), 1);
    EXPECT_EQ(t.app->Engine().OnAir(), nullptr) << "stopped at shutdown";
    EXPECT_NE(StoredPlacement(), QStringLiteral("untouched"));
}

TEST_F(AppLifecycle, CancelAtTheSavePromptKeepsTheProgramRunning)
{
    const QString album = WriteAlbum(QStringLiteral("edit.alb"), {QStringLiteral("5.pause")});
    AppUnderTest t(album);
    ASSERT_TRUE(t.app->Start());
    Track(t);
    t.app->Engine().Settings().shutdownConfirmation = false;
    t.app->Playlist().Insert(-1, QStringLiteral("6.pause"));
    t.app->Document().Checkpoint(32805);
    t.ui.saveAnswer = UserInterface::SaveAnswer::Cancel;
    EXPECT_FALSE(t.Frame().close());
    EXPECT_TRUE(t.ui.questions.isEmpty()) << "confirmation is off";
    EXPECT_EQ(t.ui.saveQuestions, 1);
    EXPECT_FALSE(log.contains(QStringLiteral("shutdown")));
    t.ui.saveAnswer = UserInterface::SaveAnswer::Discard;
    EXPECT_TRUE(t.Frame().close());
    EXPECT_EQ(log.count(QStringLiteral("shutdown")), 1);
}

TEST_F(AppLifecycle, ViewSettingsAreSavedAtShutdown)
{
    const QString album = WriteAlbum(QStringLiteral("modes.alb"), {QStringLiteral("5.pause"), QStringLiteral("5.pause")});
    {
        AppUnderTest t(album);
        ASSERT_TRUE(t.app->Start());
        t.Frame().Router().UpdateAll();
        t.Action(Cmd::ModeRepeat)->trigger();
        t.app->Engine().Settings().shutdownConfirmation = false;
        t.Frame().close();
    }
    EXPECT_EQ(CRegistryKey::OpenAppSubkey(QStringLiteral("Settings")).GetNumber(QStringLiteral("PlayerMode"), -1), 2);
    AppUnderTest t;
    ASSERT_TRUE(t.app->Start());
    EXPECT_EQ(t.app->Engine().Mode(), PlayerMode::Repeat);
}

TEST_F(AppLifecycle, TheEndOfTheSessionSavesAndStops)
{
    const QString album = WriteAlbum(QStringLiteral("session.alb"), {QStringLiteral("30.pause")});
    AppUnderTest t(album);
    ASSERT_TRUE(t.app->Start());
    t.app->Engine().Settings().shutdownConfirmation = false;
    t.app->Engine().OnPlay();
    t.app->Engine().SetMode(PlayerMode::Shuffle);
    t.app->EndSession();
    EXPECT_EQ(t.app->Engine().OnAir(), nullptr);
    EXPECT_EQ(CRegistryKey::OpenAppSubkey(QStringLiteral("Settings")).GetNumber(QStringLiteral("PlayerMode"), -1), 4);
}

TEST_F(AppLifecycle, HelpOpensTheManualThroughTheShell)
{
    AppUnderTest t;
    ASSERT_TRUE(t.app->Start());
    t.Frame().Router().UpdateAll();
    t.Action(Cmd::Help)->trigger();
    if (QFileInfo::exists(CLiranaApp::ManualPath())) {
        ASSERT_EQ(t.shell.started.size(), 1);
        EXPECT_EQ(t.shell.started[0], (QStringList{QStringLiteral("xdg-open"), CLiranaApp::ManualPath()}));
    } else {
        EXPECT_TRUE(t.shell.started.isEmpty());
        EXPECT_EQ(t.ui.messages.size(), 1);
    }
}

} // namespace
