// The measurement on generated signals whose every sample is known, and the
// generated media read back in every format to what was asked for.
#include "support/TestEnv.h"
#include "support/TestMedia.h"
#include "support/WavAnalysis.h"

#include <QFile>

#include <gst/gst.h>
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

Wav Make(const std::vector<std::vector<TestMedia::Part>>& layers)
{
    return Load(TestMedia::WriteMixWav(TestEnv::MakeTempDir() + "/x.wav", layers));
}

// True when GStreamer's decodebin decodes the file to its end.
bool GstDecodes(const QString& path)
{
    gst_init(nullptr, nullptr);
    GstElement* pipe = gst_parse_launch("filesrc name=src ! decodebin ! fakesink", nullptr);
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipe), "src");
    g_object_set(src, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(src);
    gst_element_set_state(pipe, GST_STATE_PLAYING);
    const bool ok = TestMedia::WaitForEndOrError(pipe, 20, QStringLiteral("timeout")).isEmpty();
    gst_element_set_state(pipe, GST_STATE_NULL);
    gst_object_unref(pipe);
    return ok;
}

} // namespace

TEST(WavReadTest, WrittenFilesReadBackExactToTheSample)
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

// A recorder that never finished its file leaves the header as it started
// it (data size 0x7fff0000); what is there is read, whole frames only.
// What is no audio is refused with a reason.
TEST(WavReadTest, AnUnfinishedRecordingIsReadAndWhatIsNoAudioIsRefused)
{
    const QString dir = TestEnv::MakeTempDir();
    QFile f(TestMedia::WriteWav(dir + "/t.wav", {Tone(440, 0.1)}));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray unfinished = f.readAll().left(44 + 4 * 1000 + 3);
    unfinished.replace(4, 4, QByteArray::fromHex("2400ff7f")).replace(40, 4, QByteArray::fromHex("0000ff7f"));
    EXPECT_EQ(Load(TestEnv::WriteFile(dir + "/cut.wav", unfinished)).Frames(), 1000);

    for (const QString& path : {TestMedia::TextAsWav(dir), TestMedia::CorruptMp3(dir),
                                TestEnv::WriteFile(dir + "/empty.wav", {}), dir + "/missing.wav"}) {
        QString error;
        EXPECT_FALSE(ReadWav(path, &error)) << path.toStdString();
        EXPECT_FALSE(error.isEmpty()) << path.toStdString();
        EXPECT_FALSE(GstDecodes(path)) << path.toStdString();
    }
}

