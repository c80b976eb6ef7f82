// SPDX-License-Identifier: GPL-3.0-or-later
// The album document: new, open, save, the save prompt, the recent list,
// the start-up reopen and sending by mail.
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"
#include "support/UnitTest.h"

namespace {

using Answer = UserInterface::SaveAnswer;

class AlbumDocTest : public ::testing::Test
{
protected:
    void SetUp() override { doc.OnNewDocument(); }

    // One change the way the playlist commands make it.
    void Add(const QString& row)
    {
        list.Insert(-1, row);
        doc.Checkpoint(UndoCmd::AddTracks);
    }
    QString Album(const QString& name, const QByteArray& text)
    {
        return TestEnv::WriteFile(dir + u'/' + name, text);
    }
    // The document in one line: its title, rows, modified flag and undo state.
    QString State() const
    {
        return doc.Title() + " [" + list.Rows().join(u' ') + ']' + (doc.IsModified() ? " modified" : "") +
               (doc.CanUndo() ? " undo" : "");
    }

    TempHive hive;
    QString dir = TestEnv::MakeTempDir("album");
    CPlaylist list;
    RecordingUi ui;
    RecordingShell shell;
    CLiranaDoc doc{list, ui, shell};
};

} // namespace

// Rows and the album's name are made absolute when it opens, and saved so.
TEST_F(AlbumDocTest, EditUndoSaveAsAndOpenAgain)
{
    Add("/m/a.wav");
    EXPECT_TRUE(doc.UpdateCommand(CLiranaDoc::CmdUndo).enabled &&
                !doc.UpdateCommand(CLiranaDoc::CmdRedo).enabled);
    EXPECT_TRUE(doc.OnCommand(CLiranaDoc::CmdUndo));
    EXPECT_EQ(State(), "Untitled []");

    const QString longRow = "/m/" + QString(296, u'n');
    Add("songs/a b.mp3");
    Add(longRow);
    list.Select(1);
    ui.saveName = dir + "/show.alb";
    EXPECT_TRUE(doc.OnCommand(CLiranaDoc::CmdSave)); // untitled: Save asks for a name
    EXPECT_EQ(std::pair(ui.suggestedNames, ui.frameTitle),
              std::pair(QStringList{"Untitled.alb"}, QStringLiteral("show.alb")));
    EXPECT_EQ(FileBytes(dir + "/show.alb"), ("songs/a b.mp3\n" + longRow + "\n").toUtf8());
    ASSERT_TRUE(doc.NewDocument());
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir);
    const bool opened = doc.OpenDocumentFile("show.alb");
    QDir::setCurrent(old);
    ASSERT_TRUE(opened);
    EXPECT_EQ(State() + u'@' + QString::number(list.Selection()),
              "show.alb [" + dir + "/songs/a b.mp3 " + longRow + "]@0");
    ASSERT_TRUE(doc.FileSave());
    EXPECT_EQ(FileBytes(dir + "/show.alb"), (dir + "/songs/a b.mp3\n" + longRow + "\n").toUtf8());
}

// Refused before the save prompt; a mini playlist is a list, not a media file.
TEST_F(AlbumDocTest, MediaFileOrMissingFileIsRefusedAndNothingChanges)
{
    ASSERT_TRUE(doc.OpenDocumentFile(Album("keep.alb", "/m/a.wav\n")));
    Add("/m/b.wav");
    const QString media = Album("song.cda", "not a list\n");
    EXPECT_FALSE(doc.OpenDocumentFile(media));
    EXPECT_FALSE(doc.ReadListFile(media));
    EXPECT_EQ(std::pair(ui.messages, ui.asked),
              std::pair(QStringList(2, CLiranaDoc::MediaFileMessage()), QStringList()));
    EXPECT_EQ(State(), "keep.alb [/m/a.wav /m/b.wav] modified undo");

    ui.saveAnswers = {Answer::Discard};
    EXPECT_FALSE(doc.OpenDocumentFile(dir + "/missing.alb"));
    EXPECT_TRUE(ui.icons.last() == UserInterface::Icon::Stop &&
                ui.LastMessage().contains(dir + "/missing.alb"));
    EXPECT_EQ(State(), "keep.alb [/m/a.wav /m/b.wav] modified undo");
    EXPECT_EQ(doc.RecentFiles(), QStringList{dir + "/keep.alb"});

    ui.saveAnswers = {Answer::Discard};
    EXPECT_TRUE(doc.OpenDocumentFile(Album("mini.mpl", "/m/c.wav\n")));
    EXPECT_EQ(State(), "mini.mpl [/m/c.wav]");
}

