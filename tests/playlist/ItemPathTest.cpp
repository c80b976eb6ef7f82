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
    const SplitPathParts longName = SplitPath(u'/' + QString(300, u'n') + QStringLiteral(".wav"));
    EXPECT_EQ(longName.fname.size(), 255);
    EXPECT_EQ(longName.ext, QStringLiteral(".wav"));
}

TEST(ItemPath, FullPathIsCleanedAgainstTheCurrentFolder)
{
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(GetFullPath(QStringLiteral("a/../b/./c.wav")), cwd + QStringLiteral("/b/c.wav"));
    EXPECT_EQ(GetFullPath(QStringLiteral("sub/")), cwd + QStringLiteral("/sub/"));
    EXPECT_EQ(GetFullPath(QStringLiteral("/x//y/../z")), QStringLiteral("/x/z"));
    EXPECT_EQ(GetFullPath(QStringLiteral("/../..")), QStringLiteral("/"));

    const QString dir = TestEnv::MakeTempDir();
    TestEnv::WriteFile(dir + QStringLiteral("/real/f.wav"), "x");
    ASSERT_TRUE(QFile::link(dir + QStringLiteral("/real"), dir + QStringLiteral("/link")));
    EXPECT_EQ(GetFullPath(dir + QStringLiteral("/link/./f.wav")), dir + QStringLiteral("/link/f.wav"));
}

TEST(ItemPath, FullPathThrowsWhenTheCurrentFolderIsGone)
{
    const QString saved = QDir::currentPath();
    const QString gone = TestEnv::MakeTempDir(QStringLiteral("gone"));
    ASSERT_EQ(::chdir(QFile::encodeName(gone).constData()), 0);
    ASSERT_EQ(::rmdir(QFile::encodeName(gone).constData()), 0);
    int code = 0;
    try {
        GetFullPath(QStringLiteral("x.wav"));
    } catch (const CWin32Exception& e) {
        code = e.Code();
    }
    EXPECT_EQ(GetFullPath(QStringLiteral("/abs.wav")), QStringLiteral("/abs.wav"));
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
                EXPECT_EQ(GetItemKind(QStringLiteral("/m/x.") + e), g.kind) << qPrintable(e);
        }
    }
    EXPECT_EQ(GetItemKind(QStringLiteral("/a/b.c/noext")), ItemKind::Unknown);
    EXPECT_EQ(GetItemKind(QStringLiteral("/a/x.qqz")), ItemKind::Unknown);

    EXPECT_TRUE(IsCommandExtension(QStringLiteral(".Desktop")));
    EXPECT_FALSE(IsCommandExtension(QStringLiteral("sh")));
    EXPECT_FALSE(IsCommandExtension(QStringLiteral(".wav")));
}

TEST(ItemPath, MediaFilesAndMiniPlaylistsWithoutMciLookup)
{
    for (const char* p : {"x.cda", "10.PAUSE", "x.stop", "x.Play", "x.xm", "x.ITZ", "x.mpl", "5.live"})
        EXPECT_TRUE(IsMediaFile(QString::fromLatin1(p))) << p;
    for (const char* p : {"/a/b.c/noext", "x.m3u", "x.ALB", "x."})
        EXPECT_FALSE(IsMediaFile(QString::fromLatin1(p))) << p;
    EXPECT_TRUE(IsMiniPlaylist(QStringLiteral("/a/List.MPL")));
    EXPECT_FALSE(IsMiniPlaylist(QStringLiteral("/a/list.m3u")));
    EXPECT_FALSE(IsMiniPlaylist(QStringLiteral("/a/mpl")));
}

class DisplayName : public ::testing::Test
{
protected:
    void TearDown() override { SetCdTitleLookup({}); }
};

TEST_F(DisplayName, PauseLiveAndPlainNames)
{
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("10.pause")), QStringLiteral("10 sec."));
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/a/abc.pause")), QStringLiteral("abc sec."));
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/a/30.LIVE")), QStringLiteral("30 sec."));
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/a/b.c/noext")), QStringLiteral("noext"));
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/m/Song~7.MP3")), QStringLiteral("Song~7"));
}

TEST_F(DisplayName, CdTracksUseTitlesElseTrackNumber)
{
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/dev/sr0/Track03.cda")), QStringLiteral("Track 03"));
    int asked = -1;
    SetCdTitleLookup([&asked](int index) -> std::optional<QString> {
        asked = index;
        if (index == 2)
            return QStringLiteral("Blue Train");
        if (index == 3)
            return QString();
        return std::nullopt;
    });
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/dev/sr0/Track03.CDA")), QStringLiteral("Blue Train"));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/d.cue/Track04.cda")), QStringLiteral("Track 04"));
    EXPECT_EQ(GetItemDisplayName(QStringLiteral("/d.cue/Track12.cda")), QStringLiteral("Track 12"));
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
    EXPECT_EQ(FormatDuration(0), QStringLiteral("00:00.0"));
    EXPECT_EQ(FormatDuration(99), QStringLiteral("00:00.0"));
    EXPECT_EQ(FormatDuration(205400), QStringLiteral("03:25.4"));
    EXPECT_EQ(FormatDuration(3599999), QStringLiteral("59:59.9"));
    EXPECT_EQ(FormatDuration(3600000), QStringLiteral("1:00:00"));
    EXPECT_EQ(FormatDuration(3723000), QStringLiteral("1:02:03"));
    EXPECT_EQ(FormatDuration(std::int64_t(INT32_MAX) + 1), QStringLiteral("596:31:23"));
    EXPECT_EQ(FormatDuration(360000000000LL), QStringLiteral("100000:00:00"));
    EXPECT_EQ(FormatDuration(-1500), QStringLiteral("-00:01.5"));
}

TEST(ItemPath, PauseSecondsReadLikeScanfLong)
{
    EXPECT_EQ(GetPauseSeconds(QStringLiteral("/a/10.pause")), 10L);
    EXPECT_EQ(GetPauseSeconds(QStringLiteral(" 7x.live")), 7L);
    EXPECT_EQ(GetPauseSeconds(QStringLiteral("-3.pause")), -3L);
    EXPECT_EQ(GetPauseSeconds(QStringLiteral("99999999999999999999.pause")), LONG_MAX);
    EXPECT_FALSE(GetPauseSeconds(QStringLiteral("/a/abc.pause")).has_value());
    EXPECT_FALSE(GetPauseSeconds(QStringLiteral("-.pause")).has_value());
}
