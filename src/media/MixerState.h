// SPDX-License-Identifier: GPL-3.0-or-later
// What a live item found on the mixer lines it changes, kept so that every
// line gets it back: when the last live item on a line ends (normal end,
// Stop, a failed open), and at the next start when the program was killed
// in between. The found state is written to a small file in the state
// folder (DataPaths::StateDir()) BEFORE the line is changed, through a
// temporary file that is renamed; an entry leaves the file once its line
// has been given back. Items that overlap on one line share what the first
// one found; the last one to release restores it.
// Thread: any (the track's worker); calls are serialised by one lock.
#pragma once

#include <QString>

class CMixer;

namespace MixerState {

struct FoundLine
{
    unsigned device = 0; // the mixer's index ("LineInMixer")
    unsigned lineId = 0;
    bool hasMute = false;
    bool muted = false;
    bool hasVolume = false;
    unsigned volume = 0; // 0 .. kMixerMaxLevel
};

// Takes the line for a live item before anything on it changes: the first
// taker reads the line's mute and volume through mixer (open on device) and
// writes them to the file; later takers, and a line the file still holds
// from an earlier run, get what was found then. Throws CMixerException when
// the line cannot be read (nothing is taken then). A file that cannot be
// written costs a warning line, not the item.
FoundLine Acquire(CMixer& mixer, unsigned device, unsigned lineId);

// Gives the line up; the last taker sets it back to what was found (mute,
// then volume, through mixer) and removes its entry from the file. A
// failed restore throws CMixerException and keeps the entry for the next
// start.
void Release(CMixer& mixer, unsigned device, unsigned lineId);

// At start-up: gives back the lines a killed run left in the file, with one
// line in the log, and removes the file. A damaged file is left as it is
// and changes nothing (one warning line); lines that cannot be set stay in
// the file (one warning line).
void RestoreLeftOver();

QString FilePath();

} // namespace MixerState
