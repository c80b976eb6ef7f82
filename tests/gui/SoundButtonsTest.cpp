// SPDX-License-Identifier: GPL-3.0-or-later
// The sound buttons on the console: slot wording, sound windows that play
// over the air without the engine, the fade and the window's end.
#include "ConsoleFixture.h"
#include "media/TrackEvents.h"
#include "media/TrackWork.h"

namespace {

class SoundButtons : public ConsoleTest
{
protected:
    void SetUp() override
    {
        ConsoleTest::SetUp();
        CSoundPlayerDlg::LastRect() = QRect(40, 30, 0, 0);
        station->Sounds().SetSlot(0, "/air/jingle.wav");
        station->Sounds().SetSlot(4, "/air/Station ID.mp3");
        world.lengths["/air/Station ID.mp3"] = 4300;
    }
    QList<CSoundPlayerDlg*> Windows() const { return view->findChildren<CSoundPlayerDlg*>(); }
    static void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(SoundButtons, SlotsWordTheirButtonsAndOnlyAssignedOnesOpenAWindow)
{
    const std::tuple<int, QString, QString, bool> cases[] = {
        {0, "&jingle\t1", "jingle", true},
        {4, "&Station ID\t5", "Station ID", true},
        {8, "Unassigned Sound", "Unassigned Sound", false}};
    for (const auto& [slot, menu, tip, enabled] : cases) {
        const int id = Cmd::SoundFirst + slot;
        EXPECT_EQ(std::tuple(slot, view->CommandMenuText(id), view->CommandToolTip(id), Enabled(id)),
                  std::tuple(slot, menu, tip, enabled));
    }
    EXPECT_TRUE(view->OnCommand(Cmd::SoundFirst + 1));
    EXPECT_TRUE(Windows().isEmpty());

    // Pressed twice: two windows, one over the other, each with its own
    // track playing; nothing goes on air.
    Load({"/air/song.mp3"}, 0);
    ASSERT_TRUE(view->OnCommand(Cmd::SoundFirst + 4));
    ASSERT_TRUE(view->OnCommand(Cmd::SoundFirst + 4));
    const auto windows = Windows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(std::pair(windows[0]->pos(), windows[1]->pos()), std::pair(QPoint(40, 30), QPoint(40, 30)));
    EXPECT_EQ(windows[0]->windowTitle(), "Station ID");
    EXPECT_NE(windows[0]->Track(), windows[1]->Track());
    for (CSoundPlayerDlg* window : windows)
        EXPECT_TRUE(window->Track() && window->Track()->IsPlaying());
    EXPECT_EQ(engine.OnAir(), nullptr);
    static_cast<FakeTrack*>(windows[0]->Track())->SetPosition(2150);
    windows[0]->Tick();
    EXPECT_EQ(std::pair(windows[0]->Progress()->maximum(), windows[0]->Progress()->value()),
              std::pair(43, 21));

    // The next window opens where the last one closed.
    windows[0]->move(300, 200);
    windows[0]->StopButton()->click();
    Settle();
    EXPECT_EQ(Windows().size(), 1);
    EXPECT_EQ(QPoint(Settings().songWindowLeft, Settings().songWindowTop), QPoint(300, 200));
    view->OnCommand(Cmd::SoundFirst);
    EXPECT_EQ(Windows().last()->pos(), QPoint(300, 200));
}

TEST_F(SoundButtons, FadeOutTakesThirtyStepsAndTheWindowEndsWithItsTrack)
{
    view->OnCommand(Cmd::SoundFirst);
    QPointer<CSoundPlayerDlg> window = Windows().value(0);
    ASSERT_TRUE(window);
    window->FadeButton()->click();
    EXPECT_TRUE(window->Fading());
    for (int step = 1; step < CSoundPlayerDlg::kFadeSteps; ++step) {
        window->FadeButton()->click(); // a second press changes nothing
        window->FadeStep();
    }
    ASSERT_TRUE(window && window->Track());
    EXPECT_NEAR(window->Track()->GetVolume(), 1.0 / 30, 0.002);
    EXPECT_EQ(window->FadeBar()->value(), 97);
    window->FadeStep();
    Settle();
    EXPECT_FALSE(window) << "ends at silence after 3 s";

    // Its own track's end or failure closes a window; another notice or
    // another track's does not.
    for (const int code : {MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_FAILURE}) {
        view->OnCommand(Cmd::SoundFirst);
        window = Windows().value(0);
        ASSERT_TRUE(window);
        const std::uint64_t serial = window->Track()->Serial();
        CMciNotifyEvent superseded(MCI_NOTIFY_SUPERSEDED, serial), another(code, serial + 1000);
        QCoreApplication::sendEvent(window, &superseded);
        QCoreApplication::sendEvent(window, &another);
        Settle();
        ASSERT_TRUE(window);
        QCoreApplication::postEvent(window, new CMciNotifyEvent(code, serial));
        QCoreApplication::sendPostedEvents(window);
        Settle();
        EXPECT_FALSE(window) << code;
    }

    // A file that cannot be opened: its message, and the window goes.
    world.failingOpen.insert("/air/jingle.wav");
    view->OnCommand(Cmd::SoundFirst);
    QCoreApplication::sendPostedEvents();
    Settle();
    EXPECT_TRUE(Windows().isEmpty());
    EXPECT_EQ(std::pair(ui.LastMessage(), ui.icons.value(0)),
              std::pair(QStringLiteral("cannot open /air/jingle.wav"), UserInterface::Icon::Stop));
}

TEST_F(SoundButtons, AFileThatOpensSlowlyLeavesTheConsoleFree)
{
    world.ahead = {"*"}; // each open waits at the gate, as on a slow share
    world.gate = false;
    view->OnCommand(Cmd::SoundFirst);
    QPointer<CSoundPlayerDlg> window = Windows().value(0);
    ASSERT_TRUE(window && !window->Track()) << "still opening, and the console runs on";
    EXPECT_TRUE(QApplication::overrideCursor());
    window->StopButton()->click(); // closed while opening
    Settle();
    EXPECT_FALSE(window || QApplication::overrideCursor());
    world.gate = true;
    view->OnCommand(Cmd::SoundFirst);
    window = Windows().value(0);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return window && window->Track(); }, 5000));
    EXPECT_TRUE(window->Track()->IsPlaying());
    window->close();
    Settle();
    ASSERT_TRUE(TrackWork::WaitIdle(5000));
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(TrackWork::WaitIdle(5000));
    EXPECT_TRUE(world.alive.empty()) << "both tracks closed off the thread";
}

