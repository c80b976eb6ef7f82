// The worker side of a GStreamer track: the thread that watches the
// pipeline's bus. It holds only what it co-owns (the bus, the shared state,
// the track's notifier), never the track, so it may outlive it.
#pragma once

#include "media/TrackExceptions.h"

#include <atomic>
#include <memory>
#include <stop_token>

class CTrackNotifier;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

// Written by the track on the user-interface thread, read by the worker.
struct CGstTrackShared
{
    std::atomic<int> state{0}; // CMediaTrack::State
    // Set by the worker once it has posted an error; the track clears it
    // when it starts playing again. One error event per run.
    std::atomic<bool> errorPosted{false};
};

// Worker body: pops every message of bus (waiting at most 100 ms each time)
// and dispatches it, until stop is requested. Takes its own ref of bus.
void RunTrackBusWatch(GstBus* bus, std::shared_ptr<CGstTrackShared> shared,
                      std::shared_ptr<CTrackNotifier> notifier, std::stop_token stop);

// One bus message: end-of-stream while Playing and without an error in this
// run posts the end notification (MCI_NOTIFY_SUCCESSFUL); an error posts a CTrackErrorEvent carrying a
// CDirectShowException (where 103) unless one was posted already in this
// run. Everything else is dropped.
void DispatchTrackMessage(GstMessage* message, CGstTrackShared& shared, const CTrackNotifier& notifier);

// The exception for an error message: GStreamer's code and message text,
// followed by " (context)" when context is not empty.
CDirectShowException ExceptionFromErrorMessage(int where, GstMessage* message, const QString& context = {});
