// SPDX-License-Identifier: GPL-3.0-or-later
// Playout benchmark on the recorded air: the headless program plays into a
// private PulseAudio null sink whose monitor is recorded, and each figure is
// printed with its ratio to a baseline measured in the same run:
//  (a) CPU time (user + sys of the child, from wait4) playing a 60 s MP3,
//      against gst-launch-1.0 playbin on the same file and the same sink;
//  (b) start latency: process start to first sound on the air, against
//      gst-launch-1.0's own;
//  (c) overlap transition error: B's onset minus (A's end - overlap), against
//      a reference that polls a plain playbin's position every millisecond;
//  (d) silence between items that do not overlap ("~0"), against a plain
//      playbin started on the end-of-stream of the one before;
//  (e) the engine thread's longest stall (EngineStall.cpp), against opening
//      the same items on that thread.
// Without a sound server only (a) is measured, with fakesink sync=true.
#include "../tests/air/HeadlessLirana.h"
#include "AirPlayer.h"
#include "BenchSeams.h"
#include "ChildProcess.h"
#include "EngineStall.h"
#include "media/TrackFactory.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "playlist/Playlist.h"

#include "support/AirRecorder.h"
#include "support/AirServer.h"
#include "support/TestEnv.h"
#include "support/TestMedia.h"
#include "support/WavAnalysis.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gst/gst.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <numeric>
#include <optional>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace TestEnv {
QString& RootRef();
}

using namespace WavAnalysis;

namespace {

// A child process started with fork/exec so that wait4 gives its own
// resource usage; stdout lines are stamped with their arrival time.
class Child
{
public:
    struct Line
    {
        qint64 ns;
        QByteArray text;
    };

    bool Start(const QString& program, const QStringList& args, const QStringList& env,
               const QString& workDir)
    {
        startNs = AirRecorder::NowNs();
        m_pid = ChildProcess::SpawnPiped(program, args, env, workDir, {}, &m_out);
        return m_pid > 0;
    }

    // Reads what arrived; true once the child has been reaped.
    bool Poll()
    {
        ReadLines();
        if (m_pid <= 0)
            return true;
        int status = 0;
        const pid_t r = ::wait4(m_pid, &status, WNOHANG, &usage);
        if (r == m_pid) {
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            endNs = AirRecorder::NowNs();
            m_pid = 0;
            ReadLines();
            ::close(m_out);
            m_out = -1;
            return true;
        }
        return false;
    }

    pid_t Pid() const { return m_pid; }

    bool Wait(int timeoutMs)
    {
        return TestEnv::WaitUntil([this] { return Poll(); }, timeoutMs);
    }

    void Terminate()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
    }

    ~Child()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait(2000);
        }
        if (m_out >= 0)
            ::close(m_out);
    }

    double CpuSeconds() const
    {
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }

    std::optional<qint64> LineTime(const QByteArray& start) const
    {
        for (const Line& l : lines)
            if (l.text.startsWith(start))
                return l.ns;
        return std::nullopt;
    }

    qint64 startNs = 0;
    qint64 endNs = 0;
    int exitStatus = -1;
    rusage usage{};
    std::vector<Line> lines; // time stamps of the log removed

private:
    void ReadLines()
    {
        if (m_out < 0)
            return;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0)
                break;
            const qint64 now = AirRecorder::NowNs();
            m_partial.append(buf, n);
            qsizetype nl;
            while ((nl = m_partial.indexOf('\n')) >= 0) {
                QByteArray text = m_partial.left(nl);
                m_partial.remove(0, nl + 1);
                const qsizetype tab = text.indexOf('\t');
                if (tab >= 0 && tab <= 12)
                    text = text.mid(tab + 1);
                lines.push_back({now, text});
            }
        }
    }

    pid_t m_pid = 0;
    int m_out = -1;
    QByteArray m_partial;
};

// CPU seconds (user + sys) the process has used so far, from /proc.
double ProcessCpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

struct Stats
{
    double mean = 0, median = 0, min = 0, max = 0, meanAbs = 0;
    size_t n = 0;
};

