// The real playout on the recorded air: the headless program plays items
// into the air sink one after another, overlapping and fading as the
// settings say, and the recording shows when each item sounded, how the
// old one faded and where the air was silent. Stop is driven on an engine
// in this process with the real tracks (the program has no Stop key).
#include "PlayoutAir.h"

#include "app/Commands.h"
#include "app/UserInterface.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "platform/Shell.h"
#include "playlist/Playlist.h"
#include "support/TestMedia.h"

#include <cstring>
#include <tuple>

using namespace WavAnalysis;
using HeadlessLirana::Dword;
using HeadlessLirana::Flag;
using HeadlessLirana::Real;
using HeadlessLirana::Text;

// Overlap 2 s with a 1.5 s fade: B starts 2 s before A's end, A falls from
// full level to silence over the fade period, the air is never silent.
TEST_F(PlayoutAirTest, OverlapStartsTheNextItemEarlyAndFadesTheOldOne)
{
    const double lengthA = 4.0, lengthB = 1.5, overlap = 2.0, period = 1.5;
    TestMedia::ToneWav(dir, "a", 440, lengthA, -6);
    TestMedia::ToneWav(dir, "b", 1000, lengthB, -12);
    WriteHive({{"Overlap Time", Dword(2000)},
               {"Fade On Overlap", Flag(true)},
               {"Fade Period", Real(period)},
               {"AudioSink", Text("pulsesink")}});
    const auto [run, wav] = PlayRecorded({dir + "/a.wav", dir + "/b.wav"});
    EXPECT_EQ(run.lines, QStringList({"startup", "start\ta", "start\tb", "shutdown"})) << Lines(run);

    const auto onsetA = ToneOnset(wav, 440);
    ASSERT_TRUE(onsetA);
    const auto onsetB = ToneOnset(wav, 1000, *onsetA);
    ASSERT_TRUE(onsetB);
    // A is cut by its fade before its own end: its end on the air is where
    // the file would have ended, counted from its onset (exact for WAV).
    const double endA = *onsetA + lengthA;
    const double error = *onsetB - (endA - overlap);
    Report("B onset minus (A end - overlap)", error * 1000);
    ExpectOnTime(error);

    // B itself plays whole.
    const auto endB = ToneEnd(wav, 1000, *onsetB + 0.2);
    ASSERT_TRUE(endB);
    EXPECT_NEAR(*endB - *onsetB, lengthB, 0.02);

    // A fades from B's onset over the period, and is gone after it.
    const double fullA = ToneLevelDb(wav, 440, *onsetA + 0.2, *onsetA + 1.0);
    EXPECT_NEAR(fullA, -6, 1.0);
    ExpectFadesOut(wav, 440, *onsetB, period, fullA);
    // Where A is last heard above -60 dBFS: the fade's length on the air.
    const double gone = [&] {
        double last = *onsetB;
        for (const CurvePoint& p : ToneCurveDb(wav, 440, *onsetB, *onsetB + period + 1.0, 0.03, 0.01))
            if (p.levelDb > -60)
                last = p.time;
        return last;
    }();
    Report("A audible after B's onset", (gone - *onsetB) * 1000);
    EXPECT_NEAR(gone - *onsetB, period, 0.25);

    // No silence anywhere from A's onset to B's end.
    const auto gaps = SilentGaps(wav, *onsetA + 0.001, *endB - 0.001, -60, 0.005);
    EXPECT_TRUE(gaps.empty()) << "silent from " << gaps.front().start << " s for "
                              << gaps.front().Length() * 1000 << " ms";
}

// Per-item overlap in the file name: "~1" overlaps the next item by 1 s
// although the setting says 2 s; "~0" never overlaps, the next item follows
// its end. Without fade on overlap the old item plays to its own end.
TEST_F(PlayoutAirTest, TheOverlapOfTheFileNameWinsAndZeroFollowsTheEnd)
{
    TestMedia::ToneWav(dir, "a~1", 440, 3.0, -12);
    TestMedia::ToneWav(dir, "b~0", 1000, 1.5, -12);
    TestMedia::ToneWav(dir, "c", 1600, 0.5, -12);
    WriteHive({{"Overlap Time", Dword(2000)},
               {"Fade On Overlap", Flag(false)},
               {"AudioSink", Text("pulsesink")}});
    const auto [run, wav] = PlayRecorded({dir + "/a~1.wav", dir + "/b~0.wav", dir + "/c.wav"});
    EXPECT_EQ(run.lines.size(), 5) << Lines(run);

    const auto onsetA = ToneOnset(wav, 440);
    ASSERT_TRUE(onsetA);
    const auto endA = ToneEnd(wav, 440, *onsetA + 0.5);
    const auto onsetB = ToneOnset(wav, 1000, *onsetA);
    ASSERT_TRUE(endA && onsetB);
    const auto endB = ToneEnd(wav, 1000, *onsetB + 0.2);
    const auto onsetC = ToneOnset(wav, 1600, *onsetB);
    ASSERT_TRUE(endB && onsetC);

    // Not faded: A and B play whole, at full level, A under B.
    EXPECT_NEAR(*endA - *onsetA, 3.0, 0.02);
    EXPECT_NEAR(*endB - *onsetB, 1.5, 0.02);
    EXPECT_NEAR(LevelAt(wav, 440, *endA - 0.1), -12, 1.0);
    const double overlapError = *onsetB - (*endA - 1.0);
    Report("B onset minus (A end - 1 s)", overlapError * 1000);
    ExpectOnTime(overlapError);

    // "~0": C starts after B's end, never under it.
    const double silence = *onsetC - *endB;
    Report("silence between ~0 item and the next", silence * 1000);
    EXPECT_GE(silence, 0.0);
    EXPECT_LT(silence, 0.3);
    EXPECT_LT(LevelAt(wav, 1600, *endB - 0.05), -50);
}

