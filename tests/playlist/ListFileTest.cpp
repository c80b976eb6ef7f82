// SPDX-License-Identifier: GPL-3.0-or-later
// List files: what a read keeps of a line, each format written and read
// back, and the errors that name the file and keep the old one.
#include "playlist/ListFile.h"
#include "platform/FileNames.h"
#include "support/UnitTest.h"

#include <QUrl>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

// The message of the list-file error that f throws; empty when none.
template <class F>
QString ErrorOf(F f)
{
    const auto e = ThrownBy<CListFileException>(f);
    return e ? e->FileName() + u'|' + e->GetErrorMessage() : QString();
}

} // namespace

// Comments, blank lines, trailing white space, both line ends, a byte order
// mark, the extended M3U of other players, and lines that are not UTF-8
// (read as Latin-1, so nothing is lost).
TEST(ListFile, WhatAReadKeepsOfEachLine)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"#EXTM3U\n\n   \t \na.wav   \t\n  #x\n b.mp3\n#comment with trailing blanks   \nc.ogg",
         {"a.wav", "  #x", " b.mp3", "c.ogg"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\r\nc", {"a", "b", "c"}},
        {"\r\n\r\n", {}},
        {"", {}},
        {"\xEF\xBB\xBF#EXTM3U\r\n/x/a.mp3\r\n", {"/x/a.mp3"}},
        // Two files run together: the second's mark hides no comment or row.
        {"\xEF\xBB\xBF#EXTM3U\n/x/a.mp3\n\xEF\xBB\xBF#EXTM3U\n\xEF\xBB\xBF/x/b.mp3\n",
         {"/x/a.mp3", "/x/b.mp3"}},
        {"#EXTM3U\r\n#EXTINF:215,A - B\r\nMusic/Song.mp3\r\n#EXTINF:-1,C\r\n/srv/m\xC3\xBAsica.ogg\r\n",
         {"Music/Song.mp3", QString::fromUtf8("/srv/música.ogg")}},
        {"/m/Caf\xC3\xA9 \xE6\x97\xA5.mp3\n/m/Caf\xE9.mp3\n/m/end\xC3\n",
         {QString::fromUtf8("/m/Café 日.mp3"), QString::fromUtf8("/m/Café.mp3"),
          QString::fromLatin1("/m/end\xC3")}}};
    for (const auto& [text, rows] : cases)
        EXPECT_EQ(ParseListText(text, ListPaths::KeepRelative), rows) << text.toStdString();
}

// The album makes rows absolute against the current folder; when that is
// gone, a relative row stops the read at its line. Mini playlists keep them.
TEST(ListFile, AlbumRowsAreMadeAbsolute)
{
    const QString dir = TestEnv::MakeTempDir("cwd");
    const QString list = TestEnv::WriteFile(
        TestEnv::MakeTempDir() + "/rel.alb",
        "/abs/b.mp3\n\n  #x\nsub/../a.wav\n$HOME/id.sh\n${X}/a\n%HOME%\\b\n$ c\n");
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir));
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(ReadListFile(list, ListPaths::MakeAbsolute),
              (QStringList{"/abs/b.mp3", cwd + "/  #x", cwd + "/a.wav", "$HOME/id.sh", "${X}/a", "%HOME%\\b",
                           cwd + "/$ c"})); // a row that begins with a variable: expanded where it runs
    ASSERT_TRUE(QDir().rmdir(dir));
    const QString error = ErrorOf([&] { ReadListFile(list, ListPaths::MakeAbsolute); });
    EXPECT_EQ(
        ReadListFile(list, ListPaths::KeepRelative),
        (QStringList{"/abs/b.mp3", "  #x", "sub/../a.wav", "$HOME/id.sh", "${X}/a", "%HOME%\\b", "$ c"}));
    QDir::setCurrent(old);
    EXPECT_TRUE(error.startsWith(list + u'|') && error.contains("line 3")) << qPrintable(error);
}

