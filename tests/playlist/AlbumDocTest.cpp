// The album document: new, open, save, the save prompt, the recent list,
// the start-up reopen, sending by mail and saves that survive a kill.
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ListFile.h"
#include "playlist/Playlist.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace {

using Answer = UserInterface::SaveAnswer;

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

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

    TempHive hive;
    QString dir = TestEnv::MakeTempDir("album");
    CPlaylist list;
    RecordingUi ui;
    RecordingShell shell;
    CLiranaDoc doc{list, ui, shell};
};

} // namespace

TEST_F(AlbumDocTest, NewAddUndoGivesAnEmptyUnmodifiedAlbum)
{
    EXPECT_EQ(doc.Title(), "Untitled");
    EXPECT_EQ(ui.frameTitle, "Untitled");
    EXPECT_FALSE(doc.IsModified());
    Add("/m/a.wav");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.UpdateCommand(CLiranaDoc::CmdUndo).enabled);
    EXPECT_FALSE(doc.UpdateCommand(CLiranaDoc::CmdRedo).enabled);
    EXPECT_TRUE(doc.OnCommand(CLiranaDoc::CmdUndo));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Selection(), -1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.UpdateCommand(CLiranaDoc::CmdRedo).enabled);
}

TEST_F(AlbumDocTest, SaveAsThenOpenRoundTrip)
{
    Add("/m/a.wav");
    Add("/m/" + QString(296, u'n'));
    list.Select(1);
    ui.saveName = dir + "/show.alb";
    EXPECT_TRUE(doc.OnCommand(CLiranaDoc::CmdSave)); // untitled: Save asks for a name
    EXPECT_EQ(ui.suggestedNames, QStringList{"Untitled.alb"});
    EXPECT_EQ(doc.PathName(), dir + "/show.alb");
    EXPECT_EQ(doc.Title(), "show.alb");
    EXPECT_EQ(ui.frameTitle, "show.alb");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(ReadAll(dir + "/show.alb"), ("/m/a.wav\n/m/" + QString(296, u'n') + "\n").toUtf8());

    ASSERT_TRUE(doc.NewDocument());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(doc.PathName().isEmpty());
    ASSERT_TRUE(doc.OpenDocumentFile(dir + "/show.alb"));
    EXPECT_EQ(list.Rows(), (QStringList{"/m/a.wav", "/m/" + QString(296, u'n')}));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AlbumDocTest, RelativeRowsBecomeAbsoluteAndAreSavedSo)
{
    TestEnv::WriteFile(dir + "/rel.m3u", "#EXTM3U\n#EXTINF:1,x\nsongs/a b.mp3\n  #x\n");
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir);
    const bool opened = doc.OpenDocumentFile("rel.m3u");
    QDir::setCurrent(old);
    ASSERT_TRUE(opened);
    EXPECT_EQ(doc.PathName(), dir + "/rel.m3u");
    EXPECT_EQ(list.Rows(), (QStringList{dir + "/songs/a b.mp3", dir + "/  #x"}));
    ASSERT_TRUE(doc.FileSave());
    EXPECT_EQ(ReadAll(dir + "/rel.m3u"), (dir + "/songs/a b.mp3\n" + dir + "/  #x\n").toUtf8());
}

TEST_F(AlbumDocTest, EmptyAlbumIsAnEmptyFile)
{
    ASSERT_TRUE(doc.DoSave(dir + "/empty.alb", true));
    EXPECT_EQ(ReadAll(dir + "/empty.alb"), QByteArray());
    list.Reset({"/x.wav"}, 0);
    ASSERT_TRUE(doc.OnOpenDocument(dir + "/empty.alb"));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Selection(), -1);
}

TEST_F(AlbumDocTest, MediaFileIsRefusedAndNothingChanges)
{
    TestEnv::WriteFile(dir + "/keep.alb", "/m/a.wav\n");
    ASSERT_TRUE(doc.OpenDocumentFile(dir + "/keep.alb"));
    Add("/m/b.wav");
    const QString media = TestEnv::WriteFile(dir + "/song.cda", "not a list\n");
    EXPECT_FALSE(doc.OpenDocumentFile(media));
    EXPECT_EQ(ui.messages, QStringList{CLiranaDoc::MediaFileMessage()});
    EXPECT_TRUE(ui.LastMessage().startsWith("This file is a media file and not a Lirana album file.\n"));
    EXPECT_TRUE(ui.asked.isEmpty()); // refused before the save prompt
    EXPECT_EQ(list.Rows(), (QStringList{"/m/a.wav", "/m/b.wav"}));
    EXPECT_EQ(doc.PathName(), dir + "/keep.alb");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_FALSE(doc.ReadListFile(media));
    EXPECT_EQ(list.Count(), 2);
    // A mini playlist is a list, not a media file.
    TestEnv::WriteFile(dir + "/mini.mpl", "/m/c.wav\n");
    ui.saveAnswers = {Answer::Discard};
    EXPECT_TRUE(doc.OpenDocumentFile(dir + "/mini.mpl"));
    EXPECT_EQ(list.Rows(), QStringList{"/m/c.wav"});
}

