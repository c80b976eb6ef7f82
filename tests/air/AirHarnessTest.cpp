// The harness on a real sound server: what is played into the air sink is
// found on the recording of its monitor, at the right times and levels.
#include "support/AirPlayer.h"
#include "support/AirTest.h"
#include "support/TestMedia.h"
#include "support/WavAnalysis.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <iostream>

using namespace WavAnalysis;
using TestMedia::Silence;
using TestMedia::Tone;

namespace {

const std::vector<double> kFreqs{440, 880, 1500};

class AirHarnessTest : public AirTest {
protected:
    Wav StopAndRead()
    {
        QString error;
        EXPECT_TRUE(recorder.Stop(&error)) << error.toStdString();
        auto wav = ReadWav(recorder.Path(), &error);
        EXPECT_TRUE(wav) << error.toStdString();
        return wav ? *wav : Wav{};
    }

    // Plays a short silence so that the process has loaded the plug-ins
    // before the times that matter.
    void WarmUp()
    {
        AirPlayer p;
        ASSERT_NE(p.Play(TestMedia::WriteWav(dir + "/warm.wav", {Silence(0.05)})), 0);
        ASSERT_TRUE(p.WaitForEnd(5000));
    }

    // Warms up, records while one AirPlayer plays path to its end, and
    // returns the recording (empty after a failure, which is reported).
    Wav PlayOnAir(const QString& path)
    {
        WarmUp();
        StartRecording();
        AirPlayer player;
        QString error;
        if (!player.Play(path, &error) || !player.WaitForEnd(5000, &error) || !recorder.RecordFor(0.1)) {
            ADD_FAILURE() << "playing " << path.toStdString() << " on the air: " << error.toStdString();
            return {};
        }
        return StopAndRead();
    }

    static void Report(const char* what, double value, const char* unit = "ms")
    {
        std::cout << "[ measured ] " << what << ": " << value << ' ' << unit << '\n';
        ::testing::Test::RecordProperty(what, std::to_string(value));
    }
};

bool Alive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0;
}

} // namespace

TEST_F(AirHarnessTest, ServerIsPrivateAndStopsByItsPid)
{
    EXPECT_EQ(server.PidFromFile(), server.Pid());
    EXPECT_TRUE(server.RuntimeDir().startsWith(TestEnv::Root()));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(server.RuntimeDir()).permissions() & others, QFile::Permissions());
    const auto info = server.Pactl({"info"});
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->contains("Default Sink: air\n")) << info->toStdString();
    EXPECT_TRUE(info->contains(server.Socket())) << info->toStdString();
    EXPECT_TRUE(info->contains("44100Hz")) << info->toStdString();
    EXPECT_EQ(QByteArray(std::getenv("PULSE_SERVER")), "unix:" + server.Socket().toUtf8());
    // Nothing listens on the network.
    const auto modules = server.Pactl({"list", "short", "modules"});
    ASSERT_TRUE(modules);
    EXPECT_FALSE(modules->contains("tcp")) << modules->toStdString();
    // Like a stock desktop, it remembers the stream volumes of applications.
    EXPECT_TRUE(modules->contains("module-stream-restore")) << modules->toStdString();

    const qint64 pid = server.Pid();
    server.Stop();
    EXPECT_FALSE(server.Running());
    EXPECT_FALSE(Alive(pid));
    EXPECT_EQ(std::getenv("PULSE_SERVER"), nullptr);
}

TEST_F(AirHarnessTest, IdleAirRecordsContinuousSilence)
{
    EXPECT_NE(server.SinkState(), "SUSPENDED");
    const qint64 before = AirRecorder::NowNs();
    StartRecording();
    ASSERT_TRUE(recorder.RecordFor(0.8));
    // Nothing plays, yet the sink keeps running: no keep-alive stream needed.
    EXPECT_EQ(server.SinkState(), "IDLE");
    const qint64 after = AirRecorder::NowNs();
    const Wav wav = StopAndRead();
    // The file covers the time it was recorded: no samples lost or doubled.
    const double wall = double(after - recorder.FirstSampleNs()) / 1e9;
    EXPECT_NEAR(wav.Duration(), wall, 0.06);
    EXPECT_GE(recorder.FirstSampleNs(), before);
    EXPECT_EQ(RmsDb(wav, 0, wav.Duration()), kSilentDb);
    Report("recording length minus wall time", (wav.Duration() - wall) * 1000);
}

