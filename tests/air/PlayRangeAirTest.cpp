// SPDX-License-Identifier: GPL-3.0-or-later
// What of an item reaches the air: Intro Scan plays exactly the stretch the
// settings name, and a mono plug-in in the chain keeps the stereo image.
#include "PlayoutAir.h"

#include <gst/gst.h>

#include <tuple>

// Intro Scan from 5 s for 2 s: of a file whose tone changes every second,
// the air carries the 6th and 7th tones whole and nothing else, for each
// of three items one after another with no gap (a start that plays from 0
// was seen in some runs only, and a gap of 20 ms on a busy machine).
TEST_F(PlayoutAirTest, IntroScanPlaysExactlyTheNamedStretch)
{
    std::vector<double> freqs;
    std::vector<TestMedia::Part> parts;
    for (int second = 0; second < 10; ++second) {
        freqs.push_back(400 + 300 * second);
        parts.push_back(TestMedia::Tone(freqs.back(), 1.0, -12));
    }
    QStringList paths;
    for (int i = 1; i <= 3; ++i)
        paths << TestMedia::WriteWav(dir + QStringLiteral("/scan%1.wav").arg(i), parts);
    WriteHive(home, {{"PlayerMode", Dword(5)},
                     {"IntroStart", Dword(5)},
                     {"IntroLength", Dword(2)},
                     {"Overlap Time", Dword(0)},
                     {"AudioSink", Text("pulsesink")}});
    const Wav wav = PlayRecorded(paths).second;
    // The 6th and 7th seconds of each (no other second of the file) are one
    // stretch, and the next item's stretch follows on the sample (its start
    // is planned on the air).
    const auto segs = Segments(wav, freqs);
    ExpectInTurn(segs, {1900, 2200, 1900, 2200, 1900, 2200}, {1.0}, 0.02 + kInstrumentedSlack, 0.005);
    for (const Segment& s : segs)
        EXPECT_NEAR(s.levelDb, -12, 1.0) << s.freq;
}

// A mono plug-in (an amplifier at 0 dB) in the chain: each channel of a
// stereo item goes through it on its own. The left tone stays on the left
// and the right tone on the right, each at its own level.
TEST_F(PlayoutAirTest, AMonoPlugInKeepsTheStereoImage)
{
    const char* factory = "ladspa-amp-1181-so-amp";
    gst_init(nullptr, nullptr);
    GstElementFactory* found = gst_element_factory_find(factory);
    ASSERT_TRUE(found) << factory << " is missing (swh-plugins, installed by scripts/setup)";
    gst_object_unref(found);

    const QString path = TestMedia::WriteStereoWav(dir + "/lr.wav", {TestMedia::Tone(440, 2.0, -12)},
                                                   {TestMedia::Tone(1000, 2.0, -12)});
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}},
              {{"DirectShow Filters", {{"FilterCount", Dword(1)}}},
               {"DirectShow Filters\\Filter 0",
                {{"Name", Text("Simple amplifier")},
                 {"CLSID", Text(QByteArray("{") + factory + '}')},
                 {"Data", Binary("state, amps-gain=(string)0;")}}}});
    const auto [run, wav] = PlayRecorded({path});
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    const auto onset = ToneOnset(wav, 440, 0, -60);
    ASSERT_TRUE(onset) << "nothing on the air";
    for (const auto& [channel, own, other] : {std::tuple{0, 440, 1000}, std::tuple{1, 1000, 440}}) {
        SCOPED_TRACE(channel);
        const Wav side = wav.Channel(channel);
        const double ownDb = ToneLevelDb(side, own, *onset + 0.2, *onset + 1.8);
        EXPECT_NEAR(ownDb, -12, 1.0);
        EXPECT_LT(ToneLevelDb(side, other, *onset + 0.2, *onset + 1.8), ownDb - 30);
    }
}
