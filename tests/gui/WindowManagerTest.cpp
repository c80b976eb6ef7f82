// SPDX-License-Identifier: GPL-3.0-or-later
// The console under a window manager (run by tests/gui/e2e/under-wm.sh:
// openbox in Xvfb, the xcb platform): the windows the console opens by
// itself (a mini playlist's, sound windows, help) never take the keyboard
// from it unless asked, land inside the screen with their title bars
// reachable and never over the console's menu bar. Keys are typed with
// xdotool, so they go where the window manager sends them, as an
// operator's would.
#include "FrameFixture.h"

#include "support/AirTest.h"

namespace {

bool UnderWindowManager()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           QProcess::execute("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}) == 0;
}

// The X window that has the keyboard, as xdotool names it.
QString XFocus()
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {"getwindowfocus"});
    xdotool.waitForFinished(5000);
    return "0x" + QString::number(xdotool.readAllStandardOutput().trimmed().toULongLong(), 16);
}

// Types keys, delayMs apart, into `window` once the X server gives it the
// keyboard (Qt may call a window active before the window manager's focus
// has reached it: a key typed then went to the window before, in 1 run of
// 12), while this process goes on handling its events.
void Type(const QWidget& window, const QStringList& keys, int delayMs = 250)
{
    const QString id = "0x" + QString::number(window.winId(), 16);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return XFocus() == id; }, 5000))
        << "the keyboard is on " << XFocus().toStdString() << ", not on " << id.toStdString();
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{"key", "--delay", QString::number(delayMs)} + keys);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return xdotool.state() == QProcess::NotRunning; }, 20000));
    QTest::qWait(300); // the last key's work
}

// The screen into $LIRANA_WM_SHOTS/name.png when that folder is set.
void Shot(const char* name)
{
    if (const QString folder = qEnvironmentVariable("LIRANA_WM_SHOTS"); !folder.isEmpty()) {
        QTest::qWait(300); // painted
        QProcess::execute("import", {"-window", "root", folder + u'/' + QLatin1String(name) + ".png"});
    }
}

// Where a side window must not be: outside the screen or over the menu bar.
void ExpectPlacedBeside(const QWidget& window, CMainFrame& frame)
{
    const QRect bar(frame.menuBar()->mapToGlobal(QPoint(0, 0)), frame.menuBar()->size());
    EXPECT_TRUE(frame.screen()->availableGeometry().contains(window.frameGeometry())) << "off the screen";
    EXPECT_FALSE(window.frameGeometry().intersects(bar)) << "over the menu bar";
}

void StartConsole(AppUnderTest& t)
{
    ASSERT_TRUE(t.app->Start());
    t.Frame().showMaximized();
    t.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&t.Frame()));
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return t.Frame().frameGeometry().width() > 1000; }, 5000));
    Shot("console-maximised");
}

template <class Base>
class UnderWm : public Base
{
protected:
    void SetUp() override
    {
        if (!UnderWindowManager())
            GTEST_SKIP() << "runs under tests/gui/e2e/under-wm.sh";
        qputenv("LIRANA_AUDIO_SINK", "fakesink sync=true"); // the air test's own output below
        Base::SetUp();
    }
    void TearDown() override { qunsetenv("LIRANA_AUDIO_SINK"); }
    TempHive hive;
};
using WindowManager = UnderWm<::testing::Test>;
using SoundWindowsOnAir = UnderWm<AirTest>;

TEST_F(WindowManager, AMiniPlaylistWindowLeavesTheKeyboardToTheConsoleAndOpensWhereItWasLeft)
{
    const QString dir = TestEnv::MakeTempDir();
    TestEnv::WriteFile(dir + "/set.mpl", "20.pause\n20.pause\n");
    AppUnderTest t(WriteAlbum("day.alb", {dir + "/set.mpl", "20.pause"}));
    StartConsole(t);
    auto shown = [&](QPoint at) {
        return TestEnv::WaitUntil(
            [&] {
                auto* w = t.Frame().findChild<CMiniPlaylistWnd*>();
                return w && w->isVisible() && (at.isNull() || w->frameGeometry().topLeft() == at);
            },
            5000);
    };
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return t.Action(Cmd::Play)->isEnabled(); }, 5000));
    Type(t.Frame(), {"p"});
    ASSERT_TRUE(shown({})) << "on air: " << (t.app->Engine().OnAir() != nullptr);
    QTest::qWait(500); // the window manager's placement and focus
    Shot("mini-playlist");
    EXPECT_EQ(QApplication::activeWindow(), &t.Frame()) << "the console keeps the keyboard";
    CMiniPlaylistWnd* window = t.Frame().findChild<CMiniPlaylistWnd*>();
    ExpectPlacedBeside(*window, t.Frame());
    window->move(700, 420);
    ASSERT_TRUE(
        TestEnv::WaitUntil([&] { return window->frameGeometry().topLeft() == QPoint(700, 420); }, 3000));
    Type(t.Frame(), {"s"});
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !t.Frame().findChild<CMiniPlaylistWnd*>(); }, 10000))
        << "S reached the console";
    t.app->Playlist().Select(0);
    Type(t.Frame(), {"p"});
    EXPECT_TRUE(shown({700, 420}));
}

