// SPDX-License-Identifier: GPL-3.0-or-later
// Loudness figures against BS.1770's reference levels (a 997 Hz sine at
// 0 dBFS in one front channel reads -3.01 LUFS, so one at -20 dBFS in both
// reads -20.0), the gain to a target, the cache of figures, what the
// scanner measures, and the air limiter's ceiling and transparency.
#include "media/Loudness.h"
#include "media/AirLimiter.h"
#include "platform/FileNames.h"

#include "support/TestMedia.h"
#include "support/UnitTest.h"

#include <QCoreApplication>

#include <random>

namespace {

using namespace TestMedia;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTwoPi = 2 * 3.14159265358979323846;

// Frames of a signal: value(frame, channel).
using Signal = std::function<float(int, int)>;

std::vector<float> Frames(const Signal& signal, int channels, int frames)
{
    std::vector<float> out(std::size_t(channels) * std::size_t(frames));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[std::size_t(i * channels + c)] = signal(i, c);
    return out;
}

LoudnessFigures Measure(const std::vector<float>& frames, int channels, int rate,
                        const int* positions = nullptr)
{
    CLoudnessMeter meter(channels, rate, positions);
    meter.Add(frames.data(), frames.size() / std::size_t(channels));
    return meter.Figures();
}

Signal Sine(double hz, double db, int rate = 44100, double phase = 0, int onlyChannel = -1)
{
    const double a = std::pow(10.0, db / 20.0);
    return [=](int i, int c) {
        return onlyChannel >= 0 && c != onlyChannel ? 0.0f
                                                    : float(a * std::sin(kTwoPi * hz * i / rate + phase));
    };
}

// Figures near the expected ones; an infinite figure exactly, a NAN one not
// checked.
void ExpectFigures(const LoudnessFigures& f, double lufs, double peak, double tolerance, const char* name)
{
    const auto near = [&](double got, double want) {
        return std::isnan(want) || got == want || std::abs(got - want) <= tolerance;
    };
    EXPECT_TRUE(near(f.integratedLufs, lufs) && near(f.truePeakDbtp, peak))
        << name << ": " << f.integratedLufs << " LUFS, " << f.truePeakDbtp << " dBTP";
}

TEST(Loudness, MeterReadsTheReferenceLevelsByChannel)
{
    // GStreamer's positions of 5.1: FL FR FC LFE RL RR.
    static const int k51[] = {0, 1, 2, 3, 4, 5};
    struct Row
    {
        const char* name;
        int channels;
        int rate;
        const int* positions;
        Signal signal;
        double seconds, lufs, peak;
    } rows[] = {{"both at -20 dBFS", 2, 44100, nullptr, Sine(997, -20), 3, -20.0, -20.0},
                {"both at -30 dBFS", 2, 44100, nullptr, Sine(997, -30), 3, -30.0, -30.0},
                {"left alone at 0 dBFS", 2, 44100, nullptr, Sine(997, 0, 44100, 0, 0), 3, -3.01, 0.0},
                {"mono counts on both sides", 1, 48000, nullptr, Sine(997, -20, 48000), 3, -20.0, -20.0},
                {"5.1 surround weighs +1.5 dB", 6, 48000, k51, Sine(997, 0, 48000, 0, 4), 3, -1.51, 0.0},
                {"5.1 LFE does not count", 6, 48000, k51, Sine(60, 0, 48000, 0, 3), 3, -kInf, NAN},
                {"silence", 2, 44100, nullptr, [](int, int) { return 0.0f; }, 3, -kInf, -kInf},
                {"under the absolute gate", 2, 44100, nullptr, Sine(997, -75), 3, -kInf, -75.0},
                {"shorter than one block", 2, 44100, nullptr, Sine(997, -20), 0.3, -kInf, -20.0}};
    for (const Row& r : rows)
        ExpectFigures(
            Measure(Frames(r.signal, r.channels, int(r.seconds * r.rate)), r.channels, r.rate, r.positions),
            r.lufs, r.peak, 0.05, r.name);
}

TEST(Loudness, FilesDecodeToTheirFiguresAndBrokenOnesNameThemselves)
{
    const QString dir = TestEnv::MakeTempDir();
    const QString loud = ToneWav(dir, "loud", 997, 3, -20);
    struct Row
    {
        const char* name;
        QString path;
        double lufs, peak, tolerance;
    } rows[] = {{"WAV", loud, -20.0, -20.0, 0.05},
                {"10 dB quieter", ToneWav(dir, "quiet", 997, 3, -30), -30.0, -30.0, 0.05},
                {"FLAC", Encode(loud, Format::Flac), -20.0, -20.0, 0.05},
                {"MP3 (coded 0.27 dB down)", Encode(loud, Format::Mp3), -20.27, NAN, 0.05},
                {"left alone", WriteStereoWav(dir + "/left.wav", {Tone(997, 3, -20)}, {Silence(3)}), -23.01,
                 -20.0, 0.05},
                {"silence", WriteWav(dir + "/silent.wav", {Silence(2)}), -kInf, -kInf, 0}};
    for (const Row& r : rows) {
        QString error;
        const auto figures = MeasureLoudness(r.path, &error);
        ASSERT_TRUE(figures) << r.name << ": " << error.toStdString();
        ExpectFigures(*figures, r.lufs, r.peak, r.tolerance, r.name);
    }

    const std::atomic<bool> cancelled{true};
    for (const QString& path : {dir + "/missing.wav", TextAsWav(dir), CorruptMp3(dir), dir, loud}) {
        QString error;
        EXPECT_FALSE(MeasureLoudness(path, &error, path == loud ? &cancelled : nullptr))
            << path.toStdString();
        EXPECT_TRUE(error.contains(QFileInfo(path).fileName())) << error.toStdString();
    }
}

TEST(Loudness, GainLandsOnTheTargetWithinItsCap)
{
    for (const double level : {-25.0, -12.0})
        for (const double target : {-23.0, -16.0}) {
            const auto tone = Frames(Sine(997, level), 2, 3 * 44100);
            const float gain = LoudnessGain(Measure(tone, 2, 44100), target);
            auto aired = tone;
            for (float& s : aired)
                s *= gain;
            EXPECT_NEAR(Measure(aired, 2, 44100).integratedLufs, target, 0.1) << level << " to " << target;
        }
    // Item, target, gain in dB.
    const std::tuple<double, double, double> bounds[] = {
        {-40, -16, kMaxLoudnessBoostDb}, {-4, -23, -19}, {-kInf, -16, 0}, {-20, NAN, 0}};
    for (const auto& [lufs, target, db] : bounds)
        EXPECT_NEAR(20 * std::log10(LoudnessGain({lufs, -1}, target)), db, 1e-4) << lufs << " to " << target;
}

void SetMtime(const QString& path, long nanoseconds)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

TEST(Loudness, CacheKeepsFiguresWhileTheFileIsUnchanged)
{
    const QString dir = TestEnv::MakeTempDir();
    const QString file = dir + "/cache/loudness.cache";
    // A name with a space and a byte that is not UTF-8.
    const QString odd = dir + "/caf" + QChar(0xDC00 + 0xE9) + " 1.wav";
    const QString a = TestEnv::WriteFile(dir + "/a.wav", "aaaa");
    ASSERT_EQ(::close(::creat(FileNameBytes(odd).constData(), 0644)), 0);
    SetMtime(a, 100);
    {
        CLoudnessCache cache(file);
        EXPECT_TRUE(cache.Store(a, {-14.5, -0.25}));
        EXPECT_TRUE(cache.Store(odd, {-kInf, -kInf}));
        EXPECT_FALSE(cache.Store(dir + "/missing.wav", {-20, -1}));
        EXPECT_TRUE(cache.Save());
    }
    CLoudnessCache loaded(file);
    ASSERT_EQ(loaded.Size(), 2);
    ExpectFigures(*loaded.Find(a), -14.5, -0.25, 1e-9, "a");
    ExpectFigures(*loaded.Find(odd), -kInf, -kInf, 0, "odd");
    EXPECT_TRUE(loaded.Find(dir + "/./cache/../a.wav")) << "the same file by another path";
    SetMtime(a, 101);
    EXPECT_FALSE(loaded.Find(a)) << "a nanosecond later";
    TestEnv::WriteFile(a, "aaaaa");
    SetMtime(a, 100);
    EXPECT_FALSE(loaded.Find(a)) << "a byte longer";

    // A cache that does not read is ignored or read in part, and is written
    // whole again by the next save.
    const QByteArray good = "4 1700000000000000100 -14.500 -0.250 " +
                            FileNameBytes(a).toPercentEncoding("/") + "\n";
    const std::pair<QByteArray, int> corrupt[] = {
        {QByteArray("\x00\xff\x13garbage", 10), 0},
        {"lirana-loudness-cache 9\n" + good, 0},
        {"lirana-loudness-cache 1\n4 x -1 -1 /a\n4 1 -1 -1\n1 1 nan -1 /n\n1 1 -1 -1 relative\n" + good, 1}};
    for (const auto& [bytes, entries] : corrupt) {
        TestEnv::WriteFile(file, bytes);
        CLoudnessCache cache(file);
        EXPECT_EQ(cache.Size(), entries) << bytes.toStdString();
        EXPECT_TRUE(cache.Store(odd, {-9, -1}));
        EXPECT_TRUE(cache.Save());
        EXPECT_EQ(CLoudnessCache(file).Size(), entries + 1);
    }
    CLoudnessCache unwritable(dir);
    unwritable.Store(a, {-9, -1});
    EXPECT_FALSE(unwritable.Save());
    ::unlink(FileNameBytes(odd).constData()); // a name QTemporaryDir cannot remove
}

TEST(Loudness, ScannerMeasuresEachLocalFileOnceAndRemembersFailures)
{
    const QString dir = TestEnv::MakeTempDir();
    const QString file = dir + "/loudness.cache";
    const QString tone = ToneWav(dir, "tone~0", 997, 1, -20);
    const QString known = ToneWav(dir, "known", 997, 1, -30);
    const QString broken = TextAsWav(dir);
    const QString script = TestEnv::WriteFile(dir + "/run.sh", "true\n");
    CLoudnessCache cache(file);
    cache.Store(known, {-99, -99});
    {
        CLoudnessScanner scanner(cache);
        std::vector<std::pair<QString, LoudnessFigures>> measured;
        QStringList failed;
        QObject::connect(
            &scanner, &CLoudnessScanner::Measured,
            [&](const QString& path, const LoudnessFigures& f) { measured.emplace_back(path, f); });
        QObject::connect(&scanner, &CLoudnessScanner::Failed, [&](const QString& path) { failed << path; });
        QStringList items = {tone, known, broken, tone, script, "http://example.org/a.mp3"};
        for (const char* name : {"/./tone~0.wav", "/10.pause", "/missing.wav", "/30.live"})
            items << dir + name;
        scanner.Request(items);
        scanner.Request(items); // nothing queued twice
        ASSERT_EQ(measured.size(), 2) << "the cached item at once";
        EXPECT_EQ(measured[0].first, known);
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return measured.size() == 3 && failed.size() == 1; }, 20000));
        EXPECT_EQ(measured[2].first, tone);
        EXPECT_NEAR(measured[2].second.integratedLufs, -20.0, 0.05);
        EXPECT_EQ(failed, QStringList{broken});
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return scanner.Pending() == 0; }, 5000));
        QCoreApplication::processEvents();
        EXPECT_EQ(measured.size() + failed.size(), 4) << "each once";
        scanner.Request(items);
        EXPECT_EQ(measured.size(), 5) << "both from the cache, the failure not again";
        EXPECT_EQ(scanner.Pending(), 0);
    }
    EXPECT_EQ(CLoudnessCache(file).Size(), 2) << "saved at the end";

    // Destroyed while measuring: the thread ends, the cache stays whole.
    auto scanner = std::make_unique<CLoudnessScanner>(cache);
    scanner->Request({WriteWav(dir + "/long.wav", {Tone(440, 120)})});
    scanner.reset();
    EXPECT_EQ(CLoudnessCache(file).Size(), 2);
}

