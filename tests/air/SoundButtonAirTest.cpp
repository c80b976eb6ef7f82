// SPDX-License-Identifier: GPL-3.0-or-later
// Sound windows on the air of both servers: a jingle fired while an item
// plays sounds over it and the item keeps its own level; two presses of the
// same button overlap; "Fade out" takes a jingle to silence in 3 s.
#include "gui/dialogs/SoundPlayerDlg.h"
#include "media/DirectShowTrack.h"
#include "support/AirTest.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>

using namespace WavAnalysis;

namespace {

using SoundButtonAirTest = AirOnBothServers<AirTest>;

// The last time from t0 on where the level of freq is at least db: a fade
// passes it once, and a dropout of the server under load (a dip, never a
// rise) does not move it.
double LastAbove(const Wav& wav, double freq, double t0, double db)
{
    double last = -1;
    for (const CurvePoint& p : ToneCurveDb(wav, freq, t0, wav.Duration()))
        if (p.levelDb >= db)
            last = p.time;
    return last;
}

TEST_P(SoundButtonAirTest, JinglesMixOverTheItemWhichKeepsItsLevel)
{
    const QString item = TestMedia::ToneWav(dir, QStringLiteral("item"), 500, 7.0, -12);
    const QString jingle = TestMedia::ToneWav(dir, QStringLiteral("jingle"), 1500, 1.0, -12);
    const QString bed = TestMedia::ToneWav(dir, QStringLiteral("bed"), 2500, 8.0, -12);
    QObject owner;
    CDirectShowTrack onAir;
    ASSERT_NO_THROW(onAir.Open(item, &owner));
    StartRecording();
    onAir.Play();
    recorder.RecordFor(0.5);
    QElapsedTimer pressed;
    new CSoundPlayerDlg(jingle, nullptr);
    pressed.start();
    recorder.RecordFor(0.3);
    new CSoundPlayerDlg(jingle, nullptr); // the same button again
    const double apart = pressed.elapsed() / 1000.0;
    recorder.RecordFor(0.2);
    EXPECT_EQ(PlayingInputs().size(), 1u) << "the item and both jingles, on the one air";
    recorder.RecordFor(1.2);
    QPointer<CSoundPlayerDlg> fading = new CSoundPlayerDlg(bed, nullptr);
    recorder.RecordFor(0.5);
    fading->FadeButton()->click();
    recorder.RecordFor(3.6);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(fading) << "a faded window closes";
    onAir.Close();
    const Wav wav = StopAndRead();

    const double start = ToneOnset(wav, 500).value_or(-1);
    const double jingleOn = ToneOnset(wav, 1500).value_or(-1);
    ASSERT_GE(start, 0);
    ASSERT_GT(jingleOn, start);
    // Two plays: the first alone, then both (the sum of two copies of the
    // tone, at any level), then the second alone to its end. Where the
    // second ends is measured: each new stream of the server starts at its
    // own cycle, so the two come a little more or less than the presses'
    // distance apart (on PipeWire under load up to 100 ms more).
    const double jingleOff = ToneEnd(wav, 1500, jingleOn + 1.1).value_or(-1);
    Report("second jingle's end after the press distance", (jingleOff - jingleOn - apart - 1.0) * 1000);
    EXPECT_NEAR(jingleOff - jingleOn, apart + 1.0, 0.15) << "the second jingle, whole, after the press";
    EXPECT_NEAR(ToneLevelDb(wav, 1500, jingleOn + 0.05, jingleOn + apart - 0.05), -12, 1.0);
    EXPECT_NEAR(ToneLevelDb(wav, 1500, jingleOn + 1.05, jingleOff - 0.05), -12, 1.0);
    EXPECT_LT(ToneLevelDb(wav, 1500, jingleOff + 0.06, jingleOff + 0.3), -60);

    // The bed fades 40 dB in 3 s (20 dB in 1.5 s), then stops.
    const double bedOn = ToneOnset(wav, 2500).value_or(-1);
    ASSERT_GT(bedOn, jingleOff);
    EXPECT_NEAR(ToneLevelDb(wav, 2500, bedOn + 0.05, bedOn + 0.35), -12, 1.0);
    const double down10 = LastAbove(wav, 2500, bedOn, -22);
    const double down30 = LastAbove(wav, 2500, bedOn, -42);
    ASSERT_GT(down10, bedOn);
    EXPECT_NEAR(down30 - down10, 1.5, 0.15);
    const double fadeStart = down10 - 0.75;
    EXPECT_LT(ToneLevelDb(wav, 2500, fadeStart + 3.2, fadeStart + 3.5), -60) << "silent after the fade";

    // The item at its own level before, under and after the jingles.
    for (const double t : {start + 0.1, jingleOn + 0.2, jingleOff + 0.2, fadeStart + 1.0, fadeStart + 3.3}) {
        SCOPED_TRACE(t - start);
        EXPECT_NEAR(ToneLevelDb(wav, 500, t, t + 0.2), -12, 1.0);
    }
}

} // namespace

LIRANA_ON_BOTH_SERVERS(SoundButtonAirTest);
