// SPDX-License-Identifier: GPL-3.0-or-later
// The player's output: interleaved 16-bit stereo at a fixed rate, written
// without blocking. Three kinds: an ALSA PCM (on a desktop the sound server
// behind "default"), a silent output paced in real time for machines and
// tests without a server, and the output a host lends (ModPlug_Output). Not
// thread-safe: the player calls it under its lock.
#pragma once

#include "npmod32.h"

#include <cstdint>
#include <memory>
#include <string>

namespace npmod32 {

class AudioOut
{
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    // Frames the output holds at most: what is written ahead of the ear.
    static constexpr long kLatencyFrames = kRate / 10;

    virtual ~AudioOut() = default;
    // Frames that can be written now without waiting.
    virtual long Avail() = 0;
    // Writes at most Avail() frames; returns the frames taken.
    virtual long Write(const std::int16_t* frames, long count) = 0;
    // Frames written but not yet heard.
    virtual long Delay() = 0;
    // Starts playing what is queued even when it is less than a full queue
    // (the last frames of a module).
    virtual void Start() = 0;
    // Discards what is queued: the next frame written, the module's frame
    // `next`, is heard next.
    virtual void Drop(long long next) = 0;
    // The module has ended: what is queued is the last of it.
    virtual void End() { Start(); }

    // The output NPMOD32_OUTPUT names ("null", "stalled": one that takes a
    // queue and never plays it, as a stream stalled for good; or an ALSA
    // PCM; "default" when unset), or null when it cannot be opened.
    static std::unique_ptr<AudioOut> OpenConfigured();
    // The name OpenConfigured uses: NPMOD32_OUTPUT, else "null" when
    // LIRANA_AUDIO_SINK names a fakesink, else "default".
    static std::string ConfiguredName();
    // The host's output. With NPMOD32_OUTPUT "stalled" it takes the first
    // kLatencyFrames after each Drop and then no more (a player held back).
    static std::unique_ptr<AudioOut> Host(const ModPlug_Output& output);
};

} // namespace npmod32
