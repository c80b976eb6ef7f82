// The analysis on generated signals whose every sample is known.
#include "support/TestEnv.h"
#include "support/TestMedia.h"
#include "support/WavAnalysis.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

using namespace WavAnalysis;
using TestMedia::Fade;
using TestMedia::Silence;
using TestMedia::Tone;

namespace {

constexpr double kSample = 1.0 / 44100;

Wav Load(const QString& path)
{
    QString error;
    auto wav = ReadWav(path, &error);
    EXPECT_TRUE(wav) << error.toStdString();
    return wav ? *wav : Wav{};
}

Wav Make(const std::vector<TestMedia::Part>& parts)
{
    return Load(TestMedia::WriteWav(TestEnv::MakeTempDir() + QStringLiteral("/x.wav"), parts));
}

QByteArray U32(quint32 v)
{
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (8 * i));
    return b;
}

QByteArray Header(quint16 format, quint16 bits)
{
    QByteArray h = "RIFF" + U32(100) + "WAVEfmt " + U32(16);
    h += QByteArray::fromHex(format == 1 ? "0100" : "0300") + QByteArray::fromHex("0200") +
         U32(44100) + U32(44100 * 4) + QByteArray::fromHex("0400");
    h += char(bits);
    h += char(0);
    return h;
}

} // namespace

TEST(WavReadTest, WrittenFileReadsBackExactToTheSample)
{
    const QString dir = TestEnv::MakeTempDir();
    const Wav stereo = Load(TestMedia::WriteWav(dir + "/s.wav", {Tone(440, 0.3333, -6)}));
    EXPECT_EQ(stereo.rate, 44100);
    EXPECT_EQ(stereo.channels, 2);
    EXPECT_EQ(stereo.Frames(), 14699); // round(0.3333 * 44100)
    float peak = 0;
    for (float v : stereo.mono)
        peak = std::max(peak, std::abs(v));
    EXPECT_NEAR(peak, std::pow(10.0, -6.0 / 20), 2.0 / 32768);

    const Wav mono = Load(TestMedia::WriteWav(dir + "/m.wav", {Tone(440, 0.01), Silence(0.02)},
                                              22050, 1));
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(mono.rate, 22050);
    EXPECT_EQ(mono.Frames(), 221 + 441);
    EXPECT_EQ(mono.mono.back(), 0.0f);
}

TEST(WavReadTest, RejectsWhatIsNotSixteenBitPcm)
{
    const QString dir = TestEnv::MakeTempDir();
    const QByteArray data = "data" + U32(8) + QByteArray(8, 0);
    struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"text.wav", "This is a text file, not a recording.\n"},
        {"empty.wav", {}},
        {"eight.wav", Header(1, 8) + data},
        {"float.wav", Header(3, 32) + data},
        {"nodata.wav", Header(1, 16)},
        {"datafirst.wav", "RIFF" + U32(100) + "WAVE" + data},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(ReadWav(TestEnv::WriteFile(dir + '/' + c.name, c.bytes), &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
    }
    EXPECT_FALSE(ReadWav(dir + "/missing.wav"));
}

TEST(WavReadTest, ReadsUnfinishedHeadersAndSkipsOddChunks)
{
    const QString dir = TestEnv::MakeTempDir();
    QFile f(TestMedia::WriteWav(dir + "/t.wav", {Tone(440, 0.1)}));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    const qint64 frames = 4410;

    QByteArray huge = good;
    huge.replace(40, 4, U32(0xFFFFFFFF));
    EXPECT_EQ(Load(TestEnv::WriteFile(dir + "/huge.wav", huge)).Frames(), frames);

    QByteArray zero = good;
    zero.replace(40, 4, U32(0));
    EXPECT_EQ(Load(TestEnv::WriteFile(dir + "/zero.wav", zero)).Frames(), frames);

    // Cut in the middle of a frame: only whole frames count.
    EXPECT_EQ(Load(TestEnv::WriteFile(dir + "/cut.wav", good.left(44 + 4 * 1000 + 3))).Frames(), 1000);

    QByteArray odd = good;
    odd.insert(12, "LIST" + U32(3) + QByteArray("abc\0", 4));
    EXPECT_EQ(Load(TestEnv::WriteFile(dir + "/odd.wav", odd)).Frames(), frames);
}

