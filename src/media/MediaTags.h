// SPDX-License-Identifier: GPL-3.0-or-later
// The artist and title a media file's tags name, for what the station shows
// as on air (the now-playing file, the media-player interface, the console).
#pragma once

#include <QString>

struct MediaTags
{
    QString artist;
    QString title;

    // "Artist - Title"; the title alone without an artist; empty without a
    // title (the caller keeps its own name for the item).
    QString OnAirText() const;
};

// The tags of the file at path, read by a pipeline of its own that decodes
// up to its preroll; empty fields when the file has none, cannot be read or
// the reading takes longer than timeoutMs. Blocks; any thread but the
// engine's.
MediaTags ReadMediaTags(const QString& path, int timeoutMs);
