// The harness on a real sound server: the server is private, remembers
// stream volumes like a desktop's and ends by its pid; what a child process
// plays into the air sink is found on the recording of its monitor at the
// right times and levels, also after the server crashed and came back.
#include "support/AirTest.h"
#include "support/TestMedia.h"
#include "support/WavAnalysis.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <cstdlib>

using namespace WavAnalysis;
using TestMedia::Silence;
using TestMedia::Tone;

TEST_F(AirTest, ServerIsPrivateRemembersStreamVolumesAndStopsByItsPid)
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
    const auto modules = server.Pactl({"list", "short", "modules"});
    ASSERT_TRUE(modules);
    EXPECT_FALSE(modules->contains("tcp")) << modules->toStdString(); // nothing on the network
    EXPECT_TRUE(modules->contains("module-stream-restore")) << modules->toStdString();

    const qint64 pid = server.Pid();
    server.Stop();
    EXPECT_FALSE(server.Running());
    // Gone, or a zombie: nothing reaps orphans here.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    EXPECT_TRUE(!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ")) << "still running";
    EXPECT_EQ(std::getenv("PULSE_SERVER"), nullptr);
}

namespace {
class AirHarnessTest : public AirOnBothServers<AirTest> {};
} // namespace

// Idle air, then a file of two tones with a gap and a 40 dB fade, played by
// gst-launch-1.0 (a child process, as the program is one). The recording
// covers its wall time (no samples lost or doubled, the idle sink needs no
// keep-alive stream), nothing sounds before the player started, and every
// interval and level in the file is found again: to the millisecond on
// PulseAudio, within a few on PipeWire (which resamples to 48 kHz and back).
TEST_P(AirHarnessTest, AKnownSignalIsFoundOnTheAirAfterTheServerCameBack)
{
    const QString socket = server.Socket();
    const qint64 pid = server.Pid();
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

    const QString file = TestMedia::WriteWav(
        dir + "/known.wav", {Silence(0.05), Tone(440, 0.3, -6), Silence(0.25), Tone(880, 0.3, -24),
                             Silence(0.1), TestMedia::Fade(1500, 1.0, -6, -46), Silence(0.2)});
    const qint64 before = AirRecorder::NowNs();
    StartRecording();
    ASSERT_TRUE(recorder.RecordFor(0.3));
    if (server.ServerKind() == AirServer::Kind::PulseAudio) {
        EXPECT_EQ(server.SinkState(), "IDLE");
    }
    const qint64 played = AirRecorder::NowNs();
    QProcess gst;
    gst.setProcessChannelMode(QProcess::MergedChannels);
    gst.start("gst-launch-1.0", {"-q", "playbin", "uri=" + QUrl::fromLocalFile(file).toString()});
    ASSERT_TRUE(gst.waitForFinished(15000));
    EXPECT_EQ(gst.exitCode(), 0) << gst.readAll().toStdString();
    ASSERT_TRUE(recorder.RecordFor(0.1));
    const qint64 after = AirRecorder::NowNs();
    const Wav wav = StopAndRead();

    const double wall = double(after - recorder.FirstSampleNs()) / 1e9;
    // PipeWire delivers whole graph cycles (the most of an item's end it
    // may lose is one): up to two may still be on their way.
    EXPECT_NEAR(wav.Duration(), wall, 0.06 + 2 * server.StreamEndLoss());
    // PipeWire's first delivery may hold a whole cycle from before the
    // recorder connected, which places sample 0 up to a cycle early.
    EXPECT_GE(recorder.FirstSampleNs(), before - qint64(server.StreamEndLoss() * 1e9));
    Report("recording length minus wall time", (wav.Duration() - wall) * 1000);

    const bool pipeWire = server.ServerKind() == AirServer::Kind::PipeWire;
    const double tolerance = pipeWire ? 0.003 : 0.001, levelTolerance = pipeWire ? 0.5 : 0.1;
    const auto segs = Segments(wav, {440, 880, 1500});
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(RmsDb(wav, 0, recorder.ToSeconds(played)), kSilentDb);
    const double latency = segs[0].start - 0.05 - recorder.ToSeconds(played);
    EXPECT_GT(latency, 0.0);
    EXPECT_LT(latency, 2.0);
    Report("child player start to air", latency * 1000);
    struct {
        double freq, offset, length, levelDb; // offset from the first onset
    } const want[] = {{440, 0, 0.3, -6}, {880, 0.55, 0.3, -24}, {1500, 0.95, NAN, -6}};
    for (size_t i = 0; i < segs.size(); ++i) {
        SCOPED_TRACE(want[i].freq);
        EXPECT_EQ(segs[i].freq, want[i].freq);
        EXPECT_NEAR(segs[i].start - segs[0].start, want[i].offset, tolerance);
        if (!std::isnan(want[i].length)) {
            EXPECT_NEAR(segs[i].Length(), want[i].length, tolerance);
            EXPECT_NEAR(segs[i].levelDb, want[i].levelDb, levelTolerance);
        }
    }
    const auto gaps = SilentGaps(wav, segs[0].start, segs[1].start, -60, 0.1);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NEAR(gaps[0].Length(), 0.25, tolerance);
    Report("gap length error", (gaps[0].Length() - 0.25) * 1000);
    const double fade = segs[2].start;
    double worst = 0;
    for (const CurvePoint& p : ToneCurveDb(wav, 1500, fade + 0.02, fade + 0.95)) {
        const double expected = -6 - 40 * (p.time - fade);
        EXPECT_NEAR(p.levelDb, expected, 1.0) << "at " << p.time - fade << " s into the fade";
        worst = std::max(worst, std::abs(p.levelDb - expected));
    }
    Report("fade worst deviation", worst, "dB");
}

LIRANA_ON_BOTH_SERVERS(AirHarnessTest);
