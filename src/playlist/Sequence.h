// SPDX-License-Identifier: GPL-3.0-or-later
// What follows an item: the one rule of the station's playlist and of a
// mini playlist's entries, which play as the Normal mode plays (in order,
// once). The engine adds to it only what a mini playlist has not: the
// break, which halts before the row this names, and a due event, which
// comes first. When the next row takes over is HandOver's rule.
#pragma once

#include <QString>

enum class PlayerMode : int { Manual = 0, Normal = 1, Repeat = 2, Random = 3, Shuffle = 4, IntroScan = 5 };

namespace Sequence {

struct Following
{
    enum Then {
        Row,       // row follows
        Reshuffle, // the list is drawn anew, and its first row follows
        Draw,      // a row drawn at random when it starts (row: the one selected)
        End,       // nothing follows: the list ends here
    };
    Then then = End;
    int row = -1;

    // The row that will follow, known now: -1 at the end, for a new shuffle
    // and for a draw.
    int Known() const { return then == Row ? row : -1; }
};

// What follows row (0-based) of a list of count rows: the next row, and
// after the last one by mode: the first row (Repeat), a new shuffle
// (Shuffle), a draw (Random), or the end (Manual, Normal, Intro Scan). A
// row outside the list ends it.
Following After(PlayerMode mode, int row, int count);

// Whether the list goes on after its last row by itself.
bool GoesRound(PlayerMode mode);

// Rows that act when they are reached instead of playing (an album, Stop,
// Play, a command item): never opened before they are due.
bool IsControlRow(const QString& path);

} // namespace Sequence