// The limiter against hot signals: libebur128's true peak of what comes
// out is at or under -1 dBTP, the loud parts are not crushed, and the
// output does not depend on how the frames are split into calls.
TEST(AirLimiter, HotSignalsStayUnderTheCeilingAndQuietOnesPassUnchanged)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.5f, 1.5f);
    const auto square = [](double hz, float a) {
        return [=](int i, int) { return std::fmod(i * hz / 44100, 1.0) < 0.5 ? a : -a; };
    };
    const std::pair<const char*, Signal> rows[] = {
        {"+6 dBFS 1 kHz", Sine(1000, 6)},
        {"0 dBFS square", square(100, 1.0f)},
        {"+6 dBFS square", square(50, 2.0f)},
        {"11025 Hz with samples at full scale", Sine(11025, 3.0103, 44100, kTwoPi / 8)},
        {"burst after silence", [](int i, int c) { return i < 44100 ? 0.0f : Sine(3000, 6)(i, c); }},
        {"noise at +3.5 dBFS", [&](int, int) { return noise(random); }}};
    const int sizes[] = {441, 1, 97, 1000, 3};
    const int lag = CAirLimiter::LatencyFrames();
    for (const auto& [name, signal] : rows) {
        const auto in = Frames(signal, 2, 3 * 44100);
        auto whole = in, split = in;
        CAirLimiter one, pieces;
        one.Process(whole.data(), 3 * 44100);
        for (int at = 0, k = 0, n = 0; at < 3 * 44100; at += n, ++k)
            pieces.Process(split.data() + 2 * at, n = std::min(sizes[k % 5], 3 * 44100 - at));
        // The gain frame to frame (out over in, where in is not near 0):
        // smooth, not a jump at a peak.
        const auto left = [](const std::vector<float>& v, int i) { return v[std::size_t(2 * i)]; };
        float step = 0;
        for (int i = lag + 1; i < 3 * 44100; ++i)
            if (const float x = left(in, i - lag), b = left(in, i - lag - 1);
                std::abs(x) > 0.1f && std::abs(b) > 0.1f)
                step = std::max(step, std::abs(left(whole, i) / x - left(whole, i - 1) / b));
        const double peak = Measure(whole, 2, 44100).truePeakDbtp;
        EXPECT_TRUE(whole == split && peak <= -1.0 && peak > -2.0 && step < 0.02f)
            << name << ": " << peak << " dBTP, gain step " << step;
    }

    // Quiet after hot: the gain is all the way back within a second, and
    // from then on the signal passes untouched, as it does at once after a
    // Reset.
    const auto quiet = Frames(Sine(1000, -1.5), 2, 5 * 44100);
    for (const bool reset : {false, true}) {
        CAirLimiter limiter;
        auto out = Frames(Sine(1000, 6), 2, 44100);
        limiter.Process(out.data(), 44100);
        if (reset)
            limiter.Reset();
        out = quiet;
        limiter.Process(out.data(), 5 * 44100);
        EXPECT_EQ(limiter.Gain(), 1.0f);
        for (int i = reset ? lag : 44100; i < 5 * 44100; ++i)
            ASSERT_EQ(out[std::size_t(2 * i)], quiet[std::size_t(2 * (i - lag))]) << i << " reset " << reset;
    }
}

} // namespace
