// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture of the playout tests on the air: the real program runs
// headless with its own configuration (home) into the test's sound server,
// and the recording of the air is read back for measurement. The runs of
// the program without a sound server use the same start and finish.
#pragma once

#include "HeadlessLirana.h"

#include "support/AirTest.h"
#include "support/TestMedia.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace WavAnalysis;
using namespace HeadlessLirana;

struct RunResult
{
    int exitCode = -1;
    QStringList lines; // stdout, time stamps removed
    QString err;       // stderr, but for the audio output and reopen lines
};

inline std::string Lines(const RunResult& run)
{
    return (run.lines.join(QStringLiteral(" | ")) + QStringLiteral("\nstderr: ") + run.err).toStdString();
}

// The play log's error lines.
inline QStringList Errors(const RunResult& run)
{
    return run.lines.filter(QRegularExpression(QStringLiteral("^error\\t")));
}

// Starts `lirana args...` with its hive and folders below home (and the
// given variables on top of HeadlessLirana::Environment); it runs while the
// test goes on. Null (a failure) when it cannot run.
inline std::unique_ptr<QProcess> StartLirana(const QString& home, const QStringList& args,
                                             const std::vector<std::pair<QString, QString>>& extraEnv = {})
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = Environment(home);
    for (const auto& [name, value] : extraEnv)
        env.insert(name, value);
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(home);
    p->start(QStringLiteral(LIRANA_BINARY), args);
    if (!p->waitForStarted(5000)) {
        ADD_FAILURE() << "lirana did not start: " << p->errorString().toStdString();
        return nullptr;
    }
    return p;
}

// Waits until the program ends, killing it after timeoutMs (a failure:
// a hang fails the test, not the whole run), and collects its output.
inline RunResult Finish(QProcess& p, int timeoutMs)
{
    RunResult run;
    if (!TestEnv::WaitUntil([&] { return p.state() == QProcess::NotRunning; }, timeoutMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "lirana did not finish within " << timeoutMs << " ms";
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    static const QRegularExpression kept(QStringLiteral("^(?!lirana: (the preroll of |audio output: ))"));
    run.err = QString::fromLocal8Bit(p.readAllStandardError())
                  .split(u'\n', Qt::SkipEmptyParts)
                  .filter(kept)
                  .join(u'\n');
    static const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\t"));
    run.lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.lines.replaceInStrings(stamp, QString());
    return run;
}

// `lirana --headless --play --exit-at-end --log-stdout --output none
// items...` (no sound server: the air bus keeps time by itself), to its end.
inline RunResult RunOffAir(const QString& home, const QStringList& items, int timeoutMs)
{
    const auto p = StartLirana(home, PlayArgs(QStringList{"--output", "none"} + items));
    return p ? Finish(*p, timeoutMs) : RunResult{};
}

class PlayoutAirTest : public AirTest
{
protected:
    // Starts `lirana --headless --play --exit-at-end --log-stdout items...`
    // into the air.
    std::unique_ptr<QProcess> Launch(const QStringList& items)
    {
        return StartLirana(home, PlayArgs(items), extraEnv);
    }

    // Finishes a run (see Finish) that the recorder has been recording,
    // records 0.2 s beyond, and expects a clean exit. The run and its air.
    std::pair<RunResult, Wav> FinishRecorded(QProcess* p, int timeoutMs)
    {
        const RunResult run = p ? Finish(*p, timeoutMs) : RunResult{};
        EXPECT_TRUE(recorder.RecordFor(0.2));
        EXPECT_EQ(run.exitCode, 0) << Lines(run);
        if (qEnvironmentVariableIsSet("LIRANA_TEST_SHOW_ERR"))
            std::cerr << "STDERR: " << run.err.toStdString() << std::endl;
        return {run, StopAndRead()};
    }

    // Records the air into dir/name while the program plays items to their
    // end (a hang fails after timeoutMs).
    std::pair<RunResult, Wav> PlayRecorded(const QStringList& items, int timeoutMs = 20000,
                                           const QString& name = QStringLiteral("air.wav"))
    {
        StartRecording(name);
        return FinishRecorded(Launch(items).get(), timeoutMs);
    }

    // Set for the program on top of HeadlessLirana::Environment.
    std::vector<std::pair<QString, QString>> extraEnv;

    QString home = TestEnv::MakeTempDir(QStringLiteral("lirana-home")); // the program's hive and folders
};

// The segments are the tones `freqs` in turn, each near its length (the
// last of `lengths` for the rest) and after less than `maxGap` of silence.
inline void ExpectInTurn(const std::vector<Segment>& segs, const std::vector<double>& freqs,
                         const std::vector<double>& lengths, double tolerance, double maxGap)
{
    ASSERT_EQ(segs.size(), freqs.size()) << Describe(segs);
    for (size_t i = 0; i < segs.size(); ++i) {
        SCOPED_TRACE(Describe(segs) + "segment " + std::to_string(i));
        EXPECT_EQ(segs[i].freq, freqs[i]);
        EXPECT_NEAR(segs[i].Length(), lengths[std::min(i, lengths.size() - 1)], tolerance);
        EXPECT_LT(i ? segs[i].start - segs[i - 1].end : 0, maxGap) << "silence before it";
    }
}

// The tone level of `freq` around t (a 40 ms window).
inline double LevelAt(const Wav& wav, double freq, double t)
{
    return ToneLevelDb(wav, freq, t - 0.02, t + 0.02);
}

// A fade of `freq` from `from` over `period`, as the program fades (a
// staircase of 100 ms steps, linear in dB): still near fullDb as it begins,
// 20 dB down `before` ahead of its end, and never rising on the way (one
// step's worth of measurement wobble allowed) until it is in the noise.
// Returns the time from `from` at which it first was 20 dB down, or -1.
inline double ExpectFadesOut(const Wav& wav, double freq, double from, double period, double fullDb,
                             double before = 0.2)
{
    EXPECT_GT(LevelAt(wav, freq, from + 0.03), fullDb - 3.5);
    EXPECT_LT(LevelAt(wav, freq, from + period - before), fullDb - 20);
    const auto curve = ToneCurveDb(wav, freq, from, from + period, 0.03, 0.01);
    EXPECT_FALSE(curve.empty());
    double lowest = curve.empty() ? 0 : curve.front().levelDb, down20 = -1;
    for (const CurvePoint& p : curve) {
        if (p.levelDb < fullDb - 50)
            break;
        EXPECT_LE(p.levelDb, lowest + 1.0) << "rises at " << p.time - from << " s into the fade";
        lowest = std::min(lowest, p.levelDb);
        if (down20 < 0 && p.levelDb <= fullDb - 20)
            down20 = p.time - from;
    }
    return down20;
}
