// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's actions (menus, tool bars, keys) show the station's enable
// and check states and reach it; the mode combo box; the order of the
// command targets; the command catalogue. The find dialog and drops on the
// frame reach the album; drive changes reach the view.
#include "FrameFixture.h"

#include "gui/dialogs/FindDialog.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/DeviceWatcher.h"

namespace {

class PlayerActions : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(t.app->Start()); }

    TempHive hive;
    AppUnderTest t{WriteAlbum("pauses.alb", {"30.pause", "30.pause", "30.pause"})};
};

TEST_F(PlayerActions, ActionsShowAndRunTheStationsCommands)
{
    enum : int { Off, On, OffChecked, OnChecked }; // bit 0: enabled, bit 1: checked
    // The command triggered (0: none), the row selected first (-2: none), then ids and their states.
    const std::tuple<int, int, std::vector<int>> steps[] = {
        {0, 1, {Cmd::Play, On, Cmd::Stop, Off, Cmd::Pause, On, Cmd::Break, On, Cmd::CrossFader, Off}},
        {0, -1, {Cmd::Play, Off, Cmd::Pause, Off, Cmd::FileNew, On}},
        {0, -2, {Cmd::Help, On, Cmd::ViewToolBar, OnChecked}},
        {Cmd::Play, 0, {Cmd::Play, OffChecked, Cmd::Stop, On, Cmd::Pause, On, Cmd::CrossFader, On}},
        {Cmd::Pause, -2, {Cmd::Pause, OnChecked, Cmd::Play, OnChecked, Cmd::CrossFader, Off}},
        {Cmd::Pause, -2, {Cmd::Pause, On}},
        {Cmd::Stop, -2, {Cmd::Stop, Off, Cmd::Play, On}},
        {Cmd::Break, -2, {Cmd::Break, OnChecked}},
        {Cmd::Break, -2, {Cmd::Break, On}},
    };
    for (const auto& [trigger, selection, states] : steps) {
        if (selection != -2)
            t.app->Playlist().Select(selection);
        if (trigger)
            t.Action(trigger)->trigger();
        for (std::size_t i = 0; i < states.size(); i += 2) {
            const int id = states[i];
            QAction* action = t.Action(id);
            EXPECT_EQ(action->isEnabled(), bool(states[i + 1] & On)) << id << " after " << trigger;
            EXPECT_EQ(action->isChecked(), bool(states[i + 1] & OffChecked)) << id << " after " << trigger;
            if (id == Cmd::Play || id == Cmd::Pause || id == Cmd::Break) {
                EXPECT_EQ(action->isCheckable(), action->isChecked()) << id << ": a mark only while checked";
            }
        }
    }
}

TEST_F(PlayerActions, ModesAreRadioItemsAndFollowTheCombo)
{
    QComboBox* combo = t.Frame().ModeCombo();
    const QList<int>& modes = PlayerModeCommands();
    ASSERT_EQ(combo->count(), modes.size());
    const QActionGroup* group = t.Action(modes[0])->actionGroup();
    ASSERT_TRUE(group && group->isExclusive());
    for (int i = 0; i < modes.size(); ++i) {
        t.Action(modes[i])->trigger();
        EXPECT_EQ(static_cast<int>(t.app->Engine().Mode()), i);
        for (int j = 0; j < modes.size(); ++j)
            EXPECT_EQ(t.Action(modes[j])->isChecked(), i == j) << "mode " << i << " item " << j;
        EXPECT_EQ(combo->currentIndex(), i);
    }
    emit combo->activated(1);
    EXPECT_EQ(static_cast<int>(t.app->Engine().Mode()), 1) << "the operator's pick in the combo";
}

TEST(CommandRouting, ViewFirstThenFrameThenApplication)
{
    TempHive hive;
    RecordingTarget viewTarget;
    AppUnderTest t({}, [&](const CAppContext&, CMainFrame* frame) {
        frame->SetView(new QWidget(frame), &viewTarget);
        return static_cast<QWidget*>(nullptr); // already set, with the recorder as target
    });
    ASSERT_TRUE(t.app->Start());
    t.app->Playlist().Reset({"5.pause"}, 0);

    viewTarget.states[Cmd::Play] = {false, false};
    EXPECT_FALSE(t.Action(Cmd::Play)->isEnabled()) << "the view's answer wins over the engine's";
    viewTarget.states.erase(Cmd::Play);
    EXPECT_TRUE(t.Action(Cmd::Play)->isEnabled()) << "left to the engine";

    viewTarget.states[Cmd::ViewToolBar] = {true, false};
    t.Action(Cmd::ViewToolBar)->trigger();
    EXPECT_EQ(viewTarget.ran, QList<int>{Cmd::ViewToolBar});
    EXPECT_TRUE(t.Frame().MainToolBar()->isVisibleTo(&t.Frame())) << "the frame never saw it";

    EXPECT_FALSE(t.Action(Cmd::Options)->isEnabled()) << "a command nobody answers is disabled";
    EXPECT_FALSE(t.Frame().Router().Dispatch(Cmd::Options));
}

