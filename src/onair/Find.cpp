// SPDX-License-Identifier: GPL-3.0-or-later
#include "onair/Find.h"

#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

int FindRow(const CPlaylist& playlist, const QString& text, int from, bool matchCase, bool down)
{
    const int n = playlist.Count();
    if (from < 0 || from >= n || text.isEmpty())
        return -1;
    const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    int row = from;
    do {
        row = down ? (row + 1) % n : (row + n - 1) % n;
        if (GetItemDisplayName(playlist.Row(row)).contains(text, cs))
            return row;
    } while (row != from);
    return from;
}
