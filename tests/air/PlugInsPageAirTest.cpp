// SPDX-License-Identifier: GPL-3.0-or-later
// The Plug-ins page on the air of both servers: a setting changed in the
// property editor while an item plays is heard at once, on both channels of
// a plug-in that runs once per channel, and the item plays on. "At once" is
// as soon as the audio already past the plug-ins has played: playbin keeps
// up to a second of it in the queue after its audio-filter ("aqueue"), so a
// change is heard some 1.1 s after it is made.
#include "gui/dialogs/PlugInsPage.h"
#include "media/DirectShowTrack.h"
#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"
#include "support/AirTest.h"
#include "support/TestMedia.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

using namespace WavAnalysis;

namespace {

using PlugInsPageAirTest = AirOnBothServers<AirTest>;

TEST_P(PlugInsPageAirTest, AGainSetWhileTheItemPlaysIsHeardAtOnceOnBothChannels)
{
    CTrackEnvironment::Chain().filters = {CPlugInFilter(QStringLiteral("Simple amplifier"),
                                                        QStringLiteral("ladspa-amp-1181-so-amp"),
                                                        "state, amps-gain=(string)0;")};
    QObject owner;
    CDirectShowTrack onAir;
    ASSERT_NO_THROW(onAir.Open(TestMedia::ToneWav(dir, QStringLiteral("item"), 1000, 12.0, -12), &owner));
    StartRecording();
    onAir.Play();
    recorder.RecordFor(2.5);
    CPlugInsPage page(CTrackEnvironment::Chain(), CPlugInsPage::PipelineOf(&onAir),
                      CTrackEnvironment::AirChain());
    CTrackEnvironment::Reset(); // the track and the page hold what they need
    qint64 changed = 0;
    QTimer::singleShot(0, [&] {
        QWidget* editor = QApplication::activeModalWidget();
        auto* gain = editor ? editor->findChild<QLineEdit*>(QStringLiteral("prop-amps-gain")) : nullptr;
        ASSERT_TRUE(gain);
        gain->setText(QStringLiteral("-20"));
        emit gain->editingFinished();
        changed = AirRecorder::NowNs();
        editor->close();
    });
    page.Properties();
    recorder.RecordFor(3.5);
    EXPECT_TRUE(onAir.IsPlaying());
    onAir.Close();
    const Wav wav = StopAndRead();

    const double t = recorder.ToSeconds(changed);
    ASSERT_LT(ToneOnset(wav, 1000).value_or(t), t - 1.0) << "the item was on air before the change";
    for (const int channel : {0, 1}) {
        SCOPED_TRACE(channel);
        const double before = ToneLevelDb(wav.Channel(channel), 1000, t - 0.9, t - 0.1);
        EXPECT_NEAR(before, -12, 1.0);
        double down = t + 9; // the first moment 10 dB down
        for (const CurvePoint& p : ToneCurveDb(wav.Channel(channel), 1000, t - 0.1, t + 2.5))
            down = std::min(down, p.levelDb < before - 10 ? p.time : down);
        // Heard once what the item decoded ahead has played: the player's
        // queue after the plug-ins (a second) and the air input's ring.
        EXPECT_LT(down - t, 2.0) << "decoded ahead: the queue and the air input";
        EXPECT_NEAR(before - ToneLevelDb(wav.Channel(channel), 1000, t + 2.1, t + 3.3), 20, 3.0)
            << "still on air, 20 dB down";
    }
}

// The air chain works on the sum in the bus's output: an amplifier at
// -20 dB added at OK turns the item on air down on both channels, after a
// short gap while the output is made again.
TEST_P(PlugInsPageAirTest, AnAirChainAddedAtOkTurnsTheAirDownAfterAShortGap)
{
    QObject owner;
    CDirectShowTrack onAir;
    ASSERT_NO_THROW(onAir.Open(TestMedia::ToneWav(dir, QStringLiteral("item"), 1000, 8.0, -12), &owner));
    StartRecording();
    onAir.Play();
    recorder.RecordFor(2.5);
    CTrackEnvironment::AirChain().filters = {CPlugInFilter(QStringLiteral("Simple amplifier"),
                                                           QStringLiteral("ladspa-amp-1181-so-amp"),
                                                           "state, amps-gain=(string)-20;")};
    const qint64 changed = AirRecorder::NowNs();
    CTrackEnvironment::AirChainChanged(true);
    recorder.RecordFor(3.0);
    EXPECT_TRUE(onAir.IsPlaying());
    onAir.Close();
    CTrackEnvironment::ReleaseAirBus();
    CTrackEnvironment::Reset();
    const Wav wav = StopAndRead();

    const double t = recorder.ToSeconds(changed);
    // The gap while the output is made again: the longest near the change
    // (a loaded machine's own dropouts may fall there too).
    double gap = 0;
    for (const Gap& g : SilentGaps(wav, t - 0.3, t + 0.7))
        gap = std::max(gap, g.Length());
    Report("gap on the air while the output is made again", gap * 1000);
    EXPECT_LT(gap, 0.3);
    for (const int channel : {0, 1}) {
        const double before = ToneLevelDb(wav.Channel(channel), 1000, t - 1.0, t - 0.2);
        EXPECT_NEAR(before - ToneLevelDb(wav.Channel(channel), 1000, t + 1.5, t + 2.8), 20, 1.5) << channel;
    }
}

} // namespace

LIRANA_ON_BOTH_SERVERS(PlugInsPageAirTest);