TEST(CommandCatalogue, EveryEntryHasAPromptAndUniqueKeys)
{
    QMap<QString, int> keys;
    for (const CommandInfo& info : AllCommands()) {
        EXPECT_FALSE(info.StatusTip().isEmpty()) << info.id;
        EXPECT_FALSE(info.ToolTip().isEmpty()) << info.id;
        for (const QKeySequence& key : info.keys) {
            EXPECT_FALSE(keys.contains(key.toString())) << qPrintable(key.toString()) << " twice";
            keys.insert(key.toString(), info.id);
        }
    }
}

TEST(FindDialog, OneModelessDialogSelectsMatches)
{
    TempHive hive;
    CPlaylist list;
    list.Reset({"/m/Alpha.wav", "/m/beta.mp3", "/m/ALPHA two.ogg", "/m/gamma.wav"}, 0);
    CMainFrame frame{CAppContext{&list}};
    frame.Router().UpdateAll();
    frame.Router().Action(Cmd::Find)->trigger();
    CFindDialog* dialog = frame.FindDialog();
    ASSERT_TRUE(dialog && !dialog->isModal());
    frame.Router().Action(Cmd::Find)->trigger();
    EXPECT_EQ(frame.findChildren<CFindDialog*>(), QList<CFindDialog*>{dialog}) << "the same dialog again";
    auto* findNext = dialog->findChild<QPushButton*>("findNext");
    auto* up = dialog->findChild<QRadioButton*>("up");
    auto* down = dialog->findChild<QRadioButton*>("down");
    ASSERT_TRUE(findNext && up && down);
    EXPECT_TRUE(dialog->SearchDown()) << "opens searching down";

    // Match case passes "ALPHA two" (row 2) by; without it, "a" stops there.
    const std::tuple<QRadioButton*, const char*, bool, int> steps[] = {
        {down, "Alpha", true, 0}, {up, "a", false, 3}, {up, "a", false, 2}, {up, "a", false, 1}};
    for (const auto& [direction, text, matchCase, row] : steps) {
        QTest::mouseClick(direction, Qt::LeftButton);
        dialog->SetText(QString::fromLatin1(text));
        dialog->SetMatchCase(matchCase);
        QTest::mouseClick(findNext, Qt::LeftButton);
        EXPECT_EQ(list.Selection(), row) << text;
    }
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame.FindDialog(), nullptr) << "closing forgets the dialog";
}

TEST(FrameDrops, BarsGoToTheViewAndTheMenuBarOpensAList)
{
    TempHive hive;
    RecordingUi ui;
    CStation station({&ui, nullptr, nullptr, {}, {}, nullptr, {}});
    CAppContext context{&station.Playlist(), &station.Document(), &station.Engine(), &station.Log(), &ui};
    CMainFrame frame(context);
    frame.setCentralWidget(new QWidget);
    QStringList toView;
    frame.SetDropHandler([&](const QStringList& names) { toView = names; });
    frame.show();

    const QList<QUrl> media = {QUrl::fromLocalFile("/x/a.wav"), QUrl::fromLocalFile("/x/b.wav")};
    const QPoint onStatus = frame.statusBar()->geometry().center();
    const QPoint onMenu = frame.menuBar()->geometry().center();
    EXPECT_TRUE(frame.HandleDrop(onStatus, media));
    EXPECT_EQ(toView, QStringList({"/x/a.wav", "/x/b.wav"}));
    EXPECT_TRUE(frame.HandleDrop(onMenu, media));
    EXPECT_EQ(ui.messages, QStringList{CLiranaDoc::MediaFileMessage()}) << "a media file is no list";

    const QString album = WriteAlbum("dropped.alb", {"1.pause", "2.pause"});
    EXPECT_TRUE(frame.HandleDrop(onMenu, {QUrl::fromLocalFile(album), QUrl::fromLocalFile("/x/other.alb")}));
    // The first dropped file replaced the rows; the album stays untitled.
    EXPECT_EQ(std::pair(station.Playlist().Count(), station.Document().PathName()), std::pair(2, QString()));
}

TEST(DeviceWatcher, DrivesComingAndGoingRefreshTheCdNames)
{
    const QString dev = TestEnv::MakeTempDir("dev");
    CDeviceWatcher watcher(dev);
    TestEnv::WriteFile(dev + "/tty9", {});
    TestEnv::WriteFile(dev + "/sr0", {});
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !watcher.Drives().isEmpty(); }, 2000));
    EXPECT_EQ(watcher.Drives(), QStringList{"sr0"}) << "other devices do not count";
    CMainFrame frame{CAppContext{}};
    RecordingTarget view;
    view.Enable({Cmd::UpdateCdNames});
    frame.SetView(new QWidget, &view);
    QObject::connect(&watcher, &CDeviceWatcher::DrivesChanged, &frame, &CMainFrame::OnDrivesChanged);
    QFile::remove(dev + "/sr0");
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !view.ran.isEmpty(); }, 2000));
    EXPECT_EQ(view.ran, QList<int>{Cmd::UpdateCdNames});
}

} // namespace
