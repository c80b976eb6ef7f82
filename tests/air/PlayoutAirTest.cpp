// SPDX-License-Identifier: GPL-3.0-or-later
// The real playout on the recorded air: the headless program plays items
// into the air sink one after another, overlapping and fading as the
// settings and the file names say, and the recording shows when each item
// sounded, how the old one faded and where the air was silent. Stop is
// driven on a station in this process with the real tracks (the program
// has no Stop key).
#include "PlayoutAir.h"

#include "app/Commands.h"
#include "playlist/Playlist.h"
#include "station/Station.h"
#include "support/Fakes.h"

#include <csignal>
#include <tuple>

// b starts 2 s before a's end, by the setting or by "~1" in a's name. With
// fade on overlap a fades out under b over 1.5 s; without, it plays whole at
// full level. "~0" in b's name never overlaps: c follows b's end. The air is
// never silent from a's onset to b's end.
TEST_F(PlayoutAirTest, OverlapsOfTheSettingsAndTheFileNamesStartTheNextItemEarly)
{
    const double period = 1.5;
    struct
    {
        bool fade;
        QStringList items;
    } const cases[] = {
        {true, {TestMedia::ToneWav(dir, "a", 440, 4.0, -6), TestMedia::ToneWav(dir, "b", 1000, 1.5, -12)}},
        {false,
         {TestMedia::ToneWav(dir, "a~1", 440, 3.0, -6), TestMedia::ToneWav(dir, "b~0", 1000, 1.5, -12),
          TestMedia::ToneWav(dir, "c", 1600, 0.5, -12)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fade ? "fade on overlap" : "no fade");
        WriteHive(home, {{"Overlap Time", Dword(2000)},
                         {"Fade On Overlap", Flag(c.fade)},
                         {"Fade Period", Real(period)},
                         {"AudioSink", Text("pulsesink")}});
        const auto [run, wav] = PlayRecorded(c.items, 20000, c.fade ? "fade.wav" : "whole.wav");
        EXPECT_EQ(run.lines.size(), c.items.size() + 2) << Lines(run);

        const auto onsetA = ToneOnset(wav, 440);
        ASSERT_TRUE(onsetA);
        const auto onsetB = ToneOnset(wav, 1000, *onsetA);
        ASSERT_TRUE(onsetB);
        const auto endB = ToneEnd(wav, 1000, *onsetB + 0.2);
        const auto goneA = ToneEnd(wav, 440, *onsetB + 0.1, -60);
        ASSERT_TRUE(endB && goneA);
        // Where a's file would have ended on the air is counted from its
        // onset (exact for WAV). b was opened ahead and started its start
        // latency early on a's clock: its first sound is within 30 ms of
        // the overlap point either way.
        const double late = *onsetB - (*onsetA + 2.0);
        Report("b onset minus (a end - overlap)", late * 1000);
        EXPECT_GT(late, -0.03);
        EXPECT_LT(late, 0.03 + kInstrumentedSlack);
        EXPECT_NEAR(*endB - *onsetB, 1.5, 0.02 + kInstrumentedSlack);
        const double fullA = ToneLevelDb(wav, 440, *onsetA + 0.2, *onsetA + 1.0);
        EXPECT_NEAR(fullA, -6, 1.0);
        if (c.fade) {
            ExpectFadesOut(wav, 440, *onsetB, period, fullA);
            EXPECT_NEAR(*goneA - *onsetB, period, 0.25);
        } else {
            EXPECT_NEAR(*goneA - *onsetA, 3.0, 0.02 + kInstrumentedSlack);
            EXPECT_NEAR(LevelAt(wav, 440, *goneA - 0.1), -6, 1.0);
        }
        const auto gaps = SilentGaps(wav, *onsetA + 0.001, *endB - 0.001, -60, 0.005);
        EXPECT_TRUE(gaps.empty()) << "silent from " << gaps.front().start << " s for "
                                  << gaps.front().Length() * 1000 << " ms";
        if (c.items.size() > 2) {
            const auto onsetC = ToneOnset(wav, 1600, *onsetB);
            ASSERT_TRUE(onsetC);
            // "~0": c's first sound follows b's last one, within 30 ms.
            Report("c onset minus b end (~0)", (*onsetC - *endB) * 1000);
            EXPECT_GT(*onsetC - *endB, -0.03);
            EXPECT_LT(*onsetC - *endB, 0.03 + kInstrumentedSlack);
            EXPECT_LT(LevelAt(wav, 1600, *endB - 0.05), -50);
        }
    }
}

// A mini playlist plays as one row: its first entry follows the row before
// on the sample after its last; each entry starts 1 s (the default
// "MiniPlaylist Overlap Time") before the one before it ends and that one
// plays on whole beside it; the row after the list follows the end of its
// last entry. The play log has the list's start, then each entry's. No error
// on the way.
TEST_F(PlayoutAirTest, AMiniPlaylistOverlapsItsEntriesAndHandsOnToTheNextRow)
{
    QStringList entries;
    for (const auto& [name, freq] : {std::pair{"a", 440}, {"b", 1000}, {"c", 1600}})
        entries << TestMedia::ToneWav(dir, name, freq, 2.0, -12);
    const QString mpl = TestEnv::WriteFile(dir + "/set.mpl", (entries.join(u'\n') + u'\n').toUtf8());
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}});
    const QString before = TestMedia::ToneWav(dir, "pre", 3000, 1.5, -12); // time to measure the list
    const auto [run, wav] = PlayRecorded({before, mpl, TestMedia::ToneWav(dir, "d", 2400, 0.5, -12)});
    EXPECT_EQ(run.lines.filter(QRegularExpression("^(start|error)\\t")),
              QStringList({"start\tpre", "start\tset", "start\ta", "start\tb", "start\tc", "start\td"}))
        << Lines(run);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    // Each entry is heard whole; the next one starts 1 s before its end,
    // opened ahead and shot at its time (a loaded machine may fire the shot
    // a little late); the row after the list follows its last entry.
    const auto preOn = ToneOnset(wav, 3000);
    ASSERT_TRUE(preOn);
    const auto preEnd = ToneEnd(wav, 3000, *preOn + 1.0);
    ASSERT_TRUE(preEnd);
    const double freqs[] = {440, 1000, 1600, 2400};
    std::vector<double> onsets;
    for (const double f : freqs) {
        const auto onset = ToneOnset(wav, f, onsets.empty() ? *preEnd - 0.1 : onsets.back());
        ASSERT_TRUE(onset) << f;
        onsets.push_back(*onset);
    }
    Report("first entry onset minus the row before's end", (onsets[0] - *preEnd) * 1000);
    EXPECT_NEAR(onsets[0], *preEnd, 0.01 + kInstrumentedSlack) << "planned on the sample after it";
    for (size_t i = 0; i < 3; ++i) {
        const auto end = ToneEnd(wav, freqs[i], onsets[i] + 1.8); // still sounding beside the next
        ASSERT_TRUE(end) << freqs[i];
        // With both cores busy the first stream of a run may lose a few ms
        // (measured: up to 23 ms, the sanitizer build beside the console's
        // end-to-end test; 31 ms once); the others are whole within 3 ms.
        Report("entry " + std::to_string(i) + " heard", (*end - onsets[i]) * 1000);
        EXPECT_NEAR(*end - onsets[i], 2.0,
                    (i == 0 ? 0.05 : 0.03) + server.StreamEndLoss() + kInstrumentedSlack)
            << freqs[i];
        const double late = onsets[i + 1] - (i < 2 ? onsets[i] + 1.0 : *end);
        Report(i < 2 ? "entry onset minus (entry end - 1 s)" : "next row onset minus last entry end",
               late * 1000);
        EXPECT_GT(late, -0.05); // the position read against the air: some ms either way
        EXPECT_LT(late, (i < 2 ? 0.1 : 0.15) + kInstrumentedSlack);
    }
}

