// SPDX-License-Identifier: GPL-3.0-or-later
// The capture behind a live item where the card has no loopback (a desktop
// with a sound server): a GStreamer source ("LineInSource", a gst-launch
// description such as "pulsesrc device=..." or "alsasrc device=hw:1") whose
// sound goes into the item's input of the air bus. The input gets exactly
// the frames asked for, from the input's start on (what the source brings
// before the input plays is dropped, so a live item planned after another
// goes on air live, not half a second late), then its end mark; the
// pipeline stops soon after. A source that cannot be made or fails posts an
// error naming it; a source that brings nothing is the input's stall.
#pragma once

#include "media/PauseTrack.h"

#include <QString>

class CTrackNotifier;

namespace LineInCapture {

// The capture's worker and stall callback for input (not started yet).
// Errors go to notifier as CTrackException; the worker owns the pipeline
// and takes it down when the frames are written, at an error, or when its
// stop is requested (after the input was let go, see CPauseTrack::Fill).
CPauseTrack::Filler Start(const QString& source, const std::shared_ptr<CAirInput>& input,
                          std::uint64_t frames, std::shared_ptr<CTrackNotifier> notifier);

// "The live source <source> failed: <why>".
QString FailureText(const QString& source, const QString& why);

} // namespace LineInCapture
