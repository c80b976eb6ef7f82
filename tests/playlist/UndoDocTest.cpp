// The binary form of the playlist and undo / redo by snapshots.
#include "playlist/Playlist.h"
#include "playlist/PlaylistArchive.h"
#include "playlist/UndoDoc.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray Prefix(qsizetype length)
{
    QByteArray out;
    WriteArchiveString(&out, QByteArray(length, 'a'));
    return out.left(out.size() - length);
}

// A document whose content is a playlist, the way the album document is.
class PlaylistDoc : public CUndoDoc
{
public:
    CPlaylist list;

protected:
    QByteArray StoreSnapshot() const override { return StorePlaylist(list); }
    void LoadSnapshot(const QByteArray& data) override { LoadPlaylist(list, data); }
};

// One change: append a row and take a checkpoint.
void Add(PlaylistDoc& doc, const QString& row, std::uint32_t id = UndoCmd::AddTracks)
{
    doc.list.Insert(-1, row);
    doc.Checkpoint(id);
}

QStringList Numbered(int n)
{
    QStringList rows;
    for (int i = 1; i <= n; ++i)
        rows << QStringLiteral("/m/%1.wav").arg(i);
    return rows;
}

} // namespace

TEST(PlaylistArchive, BytesOfTheDesignExamples)
{
    CPlaylist list;
    EXPECT_EQ(StorePlaylist(list), Hex("00000000ffffffff"));

    list.Reset({"a", "bc", ""}, 1);
    EXPECT_EQ(StorePlaylist(list), Hex("03000000" "01000000" "0161" "026263" "00"));
    list.Select(-1);
    EXPECT_TRUE(StorePlaylist(list).startsWith(Hex("03000000ffffffff")));
}

TEST(PlaylistArchive, LengthPrefixBoundaries)
{
    const std::pair<qsizetype, const char*> cases[] = {{0, "00"},         {254, "fe"},        {255, "ffff00"},
                                                       {300, "ff2c01"},   {65533, "fffdff"},
                                                       {65534, "fffffffeff0000"}, {70000, "ffffff70110100"}};
    for (const auto& [length, hex] : cases)
        EXPECT_EQ(Prefix(length), Hex(hex)) << length;
}

TEST(PlaylistArchive, RoundTripOfRowsAndSelection)
{
    CPlaylist a;
    const QStringList rows{QString(255, u'x'), QString(300, u'y'), QString::fromUtf8("/m/Café 日.mp3"),
                           QString(70000, u'z'), "", "  #x"};
    a.Reset(rows, 3);
    CPlaylist b;
    ASSERT_TRUE(LoadPlaylist(b, StorePlaylist(a)));
    EXPECT_EQ(b.Rows(), rows);
    EXPECT_EQ(b.Selection(), 3);
    // UTF-8 bytes are counted, not characters: "é" takes two.
    QByteArray one;
    WriteArchiveString(&one, QString::fromUtf8("é").toUtf8());
    EXPECT_EQ(one, Hex("02c3a9"));
}

TEST(PlaylistArchive, EmptyOrMalformedData)
{
    CPlaylist list;
    list.Reset({"/a.wav"}, 0);
    ASSERT_TRUE(LoadPlaylist(list, {}));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Selection(), -1);

    list.Reset({"/a.wav"}, 0);
    EXPECT_FALSE(LoadPlaylist(list, Hex("02000000" "00000000" "0161")));      // second row missing
    EXPECT_FALSE(LoadPlaylist(list, Hex("01000000" "00000000" "05616263")));  // text cut short
    EXPECT_FALSE(LoadPlaylist(list, Hex("01000000" "00000000" "fffeff0100"))); // wide-text marker
    EXPECT_FALSE(LoadPlaylist(list, Hex("010000")));
    EXPECT_EQ(list.Rows(), QStringList{"/a.wav"});
    EXPECT_EQ(list.Selection(), 0);
}

TEST(UndoDoc, ElevenChangesOnlyTenUndone)
{
    PlaylistDoc doc;
    doc.ResetUndo(true);
    for (const QString& row : Numbered(11))
        Add(doc, row);
    EXPECT_EQ(doc.History().UndoCount(), 10);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(doc.CanUndo()) << i;
        doc.OnUndo();
        EXPECT_EQ(doc.IsModified(), i < 9) << i; // unmodified only with nothing left
    }
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(doc.list.Rows(), Numbered(1)); // the state after the first change
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.History().RedoCount(), 10);
    for (int i = 0; i < 10; ++i)
        doc.OnRedo();
    EXPECT_EQ(doc.list.Rows(), Numbered(11));
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_TRUE(doc.IsModified());
}

