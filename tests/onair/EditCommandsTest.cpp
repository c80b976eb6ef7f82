// The playlist editing commands on the model: enable rules, moves, removal,
// paste splitting, the drag rule, rename texts and Total Length.
#include "onair/EditCommands.h"
#include "onair/Find.h"

#include "EngineFixture.h"

namespace {

QStringList Abc() { return {"/m/a.wav", "/m/b.wav", "/m/c.wav"}; }

CTotalLength::TrackFactory Tracks(FakeTrackWorld& world)
{
    return [&world](const QString&) { return std::make_unique<FakeTrack>(world); };
}

// Runs a Total Length to its end.
void Finish(CTotalLength& run)
{
    while (run.Step()) {
    }
}

} // namespace

TEST(EditCommandsTest, EnableRulesFollowSelectionCountClipboardAndAir)
{
    // An empty list; the first, the middle (clipboard full) and the last (on air) of three rows.
    const EditContext contexts[] = {{0, -1, false, false}, {3, 0, false, false}, {3, 1, true, false}, {3, 2, false, true}};
    const std::pair<const char*, std::vector<int>> rules[] = {
        {"1111", {EditCmd::AddTracks, EditCmd::AddPause, EditCmd::AddCdTracks}},
        {"0111", {EditCmd::Remove, EditCmd::Cut, EditCmd::Copy, EditCmd::Shuffle, EditCmd::Find, EditCmd::Rename,
                  EditCmd::ClearAll}},
        {"0110", {EditCmd::TotalLength, EditCmd::MoveDown, EditCmd::MoveBottom}},
        {"0011", {EditCmd::MoveTop, EditCmd::MoveUp}},
        {"0010", {EditCmd::Paste}},
    };
    for (const auto& [enabled, ids] : rules) {
        for (int id : ids) {
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(EditCommandState(id, contexts[c])->enabled, enabled[c] == '1') << id << " in context " << c;
        }
    }
    EXPECT_TRUE(EditCommandState(EditCmd::ClearAll, EditContext{1, -1, false, false})->enabled);
    EXPECT_FALSE(EditCommandState(Cmd::Play, contexts[2]).has_value());
}

TEST(EditCommandsTest, FindStepsFromTheRowAndWrapsRoundTheList)
{
    CPlaylist list;
    list.Reset({"/m/Alpha.mp3", "/m/beta.mp3", "/m/Gamma.mp3", "/m/alphabet.mp3"}, 0);
    struct Case { const char* text; int from; bool matchCase, down; int row; };
    const Case cases[] = {
        {"alpha", 0, false, true, 3}, {"alpha", 3, false, true, 0}, {"alpha", 0, false, false, 3},
        {"beta", 2, false, false, 1}, {"Alpha", 0, true, true, 0}, // back at the start: stays
        {"zzz", 1, false, true, 1},   {"", 1, false, true, -1},     {"a", 4, false, true, -1},
        {"a", -1, false, true, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindRow(list, QString::fromUtf8(c.text), c.from, c.matchCase, c.down), c.row) << c.text << c.from;
}

TEST(EditCommandsTest, RowTextShowsNameOrPathWithOptionalNumber)
{
    EXPECT_EQ(PlaylistRowText("/m/song.wav", 0, false, false), "song");
    EXPECT_EQ(PlaylistRowText("/m/song.wav", 0, true, false), "/m/song.wav");
    EXPECT_EQ(PlaylistRowText("10.pause", 4, false, true), "[5] 10 sec.");
    EXPECT_EQ(PlaylistRowText("/m/song.wav", 99, true, true), "[100] /m/song.wav");
}

TEST(EditCommandsTest, RemoveSelectsTheRowThatMovedUpOrTheNewLast)
{
    CPlaylist list;
    list.Reset(Abc(), 2);
    ASSERT_TRUE(RemoveSelected(list));
    EXPECT_EQ(list.Rows(), QStringList({"/m/a.wav", "/m/b.wav"}));
    EXPECT_EQ(list.Selection(), 1);

    list.Select(0);
    ASSERT_TRUE(RemoveSelected(list));
    EXPECT_EQ(list.Rows(), QStringList({"/m/b.wav"}));
    EXPECT_EQ(list.Selection(), 0);

    ASSERT_TRUE(RemoveSelected(list));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Selection(), -1);
    EXPECT_FALSE(RemoveSelected(list));
    EXPECT_FALSE(ClearAll(list));
}

