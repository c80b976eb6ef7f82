// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/WavAnalysis.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace WavAnalysis {
namespace {

double ToDb(double amplitude)
{
    return amplitude > 1e-10 ? 20.0 * std::log10(amplitude) : kSilentDb;
}

qint64 Index(const Wav& wav, double t)
{
    return std::clamp<qint64>(qint64(std::llround(t * wav.rate)), 0, wav.Frames());
}

// Goertzel magnitude at freq over samples [b, e), Hann-weighted; returns the
// sine's peak amplitude. A tone starting (or ending) inside the window
// reaches half its amplitude when the edge is at the window's centre.
double Goertzel(const Wav& wav, double freq, qint64 b, qint64 e)
{
    const qint64 n = std::min(e, wav.Frames()) - b;
    if (n <= 1)
        return 0.0;
    const double coeff = 2.0 * std::cos(2.0 * M_PI * freq / wav.rate);
    double s1 = 0, s2 = 0, wsum = 0;
    const float* x = wav.mono.data() + b;
    for (qint64 i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * double(i) / double(n));
        wsum += w;
        const double s = x[i] * w + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return 2.0 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)) / wsum;
}

// Window for the fine search: a whole number of periods near 10 ms, so the
// tone's own mirror image does not ripple the magnitude.
qint64 FineWindow(const Wav& wav, double freq)
{
    const double periods = std::max(1.0, std::round(0.010 * freq));
    return std::max<qint64>(8, qint64(std::llround(periods / freq * wav.rate)));
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Median magnitude of w-sample windows starting in [b, e), every ms.
double SteadyAmplitude(const Wav& wav, double freq, qint64 w, qint64 b, qint64 e)
{
    std::vector<double> mags;
    const qint64 step = std::max(1, wav.rate / 1000);
    for (qint64 n = std::max<qint64>(0, b); n < e && n + w <= wav.Frames(); n += step)
        mags.push_back(Goertzel(wav, freq, n, n + w));
    return Median(std::move(mags));
}

// The coarse search: the first 10 ms window from `from`, in 5 ms hops, whose
// level is at or above thresholdDb (sounding) or below it; -1 when none.
double Scan(const Wav& wav, double freq, double from, double thresholdDb, bool sounding)
{
    for (double t = std::max(0.0, from); t + 0.010 <= wav.Duration(); t += 0.005)
        if ((ToneLevelDb(wav, freq, t, t + 0.010) >= thresholdDb) == sounding)
            return t;
    return -1;
}

// The fine search: where the w-sample sliding magnitude crosses half the
// steady amplitude a, rising or falling, between samples lo and hi.
std::optional<double> HalfCrossing(const Wav& wav, double freq, qint64 w, qint64 lo, qint64 hi, double a,
                                   bool rising)
{
    const double half = a / 2;
    double prev = Goertzel(wav, freq, lo, lo + w);
    if (rising && prev >= half)
        return double(lo) / wav.rate;
    for (qint64 n = lo + 1; n <= hi && n + w <= wav.Frames(); ++n) {
        const double m = Goertzel(wav, freq, n, n + w);
        if ((m >= half) == rising && (prev >= half) != rising)
            return (double(n - 1) + (half - prev) / (m - prev) + double(w) / 2) / wav.rate;
        prev = m;
    }
    return std::nullopt;
}

} // namespace

std::optional<Wav> ReadWav(const QString& path, QString* error)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f) {
        if (error)
            *error = path + QStringLiteral(": ") + QString::fromUtf8(sf_strerror(nullptr));
        return std::nullopt;
    }
    const size_t channels = size_t(info.channels);
    std::vector<float> all(size_t(info.frames) * channels);
    all.resize(size_t(sf_readf_float(f, all.data(), info.frames)) * channels);
    sf_close(f);
    Wav wav{info.samplerate, {}, std::vector<std::vector<float>>(channels)};
    for (size_t i = 0; i < all.size(); i += channels) {
        float sum = 0;
        for (size_t c = 0; c < channels; ++c) {
            wav.planes[c].push_back(all[i + c]);
            sum += all[i + c];
        }
        wav.mono.push_back(sum / float(channels));
    }
    return wav;
}

double ToneLevelDb(const Wav& wav, double freq, double t0, double t1)
{
    return ToDb(Goertzel(wav, freq, Index(wav, t0), Index(wav, t1)));
}

std::vector<CurvePoint> ToneCurveDb(const Wav& wav, double freq, double t0, double t1, double window,
                                    double step)
{
    std::vector<CurvePoint> out;
    for (double t = std::max(0.0, t0); t + window <= std::min(t1, wav.Duration()) + 1e-9; t += step)
        out.push_back({t + window / 2, ToneLevelDb(wav, freq, t, t + window)});
    return out;
}

std::optional<double> ToneOnset(const Wav& wav, double freq, double from, double thresholdDb, double holds)
{
    const qint64 w = FineWindow(wav, freq), ms = wav.rate / 1000;
    for (double c = Scan(wav, freq, from, thresholdDb, true); c >= 0;
         c = Scan(wav, freq, c + 0.005, thresholdDb, true)) {
        // A click's splatter passes the coarse test but has no steady tone.
        const qint64 cs = Index(wav, c);
        const double a = SteadyAmplitude(wav, freq, w, cs + 10 * ms,
                                         cs + (10 + qint64(std::llround(holds * 1000))) * ms);
        if (ToDb(a) < thresholdDb)
            continue;
        const qint64 b = std::max(Index(wav, from), cs - 10 * ms - w);
        return HalfCrossing(wav, freq, w, b, cs + 10 * ms, a, true).value_or(c);
    }
    return std::nullopt;
}

