// SPDX-License-Identifier: GPL-3.0-or-later
// The file track's audio output: the bus's format into an application sink
// that writes the track's input of the air bus, not in time with any clock
// (the bus takes the samples when they are due). The streaming thread waits
// in the input while its ring is full, so the decoder runs at most the
// ring's length ahead of the air; end of stream marks the input's end, and
// a flushing seek's data is taken again after its flush.
#pragma once

#include <QString>

#include <memory>

typedef struct _GstElement GstElement;
class CAirInput;

// A floating bin named kOutputBinName for playbin's "audio-sink"; null with
// *error set when GStreamer cannot make it. With `checked` (a file's name),
// a segment whose first buffer comes more than 2 ms after its start is
// told as a warning naming it: the decoder lost the item's start.
GstElement* MakeAirSinkBin(const std::shared_ptr<CAirInput>& input, QString* error,
                           const QString& checked = {});
