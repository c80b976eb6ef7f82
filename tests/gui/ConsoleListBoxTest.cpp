// The playlist list box (selection both ways, drag to move, rows dropped at a
// point), the console's resize rules and the position bar.
#include "ConsoleFixture.h"

#include "events/UpcomingEventsModel.h"
#include "gui/console/ItemIcons.h"
#include "gui/console/PositionBar.h"
#include "gui/frame/MainFrame.h"
#include "onair/EditCommands.h"
#include "support/TestEnv.h"

#include <QFileSystemModel>
#include <QSet>

#include <QListView>
#include <QPainter>
#include <QSlider>
#include <QToolBar>
#include <QTreeView>

TEST_F(ConsoleTest, SelectionFollowsTheModelAndTheView)
{
    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav"}, 2);
    CPlaylistListBox* box = view->ListBox();
    EXPECT_EQ(box->currentIndex().row(), 2);
    box->selectionModel()->setCurrentIndex(list.index(0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(list.Selection(), 0);

    view->OnCommand(EditCmd::MoveBottom);
    EXPECT_EQ(list.Selection(), 2);
    EXPECT_EQ(box->selectionModel()->selectedIndexes().value(0).row(), 2);

    list.Insert(0, "/m/new.wav"); // the selected item moves down one row
    EXPECT_EQ(list.Selection(), 3);
    EXPECT_EQ(box->selectionModel()->selectedIndexes().value(0).row(), 3);

    box->selectionModel()->clearSelection(); // clicking beside the rows keeps the row
    EXPECT_EQ(list.Selection(), 3);
    EXPECT_EQ(box->selectionModel()->selectedIndexes().value(0).row(), 3);

    view->OnCommand(EditCmd::ClearAll);
    EXPECT_TRUE(box->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(ConsoleTest, DraggedRowGoesBeforeTheRowItIsDroppedOn)
{
    view->resize(700, 500);
    view->show();
    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav", "/m/d.wav"}, -1);
    CPlaylistListBox* box = view->ListBox();
    auto centre = [&](int row) { return box->visualRect(list.index(row)).center(); };

    EXPECT_FALSE(box->DropRowAt(1, centre(2))); // onto the row below
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_TRUE(box->DropRowAt(0, centre(3)));
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/c.wav", "/m/a.wav", "/m/d.wav"}));
    EXPECT_EQ(list.Selection(), 2);
    const QPoint belowLast = box->visualRect(list.index(3)).bottomLeft() + QPoint(5, 20);
    EXPECT_EQ(box->RowAt(belowLast), -1);
    EXPECT_TRUE(box->DropRowAt(0, belowLast));
    EXPECT_EQ(list.Rows().last(), "/m/b.wav");
    EXPECT_TRUE(UndoIds().empty()); // dragging takes no undo step
}

TEST_F(ConsoleTest, ListGrowsBothWaysAndTreeHidesWhenShort)
{
    view->resize(600, 310); // at most the design size; the layout's minimum wins
    view->show();
    QApplication::processEvents();
    const QSize view0 = view->size();
    const QSize list0 = view->ListBox()->size();
    const QSize events0 = view->EventsList()->size();
    const QPoint eventsPos0 = view->EventsList()->pos();
    EXPECT_FALSE(view->FolderTree()->isVisible());

    view->resize(view0 + QSize(150, 200));
    QApplication::processEvents();
    EXPECT_EQ(view->ListBox()->size(), list0 + QSize(150, 200));
    EXPECT_EQ(view->EventsList()->size(), events0 + QSize(150, 0));
    EXPECT_EQ(view->EventsList()->pos(), eventsPos0 + QPoint(0, 200));
    EXPECT_TRUE(view->FolderTree()->isVisible());
    EXPECT_GE(view->FolderTree()->height(), CLiranaView::kTreeMinHeight);
    const int treeBottom = view->FolderTree()->mapTo(view.get(), QPoint(0, view->FolderTree()->height())).y();
    EXPECT_EQ(view->height() - treeBottom, 7);

    view->resize(view0 + QSize(150, 0));
    QApplication::processEvents();
    EXPECT_FALSE(view->FolderTree()->isVisible());
}

TEST_F(ConsoleTest, TreeAddsItsSelectedFilesAtTheEnd)
{
    const QString dir = TestEnv::MakeTempDir("tree");
    const QString a = TestEnv::WriteFile(dir + "/a.wav", "a");
    const QString b = TestEnv::WriteFile(dir + "/b.wav", "b");
    Load({"/m/x.wav"}, 0);
    QTreeView* tree = view->FolderTree();
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    tree->selectionModel()->select(model->index(a), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tree->selectionModel()->select(model->index(b), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tree->selectionModel()->select(model->index(dir), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->AddTreeSelection();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(QSet<QString>({list.Row(1), list.Row(2)}), QSet<QString>({a, b}));
    EXPECT_EQ(UndoIds(), std::vector<std::uint32_t>({EditCmd::AddTracks}));
}

TEST(PositionBarTest, ScaleAndTicSteps)
{
    EXPECT_EQ(PositionBar::ToPosition(0, 0), 0);
    EXPECT_EQ(PositionBar::ToPosition(90000, 180000), 320);
    EXPECT_EQ(PositionBar::ToPosition(180000, 180000), 640);
    EXPECT_EQ(PositionBar::ToTime(320, 180000), 90000);
    EXPECT_EQ(PositionBar::ToTime(1, 1000), 2); // 1.5625 rounds up
    EXPECT_EQ(PositionBar::TicStep(9000), 1000);
    EXPECT_EQ(PositionBar::TicStep(10000), 2000);
    EXPECT_EQ(PositionBar::TicStep(59999), 5000);
    EXPECT_EQ(PositionBar::TicStep(60000), 10000);
    EXPECT_EQ(PositionBar::TicStep(299999), 30000);
    EXPECT_EQ(PositionBar::TicStep(600000), 60000);
}

TEST_F(ConsoleTest, PositionBarFollowsTheItemAndSeeksOnRelease)
{
    QSlider bar(Qt::Horizontal);
    view->SetPositionBar(&bar);
    view->RefreshIdle();
    EXPECT_FALSE(bar.isEnabled());

    world.lengths["/m/short.wav"] = 9000;
    Load({"/m/short.wav", "/m/long.wav"}, 0);
    engine->StartItem("/m/short.wav");
    view->RefreshIdle();
    EXPECT_TRUE(bar.isEnabled());
    EXPECT_EQ(bar.maximum(), 640);
    EXPECT_EQ(bar.tickInterval(), PositionBar::ToPosition(1000, 9000));
    EXPECT_EQ(bar.singleStep(), PositionBar::ToPosition(2000, 9000));

    world.lengths["/m/long.wav"] = 600000;
    engine->OnStop();
    for (int i = 0; i < 200 && (engine->OnAir() || engine->Fading()); ++i)
        engine->OnTimer(COnAirEngine::TimerFade);
    engine->StartItem("/m/long.wav");
    OnAir()->SetPosition(150000);
    view->RefreshIdle();
    EXPECT_EQ(bar.tickInterval(), PositionBar::ToPosition(60000, 600000));
    EXPECT_EQ(bar.pageStep(), PositionBar::ToPosition(engine->Settings().ffTime * 1000, 600000));
    EXPECT_EQ(bar.value(), 160);

    bar.setSliderDown(true);
    bar.setSliderPosition(320);
    view->RefreshIdle();
    EXPECT_EQ(view->PaneText(Cmd::PanePosition), "05:00.0");
    EXPECT_EQ(OnAir()->GetPosition(), 150000); // still playing from where it was
    EXPECT_EQ(bar.sliderPosition(), 320);
    bar.setSliderDown(false);
    EXPECT_EQ(OnAir()->GetPosition(), 300000);

    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(OnAir()->GetPosition(), 0);
}

TEST_F(ConsoleTest, PositionBarKeepsItsHeightAsItemsComeAndGo)
{
    CMainFrame frame{CAppContext{}};
    view->SetPositionBar(frame.PositionSlider());
    auto heights = [&] {
        view->RefreshIdle();
        return std::pair(frame.PositionSlider()->sizeHint().height(),
                         frame.PositionBar()->sizeHint().height());
    };
    const auto idle = heights();
    Load({"/m/a.wav", "/m/b.wav"}, 0);
    engine->StartItem("/m/a.wav");
    OnAir()->SetPosition(90000);
    EXPECT_EQ(heights(), idle) << "an item on air";
    EXPECT_EQ(frame.PositionSlider()->tickInterval(), PositionBar::ToPosition(30000, 180000));
    engine->OnStop();
    for (int i = 0; i < 200 && (engine->OnAir() || engine->Fading()); ++i)
        engine->OnTimer(COnAirEngine::TimerFade);
    EXPECT_EQ(heights(), idle) << "off air again";
    EXPECT_EQ(frame.PositionSlider()->tickInterval(), PositionBar::kClearedTicInterval) << "tics cleared";
}

TEST_F(ConsoleTest, UpcomingEventsShowTheItemKindIcons)
{
    CScheduledEvent news{WallTime{}};
    news.fileName = "/srv/news.mpl";
    CUpcomingEventsModel model;
    model.Update({&news}, false, true);
    view->SetUpcomingEvents(&model);
    view->resize(700, 500);
    view->show();
    QApplication::processEvents();
    QListView* events = view->EventsList();
    const QImage shown = events->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage icon(kItemIconSize, kItemIconSize, QImage::Format_RGB32);
    icon.fill(events->viewport()->palette().color(QPalette::Base));
    QPainter(&icon).drawPixmap(0, 0, ItemIcon(ItemKind::MiniPlaylist, false));
    bool found = false; // the icon somewhere at the start of the row
    for (int at = 0; at < 20 * 20 && !found; ++at)
        found = shown.copy(at % 20, at / 20, kItemIconSize, kItemIconSize) == icon;
    EXPECT_TRUE(found);
    view->SetUpcomingEvents(nullptr);
}
