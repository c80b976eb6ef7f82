// The console under a window manager (run by tests/gui/e2e/under-wm.sh:
// openbox in Xvfb, the xcb platform): the windows the console opens by
// itself (a mini playlist's, sound windows, help) never take the keyboard
// from it unless asked, land inside the screen with their title bars
// reachable and never over the console's menu bar. Keys are typed with
// xdotool, so they go where the window manager sends them, as an
// operator's would.
#include "FrameFixture.h"

#include "app/Commands.h"
#include "app/ViewSettings.h"
#include "gui/console/LiranaView.h"
#include "gui/console/MiniPlaylistWnd.h"
#include "gui/dialogs/PropertySheet.h"
#include "gui/dialogs/SoundPlayerDlg.h"
#include "onair/OnAirEngine.h"
#include "playlist/Playlist.h"
#include "station/Station.h"
#include "support/AirTest.h"
#include "support/TestMedia.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTest>

namespace {

bool UnderWindowManager()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           QProcess::execute("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}) == 0;
}

// Types keys into whatever window has the keyboard, delayMs apart, while
// this process goes on handling its events.
void Type(const QStringList& keys, int delayMs = 250)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{"key", "--delay", QString::number(delayMs)} + keys);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return xdotool.state() == QProcess::NotRunning; }, 20000));
    QTest::qWait(300); // the last key's work
}

// The whole screen into $LIRANA_WM_SHOTS/name.png when that folder is set,
// for a person to look at what the window manager made of the windows.
void Shot(const char* name)
{
    const QString folder = qEnvironmentVariable("LIRANA_WM_SHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(300); // painted
    QProcess::execute("import", {"-window", "root", folder + u'/' + QLatin1String(name) + ".png"});
}

QRect MenuBarOnScreen(CMainFrame& frame)
{
    const QMenuBar* bar = frame.menuBar();
    return QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
}

// The console maximised and active, on an album.
void StartConsole(AppUnderTest& t)
{
    ASSERT_TRUE(t.app->Start());
    t.Frame().showMaximized();
    t.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&t.Frame()));
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return t.Frame().frameGeometry().width() > 1000; }, 5000));
    Shot("console-maximised");
}

class WindowManager : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!UnderWindowManager())
            GTEST_SKIP() << "runs under tests/gui/e2e/under-wm.sh";
        qputenv("LIRANA_AUDIO_SINK", "fakesink sync=true");
    }
    void TearDown() override { qunsetenv("LIRANA_AUDIO_SINK"); }
};

TEST_F(WindowManager, AMiniPlaylistWindowLeavesTheKeyboardToTheConsoleAndItsTitleBarOnTheScreen)
{
    TempHive hive;
    const QString dir = TestEnv::MakeTempDir();
    TestEnv::WriteFile(dir + "/set.mpl", "20.pause\n20.pause\n");
    AppUnderTest t(WriteAlbum("day.alb", {dir + "/set.mpl", "20.pause"}));
    StartConsole(t);

    Type({"p"});
    CMiniPlaylistWnd* window = nullptr;
    ASSERT_TRUE(TestEnv::WaitUntil(
        [&] {
            window = t.Frame().findChild<CMiniPlaylistWnd*>();
            return window && window->isVisible();
        },
        5000));
    QTest::qWait(500); // the window manager's placement and focus
    Shot("mini-playlist");
    EXPECT_EQ(QApplication::activeWindow(), &t.Frame()) << "the console keeps the keyboard";
    const QRect screen = t.Frame().screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window->frameGeometry()))
        << "frame at " << window->frameGeometry().x() << "," << window->frameGeometry().y();
    EXPECT_FALSE(window->frameGeometry().intersects(MenuBarOnScreen(t.Frame()))) << "over the menu bar";

    // Where the operator leaves it, the next one opens.
    window->move(700, 420);
    ASSERT_TRUE(
        TestEnv::WaitUntil([&] { return window->frameGeometry().topLeft() == QPoint(700, 420); }, 3000));
    Type({"s"});
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !t.Frame().findChild<CMiniPlaylistWnd*>(); }, 10000))
        << "S reached the console";
    t.app->Playlist().Select(0);
    Type({"p"});
    ASSERT_TRUE(TestEnv::WaitUntil(
        [&] {
            window = t.Frame().findChild<CMiniPlaylistWnd*>();
            return window && window->isVisible() && window->frameGeometry().topLeft() == QPoint(700, 420);
        },
        5000));
}

