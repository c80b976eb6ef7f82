// SPDX-License-Identifier: GPL-3.0-or-later
// The binary form of the playlist and undo / redo by snapshots.
#include "playlist/UndoDoc.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistArchive.h"
#include "playlist/SharedRows.h"
#include "support/UnitTest.h"

namespace {

// A document whose content is a playlist, the way the album document is.
class PlaylistDoc : public CUndoDoc
{
public:
    CPlaylist list;

protected:
    CUndoContent StoreSnapshot() const override { return {list.Rows(), list.Selection()}; }
    void LoadSnapshot(const CUndoContent& content) override { list.Reset(content.rows, content.selection); }
};

} // namespace

// Rows, selection and the bytes they are stored as.
TEST(PlaylistArchive, BytesOfRowsSelectionAndLengthPrefixesRoundTripAndMalformedData)
{
    const std::tuple<QStringList, int, const char*> cases[] = {
        {{}, -1, "00000000 ffffffff"},
        {{"a", "bc", ""}, 1, "03000000 01000000 0161 026263 00"},
        {{"a"}, -1, "01000000 ffffffff 0161"},
        {{QString::fromUtf8("é")}, 0, "01000000 00000000 02c3a9"} // bytes counted, not characters
    };
    for (const auto& [rows, selection, hex] : cases) {
        CPlaylist list;
        list.Reset(rows, selection);
        EXPECT_EQ(StorePlaylist(list), QByteArray::fromHex(hex)) << hex;
    }
    const qsizetype lengths[] = {0, 254, 255, 300, 65533, 65534, 70000};
    const char* const prefixes[] = {
        "00", "fe", "ff ff00", "ff 2c01", "ff fdff", "ff ffff feff0000", "ff ffff 70110100"};
    for (int i = 0; i < 7; ++i) {
        QByteArray out;
        WriteArchiveString(&out, QByteArray(lengths[i], 'a'));
        EXPECT_EQ(out.left(out.size() - lengths[i]), QByteArray::fromHex(prefixes[i])) << lengths[i];
    }

    CPlaylist a, b;
    QStringList rows{"", "  #x", QString::fromUtf8("/m/Café 日.mp3")};
    for (int length : {255, 300, 70000})
        rows << QString(length, u'x');
    a.Reset(rows, 3);
    ASSERT_TRUE(LoadPlaylist(b, StorePlaylist(a)));
    EXPECT_EQ(std::pair(b.Rows(), b.Selection()), std::pair(rows, 3));
    ASSERT_TRUE(LoadPlaylist(b, {}));
    EXPECT_EQ(std::pair(b.Count(), b.Selection()), std::pair(0, -1));

    // A row missing, a text cut short, the wide-text marker, a cut count:
    // refused, and the list stays as it was.
    a.Reset({"/a.wav"}, 0);
    for (const char* bad :
         {"02000000 00000000 0161", "01000000 00000000 05616263", "01000000 00000000 fffeff0100", "010000"})
        EXPECT_FALSE(LoadPlaylist(a, QByteArray::fromHex(bad))) << bad;
    EXPECT_EQ(std::pair(a.Rows(), a.Selection()), std::pair(QStringList{"/a.wav"}, 0));
}

