// SPDX-License-Identifier: GPL-3.0-or-later
// The worker side of a GStreamer track: the thread that watches the
// pipeline's bus. It holds only what it co-owns (the bus, the shared state,
// the track's notifier), never the track, so it may outlive it.
#pragma once

#include "media/TrackExceptions.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <stop_token>

class CTrackNotifier;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;
typedef struct _GstElement GstElement;

// The name of the bin that holds the track's audio output (its level
// element and the sink): errors from inside it are audio-output errors.
inline constexpr const char* kOutputBinName = "lirana-output";

// Written by the track on the user-interface thread, read by the worker.
struct CGstTrackShared
{
    std::atomic<int> state{0}; // CMediaTrack::State
    // Set by the worker once it has posted an error; the track clears it
    // when it starts playing again. One error event per run.
    std::atomic<bool> errorPosted{false};
    // The track's serial and file, for the diagnostics; set by Open before
    // the worker starts and not changed while it runs.
    std::uint64_t serial = 0;
    QString file;
};

// Worker body: pops every message of bus and dispatches it, until stop is
// requested. Takes its own ref of bus.
void RunTrackBusWatch(GstBus* bus, std::shared_ptr<CGstTrackShared> shared,
                      std::shared_ptr<CTrackNotifier> notifier, std::stop_token stop);

// Sets the stream volume of element (GstStreamVolume) to unity and unmutes
// it when it is not so; true when it had to.
bool HoldStreamAtUnity(GstElement* streamVolume);

// One bus message: an error posts a CTrackErrorEvent carrying a
// CDirectShowException (where 103) unless one was posted already in this
// run. Everything else is only logged. (The end is the air bus's: it comes
// when the bus has taken the last sample, not when the decoder is done.)
void DispatchTrackMessage(GstMessage* message, CGstTrackShared& shared, const CTrackNotifier& notifier);

// The exception for an error message: GStreamer's code and message text,
// followed by " (context)" when context is not empty. An error posted from
// inside the output bin (kOutputBinName) that says the output cannot be
// opened, read or written is a CAudioOutputException; anything else a
// CDirectShowException with where.
std::unique_ptr<CDirectShowException> ExceptionFromErrorMessage(int where, GstMessage* message,
                                                                const QString& context = {});