TEST_F(AlbumDocTest, FailedOpenChangesNothingAndNamesTheFile)
{
    Add("/m/a.wav");
    ui.saveAnswers = {Answer::Discard};
    EXPECT_FALSE(doc.OpenDocumentFile(dir + "/missing.alb"));
    EXPECT_EQ(ui.icons, QList{UserInterface::Icon::Stop});
    EXPECT_TRUE(ui.LastMessage().contains(dir + "/missing.alb"));
    EXPECT_EQ(list.Rows(), QStringList{"/m/a.wav"});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.CanUndo());
    EXPECT_TRUE(doc.RecentFiles().isEmpty());
}

TEST_F(AlbumDocTest, SavePromptAnswers)
{
    TestEnv::WriteFile(dir + "/other.alb", "/m/other.wav\n");
    Add("/m/a.wav");

    ui.saveAnswers = {Answer::Cancel};
    EXPECT_FALSE(doc.NewDocument());
    EXPECT_FALSE(doc.OpenDocumentFile(dir + "/other.alb"));
    EXPECT_EQ(ui.asked, (QStringList{"Untitled", "Untitled"}));
    EXPECT_EQ(list.Rows(), QStringList{"/m/a.wav"});
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.CanUndo());

    // Save, but the Save As dialog is cancelled: counts as Cancel.
    ui.saveAnswers = {Answer::Save};
    ui.saveName.clear();
    EXPECT_FALSE(doc.NewDocument());
    EXPECT_EQ(list.Count(), 1);

    // Save into a folder that does not exist: the error is shown, nothing goes on.
    ui.saveAnswers = {Answer::Save};
    ui.saveName = dir + "/none/x.alb";
    EXPECT_FALSE(doc.NewDocument());
    EXPECT_TRUE(ui.LastMessage().contains(dir + "/none/x.alb"));
    EXPECT_TRUE(doc.IsModified());

    ui.saveAnswers = {Answer::Save};
    ui.saveName = dir + "/saved.alb";
    EXPECT_TRUE(doc.OpenDocumentFile(dir + "/other.alb"));
    EXPECT_EQ(ReadAll(dir + "/saved.alb"), QByteArray("/m/a.wav\n"));
    EXPECT_EQ(list.Rows(), QStringList{"/m/other.wav"});

    list.Delete(0);
    doc.Checkpoint(UndoCmd::Remove);
    ui.saveAnswers = {Answer::Discard};
    EXPECT_TRUE(doc.NewDocument());
    EXPECT_EQ(ui.asked.last(), "other.alb");
    EXPECT_EQ(ReadAll(dir + "/other.alb"), QByteArray("/m/other.wav\n"));
    EXPECT_TRUE(doc.SaveModified()); // unmodified: no question
    EXPECT_EQ(ui.asked.size(), 6);
}

