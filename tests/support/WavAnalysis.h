// Reading and measuring recorded air: any file libsndfile reads in, times
// in seconds from the first sample of the file, levels in dBFS.
//
// Two level scales are used and never mixed:
// - tone levels (Goertzel) are the peak amplitude of one sine: a full-scale
//   sine is 0 dBFS, so they compare directly with TestMedia's levelDb;
// - RMS levels are the plain RMS of all samples: a full-scale sine is -3.01.
// Silence (no energy at all) is reported as kSilentDb.
// Pure functions on an immutable Wav; safe from any thread.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace WavAnalysis {

inline constexpr double kSilentDb = -200.0;

struct Wav {
    int rate = 0;
    int channels = 0;
    std::vector<float> mono; // mean of the channels, -1..1 (16-bit 32768 = 1.0)
    std::vector<std::vector<float>> planes; // each channel alone, as read

    qint64 Frames() const { return qint64(mono.size()); }
    double Duration() const { return rate ? double(mono.size()) / rate : 0.0; }
};

// Reads a WAV (or any file libsndfile reads). A data chunk whose size runs
// past the end of the file (a recorder killed before it finished the
// header) is read up to the last whole frame in the file.
std::optional<Wav> ReadWav(const QString& path, QString* error = nullptr);

// One channel (0 = left) as a mono Wav, so that every measurement below
// can be taken per channel; empty when the channel was not read.
Wav Channel(const Wav& wav, int channel);

double ToDb(double amplitude);

// RMS of [t0, t1) in dBFS.
double RmsDb(const Wav& wav, double t0, double t1);

// Peak level of the sine at `freq` Hz in [t0, t1), Hann-windowed
// Goertzel. Tones at least 4/(t1-t0) Hz apart are told apart to better
// than -40 dB.
double ToneLevelDb(const Wav& wav, double freq, double t0, double t1);

struct CurvePoint {
    double time;   // centre of the window, seconds
    double levelDb;
};

// The tone level of `freq` in windows of `window` seconds stepped by `step`
// over [t0, t1): the fade curve of one tone while others play.
std::vector<CurvePoint> ToneCurveDb(const Wav& wav, double freq, double t0, double t1,
                                    double window = 0.030, double step = 0.010);

struct Segment {
    double freq;    // Hz, one of the candidates
    double start;   // seconds, refined to about a millisecond
    double end;
    double levelDb; // median tone level inside the segment
    double Length() const { return end - start; }
};

// Stretches where one candidate dominates above thresholdDb, in time
// order. Stretches shorter than minLength seconds are dropped.
std::vector<Segment> Segments(const Wav& wav, const std::vector<double>& candidates,
                              double thresholdDb = -50.0, double minLength = 0.030);

// The time at which the tone `freq` starts (first sounding at or after
// `from`), to about a millisecond: a coarse search in 10 ms windows, then
// the half-amplitude point of a 10 ms sliding Goertzel. The tone must start
// abruptly and last at least 40 ms (for faded starts use ToneCurveDb).
// Works while other tones at least 300 Hz away play.
std::optional<double> ToneOnset(const Wav& wav, double freq, double from = 0.0,
                                double thresholdDb = -40.0);

// The time at which the tone `freq` that sounds at `inside` stops.
std::optional<double> ToneEnd(const Wav& wav, double freq, double inside,
                              double thresholdDb = -40.0);

// The first sample at or after `from` whose magnitude exceeds thresholdDb
// (any sound, sample-accurate); for start latency.
std::optional<double> FirstSound(const Wav& wav, double from = 0.0, double thresholdDb = -60.0);

struct Gap {
    double start;
    double end;
    double Length() const { return end - start; }
};

// Runs of samples in [t0, t1) whose magnitude stays below thresholdDb, at
// least minLength seconds long (sample-accurate ends).
std::vector<Gap> SilentGaps(const Wav& wav, double t0, double t1, double thresholdDb = -60.0,
                            double minLength = 0.005);

} // namespace WavAnalysis
