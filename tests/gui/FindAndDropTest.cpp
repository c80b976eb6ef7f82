// The playlist search of the find dialog, drops on the frame and drive
// changes.
#include "FrameFakes.h"

#include "gui/dialogs/FindDialog.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/DeviceWatcher.h"
#include "gui/frame/MainFrame.h"
#include "onair/Find.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"

#include <QDropEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QMimeData>
#include <QUrl>
#include <QSignalSpy>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace {

CPlaylist& Rows(CPlaylist& list, int selection)
{
    list.Reset({QStringLiteral("/m/Alpha.wav"), QStringLiteral("/m/beta.mp3"), QStringLiteral("/m/ALPHA two.ogg"),
                QStringLiteral("/m/gamma.wav")},
               selection);
    return list;
}

TEST(FindRow, StepsFromTheRowAfterTheSelectionAndWraps)
{
    CPlaylist list;
    Rows(list, 0);
    EXPECT_EQ(FindRow(list, QStringLiteral("alpha"), 0, false), 2) << "never the selected row first";
    EXPECT_EQ(FindRow(list, QStringLiteral("alpha"), 2, false), 0) << "wraps to row 0";
    EXPECT_EQ(FindRow(list, QStringLiteral("ALPHA"), 0, true), 2);
    EXPECT_EQ(FindRow(list, QStringLiteral("Alpha"), 0, true), 0) << "only the start matches: stays";
    EXPECT_EQ(FindRow(list, QStringLiteral("zeta"), 1, false), 1) << "no match: stays";
    EXPECT_EQ(FindRow(list, QStringLiteral("mp3"), 0, false), 0) << "display names have no extension";
    EXPECT_EQ(FindRow(list, QStringLiteral("a"), 0, false, false), 3) << "upwards wraps to the last row";
    EXPECT_EQ(FindRow(list, QStringLiteral("a"), -1, false), -1);
    EXPECT_EQ(FindRow(list, QString(), 0, false), -1);
}

TEST(FindDialog, OneModelessDialogSelectsMatches)
{
    ClearHive();
    CPlaylist list;
    Rows(list, 0);
    CAppContext context;
    context.playlist = &list;
    CMainFrame frame(context);
    frame.Router().UpdateAll();
    frame.Router().Action(Cmd::Find)->trigger();
    CFindDialog* dialog = frame.FindDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    frame.Router().Action(Cmd::Find)->trigger();
    EXPECT_EQ(frame.FindDialog(), dialog) << "a second Ctrl+F brings the same dialog forward";
    EXPECT_EQ(frame.findChildren<CFindDialog*>().size(), 1);
    dialog->SetText(QStringLiteral("ALPHA"));
    dialog->SetMatchCase(true);
    EXPECT_TRUE(dialog->SearchDown()) << "opens searching down";
    auto* findNext = dialog->findChild<QPushButton*>(QStringLiteral("findNext"));
    auto* up = dialog->findChild<QRadioButton*>(QStringLiteral("up"));
    auto* down = dialog->findChild<QRadioButton*>(QStringLiteral("down"));
    ASSERT_TRUE(findNext && up && down);
    QTest::mouseClick(findNext, Qt::LeftButton);
    EXPECT_EQ(list.Selection(), 2);

    // Up, as the operator sets it: rows above first, then round from the end.
    dialog->SetMatchCase(false);
    dialog->SetText(QStringLiteral("a"));
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_FALSE(dialog->SearchDown());
    const int upwards[] = {1, 0, 3, 2};
    for (int expected : upwards) {
        QTest::mouseClick(findNext, Qt::LeftButton);
        EXPECT_EQ(list.Selection(), expected) << "up";
    }
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::mouseClick(findNext, Qt::LeftButton);
    EXPECT_EQ(list.Selection(), 3) << "down again from row 2";
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame.FindDialog(), nullptr) << "closing forgets the dialog";
}

QList<QUrl> Files(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

TEST(FrameDrops, BarsGoToTheViewAndTheMenuBarOpensAList)
{
    ClearHive();
    FakeGuiUi ui;
    RecorderShell shell;
    CPlaylist list;
    CLiranaDoc doc(list, ui, shell);
    CAppContext context;
    context.playlist = &list;
    context.document = &doc;
    context.ui = &ui;
    CMainFrame frame(context);
    frame.setCentralWidget(new QWidget);
    QStringList toView;
    frame.SetDropHandler([&](const QStringList& names) { toView = names; });
    frame.show();

    const QList<QUrl> media = Files({QStringLiteral("/x/a.wav"), QStringLiteral("/x/b.wav")});
    const QPoint onStatus = frame.statusBar()->geometry().center();
    const QPoint onMenu = frame.menuBar()->geometry().center();
    ASSERT_FALSE(frame.menuBar()->geometry().contains(onStatus));
    EXPECT_TRUE(frame.HandleDrop(onStatus, media));
    EXPECT_EQ(toView, (QStringList{QStringLiteral("/x/a.wav"), QStringLiteral("/x/b.wav")}));

    EXPECT_TRUE(frame.HandleDrop(onMenu, media));
    EXPECT_EQ(ui.messages, QStringList{CLiranaDoc::MediaFileMessage()}) << "a media file is no list";

    const QString album = WriteAlbum(QStringLiteral("dropped.alb"), {QStringLiteral("1.pause"), QStringLiteral("2.pause")});
    EXPECT_TRUE(frame.HandleDrop(onMenu, Files({album, QStringLiteral("/x/other.alb")})));
    ASSERT_EQ(list.Count(), 2) << "the first dropped file replaced the rows";
    EXPECT_TRUE(list.Row(1).endsWith(QStringLiteral("2.pause")));
    EXPECT_TRUE(doc.PathName().isEmpty()) << "the rows change, the album stays untitled";

    frame.SetDropHandler({});
    EXPECT_FALSE(frame.HandleDrop(onStatus, media)) << "no handler: refused";
    EXPECT_FALSE(frame.HandleDrop(onStatus, {QUrl(QStringLiteral("http://example.org/a.mp3"))}));
}

TEST(DeviceWatcher, DrivesComingAndGoingRefreshTheCdNames)
{
    const QString dev = TestEnv::MakeTempDir(QStringLiteral("dev"));
    TestEnv::WriteFile(dev + QStringLiteral("/null"), {});
    CDeviceWatcher watcher(dev);
    EXPECT_TRUE(watcher.Drives().isEmpty());
    QSignalSpy changed(&watcher, &CDeviceWatcher::DrivesChanged);
    TestEnv::WriteFile(dev + QStringLiteral("/tty9"), {});
    TestEnv::WaitUntil([] { return false; }, 200);
    EXPECT_EQ(changed.count(), 0) << "other devices do not count";
    TestEnv::WriteFile(dev + QStringLiteral("/sr0"), {});
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return changed.count() == 1; }, 2000));
    EXPECT_EQ(watcher.Drives(), QStringList{QStringLiteral("sr0")});
    QFile::remove(dev + QStringLiteral("/sr0"));
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return changed.count() == 2; }, 2000));

    CMainFrame frame{CAppContext{}};
    RecordingTarget view;
    view.handles << Cmd::UpdateCdNames;
    frame.SetView(new QWidget, &view);
    frame.OnDrivesChanged();
    EXPECT_EQ(view.ran, QList<int>{Cmd::UpdateCdNames});
}

} // namespace
