// Dropped files and folders collected and inserted into the playlist, and
// files renamed on disk.
#include "playlist/ItemDrop.h"
#include "playlist/Playlist.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

// Depth first in readdir order (as std::filesystem walks), empty folders
// skipped.
TEST(ItemDrop, CollectFolderWalksDepthFirstInReaddirOrder)
{
    const QString root = TestEnv::MakeTempDir("walk");
    for (const char* f : {"a.wav", "sub1/b.pause", "sub1/deeper/c.mpl", "sub1/deeper/d.txt", "z.txt",
                          "sub2/e.cda", "sub2/x/y/f.mod", "g.mp3"})
        TestEnv::WriteFile(root + u'/' + f, "x");
    fs::create_directory((root + "/empty").toStdString());
    QStringList expected{"kept"};
    for (const auto& entry : fs::recursive_directory_iterator(root.toStdString()))
        if (entry.is_regular_file())
            expected << QString::fromStdString(entry.path().string());
    QStringList out{"kept"};
    CollectFolder(root, &out);
    EXPECT_EQ(out, expected);
}

// Links are followed, each folder once, so loops end; dangling links are skipped.
TEST(ItemDrop, CollectFolderEndsLinkLoopsAndSkipsDanglingLinks)
{
    const QString root = TestEnv::MakeTempDir("loop");
    const QString other = TestEnv::MakeTempDir("other");
    TestEnv::WriteFile(root + "/f1.wav", "x");
    TestEnv::WriteFile(root + "/a/f2.wav", "x");
    TestEnv::WriteFile(other + "/g.wav", "x");
    const fs::path r = root.toStdString();
    fs::create_directory_symlink("..", r / "a/up");
    fs::create_directory_symlink(".", r / "a/self");
    fs::create_directory_symlink(other.toStdString(), r / "ext");
    fs::create_symlink("f1.wav", r / "same.wav");
    fs::create_symlink("missing.wav", r / "dangling.wav");
    QStringList out;
    CollectFolder(root, &out);
    EXPECT_EQ(out.size(), 4);
    EXPECT_EQ(QSet<QString>(out.begin(), out.end()),
              (QSet<QString>{root + "/f1.wav", root + "/a/f2.wav", root + "/ext/g.wav", root + "/same.wav"}));
}

TEST(ItemDrop, CollectDroppedFilesKeepsOrderAndSkipsDotsAndMissing)
{
    const QString root = TestEnv::MakeTempDir("drop");
    const QString file = TestEnv::WriteFile(root + "/one.wav", "x");
    const QString inner = TestEnv::WriteFile(root + "/folder/two.wav", "x");
    const QString last = TestEnv::WriteFile(root + "/three.wav", "x");
    const QStringList names{file, root + "/folder", root + "/gone.wav", root + "/folder/..", root + "/.",
                            last};
    QStringList out;
    CollectDroppedFiles(names, &out, true);
    EXPECT_EQ(out, QStringList({file, inner, last}));
    out.clear();
    CollectDroppedFiles(names, &out, false);
    EXPECT_EQ(out, QStringList({file, last}));
}

// Dropped rows keep their order past the refused ones; the first one added
// is selected when nothing was, and a selection below moves down. Rows:
// selection before, where to insert, media files only, rows and selection after.
TEST(ItemDrop, InsertDroppedKeepsOrderPastRefusedFiles)
{
    const QStringList dropped{"/d/a.pause", "/d/b.m3u", "/d/c.mpl", "/d/noext", "/d/Track01.cda"};
    const std::tuple<int, int, bool, QStringList, int> cases[] = {
        {-1, 1, true, {"r0", "/d/a.pause", "/d/c.mpl", "/d/Track01.cda", "r1"}, 1},
        {-1, -1, true, {"r0", "r1", "/d/a.pause", "/d/c.mpl", "/d/Track01.cda"}, 2},
        {0, 0, false, dropped + QStringList{"r0", "r1"}, 5},
        {1, 1, true, {"r0", "/d/a.pause", "/d/c.mpl", "/d/Track01.cda", "r1"}, 4},
    };
    for (const auto& [selection, index, mediaOnly, rows, selected] : cases) {
        CPlaylist list;
        list.Reset({"r0", "r1"}, selection);
        EXPECT_EQ(InsertDropped(list, dropped, index, mediaOnly), rows.size() - 2);
        EXPECT_EQ(list.Rows(), rows);
        EXPECT_EQ(list.Selection(), selected);
    }
}

// Never over an existing file; a failure is reported with both names.
TEST(ItemDrop, RenameNeverOverwritesAndReportsFailures)
{
    const QString dir = TestEnv::MakeTempDir("ren");
    const QString from = TestEnv::WriteFile(dir + "/old.wav", "old");
    const QString busy = TestEnv::WriteFile(dir + "/busy.wav", "busy");
    const QString to = dir + "/new.wav";
    QStringList reports;
    const auto report = [&reports](const QString& text) { reports.append(text); };

    EXPECT_FALSE(RenameFileOnDisk(from, busy, report));
    EXPECT_TRUE(reports.value(0).startsWith("Failed to rename the file\n'" + from + "' to\n'" + busy + "'."));
    EXPECT_EQ(FileBytes(busy), "busy");
    EXPECT_TRUE(RenameFileOnDisk(from, to, report));
    EXPECT_TRUE(RenameFileOnDisk(to, to, report));
    EXPECT_FALSE(QFile::exists(from));
    EXPECT_EQ(reports.size(), 1);
    EXPECT_FALSE(RenameFileOnDisk(from, dir + "/other.wav", report));
    EXPECT_EQ(reports.size(), 2);
    EXPECT_FALSE(RenameFileOnDisk(from, to, {}));
}
