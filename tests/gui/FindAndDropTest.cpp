// SPDX-License-Identifier: GPL-3.0-or-later
// The find dialog and drops on the frame reach the album; drive changes
// reach the view.
#include "FrameFixture.h"

#include "app/Commands.h"
#include "gui/dialogs/FindDialog.h"
#include "gui/frame/DeviceWatcher.h"
#include "gui/frame/MainFrame.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"
#include "station/Station.h"

#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

namespace {

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

    const std::tuple<QRadioButton*, const char*, bool, int> steps[] = {
        {down, "ALPHA", true, 2}, {up, "a", false, 1}, {up, "a", false, 0}, {up, "a", false, 3}};
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
    view.states[Cmd::UpdateCdNames] = {true, false};
    frame.SetView(new QWidget, &view);
    QObject::connect(&watcher, &CDeviceWatcher::DrivesChanged, &frame, &CMainFrame::OnDrivesChanged);
    QFile::remove(dev + "/sr0");
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !view.ran.isEmpty(); }, 2000));
    EXPECT_EQ(view.ran, QList<int>{Cmd::UpdateCdNames});
}

} // namespace
