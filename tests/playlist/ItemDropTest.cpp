// Adding rows, collecting dropped files and folders, inserting a drop,
// renaming files on disk.
#include "playlist/ItemDrop.h"
#include "playlist/Playlist.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

QString P(const char* path)
{
    return QString::fromLatin1(path);
}

// Regular files below root in a depth-first readdir walk, computed apart
// from the code under test.
QStringList ReaddirWalk(const QString& root)
{
    QStringList files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root.toStdString())) {
        if (entry.is_regular_file())
            files.append(QString::fromStdString(entry.path().string()));
    }
    return files;
}

} // namespace

TEST(ItemDrop, AddItemInsertsSelectsAndRefuses)
{
    CPlaylist list;
    EXPECT_TRUE(AddItem(list, P("10.pause"), -1, true));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_TRUE(AddItem(list, P("/m/a.mpl"), 0, true));
    EXPECT_EQ(list.Rows(), QStringList({P("/m/a.mpl"), P("10.pause")}));
    EXPECT_EQ(list.Selection(), 1); // still on 10.pause
    for (const char* refused : {"/m/list.m3u", "/m/show.alb", "/m/noext", "/m/run.exe"})
        EXPECT_FALSE(AddItem(list, P(refused), 0, true)) << refused;
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(AddItem(list, P("/m/list.m3u"), 1, false));
    EXPECT_EQ(list.Row(1), P("/m/list.m3u"));
}

TEST(ItemDrop, CollectFolderWalksDepthFirstInReaddirOrder)
{
    const QString root = TestEnv::MakeTempDir("walk");
    for (const char* f : {"a.wav", "sub1/b.pause", "sub1/deeper/c.mpl", "sub1/deeper/d.txt",
                          "z.txt", "sub2/e.cda", "sub2/x/y/f.mod", "g.mp3"})
        TestEnv::WriteFile(root + u'/' + P(f), "x");
    std::filesystem::create_directory((root + "/empty").toStdString());

    QStringList out{P("kept")};
    CollectFolder(root, &out);
    EXPECT_EQ(out, QStringList{P("kept")} + ReaddirWalk(root));
    EXPECT_EQ(out.size(), 9);
}

TEST(ItemDrop, CollectFolderEndsLinkLoopsAndSkipsDanglingLinks)
{
    const QString root = TestEnv::MakeTempDir("loop");
    const QString other = TestEnv::MakeTempDir("other");
    TestEnv::WriteFile(root + "/f1.wav", "x");
    TestEnv::WriteFile(root + "/a/f2.wav", "x");
    TestEnv::WriteFile(other + "/g.wav", "x");
    namespace fs = std::filesystem;
    const fs::path r = root.toStdString();
    fs::create_directory_symlink("..", r / "a/up");
    fs::create_directory_symlink(".", r / "a/self");
    fs::create_directory_symlink(other.toStdString(), r / "ext");
    fs::create_symlink("f1.wav", r / "same.wav");
    fs::create_symlink("missing.wav", r / "dangling.wav");

    QStringList out;
    CollectFolder(root, &out);
    const QSet<QString> expected{root + "/f1.wav", root + "/a/f2.wav",
                                 root + "/ext/g.wav", root + "/same.wav"};
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_EQ(QSet<QString>(out.begin(), out.end()), expected);
}

TEST(ItemDrop, CollectDroppedFilesKeepsOrderAndSkipsDotsAndMissing)
{
    const QString root = TestEnv::MakeTempDir("drop");
    const QString file = TestEnv::WriteFile(root + "/one.wav", "x");
    const QString inner = TestEnv::WriteFile(root + "/folder/two.wav", "x");
    const QString last = TestEnv::WriteFile(root + "/three.wav", "x");
    const QStringList names{file, root + "/folder", root + "/gone.wav",
                            root + "/folder/..", root + "/.", last};

    QStringList out;
    CollectDroppedFiles(names, &out, true);
    EXPECT_EQ(out, QStringList({file, inner, last}));
    out.clear();
    CollectDroppedFiles(names, &out, false);
    EXPECT_EQ(out, QStringList({file, last}));
}

TEST(ItemDrop, InsertDroppedKeepsOrderPastRefusedFiles)
{
    const QStringList dropped{P("/d/a.pause"), P("/d/b.m3u"), P("/d/c.mpl"), P("/d/noext"), P("/d/Track01.cda")};
    CPlaylist list;
    list.Reset({P("r0"), P("r1")}, -1);
    EXPECT_EQ(InsertDropped(list, dropped, 1, true), 3);
    EXPECT_EQ(list.Rows(), QStringList({P("r0"), P("/d/a.pause"), P("/d/c.mpl"), P("/d/Track01.cda"), P("r1")}));
    EXPECT_EQ(list.Selection(), 1);

    CPlaylist appended;
    EXPECT_EQ(InsertDropped(appended, dropped, -1, true), 3);
    EXPECT_EQ(appended.Rows(), QStringList({P("/d/a.pause"), P("/d/c.mpl"), P("/d/Track01.cda")}));
    EXPECT_EQ(appended.Selection(), 0);

    CPlaylist all;
    all.Reset({P("r0")}, 0);
    EXPECT_EQ(InsertDropped(all, dropped, 0, false), 5);
    EXPECT_EQ(all.Rows(), dropped + QStringList{P("r0")});
    EXPECT_EQ(all.Selection(), 5);
}

TEST(ItemDrop, RenameNeverOverwritesAndReportsFailures)
{
    const QString dir = TestEnv::MakeTempDir("ren");
    const QString from = TestEnv::WriteFile(dir + "/old.wav", "old");
    const QString busy = TestEnv::WriteFile(dir + "/busy.wav", "busy");
    const QString to = dir + "/new.wav";
    QStringList reports;
    const auto report = [&reports](const QString& text) { reports.append(text); };

    EXPECT_FALSE(RenameFileOnDisk(from, busy, report));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith("Failed to rename the file\n'" + from + "' to\n'" + busy));
    QFile busyFile(busy);
    ASSERT_TRUE(busyFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(busyFile.readAll(), QByteArray("busy"));
    EXPECT_TRUE(QFile::exists(from));

    EXPECT_TRUE(RenameFileOnDisk(from, to, report));
    EXPECT_FALSE(QFile::exists(from));
    EXPECT_TRUE(QFile::exists(to));
    EXPECT_TRUE(RenameFileOnDisk(to, to, report));
    EXPECT_EQ(reports.size(), 1);

    EXPECT_FALSE(RenameFileOnDisk(from, dir + "/other.wav", report));
    EXPECT_EQ(reports.size(), 2);
    EXPECT_FALSE(RenameFileOnDisk(from, to, {}));
}
