// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture of the playout tests on the air: the real program runs
// headless with its own configuration (home) into the test's sound server,
// and the recording of the air is read back for measurement.
#pragma once

#include "HeadlessLirana.h"

#include "support/AirTest.h"
#include "support/TestMedia.h"

#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct RunResult
{
    int exitCode = -1;
    QStringList lines; // stdout, time stamps removed
    QString err;       // stderr, but for the audio output and reopen lines
};

class PlayoutAirTest : public AirTest
{
protected:
    // Starts `lirana --headless --play --exit-at-end --log-stdout items...`;
    // it plays into the air while the test goes on. Null when it cannot run.
    std::unique_ptr<QProcess> Launch(const QStringList& items)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = HeadlessLirana::Environment(home);
        for (const auto& [name, value] : extraEnv)
            env.insert(name, value);
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(home);
        p->start(QStringLiteral(LIRANA_BINARY), HeadlessLirana::PlayArgs(items));
        if (!p->waitForStarted(5000)) {
            ADD_FAILURE() << "lirana did not start: " << p->errorString().toStdString();
            return nullptr;
        }
        return p;
    }

    // Waits until the program ends, killing it after timeoutMs (a failure:
    // a hang fails the test, not the whole run), and collects its output.
    static RunResult Finish(QProcess& p, int timeoutMs)
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

    // Records the air while the program plays items to their end (a hang
    // fails after timeoutMs), 0.2 s beyond, into dir/name; expects a clean
    // exit. The program's run and the air it made.
    std::pair<RunResult, WavAnalysis::Wav> PlayRecorded(const QStringList& items, int timeoutMs = 20000,
                                                        const QString& name = QStringLiteral("air.wav"))
    {
        StartRecording(name);
        const auto p = Launch(items);
        const RunResult run = p ? Finish(*p, timeoutMs) : RunResult{};
        EXPECT_TRUE(recorder.RecordFor(0.2));
        EXPECT_EQ(run.exitCode, 0) << Lines(run);
        if (qEnvironmentVariableIsSet("LIRANA_TEST_SHOW_ERR"))
            std::cerr << "STDERR: " << run.err.toStdString() << std::endl;
        return {run, StopAndRead()};
    }

    // Set for the program on top of HeadlessLirana::Environment.
    std::vector<std::pair<QString, QString>> extraEnv;

    static std::string Lines(const RunResult& run)
    {
        return (run.lines.join(QStringLiteral(" | ")) + QStringLiteral("\nstderr: ") + run.err).toStdString();
    }

    QString home = TestEnv::MakeTempDir(QStringLiteral("lirana-home")); // the program's hive and folders
};

// The tone level of `freq` around t (a 40 ms window).
inline double LevelAt(const WavAnalysis::Wav& wav, double freq, double t)
{
    return WavAnalysis::ToneLevelDb(wav, freq, t - 0.02, t + 0.02);
}

// A fade of `freq` from `from` over `period`, as the program fades (a
// staircase of 100 ms steps, linear in dB): still near fullDb as it begins,
// 20 dB down `before` ahead of its end, and never rising on the way (one
// step's worth of measurement wobble allowed) until it is in the noise.
// Returns the time from `from` at which it first was 20 dB down, or -1.
inline double ExpectFadesOut(const WavAnalysis::Wav& wav, double freq, double from, double period,
                             double fullDb, double before = 0.2)
{
    EXPECT_GT(LevelAt(wav, freq, from + 0.03), fullDb - 3.5);
    EXPECT_LT(LevelAt(wav, freq, from + period - before), fullDb - 20);
    const auto curve = WavAnalysis::ToneCurveDb(wav, freq, from, from + period, 0.03, 0.01);
    EXPECT_FALSE(curve.empty());
    double lowest = curve.empty() ? 0 : curve.front().levelDb, down20 = -1;
    for (const WavAnalysis::CurvePoint& p : curve) {
        if (p.levelDb < fullDb - 50)
            break;
        EXPECT_LE(p.levelDb, lowest + 1.0) << "rises at " << p.time - from << " s into the fade";
        lowest = std::min(lowest, p.levelDb);
        if (down20 < 0 && p.levelDb <= fullDb - 20)
            down20 = p.time - from;
    }
    return down20;
}
