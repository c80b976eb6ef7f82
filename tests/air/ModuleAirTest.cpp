// A tracker module on the air: the headless program plays a generated
// module through the player library into the sound server, whole, on both
// sides, and names no error.
#include "PlayoutAir.h"

using namespace WavAnalysis;
using namespace HeadlessLirana;

TEST_F(PlayoutAirTest, AModulePlaysForItsLengthWithoutAnError)
{
    const QString mod = TestMedia::WriteModule(dir + QStringLiteral("/tone.mod"), 25); // 3.0 s
    WriteHive(home, {{"Overlap Time", Dword(0)}});
    const auto [run, wav] = PlayRecorded({mod});
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(run.lines.filter(QRegularExpression(QStringLiteral("^error\\t"))).isEmpty()) << Lines(run);

    const double freq = TestMedia::ModuleToneHz;
    const auto onset = ToneOnset(wav, freq, 0, -40);
    ASSERT_TRUE(onset) << "the module was not heard";
    const auto end = ToneEnd(wav, freq, *onset + 1.0, -40);
    ASSERT_TRUE(end);
    EXPECT_NEAR(*end - *onset, 25 * TestMedia::ModuleRowSeconds, 0.12) << "the whole module, once";
    for (int channel : {0, 1}) {
        SCOPED_TRACE(channel);
        EXPECT_GT(ToneLevelDb(wav.Channel(channel), freq, *onset + 0.5, *end - 0.5), -30);
    }
    EXPECT_TRUE(SilentGaps(wav, *onset + 0.05, *end - 0.05).empty()) << "the tone broke off";
}