// Broken items each give one clear error line naming the file; with
// IgnoreErrors the next item plays and its tone is on the air.
TEST_F(PlayoutAirTest, BrokenItemsAreLoggedAndTheNextItemPlays)
{
    const QString corrupt = TestMedia::CorruptMp3(dir);
    const QString text = TestMedia::TextAsWav(dir);
    const QString missing = dir + "/missing.wav";
    TestMedia::ToneWav(dir, "one", 500, 0.4, -12);
    TestMedia::ToneWav(dir, "two", 1000, 0.4, -12);
    TestMedia::ToneWav(dir, "three", 1500, 0.4, -12);
    WriteHive({{"Overlap Time", Dword(0)},
               {"IgnoreErrors", Flag(true)},
               {"AudioSink", Text("pulsesink")}});
    const auto [run, wav] =
        PlayRecorded({corrupt, dir + "/one.wav", text, dir + "/two.wav", missing, dir + "/three.wav"});
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString(); // ignored errors show no message

    // startup, then per broken item "start" and "error", per tone "start".
    ASSERT_EQ(run.lines.size(), 11) << Lines(run);
    EXPECT_EQ(run.lines.filter(QRegularExpression(QStringLiteral("^start\\t"))).replaceInStrings("start\t", ""),
              QStringList({"corrupt", "one", "text", "two", "missing", "three"}));
    const QStringList errors = run.lines.filter(QRegularExpression(QStringLiteral("^error\\t")));
    ASSERT_EQ(errors.size(), 3) << Lines(run);
    const char* const names[] = {"corrupt.mp3", "text.wav", "missing.wav"};
    for (int i = 0; i < 3; ++i) {
        const char* broken = names[i];
        EXPECT_TRUE(errors[i].contains(QLatin1String(broken))) << errors[i].toStdString();
        EXPECT_GT(errors[i].size(), 6 + qsizetype(std::strlen(broken)) + 10)
            << "no reason given: " << errors[i].toStdString();
        std::cout << "[ log      ] " << errors[i].toStdString() << '\n';
    }

    const auto segs = Segments(wav, {500, 1000, 1500});
    ASSERT_EQ(segs.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(segs[i].freq, std::vector<double>({500, 1000, 1500})[i]);
        EXPECT_NEAR(segs[i].Length(), 0.4, 0.02);
    }
    // A failed item takes no air time beyond a normal change of items.
    Report("silence across a broken item", (segs[1].start - segs[0].end) * 1000);
    EXPECT_LT(segs[1].start - segs[0].end, 0.5);
}

// An output that names no element: every item reports it clearly and the
// run goes on to the end of the list (nothing can sound, nothing hangs).
TEST_F(PlayoutAirTest, AnUnknownAudioSinkIsReportedForEveryItem)
{
    TestMedia::ToneWav(dir, "one", 500, 0.4, -12);
    TestMedia::ToneWav(dir, "two", 1000, 0.4, -12);
    WriteHive({{"Overlap Time", Dword(0)},
               {"IgnoreErrors", Flag(true)},
               {"AudioSink", Text("nosuchsink")}});
    const auto [run, wav] = PlayRecorded({dir + "/one.wav", dir + "/two.wav", "0.pause"}, 10000);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const QStringList errors = run.lines.filter(QRegularExpression(QStringLiteral("^error\\t")));
    ASSERT_EQ(errors.size(), 2) << Lines(run);
    for (const QString& e : errors) {
        EXPECT_TRUE(e.contains(QLatin1String("nosuchsink"))) << e.toStdString();
        std::cout << "[ log      ] " << e.toStdString() << '\n';
    }
    EXPECT_TRUE(run.lines.contains(QStringLiteral("start\t0 sec."))) << Lines(run);
    EXPECT_EQ(RmsDb(wav, 0, wav.Duration()), kSilentDb);
}

// ------------------------------------------------------------------ Stop