TEST(UndoDoc, RedoStackSurvivesANewChange)
{
    PlaylistDoc doc;
    doc.ResetUndo(true);
    Add(doc, "/a.wav");
    Add(doc, "/b.wav");
    doc.OnUndo();
    EXPECT_EQ(doc.list.Rows(), QStringList{"/a.wav"});
    Add(doc, "/c.wav", UndoCmd::AddPause);
    EXPECT_TRUE(doc.CanRedo());
    EXPECT_EQ(doc.History().UndoIds(), (std::vector<std::uint32_t>{0, UndoCmd::AddTracks}));
    doc.OnRedo();
    EXPECT_EQ(doc.list.Rows(), (QStringList{"/a.wav", "/b.wav"}));
    // The new change went onto the undo stack and comes back first.
    EXPECT_EQ(doc.History().UndoIds().back(), std::uint32_t(UndoCmd::AddPause));
    doc.OnUndo();
    EXPECT_EQ(doc.list.Rows(), (QStringList{"/a.wav", "/c.wav"}));
}

TEST(UndoDoc, SelectionComesBackWithTheRows)
{
    PlaylistDoc doc;
    doc.list.Reset({"/a.wav", "/b.wav", "/c.wav"}, 2);
    doc.ResetUndo(true);
    doc.list.Delete(0);
    doc.list.Select(0);
    doc.Checkpoint(UndoCmd::Remove);
    doc.list.Move(0, 1);
    doc.list.Select(-1);
    doc.Checkpoint(UndoCmd::MoveDown);
    doc.OnUndo();
    EXPECT_EQ(doc.list.Rows(), (QStringList{"/b.wav", "/c.wav"}));
    EXPECT_EQ(doc.list.Selection(), 0);
    doc.OnUndo();
    EXPECT_EQ(doc.list.Rows(), (QStringList{"/a.wav", "/b.wav", "/c.wav"}));
    EXPECT_EQ(doc.list.Selection(), 2);
    doc.OnRedo();
    doc.OnRedo();
    EXPECT_EQ(doc.list.Rows(), (QStringList{"/c.wav", "/b.wav"}));
    EXPECT_EQ(doc.list.Selection(), -1);
}

TEST(UndoDoc, ResetDropsTheHistoryAndDisables)
{
    EXPECT_FALSE(PlaylistDoc().IsUndoEnabled()); // until the first reset
    PlaylistDoc doc;
    doc.ResetUndo(true);
    Add(doc, "/a.wav");
    Add(doc, "/b.wav");
    doc.OnUndo();
    doc.ResetUndo(true);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.History().Current().data, StorePlaylist(doc.list));
    EXPECT_EQ(doc.History().Current().commandId, 0u);
    // Disabled, as before the first reset: a change only sets the modified flag.
    doc.ResetUndo(false);
    doc.SetModifiedFlag(false);
    Add(doc, "/c.wav");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(doc.IsUndoEnabled());
    EXPECT_FALSE(doc.CanUndo());
    doc.OnUndo(); // nothing happens
    EXPECT_EQ(doc.list.Count(), 2);
}

TEST(UndoDoc, SnapshotsAreTheBinaryFormTaggedWithTheCommand)
{
    PlaylistDoc doc;
    doc.ResetUndo(true);
    doc.list.Insert(-1, "/a.wav");
    doc.list.Select(0);
    doc.Checkpoint(UndoCmd::Drop);
    EXPECT_EQ(doc.History().Current().commandId, std::uint32_t(UndoCmd::Drop));
    EXPECT_EQ(doc.History().Current().data, Hex("01000000" "00000000" "06") + "/a.wav");
    doc.list.Reset({}, -1);
    doc.Checkpoint(UndoCmd::ClearAll);
    EXPECT_EQ(doc.History().Current().data, Hex("00000000ffffffff"));
    EXPECT_EQ(doc.History().UndoIds(), (std::vector<std::uint32_t>{0, UndoCmd::Drop}));
}