TEST(WavAnalysisTest, SequenceOfTonesAndSilencesIsFoundToTheMillisecond)
{
    const Wav wav = Make({Silence(0.1234), Tone(440, 0.5, -12), Silence(0.3), Tone(880, 0.4, -20),
                          Silence(0.2)});
    const auto segs = Segments(wav, {440, 880, 1500});
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(segs[0].freq, 440);
    EXPECT_NEAR(segs[0].start, 0.1234, 0.0005);
    EXPECT_NEAR(segs[0].end, 0.6234, 0.0005);
    EXPECT_NEAR(segs[0].levelDb, -12, 0.2);
    EXPECT_EQ(segs[1].freq, 880);
    EXPECT_NEAR(segs[1].start, 0.9234, 0.0005);
    EXPECT_NEAR(segs[1].Length(), 0.4, 0.001);
    EXPECT_NEAR(segs[1].levelDb, -20, 0.2);

    EXPECT_NEAR(ToneOnset(wav, 880).value_or(-1), 0.9234, 0.0005);
    EXPECT_FALSE(ToneOnset(wav, 440, 0.7)); // none after its end
    EXPECT_NEAR(ToneEnd(wav, 440, 0.3).value_or(-1), 0.6234, 0.0005);
    EXPECT_NEAR(DominantFrequency(wav, 1.0, 1.2, {440, 880}), 880, 0);
    EXPECT_EQ(DominantFrequency(wav, 0.7, 0.9, {440, 880}), 0);

    // Each part starts at phase 0: its first sample is 0, so any sound
    // starts one sample after the part.
    EXPECT_NEAR(FirstSound(wav).value_or(-1), 0.1234 + kSample, kSample);
    const auto gaps = SilentGaps(wav, 0, wav.Duration(), -60, 0.05);
    ASSERT_EQ(gaps.size(), 3u);
    EXPECT_NEAR(gaps[0].start, 0, kSample);
    EXPECT_NEAR(gaps[0].end, 0.1234, 2 * kSample);
    EXPECT_NEAR(gaps[1].start, 0.6234, 2 * kSample);
    EXPECT_NEAR(gaps[1].Length(), 0.3, 2 * kSample);
    EXPECT_NEAR(gaps[2].end, wav.Duration(), kSample);
    // A sine passing zero is no gap at this minimum length.
    EXPECT_TRUE(SilentGaps(wav, 0.2, 0.6, -60, 0.0005).empty());
}

TEST(WavAnalysisTest, OverlappingTonesAreMeasuredApart)
{
    const QString path = TestMedia::WriteMixWav(
        TestEnv::MakeTempDir() + "/mix.wav",
        {{Tone(440, 1.0, -6)}, {Silence(0.25), Tone(880, 0.5, -20)},
         {Silence(0.6), Tone(1500, 0.2, -30)}});
    const Wav wav = Load(path);
    EXPECT_NEAR(ToneLevelDb(wav, 440, 0.3, 0.7), -6, 0.1);
    EXPECT_NEAR(ToneLevelDb(wav, 880, 0.3, 0.7), -20, 0.1);
    EXPECT_LT(ToneLevelDb(wav, 880, 0.05, 0.2), -60);
    EXPECT_EQ(DominantFrequency(wav, 0.3, 0.7, {440, 880}), 440);
    EXPECT_NEAR(ToneOnset(wav, 880).value_or(-1), 0.25, 0.001);
    EXPECT_NEAR(ToneEnd(wav, 880, 0.5).value_or(-1), 0.75, 0.001);
    EXPECT_FALSE(ToneEnd(wav, 440, 0.5)); // still sounding when the file ends
    // A loud neighbour's start is not taken for a quiet tone's onset.
    EXPECT_NEAR(ToneOnset(wav, 1500).value_or(-1), 0.6, 0.001);
    EXPECT_NEAR(ToneEnd(wav, 1500, 0.7).value_or(-1), 0.8, 0.001);
}

