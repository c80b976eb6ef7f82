// SPDX-License-Identifier: GPL-3.0-or-later
// Cue sheets as ripping programs and people leave them, read into a disc:
// every frame of the files says where it came from (left: the file's tag,
// right: its frame number), so each track start and each gap is checked to
// the sample. Broken sheets name their line.
#include "platform/mci/CueSheet.h"
#include "platform/mci/Mci.h"

#include "support/UnitTest.h"

#include <QtEndian>
#include <sndfile.h>

namespace {

constexpr std::int64_t S = mci::kCdFramesPerSector;

enum class Kind { Bin, Motorola, Wav, Flac };

struct MadeFile
{
    const char* name;
    Kind kind;
    std::int64_t frames;
};

std::int16_t Tag(int file)
{
    return std::int16_t(1000 * (file + 1));
}

void WriteFiles(const QString& dir, const std::vector<MadeFile>& files)
{
    for (std::size_t f = 0; f < files.size(); ++f) {
        const MadeFile& made = files[f];
        std::vector<std::int16_t> samples;
        for (std::int64_t i = 0; i < made.frames; ++i)
            samples.insert(samples.end(), {Tag(int(f)), std::int16_t(i % 30000)});
        const QString path = dir + u'/' + QString::fromUtf8(made.name);
        if (made.kind == Kind::Bin || made.kind == Kind::Motorola) {
            QByteArray bytes(qsizetype(samples.size() * 2), '\0');
            for (std::size_t i = 0; i < samples.size(); ++i)
                made.kind == Kind::Bin ? qToLittleEndian(samples[i], bytes.data() + 2 * i)
                                       : qToBigEndian(samples[i], bytes.data() + 2 * i);
            TestEnv::WriteFile(path, bytes);
            continue;
        }
        SF_INFO info{
            0, 44100, 2, (made.kind == Kind::Wav ? SF_FORMAT_WAV : SF_FORMAT_FLAC) | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* out = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        ASSERT_TRUE(out) << sf_strerror(nullptr);
        sf_writef_short(out, samples.data(), made.frames);
        sf_close(out);
    }
}

// The disc frame `disc` holds frame fileFrame of file `file`; file -1: silence.
struct Probe
{
    std::int64_t disc;
    int file;
    std::int64_t fileFrame;
};

struct GoodSheet
{
    const char* what;
    std::vector<MadeFile> files;
    const char* cueName;
    const char* cue;
    std::vector<std::int32_t> starts;
    std::vector<Probe> probes;
};

const GoodSheet kGoodSheets[] = {
    {"one BIN, a pregap as INDEX 00",
     {{"disc.bin", Kind::Bin, 300 * S}},
     "disc.cue",
     "REM GENRE Jazz\nCATALOG 0000000000000\nFILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    FLAGS DCP\n"
     "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    ISRC XX0000000000\n    INDEX 00 00:01:00\n"
     "    INDEX 01 00:02:00\n",
     {0, 150, 300},
     {{0, 0, 0}, {150 * S - 1, 0, 150 * S - 1}, {150 * S, 0, 150 * S}, {300 * S - 1, 0, 300 * S - 1}}},
    {"a renamed sheet: the image its FILE line names, in another case, before one of another extension",
     {{"Original.img", Kind::Bin, 100 * S}, {"original.bin", Kind::Bin, 10 * S}},
     "renamed.cue",
     "FILE \"ORIGINAL.IMG\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n",
     {0, 100},
     {{0, 0, 0}, {100 * S - 1, 0, 100 * S - 1}}},
    {"a sheet and its BIN renamed together",
     {{"new.bin", Kind::Bin, 10 * S}},
     "new.cue",
     "FILE \"old.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n",
     {0, 10},
     {{5, 0, 5}}},
    {"multi-FILE BIN, the gap appended to the file before",
     {{"01.bin", Kind::Bin, 100 * S}, {"02.bin", Kind::Bin, 200 * S}},
     "multi.cue",
     "FILE \"01.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  INDEX 00 00:01:00\n"
     "FILE \"02.bin\" BINARY\n  INDEX 01 00:00:00\n",
     {0, 100, 300},
     {{75 * S, 0, 75 * S}, {100 * S - 1, 0, 100 * S - 1}, {100 * S, 1, 0}, {300 * S - 1, 1, 200 * S - 1}}},
    {"CUE+WAV, a file per track, a Windows path, a length of no whole sectors",
     {{"01 One.wav", Kind::Wav, 100 * S + 100}, {"02 Two.wav", Kind::Wav, 50 * S}},
     "wav.cue",
     "FILE \"C:\\Rips\\01 One.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\nFILE 02 Two.wav WAVE\n"
     " TRACK 02 AUDIO\n  INDEX 01 00:00:00\n",
     {0, 101, 151},
     {{100 * S + 99, 0, 100 * S + 99},
      {100 * S + 100, -1, 0},
      {101 * S, 1, 0},
      {151 * S - 1, 1, 50 * S - 1}}},
    {"CUE+FLAC named WAVE, and a WAV rip converted to FLAC",
     {{"a.flac", Kind::Flac, 120 * S}, {"b.flac", Kind::Flac, 30 * S}},
     "flac.cue",
     "FILE \"a.flac\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  INDEX 01 00:01:00\n"
     "FILE \"b.wav\" WAVE\n TRACK 03 AUDIO\n  INDEX 01 00:00:00\n",
     {0, 75, 120, 150},
     {{75 * S - 1, 0, 75 * S - 1}, {75 * S, 0, 75 * S}, {120 * S, 1, 0}, {150 * S - 1, 1, 30 * S - 1}}},
    {"PREGAP and POSTGAP are silence beside the data, MOTOROLA byte order",
     {{"m.bin", Kind::Motorola, 100 * S}},
     "gaps.cue",
     "FILE \"m.bin\" MOTOROLA\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n  POSTGAP 00:00:10\n TRACK 02 AUDIO\n"
     "  PREGAP 00:00:20\n  INDEX 01 00:01:00\n",
     {0, 105, 130},
     {{75 * S - 1, 0, 75 * S - 1},
      {75 * S, -1, 0},
      {105 * S - 1, -1, 0},
      {105 * S, 0, 75 * S},
      {130 * S - 1, 0, 100 * S - 1}}},
    {"a data track of 2048-byte sectors plays as silence",
     {{"mixed.bin", Kind::Bin, 50 * 512 + 50 * S}},
     "mixed.cue",
     "FILE \"mixed.bin\" BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  INDEX 01 "
     "00:00:50\n",
     {0, 50, 100},
     {{0, -1, 0}, {50 * S, 0, 50 * 512}, {100 * S - 1, 0, 50 * 512 + 50 * S - 1}}}};

// CD-TEXT packs of one kind (0x80 titles, 0x81 performers): the texts of
// the disc and its tracks, each ended by a zero, 12 bytes a pack.
QByteArray Packs(char type, QByteArray texts)
{
    while (texts.size() % 12 != 0)
        texts.append('\0');
    QByteArray packs;
    for (qsizetype at = 0; at < texts.size(); at += 12)
        packs += QByteArray(1, type) + char(texts.left(at).count('\0')) + char(at / 12) + '\0' +
                 texts.mid(at, 12) + QByteArray(2, '\0');
    return packs;
}

} // namespace

TEST(CueSheet, SheetsOfEveryShapeReadAsTheirDiscToTheSample)
{
    for (const GoodSheet& sheet : kGoodSheets) {
        SCOPED_TRACE(sheet.what);
        const QString dir = TestEnv::MakeTempDir();
        WriteFiles(dir, sheet.files);
        mci::CdToc toc;
        std::unique_ptr<mci::PcmSource> source;
        mci::CueProblem problem;
        ASSERT_TRUE(mci::OpenCueDisc(TestEnv::WriteFile(dir + u'/' + sheet.cueName, sheet.cue), &toc, &source,
                                     &problem))
            << problem.text.toStdString();
        EXPECT_EQ(toc.starts, sheet.starts);
        ASSERT_EQ(source->Tracks().size(), sheet.starts.size() - 1);
        EXPECT_EQ(source->Frames(), sheet.starts.back() * S);
        for (const Probe& probe : sheet.probes) {
            using Frame = std::array<std::int16_t, 2>;
            Frame frame{-1, -1};
            ASSERT_TRUE(source->Seek(probe.disc));
            ASSERT_EQ(source->Read(frame.data(), 1), 1);
            const Frame expected = probe.file < 0
                                       ? Frame{0, 0}
                                       : Frame{Tag(probe.file), std::int16_t(probe.fileFrame % 30000)};
            EXPECT_EQ(frame, expected) << "disc frame " << probe.disc;
        }
    }
}

TEST(CueSheet, BrokenSheetsNameTheirLineAndMissingFilesThemselves)
{
    const struct
    {
        const char* cue;
        int line; // 0: the sheet as a whole
        const char* says;
        mci::MCIERROR error = mci::MCIERR_INVALID_FILE;
    } cases[] = {
        {"TRACK 01 AUDIO\n", 1, "TRACK before any FILE"},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n", 3, "INDEX nn mm:ss:ff"},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n", 3, "INDEX nn mm:ss:ff"},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 03 AUDIO\n", 4,
         "TRACK 03 follows TRACK 01"},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nHIDDEN 1\n", 4, "unknown command \"HIDDEN\""},
        {"FILE \"b.bin BINARY\n", 1, "quote"},
        {"REM x\nFILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nTRACK 02 AUDIO\n", 3,
         "TRACK 01 has no INDEX 01"},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\nINDEX 01 00:00:50\n", 5,
         "lies before the one on line 3"},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:02:00\n", 5,
         "past the end of b.bin"},
        {"FILE b.bin WAVEFORM\n", 1, "unknown file type \"WAVEFORM\""},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPREGAP 00:02:00\n", 4, "PREGAP comes once"},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n\nFILE \"gone.bin\" BINARY\n", 5,
         "gone.bin: The file cannot be found", mci::MCIERR_FILE_NOT_FOUND},
        {"FILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE hz.wav WAVE\n", 4, "48000 Hz"},
        {"REM nothing but remarks\n", 0, "b.cue: the sheet holds no TRACK"},
        {"\x89PNG\r\n\x1A\n\x01\x02", 1, "unknown command"}};
    const QString dir = TestEnv::MakeTempDir();
    WriteFiles(dir, {{"b.bin", Kind::Bin, 100 * S}});
    SF_INFO info{0, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    sf_close(sf_open(QFile::encodeName(dir + "/hz.wav").constData(), SFM_WRITE, &info));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cue);
        mci::CdToc toc;
        mci::CueProblem problem;
        ASSERT_FALSE(mci::OpenCueDisc(TestEnv::WriteFile(dir + "/b.cue", c.cue), &toc, nullptr, &problem));
        EXPECT_EQ(problem.error, c.error);
        if (c.line > 0) {
            EXPECT_TRUE(problem.text.startsWith(QStringLiteral("b.cue line %1: ").arg(c.line)))
                << problem.text.toStdString();
        }
        EXPECT_TRUE(problem.text.contains(QLatin1String(c.says))) << problem.text.toStdString();
    }
}

