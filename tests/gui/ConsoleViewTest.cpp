// SPDX-License-Identifier: GPL-3.0-or-later
// The console's commands reach the album (one undo step each), the
// clipboard, the shell and the engine; the idle refresh shows the engine.
#include "ConsoleFixture.h"

using Ids = std::vector<std::uint32_t>;

TEST_F(ConsoleTest, EditingCommandsChangeTheAlbumWithAnUndoStepEach)
{
    // A media folder that is not there opens the dialog in the folder above
    // it, never with its name typed in.
    const QString media = TestEnv::MakeTempDir("media");
    pickedFiles = {"/m/a.wav", "/m/b.wav", "/m/c.wav"};
    Settings().mediaDir = media + "/Music";
    ASSERT_TRUE(view->OnCommand(EditCmd::AddTracks));
    EXPECT_EQ(std::tuple(pickerFolders, Settings().mediaDir, list.Selection()),
              std::tuple(QStringList({media}), "/m", 0));
    // What each edit does to the rows and the selection is the model's
    // (EditCommandsTest); here each reaches the album as one undo step.
    Ids ids{EditCmd::AddTracks};
    for (const int id : {EditCmd::MoveDown, EditCmd::MoveBottom, EditCmd::MoveUp, EditCmd::MoveTop,
                         EditCmd::Remove, EditCmd::AddPause, EditCmd::ClearAll}) {
        ASSERT_TRUE(view->OnCommand(id));
        ids.push_back(std::uint32_t(id));
    }
    EXPECT_EQ(UndoIds(), ids);
    EXPECT_TRUE(list.Rows().isEmpty());
    document.OnUndo(); // the moves brought a back to the top, Remove took it, Add Pause added a pause
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav", "/m/c.wav", "10.pause"}));
}

TEST_F(ConsoleTest, EnableStatesSeeTheRowsTheSelectionTheClipboardAndTheAir)
{
    EXPECT_FALSE(Enabled(EditCmd::ClearAll));
    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav"}, -1);
    EXPECT_TRUE(Enabled(EditCmd::ClearAll)) << "rows without a selection";
    list.Select(2);
    QApplication::clipboard()->setText("/m/x.wav");
    EXPECT_EQ((std::vector{Enabled(EditCmd::ClearAll), Enabled(EditCmd::MoveDown), Enabled(EditCmd::MoveUp),
                           Enabled(EditCmd::Paste), Enabled(EditCmd::TotalLength)}),
              (std::vector{true, false, true, true, true}));
    engine.StartItem("/m/a.wav");
    EXPECT_FALSE(Enabled(EditCmd::TotalLength));
    EXPECT_TRUE(Enabled(Cmd::Stop)) << "the engine's, forwarded";
    EXPECT_FALSE(view->OnUpdateCommand(57600).has_value()) << "not the view's";
    EXPECT_TRUE(view->OnCommand(EditCmd::MoveDown)) << "disabled: taken, nothing changes";
    EXPECT_EQ(list.Rows(), QStringList({"/m/a.wav", "/m/b.wav", "/m/c.wav"}));
    EXPECT_TRUE(UndoIds().empty());
}

// Copy and Cut put the selected row on the clipboard, Cut as one undo step.
// Pasted, what editors, terminals and file managers put there is one row per
// line, whatever ends the lines; blank lines and URI comments skipped.
TEST_F(ConsoleTest, CopyCutAndPasteGoThroughTheClipboardOneRowPerLine)
{
    Load({"/m/a.wav", "/m/b.wav"}, 0);
    view->OnCommand(EditCmd::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "/m/a.wav");
    view->OnCommand(EditCmd::Cut);
    EXPECT_EQ(std::pair(list.Rows(), UndoIds()),
              std::pair(QStringList({"/m/b.wav"}), Ids({EditCmd::Remove})));

    const std::pair<const char*, const char*> cases[] = {
        {"text/plain", "/m/a.wav\n/m/b.wav\n"},
        {"text/plain", "/m/a.wav\r\n/m/b.wav"},
        {"text/plain", "/m/a.wav\r/m/b.wav\r"},
        {"text/plain", "\n/m/a.wav\r\n  \r\n\r/m/b.wav\n\n"},
        {"text/plain", "file:///m/a.wav\nfile:///m/b.wav\n"},
        {"text/uri-list", "# a comment\r\nfile:///m/a.wav\r\nfile:///m/b.wav\r\n"},
    };
    for (const auto& [format, data] : cases) {
        Load({}, -1);
        auto* mime = new QMimeData;
        mime->setData(QString::fromLatin1(format), QByteArray(data));
        QApplication::clipboard()->setMimeData(mime);
        view->OnCommand(EditCmd::Paste);
        EXPECT_EQ(list.Rows(), QStringList({"/m/a.wav", "/m/b.wav"})) << data;
    }
    QApplication::clipboard()->setText(" \n\r\n");
    EXPECT_FALSE(Enabled(EditCmd::Paste)) << "only blank lines";
}

