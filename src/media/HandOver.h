// SPDX-License-Identifier: GPL-3.0-or-later
// When the next item takes over from the one on air: the one rule of the
// engine's playlist and of a mini playlist's entries. Given where the item
// on air is, its overlap and the next item's start latency, it says when to
// plan the next start on the air bus, and when to start it if it was not
// planned (a track that sounds outside the bus).
#pragma once

#include "media/MediaTrack.h"

namespace HandOver {

// The next start is planned on its sample this long before it is due: the
// next item is opened by then, and a plan made each check until it comes.
inline constexpr qint64 PlanAheadMs = 600;
// A "~0" follow-on of a track off the bus aims a few ms late: measured on
// PulseAudio its first sound came 5 ms before the last of a WAV item with
// no allowance, and up to 7 ms more for formats whose stated length is a
// little off (Opus, AAC); a gap of a few ms is not heard, an item's last ms
// under the next one's first are.
inline constexpr qint64 FollowOnLateMs = 6;

struct Step
{
    // Plan the next start now: after the last sample of the item on air
    // (planAt < 0) or where it reaches planAt.
    bool plan = false;
    TrackMs planAt = -1;
    // Start the next item now (an overlap, or a follow-on of a track with a
    // start latency), or in shotInMs when the next check would come late.
    bool now = false;
    qint64 shotInMs = -1;
};

// length and position of the item on air; its overlap in ms (0 or less: the
// next follows on its last sample, "~0"); the next item's start latency;
// how often the caller checks.
Step Next(qint64 length, qint64 position, qint64 overlap, qint64 startLatency, qint64 checkMs);

} // namespace HandOver
