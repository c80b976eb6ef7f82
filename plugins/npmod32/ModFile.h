// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a module file for the player: only a regular file is read, and
// only up to a size no module reaches, so a pipe, a device or a runaway file
// can neither hang nor exhaust the player. A module packed in a ZIP archive
// (.MDZ, .ITZ: the first entry, stored or deflated) is unpacked here, since
// libopenmpt reads no archives.
#pragma once

#include <cstddef>
#include <vector>

namespace npmod32 {

// Bytes read or unpacked at most: larger than any module in use.
constexpr std::size_t kMaxModuleBytes = std::size_t(256) << 20;

// The module's bytes into data; false when path is no regular file, is
// empty, too large, cannot be read, or is an archive that cannot be unpacked.
bool ReadModuleFile(const char* path, std::vector<char>& data);

} // namespace npmod32