// Broken items, and an output that names no element: each failed item (and
// the output) gives one clear error line, the run goes on to the end of the list with
// IgnoreErrors, and a failed item takes no air time beyond a change-over.
TEST_F(PlayoutAirTest, EveryFailedItemIsLoggedWithItsReasonAndTheRunGoesOn)
{
    const QString corrupt = TestMedia::CorruptMp3(dir), text = TestMedia::TextAsWav(dir);
    QStringList tones;
    for (int f : {500, 1000, 1500})
        tones << TestMedia::ToneWav(dir, "tone" + QString::number(f), f, 0.4, -12);
    struct
    {
        const char* sink;
        QStringList items;
        QStringList errors; // what each error line names
        std::vector<double> sounding;
    } const cases[] = {
        {"pulsesink",
         {corrupt, tones[0], text, tones[1], dir + "/missing.wav", tones[2]},
         {"corrupt.mp3", "text.wav", "missing.wav"},
         {500, 1000, 1500}},
        // An output that cannot be made is the air's: one line, and the
        // programme goes on on the bus's own clock.
        {"nosuchsink", {tones[0], tones[1], "0.pause"}, {"nosuchsink"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sink);
        // Default settings ("IgnoreErrors" off): nobody is at the desk of a
        // headless station, so an error is reported on stderr and never waits.
        WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text(c.sink)}});
        const auto [run, wav] = PlayRecorded(c.items, 15000, QString::fromLatin1(c.sink) + ".wav");
        EXPECT_EQ(run.lines.filter(QRegularExpression("^start\\t")).size(), c.items.size()) << Lines(run);
        const QStringList errors = Errors(run);
        ASSERT_EQ(errors.size(), c.errors.size()) << Lines(run);
        for (qsizetype i = 0; i < errors.size(); ++i) {
            EXPECT_TRUE(errors[i].contains(c.errors[i])) << errors[i].toStdString();
            EXPECT_GT(errors[i].size(), c.errors[i].size() + 16)
                << "no reason given: " << errors[i].toStdString();
            EXPECT_TRUE(c.sounding.empty() || run.err.contains("lirana: error: " + errors[i].mid(6)))
                << run.err.toStdString();
        }
        // Across a broken item, less than 0.5 s of silence.
        ExpectInTurn(Segments(wav, c.sounding), c.sounding, {0.4}, 0.02 + kInstrumentedSlack, 0.5);
        EXPECT_EQ(FirstSound(wav, 0, kSilentDb).has_value(), !c.sounding.empty());
    }
}