TEST(EditCommandsTest, MovesKeepTheOthersInOrderAndFollowTheRow)
{
    CPlaylist list;
    list.Reset({"a", "b", "c", "d"}, 1);
    EXPECT_TRUE(MoveSelected(list, EditCmd::MoveDown));
    EXPECT_EQ(list.Rows(), QStringList({"a", "c", "b", "d"}));
    EXPECT_EQ(list.Selection(), 2);
    EXPECT_TRUE(MoveSelected(list, EditCmd::MoveBottom));
    EXPECT_EQ(list.Rows(), QStringList({"a", "c", "d", "b"}));
    EXPECT_EQ(list.Selection(), 3);
    EXPECT_FALSE(MoveSelected(list, EditCmd::MoveDown));
    EXPECT_FALSE(MoveSelected(list, EditCmd::MoveBottom));
    EXPECT_TRUE(MoveSelected(list, EditCmd::MoveUp));
    EXPECT_EQ(list.Rows(), QStringList({"a", "c", "b", "d"}));
    EXPECT_TRUE(MoveSelected(list, EditCmd::MoveTop));
    EXPECT_EQ(list.Rows(), QStringList({"b", "a", "c", "d"}));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_FALSE(MoveSelected(list, EditCmd::MoveUp));
    EXPECT_FALSE(MoveSelected(list, EditCmd::MoveTop));
    EXPECT_FALSE(MoveSelected(list, EditCmd::Remove));
}

