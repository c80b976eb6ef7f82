// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/AirLimiter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The frame the estimate judges sits at this tap of the history window; the
// peaks between it and the next frame come from the taps around it.
constexpr int kCentreTap = CAirLimiter::kEstimateDelay - 1;

// Where the release heads: a 6 dB cut is back to 1 within 2.5 time constants.
constexpr double kReleaseAim = 1.05;

double Sinc(double x)
{
    return x == 0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
}

// A Blackman window over +-half.
double Window(double x, double half)
{
    const double a = std::numbers::pi * x / half;
    return std::abs(x) >= half ? 0.0 : 0.42 + 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
}

} // namespace

CAirLimiter::CAirLimiter(double ceilingDbtp, double releaseMs)
    : m_ceilingDb(ceilingDbtp), m_ceiling(std::pow(10.0, (ceilingDbtp - kMarginDb) / 20.0)),
      m_release(std::exp(-1000.0 / (std::max(releaseMs, 1.0) * kRate)))
{
    // Phase p interpolates p/4 of a frame after the centre tap: a windowed
    // sinc, each phase scaled to a gain of 1 at DC.
    for (int p = 1; p < kPhases; ++p) {
        double sum = 0;
        for (int k = 0; k < kTaps; ++k) {
            const double x = double(p) / kPhases - (k - kCentreTap);
            sum += m_fir[std::size_t(k)][std::size_t(p - 1)] = float(Sinc(x) * Window(x, kTaps / 2.0));
        }
        for (auto& tap : m_fir)
            tap[std::size_t(p - 1)] = float(tap[std::size_t(p - 1)] / sum);
    }
    Reset();
}

void CAirLimiter::Reset()
{
    for (auto& h : m_history)
        h.fill(0.0f);
    m_delay.fill(0.0f);
    m_need.fill(1.0);
    m_held.fill(1.0);
    m_heldSum = kLookahead;
    m_minHead = 0;
    m_minCount = 0;
    m_released = 1;
    m_betweenBefore = 0;
    m_lastGain = 1;
    m_frame = 0;
}

// The least need over the last kLookahead frames, the newest (at m_frame)
// being value.
double CAirLimiter::SlidingMin(double value)
{
    const std::int64_t now = m_frame;
    m_need[std::size_t(now % kWindow)] = value;
    while (m_minCount > 0 && m_minFrames[std::size_t(m_minHead)] <= now - kLookahead) {
        m_minHead = (m_minHead + 1) % kWindow;
        --m_minCount;
    }
    while (m_minCount > 0) {
        const int back = (m_minHead + m_minCount - 1) % kWindow;
        if (m_need[std::size_t(m_minFrames[std::size_t(back)] % kWindow)] < value)
            break;
        --m_minCount;
    }
    m_minFrames[std::size_t((m_minHead + m_minCount) % kWindow)] = now;
    ++m_minCount;
    return m_need[std::size_t(m_minFrames[std::size_t(m_minHead)] % kWindow)];
}

void CAirLimiter::Process(float* samples, int frames)
{
    for (int i = 0; i < frames; ++i) {
        float* frame = samples + std::ptrdiff_t(i) * kChannels;
        const int at = int(m_frame % kHistory);
        const int first = int((m_frame + kHistory - kTaps + 1) % kHistory);
        const int slot = int(m_frame % kDelay) * kChannels;

        // The peak of the frame kEstimateDelay back: its samples and the
        // 4x-interpolated values on either side of it.
        float sample = 0;
        for (int c = 0; c < kChannels; ++c) {
            auto& h = m_history[std::size_t(c)];
            h[std::size_t(at)] = h[std::size_t(at + kHistory)] = frame[c];
            m_delay[std::size_t(slot + c)] = frame[c];
            sample = std::max(sample, std::abs(h[std::size_t(first + kCentreTap)]));
        }
        // Both channels' phases side by side, even and odd taps apart: four
        // sums that do not wait on each other.
        const float* left = m_history[0].data() + first;
        const float* right = m_history[1].data() + first;
        std::array<std::array<float, kPhases>, 4> y{};
        for (int k = 0; k < kTaps; k += 2)
            for (int p = 0; p < kPhases; ++p) {
                const auto& even = m_fir[std::size_t(k)];
                const auto& odd = m_fir[std::size_t(k + 1)];
                y[0][std::size_t(p)] += left[k] * even[std::size_t(p)];
                y[1][std::size_t(p)] += left[k + 1] * odd[std::size_t(p)];
                y[2][std::size_t(p)] += right[k] * even[std::size_t(p)];
                y[3][std::size_t(p)] += right[k + 1] * odd[std::size_t(p)];
            }
        float between = 0;
        for (int p = 0; p < kPhases; ++p)
            between = std::max({between, std::abs(y[0][std::size_t(p)] + y[1][std::size_t(p)]),
                                std::abs(y[2][std::size_t(p)] + y[3][std::size_t(p)])});
        const double peak = std::max({sample, between, m_betweenBefore});
        m_betweenBefore = between;

        // The gain that frame needs, then the release: exponential towards
        // a point just above 1, so that it reaches 1 and ends. A cut is
        // taken at once; the lookahead makes it smooth.
        const double need = peak > m_ceiling ? m_ceiling / peak : 1.0;
        const double released = m_released + (kReleaseAim - m_released) * (1.0 - m_release);
        m_released = std::min({need, released, 1.0});

        // Held over the lookahead, averaged across it: the mean of
        // kLookahead minima of windows that all hold the frame leaving the
        // delay line is at most what that frame needs.
        const int h = int(m_frame % kWindow);
        const double held = SlidingMin(m_released);
        m_heldSum += held - m_held[std::size_t((m_frame + kWindow - kLookahead) % kWindow)];
        m_held[std::size_t(h)] = held;
        if (h % kLookahead == 0) { // no rounding drift over hours
            m_heldSum = 0;
            for (int k = 0; k < kLookahead; ++k)
                m_heldSum += m_held[std::size_t((m_frame + kWindow - k) % kWindow)];
        }
        const std::int64_t out = m_frame - LatencyFrames() + kEstimateDelay; // the frame judged then
        const double bound = m_need[std::size_t((out + kWindow) % kWindow)];
        const float gain = float(std::min(m_heldSum * (1.0 / kLookahead), bound));

        const int from = int((m_frame + kDelay - LatencyFrames()) % kDelay) * kChannels;
        for (int c = 0; c < kChannels; ++c)
            frame[c] = gain == 1.0f ? m_delay[std::size_t(from + c)] : m_delay[std::size_t(from + c)] * gain;
        m_lastGain = gain;
        ++m_frame;
    }
}
