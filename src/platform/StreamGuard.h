// SPDX-License-Identifier: GPL-3.0-or-later
// The level guard of outputs that reach the desktop's sound server through
// ALSA's plug-in (the media-control layer and the module player). A server
// that remembers stream volumes by application gives a new stream the
// volume last set for its name: a mixer program that once lowered "ALSA
// plug-in [lirana]" would lower every later item. These outputs keep their
// level in their samples, so the server's stream belongs at unity: each new
// ALSA plug-in stream of this process is set to full volume and unmuted once,
// right after it is made and before it sounds. A stream seen before is left
// alone (an operator may move it on purpose while it plays).
// Any thread; a call takes one round trip to the server (a few ms), bounded
// by a short timeout; without a server it does nothing.
#pragma once

namespace platform {

// Returns the number of streams that were put back to unity.
int HoldNewAlsaStreamsAtUnity();

} // namespace platform
