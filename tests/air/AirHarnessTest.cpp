// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement is right: a file whose every sample is known is measured
// back to the millisecond and the tenth of a dB, on its own and as a child
// process plays it into a server that crashed and came back.
#include "support/AirTest.h"
#include "support/TestMedia.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

using namespace WavAnalysis;
using namespace TestMedia;

namespace {

// The known file: two tones with a gap, a 40 dB fade of 1500 Hz from 1.0 s
// for 1 s, and a quiet tone that starts and ends under the fade.
constexpr struct
{
    double freq, start, end, levelDb;
} kTones[] = {{440, 0.05, 0.35, -6}, {880, 0.6, 0.9, -24}, {2500, 1.2, 1.6, -30}};
constexpr double kFade = 1.0;

QString WriteKnown(const QString& dir)
{
    return WriteMixWav(dir + "/known.wav",
                       {{Silence(0.05), Tone(440, 0.3, -6), Silence(0.25), Tone(880, 0.3, -24), Silence(0.1),
                         Fade(1500, 1.0, -6, -46), Silence(0.2)},
                        {Silence(1.2), Tone(2500, 0.4, -30)}});
}

// Every stretch of the known file `shift` seconds later (the air's latency).
void ExpectKnown(const Wav& wav, double shift, double tolerance, double levelTolerance)
{
    const auto segs = Segments(wav, {440, 880, 1500});
    ASSERT_EQ(segs.size(), 3u);
    for (size_t i = 0; i < std::size(kTones); ++i) {
        const auto& t = kTones[i];
        SCOPED_TRACE(t.freq);
        EXPECT_NEAR(ToneOnset(wav, t.freq).value_or(-1) - shift, t.start, tolerance);
        EXPECT_NEAR(ToneEnd(wav, t.freq, shift + t.start + 0.1).value_or(-1) - shift, t.end, tolerance);
        EXPECT_NEAR(ToneLevelDb(wav, t.freq, shift + t.start + 0.05, shift + t.end - 0.05), t.levelDb,
                    levelTolerance);
        EXPECT_FALSE(ToneOnset(wav, t.freq, shift + t.end + 0.01)) << "sounds again after its end";
        if (i < 2) {
            EXPECT_EQ(segs[i].freq, t.freq);
            EXPECT_NEAR(segs[i].start - shift, t.start, tolerance);
            EXPECT_NEAR(segs[i].end - shift, t.end, tolerance);
            EXPECT_NEAR(segs[i].levelDb, t.levelDb, levelTolerance);
        }
    }
    EXPECT_NEAR(segs[2].start - shift, kFade, tolerance);
    const auto gaps = SilentGaps(wav, shift + 0.1, shift + 0.9, -60, 0.01);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NEAR(gaps[0].start - shift, 0.35, tolerance);
    EXPECT_NEAR(gaps[0].Length(), 0.25, tolerance);
    for (const CurvePoint& p : ToneCurveDb(wav, 1500, shift + kFade + 0.02, shift + kFade + 0.95))
        EXPECT_NEAR(p.levelDb, -6 - 40 * (p.time - shift - kFade), 1.0) << "at " << p.time - shift << " s";
}

} // namespace

TEST(WavAnalysisTest, AKnownFileIsMeasuredToTheMillisecond)
{
    QString error;
    const auto wav = ReadWav(WriteKnown(TestEnv::MakeTempDir()), &error);
    ASSERT_TRUE(wav) << error.toStdString();
    EXPECT_EQ(wav->Frames(), 97020); // 2.2 s
    ExpectKnown(*wav, 0, 0.001, 0.2);
    EXPECT_NEAR(FirstSound(*wav).value_or(-1), 0.05 + 1.0 / 44100, 1.0 / 44100); // a sine starts at 0
    EXPECT_FALSE(ReadWav(TestEnv::WriteFile(TestEnv::MakeTempDir() + "/text.wav", "no audio\n"), &error));

    // Two holes of one graph cycle 15 ms apart (a loaded PipeWire drops
    // them) splatter a tone into its neighbour's for some 25 ms: the short
    // hold reads a start there, a hold of 200 ms does not.
    Wav holed{48000, {}, {}};
    for (int n = 0; n < 48000; ++n) {
        const bool hole = (n >= 24000 && n < 24257) || (n >= 24720 && n < 24977);
        holed.mono.push_back(hole ? 0.0f : 0.25f * float(std::sin(2 * M_PI * 1200 * n / 48000)));
    }
    EXPECT_NEAR(ToneOnset(holed, 1600).value_or(-1), 0.5, 0.01);
    EXPECT_FALSE(ToneOnset(holed, 1600, 0, -40, 0.2));
    EXPECT_NEAR(ToneOnset(holed, 1200, 0, -40, 0.2).value_or(-1), 0, 0.002);
}

