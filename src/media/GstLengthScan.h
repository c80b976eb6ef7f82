// SPDX-License-Identifier: GPL-3.0-or-later
// The length of a file whose duration GStreamer does not report after
// preroll (elementary MP3 or AAC streams without a header that states it):
// the file is parsed, not decoded, to its end by a separate pipeline.
#pragma once

#include "media/MediaTrack.h"

#include <QString>

typedef struct _GstElement GstElement;

// The end position of the parsed streams in ms; -1 when the file cannot be
// parsed or the scan takes longer than timeoutMs. Blocks; any thread.
TrackMs ScanMediaLength(const QString& path, int timeoutMs);

// A pipeline that reads path (filesrc) into the element `factory`
// (parsebin to parse, decodebin to decode), every stream it exposes ending
// in a fakesink of its own so that none stops the pipeline as not linked;
// null when an element cannot be made. The caller runs and unrefs it.
GstElement* MakeFileProbe(const char* name, const QString& path, const char* factory);