TEST_F(SoundButtons, TheSoundsPageEditsACopyThatOkStores)
{
    const QString folder = TestEnv::MakeTempDir("sounds");
    RunSheet(Cmd::EditSounds, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), "Advanced Options");
        EXPECT_EQ(sheet.Tabs()->count(), 1);
        CSoundsPage& page = *sheet.findChild<CSoundsPage*>();
        EXPECT_EQ(ItemTexts(page.List()).join(u'|'),
                  "[1] jingle|[2] |[3] |[4] |[5] Station ID|[6] |[7] |[8] |[9] ");
        EXPECT_EQ(page.List()->currentRow(), 0);
        page.SetPickers({Picker("/new/drum roll.wav"), Picker({}), Picker(folder + "/Sounds.ini")});
        emit page.List()->itemDoubleClicked(page.List()->item(1)); // unassigned: Modify
        page.List()->setCurrentRow(0);
        page.Delete();
        page.Save();
        EXPECT_EQ(ItemTexts(page.List()).mid(0, 2), QStringList({"[1] ", "[2] drum roll"}));
    }); // cancelled
    EXPECT_EQ(station->Sounds().Slot(0), "/air/jingle.wav") << "Cancel keeps the slots";
    EXPECT_EQ(std::tuple(Settings().soundDir, Settings().soundListDir,
                         CRegistryKey::OpenAppSubkey("Settings").GetText("SoundDir", {})),
              std::tuple("/new", folder, "/new"));
    // The stored forms are the sound list's own (its test): here, that they were written.
    CIniFile saved(folder + "/Sounds.ini");
    saved.SetSection("Sounds");
    EXPECT_EQ(saved.GetString("Sound 2"), "/new/drum roll.wav");

    // Loaded and stored on OK; the button follows at once.
    RunSheet(Cmd::EditSounds, [&](CPropertySheet& sheet) {
        CSoundsPage& page = *sheet.findChild<CSoundsPage*>();
        page.SetPickers({Picker({}), Picker(folder + "/Sounds.ini"), Picker({})});
        page.Load();
        EXPECT_EQ(page.List()->item(1)->text(), "[2] drum roll");
        sheet.accept();
    });
    EXPECT_EQ(pickerFolders.last(), folder + "/Sounds.ini") << "the folder of the last sounds file";
    EXPECT_FALSE(station->Sounds().IsAssigned(0));
    EXPECT_EQ(view->CommandMenuText(Cmd::SoundFirst + 1), "&drum roll\t2");
    EXPECT_EQ(CRegistryKey::OpenAppSubkey("Sounds").GetText("Sound 2", {}), "/new/drum roll.wav");
}

} // namespace