// Every format is one UTF-8 row per line with no header; a save replaces
// the file and leaves nothing else behind.
TEST(ListFile, EachFormatWritesOneRowPerLineAndReadsItBack)
{
    const QString dir = TestEnv::MakeTempDir("w");
    const QString longPath = "/" + QString(299, u'x');
    const std::pair<QStringList, QByteArray> cases[] = {
        {{"/m/a.wav", "  #x", QString::fromUtf8("/m/Café.mp3")}, "/m/a.wav\n  #x\n/m/Caf\xC3\xA9.mp3\n"},
        {{}, ""},
        {{longPath, "10.pause", "/dev/sr0/Track05.cda", "/m/#hash.wav", "/m/with spaces/a b.mp3"},
         (longPath + "\n10.pause\n/dev/sr0/Track05.cda\n/m/#hash.wav\n/m/with spaces/a b.mp3\n").toUtf8()}};
    for (const char* ext : {".alb", ".mpl", ".m3u"}) {
        for (const auto& [rows, text] : cases) {
            WriteListFile(dir + "/list" + ext, rows);
            EXPECT_EQ(FileBytes(dir + "/list" + ext), text) << ext;
            EXPECT_EQ(ReadListFile(dir + "/list" + ext, ListPaths::KeepRelative), rows) << ext;
        }
    }
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 3);
    // Written beside and renamed over the old file, so that a save killed
    // midway leaves the old album whole: a second name of the old file keeps it.
    ASSERT_EQ(
        ::link(QFile::encodeName(dir + "/list.alb").constData(), QFile::encodeName(dir + "/old").constData()),
        0);
    WriteListFile(dir + "/list.alb", {"/a.wav"});
    EXPECT_EQ(FileBytes(dir + "/old"), cases[2].second);
    // A 255-byte name leaves no room for the temporary's suffix: written in place.
    const QString full = dir + u'/' + QString(251, u'n') + ".alb";
    WriteListFile(full, {"/a.wav", "/b.wav"});
    WriteListFile(full, {"/only.wav"});
    EXPECT_EQ(FileBytes(full), QByteArray("/only.wav\n"));
}

// A FIFO would block the open until a writer comes: it is never opened, nor
// replaced by a save.
TEST(ListFile, ReadErrorsNameTheFileAndTheReason)
{
    const QString dir = TestEnv::MakeTempDir("err");
    const QString fifo = dir + "/feed.alb";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString locked = TestEnv::WriteFile(dir + "/locked.alb", "/a.wav\n");
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    // Oversized: one line too long, and a (sparse) file too large.
    const QString longLine = TestEnv::WriteFile(
        dir + "/long.alb", "/a.wav\n/" + QByteArray(kMaxListLineBytes, 'x') + "\n/b.wav\n");
    const QString huge = dir + "/huge.alb";
    QFile hugeFile(huge);
    ASSERT_TRUE(hugeFile.open(QIODevice::WriteOnly) && hugeFile.resize(kMaxListFileBytes + 1));
    const std::pair<QString, const char*> cases[] = {{dir + "/none.alb", "the file does not exist"},
                                                     {dir, "it is a folder"},
                                                     {fifo, "it is not a regular file"},
                                                     {locked, "Permission denied"},
                                                     {longLine, "line 2 is longer than 64 KiB"},
                                                     {huge, "it is larger than 256 MiB"}};
    for (const auto& [path, reason] : cases) {
        const QString error = ErrorOf([&] { ReadListFile(path, ListPaths::MakeAbsolute); });
        EXPECT_TRUE((path == locked && ::geteuid() == 0) ||
                    (error.startsWith(path + u'|') && error.contains(path + ": " + reason)))
            << qPrintable(error);
    }
    EXPECT_THROW(WriteListFile(fifo, {"/a.wav"}), CListFileException);
}

