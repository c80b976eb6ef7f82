// SPDX-License-Identifier: GPL-3.0-or-later
// The playlist editing commands on the model: enable rules, moves, removal,
// paste splitting, the drag rule, rename texts and Total Length.
#include "onair/EditCommands.h"
#include "onair/Find.h"

#include "EngineFixture.h"

constexpr TrackMs kHundredHours = 100 * 3600 * 1000;

TEST(EditCommandsTest, EnableRulesFollowSelectionCountClipboardAndAir)
{
    // An empty list; the first, the middle (clipboard full) and the last (on air) of three rows.
    const EditContext contexts[] = {
        {0, -1, false, false}, {3, 0, false, false}, {3, 1, true, false}, {3, 2, false, true}};
    const std::pair<const char*, std::vector<int>> rules[] = {
        {"1111", {EditCmd::AddTracks, EditCmd::AddPause, EditCmd::AddCdTracks}},
        {"0111",
         {EditCmd::Remove, EditCmd::Cut, EditCmd::Copy, EditCmd::Shuffle, EditCmd::Find, EditCmd::Rename,
          EditCmd::ClearAll}},
        {"0110", {EditCmd::TotalLength, EditCmd::MoveDown, EditCmd::MoveBottom}},
        {"0011", {EditCmd::MoveTop, EditCmd::MoveUp}},
        {"0010", {EditCmd::Paste}}};
    for (const auto& [enabled, ids] : rules)
        for (int id : ids)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(EditCommandState(id, contexts[c])->enabled, enabled[c] == '1') << id << " in " << c;
    EXPECT_TRUE(EditCommandState(EditCmd::ClearAll, EditContext{1, -1, false, false})->enabled);
    EXPECT_FALSE(EditCommandState(Cmd::Play, contexts[2]).has_value());
}

TEST(EditCommandsTest, FindStepsFromTheRowAndWrapsRoundTheList)
{
    CPlaylist list;
    list.Reset({"/m/Alpha.mp3", "/m/beta.mp3", "/m/Gamma.mp3", "/m/alphabet.mp3"}, 0);
    // text, from, match case, down | row found
    const std::tuple<const char*, int, bool, bool, int> cases[] = {
        {"alpha", 0, false, true, 3}, {"alpha", 3, false, true, 0}, {"alpha", 0, false, false, 3},
        {"beta", 2, false, false, 1}, {"Alpha", 0, true, true, 0}, // back at the start: stays
        {"zzz", 1, false, true, 1},   {"", 1, false, true, -1},     {"a", 4, false, true, -1},
        {"a", -1, false, true, -1}};
    for (const auto& [text, from, matchCase, down, row] : cases)
        EXPECT_EQ(FindRow(list, QString::fromUtf8(text), from, matchCase, down), row) << text << from;
}

// Moves keep the other rows in order and select the moved row; Remove
// selects the row that moved up or the new last; a drag (command 0) puts the
// row before the one it is dropped on.
TEST(EditCommandsTest, RowEditsByCommandAndSelection)
{
    // command, rows, selected or dragged row, dropped onto | done, rows, selection
    const std::tuple<int, const char*, int, int, bool, const char*, int> cases[] = {
        {EditCmd::MoveDown, "abcd", 1, 0, true, "acbd", 2},
        {EditCmd::MoveDown, "abcd", 3, 0, false, "abcd", 3},
        {EditCmd::MoveBottom, "abcd", 1, 0, true, "acdb", 3},
        {EditCmd::MoveUp, "abcd", 2, 0, true, "acbd", 1},
        {EditCmd::MoveUp, "abcd", 0, 0, false, "abcd", 0},
        {EditCmd::MoveTop, "abcd", 2, 0, true, "cabd", 0},
        {EditCmd::Remove, "abc", 2, 0, true, "ab", 1},
        {EditCmd::Remove, "abc", 0, 0, true, "bc", 0},
        {EditCmd::Remove, "", -1, 0, false, "", -1},
        {0, "abcd", 1, 1, false, "abcd", 1},
        {0, "abcd", 1, 2, false, "abcd", 1},
        {0, "abcd", 3, 0, true, "dabc", 0},
        {0, "abcd", 0, 4, true, "bcda", 3},
        {0, "abcd", 0, 5, false, "abcd", -1}};
    for (const auto& [command, rows, from, onto, done, after, selection] : cases) {
        SCOPED_TRACE(testing::Message() << command << " " << rows << " " << from << " " << onto);
        CPlaylist list;
        list.Reset(QString::fromUtf8(rows).split(QString(), Qt::SkipEmptyParts), command ? from : -1);
        const bool edited = command == EditCmd::Remove ? RemoveSelected(list)
                            : command                  ? MoveSelected(list, command)
                                                       : DragMoveRow(list, from, onto);
        EXPECT_EQ(edited, done);
        EXPECT_EQ(list.Rows().join(QString()), after);
        EXPECT_EQ(list.Selection(), selection);
    }
}

