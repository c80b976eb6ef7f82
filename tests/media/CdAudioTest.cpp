// SPDX-License-Identifier: GPL-3.0-or-later
// Audio CDs through the cdaudio device, on a generated BIN/CUE image of three
// tone tracks (1, 2 and 3 s of 440, 880 and 1320 Hz) played into the paced
// null output, and the CD database of that disc. What a CD track does as a
// track (its own positions, seeks and ends) is in TrackContractTest.
#include "media/CdAudioTrack.h"
#include "media/CdDatabase.h"
#include "platform/DataPaths.h"
#include "platform/IniFile.h"
#include "platform/mci/CdDisc.h"
#include "platform/mci/CueSheet.h"
#include "platform/mci/PcmSource.h"
#include "playlist/ItemPath.h"

#include "EventRecorder.h"

namespace {

class CdAudioTest : public TrackTest
{
protected:
    void SetUp() override
    {
        TrackTest::SetUp();
        disc = TestMedia::CdImage(
            TestEnv::Root(), QStringLiteral("disc"),
            {{TestMedia::Tone(440, 1.0)}, {TestMedia::Tone(880, 2.0)}, {TestMedia::Tone(1320, 3.0)}});
    }
    QString Item(const char* name) const { return disc + u'/' + QLatin1String(name); }

    QString disc;
};

// Zero crossings of the left channel over 0.1 s from frame: a tone's
// frequency / 5.
int CrossingsAt(mci::PcmSource& source, std::int64_t frame)
{
    std::vector<std::int16_t> block(2 * 4410);
    if (!source.Seek(frame) || source.Read(block.data(), 4410) != 4410)
        return -1;
    int crossings = 0;
    for (std::size_t i = 2; i < block.size(); i += 2)
        crossings += (block[i - 2] < 0) != (block[i] < 0);
    return crossings;
}

} // namespace

TEST_F(CdAudioTest, TheImageReadsAsTheDiscWithItsTableOfContentsAndId)
{
    const std::optional<mci::CdToc> toc = mci::ReadCdToc(disc);
    ASSERT_TRUE(toc);
    EXPECT_EQ(toc->starts, (std::vector<std::int32_t>{0, 75, 225, 450}));
    // Starts 2, 3 and 5 s with the lead-in: digit sum 10; 6 s; 3 tracks.
    EXPECT_EQ(mci::CddbDiscId(*toc), 0x0A000603u);
    EXPECT_FALSE(mci::ReadCdToc(TestEnv::Root() + QStringLiteral("/none.cue")));

    std::uint32_t error = 0;
    const auto source = mci::OpenCdSource(disc, &error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Frames(), 450 * 588);
    // Each track holds its own tone from its first frame: the samples'
    // byte order and the sector offsets.
    for (const auto& [frame, crossings] : {std::pair(0, 88), {75 * 588, 176}, {225 * 588 + 100, 264}})
        EXPECT_NEAR(CrossingsAt(*source, frame), crossings, 2) << frame;
}

// The last two characters of the file name name the track, also at the device.
TEST_F(CdAudioTest, TheTrackNumberRuleReachesTheDevice)
{
    const std::pair<const char*, int> cases[] = {{"/dev/sr0/Track07.cda", 7},  {"/dev/sr0/Track7.cda", 1},
                                                 {"/dev/sr0/Track12.cda", 12}, {"/dev/sr0/Track 9.cda", 9},
                                                 {"/dev/sr0/5.cda", 1},        {"/dev/sr0/Track00.cda", 0}};
    for (const auto& [path, track] : cases)
        EXPECT_EQ(CCDAudioTrack::TrackNumberOf(QString::fromLatin1(path)), track) << path;
    EXPECT_EQ(CCDAudioTrack::RootOf(QStringLiteral("/srv/discs/album.cue/Track02.cda")),
              QStringLiteral("/srv/discs/album.cue"));
    CCDAudioTrack first, third;
    first.Open(Item("Track7.cda"), &owner);
    third.Open(Item("Track03.cda"), &owner);
    EXPECT_EQ((std::tuple{first.TrackNumber(), first.GetLength(), third.TrackStart(), third.GetLength()}),
              std::tuple(1, 1000, 3000, 3000));

    for (const QString& bad :
         {Item("Track12.cda"), TestEnv::Root() + QStringLiteral("/gone.cue/Track01.cda")}) {
        CCDAudioTrack track;
        const auto e = ThrownBy<CMCIException>([&] { track.Open(bad, &owner); });
        ASSERT_TRUE(e) << qPrintable(bad);
        EXPECT_EQ(e->Error(), bad.contains(u"gone") ? mci::MCIERR_FILE_NOT_FOUND : mci::MCIERR_OUTOFRANGE);
        EXPECT_TRUE(e->GetErrorMessage().contains(bad)) << qPrintable(e->GetErrorMessage());
    }
}