TEST_F(WindowManager, FOneInAModalSheetOpensHelpAboveTheSheet)
{
    AppUnderTest t;
    StartConsole(t);
    bool ran = false;
    OnNextModal<CPropertySheet>(
        [&](CPropertySheet& sheet) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
            Shot("advanced-options");
            Type(sheet, {"F1"}); // the key reaches the program through the X server, in its time
            // The manual loads with its pictures: on a loaded machine (the
            // sanitizer builds beside CI's first stage) that took over 5 s.
            ASSERT_TRUE(TestEnv::WaitUntil(
                [&] { return t.app->HelpWindow() && t.app->HelpWindow()->isVisible(); }, 15000));
            CHelpWindow* help = t.app->HelpWindow();
            Shot("help-over-sheet");
            // Above the sheet in the window manager's stack (bottom to top).
            auto above = [&] {
                QProcess xprop;
                xprop.start(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
                xprop.waitForFinished(5000);
                const QString stack = QString::fromLatin1(xprop.readAllStandardOutput()).section(u'#', 1);
                auto level = [&](const QWidget* w) {
                    return stack.indexOf("0x" + QString::number(w->winId(), 16));
                };
                return level(help) > level(&sheet);
            };
            EXPECT_TRUE(TestEnv::WaitUntil(above, 3000)) << "help under the sheet";
            EXPECT_TRUE(TestEnv::WaitUntil([&] { return QApplication::activeWindow() == help; }, 3000))
                << "the operator can read and scroll it";
            help->close();
        },
        &ran);
    t.Action(Cmd::AdvancedOptions)->trigger();
    EXPECT_TRUE(ran);
}

TEST_F(SoundWindowsOnAir, QuickSoundKeysEachSoundTheirJingleAndTheConsoleKeepsTheKeyboard)
{
    if (this->IsSkipped())
        return;
    qunsetenv("LIRANA_AUDIO_SINK");
    const double tones[] = {700, 1100, 1700};
    AppUnderTest t(WriteAlbum("day.alb", {TestMedia::ToneWav(dir, "song", 300, 30)}));
    StartConsole(t);
    for (int i = 0; i < 3; ++i)
        t.app->Station().Sounds().SetSlot(i,
                                          TestMedia::ToneWav(dir, QString("jingle%1").arg(i), tones[i], 2.0));
    StartRecording();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return t.Action(Cmd::Play)->isEnabled(); }, 5000));
    Type(t.Frame(), {"p"});
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return t.app->Engine().OnAir() != nullptr; }, 5000));
    Type(t.Frame(), {"1", "2", "3"});
    Shot("sound-windows");
    EXPECT_EQ(QApplication::activeWindow(), &t.Frame()) << "the console keeps the keyboard";
    const QList<CSoundPlayerDlg*> windows = t.Frame().findChildren<CSoundPlayerDlg*>();
    EXPECT_EQ(windows.size(), 3);
    for (const CSoundPlayerDlg* window : windows)
        ExpectPlacedBeside(*window, t.Frame());
    Type(t.Frame(), {"s"});
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return !t.app->Engine().OnAir(); }, 10000)) << "S stops the item";
    ASSERT_TRUE(recorder.RecordFor(1.5));
    const WavAnalysis::Wav air = StopAndRead();
    for (double tone : tones)
        EXPECT_TRUE(WavAnalysis::ToneOnset(air, tone).has_value()) << tone << " Hz never sounded";
}

} // namespace