Stats Summarise(std::vector<double> v)
{
    Stats s;
    s.n = v.size();
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.min = v.front();
    s.max = v.back();
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    s.mean = std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
    for (double x : v)
        s.meanAbs += std::abs(x);
    s.meanAbs /= double(v.size());
    return s;
}

void PrintList(const char* what, const std::vector<double>& v)
{
    std::printf("    %-28s", what);
    for (double x : v)
        std::printf(" %7.1f", x);
    std::printf("\n");
}

void PrintStats(const char* what, const Stats& s, const char* unit = "ms")
{
    std::printf("    %-28s mean %7.1f  median %7.1f  min %7.1f  max %7.1f %s (n=%zu)\n", what, s.mean,
                s.median, s.min, s.max, unit, s.n);
}

double Ratio(double a, double b)
{
    return b != 0 ? a / b : 0;
}

// The goal for an error or a gap: its median (by size) under `median` ms and
// every one under `worst` ms.
void PrintGoal(const Stats& s, double median, double worst)
{
    const bool met = s.n > 0 && std::abs(s.median) < median &&
                     std::max(std::abs(s.min), std::abs(s.max)) < worst;
    std::printf("    goal: median under %.0f ms, worst under %.0f ms: %s\n", median, worst,
                met ? "met" : "NOT met");
}

// Tones 400 Hz apart from 400 Hz: `count` items that Segments tells apart.
std::vector<double> ToneLadder(int count)
{
    std::vector<double> freqs;
    for (int i = 1; i <= count; ++i)
        freqs.push_back(400.0 * i);
    return freqs;
}

class Bench
{
public:
    bool air = false;
    AirServer server;
    QString media;
    QString home;
    QString lirana = QStringLiteral(LIRANA_BINARY);
    QString gstLaunch;

    QStringList Env() const { return HeadlessLirana::Environment(home).toStringList(); }

    void Hive(const HeadlessLirana::Values& values) { HeadlessLirana::WriteHive(home, values); }

    QString Sink() const { return air ? QStringLiteral("pulsesink") : QStringLiteral("fakesink sync=true"); }

    bool RunLirana(Child& child, const QStringList& items)
    {
        // Each run starts fresh: a run ended by SIGTERM would otherwise come back where it was.
        return child.Start(lirana, HeadlessLirana::PlayArgs(QStringList{QStringLiteral("--fresh")} + items),
                           Env(), home);
    }

    bool RunGst(Child& child, const QString& file)
    {
        return child.Start(gstLaunch,
                           {QStringLiteral("-q"), QStringLiteral("playbin"),
                            QStringLiteral("uri=") + QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded),
                            QStringLiteral("audio-sink=") + Sink()},
                           Env(), home);
    }

    std::optional<Wav> Finish(AirRecorder& recorder)
    {
        recorder.RecordFor(0.2);
        QString error;
        if (!recorder.Stop(&error)) {
            std::printf("  recorder: %s\n", qPrintable(error));
            return std::nullopt;
        }
        return ReadWav(recorder.Path(), &error);
    }

    void CpuTime(const QString& mp3);
    void CpuInstructions();
    void StartLatency(const QString& file, bool goal);
    void PreparedPlay();
    void TransitionError();
    void ZeroOverlapSilence();
};

