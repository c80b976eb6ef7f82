// SPDX-License-Identifier: GPL-3.0-or-later
// User bank 1 of the sequencer: a SoundFont stacked over the General MIDI
// bank of every synthesizer of the sequencer device, those open now and those
// opened later; its presets win over the General MIDI ones. Cleared, every
// synthesizer falls back to General MIDI. Any thread.
#pragma once

#include <QString>

namespace mci {

// False when the file cannot be loaded as a SoundFont; the bank held before
// stays.
bool LoadUserBank(const QString& path);
void ClearUserBank();
// The SoundFont in user bank 1; empty when none.
QString UserBank();
// Asked of the synthesizers themselves: how many of those open now hold a
// SoundFont stacked over their General MIDI bank.
int SynthesizersWithUserBank();

} // namespace mci

// The same for the sound-bank manager library, which finds it in the program
// by name: bank must be 1; path null clears it. 0 on success, 1 for another
// bank, 2 for a file that is no SoundFont.
extern "C" int lirana_sequencer_user_bank(int bank, const char* path);
