// The console driven through its commands: editing with undo steps, the
// clipboard, find, Total Length, enable rules, the view's own commands.
#include "ConsoleFixture.h"

#include "onair/EditCommands.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>

using Ids = std::vector<std::uint32_t>;

TEST_F(ConsoleTest, AddMoveRemoveWithUndoAndRedo)
{
    pickedFiles = {"/m/a.wav", "/m/b.wav", "/m/c.wav"};
    Settings().mediaDir = "/start";
    ASSERT_TRUE(view->OnCommand(EditCmd::AddTracks));
    EXPECT_EQ(list.Rows(), pickedFiles);
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_EQ(pickerFolders, QStringList({"/start"}));
    EXPECT_EQ(Settings().mediaDir, "/m");

    view->OnCommand(EditCmd::MoveDown);
    view->OnCommand(EditCmd::MoveBottom);
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/c.wav", "/m/a.wav"}));
    EXPECT_EQ(list.Selection(), 2);
    view->OnCommand(EditCmd::Remove);
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/c.wav"}));
    EXPECT_EQ(list.Selection(), 1);
    view->OnCommand(EditCmd::AddPause);
    EXPECT_EQ(list.Rows().last(), "10.pause");
    EXPECT_EQ(UndoIds(), Ids({EditCmd::AddTracks, EditCmd::MoveDown, EditCmd::MoveBottom,
                              EditCmd::Remove, EditCmd::AddPause}));

    document->OnUndo();
    document->OnUndo();
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/c.wav", "/m/a.wav"}));
    document->OnRedo();
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/c.wav"}));

    view->OnCommand(EditCmd::ClearAll);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(UndoIds().back(), std::uint32_t(EditCmd::ClearAll));
}

TEST_F(ConsoleTest, DisabledEditingCommandsChangeNothing)
{
    Load({"/m/a.wav", "/m/b.wav"}, 0);
    for (int id : {EditCmd::MoveUp, EditCmd::MoveTop, EditCmd::Paste}) {
        EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_TRUE(view->OnCommand(id)) << id;
    }
    EXPECT_EQ(list.Rows(), QStringList({"/m/a.wav", "/m/b.wav"}));
    EXPECT_TRUE(UndoIds().empty());
}

TEST_F(ConsoleTest, EnableRulesSeeTheListTheClipboardAndTheAir)
{
    for (int id : {EditCmd::AddTracks, EditCmd::AddPause, EditCmd::AddCdTracks})
        EXPECT_TRUE(Enabled(id)) << id;
    for (int id : {EditCmd::Remove, EditCmd::ClearAll, EditCmd::Cut, EditCmd::Copy, EditCmd::MoveTop,
                   EditCmd::MoveUp, EditCmd::MoveDown, EditCmd::MoveBottom, EditCmd::Shuffle,
                   EditCmd::Find, EditCmd::TotalLength, EditCmd::Rename, EditCmd::Paste})
        EXPECT_FALSE(Enabled(id)) << id;

    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav"}, 1);
    for (int id : {EditCmd::Remove, EditCmd::ClearAll, EditCmd::Cut, EditCmd::Copy, EditCmd::MoveTop,
                   EditCmd::MoveUp, EditCmd::MoveDown, EditCmd::MoveBottom, EditCmd::Shuffle,
                   EditCmd::Find, EditCmd::TotalLength, EditCmd::Rename})
        EXPECT_TRUE(Enabled(id)) << id;
    list.Select(2);
    EXPECT_FALSE(Enabled(EditCmd::MoveDown));
    EXPECT_FALSE(Enabled(EditCmd::MoveBottom));
    list.Select(-1);
    EXPECT_TRUE(Enabled(EditCmd::ClearAll));
    EXPECT_FALSE(Enabled(EditCmd::Shuffle));

    QApplication::clipboard()->setText("/m/x.wav");
    EXPECT_TRUE(Enabled(EditCmd::Paste));

    list.Select(0);
    engine->StartItem("/m/a.wav");
    ASSERT_NE(engine->OnAir(), nullptr);
    EXPECT_FALSE(Enabled(EditCmd::TotalLength));
    EXPECT_TRUE(Enabled(Cmd::TrackPosition));
    EXPECT_TRUE(Enabled(Cmd::Stop)); // forwarded to the engine
    EXPECT_FALSE(view->OnUpdateCommand(57600).has_value()); // not the view's
}

