// The mixer on a real ALSA mixer: the test server's "pulse" control device,
// whose "Master" line is the air sink's own mute and volume. A tone plays
// into the sink throughout; what the recording hears is what the line let
// through. Never any other device: the machine's cards are not touched.
#include "media/Mixer.h"
#include "media/TrackFactory.h"
#include "platform/registry/RegistryKey.h"
#include "support/AirTest.h"
#include "support/Fakes.h"
#include "support/WavAnalysis.h"

#include <QProcess>
#include <QThread>

namespace {

class MixerAirTest : public AirTest
{
protected:
    static std::optional<unsigned> PulseIndex()
    {
        for (unsigned i = 0; i < 64; ++i)
            if (AlsaMixerDeviceName(i) == QLatin1String("pulse"))
                return i;
        return std::nullopt;
    }
    std::optional<QString> SinkMute() const { return server.Pactl({"get-sink-mute", "air"}); }

    TempHive hive;
};

TEST_F(MixerAirTest, ALiveItemSoundsFromOpenToCloseAndLeavesItsLineMuted)
{
    const std::optional<unsigned> pulse = PulseIndex();
    ASSERT_TRUE(pulse) << "no ALSA device index names the sound server";
    CMixer mixer;
    mixer.Open(*pulse);
    QStringList lines;
    for (unsigned d = 0; d < mixer.Destinations(); ++d)
        for (unsigned s = 0; s < mixer.GetDestination(d).connections; ++s)
            lines << mixer.GetDestination(d).name + u'/' + mixer.GetSource(d, s).name;
    EXPECT_EQ(lines.join(u','), QStringLiteral("Playback/Master,Capture/Capture"));
    const unsigned master = MixerLineId(0, QStringLiteral("Master"), 0);
    const CMixerControl mute = mixer.GetLineControlByType(master, MixerControlType::Mute);
    for (const unsigned value : {0u, 1u}) {
        mixer.SetControlValue(mute, value);
        EXPECT_EQ(mixer.GetControlValue(mute), value);
        EXPECT_EQ(SinkMute().value_or(QString()).trimmed(),
                  value ? QStringLiteral("Mute: yes") : QStringLiteral("Mute: no"));
    }
    mixer.Close();

    // A tone into the muted sink; a two-second live item on its line.
    QProcess tone;
    tone.start(QStringLiteral("gst-launch-1.0"), {"-q", "audiotestsrc", "freq=440", "volume=0.25",
                                                  "is-live=true", "!", "audioconvert", "!", "pulsesink"});
    ASSERT_TRUE(tone.waitForStarted());
    CRegistryKey settings = CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"));
    settings.SetNumber(QStringLiteral("LineInMixer"), static_cast<std::int32_t>(*pulse));
    settings.SetNumber(QStringLiteral("LineInLine"), static_cast<std::int32_t>(master));
    settings.Flush();
    StartRecording();
    QThread::msleep(800); // the tone is playing, but not heard
    const qint64 opened = AirRecorder::NowNs();
    QObject owner;
    auto track = CreateTrack(QStringLiteral("2.live"));
    track->Open(QStringLiteral("2.live"), &owner);
    track->Play();
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return track->GetPosition() >= track->GetLength(); }, 5000));
    track->Close();
    const qint64 closed = AirRecorder::NowNs();
    EXPECT_EQ(SinkMute().value_or(QString()).trimmed(), QStringLiteral("Mute: yes"));
    ASSERT_TRUE(recorder.RecordFor(0.8));
    tone.kill();
    tone.waitForFinished();
    const auto wav = StopAndRead();
    const auto segments = WavAnalysis::Segments(wav, {440});
    ASSERT_EQ(segments.size(), 1u) << "heard only while live";
    Report("live start after Open", (segments[0].start - recorder.ToSeconds(opened)) * 1000);
    Report("live end after Close", (segments[0].end - recorder.ToSeconds(closed)) * 1000);
    EXPECT_NEAR(segments[0].start, recorder.ToSeconds(opened), 0.3);
    EXPECT_NEAR(segments[0].end, recorder.ToSeconds(closed), 0.3);
    EXPECT_FALSE(WavAnalysis::FirstSound(wav, segments[0].end + 0.3)) << "muted after the item";
}

} // namespace
