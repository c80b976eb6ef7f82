// SPDX-License-Identifier: GPL-3.0-or-later
// The position bar's scale: 0..640 over the length of the on-air item, and
// the tic step chosen by that length.
#pragma once

#include "media/MediaTrack.h"

namespace PositionBar {

inline constexpr int kRange = 640;
// The tic interval of a bar with its tics cleared: only the first and the
// last tic remain, as on a track bar whose tics were cleared.
inline constexpr int kClearedTicInterval = kRange;

// t / length x 640 + 0.5, truncated; 0 when the length is 0.
int ToPosition(TrackMs t, TrackMs length);
// p x length / 640 + 0.5, truncated.
TrackMs ToTime(int position, TrackMs length);
// The time between tics: 1 s below 10 s, 2 s below 20 s, 5 s below 60 s,
// 10 s below 120 s, 30 s below 300 s, else 60 s.
TrackMs TicStep(TrackMs length);

} // namespace PositionBar
