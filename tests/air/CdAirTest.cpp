// SPDX-License-Identifier: GPL-3.0-or-later
// A CD track on the air: the headless program plays a track of a CD image
// through the media-control layer into the sound server's ALSA device.
#include "PlayoutAir.h"

TEST_F(PlayoutAirTest, ACdTrackOfAnImagePlaysItsOwnToneForItsLength)
{
    const QString disc = TestMedia::CdImage(
        dir, QStringLiteral("disc"),
        {{TestMedia::Tone(440, 1.0)}, {TestMedia::Tone(880, 2.0)}, {TestMedia::Tone(1320, 1.0)}});
    WriteHive(home, {});
    const auto [run, wav] = PlayRecorded({disc + QStringLiteral("/Track02.cda")});
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_EQ(run.lines.filter(QStringLiteral("start\tTrack 02")).size(), 1) << Lines(run);

    // Track 2 alone, whole: not a moment of the tracks beside it.
    const auto segments = Segments(wav, {440, 880, 1320});
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].freq, 880);
    Report("CD track length error", (segments[0].Length() - 2.0) * 1000);
    EXPECT_NEAR(segments[0].Length(), 2.0 - server.StreamEndLoss() / 2, 0.06 + server.StreamEndLoss() / 2);
}