// Video items on a headless station, whose service may well have a display
// set: their sound goes on the air, no picture is decoded (GStreamer's own
// choice of video sink ends the process where there is no frame buffer),
// and the next item follows.
const std::vector<double> kVideoTones{500, 900, 1300};

QStringList VideoItems(const QString& dir)
{
    using TestMedia::Format;
    return {TestMedia::Encode(TestMedia::ToneWav(dir, "clip", 500, 1.5, -12), Format::Mp4Video),
            TestMedia::Encode(TestMedia::ToneWav(dir, "film", 900, 1.5, -12), Format::OggTheora),
            TestMedia::ToneWav(dir, "next", 1300, 0.5, -12)};
}

TEST_F(PlayoutAirTest, VideoItemsAirTheirSoundAndTheNextItemFollows)
{
    const QStringList items = VideoItems(dir);
    ASSERT_FALSE(items[0].isEmpty() || items[1].isEmpty());
    extraEnv = {{"DISPLAY", ":77"}};
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}});
    const auto [run, wav] = PlayRecorded(items);
    EXPECT_TRUE(Errors(run).isEmpty()) << Lines(run);
    ExpectInTurn(Segments(wav, kVideoTones), kVideoTones, {1.5, 1.5, 0.5}, 0.06 + kInstrumentedSlack, 0.5);
}