// Titles and performers of the disc and its tracks, from a sheet in any
// encoding, and from its CDTEXTFILE (with a drive's 4-byte header and a
// closing zero) where the sheet names none; a missing one leaves the
// sheet's titles.
TEST(CueSheet, TitlesAndPerformersFromTheSheetInAnyEncodingOrItsCdTextFile)
{
    const QString dir = TestEnv::MakeTempDir();
    WriteFiles(dir, {{"t.bin", Kind::Bin, 20 * S}});
    TestEnv::WriteFile(dir + "/disc.cdt", QByteArray("\0\x5a\0\0", 4) +
                                              Packs('\x80', QByteArray("CD Album\0First\0Second\0", 22)) +
                                              Packs('\x81', QByteArray("CD Band\0P1\0\t\0", 13)) +
                                              Packs('\x8f', "x") + '\0');
    const QByteArray sheet =
        "PERFORMER \"Band\"\nTITLE \"Caf\xE9 Album\"\nFILE t.bin BINARY\n TRACK 01 AUDIO\n"
        "  TITLE \"One\"\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  PERFORMER Guest Star\n"
        "  INDEX 01 00:00:10\n";
    const QString latin = QString::fromLatin1(sheet);
    const QByteArray utf16(reinterpret_cast<const char*>(latin.utf16()), latin.size() * 2);
    const auto withText = [](const char* cdt) {
        return "CDTEXTFILE \"" + QByteArray(cdt) +
               "\"\nFILE t.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  TITLE Own\n"
               "  INDEX 01 00:00:10\n";
    };
    const QStringList fromSheet = {QStringLiteral("Caf\u00E9 Album"), "Band", "One", "", "", "Guest Star"};
    const std::tuple<const char*, QByteArray, QStringList> rows[] = {
        {"Latin-1", sheet, fromSheet},
        {"UTF-8", "\xEF\xBB\xBF" + latin.toUtf8(), fromSheet},
        {"UTF-16", "\xFF\xFE" + utf16, fromSheet},
        {"CD-TEXT", withText("DISC.CDT"), {"CD Album", "CD Band", "First", "P1", "Own", "P1"}},
        {"CD-TEXT missing", withText("gone.cdt"), {"", "", "", "", "Own", ""}}};
    for (const auto& [name, text, names] : rows) {
        SCOPED_TRACE(name);
        mci::CdToc toc;
        mci::CueProblem problem;
        ASSERT_TRUE(mci::OpenCueDisc(TestEnv::WriteFile(dir + "/t.cue", text), &toc, nullptr, &problem))
            << problem.text.toStdString();
        ASSERT_EQ(toc.tracks.size(), 2u);
        EXPECT_EQ(QStringList({toc.disc.title, toc.disc.performer, toc.tracks[0].title,
                               toc.tracks[0].performer, toc.tracks[1].title, toc.tracks[1].performer}),
                  names);
    }
}
