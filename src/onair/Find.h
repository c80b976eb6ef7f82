// SPDX-License-Identifier: GPL-3.0-or-later
// The playlist search of the find dialog: rows are compared by their display
// text (GetItemDisplayName), case-insensitively unless matchCase is set.
#pragma once

#include <QString>

class CPlaylist;

// Steps from the row after `from` (or before, when !down), wrapping round the
// list, and returns the first row whose display text contains text; when the
// step comes back to `from` without a match, returns `from`. Returns -1 when
// from is not a row or text is empty.
int FindRow(const CPlaylist& playlist, const QString& text, int from, bool matchCase, bool down = true);
