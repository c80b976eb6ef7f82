// SPDX-License-Identifier: GPL-3.0-or-later
// Long WAV files: an air-check or a live recording of some hours. GStreamer's
// WAV parser clips a data chunk to 2 GiB; read from a file (pull mode) it
// then walks the rest of the audio as if it were chunks, which takes 15 s
// and more before the first sound, and read as a stream (push mode) it plays
// the whole data but gives the clipped duration. So the file track reads such
// a file as a stream and takes its length from here.
// Thread: any; the reading may wait (a hung share): not on the owner's thread.
#pragma once

#include "media/MediaTrack.h"

#include <QString>
#include <optional>

namespace LongWave {

// The most data the parser reads as one chunk.
constexpr qint64 ParserLimit = 0x7fffffff;

// For a RIFF or RF64 WAVE file whose audio data goes past ParserLimit: its
// length in ms, from the format's byte rate and the data's size (RF64's
// 64-bit size; else the chunk's size, or what the file holds after the
// chunk's header when the size cannot be right: a RIFF size wraps at
// 4 GiB, and recorders that never finished write 0 or 0xFFFFFFFF). nullopt
// for any other file and one that cannot be read.
std::optional<TrackMs> Length(const QString& path);

} // namespace LongWave