// The console under a window manager plays the same items with its video
// window: the sound on the air, the next item after them, and a clean exit
// at SIGTERM (no crash in a video sink).
TEST_F(PlayoutAirTest, TheConsolePlaysVideoItemsInItsWindowAndTheNextItemFollows)
{
    const QStringList items = VideoItems(dir);
    ASSERT_FALSE(items[0].isEmpty() || items[1].isEmpty());
    const QString album = TestEnv::WriteFile(dir + "/video.m3u", items.join(u'\n').toUtf8() + "\n");
    WriteHive(home, {{"Overlap Time", Dword(0)},
                     {"AudioSink", Text("pulsesink")},
                     {"AutoPlay", Flag(true)},
                     {"Shutdown Confirmation", Flag(false)}});
    StartRecording();
    QProcess console;
    console.setProcessEnvironment(Environment(home));
    console.setWorkingDirectory(home);
    const QString pidFile = dir + "/console.pid", windowFile = dir + "/window";
    // The program in the background; its video window looked for while the
    // first item plays (its title is the item's name).
    const QString script = QStringLiteral("\"$0\" \"$1\" & echo $! >\"$2\"; for i in $(seq 50); do "
                                          "xdotool search --onlyvisible --name '^clip$' >\"$3\" 2>/dev/null "
                                          "&& break; sleep 0.1; done; wait $!");
    console.start("bash", {QStringLiteral(LIRANA_UNDER_WM), "sh", "-c", script, QStringLiteral(LIRANA_BINARY),
                           album, pidFile, windowFile});
    ASSERT_TRUE(console.waitForStarted(5000));
    EXPECT_TRUE(recorder.RecordFor(6.0));
    QFile pidText(pidFile);
    const pid_t pid = pidText.open(QIODevice::ReadOnly) ? pidText.readAll().trimmed().toInt() : 0;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, SIGTERM), 0);
    EXPECT_TRUE(console.waitForFinished(15000));
    EXPECT_EQ(console.exitCode(), 0) << console.readAllStandardError().toStdString();
    EXPECT_GT(QFileInfo(windowFile).size(), 0) << "no video window showed the first item";
    ExpectInTurn(Segments(StopAndRead(), kVideoTones), kVideoTones, {1.5, 1.5, 0.5},
                 0.06 + kInstrumentedSlack, 0.5);
}

// Files that change under a running program: one deleted after it was
// opened ahead still plays whole from what was opened; one deleted before
// its turn is a missing file; a WAV cut to half after it was opened ahead
// plays what is left and hands on at once. The run goes on across each.
TEST_F(PlayoutAirTest, FilesDeletedOrCutShortWhileQueuedNeverStopTheRun)
{
    const std::vector<double> freqs{500, 900, 1300, 1700, 2100};
    const double lengths[] = {2.0, 2.0, 3.0, 2.0, 1.0};
    QStringList items;
    for (size_t i = 0; i < freqs.size(); ++i)
        items << TestMedia::ToneWav(dir, QStringLiteral("item%1").arg(i + 1), freqs[i], lengths[i], -12);
    WriteHive(home,
              {{"Overlap Time", Dword(0)}, {"IgnoreErrors", Flag(true)}, {"AudioSink", Text("pulsesink")}});
    StartRecording();
    const auto p = Launch(items);
    ASSERT_TRUE(p);
    const auto started = [&](const char* item) {
        return TestEnv::WaitUntil(
            [&] { return p->peek(p->bytesAvailable()).contains(QByteArray("	start	") + item + '\n'); },
            10000);
    };
    // Each item is opened ahead as the one before it starts.
    ASSERT_TRUE(started("item1"));
    TestEnv::WaitUntil([] { return false; }, 700);
    ASSERT_TRUE(QFile::remove(items[1]) && QFile::remove(items[3]));
    ASSERT_TRUE(started("item2"));
    TestEnv::WaitUntil([] { return false; }, 700);
    const qint64 cut = 44 + (QFileInfo(items[2]).size() - 44) * 5 / 6 / 4 * 4; // whole frames
    ASSERT_TRUE(QFile::resize(items[2], cut));
    const auto [run, wav] = FinishRecorded(p.get(), 20000);

    const QStringList errors = Errors(run);
    ASSERT_EQ(errors.size(), 1) << Lines(run);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("item4.wav"))) << errors[0].toStdString();
    // What the prepared item read before the cut still plays (its decoder
    // runs about a second ahead: a cut at 1.5 s was heard for 1.56 s); at
    // 2.5 s the cut lies beyond that. item4 is gone.
    ExpectInTurn(Segments(wav, freqs), {500, 900, 1300, 2100}, {2.0, 2.0, 2.5, 1.0},
                 0.03 + kInstrumentedSlack, 0.5);
}

