// SPDX-License-Identifier: GPL-3.0-or-later
// The playlist list box (selection both ways, drag to move), the mini
// playlist window and the position bar.
#include "ConsoleFixture.h"

#include "gui/console/AirMeter.h"
#include "gui/console/ItemIcons.h"
#include "gui/console/PositionBar.h"
#include "media/MiniPlaylistTrack.h"

TEST_F(ConsoleTest, SelectionFollowsTheModelAndTheView)
{
    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav"}, 2);
    CPlaylistListBox* box = view->ListBox();
    const auto viewRow = [&] { return box->selectionModel()->selectedIndexes().value(0).row(); };
    EXPECT_EQ(box->currentIndex().row(), 2) << "the last row";
    box->selectionModel()->setCurrentIndex(list.index(0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(list.Selection(), 0);
    view->OnCommand(EditCmd::MoveBottom);
    EXPECT_EQ(viewRow(), 2);
    list.Insert(0, "/m/new.wav");
    EXPECT_EQ(viewRow(), 3) << "the selected item moved down";
    box->selectionModel()->clearSelection(); // clicking beside the rows keeps the row
    EXPECT_EQ(std::pair(list.Selection(), viewRow()), std::pair(3, 3));
    view->OnCommand(EditCmd::ClearAll);
    EXPECT_TRUE(box->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(ConsoleTest, DraggedRowGoesBeforeTheRowItIsDroppedOn)
{
    view->resize(700, 500);
    view->show();
    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav", "/m/d.wav"}, -1);
    CPlaylistListBox* box = view->ListBox();
    EXPECT_TRUE(box->DropRowAt(0, box->visualRect(list.index(3)).center()));
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/c.wav", "/m/a.wav", "/m/d.wav"}));
    const QPoint belowLast = box->visualRect(list.index(3)).bottomLeft() + QPoint(5, 20);
    EXPECT_EQ(box->RowAt(belowLast), -1);
    EXPECT_TRUE(box->DropRowAt(0, belowLast));
    EXPECT_EQ(list.Rows().last(), "/m/b.wav");
    EXPECT_TRUE(UndoIds().empty()) << "dragging takes no undo step";

    // A maximised console widens the on-air boxes with the list.
    const int narrow = view->OnAirBox()->width();
    view->resize(1400, 800);
    QCoreApplication::processEvents();
    EXPECT_GT(view->OnAirBox()->width(), narrow + 100);
    EXPECT_GT(box->width(), view->OnAirBox()->width());
}

TEST(PositionBarTest, TicSteps)
{
    const std::pair<int, int> steps[] = {{9000, 1000},   {10000, 2000},   {59999, 5000},
                                         {60000, 10000}, {299999, 30000}, {600000, 60000}};
    for (const auto& [length, step] : steps)
        EXPECT_EQ(PositionBar::TicStep(length), step) << length;
}

// The on-air meter beside the position bar: -60 dBFS and below empty, full
// scale full, the bus's level per channel, silence while there is no bus;
// and it sits in the position bar.
TEST(AirMeterTest, ShowsTheBusLevelPerChannelFromMinusSixtyToZeroDb)
{
    const std::pair<float, double> scale[] = {{0.0f, 0.0},    {0.001f, 0.0}, {0.0001f, 0.0},
                                              {0.5f, 0.8995}, {1.0f, 1.0},   {2.0f, 1.0}};
    for (const auto& [linear, fraction] : scale)
        EXPECT_NEAR(CAirMeter::Fraction(linear), fraction, 1e-3) << linear;
    std::optional<CAirBus::Level> level = CAirBus::Level{{1.0f, 0.0f}, {0.5f, 0.0f}, 0};
    CAirMeter meter(nullptr, [&] { return level; });
    meter.Refresh();
    EXPECT_EQ(meter.Peak(), (std::array<double, 2>{1.0, 0.0}));
    EXPECT_NEAR(meter.Rms()[0], 0.8995, 1e-3);
    level.reset();
    meter.Refresh();
    EXPECT_EQ(meter.Peak(), (std::array<double, 2>{0.0, 0.0}));
    CMainFrame frame{CAppContext{}};
    EXPECT_TRUE(frame.PositionBar()->findChild<CAirMeter*>());
}

TEST_F(ConsoleTest, PositionBarFollowsTheItemSeeksOnReleaseAndKeepsItsHeight)
{
    CMainFrame frame{CAppContext{}};
    QSlider& bar = *frame.PositionSlider();
    view->SetPositionBar(&bar);
    auto heights = [&] {
        return std::pair(bar.sizeHint().height(), frame.PositionBar()->sizeHint().height());
    };
    view->RefreshIdle();
    EXPECT_FALSE(bar.isEnabled());
    const auto idle = heights();

    world.lengths["/m/long.wav"] = 600000;
    Load({"/m/long.wav"}, 0);
    engine.StartItem("/m/long.wav");
    OnAir()->SetPosition(150000);
    view->RefreshIdle();
    EXPECT_TRUE(bar.isEnabled());
    EXPECT_EQ(heights(), idle) << "an item on air";
    EXPECT_EQ(std::tuple(bar.pageStep(), bar.tickInterval(), bar.value()),
              std::tuple(PositionBar::ToPosition(Settings().ffTime * 1000, 600000), 64, 160));
    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(OnAir()->GetPosition(), 0);
    bar.setSliderDown(true);
    bar.setSliderPosition(320);
    view->RefreshIdle();
    EXPECT_EQ(view->PaneText(Cmd::PanePosition), "05:00.0");
    EXPECT_EQ(std::pair(OnAir()->GetPosition(), bar.sliderPosition()), std::pair(TrackMs(0), 320))
        << "plays on while dragged";
    bar.setSliderDown(false);
    EXPECT_EQ(OnAir()->GetPosition(), 300000);

    StopAndFade();
    view->RefreshIdle();
    EXPECT_EQ(heights(), idle) << "off air again";
    EXPECT_EQ(bar.tickInterval(), PositionBar::kClearedTicInterval);
}

TEST_F(ConsoleTest, TreeAddsItsSelectedFilesAtTheEnd)
{
    const QString dir = TestEnv::MakeTempDir("tree");
    const QString a = TestEnv::WriteFile(dir + "/a.wav", "a");
    const QString b = TestEnv::WriteFile(dir + "/b.wav", "b");
    Load({"/m/x.wav"}, 0);
    QTreeView* tree = view->FolderTree();
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    for (const QString& path : {a, b, dir}) // a folder in the selection is not added
        tree->selectionModel()->select(model->index(path),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->AddTreeSelection();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(QSet<QString>({list.Row(1), list.Row(2)}), QSet<QString>({a, b}));
    EXPECT_EQ(UndoIds(), std::vector<std::uint32_t>({EditCmd::AddTracks}));

    // With nothing chosen in it yet, the tree opens at the media folder.
    view.reset(); // stores where its tree was
    CRegistryKey::OpenAppSubkey("Settings").DeleteValue("SelectedItem");
    Settings().mediaDir = dir;
    MakeView();
    tree = view->FolderTree();
    EXPECT_EQ(static_cast<QFileSystemModel*>(tree->model())->filePath(tree->currentIndex()), dir);
}

// A mini playlist that plays shows its rows in a window of the owner: the
// list disabled, no close button and a close request refused, its rectangle
// taken from the settings and kept there; the window goes with the list.
TEST(MiniPlaylistWndTest, ShowsTheRowsCannotBeClosedAndKeepsItsRectangle)
{
    CViewSettings settings;
    settings.miniPlaylistRect = {10, 20, 210, 320};
    QWidget owner;
    AttachMiniPlaylistWindows(&owner, &settings);
    CMiniPlaylistTrack track;
    track.Open(TestEnv::WriteFile(QDir::currentPath() + "/set.mpl", "1.pause\n2.pause\n"), &owner);
    track.Play();
    auto* wnd = owner.findChild<CMiniPlaylistWnd*>();
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(std::pair(wnd->windowTitle(), wnd->List().model()->rowCount()),
              std::pair(QStringLiteral("set"), 2));
    EXPECT_FALSE(wnd->List().isEnabled() || wnd->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(QRect(wnd->pos(), wnd->size()), QRect(10, 20, 200, 300))
        << "the frame's corner, the list's size";
    EXPECT_FALSE(wnd->close());
    wnd->move(30, 40);
    wnd->resize(100, 150);
    EXPECT_EQ(settings.miniPlaylistRect, (reg::Rect{30, 40, 130, 190}));
    track.Close();
    EXPECT_EQ(owner.findChild<CMiniPlaylistWnd*>(), nullptr);
    AttachMiniPlaylistWindows(nullptr, nullptr);
}

// Rows of formats the classic kinds do not name get the audio or video icon
// by their extension's type; classic kinds keep theirs.
TEST(ItemIcons, RowsOfNewerFormatsGetTheAudioOrVideoIcon)
{
    const std::pair<const char*, ItemKind> cases[] = {
        {"/m/a.flac", ItemKind::MpegAudio}, {"/m/a.ogg", ItemKind::MpegAudio},
        {"/m/a.opus", ItemKind::MpegAudio}, {"/m/a.mkv", ItemKind::MpegVideo},
        {"/m/a.wav", ItemKind::Wave},       {"/m/a.xyz", ItemKind::Unknown}};
    for (const auto& [path, kind] : cases)
        EXPECT_EQ(ItemIconForPath(path, false).cacheKey(), ItemIcon(kind, false).cacheKey()) << path;
}

// Rows whose file is not there are marked (checked off the GUI thread) and
// unmarked once the file comes; pause rows are no files.
TEST_F(ConsoleTest, RowsWhoseFileIsNotThereAreMarkedBeforeTheyPlay)
{
    const QString dir = TestEnv::MakeTempDir("missing");
    const QString later = dir + "/later.wav";
    Load({TestEnv::WriteFile(dir + "/here.wav", "x"), later, "10.pause"}, 0);
    CPlaylistListBox* box = view->ListBox();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return box->IsMissing(1); }, 5000));
    EXPECT_FALSE(box->IsMissing(0) || box->IsMissing(2));
    TestEnv::WriteFile(later, "x"); // the folder's watcher sees it come
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return !box->IsMissing(1); }, 5000));
}