// (a) The CPU time of one run moves by a fifth or more on this machine, so
// LIRANA_BENCH_ROUNDS=N measures N rounds, the two programs in turn and
// the order swapped each round, and the goal is judged on the median ratio.
void Bench::CpuTime(const QString& mp3)
{
    std::printf("\n(a) CPU time, 60 s MP3 into %s\n", qPrintable(Sink()));
    Hive({{"Overlap Time", HeadlessLirana::Dword(0)}, {"AudioSink", HeadlessLirana::Text(Sink().toUtf8())}});
    const int rounds = std::max(1, qEnvironmentVariableIntValue("LIRANA_BENCH_ROUNDS"));
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        double cpu[2] = {0, 0}, wall[2] = {0, 0}, serverCpu[2] = {0, 0}, steady[2] = {0, 0};
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (turn + round) % 2;
            Child child;
            const double serverBefore = ProcessCpuSeconds(server.Pid());
            const bool started = which == 0 ? RunLirana(child, {mp3}) : RunGst(child, mp3);
            // While the MP3 plays: from 5 s to 55 s after the start, without
            // the start-up of either program.
            double at5 = 0;
            for (const int s : {5, 55}) {
                const qint64 until = child.startNs + qint64(s) * 1000000000;
                TestEnv::WaitUntil([&] { return child.Poll() || AirRecorder::NowNs() >= until; }, 70000);
                const double now = ProcessCpuSeconds(child.Pid());
                steady[which] = s == 5 ? 0 : now - at5;
                at5 = s == 5 ? now : at5;
            }
            if (!started || !child.Wait(90000)) {
                std::printf("  %s did not run to its end\n", which == 0 ? "lirana" : "gst-launch-1.0");
                return;
            }
            cpu[which] = child.CpuSeconds();
            wall[which] = double(child.endNs - child.startNs) / 1e9;
            serverCpu[which] = ProcessCpuSeconds(server.Pid()) - serverBefore;
            if (child.exitStatus != 0)
                std::printf("  exit status %d\n", child.exitStatus);
        }
        std::printf("  round %d of %d\n", round + 1, rounds);
        std::printf("    %-28s %8.3f s CPU (%5.2f %% of one core over %.1f s), server %.3f s\n",
                    "lirana --headless", cpu[0], 100 * cpu[0] / wall[0], wall[0], serverCpu[0]);
        std::printf("    %-28s %8.3f s CPU (%5.2f %% of one core over %.1f s), server %.3f s\n",
                    "baseline gst-launch playbin", cpu[1], 100 * cpu[1] / wall[1], wall[1], serverCpu[1]);
        std::printf("    ratio lirana / baseline: %.2f (whole run, start-up included)\n",
                    Ratio(cpu[0], cpu[1]));
        std::printf("    while it plays (5 s to 55 s): lirana %.3f s, baseline %.3f s, ratio %.2f\n",
                    steady[0], steady[1], Ratio(steady[0], steady[1]));
        ratios.push_back(Ratio(steady[0], steady[1]));
    }
    const Stats s = Summarise(ratios);
    std::printf("    while it plays, median ratio of %d round(s): %.2f (%.2f to %.2f); goal <= 1.1: %s\n",
                rounds, s.median, s.min, s.max, s.median <= 1.1 ? "met" : "NOT met");
}

