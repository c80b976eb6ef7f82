// SPDX-License-Identifier: GPL-3.0-or-later
// A true-peak limiter for the mixed air: interleaved stereo float at
// 44.1 kHz, processed in place in periods of any length. It keeps every
// sample and every peak between samples (estimated 4x oversampled) at or
// under the ceiling: the signal is delayed by a short lookahead, the gain
// each frame needs is held over the lookahead and smoothed across it, so
// the gain is down before a peak arrives, and it comes back with an
// exponential release. A signal that never needs a cut passes unchanged,
// only delayed. docs/loudness.md gives the design and its figures.
//
// Real-time safe: no allocation, lock or system call after construction.
// One thread at a time.
#pragma once

#include <array>
#include <cstdint>

class CAirLimiter
{
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    // Interpolation taps per phase of the 4x peak estimate, and the frames
    // the estimate looks ahead of the frame it judges.
    static constexpr int kTaps = 16; // even: the taps are summed in pairs
    static constexpr int kEstimateDelay = kTaps / 2;
    // Frames over which the gain goes down before a peak (about 2.2 ms).
    static constexpr int kLookahead = 96;
    // The estimate aims this far under the ceiling: meters of true peak
    // differ by their interpolators (libebur128 reads a steady 15 kHz sine
    // 0.11 dB over its true peak).
    static constexpr double kMarginDb = 0.2;

    explicit CAirLimiter(double ceilingDbtp = -1.0, double releaseMs = 200.0);

    void Process(float* samples, int frames);
    // The frames every sample comes out later than it went in.
    static constexpr int LatencyFrames() { return kEstimateDelay + kLookahead - 1; }
    // Forgets the signal: the delay line holds silence, the gain is 1.
    void Reset();

    double CeilingDbtp() const { return m_ceilingDb; }
    // The gain applied to the last frame that came out (1: no cut).
    float Gain() const { return m_lastGain; }

private:
    static constexpr int kPhases = 4;
    // Power-of-two rings, longer than what each keeps.
    static constexpr int kHistory = 32; // input per channel, for the estimate
    static constexpr int kDelay = 256;  // interleaved frames of the delay line
    static constexpr int kWindow = 128; // per-frame gains of the lookahead

    float Estimate(float peakBefore);
    double SlidingMin(double value);

    double m_ceilingDb;
    double m_ceiling;
    double m_release; // per-frame factor of the gain's distance from 1
    // The interpolation taps by tap, then phase 1 to 3 (the fourth lane is
    // 0), so that the three phases are summed side by side.
    std::array<std::array<float, kPhases>, kTaps> m_fir{};

    // Input history, each channel twice over (x[i] and x[i + kHistory]) so
    // that the taps read kTaps contiguous values.
    std::array<std::array<float, 2 * kHistory>, kChannels> m_history{};
    std::array<float, kChannels * kDelay> m_delay{};
    std::array<double, kWindow> m_need{}; // released gain needed per frame
    std::array<double, kWindow> m_held{}; // its minimum over the lookahead
    // The sliding minimum's candidates: frames whose need may still be the
    // window's least, oldest first.
    std::array<std::int64_t, kWindow> m_minFrames{};
    int m_minHead = 0;
    int m_minCount = 0;
    double m_heldSum = 0;
    double m_released = 1;
    float m_betweenBefore = 0; // the peak between the last two judged frames
    float m_lastGain = 1;
    std::int64_t m_frame = 0; // frames taken in since the start or Reset
};