using AirHarnessTest = AirOnBothServers<AirTest>;

TEST_P(AirHarnessTest, AKnownFileIsFoundOnTheAirOfAServerThatCameBack)
{
    const qint64 pid = server.Pid();
    server.Kill();
    EXPECT_FALSE(server.Pactl({"info"}));
    QString error;
    ASSERT_TRUE(server.Restart(&error)) << error.toStdString();
    EXPECT_NE(server.Pid(), pid);
    EXPECT_TRUE(server.Pactl({"info"}).value_or("").contains("Default Sink: air\n"));
    // PipeWire's monitor is taken before the sink volume: it must be unity.
    EXPECT_TRUE(server.Pactl({"get-sink-volume", "air"}).value_or("").contains(" 100% "));

    const QString file = WriteKnown(dir);
    const qint64 before = AirRecorder::NowNs();
    StartRecording();
    ASSERT_TRUE(recorder.RecordFor(0.3)); // idle air records on, without a keep-alive stream
    const qint64 played = AirRecorder::NowNs();
    QProcess gst;
    gst.setProcessChannelMode(QProcess::MergedChannels);
    gst.start("gst-launch-1.0", {"-q", "playbin", "uri=" + QUrl::fromLocalFile(file).toString()});
    ASSERT_TRUE(gst.waitForFinished(15000));
    EXPECT_EQ(gst.exitCode(), 0) << gst.readAll().toStdString();
    ASSERT_TRUE(recorder.RecordFor(0.1));
    const qint64 after = AirRecorder::NowNs();
    const Wav wav = StopAndRead();

    // No samples lost or doubled. PipeWire delivers whole graph cycles: the
    // first may be from before the recorder connected, two may be on the way.
    const double wall = double(after - recorder.FirstSampleNs()) / 1e9;
    EXPECT_NEAR(wav.Duration(), wall, 0.06 + 2 * server.StreamEndLoss());
    // The monitor may hand over its first fragments (10 ms each) from just
    // before the recorder connected (seen 3 ms early under the sanitizers).
    EXPECT_GE(recorder.FirstSampleNs(), before - qint64((server.StreamEndLoss() + 0.025) * 1e9));
    EXPECT_GE(FirstSound(wav, 0, kSilentDb).value_or(-1), recorder.ToSeconds(played));
    const double shift = ToneOnset(wav, 440).value_or(-1) - 0.05;
    EXPECT_GT(shift, recorder.ToSeconds(played));
    EXPECT_LT(shift, recorder.ToSeconds(played) + 2.0);
    Report("child player start to air", (shift - recorder.ToSeconds(played)) * 1000);
    // PipeWire resamples to 48 kHz and back.
    const bool pipeWire = server.ServerKind() == AirServer::Kind::PipeWire;
    ExpectKnown(wav, shift, pipeWire ? 0.003 : 0.001, pipeWire ? 0.5 : 0.1);

    // Private (below the test's root, closed to group and others, nothing on
    // the network), and stopped by its pid: gone, or a zombie (nothing reaps
    // orphans here), with the environment as it was.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    EXPECT_TRUE(runtime.startsWith(TestEnv::Root()));
    EXPECT_EQ(QFileInfo(runtime).permissions() & QFile::Permissions(0x0077), QFile::Permissions());
    EXPECT_FALSE(server.Pactl({"list", "short", "modules"}).value_or("tcp").contains("tcp"));
    QFile stat(QStringLiteral("/proc/%1/stat").arg(server.Pid()));
    server.Stop();
    EXPECT_TRUE(!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ")) << "still running";
    EXPECT_NE(qEnvironmentVariable("XDG_RUNTIME_DIR"), runtime);
}

LIRANA_ON_BOTH_SERVERS(AirHarnessTest);