// (i) Instructions while an MP3 plays, counted by callgrind (repeatable to
// a fraction of a percent where the CPU time of (a) moves by tens): a 20 s
// run less a 10 s run, so that start-up and shutdown cancel out, against
// gst-launch-1.0 playbin on the same files and output. Valgrind cannot run
// the CPU probe of libhwy, which libav's codecs load, so both run on the
// installed plug-ins without libav (MP3 through mpg123).
void Bench::CpuInstructions()
{
    std::printf("\n(i) instructions (callgrind) while 10 s of MP3 play into %s\n", qPrintable(Sink()));
    const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
    GstPlugin* core = gst_registry_find_plugin(gst_registry_get(), "coreelements");
    const QString systemPlugins = core ? QFileInfo(QString::fromUtf8(gst_plugin_get_filename(core))).path()
                                       : QString();
    if (core)
        gst_object_unref(core);
    if (valgrind.isEmpty() || systemPlugins.isEmpty()) {
        std::printf("  valgrind or the plug-in folder not found: not measured\n");
        return;
    }
    const QString plugins = media + QStringLiteral("/plugins-without-libav");
    QDir().mkpath(plugins);
    for (const QFileInfo& plugin : QDir(systemPlugins).entryInfoList({QStringLiteral("*.so")}, QDir::Files))
        if (plugin.fileName() != QLatin1String("libgstlibav.so"))
            QFile::link(plugin.absoluteFilePath(), plugins + QLatin1Char('/') + plugin.fileName());
    QStringList env = Env().filter(
        QRegularExpression(QStringLiteral("^(?!GST_REGISTRY|GST_PLUGIN_SYSTEM_PATH)")));
    env << QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0=") + plugins
        << QStringLiteral("GST_REGISTRY=") + media + QStringLiteral("/registry-without-libav.bin");
    Hive({{"Overlap Time", HeadlessLirana::Dword(0)}, {"AudioSink", HeadlessLirana::Text(Sink().toUtf8())}});
    // The registry of that plug-in set is written by a first run, outside
    // the counts.
    Child scan;
    if (!scan.Start(gstLaunch,
                    {QStringLiteral("-q"), QStringLiteral("fakesrc"), QStringLiteral("num-buffers=1"),
                     QStringLiteral("!"), QStringLiteral("fakesink")},
                    env, home) ||
        !scan.Wait(60000)) {
        std::printf("  the plug-in registry without libav cannot be written\n");
        return;
    }
    double count[2][2] = {{0, 0}, {0, 0}}; // [lirana, baseline][10 s, 20 s]
    for (int length = 0; length < 2; ++length) {
        QString error;
        const QString mp3 = TestMedia::Encode(
            TestMedia::ToneWav(media, QStringLiteral("cg%1").arg(length), 1000, 10.0 * (length + 1), -12),
            TestMedia::Format::Mp3, &error);
        for (int which = 0; which < 2 && !mp3.isEmpty(); ++which) {
            const QString out = media + QStringLiteral("/callgrind-%1-%2.out").arg(which).arg(length);
            QStringList args{QStringLiteral("-q"), QStringLiteral("--tool=callgrind"),
                             QStringLiteral("--callgrind-out-file=") + out};
            if (which == 0)
                args << lirana << HeadlessLirana::PlayArgs({mp3});
            else
                args << gstLaunch << QStringLiteral("-q") << QStringLiteral("playbin")
                     << QStringLiteral("uri=") + QUrl::fromLocalFile(mp3).toString(QUrl::FullyEncoded)
                     << QStringLiteral("audio-sink=") + Sink();
            Child child;
            if (!child.Start(valgrind, args, env, home) || !child.Wait(180000) || child.exitStatus != 0) {
                std::printf("  %s under callgrind did not run to its end\n",
                            which == 0 ? "lirana" : "gst-launch");
                return;
            }
            QFile file(out);
            file.open(QIODevice::ReadOnly);
            for (const QByteArray& line : file.readAll().split('\n'))
                if (line.startsWith("summary:") || line.startsWith("totals:"))
                    count[which][length] = line.mid(line.indexOf(':') + 1).trimmed().toDouble();
        }
    }
    const double ours = count[0][1] - count[0][0], baseline = count[1][1] - count[1][0];
    std::printf("    %-28s %8.1f M instructions (runs of 10 s and 20 s: %.1f M, %.1f M)\n",
                "lirana --headless", ours / 1e6, count[0][0] / 1e6, count[0][1] / 1e6);
    std::printf("    %-28s %8.1f M instructions (runs of 10 s and 20 s: %.1f M, %.1f M)\n",
                "baseline gst-launch playbin", baseline / 1e6, count[1][0] / 1e6, count[1][1] / 1e6);
    std::printf("    ratio lirana / baseline: %.3f; goal <= 1.1: %s\n", Ratio(ours, baseline),
                ours > 0 && baseline > 0 && Ratio(ours, baseline) <= 1.1 ? "met" : "NOT met");
}

