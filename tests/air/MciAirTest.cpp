// Items of the media-control layer on the air: the headless program plays a
// MIDI file through FluidSynth, and a track of a CD image, into the sound
// server's ALSA device.
#include "PlayoutAir.h"

TEST_F(PlayoutAirTest, AMidiFileSoundsForItsLengthWithoutAnError)
{
    // 1 s at 120 bpm and 1 s at 60 bpm.
    const QString midi = TestMedia::MidiFile(dir, QStringLiteral("organ"), {{2, 120}, {1, 60}});
    HeadlessLirana::WriteHive(home, {});
    const auto [run, wav] = PlayRecorded({midi});
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_EQ(run.lines.filter(QStringLiteral("organ")).size(), 1) << Lines(run);

    const auto first = WavAnalysis::FirstSound(wav, 0);
    ASSERT_TRUE(first) << "nothing on the air";
    const auto gaps = WavAnalysis::SilentGaps(wav, *first, wav.Duration(), -60, 0.05);
    ASSERT_FALSE(gaps.empty());
    // One stretch of sound: no dropout, and it ends where the file ends (the
    // synthesizer's release is not part of the item).
    Report("MIDI sound length error", (gaps.front().start - *first - 2.0) * 1000);
    EXPECT_NEAR(gaps.front().start - *first, 2.0, 0.1);
    EXPECT_GT(gaps.front().end, wav.Duration() - 0.01) << "sound after the item's end";
}

TEST_F(PlayoutAirTest, ACdTrackOfAnImagePlaysItsOwnToneForItsLength)
{
    const QString disc = TestMedia::CdImage(
        dir, QStringLiteral("disc"),
        {{TestMedia::Tone(440, 1.0)}, {TestMedia::Tone(880, 2.0)}, {TestMedia::Tone(1320, 1.0)}});
    HeadlessLirana::WriteHive(home, {});
    const auto [run, wav] = PlayRecorded({disc + QStringLiteral("/Track02.cda")});
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_EQ(run.lines.filter(QStringLiteral("start\tTrack 02")).size(), 1) << Lines(run);

    // Track 2 alone, whole: not a moment of the tracks beside it.
    const auto segments = WavAnalysis::Segments(wav, {440, 880, 1320});
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].freq, 880);
    Report("CD track length error", (segments[0].Length() - 2.0) * 1000);
    EXPECT_NEAR(segments[0].Length(), 2.0 - server.StreamEndLoss() / 2, 0.06 + server.StreamEndLoss() / 2);
}