// The client windows bottom to top, as the window manager stacks them.
QList<WId> Stacking()
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    xprop.waitForFinished(5000);
    QList<WId> ids;
    const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
    for (const QString& id : out.section(u'#', 1).split(u',', Qt::SkipEmptyParts))
        ids << id.trimmed().toULongLong(nullptr, 16);
    return ids;
}

TEST_F(WindowManager, FOneInAModalSheetOpensHelpAboveTheSheet)
{
    TempHive hive;
    AppUnderTest t;
    StartConsole(t);
    bool ran = false;
    OnNextModal<CPropertySheet>(
        [&](CPropertySheet& sheet) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
            Shot("advanced-options");
            Type({"F1"});
            CHelpWindow* help = t.app->HelpWindow();
            ASSERT_TRUE(help && TestEnv::WaitUntil([&] { return help->isVisible(); }, 5000));
            QTest::qWait(500);
            Shot("help-over-sheet");
            const QList<WId> stack = Stacking();
            EXPECT_GT(stack.indexOf(help->winId()), stack.indexOf(sheet.winId())) << "help under the sheet";
            EXPECT_GT(stack.indexOf(help->winId()), stack.indexOf(t.Frame().winId()))
                << "help under the console";
            EXPECT_EQ(QApplication::activeWindow(), help) << "the operator can read and scroll it";
            help->close();
        },
        &ran);
    t.Action(Cmd::AdvancedOptions)->trigger();
    EXPECT_TRUE(ran);
    // With the sheet gone, F1 on the console shows the same window again.
    t.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&t.Frame()));
    Type({"F1"});
    ASSERT_TRUE(
        TestEnv::WaitUntil([&] { return t.app->HelpWindow() && t.app->HelpWindow()->isVisible(); }, 5000));
}

class SoundWindowsOnAir : public AirTest
{
protected:
    void SetUp() override
    {
        if (!UnderWindowManager())
            GTEST_SKIP() << "runs under tests/gui/e2e/under-wm.sh";
        AirTest::SetUp();
    }
};

TEST_F(SoundWindowsOnAir, QuickSoundKeysEachSoundTheirJingleAndTheConsoleKeepsTheKeyboard)
{
    if (IsSkipped())
        return;
    TempHive hive;
    const QString& media = dir;
    const double tones[] = {700, 1100, 1700};
    AppUnderTest t(WriteAlbum("day.alb", {TestMedia::ToneWav(media, "song", 300, 30)}));
    StartConsole(t);
    for (int i = 0; i < 3; ++i)
        t.app->Station().Sounds().SetSlot(
            i, TestMedia::ToneWav(media, QString("jingle%1").arg(i), tones[i], 2.0));
    StartRecording();
    Type({"p"});
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return t.app->Engine().OnAir() != nullptr; }, 5000));
    Type({"1", "2", "3"});
    EXPECT_EQ(QApplication::activeWindow(), &t.Frame()) << "the console keeps the keyboard";
    Shot("sound-windows");
    const QList<CSoundPlayerDlg*> windows = t.Frame().findChildren<CSoundPlayerDlg*>();
    EXPECT_EQ(windows.size(), 3);
    for (const CSoundPlayerDlg* window : windows)
        EXPECT_FALSE(window->frameGeometry().intersects(MenuBarOnScreen(t.Frame()))) << "over the menu bar";
    Type({"s"});
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return !t.app->Engine().OnAir(); }, 10000)) << "S stops the item";
    ASSERT_TRUE(recorder.RecordFor(1.5));
    const WavAnalysis::Wav air = StopAndRead();
    for (double tone : tones)
        EXPECT_TRUE(WavAnalysis::ToneOnset(air, tone).has_value()) << tone << " Hz never sounded";
}

} // namespace