// Cancel, and Save whose dialog is cancelled or whose save fails, keep the
// album; Save and Discard go on. An unmodified album asks nothing.
TEST_F(AlbumDocTest, SavePromptAnswers)
{
    const QString other = Album("other.alb", "/m/other.wav\n");
    Add("/m/a.wav");
    const std::tuple<Answer, QString, bool> rows[] = {{Answer::Cancel, dir + "/x.alb", false},
                                                      {Answer::Save, {}, false},
                                                      {Answer::Save, dir + "/none/x.alb", false},
                                                      {Answer::Save, dir + "/saved.alb", true}};
    for (const auto& [answer, saveName, goesOn] : rows) {
        ui.saveAnswers = {answer};
        ui.saveName = saveName;
        EXPECT_EQ(doc.OpenDocumentFile(other), goesOn) << qPrintable(saveName);
    }
    EXPECT_TRUE(ui.messages.last().contains(dir + "/none/x.alb"));
    EXPECT_EQ(ui.asked, QStringList(4, "Untitled"));
    EXPECT_EQ(std::pair(FileBytes(dir + "/saved.alb"), State()),
              std::pair(QByteArray("/m/a.wav\n"), QStringLiteral("other.alb [/m/other.wav]")));

    list.Delete(0);
    doc.Checkpoint(UndoCmd::Remove);
    ui.saveAnswers = {Answer::Discard};
    EXPECT_TRUE(doc.NewDocument());
    EXPECT_EQ(FileBytes(other), QByteArray("/m/other.wav\n"));
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(ui.asked, QStringList(4, "Untitled") << "other.alb");
}

// Ten entries, newest first, case-sensitive, stored as File1..File10 in the
// hive; an entry opened again moves to the top, and one that cannot be
// opened is dropped (but not when the prompt is cancelled).
TEST_F(AlbumDocTest, RecentListOfTen)
{
    QStringList paths;
    for (int i = 1; i <= 12; ++i) {
        paths << Album(QStringLiteral("a%1.alb").arg(i), "/m/x.wav\n");
        ASSERT_TRUE(doc.OpenDocumentFile(paths.last()));
    }
    const QString upper = Album("A1.alb", "");
    ASSERT_TRUE(doc.OpenDocumentFile(upper));
    ASSERT_TRUE(doc.OpenDocumentFile(paths[9]));
    ASSERT_TRUE(doc.OpenDocumentFile(paths[9])); // the open album: nothing moves
    const QStringList expected{paths[9], upper,    paths[11], paths[10], paths[8],
                               paths[7], paths[6], paths[5],  paths[4],  paths[3]};
    EXPECT_EQ(doc.RecentFiles(), expected);
    const CRegistryKey key = CRegistryKey::OpenAppSubkey("Recent File List");
    EXPECT_EQ(std::pair(key.ValueCount(), key.GetText("File1", {})), std::pair(10, paths[9]));

    EXPECT_EQ(std::pair(doc.UpdateCommand(CLiranaDoc::CmdRecentFirst + 9).enabled,
                        doc.UpdateCommand(CLiranaDoc::CmdRecentFirst + 10).enabled),
              std::pair(true, false));
    EXPECT_TRUE(doc.OnCommand(CLiranaDoc::CmdRecentFirst + 2));
    EXPECT_EQ(doc.RecentFiles().first(), paths[11]);

    Add("/m/y.wav");
    QFile::remove(upper);
    ui.saveAnswers = {Answer::Cancel};
    EXPECT_FALSE(doc.OpenRecentFile(2));
    EXPECT_EQ(doc.RecentFiles()[2], upper);
    ui.saveAnswers = {Answer::Discard};
    EXPECT_FALSE(doc.OpenRecentFile(2));
    EXPECT_EQ(doc.RecentFiles()[2], paths[10]);
}

