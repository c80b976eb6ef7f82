// SPDX-License-Identifier: GPL-3.0-or-later
// Item paths as rows and events name them: the parts, the display name, the
// track class (modules, mini playlists, CD tracks, pauses ...) and the track
// the factory makes for it, without opening it.
#include "FuzzText.h"
#include "media/TrackFactory.h"
#include "playlist/ItemPath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = FuzzText(data, size);
    SplitPath(path);
    GetItemDisplayName(path);
    IsMediaFile(path);
    TrackClassFor(path, true);
    TrackClassFor(path, false);
    if (TrackClassFor(path, true) != TrackClass::DirectShow)
        CreateTrack(path); // not the GStreamer track: nothing is opened
    return 0;
}