TEST(WavAnalysisTest, SequenceOfTonesAndSilencesIsFoundToTheMillisecond)
{
    const Wav wav = Make({{Silence(0.1234), Tone(440, 0.5, -12), Silence(0.3), Tone(880, 0.4, -20),
                           Silence(0.2)}});
    struct {
        double freq, start, end, levelDb;
    } const want[] = {{440, 0.1234, 0.6234, -12}, {880, 0.9234, 1.3234, -20}};
    const auto segs = Segments(wav, {440, 880, 1500});
    ASSERT_EQ(segs.size(), std::size(want));
    for (size_t i = 0; i < segs.size(); ++i) {
        SCOPED_TRACE(want[i].freq);
        EXPECT_EQ(segs[i].freq, want[i].freq);
        EXPECT_NEAR(segs[i].start, want[i].start, 0.0005);
        EXPECT_NEAR(segs[i].end, want[i].end, 0.0005);
        EXPECT_NEAR(segs[i].levelDb, want[i].levelDb, 0.2);
        EXPECT_NEAR(ToneOnset(wav, want[i].freq).value_or(-1), want[i].start, 0.0005);
        EXPECT_NEAR(ToneEnd(wav, want[i].freq, want[i].start + 0.1).value_or(-1), want[i].end, 0.0005);
        EXPECT_FALSE(ToneOnset(wav, want[i].freq, want[i].end + 0.01)); // none after its end
    }

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

// A loud tone with two quieter ones starting and ending under it: each
// is measured on its own, and a loud neighbour's start is not taken for a
// quiet tone's onset.
TEST(WavAnalysisTest, OverlappingTonesAreMeasuredApart)
{
    const Wav wav = Make({{Tone(440, 1.0, -6)}, {Silence(0.25), Tone(880, 0.5, -20)},
                          {Silence(0.6), Tone(1500, 0.2, -30)}});
    struct {
        double freq, onset, end, levelDb; // end NAN: sounds to the end of the file
    } const tones[] = {{440, 0, NAN, -6}, {880, 0.25, 0.75, -20}, {1500, 0.6, 0.8, -30}};
    for (const auto& t : tones) {
        SCOPED_TRACE(t.freq);
        EXPECT_NEAR(ToneLevelDb(wav, t.freq, t.onset + 0.02, t.onset + 0.18), t.levelDb, 0.1);
        EXPECT_NEAR(ToneOnset(wav, t.freq).value_or(-1), t.onset, 0.001);
        const auto end = ToneEnd(wav, t.freq, t.onset + 0.1);
        EXPECT_EQ(end.has_value(), !std::isnan(t.end));
        if (end && !std::isnan(t.end)) {
            EXPECT_NEAR(*end, t.end, 0.001);
        }
    }
    EXPECT_LT(ToneLevelDb(wav, 880, 0.05, 0.2), -60);
    const auto segs = Segments(wav, {440, 880});
    ASSERT_FALSE(segs.empty());
    EXPECT_EQ(segs[0].freq, 440); // the loudest wins
}

TEST(WavAnalysisTest, FadeCurvesFollowTheRampWhileAnotherToneFadesIn)
{
    const Wav wav = Make({{Fade(440, 2.0, -6, -46)}, {Fade(880, 2.0, -46, -6)}});
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
    const Wav wav = Make({{Silence(0.5)}});
    EXPECT_TRUE(Segments(wav, {440, 880}).empty());
    EXPECT_FALSE(ToneOnset(wav, 440));
    EXPECT_FALSE(ToneEnd(wav, 440, 0.1));
    EXPECT_FALSE(FirstSound(wav));
    EXPECT_EQ(RmsDb(wav, 0, 0.5), kSilentDb);
    EXPECT_EQ(ToneLevelDb(wav, 440, 0, 0.5), kSilentDb);
    const auto gaps = SilentGaps(wav, 0, 0.5);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_NEAR(gaps[0].Length(), 0.5, kSample);

    const Wav tone = Make({{Tone(1000, 0.2, -6)}});
    EXPECT_EQ(RmsDb(tone, 0.3, 0.4), kSilentDb);
    EXPECT_EQ(RmsDb(tone, 0.1, 0.1), kSilentDb);
    EXPECT_TRUE(ToneCurveDb(tone, 1000, 0.3, 1.0).empty());
    EXPECT_NEAR(RmsDb(tone, 0, 0.2), -6 - 3.0103, 0.02);
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

// Every format the air tests play holds the tone at its length and level:
// read back by libsndfile where it can, decoded by GStreamer where it must.
TEST(TestMediaTest, EveryFormatHoldsTheSameToneAtTheSameLevel)
{
    const QString dir = TestEnv::MakeTempDir();
    const QString wavPath = TestMedia::WriteWav(dir + "/tone.wav", {Tone(1000, 1.0, -10), Silence(0.2)});
    using F = TestMedia::Format;
    struct {
        F format;
        const char* ext;
        qint64 extraFrames; // decoder padding allowed; -1: libsndfile cannot read it
        bool gst;           // decoded by decodebin here (the PCM containers' parsers
                            // stall in it at times: the air tests catch that)
    } const cases[] = {{F::Flac, "flac", 0, true},  {F::Ogg, "ogg", 0, true},    {F::Mp3, "mp3", 2400, true},
                       {F::Aiff, "aiff", 0, false}, {F::Au, "au", 0, false},     {F::W64, "w64", 0, false},
                       {F::M4a, "m4a", -1, true},   {F::Mka, "mka", -1, true},   {F::Opus, "opus", -1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ext);
        QString error;
        const QString path = TestMedia::Encode(wavPath, c.format, &error);
        ASSERT_EQ(path, dir + "/tone." + c.ext) << error.toStdString();
        if (c.gst) {
            EXPECT_TRUE(GstDecodes(path));
        }
        if (c.extraFrames < 0)
            continue;
        const Wav wav = Load(path);
        EXPECT_EQ(wav.rate, 44100);
        EXPECT_GE(wav.Frames(), 52920);
        EXPECT_LE(wav.Frames(), 52920 + c.extraFrames);
        const auto segs = Segments(wav, {440, 1000, 2000});
        ASSERT_EQ(segs.size(), 1u);
        EXPECT_EQ(segs[0].freq, 1000);
        EXPECT_NEAR(segs[0].Length(), 1.0, 0.002);
        EXPECT_NEAR(segs[0].levelDb, -10, 0.5);
    }
    QString error;
    EXPECT_TRUE(TestMedia::Encode(dir + "/missing.wav", F::Ogg, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}
