// List files: reading rules, writing, round trips, errors.
#include "playlist/ListFile.h"
#include "playlist/ItemPath.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

QStringList Keep(const QByteArray& text)
{
    return ParseListText(text, ListPaths::KeepRelative);
}

} // namespace

TEST(ListFileRead, CommentsBlankLinesWhiteSpaceLineEndsAndEncodings)
{
    const struct
    {
        QByteArray text;
        QStringList rows;
    } cases[] = {
        {"#EXTM3U\n\n   \t \na.wav   \t\n  #x\n b.mp3\n#comment with trailing blanks   \nc.ogg",
         {"a.wav", "  #x", " b.mp3", "c.ogg"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\r\nc", {"a", "b", "c"}},
        {"\r\n\r\n", {}},
        {"", {}},
        // A byte order mark is skipped, so the header after it stays a comment.
        {"\xEF\xBB\xBF#EXTM3U\r\n/x/a.mp3\r\n", {"/x/a.mp3"}},
        // A line that is not UTF-8 reads as Latin-1, byte for byte, so nothing is lost.
        {"/m/Caf\xC3\xA9 \xE6\x97\xA5.mp3\n/m/Caf\xE9.mp3\n/m/end\xC3\n",
         {QString::fromUtf8("/m/Café 日.mp3"), QString::fromUtf8("/m/Café.mp3"), QString::fromLatin1("/m/end\xC3")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Keep(c.text), c.rows) << c.text.toStdString();
}

TEST(ListFileRead, MasterPlaylistMakesLinesAbsoluteAgainstTheCurrentFolder)
{
    const QString dir = TestEnv::MakeTempDir("cwd");
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir));
    const QString cwd = QDir::currentPath();
    const QStringList rows =
        ParseListText("sub/../a.wav\n  #x\n/abs/b.mp3\n10.pause\n", ListPaths::MakeAbsolute);
    QDir::setCurrent(old);
    EXPECT_EQ(rows, (QStringList{cwd + "/a.wav", cwd + "/  #x", "/abs/b.mp3", cwd + "/10.pause"}));
}

TEST(ListFileRead, ExtendedM3uFromAnotherPlayer)
{
    const QString dir = TestEnv::MakeTempDir("m3u");
    const QString path = TestEnv::WriteFile(
        dir + "/mix.m3u",
        "#EXTM3U\r\n"
        "#EXTINF:215,Artist - Song One\r\n"
        "Music/Song One.mp3\r\n"
        "#EXTINF:-1,Stream\r\n"
        "/srv/m\xC3\xBAsica/Canci\xC3\xB3n dos.ogg\r\n"
        "\r\n");
    EXPECT_EQ(ReadListFile(path, ListPaths::KeepRelative),
              (QStringList{"Music/Song One.mp3", QString::fromUtf8("/srv/música/Canción dos.ogg")}));
    const QStringList absolute = ReadListFile(path, ListPaths::MakeAbsolute);
    ASSERT_EQ(absolute.size(), 2);
    EXPECT_EQ(absolute[0], QDir::currentPath() + "/Music/Song One.mp3");
}

TEST(ListFileRead, ErrorsNameTheFile)
{
    const QString dir = TestEnv::MakeTempDir("err");
    const QString missing = dir + "/none.alb";
    try {
        ReadListFile(missing, ListPaths::MakeAbsolute);
        FAIL() << "no exception";
    } catch (const CListFileException& e) {
        EXPECT_TRUE(e.GetErrorMessage().contains(missing)) << e.GetErrorMessage().toStdString();
        EXPECT_EQ(e.FileName(), missing);
    }
    try {
        ReadListFile(dir, ListPaths::MakeAbsolute);
        FAIL() << "no exception";
    } catch (const CListFileException& e) {
        EXPECT_TRUE(e.GetErrorMessage().contains("folder"));
    }
    // A FIFO would block the open until a writer comes: it is never opened,
    // nor replaced by a save.
    const QString fifo = dir + "/feed.alb";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_THROW(ReadListFile(fifo, ListPaths::MakeAbsolute), CListFileException);
    EXPECT_THROW(WriteListFile(fifo, {"/a.wav"}), CListFileException);
    if (::geteuid() != 0) {
        const QString locked = TestEnv::WriteFile(dir + "/locked.alb", "/a.wav\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        EXPECT_THROW(ReadListFile(locked, ListPaths::MakeAbsolute), CListFileException);
    }
}

TEST(ListFileRead, LineThatCannotBeMadeAbsoluteStopsTheRead)
{
    const QString dir = TestEnv::MakeTempDir("gone");
    const QString list = TestEnv::WriteFile(TestEnv::MakeTempDir() + "/rel.alb", "/ok.wav\nrel.wav\n");
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir));
    ASSERT_TRUE(QDir().rmdir(dir));
    bool thrown = false;
    try {
        ReadListFile(list, ListPaths::MakeAbsolute);
    } catch (const CListFileException& e) {
        thrown = true;
        EXPECT_TRUE(e.GetErrorMessage().contains(list));
        EXPECT_TRUE(e.GetErrorMessage().contains("line 2"));
    }
    // Mini playlists keep relative lines, so no current folder is needed.
    EXPECT_EQ(ReadListFile(list, ListPaths::KeepRelative), (QStringList{"/ok.wav", "rel.wav"}));
    QDir::setCurrent(old);
    EXPECT_TRUE(thrown);
}

TEST(ListFileWrite, OneRowPerLineNoHeaderNoTrailingBlankLine)
{
    const QString dir = TestEnv::MakeTempDir("w");
    WriteListFile(dir + "/a.alb", {"/m/a.wav", "  #x", QString::fromUtf8("/m/Café.mp3")});
    EXPECT_EQ(ReadAll(dir + "/a.alb"), QByteArray("/m/a.wav\n  #x\n/m/Caf\xC3\xA9.mp3\n"));
    WriteListFile(dir + "/empty.alb", {});
    EXPECT_TRUE(QFileInfo(dir + "/empty.alb").exists());
    EXPECT_EQ(ReadAll(dir + "/empty.alb"), QByteArray());
    EXPECT_EQ(ReadListFile(dir + "/empty.alb", ListPaths::MakeAbsolute), QStringList());
    // Nothing but the album is left in the folder.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(ListFileWrite, RoundTripsLongAndUnusualRows)
{
    const QString dir = TestEnv::MakeTempDir("rt");
    const QString longPath = "/" + QString(299, u'x');
    ASSERT_EQ(longPath.size(), 300);
    const QStringList rows{longPath, "/m/with spaces/a b.mp3", QString::fromUtf8("/m/日本/ü.ogg"),
                           "10.pause", "/dev/sr0/Track05.cda", "/m/#hash.wav", "/m/a.wav"};
    for (const char* ext : {"/r.alb", "/r.mpl", "/r.m3u"}) {
        WriteListFile(dir + ext, rows);
        EXPECT_EQ(ReadListFile(dir + ext, ListPaths::KeepRelative), rows) << ext;
    }
    // Saved again over the same name: replaced, not appended.
    WriteListFile(dir + "/r.alb", {"/only.wav"});
    EXPECT_EQ(ReadAll(dir + "/r.alb"), QByteArray("/only.wav\n"));
    // A 255-byte name leaves no room for the temporary's suffix: in place.
    const QString full = dir + u'/' + QString(251, u'n') + ".alb";
    WriteListFile(full, rows);
    WriteListFile(full, {"/only.wav"});
    EXPECT_EQ(ReadAll(full), QByteArray("/only.wav\n"));
}

TEST(ListFileWrite, FailuresKeepTheOldFile)
{
    const QString dir = TestEnv::MakeTempDir("wf");
    const QString path = TestEnv::WriteFile(dir + "/keep.alb", "/old.wav\n");
    EXPECT_THROW(WriteListFile(path, {"/a.wav", "/b\n.wav"}), CListFileException);
    EXPECT_EQ(ReadAll(path), QByteArray("/old.wav\n"));
    try {
        WriteListFile(dir + "/no/such/folder/x.alb", {"/a.wav"});
        FAIL() << "no exception";
    } catch (const CListFileException& e) {
        EXPECT_TRUE(e.GetErrorMessage().contains(dir + "/no/such/folder/x.alb"));
    }
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
    EXPECT_EQ(ReadAll(path), QByteArray("/new.wav\n"));
    EXPECT_EQ(ReadAll(fixed), QByteArray("/old.wav\n"));
}