namespace {

struct QuietUi : UserInterface
{
    QStringList messages;
    void ShowMessage(const QString& text, Icon) override { messages << text; }
};

struct NoShell : Shell
{
    bool StartProgram(const QString&, const QStringList&, const QString&, QString*) override
    {
        return false;
    }
};

// The player engine on the real tracks (the default track factory), in
// this process, playing into the air.
class EngineOnAir
{
public:
    EngineOnAir()
    {
        qputenv("LIRANA_AUDIO_SINK", "pulsesink");
        log.AddSink([this](const QString& line) { entries << line.section(u'\t', 1); });
        COnAirEngine::Seams seams;
        seams.playlist = &list;
        seams.log = &log;
        seams.ui = &ui;
        seams.shell = &shell;
        engine = std::make_unique<COnAirEngine>(std::move(seams));
    }
    ~EngineOnAir()
    {
        engine->Shutdown(false);
        engine.reset();
        qunsetenv("LIRANA_AUDIO_SINK");
    }

    CPlaylist list;
    CPlayLog log{Clock::System()};
    QStringList entries;
    QuietUi ui;
    NoShell shell;
    std::unique_ptr<COnAirEngine> engine;
};

} // namespace

// Stop with "Fade On Stop" fades the item on air over the fade period;
// with a period of 0 it cuts at once. Both measured from the moment Stop
// was given.
TEST_F(PlayoutAirTest, StopFadesOverThePeriodOrCutsWithoutOne)
{
    TestMedia::ToneWav(dir, "warm", 1700, 0.05, -12);
    const QString a = TestMedia::ToneWav(dir, "a", 440, 5.0, -6);
    const QString b = TestMedia::ToneWav(dir, "b", 1000, 5.0, -6);
    const double period = 1.0;
    StartRecording();
    qint64 stopFadeNs = 0, stopCutNs = 0;
    {
        EngineOnAir air;
        air.engine->Settings().overlapTime = 0;
        air.engine->Settings().fadeOnStop = true;
        // The first track of a process loads the plug-ins: play it first.
        air.list.Reset({dir + "/warm.wav"}, 0);
        air.engine->Startup();
        air.engine->OnPlay();
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return air.engine->IsIdle(); }, 5000));

        for (const auto& [path, fade, stopNs] :
             {std::tuple{a, period, &stopFadeNs}, std::tuple{b, 0.0, &stopCutNs}}) {
            air.engine->Settings().fadePeriod = fade;
            air.list.Reset({path}, 0);
            air.engine->OnPlay();
            ASSERT_NE(air.engine->OnAir(), nullptr) << air.entries.join(" | ").toStdString();
            const qint64 played = AirRecorder::NowNs();
            ASSERT_TRUE(TestEnv::WaitUntil(
                [&] { return AirRecorder::NowNs() >= played + 1000000000; }, 3000));
            *stopNs = AirRecorder::NowNs();
            air.engine->OnCommand(Cmd::Stop);
            Report(fade > 0 ? "Stop command (fade) took" : "Stop command (cut) took",
                   double(AirRecorder::NowNs() - *stopNs) / 1e6);
            EXPECT_EQ(air.engine->OnAir(), nullptr);
            ASSERT_TRUE(TestEnv::WaitUntil([&] { return air.engine->IsIdle(); }, 5000));
            ASSERT_TRUE(recorder.RecordFor(0.3));
        }
        EXPECT_TRUE(air.ui.messages.isEmpty()) << air.ui.messages.join(" | ").toStdString();
    }
    const Wav wav = StopAndRead();

    // The fade: from Stop over the period, gone at its end; linear in dB
    // (-40 dB over the period), so 20 dB down halfway.
    const double stopA = recorder.ToSeconds(stopFadeNs);
    const auto onsetA = ToneOnset(wav, 440);
    ASSERT_TRUE(onsetA);
    const double fullA = ToneLevelDb(wav, 440, *onsetA + 0.1, stopA - 0.1);
    EXPECT_NEAR(fullA, -6, 1.0);
    const double halfway = ExpectFadesOut(wav, 440, stopA, period, fullA, 0.15);
    Report("Stop to A 20 dB down", halfway * 1000);
    EXPECT_NEAR(halfway, period / 2, 0.2);
    const auto endA = ToneEnd(wav, 440, stopA - 0.05, -60);
    ASSERT_TRUE(endA);
    Report("Stop to A silent (fade 1 s)", (*endA - stopA) * 1000);
    EXPECT_NEAR(*endA - stopA, period, 0.2);

    // The cut: B at full level until Stop, silent right after.
    const double stopB = recorder.ToSeconds(stopCutNs);
    const auto endB = ToneEnd(wav, 1000, stopB - 0.1, -60);
    ASSERT_TRUE(endB);
    Report("Stop to B silent (no fade)", (*endB - stopB) * 1000);
    // The recording's clock mapping may place Stop some ms late (see
    // docs/air-tests.md), so "before Stop" is only believed beyond 20 ms.
    EXPECT_GT(*endB - stopB, -0.02);
    EXPECT_LT(*endB - stopB, 0.15);
    EXPECT_NEAR(LevelAt(wav, 1000, *endB - 0.03), -6, 1.5);
}