TEST(EditCommandsTest, PasteSplitsAtCarriageReturnsOnlyAndAddingTakesMediaFilesWhenAsked)
{
    EXPECT_EQ(SplitPasteText("a\nb"), QStringList({"a\nb"}));
    EXPECT_EQ(SplitPasteText("a\r\r\nb\r\n\nc\r\n\r\n"), QStringList({"a", "b", "\nc"}));
    CPlaylist list;
    list.Reset({"x"}, 0);
    EXPECT_EQ(PasteText(list, "/m/a.wav\r\n/m/b.wav\r\n", false), 2);
    EXPECT_EQ(list.Rows(), QStringList({"x", "/m/a.wav", "/m/b.wav"}));
    list.Select(-1);
    EXPECT_EQ(AppendItems(list, {"/m/c.wav", "/m/readme", "/m/d.pause"}, true), 2); // media files only
    EXPECT_EQ(list.Rows().mid(3), QStringList({"/m/c.wav", "/m/d.pause"}));
    EXPECT_EQ(list.Selection(), 3); // the first added row when none was selected
}

// A row's text: its name or path, numbered from 1; the rename texts keep
// the folder and the extension.
TEST(EditCommandsTest, RowAndRenameTexts)
{
    EXPECT_EQ((QStringList{
                  PlaylistRowText("/m/song.wav", 0, false, false),
                  PlaylistRowText("10.pause", 4, false, true), RenamedPauseRow("/music/10.pause", 15),
                  RenamedFilePath("/music/old.name.mp3", "new"), RenamedFilePath("/music/noext", "other")}),
              (QStringList{"song", "[5] 10 sec.", "15.PAUSE", "/music/new.mp3", "/music/other"}));
    EXPECT_EQ((std::tuple{RenameKindFor("/dev/sr0/Track05.CDA"), RenameKindFor("/m/10.Pause"),
                          RenameKindFor("/m/song.wav"), PauseDialogSeconds("/m/10.pause"),
                          PauseDialogSeconds("/m/abc.pause")}),
              std::tuple(RenameKind::CdTitle, RenameKind::Pause, RenameKind::File, 10, 1));
}

// Media are 180 s but "10.pause" and the 100-hour items (whose sum needs 64
// bits); all but the last row overlap by 4 s or their "~" override; rows that
// are not media are skipped; a failed row is reported and counts as nothing,
// or ends the run when asked to stop there.
TEST(EditCommandsTest, TotalLengthSumsMediaRowsLessOverlapsExceptAfterTheLast)
{
    const QStringList pause = {"10.pause", "/m/a.wav", "/m/b.wav"},
                      withBad = {"/m/a.wav", "/m/bad.wav", "/m/c.wav"};
    const QStringList others = {"/m/x.stop", "/m/readme", "/m/a~1.5.wav", "/m/b.wav", "/m/c.alb"};
    // rows, stop at a failure | rows stepped, opened, total, overlaps, failures, a part of the message
    const std::tuple<QStringList, bool, int, int, std::int64_t, std::int64_t, int, const char*> cases[] = {
        {pause, false, 3, 3, 370000, 8000, 0,
         "The play list contains 3 songs.\nThe total length is: 06:02.0."},
        {others, false, 5, 3, 3 * 180000, 4000 + 1500 + 4000, 0, ""},
        {withBad, false, 3, 2, 360000, 4000, 1, "1 of them could not be opened"},
        {withBad, true, 1, 1, 180000, 4000, 1, "1 of them could not be opened"},
        {QStringList(40, "/m/long.wav"), false, 40, 40, std::int64_t(40) * kHundredHours, 39 * 4000, 0, ""}};
    for (const auto& [rows, stop, stepped, opened, total, overlaps, failures, message] : cases) {
        SCOPED_TRACE(rows.join(u' ').toStdString() + (stop ? " stopping" : ""));
        FakeTrackWorld world;
        world.lengths = {{"10.pause", 10000}, {"/m/long.wav", kHundredHours}};
        world.failingOpen = {"/m/bad.wav"};
        CPlaylist list;
        list.Reset(rows, 0);
        QStringList reported;
        CTotalLength run(
            list, [&world](const QString&) { return std::make_unique<FakeTrack>(world); }, 4000, stop,
            nullptr, [&](const CException& e) { reported << e.GetErrorMessage(); });
        EXPECT_EQ(SoundBankOption(), 0) << "no sound banks while measuring";
        int steps = 0;
        while (run.Step())
            ++steps;
        EXPECT_EQ(std::tuple(steps, run.Aborted(), run.NextRow(), world.opened.size(), run.Total(),
                             run.Overlaps(), run.Failures()),
                  std::tuple(stepped, stop, stepped + int(stop), opened, total, overlaps, failures));
        EXPECT_EQ(reported, QStringList(failures, QStringLiteral("cannot open /m/bad.wav")));
        EXPECT_TRUE(run.Message().contains(QString::fromUtf8(message))) << run.Message().toStdString();
    }
}