TEST(WavAnalysisTest, FadeCurvesFollowTheRampWhileAnotherToneFadesIn)
{
    const QString path = TestMedia::WriteMixWav(
        TestEnv::MakeTempDir() + "/xfade.wav",
        {{Fade(440, 2.0, -6, -46)}, {Fade(880, 2.0, -46, -6)}});
    const Wav wav = Load(path);
    const auto out = ToneCurveDb(wav, 440, 0, 2.0);
    const auto in = ToneCurveDb(wav, 880, 0, 2.0);
    ASSERT_EQ(out.size(), in.size());
    ASSERT_GT(out.size(), 150u);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = out[i].time;
        EXPECT_NEAR(out[i].levelDb, -6 - 20 * t, 0.3) << "fade-out at " << t;
        EXPECT_NEAR(in[i].levelDb, -46 + 20 * t, 0.3) << "fade-in at " << t;
    }
}

TEST(WavAnalysisTest, SilenceAndRangesOutsideTheFileAreEmpty)
{
    const Wav wav = Make({Silence(0.5)});
    EXPECT_TRUE(Segments(wav, {440, 880}).empty());
    EXPECT_FALSE(ToneOnset(wav, 440));
    EXPECT_FALSE(ToneEnd(wav, 440, 0.1));
    EXPECT_FALSE(FirstSound(wav));
    EXPECT_EQ(RmsDb(wav, 0, 0.5), kSilentDb);
    EXPECT_EQ(ToneLevelDb(wav, 440, 0, 0.5), kSilentDb);
    const auto gaps = SilentGaps(wav, 0, 0.5);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NEAR(gaps[0].Length(), 0.5, kSample);

    const Wav tone = Make({Tone(1000, 0.2, -6)});
    EXPECT_EQ(RmsDb(tone, 0.3, 0.4), kSilentDb);
    EXPECT_EQ(RmsDb(tone, 0.1, 0.1), kSilentDb);
    EXPECT_TRUE(ToneCurveDb(tone, 1000, 0.3, 1.0).empty());
    EXPECT_NEAR(RmsDb(tone, 0, 0.2), -6 - 3.0103, 0.02);
    const auto curve = RmsCurveDb(tone, 0.01);
    ASSERT_EQ(curve.size(), 20u);
    EXPECT_NEAR(curve[10], -9.03, 0.05);
    // A tone that lasts to the end still forms a segment up to the end.
    const auto segs = Segments(tone, {1000});
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_NEAR(segs[0].start, 0, 0.0005);
    EXPECT_NEAR(segs[0].end, 0.2, 0.011);
}

TEST(WavAnalysisTest, EachChannelIsMeasuredOnItsOwn)
{
    const Wav wav = Load(TestMedia::WriteStereoWav(TestEnv::MakeTempDir() + "/lr.wav",
                                                   {Tone(440, 0.5, -6)},
                                                   {Silence(0.1), Tone(1000, 0.4, -20)}));
    ASSERT_EQ(wav.channels, 2);
    const Wav left = Channel(wav, 0);
    const Wav right = Channel(wav, 1);
    ASSERT_EQ(left.Frames(), wav.Frames());
    EXPECT_NEAR(ToneLevelDb(left, 440, 0.1, 0.4), -6, 0.1);
    EXPECT_LT(ToneLevelDb(left, 1000, 0.1, 0.4), -80);
    EXPECT_NEAR(ToneLevelDb(right, 1000, 0.2, 0.4), -20, 0.1);
    EXPECT_LT(ToneLevelDb(right, 440, 0.2, 0.4), -80);
    EXPECT_NEAR(ToneOnset(right, 1000).value_or(-1), 0.1, 0.001);
    // The mean of both channels carries a one-sided tone 6 dB down.
    EXPECT_NEAR(ToneLevelDb(wav, 440, 0.1, 0.4), -12.02, 0.1);
    EXPECT_EQ(Channel(wav, 2).Frames(), 0);
}