std::optional<double> ToneEnd(const Wav& wav, double freq, double inside, double thresholdDb)
{
    if (ToneLevelDb(wav, freq, inside, inside + 0.010) < thresholdDb)
        return std::nullopt;
    const double c = Scan(wav, freq, inside, thresholdDb, false);
    if (c < 0)
        return std::nullopt; // still sounding at the end of the recording
    const qint64 w = FineWindow(wav, freq), cs = Index(wav, c), ms = wav.rate / 1000;
    const qint64 lo = std::max(Index(wav, inside), cs - 25 * ms - w);
    const double a = SteadyAmplitude(wav, freq, w, lo, std::max(lo + 1, cs - 10 * ms - w));
    return a > 0 ? HalfCrossing(wav, freq, w, lo, cs + 10 * ms, a, false).value_or(c) : c;
}

std::string Describe(const std::vector<Segment>& segments)
{
    std::string text;
    for (const Segment& s : segments)
        text += std::to_string(int(s.freq)) + " Hz " + std::to_string(s.start) + ".." +
                std::to_string(s.end) + " s\n";
    return text;
}

std::vector<Segment> Segments(const Wav& wav, const std::vector<double>& candidates, double thresholdDb,
                              double minLength)
{
    double spacing = 400;
    for (size_t i = 0; i < candidates.size(); ++i)
        for (size_t j = i + 1; j < candidates.size(); ++j)
            spacing = std::min(spacing, std::abs(candidates[i] - candidates[j]));
    const double window = std::max(0.010, 4.0 / std::max(1.0, spacing));

    struct Run
    {
        double freq, t0, t1;
        std::vector<double> levels;
    };
    std::vector<Run> runs;
    for (double t = 0; t + window <= wav.Duration(); t += window) {
        double f = 0, db = thresholdDb; // the loudest candidate at or above the threshold
        for (double c : candidates)
            if (const double level = ToneLevelDb(wav, c, t, t + window); level >= db) {
                f = c;
                db = level;
            }
        if (f == 0)
            continue;
        if (runs.empty() || runs.back().freq != f || std::abs(runs.back().t1 - t) > 1e-9)
            runs.push_back({f, t, t, {}});
        runs.back().t1 = t + window;
        runs.back().levels.push_back(db);
    }
    std::vector<Segment> out;
    for (Run& r : runs) {
        if (r.levels.size() >= 3)
            r.levels = std::vector<double>(r.levels.begin() + 1, r.levels.end() - 1);
        Segment s{r.freq, r.t0, r.t1, Median(r.levels)};
        const double mid = (r.t0 + r.t1) / 2;
        if (auto on = ToneOnset(wav, r.freq, std::max(0.0, r.t0 - window), thresholdDb); on && *on <= mid)
            s.start = *on;
        if (auto end = ToneEnd(wav, r.freq, std::max(s.start, mid - window / 2), thresholdDb))
            s.end = *end;
        if (s.Length() >= minLength)
            out.push_back(s);
    }
    return out;
}

std::optional<double> FirstSound(const Wav& wav, double from, double thresholdDb)
{
    const float thr = float(std::pow(10.0, thresholdDb / 20.0));
    for (qint64 i = Index(wav, from); i < wav.Frames(); ++i)
        if (std::abs(wav.mono[size_t(i)]) > thr)
            return double(i) / wav.rate;
    return std::nullopt;
}

std::vector<Gap> SilentGaps(const Wav& wav, double t0, double t1, double thresholdDb, double minLength)
{
    const float thr = float(std::pow(10.0, thresholdDb / 20.0));
    const qint64 b = Index(wav, t0), e = Index(wav, t1);
    std::vector<Gap> out;
    qint64 runStart = -1;
    for (qint64 i = b; i <= e; ++i) {
        const bool quiet = i < e && std::abs(wav.mono[size_t(i)]) < thr;
        if (quiet && runStart < 0)
            runStart = i;
        if (!quiet && runStart >= 0) {
            if (double(i - runStart) / wav.rate >= minLength)
                out.push_back({double(runStart) / wav.rate, double(i) / wav.rate});
            runStart = -1;
        }
    }
    return out;
}

std::vector<double> PhaseJumps(const Wav& wav, double freq, double t0, double t1, double minRadians)
{
    // The tone's phase against the sample clock in 10 ms Hann windows; a
    // window and the one after next hold the whole of a jump between them.
    const qint64 w = std::max<qint64>(8, wav.rate / 100);
    const double omega = 2.0 * M_PI * freq / wav.rate;
    std::vector<std::pair<double, double>> phases; // centre time, phase
    for (qint64 b = Index(wav, t0); b + w <= Index(wav, t1); b += w) {
        double re = 0, im = 0;
        for (qint64 i = 0; i < w; ++i) {
            const double weight = (0.5 - 0.5 * std::cos(2.0 * M_PI * double(i) / double(w))) *
                                  wav.mono[size_t(b + i)];
            re += weight * std::cos(omega * double(b + i));
            im -= weight * std::sin(omega * double(b + i));
        }
        phases.emplace_back((double(b) + double(w) / 2) / wav.rate, std::atan2(im, re));
    }
    std::vector<double> jumps;
    for (size_t k = 2; k < phases.size(); ++k) {
        const double d = std::remainder(phases[k].second - phases[k - 2].second, 2.0 * M_PI);
        if (std::abs(d) >= minRadians && (jumps.empty() || phases[k].first - jumps.back() > 0.035))
            jumps.push_back(phases[k - 1].first);
    }
    return jumps;
}

} // namespace WavAnalysis
