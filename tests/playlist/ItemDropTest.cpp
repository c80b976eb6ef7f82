// SPDX-License-Identifier: GPL-3.0-or-later
// Dropped files and folders collected and inserted into the playlist, and
// files renamed on disk.
#include "playlist/ItemDrop.h"
#include "playlist/Playlist.h"
#include "support/UnitTest.h"

#include <QSet>

#include <filesystem>

namespace fs = std::filesystem;

// Depth first in a file manager's order (numbers by value, case aside,
// files and folders mixed), whatever order the file system keeps; empty
// folders skipped. Links are followed, each folder once, so loops end;
// dangling links are skipped.
TEST(ItemDrop, CollectFolderWalksDepthFirstInNameOrderFollowingLinksOnce)
{
    const QString root = TestEnv::MakeTempDir("walk");
    const QString other = TestEnv::MakeTempDir("other");
    TestEnv::WriteFile(other + "/g.wav", "x");
    const QStringList expected{
        "01 a.wav",          "2 b.mp3",           "10 c.wav",   "ext/g.wav",      "same.wav", "Sub1/b.pause",
        "Sub1/deeper/c.mpl", "Sub1/deeper/D.txt", "sub2/e.cda", "sub2/x/y/f.mod", "Z.txt"};
    // Made neither in that order nor in its reverse: the file system's order
    // (oldest or newest first, or hashed) is not the answer.
    for (int i : {5, 0, 10, 7, 1, 9, 2, 8, 6})
        TestEnv::WriteFile(root + u'/' + expected[i], "x");
    const fs::path r = root.toStdString();
    fs::create_directory(r / "empty");
    fs::create_directory_symlink("..", r / "Sub1/up");
    fs::create_directory_symlink(".", r / "Sub1/deeper/self");
    fs::create_directory_symlink(other.toStdString(), r / "ext");
    fs::create_symlink("Z.txt", r / "same.wav");
    fs::create_symlink("missing.wav", r / "dangling.wav");
    QStringList out{"kept"};
    CollectFolder(root, &out);
    for (QString& path : out)
        path.remove(root + u'/');
    EXPECT_EQ(out, QStringList{"kept"} + expected);
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
        {1, 1, true, {"r0", "/d/a.pause", "/d/c.mpl", "/d/Track01.cda", "r1"}, 4}};
    for (const auto& [selection, index, mediaOnly, rows, selected] : cases) {
        CPlaylist list;
        list.Reset({"r0", "r1"}, selection);
        const int added = InsertDropped(list, dropped, index, mediaOnly);
        EXPECT_EQ(std::tuple(added, list.Rows(), list.Selection()),
                  std::tuple(rows.size() - 2, rows, selected));
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
    // Renamed, renamed onto itself, the source gone; a missing source is reported.
    EXPECT_EQ(
        (std::tuple{RenameFileOnDisk(from, to, report), RenameFileOnDisk(to, to, report), QFile::exists(from),
                    reports.size(), RenameFileOnDisk(from, dir + "/other.wav", report), reports.size(),
                    RenameFileOnDisk(from, to, {})}),
        std::tuple(true, true, false, 1, false, 2, false));
}