TEST_F(ConsoleTest, CopyCutAndPasteGoThroughTheClipboard)
{
    Load({"/m/a.wav", "/m/b.wav"}, 0);
    view->OnCommand(EditCmd::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "/m/a.wav");
    EXPECT_TRUE(UndoIds().empty());

    view->OnCommand(EditCmd::Cut);
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav"}));
    EXPECT_EQ(UndoIds(), Ids({EditCmd::Remove}));

    QApplication::clipboard()->setText("/m/x.wav\r\n/m/y.wav\r\n");
    view->OnCommand(EditCmd::Paste);
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/x.wav", "/m/y.wav"}));
    EXPECT_EQ(UndoIds().back(), std::uint32_t(EditCmd::Paste));

    QApplication::clipboard()->setText("/m/p.wav\n/m/q.wav");
    view->OnCommand(EditCmd::Paste);
    EXPECT_EQ(list.Rows().last(), "/m/p.wav\n/m/q.wav");
}

TEST_F(ConsoleTest, FindMatchesDisplayNamesWithOrWithoutCase)
{
    Load({"/m/ABCD.wav", "/m/xyz.wav"}, 1);
    EXPECT_FALSE(view->FindNext("abc", true, true));
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_TRUE(view->FindNext("abc", false, true));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_TRUE(view->FindNext("xyz", false, false)); // upwards, wrapping
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_FALSE(view->FindNext("wav", false, true)); // folders and extensions are not searched
    list.Select(-1);
    EXPECT_FALSE(view->FindNext("abc", false, true));
    EXPECT_EQ(list.Selection(), -1);
}

TEST_F(ConsoleTest, TotalLengthReportsRunningTimeAndRestoresSelection)
{
    world.lengths["10.pause"] = 10000;
    Load({"10.pause", "/m/a.wav", "/m/b.wav"}, 1);
    QStringList status;
    QObject::connect(view.get(), &CLiranaView::StatusMessage, [&](const QString& t) { status << t; });
    ASSERT_TRUE(view->OnCommand(EditCmd::TotalLength));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages.first(), "The play list contains 3 songs.\nThe total length is: 06:02.0.");
    EXPECT_EQ(list.Selection(), 1);
    EXPECT_EQ(world.opened, QStringList({"10.pause", "/m/a.wav", "/m/b.wav"}));
    ASSERT_EQ(status.size(), 2);
    EXPECT_TRUE(status.at(0).startsWith("Calculating total length"));
    EXPECT_TRUE(status.at(1).isEmpty());
    EXPECT_TRUE(UndoIds().empty());
}

TEST_F(ConsoleTest, TotalLengthStopsAtAFailureUnlessErrorsAreIgnored)
{
    world.failingOpen.insert("/m/b.wav");
    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav"}, 0);
    view->OnCommand(EditCmd::TotalLength);
    ASSERT_EQ(ui.messages.size(), 1); // the error, no result box
    EXPECT_TRUE(ui.messages.first().contains("cannot open /m/b.wav"));
    EXPECT_EQ(list.Selection(), 0);

    ui.messages.clear();
    Settings().ignoreErrors = true;
    view->OnCommand(EditCmd::TotalLength);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages.first().contains("05:56.0")); // 360 s less one overlap
    EXPECT_TRUE(ui.messages.first().contains("1 of them could not be opened"));
}

TEST_F(ConsoleTest, ListOptionsAndFontAreCommandsOfTheView)
{
    Load({"/m/song.wav"}, 0);
    EXPECT_EQ(view->ListBox()->GetRowText(0), "song");
    view->OnCommand(Cmd::TrackNumbers);
    EXPECT_TRUE(view->OnUpdateCommand(Cmd::TrackNumbers)->checked);
    EXPECT_EQ(view->ListBox()->GetRowText(0), "[1] song");
    view->OnCommand(Cmd::FullPath);
    EXPECT_TRUE(Settings().showPath);
    EXPECT_EQ(view->ListBox()->GetRowText(0), "[1] /m/song.wav");
    view->OnCommand(Cmd::TrackNumbers);
    EXPECT_EQ(view->ListBox()->GetRowText(0), "/m/song.wav");

    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPixelSize(30);
    pickedFont = big;
    view->OnCommand(Cmd::Font);
    EXPECT_EQ(view->ListBox()->ListFont().pixelSize(), 30);
    EXPECT_GT(view->ListBox()->RowHeight(), 16);
    reg::LogFont stored;
    ASSERT_TRUE(CRegistryKey::OpenAppSubkey(QString()).ReadFont(SettingsKey::Font, &stored));
    EXPECT_EQ(stored.height, -30);

    QFont tiny = big;
    tiny.setPixelSize(6);
    pickedFont = tiny;
    view->OnCommand(Cmd::Font);
    EXPECT_EQ(view->ListBox()->RowHeight(), 16);
}