// (b) The goal is measured on a WAV whose first sample sounds; an MP3 starts
// with the encoder's delay (about 25 ms of near silence from LAME), which is
// part of the item and is printed for reference.
void Bench::StartLatency(const QString& file, bool goal)
{
    const int runs = 5;
    std::printf("\n(b) start latency: process start to first sound on the air, %s (%d runs each)\n",
                qPrintable(QFileInfo(file).fileName()), runs);
    Hive({{"Overlap Time", HeadlessLirana::Dword(0)}, {"AudioSink", HeadlessLirana::Text("pulsesink")}});
    AirRecorder recorder;
    QString error;
    if (!recorder.Start(media + QStringLiteral("/latency.wav"), &error)) {
        std::printf("  recorder: %s\n", qPrintable(error));
        return;
    }
    struct Run
    {
        int which;
        qint64 startNs;
        std::optional<qint64> logStartNs;
    };
    std::vector<Run> done;
    for (int i = 0; i < 2 * runs; ++i) {
        const int which = i % 2;
        Child child;
        if (!(which == 0 ? RunLirana(child, {file}) : RunGst(child, file)))
            return;
        const qint64 until = child.startNs + 1500000000;
        TestEnv::WaitUntil([&] { return child.Poll() || AirRecorder::NowNs() >= until; }, 5000);
        child.Terminate();
        child.Wait(5000);
        done.push_back({which, child.startNs, child.LineTime("start\t")});
        recorder.RecordFor(0.4); // silence between runs
    }
    const auto wav = Finish(recorder);
    if (!wav)
        return;
    std::vector<double> first[2], toPlay;
    for (const Run& r : done) {
        const double from = recorder.ToSeconds(r.startNs);
        const auto sound = FirstSound(*wav, std::max(0.0, from));
        if (!sound) {
            std::printf("  no sound found for a run of %s\n", r.which == 0 ? "lirana" : "gst-launch");
            continue;
        }
        first[r.which].push_back((*sound - from) * 1000);
        if (r.which == 0 && r.logStartNs)
            toPlay.push_back((*sound - recorder.ToSeconds(*r.logStartNs)) * 1000);
    }
    const Stats l = Summarise(first[0]), g = Summarise(first[1]), p = Summarise(toPlay);
    PrintList("lirana runs (ms)", first[0]);
    PrintList("baseline gst-launch runs (ms)", first[1]);
    PrintStats("lirana --headless", l);
    PrintStats("baseline gst-launch playbin", g);
    PrintStats("lirana \"start\" line to sound", p);
    std::printf("    ratio lirana / baseline (median): %.2f\n", Ratio(l.median, g.median));
    if (goal)
        std::printf("    goal: \"start\" line to sound under 50 ms (median): %s\n",
                    p.n > 0 && p.median < 50 ? "met" : "NOT met");
}

// (b') An item started by Play that was already prepared, in this process:
// Manual mode halts after each item with the next one prepared, and the
// operator's Play starts it. Baseline of the same run: the first item,
// opened by its Play.
void Bench::PreparedPlay()
{
    const int count = 11;
    const std::vector<double> freqs = ToneLadder(count);
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows << TestMedia::ToneWav(media, QStringLiteral("p%1").arg(i), freqs[i], 0.6, -12);
    std::printf("\n(b') Play to first sound of an item prepared while a break halts (%d items)\n", count - 1);
    AirRecorder recorder;
    QString error;
    if (!recorder.Start(media + QStringLiteral("/prepared.wav"), &error)) {
        std::printf("  recorder: %s\n", qPrintable(error));
        return;
    }
    qputenv("LIRANA_AUDIO_SINK", "pulsesink");
    CPlaylist list;
    CPlayLog log(Clock::System());
    BenchUi ui;
    BenchShell shell;
    std::vector<qint64> stamps;
    {
        COnAirEngine engine(BenchEngineSeams(list, log, ui, shell));
        engine.Settings().overlapTime = 0;
        engine.SetMode(PlayerMode::Manual);
        list.Reset(rows, 0);
        WarmUpPlayback();
        engine.Startup();
        for (int i = 0; i < count; ++i) {
            TestEnv::WaitUntil(
                [&] { return engine.IsIdle() && (i == 0 || !engine.PreparedItem().isEmpty()); }, 5000);
            recorder.RecordFor(0.3); // the prepared item has opened
            stamps.push_back(AirRecorder::NowNs());
            engine.OnPlay();
            recorder.RecordFor(0.8); // plays out
        }
        engine.Shutdown(false);
    }
    qunsetenv("LIRANA_AUDIO_SINK");
    const auto wav = Finish(recorder);
    if (!wav)
        return;
    std::vector<double> first, prepared;
    for (int i = 0; i < count; ++i) {
        const double from = recorder.ToSeconds(stamps[size_t(i)]);
        if (const auto onset = ToneOnset(*wav, freqs[size_t(i)], from))
            (i == 0 ? first : prepared).push_back((*onset - from) * 1000);
        else
            std::printf("  no sound found for item %d\n", i);
    }
    PrintList("prepared items (ms)", prepared);
    const Stats p = Summarise(prepared), f = Summarise(first);
    PrintStats("first item, opened by Play", f);
    PrintStats("prepared items", p);
    std::printf("    ratio prepared / first (median): %.2f\n", Ratio(p.median, f.median));
    std::printf("    goal: Play to sound of a prepared item under 20 ms (median): %s\n",
                p.n > 0 && p.median < 20 ? "met" : "NOT met");
}

