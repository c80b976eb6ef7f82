// Item paths: splitting, full paths, kinds by extension (without registered
// MCI extensions), display names, overlap overrides, durations.
#include "platform/Exception.h"
#include "playlist/ItemPath.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <unistd.h>

TEST(ItemPath, SplitPathFollowsSplitpathRules)
{
    struct Case { const char* path; const char* dir; const char* fname; const char* ext; };
    for (const Case& c : {Case{"/a/b.c/noext", "/a/b.c/", "noext", ""},
                          Case{"/music/Song.Mp3", "/music/", "Song", ".Mp3"},
                          Case{"10.pause", "", "10", ".pause"},
                          Case{"/a/x.tar.gz", "/a/", "x.tar", ".gz"},
                          Case{"/dir/", "/dir/", "", ""},
                          Case{"/h/.hidden", "/h/", "", ".hidden"},
                          Case{"", "", "", ""}}) {
        const SplitPathParts p = SplitPath(QString::fromUtf8(c.path));
        EXPECT_TRUE(p.drive.isEmpty()) << c.path;
        EXPECT_EQ(p.dir, QString::fromUtf8(c.dir)) << c.path;
        EXPECT_EQ(p.fname, QString::fromUtf8(c.fname)) << c.path;
        EXPECT_EQ(p.ext, QString::fromUtf8(c.ext)) << c.path;
    }
    const SplitPathParts longName = SplitPath(u'/' + QString(300, u'n') + ".wav");
    EXPECT_EQ(longName.fname.size(), 255);
    EXPECT_EQ(longName.ext, ".wav");
}

TEST(ItemPath, FullPathIsCleanedAgainstTheCurrentFolder)
{
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(GetFullPath("a/../b/./c.wav"), cwd + "/b/c.wav");
    EXPECT_EQ(GetFullPath("sub/"), cwd + "/sub/");
    EXPECT_EQ(GetFullPath("/x//y/../z"), "/x/z");
    EXPECT_EQ(GetFullPath("/../.."), "/");

    const QString dir = TestEnv::MakeTempDir();
    TestEnv::WriteFile(dir + "/real/f.wav", "x");
    ASSERT_TRUE(QFile::link(dir + "/real", dir + "/link"));
    EXPECT_EQ(GetFullPath(dir + "/link/./f.wav"), dir + "/link/f.wav");
}

TEST(ItemPath, FullPathThrowsWhenTheCurrentFolderIsGone)
{
    const QString saved = QDir::currentPath();
    const QString gone = TestEnv::MakeTempDir("gone");
    ASSERT_EQ(::chdir(QFile::encodeName(gone).constData()), 0);
    ASSERT_EQ(::rmdir(QFile::encodeName(gone).constData()), 0);
    int code = 0;
    try {
        GetFullPath("x.wav");
    } catch (const CWin32Exception& e) {
        code = e.Code();
    }
    EXPECT_EQ(GetFullPath("/abs.wav"), "/abs.wav");
    ASSERT_EQ(::chdir(QFile::encodeName(saved).constData()), 0);
    EXPECT_EQ(code, ENOENT);
    EXPECT_THROW(GetFullPath(QString()), CWin32Exception);
}

TEST(ItemPath, KindsByExtensionIgnoreCase)
{
    struct Group { ItemKind kind; const char* exts; };
    const Group groups[] = {
        {ItemKind::CdAudio, "cda"}, {ItemKind::Midi, "mid rmi mmm"}, {ItemKind::Wave, "wav"},
        {ItemKind::SunAudio, "au snd"}, {ItemKind::Aiff, "aif aifc aiff"},
        {ItemKind::MpegAudio, "mp3 mp2"}, {ItemKind::Avi, "avi"}, {ItemKind::QuickTime, "mov qt"},
        {ItemKind::Flic, "fli flc"}, {ItemKind::MpegVideo, "env m1v mpe mpg mpeg"},
        {ItemKind::Module, "mod s3m xm 669 stm nst it mdz itz"}, {ItemKind::RealMedia, "ra ram rm"},
        {ItemKind::PauseItem, "pause"}, {ItemKind::MiniPlaylist, "m3u mpl"}, {ItemKind::Album, "alb"},
        {ItemKind::Live, "live"}, {ItemKind::PlayControl, "play"}, {ItemKind::StopControl, "stop"},
        {ItemKind::Command, "cmd bat lnk pl vbs js exe com sh py desktop"},
    };
    for (const Group& g : groups) {
        for (const QString& ext : QString::fromLatin1(g.exts).split(u' ')) {
            const QString mixed = ext.left(1).toUpper() + ext.mid(1);
            for (const QString& e : {ext, ext.toUpper(), mixed})
                EXPECT_EQ(GetItemKind("/m/x." + e), g.kind) << qPrintable(e);
        }
    }
    EXPECT_EQ(GetItemKind("/a/b.c/noext"), ItemKind::Unknown);
    EXPECT_EQ(GetItemKind("/a/x.qqz"), ItemKind::Unknown);

    EXPECT_TRUE(IsCommandExtension(".Desktop"));
    EXPECT_FALSE(IsCommandExtension("sh"));
    EXPECT_FALSE(IsCommandExtension(".wav"));
}

