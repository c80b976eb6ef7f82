// SPDX-License-Identifier: GPL-3.0-or-later
// The 16 x 16 icons of the 23 item kinds, painted once at run time: a glyph
// per kind (note for audio, film strip for video, disc for CD, pause bars,
// stop square, play triangle, gear for commands, ...), in a normal variant
// for unselected rows and a light one for rows drawn on the highlight.
// Thread: the GUI thread (needs a QGuiApplication).
#pragma once

#include "playlist/ItemPath.h"

#include <QPixmap>

inline constexpr int kItemIconSize = 16;

// The icon of kind; out-of-range kinds get the Unknown icon.
const QPixmap& ItemIcon(ItemKind kind, bool selected);
// The icon of the row path: its kind's, and for a file of another kind the
// audio or video icon when its extension names an audio or video type.
const QPixmap& ItemIconForPath(const QString& path, bool selected);
