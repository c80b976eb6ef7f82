// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and measuring recorded air: any file libsndfile reads in, times
// in seconds from the first sample of the file, levels in dBFS.
//
// Tone levels (Goertzel) are the peak amplitude of one sine: a full-scale
// sine is 0 dBFS, so they compare directly with TestMedia's levelDb.
// Silence (no energy at all) is kSilentDb. Use tone frequencies at least
// 300 Hz apart. Pure functions on an immutable Wav; safe from any thread.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace WavAnalysis {

inline constexpr double kSilentDb = -200.0;

struct Wav
{
    int rate = 0;
    std::vector<float> mono;                // mean of the channels, -1..1 (16-bit 32768 = 1.0)
    std::vector<std::vector<float>> planes; // each channel alone, as read

    // One channel (0 = left) as a mono Wav, so that every measurement
    // below can be taken per channel.
    Wav Channel(int channel) const { return {rate, planes.at(size_t(channel)), {}}; }

    qint64 Frames() const { return qint64(mono.size()); }
    double Duration() const { return rate ? double(mono.size()) / rate : 0.0; }
};

std::optional<Wav> ReadWav(const QString& path, QString* error = nullptr);

// Peak level of the sine at `freq` Hz in [t0, t1), Hann-windowed Goertzel.
double ToneLevelDb(const Wav& wav, double freq, double t0, double t1);

struct CurvePoint
{
    double time; // centre of the window, seconds
    double levelDb;
};

// The level of `freq` in windows of `window` seconds stepped by `step` over
// [t0, t1): the fade curve of one tone while others play.
std::vector<CurvePoint> ToneCurveDb(const Wav& wav, double freq, double t0, double t1, double window = 0.030,
                                    double step = 0.010);

struct Segment
{
    double freq;  // Hz, one of the candidates
    double start; // seconds, refined to about a millisecond
    double end;
    double levelDb; // median tone level inside the segment
    double Length() const { return end - start; }
};

// "freq Hz start..end s" for each segment, for a failure message.
std::string Describe(const std::vector<Segment>& segments);

// Stretches where one candidate dominates above thresholdDb, in time
// order, at least minLength seconds long. For items played one after another.
std::vector<Segment> Segments(const Wav& wav, const std::vector<double>& candidates,
                              double thresholdDb = -50.0, double minLength = 0.030);

// The start (first at or after `from`) of the tone `freq`, or the end of the
// one that sounds at `inside`, to about a millisecond, also while other tones
// play. The tone must start (end) abruptly and last at least 40 ms; an
// onset must hold for `holds` seconds after its first 10 ms (the median of
// the tone's level over that time at or above thresholdDb). A longer hold
// passes over a burst: two holes of one graph cycle 15 ms apart splatter the
// sound around them into every tone for 25 ms.
std::optional<double> ToneOnset(const Wav& wav, double freq, double from = 0.0, double thresholdDb = -40.0,
                                double holds = 0.015);
std::optional<double> ToneEnd(const Wav& wav, double freq, double inside, double thresholdDb = -40.0);

// The first sample at or after `from` whose magnitude exceeds thresholdDb
// (sample-accurate; kSilentDb: any sound at all).
std::optional<double> FirstSound(const Wav& wav, double from = 0.0, double thresholdDb = -60.0);

struct Gap
{
    double start;
    double end;
    double Length() const { return end - start; }
};

// Runs of samples in [t0, t1) whose magnitude stays below thresholdDb, at
// least minLength seconds long (sample-accurate ends).
std::vector<Gap> SilentGaps(const Wav& wav, double t0, double t1, double thresholdDb = -60.0,
                            double minLength = 0.005);

// Where the steady tone `freq` jumps in phase within [t0, t1): a stretch of
// the stream cut out or put in, heard as a click. Times to about 10 ms, one
// per jump of at least minRadians; a jump of whole periods leaves no trace.
std::vector<double> PhaseJumps(const Wav& wav, double freq, double t0, double t1, double minRadians = 0.2);

} // namespace WavAnalysis