TEST_F(AlbumDocTest, RecentListOfTenInTheHive)
{
    QStringList paths;
    for (int i = 1; i <= 12; ++i) {
        paths << TestEnv::WriteFile(QStringLiteral("%1/a%2.alb").arg(dir).arg(i), "/m/x.wav\n");
        ASSERT_TRUE(doc.OpenDocumentFile(paths.last()));
    }
    // Case-sensitive: A1.alb is another file than a1.alb.
    const QString upper = TestEnv::WriteFile(dir + "/A1.alb", "");
    ASSERT_TRUE(doc.OpenDocumentFile(upper));
    ASSERT_TRUE(doc.OpenDocumentFile(paths[9])); // again: moves to the top, no duplicate
    const QStringList expected{paths[9], upper,    paths[11], paths[10], paths[8],
                               paths[7], paths[6], paths[5],  paths[4],  paths[3]};
    EXPECT_EQ(doc.RecentFiles(), expected);
    const CRegistryKey key = CRegistryKey::OpenAppSubkey("Recent File List");
    EXPECT_EQ(key.ValueCount(), 10);
    EXPECT_EQ(key.GetText("File1", {}), paths[9]);
    EXPECT_EQ(key.GetText("file10", {}), paths[3]);
    // The hive file on disk holds them too.
    EXPECT_TRUE(hive.UserText().contains("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Recent File List]"));

    EXPECT_FALSE(doc.UpdateCommand(CLiranaDoc::CmdRecentFirst + 10).enabled);
    EXPECT_TRUE(doc.UpdateCommand(CLiranaDoc::CmdRecentFirst + 9).enabled);
    EXPECT_TRUE(doc.OnCommand(CLiranaDoc::CmdRecentFirst + 2));
    EXPECT_EQ(doc.PathName(), paths[11]);
    EXPECT_EQ(doc.RecentFiles().first(), paths[11]);
}

TEST_F(AlbumDocTest, RecentEntryThatCannotBeOpenedIsDropped)
{
    const QString a = TestEnv::WriteFile(dir + "/a.alb", "");
    const QString b = TestEnv::WriteFile(dir + "/b.alb", "");
    ASSERT_TRUE(doc.OpenDocumentFile(a));
    ASSERT_TRUE(doc.OpenDocumentFile(b));
    Add("/m/x.wav");
    ui.saveAnswers = {Answer::Cancel};
    EXPECT_FALSE(doc.OpenRecentFile(1)); // cancelled: the entry stays
    EXPECT_EQ(doc.RecentFiles(), (QStringList{b, a}));
    QFile::remove(a);
    ui.saveAnswers = {Answer::Discard};
    EXPECT_FALSE(doc.OpenRecentFile(1));
    EXPECT_EQ(doc.RecentFiles(), QStringList{b});
}

TEST_F(AlbumDocTest, LastAlbumReopensWithItsSelection)
{
    const QString a = TestEnv::WriteFile(dir + "/last.alb", "/m/1.wav\n/m/2.wav\n/m/3.wav\n");
    EXPECT_FALSE(doc.OpenLastAlbum()); // empty list: the caller starts a new album
    ASSERT_TRUE(doc.OpenDocumentFile(a));
    CRegistryKey::OpenAppSubkey("Settings").SetNumber("CurSel", 2);

    CPlaylist list2;
    RecordingUi ui2;
    CLiranaDoc doc2(list2, ui2, shell);
    ASSERT_TRUE(doc2.OpenLastAlbum());
    EXPECT_EQ(doc2.PathName(), a);
    EXPECT_EQ(list2.Count(), 3);
    EXPECT_EQ(list2.Selection(), 2);
    EXPECT_FALSE(doc2.IsModified());
    EXPECT_TRUE(doc2.IsUndoEnabled());

    QFile::remove(a);
    CPlaylist list3;
    CLiranaDoc doc3(list3, ui2, shell);
    EXPECT_FALSE(doc3.OpenLastAlbum());
    EXPECT_TRUE(ui2.messages.empty()); // no message for a file that is gone
}

TEST_F(AlbumDocTest, ListDroppedOnTheFrameReplacesOnlyTheRows)
{
    const QString a = TestEnv::WriteFile(dir + "/a.alb", "/m/a.wav\n");
    const QString drop = TestEnv::WriteFile(dir + "/drop.m3u", "#EXTM3U\n/m/d1.mp3\n/m/d2.mp3\n");
    ASSERT_TRUE(doc.OpenDocumentFile(a));
    Add("/m/b.wav");
    ASSERT_TRUE(doc.ReadListFile(drop));
    EXPECT_EQ(list.Rows(), (QStringList{"/m/d1.mp3", "/m/d2.mp3"}));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_EQ(doc.PathName(), a);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.History().UndoCount(), 1);
}