// (c)
void Bench::TransitionError()
{
    const double length = 2.5, overlap = 1.0;
    const std::vector<double> freqs = ToneLadder(21); // 20 transitions
    QStringList items;
    for (double f : freqs)
        items << TestMedia::ToneWav(media, QStringLiteral("t%1").arg(int(f)), f, length, -12);
    std::printf("\n(c) overlap transition error: B onset - (A end - %.1f s), %zu transitions each\n", overlap,
                freqs.size() - 1);
    Hive({{"Overlap Time", HeadlessLirana::Dword(quint32(overlap * 1000))},
          {"Fade On Overlap", HeadlessLirana::Flag(true)},
          {"Fade Period", HeadlessLirana::Real(0.5)},
          {"AudioSink", HeadlessLirana::Text("pulsesink")}});

    // An onset holds for 200 ms: the stock PipeWire graph drops cycles under
    // load, and two holes close together splatter the tone that plays into
    // the next one's for some 25 ms. Such bursts before an item's onset are
    // counted apart (a start heard early would be one too), and so are the
    // holes in the programme (2 ms or more of silence between its first
    // onset and its last item's end): the server's dropped cycles fall on
    // both parts of the run, the program's own dropouts on its part alone.
    const double holds = 0.2;
    auto measure = [&](const Wav& wav, double from, int* bursts, int* holes) {
        std::vector<double> errors;
        std::optional<double> prev = ToneOnset(wav, freqs[0], from, -40, holds);
        const double first = prev.value_or(from);
        for (size_t i = 1; prev && i < freqs.size(); ++i) {
            const auto onset = ToneOnset(wav, freqs[i], *prev, -40, holds);
            if (!onset)
                break;
            if (const auto burst = ToneOnset(wav, freqs[i], *prev); burst && *burst < *onset - 0.005) {
                std::printf("    a burst of %.0f Hz %.1f ms before its onset at %.3f s\n", freqs[i],
                            (*onset - *burst) * 1000, *onset);
                ++*bursts;
            }
            errors.push_back((*onset - (*prev + length - overlap)) * 1000);
            prev = onset;
        }
        if (prev)
            *holes = int(SilentGaps(wav, first + 0.01, *prev + length - 0.01, -60, 0.002).size());
        return errors;
    };

    AirRecorder recorder;
    QString error;
    if (!recorder.Start(media + QStringLiteral("/transitions.wav"), &error))
        return;
    {
        Child child;
        if (!RunLirana(child, items) || !child.Wait(60000))
            return;
    }
    // Reference: a plain playbin per item, the next one made and started as
    // soon as the position of the one before passes length - overlap,
    // polled every millisecond.
    const double refStart = recorder.SecondsSoFar() + 0.2;
    recorder.RecordFor(0.3);
    {
        std::vector<GstElement*> pipes;
        for (size_t i = 0; i < freqs.size(); ++i) {
            GstElement* pipe = gst_element_factory_make("playbin", nullptr);
            GstElement* sink = gst_element_factory_make("pulsesink", nullptr);
            g_object_set(pipe, "audio-sink", sink, "uri",
                         QUrl::fromLocalFile(items[qsizetype(i)]).toString().toUtf8().constData(), nullptr);
            gst_element_set_state(pipe, GST_STATE_PLAYING);
            pipes.push_back(pipe);
            const gint64 switchAt = gint64((length - overlap) * GST_SECOND);
            TestEnv::WaitUntil(
                [&] {
                    gint64 pos = 0;
                    return gst_element_query_position(pipe, GST_FORMAT_TIME, &pos) && pos >= switchAt;
                },
                10000);
        }
        recorder.RecordFor(overlap + 0.2);
        for (GstElement* pipe : pipes) {
            gst_element_set_state(pipe, GST_STATE_NULL);
            gst_object_unref(pipe);
        }
    }
    const auto wav = Finish(recorder);
    if (!wav)
        return;
    int lirBursts = 0, refBursts = 0, lirHoles = 0, refHoles = 0;
    const auto lir = measure(*wav, 0.0, &lirBursts, &lirHoles);
    const auto ref = measure(*wav, refStart, &refBursts, &refHoles);
    PrintList("lirana (ms)", lir);
    PrintList("baseline plain playbin (ms)", ref);
    const Stats l = Summarise(lir), r = Summarise(ref);
    PrintStats("lirana --headless", l);
    PrintStats("baseline 1 ms position poll", r);
    std::printf("    mean |error|: lirana %.1f ms, baseline %.1f ms, ratio %.2f\n", l.meanAbs, r.meanAbs,
                Ratio(l.meanAbs, r.meanAbs));
    std::printf("    bursts of the next tone before its onset: lirana %d, baseline %d\n", lirBursts,
                refBursts);
    std::printf("    holes in the programme: lirana %d, baseline %d\n", lirHoles, refHoles);
    PrintGoal(l, 10, 20);
}

