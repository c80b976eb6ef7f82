// SPDX-License-Identifier: GPL-3.0-or-later
// The timing of a Standard MIDI File (formats 0 and 1, metrical or SMPTE
// division): where its last event lies and the tempo map between ticks and
// milliseconds; and the bytes the synthesiser is given for a file.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace mci {

class MidiTiming
{
public:
    // Null when the bytes are no complete Standard MIDI File: a header that
    // is not one, fewer track chunks than it announces, a chunk cut short,
    // an event running past its chunk.
    static std::optional<MidiTiming> Read(const QByteArray& bytes);
    // Time of the last event (the latest end-of-track) in ms.
    std::uint32_t LengthMs() const { return MsAt(m_endTick); }
    std::uint32_t MsAt(std::int64_t tick) const;
    int TickAt(std::int64_t ms) const;
    // The notes sounding at a tick: switched on at or before it and not
    // off again (a seek drops them; they are played again after it).
    struct Note
    {
        std::int64_t tick;
        std::uint8_t channel, key, velocity; // velocity 0: off
    };
    std::vector<Note> NotesHeldAt(std::int64_t tick) const;

private:
    struct Tempo
    {
        std::int64_t tick;
        std::int64_t usPerQuarter;
    };
    std::vector<Tempo> m_tempi; // sorted by tick, first at tick 0
    int m_division = 96;        // ticks per quarter note
    double m_usPerTick = 0;     // SMPTE division: fixed
    std::int64_t m_endTick = 0;
    std::vector<Note> m_notes; // every note-on and note-off, by tick
};

// The Standard MIDI File of a file's bytes as the synthesiser plays it:
// unwrapped from a RIFF "RMID" file (its "data" chunk), and with an SMPTE
// division (which FluidSynth refuses) turned into the metrical division of
// the same tick rate, every tempo event set to the one fixed tempo. Null when
// the bytes are neither, or a RIFF file has no "data" chunk.
std::optional<QByteArray> PlayableMidi(const QByteArray& bytes);

// The synthesiser of the MIDI files opened from now on: its gain in dB over
// FluidSynth's own (0.2, which leaves a General MIDI arrangement some 20 dB
// under a mastered recording), and the General MIDI SoundFont the station
// chose (empty: the system's). Any thread.
struct SynthesizerSetup
{
    double gainDb = 0;
    QString soundFont;
};
void SetSynthesizer(const SynthesizerSetup& setup);
SynthesizerSetup Synthesizer();

// The General MIDI SoundFont: the environment's LIRANA_SOUNDFONT, else the
// station's (SetSynthesizer), else FluidSynth's own default, else the first
// of the usual system paths; empty when none exists. One that is named but
// no file is warned about (once per name, on the media diagnostics, naming
// it and who named it) and the search goes on without it.
QString SoundFontPath();

} // namespace mci