TEST_F(AlbumDocTest, EngineSeamOpensWithoutPromptOnceTheFlagIsCleared)
{
    const QString a = TestEnv::WriteFile(dir + "/next.alb", "/m/n.wav\n");
    Add("/m/x.wav");
    DocumentSeam& seam = doc;
    seam.SetModifiedFlag(false);
    EXPECT_TRUE(seam.OpenDocumentFile(a));
    EXPECT_TRUE(ui.asked.isEmpty());
    EXPECT_EQ(seam.Title(), "next.alb");
    EXPECT_EQ(list.Rows(), QStringList{"/m/n.wav"});
    // The album already open stays as it is.
    Add("/m/y.wav");
    EXPECT_TRUE(seam.OpenDocumentFile(a));
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(AlbumDocTest, SendByMailHandsTheAlbumOrACopyToXdgEmail)
{
    Add("/m/a.wav");
    ASSERT_TRUE(doc.OnCommand(CLiranaDoc::CmdSendMail));
    ASSERT_EQ(shell.started.size(), 1);
    const QString attached = shell.started[0].value(2);
    EXPECT_EQ(shell.started[0], (QStringList{"xdg-email", "--attach", attached}));
    EXPECT_EQ(QFileInfo(attached).fileName(), "Untitled.alb");
    EXPECT_EQ(ReadAll(attached), QByteArray("/m/a.wav\n"));
    EXPECT_TRUE(doc.IsModified()); // sending is not saving
    QDir(QFileInfo(attached).absolutePath()).removeRecursively();

    // Saved and unmodified: the album file itself goes.
    ASSERT_TRUE(doc.DoSave(dir + "/show.alb", true));
    ASSERT_TRUE(doc.SendMail());
    EXPECT_EQ(shell.started[1].value(2), dir + "/show.alb");
    EXPECT_TRUE(ui.messages.empty());

    // A failure is explained, and a temporary copy is not left behind.
    Add("/m/b.wav");
    shell.failWith = "Cannot start xdg-email: No such file or directory";
    EXPECT_FALSE(doc.SendMail());
    EXPECT_EQ(ui.icons, QList{UserInterface::Icon::Stop});
    EXPECT_TRUE(ui.LastMessage().contains("mail program"));
    EXPECT_TRUE(ui.LastMessage().contains(shell.failWith));
    EXPECT_FALSE(QFileInfo::exists(shell.started[2].value(2)));
}

// --------------------------------------------------- a save killed midway

namespace {

const char* const kLoopEnv = "LIRANA_ALBUM_SAVE_LOOP";

QStringList BigAlbum(char tag, int rows)
{
    QStringList out;
    for (int i = 0; i < rows; ++i)
        out << QStringLiteral("/srv/music/%1/%2/").arg(QChar(tag)).arg(i) + QString(80, QChar(tag));
    return out;
}

} // namespace

// Child side: saves two different big albums in turn until killed.
TEST(AlbumSaveKill, SaveLoopChild)
{
    const QByteArray path = qgetenv(kLoopEnv);
    if (path.isEmpty())
        GTEST_SKIP() << "runs only as the child of AlbumSaveKill.FileIsOldOrNewNeverHalf";
    const QStringList a = BigAlbum('a', 20000), b = BigAlbum('b', 30000);
    CPlaylist list;
    RecordingUi ui;
    RecordingShell shell;
    CLiranaDoc doc(list, ui, shell);
    for (int i = 0;; ++i) {
        list.Reset(i % 2 ? b : a, 0);
        if (!doc.OnSaveDocument(QString::fromLocal8Bit(path)))
            std::abort();
    }
}

TEST(AlbumSaveKill, FileIsOldOrNewNeverHalf)
{
    const QString dir = TestEnv::MakeTempDir("kill");
    const QString path = dir + "/big.alb";
    const QByteArray a = FormatListText(BigAlbum('a', 20000));
    const QByteArray b = FormatListText(BigAlbum('b', 30000));
    TestEnv::WriteFile(path, a);
    for (int round = 0; round < 12; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kLoopEnv), path);
        child.setProcessEnvironment(env);
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({"--gtest_filter=AlbumSaveKill.SaveLoopChild"});
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        ASSERT_TRUE(child.waitForStarted(10000));
        const qint64 pid = child.processId();
        ASSERT_GT(pid, 0);
        // Once it has saved the second album at least once, kill it at a
        // random moment of a later save.
        EXPECT_TRUE(TestEnv::WaitUntil([&] { return ReadAll(path) == b; }, 20000));
        QThread::msleep(QRandomGenerator::global()->bounded(5, 150));
        ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        const QByteArray now = ReadAll(path);
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    }
    // Temporary files of killed saves may remain beside it; the album is whole.
    const QStringList rows = ReadListFile(path, ListPaths::KeepRelative);
    EXPECT_TRUE(rows.size() == 20000 || rows.size() == 30000);
}
