// SPDX-License-Identifier: GPL-3.0-or-later
// The length of a file whose duration GStreamer does not report after
// preroll (elementary MP3 or AAC streams without a header that states it):
// the file is parsed, not decoded, to its end by a separate pipeline.
#pragma once

#include "media/MediaTrack.h"

#include <QString>

// The end position of the parsed streams in ms; -1 when the file cannot be
// parsed or the scan takes longer than timeoutMs. Blocks; any thread.
TrackMs ScanMediaLength(const QString& path, int timeoutMs);
