// The lines of a sound card's mixer as the ALSA simple mixer shows them: two
// destinations, "Playback" and "Capture", each holding the simple elements
// that have a volume or a switch in that direction (an element with both,
// such as "Line", appears under each). What the Line-In page shows; the
// line-in track's own mixer access is built on the same elements.
// Thread: any (each call opens and closes the mixer).
#pragma once

#include <QString>
#include <QStringList>

struct CMixerLines
{
    QString card;         // the card's name, e.g. "HDA Intel PCH"
    QStringList playback; // element names, in the mixer's order
    QStringList capture;
    int error = 0;     // ALSA's negative error code; 0 when read
    QString errorText; // ALSA's words for it
};

// The mixer of card index (0 = the first card, "hw:0").
CMixerLines ReadMixerLines(int index);