// 10,000 rows pasted at once while an item plays: one undo step, the item on
// air keeps its row, and the item opened ahead follows the new list.
TEST_F(ConsoleTest, TenThousandRowsPastedWhilePlayingAreOneStepAndTheNextItemFollows)
{
    Load({"/m/a.wav", "/m/b.wav"}, 0);
    document.ResetUndo(true); // as an album opened
    engine.OnPlay();
    ASSERT_EQ(engine.PreparedItem(), "/m/b.wav");
    QStringList pasted;
    for (int i = 0; i < 10000; ++i)
        pasted << QStringLiteral("/m/p%1.wav").arg(i);
    QApplication::clipboard()->setText(pasted.join("\r\n") + "\r\n");
    view->OnCommand(EditCmd::Paste);
    ASSERT_EQ(list.Count(), 10002);
    EXPECT_EQ(std::tuple(list.Row(list.Selection()), list.Row(10001), view->ListBox()->GetRowText(10001)),
              std::tuple("/m/a.wav", "/m/p9999.wav", "p9999"));
    EXPECT_EQ(UndoIds(), Ids({EditCmd::Paste}));
    EXPECT_EQ(engine.PreparedItem(), list.Row(list.Selection() + 1));
    // How the item opened ahead follows later edits is the engine's (FaderTest).
    document.OnUndo();
    EXPECT_EQ(list.Rows(), QStringList({"/m/a.wav", "/m/b.wav"}));
    EXPECT_EQ(OnAir()->GetFileName(), "/m/a.wav");
}

TEST_F(ConsoleTest, TotalLengthReportsAndKeepsTheSelection)
{
    world.failingOpen.insert("/m/b.wav");
    Load({"/m/a.wav", "/m/b.wav", "/m/c.wav"}, 1);
    QStringList status;
    QObject::connect(view.get(), &CLiranaView::StatusMessage, [&](const QString& t) { status << t; });
    Settings().ignoreErrors = true;
    view->OnCommand(EditCmd::TotalLength);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("05:56.0.\n1 of them could not be opened"))
        << qPrintable(ui.messages[0]);
    // The message area given back.
    EXPECT_EQ(std::tuple(list.Selection(), status.size(), status.value(1, "x")), std::tuple(1, 2, ""));
}

TEST_F(ConsoleTest, ListOptionsFontMixerAndCdTracksAreCommandsOfTheView)
{
    Load({"/m/song.wav"}, 0);
    EXPECT_EQ(view->ListBox()->GetRowText(0), "song");
    view->OnCommand(Cmd::TrackNumbers);
    view->OnCommand(Cmd::FullPath);
    EXPECT_TRUE(view->OnUpdateCommand(Cmd::TrackNumbers)->checked && Settings().showPath);
    EXPECT_EQ(view->ListBox()->GetRowText(0), "[1] /m/song.wav");
    pickedFont = QFont("DejaVu Sans");
    pickedFont->setPixelSize(30);
    view->OnCommand(Cmd::Font);
    EXPECT_GT(view->ListBox()->RowHeight(), 16);
    reg::LogFont stored;
    ASSERT_TRUE(CRegistryKey::OpenAppSubkey(QString()).ReadFont(SettingsKey::Font, &stored));
    EXPECT_EQ(stored.height, -30);
    view->OnCommand(Cmd::Mixer);
    EXPECT_EQ(shell.started, QList<QStringList>{QStringList{"pavucontrol"}});
    EXPECT_TRUE(ui.messages.isEmpty());
    shell.failWith = "Cannot start pavucontrol: No such file or directory";
    view->OnCommand(Cmd::Mixer); // a missing mixer is told, not ignored
    EXPECT_EQ(ui.messages, QStringList{CannotFindMessage("pavucontrol", shell.failWith)});
    ui.messages.clear();
    Settings().mixer.clear();
    EXPECT_FALSE(Enabled(Cmd::Mixer));
    view->OnCommand(EditCmd::AddCdTracks);
    EXPECT_EQ(ui.messages, QStringList({"No CD Found"}));
}

