// SPDX-License-Identifier: GPL-3.0-or-later
// The media-control layer's devices (MIDI files, CD tracks, files without
// GStreamer) play into the station's air bus, not into outputs of their
// own: each play of a device writes into a bus input of its own, made when
// the play starts and let go when it stops, pauses or has been heard to its
// end. The input applies the device's wave output level when it mixes, so a
// fade is heard at once and not after what the input holds.
//
// Threads: Install and the lookups from any thread; a stall handler runs on
// the bus's mixing thread and must only post.
#pragma once

#include "media/MediaTrack.h"
#include "platform/mci/Mci.h"

#include <functional>
#include <memory>

class CAirInput;

namespace DeviceAir {

// Once per process; later calls do nothing. From then on every device play
// goes to CTrackEnvironment::AirBus().
void Install();

// The input the device plays into now; null while it does not play.
std::shared_ptr<CAirInput> InputOf(mci::MCIDEVICEID device);

// Called once per stall when the device's input plays and brings nothing for
// 2 s (a decoder or a disc that no longer answers). An empty handler clears
// it; a device's handler goes when the device is closed by its track.
void OnStall(mci::MCIDEVICEID device, std::function<void()> handler);

// The device's next play starts as planned (after another track's input,
// or with it) instead of at once: the input it makes is held until the
// plan's frame, or until its track's Play. A plan that does not apply (its
// leader has left the bus) starts the play at once. Cleared by the next
// play that makes an input, or by an empty plan.
void PlanNextPlay(mci::MCIDEVICEID device, std::optional<CMediaTrack::StartPlan> plan);

} // namespace DeviceAir