TEST(ListFile, FailedWritesKeepTheOldFile)
{
    const QString dir = TestEnv::MakeTempDir("wf");
    const QString path = TestEnv::WriteFile(dir + "/keep.alb", "/old.wav\n");
    EXPECT_TRUE(ErrorOf([&] { WriteListFile(path, {"/a.wav", "/b\n.wav"}); }).contains("row 2"));
    EXPECT_EQ(FileBytes(path), QByteArray("/old.wav\n"));
    const QString missing = dir + "/no/such/folder/x.alb";
    EXPECT_TRUE(ErrorOf([&] { WriteListFile(missing, {"/a.wav"}); }).startsWith(missing + u'|'));
    // A folder that takes no temporary file: the album is written in place,
    // unless it is read-only too. Modes do not bind root: it acts as "nobody".
    const QString fixed = TestEnv::WriteFile(dir + "/fixed.alb", "/old.wav\n");
    for (const auto& [file, mode] :
         {std::pair<QString, mode_t>(TestEnv::Root(), 0711), {dir, 0555}, {path, 0666}, {fixed, 0444}})
        ::chmod(QFile::encodeName(file).constData(), mode);
    ASSERT_TRUE(::getuid() != 0 || ::seteuid(65534) == 0);
    EXPECT_NO_THROW(WriteListFile(path, {"/new.wav"}));
    EXPECT_THROW(WriteListFile(fixed, {"/new.wav"}), CListFileException);
    EXPECT_TRUE(::getuid() != 0 || ::seteuid(0) == 0);
    ::chmod(QFile::encodeName(dir).constData(), 0700);
    EXPECT_EQ(FileBytes(path), QByteArray("/new.wav\n"));
    EXPECT_EQ(FileBytes(fixed), QByteArray("/old.wav\n"));

    // A disk that refuses the write (a real file size limit, in a child that
    // ignores SIGXFSZ as the program does), beside the file and in place: the
    // old album survives whole and no temporary is left. A shorter album
    // needs no room and is written in place.
    const QString full = TestEnv::WriteFile(dir + "/full.alb", "/old.wav\n");
    const QString shorter = TestEnv::WriteFile(dir + "/short.alb", "/old/and/longer.wav\n");
    ::chmod(QFile::encodeName(shorter).constData(), 0666);
    const QStringList longer{"/a/much/longer/name.wav", "/b.wav"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int result = ErrorOf([&] { WriteListFile(full, longer); }).contains("File too large") ? 1 : 0;
        ::chmod(QFile::encodeName(dir).constData(), 0555);
        if (::getuid() == 0 && ::seteuid(65534) != 0)
            ::_exit(100);
        result |= ErrorOf([&] { WriteListFile(path, longer); }).contains("in place failed too") ? 2 : 0;
        result |= ErrorOf([&] { WriteListFile(shorter, {"/n.wav"}); }).isEmpty() ? 4 : 0;
        ::_exit(result);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::chmod(QFile::encodeName(dir).constData(), 0700);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(QByteArrayList({FileBytes(full), FileBytes(path), FileBytes(shorter)}),
              QByteArrayList({"/old.wav\n", "/new.wav\n", "/n.wav\n"}));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 4) << "a temporary was left";
}

// Linux file names are bytes: each name keeps them through a save (an album
// saved again), and shows as valid UTF-8, U+FFFD for each byte that is not.
TEST(ListFile, FileNamesKeepTheirBytesAndShowAsValidUtf8)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"/m/Caf\xC3\xA9 \xE6\x97\xA5.wav", "/m/Caf\xC3\xA9 \xE6\x97\xA5.wav"},
        {"caf\xE9.wav", "caf\xEF\xBF\xBD.wav"},                   // Latin-1
        {"\x80x", "\xEF\xBF\xBDx"},                               // a continuation byte alone
        {"\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // an overlong '/'
        {"a\xEF\xBF\xBD.wav", "a\xEF\xBF\xBD.wav"},               // a real U+FFFD is a character like any
        {"\xF0\x9F\x92\xA9\xE9", "\xF0\x9F\x92\xA9\xEF\xBF\xBD"}  // a pair whose low half looks escaped
    };
    for (const auto& [bytes, shown] : cases) {
        const QString name = FileNameFromBytes(bytes);
        EXPECT_EQ(FormatListText({name}), bytes + '\n') << bytes.toStdString();
        EXPECT_EQ(DisplayFileName(name).toUtf8(), shown) << bytes.toStdString();
        EXPECT_EQ(FileNameBytes(FileNameFromUrl(QUrl::fromEncoded("file:///" + bytes.toPercentEncoding()))),
                  '/' + bytes);
    }
}
