// SPDX-License-Identifier: GPL-3.0-or-later
// Item paths: splitting, full paths, kinds by extension (with the MCI
// extension table of the machine hive), display names, overlap overrides,
// durations. A hive layer in $XDG_CONFIG_DIRS registers test extensions
// before any test of this process runs.
#include "playlist/ItemPath.h"
#include "platform/Exception.h"
#include "support/UnitTest.h"

#include <climits>

namespace {

class MciHiveLayer : public ::testing::Environment
{
public:
    // "mp3" with an empty device overrides what the installed table registers.
    void SetUp() override
    {
        TestEnv::WriteFile(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_DIRS").split(':').first()) +
                               "/Oxbelund/Lirana.reg",
                           "REGEDIT4\r\n\r\n"
                           "[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\MCI Extensions]\r\n"
                           "\"wav\"=\"waveaudio\"\r\n\"Xyz\"=\"MPEGVideo\"\r\n\"mp3\"=\"\"\r\n"
                           "\"play\"=\"waveaudio\"\r\n\"stop\"=\"waveaudio\"\r\n\"sh\"=\"waveaudio\"\r\n"
                           "\"CMD\"=\"waveaudio\"\r\n\"m3u\"=\"sequencer\"\r\n\"alb\"=\"sequencer\"\r\n");
    }
};

const auto* const kLayer = ::testing::AddGlobalTestEnvironment(new MciHiveLayer);

} // namespace

TEST(ItemPath, SplitPathKeepsTheFolderSlashAndTheLastDotAndFullPathCleans)
{
    const std::pair<const char*, const char*> cases[] = {{"/a/b.c/noext", "/a/b.c/|noext|"},
                                                         {"/music/Song.Mp3", "/music/|Song|.Mp3"},
                                                         {"10.pause", "|10|.pause"},
                                                         {"/a/x.tar.gz", "/a/|x.tar|.gz"},
                                                         {"/dir/", "/dir/||"},
                                                         {"/h/.hidden", "/h/||.hidden"},
                                                         {"", "||"}};
    for (const auto& [path, parts] : cases) {
        const SplitPathParts p = SplitPath(QString::fromUtf8(path));
        EXPECT_EQ(p.drive + p.dir + u'|' + p.fname + u'|' + p.ext, QString::fromUtf8(parts)) << path;
    }
    const SplitPathParts longName = SplitPath(u'/' + QString(300, u'n') + ".wav");
    EXPECT_EQ(std::tuple(longName.fname.size(), longName.ext), std::tuple(255, ".wav"));

    // A full path is cleaned against the current folder without resolving links.
    const QString cwd = QDir::currentPath();
    const QString dir = TestEnv::MakeTempDir();
    TestEnv::WriteFile(dir + "/real/f.wav", "x");
    ASSERT_TRUE(QFile::link(dir + "/real", dir + "/link"));
    const std::pair<QString, QString> fullPaths[] = {{"a/../b/./c.wav", cwd + "/b/c.wav"},
                                                     {"sub/", cwd + "/sub/"},
                                                     {"/x//y/../z", "/x/z"},
                                                     {"/../..", "/"},
                                                     {dir + "/link/./f.wav", dir + "/link/f.wav"}};
    for (const auto& [path, full] : fullPaths)
        EXPECT_EQ(GetFullPath(path), full);

    EXPECT_THROW(GetFullPath(QString()), CWin32Exception);
}

// The extensions of each kind, in the order of the kinds' numbers (their
// icons' columns), any case. The test layer registers xyz (an MCI device),
// and play, stop, sh, cmd, m3u and alb: their own kinds win.
TEST(ItemPath, KindsMciExtensionsAndMediaFilesByExtensionIgnoreCase)
{
    const QStringList extensions =
        QStringLiteral("cda|mid rmi mmm|wav|au snd|aif aifc aiff|mp3 mp2|avi|mov qt|fli flc|"
                       "env m1v mpe mpg mpeg|mod s3m xm 669 stm nst it mdz itz||ra ram rm|pause|"
                       "m3u mpl|alb|live|xyz|qqz||play|stop|cmd bat lnk pl vbs js exe com sh py desktop")
            .split(u'|');
    ASSERT_EQ(extensions.size(), kItemKindCount);
    for (int kind = 0; kind < kItemKindCount; ++kind) {
        for (const QString& ext : extensions[kind].split(u' ', Qt::SkipEmptyParts)) {
            for (const QString& e : {ext, ext.toUpper(), ext.left(1).toUpper() + ext.mid(1)})
                EXPECT_EQ(GetItemKind("/m/x." + e), ItemKind(kind)) << qPrintable(e);
        }
    }
    EXPECT_EQ(std::tuple(IsCommandExtension(".Desktop"), IsCommandExtension("sh"), IsCommandExtension(".wav"),
                         IsMiniPlaylist("/a/List.MPL"), IsMiniPlaylist("/a/list.m3u")),
              std::tuple(true, false, false, true, false));

    // Registered extensions (any case) are MCI extensions, and so media files;
    // one registered with an empty device is neither (the second group may be
    // registered by the installed table too). Lists are never media
    // files; pause, live, CD, module and control items always are.
    const QStringList groups[] = {{"/m/x.Mp3", "/m/x.qqz", "/a/b.c/noext", "/m/x."},
                                  {"/m/x.mpl", "10.PAUSE", "5.live", "x.cda", "x.ITZ"},
                                  {"/m/list.m3u", "/m/show.ALB"},
                                  {"/m/clip.XyZ", "/m/x.WAV", "/m/x.play", "/m/x.STOP", "/m/run.sh"}};
    for (int g = 0; g < 4; ++g) {
        for (const QString& path : groups[g]) {
            EXPECT_TRUE(g == 1 || IsMciExtension(path) == (g >= 2)) << qPrintable(path);
            EXPECT_EQ(IsMediaFile(path), g % 2 == 1) << qPrintable(path);
        }
    }
    EXPECT_EQ(GetMciDeviceForExtension("XYZ"), "MPEGVideo");
    EXPECT_EQ(GetMciDeviceForExtension(QString()), QString());
}

