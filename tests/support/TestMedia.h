// Test media generated at test time: sine tones, silences and fades as
// 16-bit PCM WAV (exact to the sample), and the same content encoded as
// MP3, Ogg Vorbis or FLAC through an in-process GStreamer pipeline.
// Levels are the sine's peak in dBFS (0 = full scale). Call from any one
// thread at a time; encoding blocks until the file is written.
#pragma once

#include <QString>

#include <cmath>
#include <vector>

typedef struct _GstElement GstElement;

namespace TestMedia {

inline constexpr int kRate = 44100;

// One stretch of a file: a sine at freq Hz (0 = silence) lasting seconds,
// its level moving linearly in dB from levelDb to endLevelDb (NAN = steady).
// Each part starts at phase 0, so a tone always begins at a zero crossing.
struct Part {
    double freq = 440;
    double seconds = 1.0;
    double levelDb = -12.0;
    double endLevelDb = NAN;
};

inline Part Tone(double freq, double seconds, double levelDb = -12.0)
{
    return {freq, seconds, levelDb, NAN};
}
inline Part Fade(double freq, double seconds, double fromDb, double toDb)
{
    return {freq, seconds, fromDb, toDb};
}
inline Part Silence(double seconds)
{
    return {0, seconds, 0, NAN};
}

// Frames a part of `seconds` gets: round(seconds * rate).
qint64 Frames(double seconds, int rate = kRate);

// Writes the parts one after another (several parts sounding at once:
// WriteMixWav). Returns the absolute path; fails the process on I/O errors.
QString WriteWav(const QString& path, const std::vector<Part>& parts, int rate = kRate,
                 int channels = 2);

// Writes the sum of several part lists, each starting at time 0 (for
// overlapping tones, a crossfade). Clips at full scale.
QString WriteMixWav(const QString& path, const std::vector<std::vector<Part>>& layers,
                    int rate = kRate, int channels = 2);

// Writes a stereo WAV whose left and right channels hold their own parts.
QString WriteStereoWav(const QString& path, const std::vector<Part>& left,
                       const std::vector<Part>& right, int rate = kRate);

// Convenience: dir/name.wav holding one steady tone.
QString ToneWav(const QString& dir, const QString& name, double freq, double seconds,
                double levelDb = -12.0);

// MKA is Vorbis in Matroska; M4A is AAC in MP4; Opus is in Ogg (48 kHz);
// W64 is the same PCM in Sony Wave64 (written by sox, as is AU).
enum class Format { Mp3, Ogg, Flac, Aiff, Au, M4a, Mka, Opus, W64 };

// The file name extension of a format, without the dot.
const char* Extension(Format format);

// Encodes a WAV to dir-of-wav/<base>.<extension> and returns that path, or
// an empty string with *error set. MP3 (192 kbit/s CBR) decodes with the
// encoder's padding, about 50 ms longer than the source; M4A some 25 ms.
QString Encode(const QString& wavPath, Format format, QString* error = nullptr);

// Broken inputs: bytes that are no audio at all, named .mp3; a text file
// named .wav.
QString CorruptMp3(const QString& dir, const QString& name = QStringLiteral("corrupt"));
QString TextAsWav(const QString& dir, const QString& name = QStringLiteral("text"));

// Waits on the pipeline's bus for end-of-stream or an error; empty on a clean
// end, else the error's text or timeoutText when nothing came in time.
QString WaitForEndOrError(GstElement* pipeline, double seconds, const QString& timeoutText);

} // namespace TestMedia
