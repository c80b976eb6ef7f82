// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the string table used by the item operations, by id. The display
// language layer may replace the texts; the ids stay.
#pragma once

namespace ItemStrings {

// Formatted with the track number N of a CD item: "Track 03".
inline constexpr int kTrackNumberId = 2103;
inline constexpr char kTrackNumber[] = "Track %02d";

// Formatted with the old and the new name of a failed rename.
inline constexpr int kRenameFailedId = 2104;
inline constexpr char kRenameFailed[] = "Failed to rename the file\n'%s' to\n'%s'.\n"
                                        "Please check whether your drive is write protected.";

inline constexpr int kNoCdFoundId = 2105;
inline constexpr char kNoCdFound[] = "No CD Found";

} // namespace ItemStrings
