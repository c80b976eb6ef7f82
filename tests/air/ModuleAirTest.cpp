// SPDX-License-Identifier: GPL-3.0-or-later
// Module and MIDI items that cannot be played, on the recorded air: the
// headless program gives one error line naming each, and the next item is
// on the air within 3 s of the last one's end, with the silence detector
// off (as it is by default). Before, a module of random bytes played a
// minute of silence, and a pipe named .mod hung the program. The last is a
// module whose player is held back after 100 ms (it brings the air bus
// nothing more): it ends as an error too, and the next item follows.
#include "PlayoutAir.h"

#include <QCryptographicHash>

#include <sys/stat.h>

TEST_F(PlayoutAirTest, UnreadableModulesAndMidiFilesAreErrorsAndTheNextItemFollows)
{
    const QByteArray noise = QCryptographicHash::hash("77", QCryptographicHash::Sha512).repeated(128);
    const QStringList broken = {TestEnv::WriteFile(dir + "/noise.mod", noise),
                                TestMedia::MidiFile(dir, "cut", {{4, 120}}),
                                dir + "/pipe.mod", // a share that does not answer
                                TestMedia::WriteModule(dir + "/held.mod", 50)};
    extraEnv = {{"NPMOD32_OUTPUT", "stalled"}};
    ASSERT_TRUE(QFile::resize(broken[1], QFileInfo(broken[1]).size() * 2 / 3));
    ASSERT_EQ(::mkfifo(QFile::encodeName(broken[2]).constData(), 0600), 0);
    const std::vector<double> freqs{500, 900, 1300, 1700, 2100};
    QStringList items; // a tone before and after each broken item
    for (qsizetype i = 0; i < 5; ++i)
        items << TestMedia::ToneWav(dir, "tone" + QString::number(i), freqs[i], 0.6, -12) << broken.value(i);
    items.removeLast();
    WriteHive(home,
              {{"Overlap Time", Dword(0)}, {"IgnoreErrors", Flag(true)}, {"AudioSink", Text("pulsesink")}});
    const auto [run, wav] = PlayRecorded(items, 30000);

    const QStringList errors = Errors(run);
    ASSERT_EQ(errors.size(), 4) << Lines(run);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(errors[i].contains(QFileInfo(broken[i]).fileName())) << errors[i].toStdString();
    // Segment i + 1 follows broken[i]; not the held module's first 100 ms.
    ExpectInTurn(Segments(wav, freqs, -50.0, 0.3), freqs, {0.6}, 0.03 + kInstrumentedSlack, 3.0);
}

// MIDI files of the other shapes a station meets, with LIRANA_SOUNDFONT
// naming a bank that is gone: a warning names it, the system's bank plays
// an SMPTE-timed file (its note for the first of its 2 s) and a RIFF MIDI
// file (2 s), each with no error and the next tone after it.
TEST_F(PlayoutAirTest, SmpteAndRiffMidiFilesSoundWithAMissingBankAndTheNextItemFollows)
{
    // Tones between the organ's harmonics (440 Hz and its multiples).
    const QStringList items = {
        TestMedia::ToneWav(dir, "t600", 600, 0.6, -12), TestMedia::SmpteMidiFile(dir, "smpte"),
        TestMedia::ToneWav(dir, "t1100", 1100, 0.6, -12), TestMedia::RmiFile(dir, "song", {{4, 120}}),
        TestMedia::ToneWav(dir, "t1550", 1550, 0.6, -12)};
    extraEnv = {{"LIRANA_SOUNDFONT", dir + "/gone.sf2"}};
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}});
    const auto [run, wav] = PlayRecorded(items, 30000);
    EXPECT_TRUE(Errors(run).isEmpty()) << Lines(run);
    EXPECT_TRUE(run.err.contains("gone.sf2")) << run.err.toStdString();
    const auto segs = Segments(wav, {440, 600, 1100, 1550}, -50.0, 0.3);
    ASSERT_EQ(segs.size(), 5u) << Describe(segs);
    const double freqs[] = {600, 440, 1100, 440, 1550};
    for (size_t i = 0; i < segs.size(); ++i)
        EXPECT_EQ(segs[i].freq, freqs[i]) << Describe(segs);
    // The SMPTE note sounds its second, the RIFF file's its 2 s; each item
    // lasts its 2 s and then rings out (at most 2 s): not skipped, the next
    // not held back. (A tone's end is not measured: the organ's sound leaks
    // into its band.)
    EXPECT_GT(segs[1].Length(), 0.9);
    EXPECT_GT(segs[3].Length(), 1.9);
    for (size_t i : {2, 4}) {
        EXPECT_GT(segs[i].start - segs[i - 1].start, 1.95) << Describe(segs);
        EXPECT_LT(segs[i].start - segs[i - 1].start, 4.1) << Describe(segs);
    }
}