TEST_F(AirHarnessTest, TwoPlayersOneSecondApartAreFoundOnTheAir)
{
    const QString low = TestMedia::ToneWav(dir, "low", 440, 0.5, -12);
    const QString high = TestMedia::ToneWav(dir, "high", 880, 0.5, -12);
    WarmUp();
    StartRecording();
    ASSERT_TRUE(recorder.RecordFor(0.2));
    AirPlayer first, second;
    const qint64 playLow = first.Play(low);
    ASSERT_NE(playLow, 0);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return AirRecorder::NowNs() >= playLow + 1000000000; }, 3000));
    const qint64 playHigh = second.Play(high);
    ASSERT_NE(playHigh, 0);
    ASSERT_TRUE(first.WaitForEnd(5000));
    ASSERT_TRUE(second.WaitForEnd(5000));
    ASSERT_TRUE(recorder.RecordFor(0.2));
    const Wav wav = StopAndRead();

    const auto segs = Segments(wav, kFreqs);
    ASSERT_EQ(segs.size(), 2u);
    const Segment& a = segs[0];
    const Segment& b = segs[1];
    EXPECT_EQ(a.freq, 440);
    EXPECT_EQ(b.freq, 880);
    EXPECT_NEAR(a.Length(), 0.5, 0.020);
    EXPECT_NEAR(b.Length(), 0.5, 0.020);
    EXPECT_NEAR(a.levelDb, -12, 1.0);
    EXPECT_NEAR(b.levelDb, -12, 1.0);
    // The players start with their own latency, which varies with the
    // machine's load; the harness's part is finding each onset.
    EXPECT_NEAR(b.start - a.start, 1.0, 0.25);
    // Between them the air is silent throughout.
    const auto gaps = SilentGaps(wav, a.end + 0.001, b.start - 0.001, -60);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NEAR(gaps[0].Length(), b.start - a.end - 0.002, 0.001);

    const double latencyLow = a.start - recorder.ToSeconds(playLow);
    const double latencyHigh = b.start - recorder.ToSeconds(playHigh);
    EXPECT_GT(latencyLow, 0.0);
    EXPECT_LT(latencyLow, 0.5);
    EXPECT_GT(latencyHigh, 0.0);
    EXPECT_LT(latencyHigh, 0.5);
    Report("440 Hz length error", (a.Length() - 0.5) * 1000);
    Report("880 Hz length error", (b.Length() - 0.5) * 1000);
    Report("440 Hz level error", a.levelDb + 12, "dB");
    Report("onset distance minus 1 s", (b.start - a.start - 1.0) * 1000);
    Report("start latency 440", latencyLow * 1000);
    Report("start latency 880", latencyHigh * 1000);
}

TEST_F(AirHarnessTest, OneFileReachesTheAirExactToTheSample)
{
    const QString path = TestMedia::WriteWav(
        dir + "/seq.wav",
        {Silence(0.05), Tone(440, 0.3, -6), Silence(0.25), Tone(880, 0.3, -24), Silence(0.05)});
    const Wav wav = PlayOnAir(path);

    const auto segs = Segments(wav, kFreqs);
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_NEAR(segs[0].Length(), 0.3, 0.001);
    EXPECT_NEAR(segs[1].start - segs[0].start, 0.55, 0.001);
    EXPECT_NEAR(segs[1].Length(), 0.3, 0.001);
    EXPECT_NEAR(segs[0].levelDb, -6, 0.1);
    EXPECT_NEAR(segs[1].levelDb, -24, 0.1);
    const auto gaps = SilentGaps(wav, segs[0].start, segs[1].start, -60, 0.1);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NEAR(gaps[0].Length(), 0.25, 0.0005);
    Report("sequence onset distance error", (segs[1].start - segs[0].start - 0.55) * 1000);
    Report("sequence gap length error", (gaps[0].Length() - 0.25) * 1000);
}