TEST_F(ConsoleTest, RenameEditsPauseRowsAndFilesOnDisk)
{
    const QString dir = TestEnv::MakeTempDir("rename");
    Load({"/m/10.pause", TestEnv::WriteFile(dir + "/old.wav", "x"), "/m/gone.wav"}, 0);
    view->ListBox()->SetDialogs({[](QWidget*, const QString& name) { return std::optional(name + "-new"); },
                                 [](QWidget*, int seconds) { return std::optional(seconds + 5); },
                                 [this](QWidget*, const QString& text) { ui.messages << text; },
                                 {}});
    for (int row = 0; row < 3; ++row) {
        list.Select(row);
        view->OnCommand(EditCmd::Rename);
    }
    EXPECT_EQ(list.Rows(), QStringList({"15.PAUSE", dir + "/old-new.wav", "/m/gone.wav"}));
    EXPECT_EQ(ui.messages.size(), 1) << "the failed rename";
}

TEST_F(ConsoleTest, DropsInsertBeforeTheRowAndAutoPlayIntoAnEmptyList)
{
    const QString dir = TestEnv::MakeTempDir("drop");
    const QString one = TestEnv::WriteFile(dir + "/one.wav", "1");
    const QString two = TestEnv::WriteFile(dir + "/two.wav", "2");
    Settings().autoPlay = true;
    view->DropFiles({one}, -1);
    EXPECT_EQ(UndoIds(), Ids({EditCmd::Drop}));
    QCoreApplication::sendPostedEvents(&engine);
    EXPECT_EQ(OnAir() ? OnAir()->GetFileName() : QString(), one);
    view->DropFiles({two}, 0);
    EXPECT_EQ(list.Rows(), QStringList({two, one}));
}

TEST_F(ConsoleTest, IdleRefreshShowsTheEngine)
{
    Load({"/m/a.wav", "/m/b.wav"}, 0);
    engine.StartItem("/m/a.wav");
    OnAir()->SetPosition(60000);
    QStringList panes;
    QObject::connect(view.get(), &CLiranaView::PaneTextChanged,
                     [&](int id, const QString& t) { panes << QString::number(id) + "=" + t; });
    view->RefreshIdle();
    EXPECT_EQ(view->OnAirBox()->toPlainText(), engine.OnAirText());
    EXPECT_EQ(std::tuple(view->NextBox()->toPlainText(), view->CountDown()->text(), view->PlayState()->text(),
                         view->OnAirVolume()->value()),
              std::tuple("b", "02:00.0", "", 100));
    EXPECT_TRUE(view->OnAirLabel()->autoFillBackground());
    EXPECT_EQ(panes, QStringList({"1001=01:00.0", "1002=03:00.0"}));
    view->OnAirVolume()->setValue(40);
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.4f);

    // A waiting event due before the item hands over (in 120 s) comes next;
    // one due after it does not, nor any once Break is set.
    for (const auto& [inSeconds, next] : {std::pair(300, "b"), std::pair(119, "Station ID")}) {
        CScheduledEvent event(station->Scheduler().Now() + std::chrono::seconds(inSeconds));
        event.fileName = "/ev/Station ID.wav";
        station->Scheduler().ReplaceEvents(CEventList());
        station->Scheduler().Events().Append(event);
        station->Scheduler().ResetToNow();
        station->Scheduler().Refresh();
        view->RefreshIdle();
        EXPECT_EQ(view->NextBox()->toPlainText(), next) << inSeconds;
    }
    engine.OnPause();
    engine.OnCommand(Cmd::Break);
    view->RefreshIdle();
    EXPECT_EQ(std::pair(view->PlayState()->text(), view->NextBox()->toPlainText()),
              std::pair(QStringLiteral("Paused, Break"), QStringLiteral("b")));
    engine.OnCommand(Cmd::Break);
    engine.OnPause();

    engine.OnStop();
    engine.OnTimer(COnAirEngine::TimerFade);
    ASSERT_NE(engine.Fading(), nullptr);
    view->RefreshIdle();
    EXPECT_EQ(view->FadingVolume()->value(), qRound(engine.Fading()->GetVolume() * 100));
    StopAndFade();
    view->RefreshIdle();
    EXPECT_EQ(view->CountDown()->text(), "");
    EXPECT_FALSE(view->OnAirLabel()->autoFillBackground() || view->PaneEnabled(Cmd::PanePosition));
    EXPECT_EQ(view->PreviousBox()->toPlainText(), engine.PreviouslyPlayedText());
}