TEST_F(ConsoleTest, MixerStartsThroughTheShellAndNeedsAProgram)
{
    view->OnCommand(Cmd::Mixer);
    ASSERT_EQ(shell.started.size(), 1);
    EXPECT_EQ(shell.started.first(), QStringList({"pavucontrol"}));
    Settings().mixer.clear();
    EXPECT_FALSE(Enabled(Cmd::Mixer));
}

TEST_F(ConsoleTest, AddAllCdTracksSaysNoCdFound)
{
    view->OnCommand(EditCmd::AddCdTracks);
    EXPECT_EQ(ui.messages, QStringList({"No CD Found"}));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ConsoleTest, RenameEditsPauseRowsAndFilesOnDisk)
{
    const QString dir = TestEnv::MakeTempDir("rename");
    const QString old = TestEnv::WriteFile(dir + "/old.wav", "x");
    Load({"/m/10.pause", old}, 0);
    CPlaylistListBox::Dialogs dialogs;
    dialogs.pauseLength = [](QWidget*, int seconds) { return std::optional<int>(seconds + 5); };
    dialogs.renameFile = [](QWidget*, const QString& name) { return std::optional<QString>(name + "-new"); };
    dialogs.report = [this](QWidget*, const QString& text) { ui.messages << text; };
    view->ListBox()->SetDialogs(dialogs);

    view->OnCommand(EditCmd::Rename);
    EXPECT_EQ(list.Row(0), "15.PAUSE");
    EXPECT_EQ(list.Selection(), 0);
    list.Select(1);
    view->OnCommand(EditCmd::Rename);
    EXPECT_EQ(list.Row(1), dir + "/old-new.wav");
    EXPECT_TRUE(QFile::exists(dir + "/old-new.wav"));
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_TRUE(UndoIds().empty());

    list.Reset({"/m/gone.wav"}, 0);
    view->OnCommand(EditCmd::Rename);
    EXPECT_EQ(list.Row(0), "/m/gone.wav"); // failed on disk: the row stays
    EXPECT_FALSE(ui.messages.isEmpty());
}

TEST_F(ConsoleTest, DropsInsertBeforeTheRowAndAutoPlayIntoAnEmptyList)
{
    const QString dir = TestEnv::MakeTempDir("drop");
    TestEnv::WriteFile(dir + "/one.wav", "1");
    Settings().autoPlay = true;
    view->DropFiles({dir + "/one.wav"}, -1);
    EXPECT_EQ(list.Rows(), QStringList({dir + "/one.wav"}));
    EXPECT_EQ(UndoIds(), Ids({EditCmd::Drop}));
    RunPosted();
    ASSERT_NE(engine->OnAir(), nullptr);
    EXPECT_EQ(OnAirPath(), dir + "/one.wav");

    const QString two = TestEnv::WriteFile(dir + "/sub/two.wav", "2");
    list.Reset({"/m/a.wav", "/m/b.wav"}, 0);
    view->DropFiles({two}, 1);
    EXPECT_EQ(list.Rows(), QStringList({"/m/a.wav", two, "/m/b.wav"}));
}

TEST_F(ConsoleTest, IdleRefreshShowsTheEngine)
{
    Load({"/m/a.wav", "/m/b.wav"}, 0);
    engine->StartItem("/m/a.wav");
    OnAir()->SetPosition(60000);
    QStringList panes;
    QObject::connect(view.get(), &CLiranaView::PaneTextChanged,
                     [&](int id, const QString& t) { panes << QString::number(id) + "=" + t; });
    view->RefreshIdle();
    EXPECT_EQ(view->OnAirBox()->toPlainText(), engine->OnAirText());
    EXPECT_EQ(view->NextBox()->toPlainText(), engine->ComingUpNext());
    EXPECT_EQ(view->CountDown()->text(), "02:00.0");
    EXPECT_TRUE(view->OnAirLabel()->autoFillBackground());
    EXPECT_EQ(view->PaneText(Cmd::PanePosition), "01:00.0");
    EXPECT_EQ(view->PaneText(Cmd::PaneLength), "03:00.0");
    EXPECT_EQ(panes, QStringList({"1001=01:00.0", "1002=03:00.0"}));
    EXPECT_EQ(view->OnAirVolume()->value(), 100);

    view->OnAirVolume()->setValue(40);
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.4f);

    engine->OnStop();
    for (int i = 0; i < 200 && (engine->OnAir() || engine->Fading()); ++i)
        engine->OnTimer(COnAirEngine::TimerFade);
    view->RefreshIdle();
    EXPECT_EQ(view->CountDown()->text(), "");
    EXPECT_FALSE(view->OnAirLabel()->autoFillBackground());
    EXPECT_FALSE(view->PaneEnabled(Cmd::PanePosition));
    EXPECT_EQ(view->PreviousBox()->toPlainText(), engine->PreviouslyPlayedText());
}