TEST(EditCommandsTest, DragMovesBeforeTheTargetRow)
{
    CPlaylist list;
    list.Reset({"a", "b", "c", "d"}, -1);
    EXPECT_FALSE(DragMoveRow(list, 1, 1)); // onto itself
    EXPECT_FALSE(DragMoveRow(list, 1, 2)); // onto the row below
    EXPECT_EQ(list.Rows(), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(list.Selection(), 1);

    EXPECT_TRUE(DragMoveRow(list, 0, 3)); // before d
    EXPECT_EQ(list.Rows(), QStringList({"b", "c", "a", "d"}));
    EXPECT_EQ(list.Selection(), 2);
    EXPECT_TRUE(DragMoveRow(list, 3, 0)); // d before b
    EXPECT_EQ(list.Rows(), QStringList({"d", "b", "c", "a"}));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_TRUE(DragMoveRow(list, 0, 4)); // below the last row
    EXPECT_EQ(list.Rows(), QStringList({"b", "c", "a", "d"}));
    EXPECT_EQ(list.Selection(), 3);
    EXPECT_FALSE(DragMoveRow(list, 3, 4));
    EXPECT_FALSE(DragMoveRow(list, 4, 0));
    EXPECT_FALSE(DragMoveRow(list, 0, 5));
}

TEST(EditCommandsTest, PasteSplitsAtCarriageReturnsOnly)
{
    EXPECT_EQ(SplitPasteText("/m/a.wav\r\n/m/b.wav\r\n"), QStringList({"/m/a.wav", "/m/b.wav"}));
    EXPECT_EQ(SplitPasteText("/m/a.wav\n/m/b.wav"), QStringList({"/m/a.wav\n/m/b.wav"}));
    EXPECT_EQ(SplitPasteText("a\r\r\nb\r\n\nc"), QStringList({"a", "b", "\nc"}));
    EXPECT_TRUE(SplitPasteText("\r\n\r\n").isEmpty());

    CPlaylist list;
    list.Reset({"x"}, 0);
    EXPECT_EQ(PasteText(list, "/m/a.wav\r\n/m/b.wav\r\n", false), 2);
    EXPECT_EQ(list.Rows(), QStringList({"x", "/m/a.wav", "/m/b.wav"}));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_EQ(CopyText(list), "x");
    list.Select(-1);
    EXPECT_EQ(CopyText(list), "");
}

TEST(EditCommandsTest, MediaFilesOnlyRefusesOtherPathsWhenAdding)
{
    CPlaylist list;
    EXPECT_EQ(AppendItems(list, {"/m/a.wav", "/m/readme", "/m/b.pause"}, true), 2);
    EXPECT_EQ(list.Rows(), QStringList({"/m/a.wav", "/m/b.pause"}));
    EXPECT_EQ(list.Selection(), 0); // the first added row when none was selected
}

TEST(EditCommandsTest, RenameTextsKeepFolderAndExtension)
{
    EXPECT_EQ(RenameKindFor("/dev/sr0/Track05.CDA"), RenameKind::CdTitle);
    EXPECT_EQ(RenameKindFor("/m/10.Pause"), RenameKind::Pause);
    EXPECT_EQ(RenameKindFor("/m/song.wav"), RenameKind::File);
    EXPECT_EQ(PauseDialogSeconds("/m/10.pause"), 10);
    EXPECT_EQ(PauseDialogSeconds("/m/abc.pause"), 1);
    EXPECT_EQ(RenamedPauseRow("/music/10.pause", 15), "15.PAUSE");
    EXPECT_EQ(RenamedFilePath("/music/old.name.mp3", "new"), "/music/new.mp3");
    EXPECT_EQ(RenamedFilePath("/music/noext", "other"), "/music/other");
}

TEST(EditCommandsTest, TotalLengthSumsMediaRowsLessOverlapsExceptAfterTheLast)
{
    struct Case {
        QStringList rows;
        std::set<QString> failing;
        QStringList opened;
        std::int64_t total, overlaps;
        int failures;
        const char* message; // a part of the result text
    };
    // Media are 180 s but "10.pause"; all but the last overlap by 4 s or their "~" override.
    const Case cases[] = {
        {{"10.pause", "/m/a.wav", "/m/b.wav"}, {}, {"10.pause", "/m/a.wav", "/m/b.wav"}, 370000, 8000, 0,
         "The play list contains 3 songs.\nThe total length is: 06:02.0."},
        // Rows that are not media are skipped; b.wav is not the last row.
        {{"/m/x.stop", "/m/readme", "/m/a~1.5.wav", "/m/b.wav", "/m/c.alb"}, {},
         {"/m/x.stop", "/m/a~1.5.wav", "/m/b.wav"}, 3 * 180000, 4000 + 1500 + 4000, 0, ""},
        // Without stopping on errors a failed row counts as nothing.
        {Abc(), {"/m/b.wav"}, {"/m/a.wav", "/m/c.wav"}, 360000, 4000, 1, "1 of them could not be opened"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.join(u' ').toStdString());
        FakeTrackWorld world;
        world.lengths["10.pause"] = 10000;
        world.failingOpen = c.failing;
        CPlaylist list;
        list.Reset(c.rows, 0);
        int reported = 0;
        CTotalLength run(list, Tracks(world), 4000, false, nullptr, [&](const CException&) { ++reported; });
        int steps = 0;
        while (run.Step())
            ++steps;
        EXPECT_EQ(steps, c.rows.size());
        EXPECT_EQ(run.Rows(), c.rows.size());
        EXPECT_FALSE(run.Aborted());
        EXPECT_EQ(world.opened, c.opened);
        EXPECT_EQ(run.Total(), c.total);
        EXPECT_EQ(run.Overlaps(), c.overlaps);
        EXPECT_EQ(run.Failures(), c.failures);
        EXPECT_EQ(reported, c.failures);
        EXPECT_TRUE(run.Message().contains(QString::fromUtf8(c.message))) << run.Message().toStdString();
    }
}

TEST(EditCommandsTest, TotalLengthIsSixtyFourBitAndStopsOnErrorOrAbort)
{
    FakeTrackWorld world;
    QStringList rows;
    for (int i = 0; i < 40; ++i) {
        rows << QStringLiteral("/m/%1.wav").arg(i);
        world.lengths[rows.last()] = 100 * 3600 * 1000; // 100 hours each
    }
    CPlaylist list;
    list.Reset(rows, 0);
    CTotalLength longRun(list, Tracks(world), 0, true);
    Finish(longRun);
    EXPECT_EQ(longRun.Total(), std::int64_t(40) * 100 * 3600 * 1000);
    EXPECT_EQ(longRun.Net(), longRun.Total());

    world.failingOpen.insert("/m/b.wav");
    list.Reset(Abc(), 0);
    QStringList reported;
    CTotalLength strict(list, Tracks(world), 4000, true, nullptr,
                        [&](const CException& e) { reported << e.GetErrorMessage(); });
    Finish(strict);
    EXPECT_TRUE(strict.Aborted());
    EXPECT_EQ(strict.NextRow(), 2);
    EXPECT_EQ(reported, QStringList({"cannot open /m/b.wav"}));

    CTotalLength aborted(list, Tracks(world), 4000, false);
    aborted.Step();
    aborted.Abort();
    EXPECT_FALSE(aborted.Step());
    EXPECT_TRUE(aborted.Done());
}