// Stop with "Fade On Stop" fades the item on air over the fade period;
// with a period of 0 it cuts at once. Both measured from the moment Stop
// was given.
TEST_F(PlayoutAirTest, StopFadesOverThePeriodOrCutsWithoutOne)
{
    const QString warm = TestMedia::ToneWav(dir, "warm", 1700, 0.05, -12),
                  a = TestMedia::ToneWav(dir, "a", 440, 5.0, -6),
                  b = TestMedia::ToneWav(dir, "b", 1000, 5.0, -6);
    const double period = 1.0;
    StartRecording();
    qint64 stopFadeNs = 0, stopCutNs = 0;
    {
        qputenv("LIRANA_AUDIO_SINK", "pulsesink");
        RecordingUi ui;
        CStation::Options options;
        options.ui = &ui;
        CStation station(std::move(options));
        COnAirEngine& engine = station.Engine();
        engine.Settings().overlapTime = 0;
        engine.Settings().fadeOnStop = true;
        // The first track of a process loads the plug-ins: play it first.
        station.Playlist().Reset({warm}, 0);
        station.Startup();
        station.OnCommand(Cmd::Play);
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return engine.IsIdle(); }, 5000));

        for (const auto& [path, fade, stopNs] :
             {std::tuple{a, period, &stopFadeNs}, std::tuple{b, 0.0, &stopCutNs}}) {
            engine.Settings().fadePeriod = fade;
            station.Playlist().Reset({path}, 0);
            station.OnCommand(Cmd::Play);
            // The track opens off the engine's thread and goes on air after.
            ASSERT_TRUE(TestEnv::WaitUntil([&] { return engine.OnAir() != nullptr; }, 5000))
                << ui.messages.join(" | ").toStdString();
            const qint64 played = AirRecorder::NowNs();
            ASSERT_TRUE(
                TestEnv::WaitUntil([&] { return AirRecorder::NowNs() >= played + 1000000000; }, 3000));
            *stopNs = AirRecorder::NowNs();
            station.OnCommand(Cmd::Stop);
            EXPECT_EQ(engine.OnAir(), nullptr);
            ASSERT_TRUE(TestEnv::WaitUntil([&] { return engine.IsIdle(); }, 5000));
            ASSERT_TRUE(recorder.RecordFor(0.3));
        }
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(" | ").toStdString();
        station.Shutdown(false);
        qunsetenv("LIRANA_AUDIO_SINK");
    }
    const Wav wav = StopAndRead();

    // The fade: from Stop over the period, linear in dB (-40 dB over the
    // period), so 20 dB down halfway and gone at its end.
    const double stopA = recorder.ToSeconds(stopFadeNs);
    const auto onsetA = ToneOnset(wav, 440);
    ASSERT_TRUE(onsetA);
    const double fullA = ToneLevelDb(wav, 440, *onsetA + 0.1, stopA - 0.1);
    EXPECT_NEAR(fullA, -6, 1.0);
    const double halfway = ExpectFadesOut(wav, 440, stopA, period, fullA, 0.15);
    EXPECT_NEAR(halfway, period / 2, 0.2 + kInstrumentedSlack);
    const auto endA = ToneEnd(wav, 440, stopA - 0.05, -60);
    ASSERT_TRUE(endA);
    EXPECT_NEAR(*endA - stopA, period, 0.2 + kInstrumentedSlack);

    // The cut: b at full level until Stop, silent right after. The clock
    // mapping may place Stop some ms late, so "before Stop" is only
    // believed beyond 20 ms.
    const double stopB = recorder.ToSeconds(stopCutNs);
    const auto endB = ToneEnd(wav, 1000, stopB - 0.1, -60);
    ASSERT_TRUE(endB);
    Report("Stop to b silent (no fade)", (*endB - stopB) * 1000);
    EXPECT_GT(*endB - stopB, -0.02);
    EXPECT_LT(*endB - stopB, 0.15 + kInstrumentedSlack);
    EXPECT_NEAR(LevelAt(wav, 1000, *endB - 0.03), -6, 1.5);
}