TEST_F(CdAudioTest, ANewDiscGetsAnEntryUnderItsCddbIdAndNamesDefaultWithoutOne)
{
    CCDDatabase none; // no drive
    EXPECT_EQ((std::tuple{none.Init(), none.IsValid(), none.GetNumTracks(), none.GetArtist(),
                          none.GetTrackName(4), CountCdTracks()}),
              std::tuple(false, false, 0, QStringLiteral("New Artist"), QStringLiteral("Track 05"), 0));

    qputenv("LIRANA_CD_DEVICE", disc.toUtf8());
    EXPECT_EQ(CountCdTracks(), 3);
    EXPECT_EQ(FindCdRoot(), disc + u'/');
    // A section without tracks is no entry: it is made anew.
    const QString ini = DataPaths::AppConfigDir() + QStringLiteral("/cdplayer.ini");
    TestEnv::WriteFile(ini, "[A000603]\nnumtracks=0\n0=Stale\n");
    CCDDatabase db;
    ASSERT_TRUE(db.Init());
    EXPECT_EQ((std::tuple{db.IsValid(), db.DiscId(), db.GetNumTracks(), db.GetTitle()}),
              std::tuple(true, 0x0A000603u, 3, QStringLiteral("New Title")));
    db.SetTrackName(1, QStringLiteral("Second"));
    EXPECT_EQ(db.GetTrackName(2), QStringLiteral("Track 03")) << "0-based keys, 1-based names";

    CIniFile file(ini);
    file.SetSection(QStringLiteral("A000603"));
    EXPECT_EQ((std::tuple{file.GetInt("numtracks", 0), file.GetString("artist"), file.GetString("1")}),
              std::tuple(3, QStringLiteral("New Artist"), QStringLiteral("Second")));

    ASSERT_TRUE(QFile::rename(disc, disc + QStringLiteral(".out")));
    EXPECT_EQ((std::tuple{db.Refresh(), db.IsValid(), db.StoredTrackName(1)}),
              std::tuple(false, false, std::nullopt))
        << "the disc was taken out";
}