TEST(ItemPath, MediaFilesAndMiniPlaylistsWithoutMciLookup)
{
    for (const char* p : {"x.cda", "10.PAUSE", "x.stop", "x.Play", "x.xm", "x.ITZ", "x.mpl", "5.live"})
        EXPECT_TRUE(IsMediaFile(QString::fromLatin1(p))) << p;
    for (const char* p : {"/a/b.c/noext", "x.m3u", "x.ALB", "x."})
        EXPECT_FALSE(IsMediaFile(QString::fromLatin1(p))) << p;
    EXPECT_TRUE(IsMiniPlaylist("/a/List.MPL"));
    EXPECT_FALSE(IsMiniPlaylist("/a/list.m3u"));
    EXPECT_FALSE(IsMiniPlaylist("/a/mpl"));
}

class DisplayName : public ::testing::Test
{
protected:
    void TearDown() override { SetCdTitleLookup({}); }
};

TEST_F(DisplayName, PauseLiveAndPlainNames)
{
    for (const auto& [path, name] : {std::pair{"10.pause", "10 sec."}, {"/a/abc.pause", "abc sec."},
                                     {"/a/30.LIVE", "30 sec."}, {"/a/b.c/noext", "noext"},
                                     {"/m/Song~7.MP3", "Song~7"}})
        EXPECT_EQ(GetItemDisplayName(QString::fromLatin1(path)), QString::fromLatin1(name)) << path;
}

TEST_F(DisplayName, CdTracksUseTitlesElseTrackNumber)
{
    EXPECT_EQ(GetItemDisplayName("/dev/sr0/Track03.cda"), "Track 03");
    int asked = -1;
    SetCdTitleLookup([&asked](int index) -> std::optional<QString> {
        asked = index;
        if (index == 2)
            return "Blue Train";
        if (index == 3)
            return QString();
        return std::nullopt;
    });
    EXPECT_EQ(GetItemDisplayName("/dev/sr0/Track03.CDA"), "Blue Train");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(GetItemDisplayName("/d.cue/Track04.cda"), "Track 04");
    EXPECT_EQ(GetItemDisplayName("/d.cue/Track12.cda"), "Track 12");
    asked = -1;
    for (const char* p : {"/d/Trackxx.cda", "/d/Track00.cda", "/d/7.cda"})
        EXPECT_EQ(GetItemDisplayName(QString::fromLatin1(p)), SplitPath(QString::fromLatin1(p)).fname);
    EXPECT_EQ(asked, -1);
}

TEST(ItemPath, OverlapOverrideReadsSecondsAfterTheLastTilde)
{
    struct Case { const char* path; int ms; };
    for (const Case& c : {Case{"/m/song1~7.wav", 7000}, Case{"/m/song~x.wav", -1},
                          Case{"/m/song.wav", -1}, Case{"/m/a~b~2.5.mp3", 2500},
                          Case{"/m/x~0.wav", 0}, Case{"/m/x~-2.wav", -2000},
                          Case{"/m/song~2.3.wav", 2300}, Case{"/m/x~4.1.wav", 4100},
                          Case{"/m/x~0.5.wav", 500}, Case{"/m/x~ 7s.wav", 7000},
                          Case{"/m/x~.5.wav", 500}, Case{"/m/x~..wav", -1},
                          Case{"/m/x~1e1.wav", 10000}, Case{"/m/x~0.0019.wav", 1},
                          Case{"/m/x~-2.9999.wav", -2999}, Case{"/m/x~99999999.wav", INT32_MAX},
                          Case{"/m/x~-1e300.wav", INT32_MIN}, Case{"/m/dir~5/song.wav", -1}})
        EXPECT_EQ(GetOverlapOverride(QString::fromLatin1(c.path)), c.ms) << c.path;
}

TEST(ItemPath, FormatDurationBoundaries)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "00:00.0"},           {99, "00:00.0"},          {205400, "03:25.4"},
        {3599999, "59:59.9"},     {3600000, "1:00:00"},     {3723000, "1:02:03"},
        {std::int64_t(INT32_MAX) + 1, "596:31:23"},         {360000000000LL, "100000:00:00"},
        {-1500, "-00:01.5"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(FormatDuration(ms), QString::fromLatin1(text)) << ms;
}

TEST(ItemPath, PauseSecondsReadLikeScanfLong)
{
    const std::pair<const char*, std::optional<long>> cases[] = {
        {"/a/10.pause", 10L}, {" 7x.live", 7L}, {"-3.pause", -3L}, {"99999999999999999999.pause", LONG_MAX},
        {"/a/abc.pause", std::nullopt}, {"-.pause", std::nullopt},
    };
    for (const auto& [path, seconds] : cases)
        EXPECT_EQ(GetPauseSeconds(QString::fromLatin1(path)), seconds) << path;
}