// Each step acts on the document: u undo, r redo, D removes row 0, M moves
// row 0 down and selects nothing, R resets the history, O turns undo off and
// clears the modified flag; any other letter is a row added. Then come the
// rows, the selection, the command of the current snapshot, the sizes of
// the undo and redo stacks, the modified flag and whether undo is on. Undoing to
// the bottom leaves the album unmodified; a new change keeps the redo stack;
// with undo off a change only sets the flag.
TEST(UndoDoc, EditUndoRedoSteps)
{
    const std::tuple<char, QStringList, int, std::uint32_t, int, int, bool, bool> steps[] = {
        {'D', {"b", "c"}, 0, UndoCmd::Remove, 1, 0, true, true},
        {'M', {"c", "b"}, -1, UndoCmd::MoveDown, 2, 0, true, true},
        {'u', {"b", "c"}, 0, UndoCmd::Remove, 1, 1, true, true},
        {'u', {"a", "b", "c"}, 2, UndoCmd::Base, 0, 2, false, true},
        {'u', {"a", "b", "c"}, 2, UndoCmd::Base, 0, 2, false, true},
        {'r', {"b", "c"}, 0, UndoCmd::Remove, 1, 1, true, true},
        {'d', {"b", "c", "d"}, 0, UndoCmd::AddPause, 2, 1, true, true},
        {'r', {"c", "b"}, -1, UndoCmd::MoveDown, 3, 0, true, true},
        {'u', {"b", "c", "d"}, 0, UndoCmd::AddPause, 2, 1, true, true},
        {'u', {"b", "c"}, 0, UndoCmd::Remove, 1, 2, true, true},
        {'R', {"b", "c"}, 0, UndoCmd::Base, 0, 0, true, true},
        {'e', {"b", "c", "e"}, 0, UndoCmd::AddPause, 1, 0, true, true},
        {'u', {"b", "c"}, 0, UndoCmd::Base, 0, 1, false, true},
        {'O', {"b", "c"}, 0, UndoCmd::Base, 0, 0, false, false},
        {'f', {"b", "c", "f"}, 0, UndoCmd::Base, 0, 0, true, false},
        {'u', {"b", "c", "f"}, 0, UndoCmd::Base, 0, 0, true, false}};
    PlaylistDoc doc;
    EXPECT_FALSE(doc.IsUndoEnabled()); // until the first reset
    doc.list.Reset({"a", "b", "c"}, 2);
    doc.ResetUndo(true);
    for (const auto& [op, rows, selection, current, undo, redo, modified, enabled] : steps) {
        switch (op) {
        case 'u': doc.OnUndo(); break;
        case 'r': doc.OnRedo(); break;
        case 'R': doc.ResetUndo(true); break;
        case 'O': doc.ResetUndo(false), doc.SetModifiedFlag(false); break;
        case 'D': doc.list.Delete(0), doc.Checkpoint(UndoCmd::Remove); break;
        case 'M': doc.list.Move(0, 1), doc.list.Select(-1), doc.Checkpoint(UndoCmd::MoveDown); break;
        default: doc.list.Insert(-1, QString(QLatin1Char(op))), doc.Checkpoint(UndoCmd::AddPause);
        }
        const CUndoHistory& h = doc.History();
        EXPECT_EQ(std::tuple(doc.list.Rows(), doc.list.Selection(), h.Current().commandId, h.UndoCount(),
                             h.RedoCount(), doc.IsModified(), doc.IsUndoEnabled()),
                  std::tuple(rows, selection, current, undo, redo, modified, enabled))
            << op << " giving " << rows.join(u' ').toStdString();
    }
}

TEST(UndoDoc, TenStepsAreKeptEachWay)
{
    PlaylistDoc doc;
    doc.ResetUndo(true);
    for (int i = 1; i <= 11; ++i) {
        doc.list.Insert(-1, QString::number(i));
        doc.Checkpoint(UndoCmd::AddTracks);
    }
    for (int i = 0; i < 11; ++i)
        doc.OnUndo();
    EXPECT_EQ(doc.list.Rows(), QStringList{"1"}); // the state after the first change
    EXPECT_FALSE(doc.IsModified());
    for (int i = 0; i < 11; ++i)
        doc.OnRedo();
    EXPECT_EQ(doc.list.Count(), 11);
    EXPECT_EQ(doc.History().UndoIds(), std::vector<std::uint32_t>(10, UndoCmd::AddTracks));
}

// Snapshots keep their rows exactly and share what an edit left alone.
TEST(SharedRows, RowsComeBackExactlyAndAnEditSharesTheRest)
{
    QStringList rows;
    for (int i = 0; i < 5000; ++i)
        rows << QStringLiteral("/m/%1.mp3").arg(i);
    const QStringList same(3000, QStringLiteral("/m/same.mp3")); // one hash: chunks end at the cap
    for (const QStringList& list : {QStringList(), QStringList{"a"}, rows, same})
        EXPECT_EQ(CSharedRows(list).Rows(), list) << list.size();
    const CSharedRows before(rows);
    QStringList edited = rows;
    edited.insert(2500, QStringLiteral("/m/new.mp3"));
    edited.removeAt(10);
    const CSharedRows after(edited, before);
    EXPECT_EQ(after.Rows(), edited);
    EXPECT_GT(after.ChunkCount(), 40u);
    EXPECT_GE(after.SharedChunkCount() + 2, after.ChunkCount()) << "only the chunks edited are new";
}