// The first recent album at start-up, with the stored selection; nothing
// and no message when there is none or it is gone.
TEST_F(AlbumDocTest, LastAlbumReopensWithItsSelection)
{
    const QString a = Album("last.alb", "/m/1.wav\n/m/2.wav\n/m/3.wav\n");
    EXPECT_FALSE(doc.OpenLastAlbum());
    ASSERT_TRUE(doc.OpenDocumentFile(a));
    CRegistryKey::OpenAppSubkey("Settings").SetNumber("CurSel", 2);
    CPlaylist list2;
    ASSERT_TRUE(CLiranaDoc(list2, ui, shell).OpenLastAlbum());
    EXPECT_EQ(list2.Selection(), 2);
    QFile::remove(a);
    EXPECT_FALSE(CLiranaDoc(list2, ui, shell).OpenLastAlbum() || !ui.messages.empty());
}

// A list dropped on the frame replaces only the rows; the engine opens the
// next album without a prompt once it has cleared the flag, and leaves the
// album already open as it is.
TEST_F(AlbumDocTest, DroppedListsAndTheEngineSeam)
{
    const QString a = Album("a.alb", "/m/a.wav\n");
    ASSERT_TRUE(doc.OpenDocumentFile(a));
    Add("/m/b.wav");
    ASSERT_TRUE(doc.ReadListFile(Album("drop.m3u", "#EXTM3U\n/m/d1.mp3\n/m/d2.mp3\n")));
    EXPECT_EQ(std::tuple(State(), list.Selection(), doc.History().UndoCount()),
              std::tuple("a.alb [/m/d1.mp3 /m/d2.mp3] modified undo", 0, 1));

    DocumentSeam& seam = doc;
    seam.SetModifiedFlag(false);
    EXPECT_TRUE(seam.OpenDocumentFile(Album("next.alb", "/m/n.wav\n")) && ui.asked.isEmpty());
    EXPECT_EQ(seam.Title(), "next.alb");
    Add("/m/y.wav");
    EXPECT_TRUE(seam.OpenDocumentFile(dir + "/next.alb"));
    EXPECT_EQ(State(), "next.alb [/m/n.wav /m/y.wav] modified undo");
}

// Modified or untitled: a copy under the album's name goes; saved: the
// album file itself. A failure is explained and leaves no copy behind.
TEST_F(AlbumDocTest, SendByMailHandsTheAlbumOrACopyToXdgEmail)
{
    Add("/m/a.wav");
    ASSERT_TRUE(doc.OnCommand(CLiranaDoc::CmdSendMail));
    ASSERT_EQ(shell.started.size(), 1);
    const QString copy = shell.started[0].value(2);
    EXPECT_EQ(shell.started[0], (QStringList{"xdg-email", "--attach", copy}));
    EXPECT_EQ(std::pair(QFileInfo(copy).fileName(), FileBytes(copy)),
              std::pair(QStringLiteral("Untitled.alb"), QByteArray("/m/a.wav\n")));
    EXPECT_TRUE(doc.IsModified()); // sending is not saving
    QDir(QFileInfo(copy).absolutePath()).removeRecursively();

    ASSERT_TRUE(doc.DoSave(dir + "/show.alb", true));
    ASSERT_TRUE(doc.SendMail());
    EXPECT_EQ(std::pair(shell.started[1].value(2), ui.messages), std::pair(dir + "/show.alb", QStringList()));

    Add("/m/b.wav");
    shell.failWith = "Cannot start xdg-email: No such file or directory";
    EXPECT_FALSE(doc.SendMail());
    EXPECT_EQ(ui.icons, QList{UserInterface::Icon::Stop});
    EXPECT_TRUE(ui.LastMessage().contains("mail program") && ui.LastMessage().contains(shell.failWith));
    EXPECT_FALSE(QFileInfo::exists(shell.started[2].value(2)));
}
