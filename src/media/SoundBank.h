// SPDX-License-Identifier: GPL-3.0-or-later
// Sound banks for MIDI items: before a MIDI track opens, a SoundFont chosen
// by the "SoundBank Options" setting is loaded into user bank 1 of the
// sequencer through the optional manager library libaweman32 (bound by name,
// entry "AWEManager"); the track's Close clears that bank again. Without the
// library nothing happens and nothing is shown. Failures are shown as
// message boxes through the track environment's user interface and never
// stop the track from opening. User-interface thread only.
#pragma once

#include "platform/Exception.h"

#include <QString>
#include <optional>

// A manager call failed: "AWE Error: <name of the code>".
class CAWEException : public CExceptionImpl<CAWEException, CException>
{
public:
    explicit CAWEException(unsigned code) : m_code(code) {}
    unsigned Code() const { return m_code; }
    QString GetErrorMessage() const override;
    // The code's name from the manager's table; "Unknown Error Code" for others.
    static QString CodeName(unsigned code);

private:
    unsigned m_code;
};

// The bank chosen for a MIDI file by option 1 or 2 (folder/name.sf2, else
// folder/name.sbk; option 1 then the first *.sf2, else the first *.sbk of
// the folder); empty when none.
QString SoundBankFileFor(const QString& midiPath, int option);

// The option in effect: the override when set, else "SoundBank Options" of
// the "Settings" key (default 1).
int SoundBankOption();
// Set while the total length of the playlist is measured (0: no bank
// loading); nullopt ends it.
void SetSoundBankOptionOverride(std::optional<int> option);

// Bank loading off (option 0) for the lifetime of the object: measuring
// MIDI files for the total length loads no banks.
class CSoundBanksOff
{
public:
    CSoundBanksOff() { SetSoundBankOptionOverride(0); }
    ~CSoundBanksOff() { SetSoundBankOptionOverride(std::nullopt); }
    CSoundBanksOff(const CSoundBanksOff&) = delete;
    CSoundBanksOff& operator=(const CSoundBanksOff&) = delete;
};

// True when opening the MIDI file would load a bank (or ask for one).
bool LoadsSoundBank(const QString& midiPath);
// True when a bank was loaded into user bank 1.
bool LoadSoundBankFor(const QString& midiPath);
void ClearSoundBank();