TEST_F(CdAudioTest, APipeOrAMissingFileOfAnImageIsAnErrorNamingItAtOnceAndTheNextTrackPlays)
{
    const QString dir = TestEnv::MakeTempDir();
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/pipe.cue").constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/piped.bin").constData(), 0600), 0);
    const QByteArray track = " TRACK 01 AUDIO\n  INDEX 01 00:00:00\n";
    TestEnv::WriteFile(dir + "/piped.cue", "FILE piped.bin BINARY\n" + track);
    TestEnv::WriteFile(dir + "/lost.cue", "REM ripped\nFILE \"lost.bin\" BINARY\n" + track);
    TestEnv::WriteFile(dir + "/huge.cue", QByteArray(mci::kMaxCueSheetBytes + 1, ' '));
    const struct
    {
        const char* root;
        mci::MCIERROR error;
        QString says;
    } cases[] = {
        {"pipe.cue", mci::MCIERR_FILE_READ, dir + "/pipe.cue: no regular file"},
        {"piped.cue", mci::MCIERR_FILE_READ, "piped.cue line 1: " + dir + "/piped.bin: no regular file"},
        {"lost.cue", mci::MCIERR_FILE_NOT_FOUND,
         "lost.cue line 2: " + dir + "/lost.bin: The file cannot be found"},
        {"huge.cue", mci::MCIERR_FILE_READ, "too large for a cue sheet"}};
    for (const auto& c : cases) {
        const QString item = dir + u'/' + QLatin1String(c.root) + "/Track01.cda";
        EXPECT_FALSE(mci::ReadCdToc(dir + u'/' + QLatin1String(c.root)));
        EXPECT_EQ(CdTrackTitle(item, 0), std::nullopt);
        CCDAudioTrack failing;
        const auto e = ThrownBy<CMCIException>([&] { failing.Open(item, &owner); });
        ASSERT_TRUE(e) << c.root;
        EXPECT_EQ(e->Error(), c.error) << c.root;
        EXPECT_TRUE(e->GetErrorMessage().contains(c.says) && e->GetErrorMessage().contains(item))
            << qPrintable(e->GetErrorMessage());
    }
    CCDAudioTrack next;
    next.Open(Item("Track02.cda"), &owner);
    next.Play();
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return next.GetPosition() > 0; }, 4000));
}

TEST_F(CdAudioTest, ARowOfAnotherImageShowsThatDiscsNamesWhileTheDriveHoldsThisOne)
{
    // Image B: its own tones and lengths (another disc id), titles in its sheet.
    const QString b = TestMedia::CdImage(
        TestEnv::Root(), QStringLiteral("other"),
        {{TestMedia::Tone(440, 1.0)}, {TestMedia::Tone(880, 1.0)}, {TestMedia::Tone(660, 2.0)}});
    TestEnv::WriteFile(
        b, "PERFORMER \"Band\"\nFILE \"other.bin\" BINARY\n TRACK 01 AUDIO\n  TITLE \"Song One\"\n"
           "  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  TITLE \"Song Two\"\n  PERFORMER \"Guest\"\n"
           "  INDEX 01 00:01:00\n TRACK 03 AUDIO\n  INDEX 01 00:02:00\n");
    qputenv("LIRANA_CD_DEVICE", disc.toUtf8());
    CCDDatabase drive;
    ASSERT_TRUE(drive.Init());
    drive.SetTrackName(1, QStringLiteral("A Two"));
    SetCdTitleLookup(CdTrackTitle);
    const auto name = [](const QString& root, const char* f) { return GetItemDisplayName(root + u'/' + f); };
    EXPECT_EQ(name(disc, "Track02.cda"), QStringLiteral("A Two"));
    EXPECT_EQ(name(b, "Track01.cda"), QStringLiteral("Song One"));
    EXPECT_EQ(name(b, "Track02.cda"), QStringLiteral("Guest - Song Two")) << "a guest on a disc of the band";
    EXPECT_EQ(name(b, "Track03.cda"), QStringLiteral("Track 03"));

    // B's own entry in the database goes before its sheet, and is seen at once.
    CIniFile ini(CCDDatabase::DefaultPath());
    ini.SetSection(QString::number(mci::CddbDiscId(*mci::ReadCdToc(b)), 16).toUpper());
    ini.WriteString(QStringLiteral("0"), QStringLiteral("Stored One"));
    ini.Flush();
    EXPECT_EQ(name(b, "Track01.cda"), QStringLiteral("Song One")) << "a section without tracks is no entry";
    ini.WriteInt(QStringLiteral("numtracks"), 3);
    ini.Flush();
    EXPECT_EQ(name(b, "Track01.cda"), QStringLiteral("Stored One"));
    EXPECT_EQ(name(b, "Track02.cda"), QStringLiteral("Guest - Song Two"));
    SetCdTitleLookup({});
}