// (d)
void Bench::ZeroOverlapSilence()
{
    const std::vector<double> freqs = ToneLadder(21); // 20 changes
    QStringList items;
    for (double f : freqs)
        items << TestMedia::ToneWav(media, QStringLiteral("z%1~0").arg(int(f)), f, 0.6, -12);
    std::printf("\n(d) silence between \"~0\" items, %zu changes each\n", freqs.size() - 1);
    Hive({{"Overlap Time", HeadlessLirana::Dword(2000)},
          {"Fade On Overlap", HeadlessLirana::Flag(true)},
          {"AudioSink", HeadlessLirana::Text("pulsesink")}});
    AirRecorder recorder;
    QString error;
    if (!recorder.Start(media + QStringLiteral("/gaps.wav"), &error))
        return;
    std::vector<qint64> logged; // "start" line arrival, per item
    {
        Child child;
        if (!RunLirana(child, items) || !child.Wait(30000))
            return;
        for (const Child::Line& l : child.lines)
            if (l.text.startsWith("start\t"))
                logged.push_back(l.ns);
    }
    const double refStart = recorder.SecondsSoFar() + 0.2;
    recorder.RecordFor(0.3);
    {
        AirPlayer players[2];
        for (size_t i = 0; i < freqs.size(); ++i) {
            AirPlayer& p = players[i % 2];
            p.Play(items[qsizetype(i)]);
            p.WaitForEnd(5000);
        }
    }
    const auto wav = Finish(recorder);
    if (!wav)
        return;
    auto gaps = [&](double from, double to, std::vector<double>* endToLog) {
        std::vector<double> out;
        const auto segs = Segments(*wav, freqs);
        for (size_t i = 1; i < segs.size(); ++i) {
            if (segs[i - 1].start < from || segs[i].start > to)
                continue;
            out.push_back((segs[i].start - segs[i - 1].end) * 1000);
            if (endToLog && out.size() < logged.size())
                endToLog->push_back((recorder.ToSeconds(logged[out.size()]) - segs[i - 1].end) * 1000);
        }
        return out;
    };
    std::vector<double> endToLog;
    const auto lir = gaps(0, refStart, &endToLog);
    const auto ref = gaps(refStart, wav->Duration(), nullptr);
    PrintList("lirana (ms)", lir);
    PrintList("  of which end to \"start\"", endToLog);
    PrintList("baseline playbin on EOS (ms)", ref);
    const Stats l = Summarise(lir), r = Summarise(ref);
    PrintStats("lirana --headless", l);
    PrintStats("baseline next playbin on EOS", r);
    std::printf("    ratio lirana / baseline (mean): %.2f\n", Ratio(l.mean, r.mean));
    PrintGoal(l, 10, 20);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lirana-bench-XXXXXX"));
    if (!root.isValid())
        return 2;
    // LIRANA_BENCH_KEEP=1 keeps the recordings and the media for a look
    // after the run (the folder is printed).
    if (qEnvironmentVariableIsSet("LIRANA_BENCH_KEEP")) {
        root.setAutoRemove(false);
        std::printf("kept: %s\n", qPrintable(root.path()));
    }
    TestEnv::RootRef() = root.path();
    for (const char* sub : {"config", "data", "home"})
        QDir(root.path()).mkpath(QString::fromLatin1(sub));
    const QByteArray base = root.path().toLocal8Bit();
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_STATE_HOME", (base + "/state").constData(), 1);
    setenv("HOME", (base + "/home").constData(), 1);
    setenv("GST_REGISTRY", LIRANA_BENCH_GST_REGISTRY, 0);
    unsetenv("LIRANA_AUDIO_SINK");
    QCoreApplication app(argc, argv);
    gst_init(nullptr, nullptr);

    Bench bench;
    bench.media = TestEnv::MakeTempDir(QStringLiteral("media"));
    bench.home = TestEnv::MakeTempDir(QStringLiteral("lirana-home"));
    // Another build of the program to measure (an older one, for a before
    // and after against baselines of their own runs).
    if (const QString other = qEnvironmentVariable("LIRANA_BENCH_PROGRAM"); !other.isEmpty())
        bench.lirana = other;
    bench.gstLaunch = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (bench.gstLaunch.isEmpty()) {
        std::printf("gst-launch-1.0 is not installed: no baseline\n");
        return 1;
    }
    // LIRANA_BENCH_SERVER=pipewire: the private PipeWire stack instead of
    // PulseAudio (a Debian 12 desktop's server).
    const AirServer::Kind kind = qEnvironmentVariable("LIRANA_BENCH_SERVER") == QLatin1String("pipewire")
                                     ? AirServer::Kind::PipeWire
                                     : AirServer::Kind::PulseAudio;
    const QString missing = AirServer::Missing(kind);
    QString error;
    bench.air = missing.isEmpty() && bench.server.Start(&error, kind);
    std::printf("playout benchmark: %s\n",
                bench.air
                    ? qPrintable(QStringLiteral("into a private %1 null sink, recorded from its monitor")
                                     .arg(QLatin1String(AirServer::KindName(kind))))
                    : qPrintable(QStringLiteral("no sound server (%1): CPU only, fakesink sync=true")
                                     .arg(missing.isEmpty() ? error : missing)));

    QString mp3 = TestMedia::Encode(TestMedia::ToneWav(bench.media, QStringLiteral("long"), 1000, 60.0, -12),
                                    TestMedia::Format::Mp3, &error);
    if (mp3.isEmpty()) {
        std::printf("cannot encode the MP3: %s\n", qPrintable(error));
        return 1;
    }
    // LIRANA_BENCH_BUSY=N: N processes that keep a core busy run beside
    // every figure (the machine a station shares with other work); they end
    // with the benchmark.
    std::vector<pid_t> busy;
    for (int i = 0; i < qEnvironmentVariableIntValue("LIRANA_BENCH_BUSY"); ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            for (;;)
                asm volatile(""); // a loop the compiler keeps
        }
        if (pid > 0)
            busy.push_back(pid);
    }
    if (!busy.empty())
        std::printf("with %d busy loops beside it\n", int(busy.size()));
    // Arguments name the figures to measure ("b d"; "b'" is the prepared
    // Play of "b" alone); none: all of them.
    const QStringList chosen = app.arguments().mid(1);
    const auto wanted = [&](const char* figure) {
        return chosen.isEmpty() || chosen.contains(QLatin1String(figure));
    };
    if (wanted("a"))
        bench.CpuTime(mp3);
    if (wanted("i"))
        bench.CpuInstructions();
    if (wanted("e"))
        MeasureEngineStall(bench.media, bench.air);
    if (bench.air) {
        if (wanted("b")) {
            bench.StartLatency(TestMedia::ToneWav(bench.media, QStringLiteral("first"), 1000, 3.0, -12),
                               true);
            bench.StartLatency(mp3, false);
        }
        if (wanted("b") || wanted("b'"))
            bench.PreparedPlay();
        if (wanted("c"))
            bench.TransitionError();
        if (wanted("d"))
            bench.ZeroOverlapSilence();
    }
    for (const pid_t pid : busy) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return 0;
}
