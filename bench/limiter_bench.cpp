// SPDX-License-Identifier: GPL-3.0-or-later
// The air limiter's cost per period of the air bus (441 stereo frames, 10 ms
// at 44.1 kHz), against a plain copy of the same period measured in the
// same run: once on a signal that never needs a cut (tones at -12 dBFS) and
// once on one that needs it all the time (tones and noise 6 dB over full
// scale). Also the measuring of items' loudness (decoding and metering),
// as the times faster than real time, when a file is given:
//   limiter_bench [FILE]
#include "BenchTiming.h"
#include "media/AirLimiter.h"
#include "media/GstLengthScan.h"
#include "media/Loudness.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kPeriod = 441;
constexpr int kPeriods = 1000; // 10 s of air

std::vector<float> Air(double levelDb, double noise)
{
    std::mt19937 random(1);
    std::uniform_real_distribution<double> white(-noise, noise);
    const double a = std::pow(10.0, levelDb / 20.0);
    std::vector<float> air(std::size_t(2 * kPeriod * kPeriods));
    for (std::size_t i = 0; i < air.size() / 2; ++i) {
        const double t = double(i) / CAirLimiter::kRate;
        const double v = a * (0.5 * std::sin(2 * M_PI * 110 * t) + 0.3 * std::sin(2 * M_PI * 1250 * t) +
                              0.2 * std::sin(2 * M_PI * 9300 * t));
        air[2 * i] = float(v + white(random));
        air[2 * i + 1] = float(v * 0.8 - white(random));
    }
    return air;
}

// Each period through the limiter, best of ten runs of 10 s, in ms.
double Limit(const std::vector<float>& source, std::vector<float>& work)
{
    return Best(10, [&] {
        CAirLimiter limiter;
        work = source;
        for (int p = 0; p < kPeriods; ++p)
            limiter.Process(work.data() + std::size_t(2 * kPeriod * p), kPeriod);
    });
}

// Each period copied as the bus hands it on.
double Copy(const std::vector<float>& source, std::vector<float>& work)
{
    return Best(10, [&] {
        for (int p = 0; p < kPeriods; ++p) {
            const std::size_t at = std::size_t(2 * kPeriod * p);
            std::memcpy(work.data() + at, source.data() + at, sizeof(float) * 2 * kPeriod);
        }
    });
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<float> work(std::size_t(2 * kPeriod * kPeriods));
    for (const auto& [name, level, noise] :
         {std::tuple{"quiet (no cut)", -12.0, 0.0}, std::tuple{"hot (cut throughout)", 6.0, 0.5}}) {
        const auto source = Air(level, noise);
        const double limit = Limit(source, work);
        const double copy = Copy(source, work);
        std::printf("%-22s limiter %.2f us a period, %.3f %% of its 10 ms, %.0fx a copy of the period\n",
                    name, 1000.0 * limit / kPeriods, 100.0 * limit / (kPeriods * 10.0), limit / copy);
    }
    if (argc > 1) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        const auto figures = MeasureLoudness(QString::fromLocal8Bit(argv[1]), &error);
        if (!figures) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        const double took = double(std::max<qint64>(timer.elapsed(), 1));
        const TrackMs length = ScanMediaLength(QString::fromLocal8Bit(argv[1]), 60000);
        std::printf("%s: %.2f LUFS, %.2f dBTP in %.0f ms, %.0fx real time\n", argv[1],
                    figures->integratedLufs, figures->truePeakDbtp, took, double(length) / took);
    }
    return 0;
}
