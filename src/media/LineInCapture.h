// SPDX-License-Identifier: GPL-3.0-or-later
// The capture behind a live item where the card has no loopback (a desktop
// with a sound server): a GStreamer source ("LineInSource", a gst-launch
// description such as "pulsesrc device=..." or "alsasrc device=hw:1") whose
// sound goes into the item's input of the air bus: a live input that the
// bus ends on the frames asked for, counted from its start whether sound
// came or not. The capture runs from the item's open to its close, its
// sound dropped while no play holds it: a source may take most of a second
// to come up (a sound server's stream under load), and the item's turn is
// planned only shortly before. What the source brings before the input
// plays is dropped but for a few buffers held in hand, so that a live item
// goes on air live and on its frame. A source that cannot be made or fails
// posts an error naming it while a play holds it (one that failed before is
// made again by the next play, which tells); a source that brings nothing
// is the input's stall.
#pragma once

#include "media/PauseTrack.h"
#include "media/TrackThread.h"

#include <QString>

#include <functional>
#include <memory>

class CTrackNotifier;

namespace LineInCapture {

struct Capture;
// A capture and the worker that runs its pipeline.
struct Line
{
    std::shared_ptr<Capture> capture;
    std::unique_ptr<CTrackThread> worker;
};

// Starts a capture of source with no play holding it. May block (the
// source's elements are made, their plug-ins loaded the first time).
Line Open(const QString& source, std::shared_ptr<CTrackNotifier> notifier);

// Hands the capture's sound to input (not started yet) for its frames;
// line is made again first when it has failed. Returns the input's stall
// callback. The input's release (Stop) lets the capture go back to standing
// by. Errors go to notifier as CTrackException.
std::function<void()> Carry(Line& line, const QString& source, const std::shared_ptr<CAirInput>& input,
                            std::uint64_t frames, const std::shared_ptr<CTrackNotifier>& notifier);

// "The live source <source> failed: <why>".
QString FailureText(const QString& source, const QString& why);

} // namespace LineInCapture
