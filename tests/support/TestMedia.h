// SPDX-License-Identifier: GPL-3.0-or-later
// The one generator of test media: sine tones, silences and fades written
// exact to the sample by libsndfile (16-bit PCM WAV, or any other format
// libsndfile writes), and the same content encoded by GStreamer where
// libsndfile has no encoder (MP3 as stations get it, AAC, Matroska, Opus).
// Levels are the sine's peak in dBFS (0 = full scale). Call from any one
// thread at a time; encoding blocks until the file is written.
//
//   TestMedia::ToneWav(dir, "a", 440, 1.5)                     dir/a.wav
//   TestMedia::Encode(TestMedia::ToneWav(dir, "a", 440, 1.5),
//                     TestMedia::Format::Mp3)                  dir/a.mp3
//   TestMedia::WriteWav(dir + "/s.wav", {Tone(440, 0.3), Silence(0.2)})
#pragma once

#include <QString>

#include <cmath>
#include <vector>

typedef struct _GstElement GstElement;

namespace TestMedia {

// One stretch of a file: a sine at freq Hz (0 = silence) lasting seconds,
// its level moving linearly in dB from levelDb to endLevelDb (NAN = steady).
// Each part starts at phase 0, so a tone always begins at a zero crossing.
struct Part
{
    double freq = 440;
    double seconds = 1.0;
    double levelDb = -12.0;
    double endLevelDb = NAN;
};

inline constexpr auto Tone = [](double freq, double seconds, double levelDb = -12.0) {
    return Part{freq, seconds, levelDb, NAN};
};
inline constexpr auto Fade = [](double freq, double seconds, double fromDb, double toDb) {
    return Part{freq, seconds, fromDb, toDb};
};
inline constexpr auto Silence = [](double seconds) { return Part{0, seconds, 0, NAN}; };

// Writes the parts one after another as 16-bit PCM stereo WAV at 44.1 kHz,
// a part of `seconds` round(seconds * 44100) frames long. Returns the
// absolute path; fails the process on I/O errors.
QString WriteWav(const QString& path, const std::vector<Part>& parts);

// Writes the sum of several part lists, each starting at time 0 (for
// overlapping tones, a crossfade). Clips at full scale.
QString WriteMixWav(const QString& path, const std::vector<std::vector<Part>>& layers);

// Writes a stereo WAV whose left and right channels hold their own parts.
QString WriteStereoWav(const QString& path, const std::vector<Part>& left, const std::vector<Part>& right);

// Convenience: dir/name.wav holding one steady tone.
QString ToneWav(const QString& dir, const QString& name, double freq, double seconds, double levelDb = -12.0);

// An audio CD image: dir/name.bin (raw 44.1 kHz 16-bit stereo,
// little-endian) and dir/name.cue with one audio track per entry of
// `tracks`, each padded with silence to whole CD sectors (1/75 s). Returns
// the path of the CUE sheet.
QString CdImage(const QString& dir, const QString& name, const std::vector<std::vector<Part>>& tracks);

// FLAC, Ogg Vorbis, AIFF, AU and W64 hold the same frames (written by
// libsndfile); MP3 is 192 kbit/s CBR with a Xing header, M4A is AAC in MP4,
// MKA is Vorbis in Matroska, Opus is in Ogg at 48 kHz (GStreamer encoders).
// Mp4Video (H.264 and AAC) and OggTheora (Theora and Vorbis) add a moving
// 160x120 picture, ten a second, for the sound's length.
enum class Format { Mp3, Ogg, Flac, Aiff, Au, M4a, Mka, Opus, W64, Mp4Video, OggTheora };

// Encodes a WAV to dir-of-wav/<base>.<extension> and returns that path, or
// an empty string with *error set. MP3 decodes with the encoder's padding,
// about 50 ms longer than the source; M4A some 25 ms.
QString Encode(const QString& wavPath, Format format, QString* error = nullptr);

// A Standard MIDI File (format 0, 480 ticks per quarter note) holding one
// note (A4 on a drawbar organ, which sustains) from its start to its end
// through tempo segments of `beats` quarter notes at `bpm` each:
// {{4, 120}, {2, 60}} lasts 4 s.
struct TempoSegment
{
    double beats;
    double bpm;
};
QString MidiFile(const QString& dir, const QString& name, const std::vector<TempoSegment>& segments);
// The note with SMPTE timing (25 frames of 40 ticks, 1000 a second): on for
// 1 s, then 1 s of nothing; its tempo event (30 bpm) does not apply.
QString SmpteMidiFile(const QString& dir, const QString& name);
// MidiFile's content wrapped as a RIFF MIDI file, dir/name.rmi.
QString RmiFile(const QString& dir, const QString& name, const std::vector<TempoSegment>& segments);

// Broken inputs: bytes that are no audio at all, named .mp3; a text file
// named .wav.
QString CorruptMp3(const QString& dir, const QString& name = QStringLiteral("corrupt"));
QString TextAsWav(const QString& dir, const QString& name = QStringLiteral("text"));

// A 4-channel ProTracker module ("M.K."): one looped sine sample (a
// 32-byte cycle at period 214, ModuleToneHz) started at row 0 on the
// first two channels (hard left and right) at full sample volume, and a
// pattern break after `rows` rows that ends the song. At the default speed
// (6 ticks of 20 ms) a row lasts 0.12 s, so the module is rows x 0.12 s
// long. rows 1..64.
QString WriteModule(const QString& path, int rows);
inline constexpr double ModuleRowSeconds = 0.12;
inline constexpr double ModuleToneHz = 3546895.0 / 214 / 32;

// Waits on the pipeline's bus for end-of-stream or an error; empty on a clean
// end, else the error's text or timeoutText when nothing came in time.
QString WaitForEndOrError(GstElement* pipeline, double seconds, const QString& timeoutText);

} // namespace TestMedia
