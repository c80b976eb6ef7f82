// The playlist editing commands on the model: enable rules, moves, removal,
// paste splitting, the drag rule, rename texts and Total Length.
#include "onair/EditCommands.h"

#include "platform/Exception.h"
#include "playlist/Playlist.h"

#include <gtest/gtest.h>

#include <QHash>
#include <set>

namespace {

class LengthTrack : public CMediaTrack
{
public:
    explicit LengthTrack(TrackMs length, bool fail) : m_fixed(length), m_fail(fail) {}
    void Open(const QString& path, QObject* owner) override
    {
        CMediaTrack::Open(path, owner);
        if (m_fail)
            throw CMessageException(QStringLiteral("cannot open %1").arg(path));
        m_length = m_fixed;
    }
    void Play() override {}
    void PlayRange(TrackMs, TrackMs) override {}
    void Stop() override {}
    void Pause() override {}
    void Resume() override {}
    bool IsStopped() const override { return true; }
    bool IsPaused() const override { return false; }
    bool IsPlaying() const override { return false; }
    TrackMs GetPosition() const override { return 0; }
    void Seek(TrackMs) override {}

private:
    TrackMs m_fixed;
    bool m_fail;
};

struct Lengths
{
    QHash<QString, TrackMs> ms;
    std::set<QString> failing;
    QStringList opened;
    CTotalLength::TrackFactory Factory()
    {
        return [this](const QString& path) {
            opened << path;
            return std::make_unique<LengthTrack>(ms.value(path, 180000), failing.count(path) > 0);
        };
    }
};

QStringList Abc() { return {"/m/a.wav", "/m/b.wav", "/m/c.wav"}; }

} // namespace

TEST(EditCommandsTest, EnableRulesFollowSelectionCountClipboardAndAir)
{
    auto enabled = [](int id, EditContext c) { return EditCommandState(id, c)->enabled; };
    const EditContext empty{0, -1, false, false};
    const EditContext first{3, 0, false, false};
    const EditContext middle{3, 1, true, false};
    const EditContext last{3, 2, false, true};

    for (int id : {EditCmd::AddTracks, EditCmd::AddPause, EditCmd::AddCdTracks})
        EXPECT_TRUE(enabled(id, empty)) << id;
    for (int id : {EditCmd::Remove, EditCmd::Cut, EditCmd::Copy, EditCmd::Shuffle, EditCmd::Find,
                   EditCmd::Rename, EditCmd::TotalLength}) {
        EXPECT_FALSE(enabled(id, empty)) << id;
        EXPECT_TRUE(enabled(id, first)) << id;
    }
    EXPECT_FALSE(enabled(EditCmd::ClearAll, empty));
    EXPECT_TRUE(enabled(EditCmd::ClearAll, EditContext{1, -1, false, false}));
    EXPECT_FALSE(enabled(EditCmd::Paste, first));
    EXPECT_TRUE(enabled(EditCmd::Paste, middle));

    for (int id : {EditCmd::MoveTop, EditCmd::MoveUp}) {
        EXPECT_FALSE(enabled(id, first)) << id;
        EXPECT_TRUE(enabled(id, middle)) << id;
        EXPECT_TRUE(enabled(id, last)) << id;
    }
    for (int id : {EditCmd::MoveDown, EditCmd::MoveBottom}) {
        EXPECT_FALSE(enabled(id, empty)) << id;
        EXPECT_TRUE(enabled(id, middle)) << id;
        EXPECT_FALSE(enabled(id, last)) << id;
    }
    EXPECT_FALSE(enabled(EditCmd::TotalLength, last)); // on air
    EXPECT_FALSE(EditCommandState(Cmd::Play, middle).has_value());
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
    Lengths lengths;
    lengths.ms["10.pause"] = 10000;
    CPlaylist list;
    list.Reset({"10.pause", "/m/a.wav", "/m/b.wav"}, 0);
    CTotalLength run(list, lengths.Factory(), 4000, true);
    int steps = 0;
    while (run.Step())
        ++steps;
    EXPECT_EQ(steps, 3);
    EXPECT_FALSE(run.Aborted());
    EXPECT_EQ(run.Total(), 370000);
    EXPECT_EQ(run.Overlaps(), 8000);
    EXPECT_EQ(run.Message(), "The play list contains 3 songs.\nThe total length is: 06:02.0.");
}

TEST(EditCommandsTest, TotalLengthSkipsNonMediaRowsAndUsesOverrides)
{
    Lengths lengths;
    CPlaylist list;
    list.Reset({"/m/x.stop", "/m/readme", "/m/a~1.5.wav", "/m/b.wav", "/m/c.alb"}, 0);
    CTotalLength run(list, lengths.Factory(), 4000, true);
    while (run.Step()) {
    }
    EXPECT_EQ(lengths.opened, QStringList({"/m/x.stop", "/m/a~1.5.wav", "/m/b.wav"}));
    EXPECT_EQ(run.Total(), 3 * 180000);
    EXPECT_EQ(run.Overlaps(), 4000 + 1500 + 4000); // b.wav is not the last row
    EXPECT_EQ(run.Rows(), 5);
}

TEST(EditCommandsTest, TotalLengthIsSixtyFourBit)
{
    Lengths lengths;
    QStringList rows;
    for (int i = 0; i < 40; ++i)
        rows << QStringLiteral("/m/%1.wav").arg(i);
    for (const QString& r : rows)
        lengths.ms[r] = 100 * 3600 * 1000; // 100 hours each
    CPlaylist list;
    list.Reset(rows, 0);
    CTotalLength run(list, lengths.Factory(), 0, true);
    while (run.Step()) {
    }
    EXPECT_EQ(run.Total(), std::int64_t(40) * 100 * 3600 * 1000);
    EXPECT_EQ(run.Net(), run.Total());
}

TEST(EditCommandsTest, TotalLengthFailuresAbortOrCountAsZero)
{
    Lengths lengths;
    lengths.failing.insert("/m/b.wav");
    CPlaylist list;
    list.Reset(Abc(), 0);
    QStringList reported;
    auto report = [&](const CException& e) { reported << e.GetErrorMessage(); };

    CTotalLength strict(list, lengths.Factory(), 4000, true, nullptr, report);
    while (strict.Step()) {
    }
    EXPECT_TRUE(strict.Aborted());
    EXPECT_EQ(strict.NextRow(), 2);
    EXPECT_EQ(reported, QStringList({"cannot open /m/b.wav"}));

    CTotalLength lenient(list, lengths.Factory(), 4000, false, nullptr, report);
    while (lenient.Step()) {
    }
    EXPECT_FALSE(lenient.Aborted());
    EXPECT_EQ(lenient.Failures(), 1);
    EXPECT_EQ(lenient.Total(), 360000);
    EXPECT_EQ(lenient.Overlaps(), 4000); // only a.wav; the failed row adds none
    EXPECT_TRUE(lenient.Message().contains("1 of them could not be opened"));
    EXPECT_EQ(reported.size(), 2);

    CTotalLength aborted(list, lengths.Factory(), 4000, false);
    aborted.Step();
    aborted.Abort();
    EXPECT_FALSE(aborted.Step());
    EXPECT_TRUE(aborted.Done());
}