TEST_F(AirHarnessTest, FadesAreMeasuredAsRamped)
{
    // A fade inside the file: 40 dB in 1.5 s.
    const QString fadeFile =
        TestMedia::WriteWav(dir + "/fade.wav", {TestMedia::Fade(440, 1.5, -6, -46)});
    // A fade made live with the stream volume: 0 to -20 dB in 20 steps.
    const QString steady = TestMedia::ToneWav(dir, "steady", 1000, 1.6, -12);
    WarmUp();
    StartRecording();
    AirPlayer player;
    ASSERT_NE(player.Play(fadeFile), 0);
    ASSERT_TRUE(player.WaitForEnd(5000));

    const qint64 played = player.Play(steady);
    ASSERT_NE(played, 0);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return AirRecorder::NowNs() >= played + 300000000; }, 3000));
    const qint64 rampStart = AirRecorder::NowNs();
    const qint64 stepNs = 40000000;
    for (int step = 1; step <= 20; ++step) {
        TestEnv::WaitUntil([&] { return AirRecorder::NowNs() >= rampStart + (step - 1) * stepNs; }, 1000);
        player.SetVolume(std::pow(10.0, -1.0 * step / 20));
    }
    ASSERT_TRUE(player.WaitForEnd(5000));
    ASSERT_TRUE(recorder.RecordFor(0.1));
    const Wav wav = StopAndRead();

    const auto onset = ToneOnset(wav, 440);
    ASSERT_TRUE(onset);
    double worst = 0;
    for (const CurvePoint& p : ToneCurveDb(wav, 440, *onset + 0.02, *onset + 1.45)) {
        const double expected = -6 - 40 * (p.time - *onset) / 1.5;
        EXPECT_NEAR(p.levelDb, expected, 1.0) << "at " << p.time - *onset << " s into the fade";
        worst = std::max(worst, std::abs(p.levelDb - expected));
    }
    Report("file fade worst deviation", worst, "dB");

    const auto start = ToneOnset(wav, 1000);
    ASSERT_TRUE(start);
    EXPECT_NEAR(ToneLevelDb(wav, 1000, *start + 0.05, *start + 0.25), -12, 0.5);
    const auto end = ToneEnd(wav, 1000, *start + 0.1);
    ASSERT_TRUE(end);
    EXPECT_NEAR(ToneLevelDb(wav, 1000, *end - 0.25, *end - 0.05), -32, 0.5);
    // The level falls through the ramp and never rises; -22 dB (step 10)
    // is reached soon after that step was set.
    const auto curve = ToneCurveDb(wav, 1000, *start + 0.05, *end - 0.05, 0.02, 0.01);
    double midpoint = -1;
    for (size_t i = 1; i < curve.size(); ++i) {
        EXPECT_LE(curve[i].levelDb, curve[i - 1].levelDb + 0.3) << "at " << curve[i].time;
        if (midpoint < 0 && curve[i].levelDb <= -21.5)
            midpoint = curve[i].time;
    }
    ASSERT_GT(midpoint, 0);
    const double delay = midpoint - recorder.ToSeconds(rampStart + 9 * stepNs);
    EXPECT_GT(delay, -0.02);
    EXPECT_LT(delay, 0.3);
    Report("stream volume step to air", delay * 1000);
}

TEST_F(AirHarnessTest, ChildProcessesPlayIntoTheAir)
{
    QString error;
    const QString mp3 = TestMedia::Encode(TestMedia::ToneWav(dir, "child", 1500, 0.4, -12),
                                          TestMedia::Format::Mp3, &error);
    ASSERT_FALSE(mp3.isEmpty()) << error.toStdString();
    StartRecording();
    QProcess gst;
    gst.setProcessChannelMode(QProcess::MergedChannels);
    gst.start("gst-launch-1.0", {"-q", "playbin", "uri=" + QUrl::fromLocalFile(mp3).toString()});
    ASSERT_TRUE(gst.waitForFinished(15000));
    EXPECT_EQ(gst.exitCode(), 0) << gst.readAll().toStdString();
    ASSERT_TRUE(recorder.RecordFor(0.1));
    const Wav wav = StopAndRead();
    const auto segs = Segments(wav, kFreqs);
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0].freq, 1500);
    EXPECT_GE(segs[0].Length(), 0.4 - 0.002);
    EXPECT_LE(segs[0].Length(), 0.4 + 0.06); // MP3 padding
    EXPECT_NEAR(segs[0].levelDb, -12, 1.0);
}

namespace {
class AirHarnessOnBothServers : public AirOnBothServers<AirHarnessTest> {};
} // namespace

// After a crash (SIGKILL) the server comes back on the same socket, and the
// air records a tone at its length and level (PipeWire resamples the
// 44.1 kHz stream to its 48 kHz graph and back).
TEST_P(AirHarnessOnBothServers, RestartsOnTheSameSocketAndRecordsTheAir)
{
    const QString socket = server.Socket();
    const qint64 pid = server.Pid();
    ASSERT_GT(pid, 0);
    server.Kill();
    EXPECT_FALSE(server.Pactl({"info"}));
    QString error;
    ASSERT_TRUE(server.Restart(&error)) << error.toStdString();
    EXPECT_EQ(server.Socket(), socket);
    EXPECT_NE(server.Pid(), pid);
    const auto info = server.Pactl({"info"});
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->contains("Default Sink: air\n")) << info->toStdString();
    // PipeWire's monitor is taken before the sink volume: it must be unity.
    const auto volume = server.Pactl({"get-sink-volume", "air"});
    ASSERT_TRUE(volume);
    EXPECT_TRUE(volume->contains(" 100% ")) << volume->toStdString();

    const QString tone = TestMedia::ToneWav(dir, "tone", 880, 0.5, -12);
    const Wav wav = PlayOnAir(tone);
    const auto segs = Segments(wav, kFreqs);
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_EQ(segs[0].freq, 880);
    EXPECT_GE(segs[0].Length(), 0.5 - 0.003 - server.StreamEndLoss());
    EXPECT_LE(segs[0].Length(), 0.5 + 0.003);
    EXPECT_NEAR(segs[0].levelDb, -12, 0.5);
    Report("tone length error after a restart", (segs[0].Length() - 0.5) * 1000);
}

LIRANA_ON_BOTH_SERVERS(AirHarnessOnBothServers);
