// SPDX-License-Identifier: GPL-3.0-or-later
// The mixer on a real ALSA mixer: the test server's "pulse" control device,
// whose "Master" line is the air sink's own mute and volume, on PulseAudio
// and on PipeWire. A tone plays into the sink throughout; what the recording
// hears is what the line let through, and the line's mute and volume are
// read back through the ALSA mixer after each live item. Never any other
// device: the machine's cards are not touched.
#include "PlayoutAir.h"
#include "media/Mixer.h"
#include "media/TrackFactory.h"
#include "platform/registry/RegistryKey.h"
#include "support/Fakes.h"

namespace {

class MixerAirTest : public AirOnBothServers<PlayoutAirTest>
{
protected:
    MixerAirTest() { CMixer::SetOpener({}); } // ALSA, but only the test server's device
    ~MixerAirTest() override { TestEnv::UseNoMixer(); }
    // A tone into `sink`, with a second of it buffered in the server.
    static void PlayTone(QProcess& tone, int freq, const QString& sink = {})
    {
        tone.start("gst-launch-1.0",
                   QStringList{"-q", "audiotestsrc", "freq=" + QString::number(freq), "volume=0.25", "!",
                               "audioconvert", "!", "pulsesink", "buffer-time=1000000"}
                       << (sink.isEmpty() ? QStringList() : QStringList{"device=" + sink}));
        ASSERT_TRUE(tone.waitForStarted());
    }
    TempHive hive;
};

TEST_P(MixerAirTest, ALiveItemSoundsFromOpenToCloseAndLeavesItsLineAsItFoundIt)
{
    unsigned pulse = 0;
    while (pulse < 64 && AlsaMixerDeviceName(pulse) != QLatin1String("pulse"))
        ++pulse;
    CMixer mixer;
    mixer.Open(pulse);
    EXPECT_EQ(mixer.GetSource(0, 0).name + u',' + mixer.GetSource(1, 0).name,
              QStringLiteral("Master,Capture"));
    const unsigned master = mixer.GetSource(0, 0).lineId;
    const CMixerControl mute = mixer.GetLineControlByType(master, MixerControlType::Mute);
    const CMixerControl volume = mixer.GetLineControlByType(master, MixerControlType::Volume);
    // The line's mute and volume, read back through the ALSA mixer.
    const auto now = [&] { return std::pair(mixer.GetControlValue(mute), mixer.GetControlValue(volume)); };
    mixer.SetControlValue(volume, 45000);
    mixer.SetControlValue(mute, 1);
    EXPECT_EQ(server.Pactl({"get-sink-mute", "air"}).value_or("").trimmed(), "Mute: yes");

    // A tone into the muted sink; a two-second live item un-mutes it. A
    // second of the tone buffered in the server: a starved tone player is not
    // taken for a muted line.
    QProcess tone;
    ASSERT_NO_FATAL_FAILURE(PlayTone(tone, 440));
    CRegistryKey settings = CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"));
    settings.SetNumber(QStringLiteral("LineInMixer"), std::int32_t(pulse));
    settings.SetNumber(QStringLiteral("LineInLine"), std::int32_t(master));
    StartRecording();
    ASSERT_TRUE(recorder.RecordFor(0.8)); // the tone is playing, but not heard
    // Each step's time is known between two stamps, however loaded the machine.
    QObject owner;
    auto track = CreateTrack(QStringLiteral("2.live"));
    const qint64 opening = AirRecorder::NowNs();
    track->Open(QStringLiteral("2.live"), &owner);
    const qint64 opened = AirRecorder::NowNs();
    track->Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track->GetPosition() >= track->GetLength(); }, 5000));
    track->Close();
    const qint64 closed = AirRecorder::NowNs();
    EXPECT_EQ(now(), std::pair(1u, 45000u));
    ASSERT_TRUE(recorder.RecordFor(0.8));
    const auto wav = StopAndRead();
    const auto heard = Segments(wav, {440});
    ASSERT_FALSE(heard.empty());
    EXPECT_GT(heard.front().start, recorder.ToSeconds(opening) - 0.05) << "heard before the item";
    double live = 0;
    for (const auto& segment : heard)
        live += segment.Length();
    EXPECT_GT(live, 1.7) << "of the item's 2 s, from " << recorder.ToSeconds(opened);
    EXPECT_FALSE(FirstSound(wav, recorder.ToSeconds(closed) + 0.3)) << "heard after the item";

    // The program killed in the middle of a live item: its next start (a
    // pause alone) gives the line back, with one line, and forgets it.
    WriteHive(home, {{"LineInMixer", Dword(pulse)}, {"LineInLine", Dword(master)}});
    const auto runOf = [&](const char* item) {
        const auto p = Launch({QString::fromLatin1(item)});
        return p ? Finish(*p, 15000) : RunResult{};
    };
    const auto killed = Launch({QStringLiteral("9.live")});
    ASSERT_TRUE(killed);
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return now().first == 0; }, 10000)) << "the line was never un-muted";
    killed->kill();
    killed->waitForFinished();
    RunResult run = runOf("1.pause");
    EXPECT_TRUE(run.err.contains(u"set back") && !run.err.contains(u'\n')) << run.err.toStdString();
    EXPECT_EQ(now(), std::pair(1u, 45000u));
    EXPECT_FALSE(QFile::exists(home + QStringLiteral("/state/Oxbelund/Lirana/mixer-state.json")));

    // The same item from the headless program's command line, on the line
    // found audible at another level: it ends without an error line and
    // leaves the line audible at that level.
    mixer.SetControlValue(volume, 30000);
    mixer.SetControlValue(mute, 0);
    run = runOf("1.live");
    EXPECT_EQ(run.exitCode, 0) << Lines(run);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_EQ(run.lines.filter(QRegularExpression(QStringLiteral("^start\\t"))).size(), 1) << Lines(run);
    EXPECT_EQ(now(), std::pair(0u, 30000u));
    tone.kill();
    tone.waitForFinished();
}

// Where the card has no loopback, a live item takes its capture source (here
// the monitor of a second sink, a tone playing into it with a second held in
// the server) onto the air for its seconds and no longer, and leaves the
// mixer alone; the headless program plays it without an error line. It
// follows a pause, as on a station, so it is opened ahead and its capture
// has come up by its turn, 2 s later (the pause's end less the overlap; a
// capture stream may take a second to bring its first sound under load):
// it is on the air live from its first frame to its last, on time.
TEST_P(MixerAirTest, ALiveItemWithACaptureSourceCarriesItForItsLength)
{
    ASSERT_TRUE(server.Pactl({"load-module", "module-null-sink", "sink_name=studio"}));
    QProcess tone;
    ASSERT_NO_FATAL_FAILURE(PlayTone(tone, 660, "studio"));
    WriteHive(home, {{"LineInSource", Text("pulsesrc device=studio.monitor")}});
    const auto [run, wav] = PlayRecorded({QStringLiteral("6.pause"), QStringLiteral("2.live")});
    tone.kill();
    tone.waitForFinished();
    EXPECT_TRUE(run.exitCode == 0 && run.err.isEmpty()) << Lines(run) << run.err.toStdString();
    const auto segments = Segments(wav, {660});
    const double live = segments.size() == 1 ? segments[0].Length() : 0;
    Report("of the live item's 2 s on the air", live, "s");
    EXPECT_TRUE(live > 1.9 && live < 2.05) << Describe(segments) << ": the item's 2 s whole";
}

} // namespace

LIRANA_ON_BOTH_SERVERS(MixerAirTest);