TEST(ItemPath, DisplayNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"10.pause", "10 sec."},       {"/a/abc.pause", "abc sec."},  {"/a/30.LIVE", "30 sec."},
        {"/a/b.c/noext", "noext"},     {"/m/Song~7.MP3", "Song~7"},   {"/dev/sr0/Track03.cda", "Track 03"},
        {"/d/Trackxx.cda", "Trackxx"}, {"/d/Track00.cda", "Track00"}, {"/d/7.cda", "7"}};
    for (const auto& [path, name] : cases)
        EXPECT_EQ(GetItemDisplayName(QString::fromLatin1(path)), QString::fromLatin1(name)) << path;

    // Titles from the CD database by track index; none or an empty one
    // gives the track number. A name that is no track number is not looked up.
    QList<int> asked;
    SetCdTitleLookup([&asked](const QString&, int index) {
        asked << index;
        return index == 2   ? std::optional<QString>("Blue Train")
               : index == 3 ? std::optional<QString>(QString())
                            : std::nullopt;
    });
    EXPECT_EQ(
        (QStringList{GetItemDisplayName("/dev/sr0/Track03.CDA"), GetItemDisplayName("/d.cue/Track04.cda"),
                     GetItemDisplayName("/d.cue/Track12.cda"), GetItemDisplayName("/d/Track00.cda")}),
        QStringList({"Blue Train", "Track 04", "Track 12", "Track00"}));
    SetCdTitleLookup({});
    EXPECT_EQ(asked, (QList<int>{2, 3, 11}));
}

// The overlap after the last tilde of a file name (seconds read like "%f"),
// the seconds of a pause read like "%ld", and lengths as shown.
TEST(ItemPath, NumbersInFileNamesAndDurations)
{
    const std::pair<const char*, int> overlaps[] = {
        {"/m/song1~7.wav", 7000},       {"/m/song~x.wav", -1},       {"/m/song.wav", -1},
        {"/m/a~b~2.5.mp3", 2500},       {"/m/x~0.wav", 0},           {"/m/x~-2.wav", -2000},
        {"/m/song~2.3.wav", 2300},      {"/m/x~4.1.wav", 4100},      {"/m/x~ 7s.wav", 7000},
        {"/m/x~.5.wav", 500},           {"/m/x~..wav", -1},          {"/m/x~1e1.wav", 10000},
        {"/m/x~0.0019.wav", 1},         {"/m/x~-2.9999.wav", -2999}, {"/m/x~99999999.wav", INT32_MAX},
        {"/m/x~-1e300.wav", INT32_MIN}, {"/m/dir~5/song.wav", -1}};
    for (const auto& [path, ms] : overlaps)
        EXPECT_EQ(GetOverlapOverride(QString::fromLatin1(path)), ms) << path;
    const std::pair<std::int64_t, const char*> durations[] = {
        {0, "00:00.0"},       {99, "00:00.0"},      {205400, "03:25.4"},       {3599999, "59:59.9"},
        {3600000, "1:00:00"}, {3723000, "1:02:03"}, {2147483648, "596:31:23"}, {360000000000, "100000:00:00"},
        {-1500, "-00:01.5"}};
    for (const auto& [ms, text] : durations)
        EXPECT_EQ(FormatDuration(ms), QString::fromLatin1(text)) << ms;
    const std::pair<const char*, std::optional<long>> pauses[] = {
        {"/a/10.pause", 10L},           {" 7x.live", 7L},          {"-3.pause", -3L},
        {"/a/abc.pause", std::nullopt}, {"-.pause", std::nullopt}, {"99999999999999999999.pause", LONG_MAX}};
    for (const auto& [path, seconds] : pauses)
        EXPECT_EQ(GetPauseSeconds(QString::fromLatin1(path)), seconds) << path;
}
