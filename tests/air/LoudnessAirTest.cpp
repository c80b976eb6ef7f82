// SPDX-License-Identifier: GPL-3.0-or-later
// Loudness on the air: items mastered 10 LU apart air at the target, and
// the air's true peak stays under the ceiling, measured on what the
// headless station recorded of its own air.
#include "HeadlessLirana.h"
#include "media/Loudness.h"
#include "support/TestMedia.h"
#include "support/WavAnalysis.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// The loudness of [t0, t1) of the recording.
double Lufs(const WavAnalysis::Wav& wav, double t0, double t1)
{
    CLoudnessMeter meter(2, wav.rate);
    std::vector<float> frames;
    for (auto i = std::size_t(t0 * wav.rate); i < std::size_t(t1 * wav.rate) && i < wav.planes[0].size(); ++i)
        frames.insert(frames.end(), {wav.planes[0][i], wav.planes[1][i]});
    meter.Add(frames.data(), frames.size() / 2);
    return meter.Figures().integratedLufs;
}

TEST(Loudness, ItemsTenLuApartAirAtTheTargetUnderTheCeiling)
{
    using TestMedia::Silence;
    using TestMedia::Tone;
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/home"), folder = dir.path() + QStringLiteral("/air");
    // A soft item and one 10 dB louder; then one quiet but for a click near
    // full scale, which the gain lifts over the ceiling: the limiter's.
    const QString soft = TestMedia::ToneWav(dir.path(), QStringLiteral("soft"), 440, 3, -28);
    const QString loud = TestMedia::ToneWav(dir.path(), QStringLiteral("loud"), 880, 3, -18);
    const QString click = TestMedia::WriteMixWav(
        dir.path() + QStringLiteral("/click.wav"),
        {{Tone(1320, 3, -35)}, {Silence(1.5), Tone(3000, 0.005, -3), Silence(1.495)}});
    using namespace HeadlessLirana;
    WriteHive(home, {{"Loudness Target", Dword(quint32(-23))},
                     {"Overlap Time", Dword(0)},
                     {"AirCheck", Flag(true)},
                     {"AirCheck Folder", Text(folder.toUtf8())},
                     {"AirCheck Min Free MB", Dword(0)}});
    QProcess lirana;
    lirana.setProcessEnvironment(Environment(home));
    lirana.setWorkingDirectory(dir.path());
    // The pause gives the scanner its time before the first file plays.
    lirana.start(QStringLiteral(LIRANA_BINARY), PlayArgs({"--output", "none", "3.pause", soft, loud, click}));
    ASSERT_TRUE(lirana.waitForFinished(30000));
    ASSERT_EQ(lirana.exitCode(), 0) << lirana.readAllStandardError().toStdString();

    QDirIterator it(folder, {QStringLiteral("*.flac")}, QDir::Files, QDirIterator::Subdirectories);
    ASSERT_TRUE(it.hasNext());
    const auto wav = WavAnalysis::ReadWav(it.next());
    ASSERT_TRUE(wav);
    const auto segments = WavAnalysis::Segments(*wav, {440, 880}, -60.0, 1.0);
    ASSERT_EQ(segments.size(), 2u) << WavAnalysis::Describe(segments);
    for (const auto& s : segments)
        EXPECT_NEAR(Lufs(*wav, s.start + 0.1, s.end - 0.1), -23.0, 1.0) << s.freq << " Hz";
    std::vector<float> all;
    for (std::size_t i = 0; i < wav->planes[0].size(); ++i)
        all.insert(all.end(), {wav->planes[0][i], wav->planes[1][i]});
    CLoudnessMeter meter(2, wav->rate);
    meter.Add(all.data(), all.size() / 2);
    EXPECT_LE(meter.Figures().truePeakDbtp, -0.9); // -1 dBTP, and the recording's 16 bits
    EXPECT_GT(meter.Figures().truePeakDbtp, -6.0); // the click was lifted, then limited
}

} // namespace
