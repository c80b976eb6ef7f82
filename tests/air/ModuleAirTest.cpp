// Module and MIDI items that cannot be played on the recorded air: the
// headless program gives one error line naming each, and the next item is
// on the air within 3 s of the last one's end, with the silence detector
// off (as it is by default). Before, a module of random bytes played a
// minute of silence and a truncated MIDI file its stated length of it.
#include "PlayoutAir.h"

#include "support/Fakes.h"

#include <QFile>
#include <QRandomGenerator>

#include <sys/stat.h>

using namespace WavAnalysis;
using namespace HeadlessLirana;

TEST_F(PlayoutAirTest, UnreadableModulesAndMidiFilesAreErrorsAndTheNextItemFollows)
{
    QByteArray noise(8192, '\0');
    QRandomGenerator random(77);
    for (char& b : noise)
        b = char(random.bounded(256));
    const QString mod = TestEnv::WriteFile(dir + "/noise.mod", noise);
    const QByteArray midi = FileBytes(TestMedia::MidiFile(dir, "whole", {{4, 120}}));
    const QString cut = TestEnv::WriteFile(dir + "/cut.mid", midi.left(midi.size() * 2 / 3));
    const QString pipe = dir + "/pipe.mod"; // a share that does not answer
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const std::vector<double> freqs{500, 900, 1300, 1700};
    QStringList tones;
    for (double f : freqs)
        tones << TestMedia::ToneWav(dir, "tone" + QString::number(f), f, 0.6, -12);
    WriteHive(home,
              {{"Overlap Time", Dword(0)}, {"IgnoreErrors", Flag(true)}, {"AudioSink", Text("pulsesink")}});
    const auto [run, wav] = PlayRecorded({tones[0], mod, tones[1], cut, tones[2], pipe, tones[3]}, 30000);

    const QStringList errors = run.lines.filter(QRegularExpression("^error\\t"));
    ASSERT_EQ(errors.size(), 3) << Lines(run);
    const char* named[] = {"noise.mod", "cut.mid", "pipe.mod"};
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(errors[i].contains(QLatin1String(named[i]))) << errors[i].toStdString();
    const auto segs = Segments(wav, freqs);
    ASSERT_EQ(segs.size(), freqs.size()) << Describe(segs);
    for (size_t i = 0; i < segs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(segs[i].freq, freqs[i]);
        EXPECT_NEAR(segs[i].Length(), 0.6, 0.03 + kInstrumentedSlack);
        if (i > 0) {
            Report("silence across a broken item", (segs[i].start - segs[i - 1].end) * 1000);
            EXPECT_LT(segs[i].start - segs[i - 1].end, 3.0) << "across a broken item";
        }
    }
}
