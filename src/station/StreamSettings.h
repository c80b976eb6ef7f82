// SPDX-License-Identifier: GPL-3.0-or-later
// The station's streams as the settings hold them: "Streams" with "Count"
// and a sub-key "Stream 1", "Stream 2", ... for each, in order:
//   "Enabled" (flag), "Name", "Format" (mp3, ogg or opus), "Bitrate"
//   (kbit/s), "Channels", "Sample Rate", "Server", "Port", "Mount", "User",
//   "Password", "Genre", "Description", "URL".
// A value missing or out of range takes its default; a format not known
// is MP3 (said in the diagnostics).
#pragma once

#include "media/AirStream.h"

#include <vector>

struct StreamEntry
{
    bool enabled = true;
    CAirStream::Options options;
};

namespace StreamSettings {

inline constexpr int MaxStreams = 16;
inline const QString Key = QStringLiteral("Streams");

std::vector<StreamEntry> Load();
// Replaces the stored list (one write of the hive).
void Save(const std::vector<StreamEntry>& streams);

} // namespace StreamSettings
