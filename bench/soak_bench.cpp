// SPDX-License-Identifier: GPL-3.0-or-later
// Soak benchmark: the real headless program (`lirana --headless`) plays an
// album of 3,000 short items (0.5-3 s, every format the test media generator
// makes, MIDI files and modules, about one in ten broken or missing) with
// IgnoreErrors on, in Random and in Repeat mode side by side, with an Exact
// event every minute and a waiting event every 90 s, for a given time, on
// the fake output (fakesink, and the null output of MIDI and modules) and,
// when its programs are there, on a private sound server.
//
// While it runs, the child's resident memory (VmRSS), open descriptors and
// threads are sampled from /proc. At the end it prints, for each run, the
// items started, the error lines, the longest gap between starts, the
// scheduled events that started (and how late), and the least-squares slope
// of each sample series after a warm-up, per item and per hour. The baseline
// of the same run: the RSS after the warm-up (the growth is printed as a
// percentage of it per hour), and the slope over the first half of the
// measured stretch (a leak keeps its slope; caches settling lose it).
//
// Hard faults make the exit status 1: a run that ended before it was told
// to, did not end cleanly on SIGTERM, stopped starting items for longer than
// the longest item and a margin, missed a scheduled event, lost a start
// line from its play log, printed a sanitizer report, or grew beyond the
// limits given (--max-rss-kb-per-item, --max-fd-growth,
// --max-thread-growth).
//
//   soak_bench [--minutes M] [--short] [--outputs fake,pulseaudio,pipewire]
//              [--modes random,repeat] [--items N] [--warmup-seconds S]
//              [--lirana PATH] [--wrap "valgrind ..."] [--env NAME=VALUE]
//              [--skip FORMAT,...] [--keep]
#include "../tests/air/HeadlessLirana.h"
#include "ChildProcess.h"

#include "support/AirServer.h"
#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTime>

#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace TestEnv {
QString& RootRef();
}

namespace {

using HeadlessLirana::Dword;
using HeadlessLirana::Flag;
using HeadlessLirana::Text;

// The wall clock, for what the program schedules by it (events).
qint64 NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// A steady clock, for intervals: a step of the wall clock (the host
// setting the time) is not a stall of the program.
qint64 MonoMs()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

// The longest item of the album; the event items are 1 s.
constexpr double kLongestItemSeconds = 3.0;
constexpr int kOverlapMs = 300;

struct Options
{
    double minutes = 45;
    QStringList outputs{QStringLiteral("fake"), QStringLiteral("pulseaudio")};
    QStringList modes{QStringLiteral("random"), QStringLiteral("repeat")};
    int items = 3000;
    double warmupSeconds = -1; // <0: a fifth of the run, 2 to 10 minutes
    double sampleSeconds = 5;
    double gapMarginSeconds = 5; // beyond the longest item
    double maxRssKbPerItem = 0;  // 0: not checked
    double maxFdGrowth = 0;
    double maxThreadGrowth = 0;
    QString lirana = QStringLiteral(LIRANA_BINARY);
    QStringList wrapper; // a program the child runs under (valgrind ...)
    QStringList env;     // NAME=VALUE added to the child's environment
    QStringList skip;    // formats left out of the album ("w64")
    bool keep = false;
};

// ---- The media -------------------------------------------------------------

struct Media
{
    QStringList good;   // files that play
    QStringList broken; // files and paths that fail to open
    QString exactEvent, waitEvent;
};

Media MakeMedia(const QString& dir, const QStringList& skip)
{
    using TestMedia::Format;
    Media m;
    const std::vector<std::pair<Format, const char*>> encoded{
        {Format::Aiff, "aiff"}, {Format::Flac, "flac"}, {Format::Ogg, "ogg"},
        {Format::Mp3, "mp3"},   {Format::Au, "au"},     {Format::W64, "w64"},
        {Format::M4a, "m4a"},   {Format::Mka, "mka"},   {Format::Opus, "opus"}};
    const double lengths[] = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0};
    int n = 0;
    for (const double seconds : lengths) {
        const double freq = 300 + 100 * n;
        const QString base = QStringLiteral("g%1").arg(n, 3, 10, QLatin1Char('0'));
        m.good << TestMedia::ToneWav(dir, base + QStringLiteral("-wav"), freq, seconds, -14);
        for (const auto& [format, name] : encoded) {
            if (skip.contains(QLatin1String(name)))
                continue;
            const QString wav = TestMedia::ToneWav(dir, base + u'-' + QLatin1String(name), freq, seconds,
                                                   -14);
            QString error;
            const QString file = TestMedia::Encode(wav, format, &error);
            QFile::remove(wav);
            if (file.isEmpty())
                std::printf("  (no %s item: %s)\n", name, qPrintable(error));
            else
                m.good << file;
        }
        ++n;
    }
    // MIDI files and modules go through the program's own media-control
    // players (FluidSynth, the module library) instead of GStreamer.
    for (const double beats : {1.0, 2.0, 4.0, 5.0})
        m.good << TestMedia::MidiFile(dir, QStringLiteral("g1%1-mid").arg(int(beats)), {{beats, 120}});
    for (const int rows : {5, 12, 24})
        m.good << TestMedia::WriteModule(dir + QStringLiteral("/g2%1-mod.mod").arg(rows), rows);
    m.broken << TestMedia::CorruptMp3(dir, QStringLiteral("b01-corrupt"))
             << TestMedia::TextAsWav(dir, QStringLiteral("b02-text"))
             << dir + QStringLiteral("/b03-missing.wav") << dir + QStringLiteral("/b04-missing.flac")
             << dir + QStringLiteral("/b05-missing.mp3") << QStringLiteral("/nowhere/b06-missing.cda");
    m.exactEvent = TestMedia::ToneWav(dir, QStringLiteral("ev-exact"), 2000, 1.0, -14);
    m.waitEvent = TestMedia::ToneWav(dir, QStringLiteral("ev-wait"), 2500, 1.0, -14);
    return m;
}

// The album: `count` rows drawn from the pool, one in ten broken.
QString WriteAlbum(const QString& path, const Media& media, int count)
{
    QRandomGenerator random(20261207);
    QByteArray text = "#EXTM3U\n";
    for (int i = 0; i < count; ++i) {
        const bool broken = random.bounded(10) == 0;
        const QStringList& pool = broken ? media.broken : media.good;
        text += pool[int(random.bounded(quint32(pool.size())))].toUtf8() + '\n';
    }
    return TestEnv::WriteFile(path, text);
}

// ---- The settings hive -----------------------------------------------------

// Hourly events: an Exact one at every whole minute, a waiting one every
// 90 s at 15 s past (so the two never fall on the same second).
std::vector<HeadlessLirana::Key> EventKeys(const Media& media)
{
    std::vector<HeadlessLirana::Key> keys;
    int n = 0;
    const auto add = [&](const QString& file, int secondOfHour, bool exact) {
        const QByteArray start = QStringLiteral("2020-1-1 0:%1:%2")
                                     .arg(secondOfHour / 60, 2, 10, QLatin1Char('0'))
                                     .arg(secondOfHour % 60, 2, 10, QLatin1Char('0'))
                                     .toUtf8();
        keys.push_back({"Events\\Event " + QByteArray::number(n++),
                        {{"FileName", Text(file.toUtf8())},
                         {"StartDate", Text(start)},
                         {"ExpireDate", Text("2099-12-31 0:00:00")},
                         {"WeekDayMask", Dword(0x7f)},
                         {"EveryHour", Flag(true)},
                         {"Exact", Flag(exact)}}});
    };
    for (int minute = 0; minute < 60; ++minute)
        add(media.exactEvent, minute * 60, true);
    for (int k = 0; k < 40; ++k)
        add(media.waitEvent, k * 90 + 15, false);
    keys.insert(keys.begin(), HeadlessLirana::Key{"Events", {{"Count", Dword(quint32(n))}}});
    return keys;
}

// ---- One run: a child, its samples and its log -----------------------------

struct Sample
{
    double t;     // seconds since the child started
    double items; // starts so far
    double rssKb, fds, threads;
};

struct LogLine
{
    qint64 ms;       // arrival, ms since the epoch
    qint64 mono;     // arrival, on the steady clock (MonoMs)
    int second = -1; // the program's own time of day on the line, in s (-1: none)
    QByteArray text;
};

struct Fit
{
    double slope = 0; // y per x
    bool valid = false;
};

Fit LeastSquares(const std::vector<double>& x, const std::vector<double>& y)
{
    const size_t n = x.size();
    if (n < 3)
        return {};
    double mx = 0, my = 0;
    for (size_t i = 0; i < n; ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= double(n);
    my /= double(n);
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < n; ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    if (sxx <= 0)
        return {};
    return {sxy / sxx, true};
}

std::optional<double> StatusField(const QByteArray& status, const char* name)
{
    const qsizetype at = status.indexOf(QByteArray("\n") + name + ':');
    if (at < 0)
        return std::nullopt;
    const qsizetype from = at + 2 + qsizetype(std::strlen(name));
    const qsizetype end = status.indexOf('\n', from);
    QByteArray value = status.mid(from, end - from).trimmed();
    if (value.endsWith(" kB"))
        value.chop(3);
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

int CountFds(pid_t pid)
{
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/fd";
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return -1;
    int n = 0;
    while (const dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.')
            ++n;
    ::closedir(dir);
    return n;
}

class Run
{
public:
    QString output, mode, home;
    QStringList env;
    std::vector<Sample> samples;
    std::vector<LogLine> lines;
    qint64 startMs = 0, stopAskedMs = 0, endMs = 0;
    qint64 startMono = 0, stopAskedMono = 0, endMono = 0; // the same on the steady clock
    int exitStatus = -1;
    bool exitedEarly = false;

    QString Name() const { return output + u'/' + mode; }

    bool Start(const QStringList& wrapper, const QString& program, const QString& album)
    {
        const QStringList args = wrapper.mid(1) + QStringList{program, QStringLiteral("--headless"),
                                                              QStringLiteral("--play"),
                                                              QStringLiteral("--log-stdout"), album};
        const QString first = wrapper.isEmpty() ? program : QStandardPaths::findExecutable(wrapper.first());
        startMs = NowMs();
        startMono = MonoMs();
        m_pid = ChildProcess::SpawnPiped(first, wrapper.isEmpty() ? args.mid(1) : args, env, home,
                                         home + QStringLiteral("/stderr.txt"), &m_out);
        return m_pid > 0;
    }

    bool Running() const { return m_pid > 0; }

    // Reads the lines that arrived and reaps the child once it ended.
    void Poll()
    {
        ReadLines();
        if (m_pid <= 0)
            return;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            if (!WIFEXITED(status))
                m_signalled = true;
            endMs = NowMs();
            endMono = MonoMs();
            exitedEarly = stopAskedMs == 0;
            m_pid = 0;
            ReadLines();
            ::close(m_out);
            m_out = -1;
        }
    }

    void TakeSample()
    {
        if (m_pid <= 0)
            return;
        QFile f(QStringLiteral("/proc/%1/status").arg(m_pid));
        if (!f.open(QIODevice::ReadOnly))
            return;
        const QByteArray status = '\n' + f.readAll();
        const auto rss = StatusField(status, "VmRSS");
        const auto threads = StatusField(status, "Threads");
        const int fds = CountFds(m_pid);
        if (rss && threads && fds >= 0)
            samples.push_back(
                {double(NowMs() - startMs) / 1000.0, double(m_starts), *rss, double(fds), *threads});
    }

    void Stop()
    {
        if (m_pid > 0 && stopAskedMs == 0) {
            stopAskedMs = NowMs();
            stopAskedMono = MonoMs();
            ::kill(m_pid, SIGTERM);
        }
    }

    void Kill()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGKILL);
    }

    bool Signalled() const { return m_signalled; }

private:
    void ReadLines()
    {
        if (m_out < 0)
            return;
        char buf[8192];
        for (;;) {
            const ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0)
                break;
            const qint64 now = NowMs();
            m_partial.append(buf, n);
            qsizetype nl;
            while ((nl = m_partial.indexOf('\n')) >= 0) {
                QByteArray text = m_partial.left(nl);
                m_partial.remove(0, nl + 1);
                const qsizetype tab = text.indexOf('\t');
                int second = -1;
                if (tab >= 0 && tab <= 12 && text.at(0) >= '0' && text.at(0) <= '9') {
                    const QTime time = QTime::fromString(QString::fromLatin1(text.left(tab)), u"hh:mm:ss");
                    if (time.isValid())
                        second = time.msecsSinceStartOfDay() / 1000;
                    text = text.mid(tab + 1);
                }
                if (text.startsWith("start\t"))
                    ++m_starts;
                lines.push_back({now, MonoMs(), second, text});
            }
        }
    }

    pid_t m_pid = 0;
    int m_out = -1;
    int m_starts = 0;
    bool m_signalled = false;
    QByteArray m_partial;
};

// ---- The report ------------------------------------------------------------

struct Verdict
{
    QStringList faults;
};

void Fault(Verdict& v, const Run& run, const QString& what)
{
    v.faults << run.Name() + QStringLiteral(": ") + what;
    std::printf("    FAULT: %s\n", qPrintable(what));
}

// Seconds past the local hour of a time in ms since the epoch.
int SecondOfLocalHour(qint64 ms)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms);
    return at.time().minute() * 60 + at.time().second();
}

// The local time of day of a time in ms since the epoch, in whole seconds
// (as the program's lines carry it).
int SecondOfDay(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).time().msecsSinceStartOfDay() / 1000;
}

// Seconds from one time of day to a later one, across midnight.
int SecondsBetween(int fromSecond, int toSecond)
{
    return (toSecond - fromSecond + 86400) % 86400;
}

void ReportEvents(const Run& run, const Options& opt, Verdict& v)
{
    // An event counts when its line arrived in time here, or when the
    // program's own time on it says it started in time (a stall of this
    // benchmark delays the arrival of every run's lines at once).
    std::vector<const LogLine*> exactStarts, waitStarts;
    for (const LogLine& l : run.lines) {
        if (l.text == "start\tev-exact")
            exactStarts.push_back(&l);
        else if (l.text == "start\tev-wait")
            waitStarts.push_back(&l);
    }
    const auto inTime = [](const LogLine& l, qint64 s, qint64 limitMs) {
        if (l.ms >= s - 500 && l.ms <= s + limitMs)
            return true;
        return l.second >= 0 && SecondsBetween(SecondOfDay(s), l.second) <= limitMs / 1000;
    };
    int byOwnTime = 0;
    // The events due while the run was surely reading them (from 10 s after
    // its start) and while it could still start them before it was stopped.
    const qint64 from = run.startMs + 10000;
    const qint64 to = run.stopAskedMs ? run.stopAskedMs : run.endMs;
    const qint64 waitLimitMs = qint64((kLongestItemSeconds + opt.gapMarginSeconds) * 1000);
    int exactDue = 0, exactOnTime = 0, waitDue = 0, waitStarted = 0;
    std::vector<double> lateness;
    for (qint64 s = (from / 1000 + 1) * 1000; s + 2000 <= to; s += 1000) {
        const int sec = SecondOfLocalHour(s);
        if (sec % 60 == 0) {
            ++exactDue;
            const auto it = std::find_if(exactStarts.begin(), exactStarts.end(),
                                         [&](const LogLine* l) { return inTime(*l, s, 2000); });
            if (it != exactStarts.end()) {
                ++exactOnTime;
                lateness.push_back(double((*it)->ms - s));
                byOwnTime += (*it)->ms > s + 2000;
            }
        }
        if (sec % 90 == 15 && s + waitLimitMs <= to) {
            ++waitDue;
            if (std::any_of(waitStarts.begin(), waitStarts.end(),
                            [&](const LogLine* l) { return inTime(*l, s, waitLimitMs); }))
                ++waitStarted;
        }
    }
    std::sort(lateness.begin(), lateness.end());
    std::printf("    exact events started within 2 s of their second: %d of %d", exactOnTime, exactDue);
    if (!lateness.empty())
        std::printf(" (stdout line after the second: median %.0f ms, latest %.0f ms)",
                    lateness[lateness.size() / 2], lateness.back());
    if (byOwnTime)
        std::printf(", %d of them by the program's time only (their lines came late)", byOwnTime);
    std::printf("\n    waiting events started within %.0f s of their time: %d of %d\n",
                double(waitLimitMs) / 1000.0, waitStarted, waitDue);
    if (exactOnTime < exactDue)
        Fault(v, run, QStringLiteral("%1 exact event(s) missing from the log").arg(exactDue - exactOnTime));
    if (waitStarted < waitDue)
        Fault(v, run, QStringLiteral("%1 waiting event(s) missing from the log").arg(waitDue - waitStarted));
}

int CountLogFileStarts(const QString& folder)
{
    int n = 0;
    for (const QFileInfo& f : QDir(folder).entryInfoList({QStringLiteral("*.LOG")}, QDir::Files)) {
        QFile file(f.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            const qsizetype tab = line.indexOf('\t');
            if (tab >= 0 && line.mid(tab + 1).startsWith("start\t"))
                ++n;
        }
    }
    return n;
}

void ReportSlopes(const Run& run, const Options& opt, Verdict& v)
{
    const double warmup = opt.warmupSeconds;
    std::vector<Sample> s;
    for (const Sample& x : run.samples)
        if (x.t >= warmup)
            s.push_back(x);
    if (s.size() < 6) {
        std::printf("    too few samples after the warm-up (%zu) for slopes\n", s.size());
        return;
    }
    const double items = s.back().items - s.front().items;
    const double hours = (s.back().t - s.front().t) / 3600.0;
    std::printf("    after the warm-up (%.1f min, %.0f items): %zu samples over %.0f items, %.1f min\n",
                warmup / 60, s.front().items, s.size(), items, hours * 60);
    std::printf("    baseline at the warm-up's end: RSS %.1f MB, %.0f fds, %.0f threads\n",
                s.front().rssKb / 1024, s.front().fds, s.front().threads);
    const auto series = [&](const std::vector<Sample>& part, double Sample::*field, bool perItem) {
        std::vector<double> x, y;
        for (const Sample& p : part) {
            x.push_back(perItem ? p.items : p.t / 3600.0);
            y.push_back(p.*field);
        }
        return LeastSquares(x, y);
    };
    const std::vector<Sample> firstHalf(s.begin(), s.begin() + qsizetype(s.size() / 2));
    const std::vector<Sample> secondHalf(s.begin() + qsizetype(s.size() / 2), s.end());
    struct Row
    {
        const char* name;
        double Sample::*field;
        const char* unit;
    };
    for (const Row& r : {Row{"RSS", &Sample::rssKb, "KB"}, Row{"fds", &Sample::fds, ""},
                         Row{"threads", &Sample::threads, ""}}) {
        const Fit perItem = series(s, r.field, true);
        const Fit perHour = series(s, r.field, false);
        const Fit first = series(firstHalf, r.field, true);
        const Fit second = series(secondHalf, r.field, true);
        double lo = s.front().*r.field, hi = lo;
        for (const Sample& p : s) {
            lo = std::min(lo, p.*r.field);
            hi = std::max(hi, p.*r.field);
        }
        std::printf("    %-7s %+9.3f %s/item  %+10.1f %s/hour  (range %.0f..%.0f)", r.name, perItem.slope,
                    r.unit, perHour.slope, r.unit, lo, hi);
        if (r.field == &Sample::rssKb)
            std::printf("  = %+.2f %% of the warm RSS per hour", 100.0 * perHour.slope / s.front().rssKb);
        std::printf("\n            halves: first %+.3f, second %+.3f %s/item\n", first.slope, second.slope,
                    r.unit);
        if (r.field == &Sample::rssKb && opt.maxRssKbPerItem > 0 && perItem.slope > opt.maxRssKbPerItem)
            Fault(v, run,
                  QStringLiteral("RSS grows %1 KB per item (limit %2)")
                      .arg(perItem.slope, 0, 'f', 2)
                      .arg(opt.maxRssKbPerItem));
        const double growth = perItem.slope * items;
        if (r.field == &Sample::fds && opt.maxFdGrowth > 0 && growth > opt.maxFdGrowth)
            Fault(v, run,
                  QStringLiteral("descriptors grow by %1 over the run (limit %2)")
                      .arg(growth, 0, 'f', 1)
                      .arg(opt.maxFdGrowth));
        if (r.field == &Sample::threads && opt.maxThreadGrowth > 0 && growth > opt.maxThreadGrowth)
            Fault(v, run,
                  QStringLiteral("threads grow by %1 over the run (limit %2)")
                      .arg(growth, 0, 'f', 1)
                      .arg(opt.maxThreadGrowth));
    }
}

// The samples as a table, for a look at other stretches of the run.
void WriteSamples(const Run& run)
{
    QByteArray text = "seconds\titems\trss_kb\tfds\tthreads\n";
    for (const Sample& s : run.samples)
        text += QByteArray::number(s.t, 'f', 1) + '\t' + QByteArray::number(s.items) + '\t' +
                QByteArray::number(s.rssKb) + '\t' + QByteArray::number(s.fds) + '\t' +
                QByteArray::number(s.threads) + '\n';
    TestEnv::WriteFile(run.home + QStringLiteral("/samples.tsv"), text);
}

void Report(const Run& run, const Options& opt, Verdict& v)
{
    WriteSamples(run);
    int starts = 0, good = 0, broken = 0, events = 0, errors = 0, unexpected = 0;
    QByteArray last;
    qint64 lastStartMs = 0, longestGapMs = 0, longestGapAt = 0; // on the steady clock
    int lastStartSecond = -1;
    QStringList unexpectedLines;
    qint64 longestLagS = 0, longestLagAt = 0; // a line's arrival here after the program's time on it
    for (const LogLine& l : run.lines) {
        if (l.second >= 0) {
            if (const qint64 lag = SecondsBetween(l.second, SecondOfDay(l.ms));
                lag < 43200 && lag > longestLagS) {
                longestLagS = lag;
                longestLagAt = l.mono;
            }
        }
        if (l.text.startsWith("start\t")) {
            ++starts;
            const QByteArray name = l.text.mid(6);
            if (name.startsWith("ev-"))
                ++events;
            else if (name.startsWith('g'))
                ++good;
            else
                ++broken;
            // A gap is where both clocks see one: the arrival here (which
            // this benchmark's own stall would stretch) and the program's
            // own time on the line (which a step of the wall clock would
            // stretch; whole seconds, so up to 1 s more).
            if (lastStartMs) {
                qint64 gap = l.mono - lastStartMs;
                if (l.second >= 0 && lastStartSecond >= 0)
                    gap = std::min<qint64>(gap, (SecondsBetween(lastStartSecond, l.second) + 1) * 1000);
                if (gap > longestGapMs) {
                    longestGapMs = gap;
                    longestGapAt = l.mono;
                }
            }
            lastStartMs = l.mono;
            lastStartSecond = l.second;
            last = name;
        } else if (l.text.startsWith("error")) {
            ++errors;
            // A broken item's error follows its start line.
            if (!last.startsWith('b') && !last.startsWith("Track")) {
                ++unexpected;
                if (unexpectedLines.size() < 5)
                    unexpectedLines << QString::fromUtf8(last + " -> " + l.text);
            }
        }
    }
    const qint64 endMs = run.stopAskedMs ? run.stopAskedMs : run.endMs;
    const qint64 endMono = run.stopAskedMono ? run.stopAskedMono : run.endMono;
    if (lastStartMs && endMono - lastStartMs > longestGapMs) {
        longestGapMs = endMono - lastStartMs;
        longestGapAt = endMono;
    }
    const double minutes = double(endMs - run.startMs) / 60000.0;
    std::printf("\n%s: %d items started in %.1f min (%d good, %d broken, %d events), %.0f items/hour\n",
                qPrintable(run.Name()), starts, minutes, good, broken, events, starts / minutes * 60);
    std::printf("    error lines: %d (%d not after a broken item)\n", errors, unexpected);
    for (const QString& l : unexpectedLines)
        std::printf("      %s\n", qPrintable(l));
    const double gapLimit = kLongestItemSeconds + opt.gapMarginSeconds;
    std::printf("    longest time without a start: %.1f s (limit %.1f s), at +%.0f s\n",
                double(longestGapMs) / 1000, gapLimit, double(longestGapAt - run.startMono) / 1000);
    if (longestLagS > 1)
        std::printf("    lines read here up to %lld s after the program's time on them, at +%.0f s\n",
                    static_cast<long long>(longestLagS), double(longestLagAt - run.startMono) / 1000);
    if (double(longestGapMs) / 1000 > gapLimit)
        Fault(
            v, run,
            QStringLiteral("no start for %1 s: the run stopped").arg(double(longestGapMs) / 1000, 0, 'f', 1));
    if (starts == 0)
        Fault(v, run, QStringLiteral("nothing started"));
    ReportEvents(run, opt, v);
    const int logStarts = CountLogFileStarts(run.home + QStringLiteral("/logs"));
    std::printf("    play log file: %d start lines (stdout: %d)\n", logStarts, starts);
    if (logStarts != starts)
        Fault(v, run,
              QStringLiteral("the play log file holds %1 start lines, stdout %2").arg(logStarts).arg(starts));
    ReportSlopes(run, opt, v);

    if (run.exitedEarly)
        Fault(v, run,
              QStringLiteral("ended by itself after %1 s with status %2")
                  .arg(double(run.endMs - run.startMs) / 1000, 0, 'f', 0)
                  .arg(run.exitStatus));
    else if (run.exitStatus != 128 + SIGTERM || run.Signalled())
        Fault(v, run,
              QStringLiteral("status %1 after SIGTERM (expected %2)").arg(run.exitStatus).arg(128 + SIGTERM));
    else
        std::printf("    ended cleanly on SIGTERM in %.2f s\n", double(run.endMs - run.stopAskedMs) / 1000);
    QFile err(run.home + QStringLiteral("/stderr.txt"));
    if (err.open(QIODevice::ReadOnly)) {
        const QByteArray text = err.readAll();
        for (const char* mark : {"AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer",
                                 "runtime error:", "ThreadSanitizer", "still running 800 ms"})
            if (text.contains(mark))
                Fault(v, run,
                      QStringLiteral("stderr holds \"%1\" (%2)").arg(QLatin1String(mark), err.fileName()));
        std::printf("    stderr: %lld bytes\n", qlonglong(text.size()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    MonoMs(); // the steady clock counts from here
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/lirana-soak-XXXXXX"));
    if (!root.isValid())
        return 2;
    TestEnv::RootRef() = root.path();
    const QByteArray base = root.path().toLocal8Bit();
    for (const char* sub : {"config", "data", "home"})
        QDir(root.path()).mkpath(QString::fromLatin1(sub));
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_STATE_HOME", (base + "/state").constData(), 1);
    setenv("HOME", (base + "/home").constData(), 1);
    setenv("GST_REGISTRY", LIRANA_BENCH_GST_REGISTRY, 0);
    // Not the desktop's session bus: the media-player interface of each run
    // would register there.
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + base + "/no-bus").constData(), 1);
    unsetenv("LIRANA_AUDIO_SINK");
    QCoreApplication app(argc, argv);
    gst_init(nullptr, nullptr);

    Options opt;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto next = [&] { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == u"--short")
            opt.minutes = 5;
        else if (a == u"--minutes")
            opt.minutes = next().toDouble();
        else if (a == u"--outputs")
            opt.outputs = next().split(u',', Qt::SkipEmptyParts);
        else if (a == u"--modes")
            opt.modes = next().split(u',', Qt::SkipEmptyParts);
        else if (a == u"--items")
            opt.items = next().toInt();
        else if (a == u"--warmup-seconds")
            opt.warmupSeconds = next().toDouble();
        else if (a == u"--sample-seconds")
            opt.sampleSeconds = next().toDouble();
        else if (a == u"--gap-margin")
            opt.gapMarginSeconds = next().toDouble();
        else if (a == u"--max-rss-kb-per-item")
            opt.maxRssKbPerItem = next().toDouble();
        else if (a == u"--max-fd-growth")
            opt.maxFdGrowth = next().toDouble();
        else if (a == u"--max-thread-growth")
            opt.maxThreadGrowth = next().toDouble();
        else if (a == u"--lirana")
            opt.lirana = next();
        else if (a == u"--wrap")
            opt.wrapper = next().split(u' ', Qt::SkipEmptyParts);
        else if (a == u"--env")
            opt.env << next();
        else if (a == u"--skip")
            opt.skip = next().split(u',', Qt::SkipEmptyParts);
        else if (a == u"--keep")
            opt.keep = true;
        else {
            std::fprintf(stderr,
                         "usage: soak_bench [--minutes M | --short] [--outputs fake,pulseaudio,pipewire] "
                         "[--modes random,repeat] [--items N] [--warmup-seconds S] [--sample-seconds S] "
                         "[--gap-margin S] [--max-rss-kb-per-item KB] [--max-fd-growth N] "
                         "[--max-thread-growth N] [--lirana PATH] [--wrap \"PROGRAM ARGS\"] "
                         "[--env NAME=VALUE] [--skip FORMAT,...] [--keep]\n");
            return 2;
        }
    }
    if (opt.minutes <= 0 || opt.items < 10 || opt.modes.isEmpty() || opt.outputs.isEmpty())
        return 2;
    if (opt.warmupSeconds < 0)
        opt.warmupSeconds = std::min(600.0, std::max(120.0, opt.minutes * 60 / 5));
    root.setAutoRemove(!opt.keep);

    std::printf("soak benchmark: %s, %.1f min per run, warm-up %.0f s, outputs %s, modes %s\n",
                qPrintable(opt.lirana), opt.minutes, opt.warmupSeconds, qPrintable(opt.outputs.join(u',')),
                qPrintable(opt.modes.join(u',')));
    const QString mediaDir = TestEnv::MakeTempDir(QStringLiteral("media"));
    const Media media = MakeMedia(mediaDir, opt.skip);
    const QString album = WriteAlbum(mediaDir + QStringLiteral("/soak.m3u"), media, opt.items);
    std::printf("album: %d rows from %lld playable files and %lld broken or missing paths; an Exact event "
                "every minute, a waiting event every 90 s\n",
                opt.items, qlonglong(media.good.size()), qlonglong(media.broken.size()));
    const auto events = EventKeys(media);

    // The server (one at most) is started after the fake runs' environment
    // is taken, so that they never reach it.
    std::unique_ptr<AirServer> server;
    std::vector<std::unique_ptr<Run>> runs;
    Verdict verdict;
    for (const QString& output : opt.outputs) {
        const bool fake = output == u"fake";
        if (!fake) {
            const AirServer::Kind kind = output == u"pipewire" ? AirServer::Kind::PipeWire
                                                               : AirServer::Kind::PulseAudio;
            QString why = AirServer::Missing(kind);
            if (server) {
                why = QStringLiteral("one sound server per run of the benchmark");
            } else if (why.isEmpty()) {
                server = std::make_unique<AirServer>();
                if (!server->Start(&why, kind))
                    server.reset();
                else
                    why.clear();
            }
            if (!why.isEmpty()) {
                std::printf("%s: not measured (%s)\n", qPrintable(output), qPrintable(why));
                continue;
            }
        }
        for (const QString& mode : opt.modes) {
            auto run = std::make_unique<Run>();
            run->output = output;
            run->mode = mode;
            run->home = TestEnv::MakeTempDir(output + u'-' + mode);
            QDir(run->home).mkpath(QStringLiteral("logs"));
            HeadlessLirana::WriteHive(run->home,
                                      {{"IgnoreErrors", Flag(true)},
                                       {"PlayerMode", Dword(mode == u"repeat" ? 2 : 3)},
                                       {"Overlap Time", Dword(kOverlapMs)},
                                       {"Enable Logging", Flag(true)},
                                       {"Logfile Dir", Text((run->home + QStringLiteral("/logs")).toUtf8())}},
                                      events);
            QProcessEnvironment env = HeadlessLirana::Environment(run->home);
            // The fake output: GStreamer items into a fakesink at the pace of
            // the clock, MIDI and modules into the null output.
            if (fake) {
                env.insert(QStringLiteral("LIRANA_AUDIO_SINK"), QStringLiteral("fakesink sync=true"));
                env.insert(QStringLiteral("LIRANA_WAVE_OUT_DEVICE"), QStringLiteral("null"));
            }
            run->env = env.toStringList() + opt.env;
            runs.push_back(std::move(run));
        }
    }
    if (runs.empty()) {
        std::printf("nothing to run\n");
        return 1;
    }
    for (const auto& run : runs) {
        if (!run->Start(opt.wrapper, opt.lirana, album)) {
            std::printf("%s: cannot start %s\n", qPrintable(run->Name()), qPrintable(opt.lirana));
            return 1;
        }
    }

    const qint64 startMs = NowMs();
    const qint64 endAt = startMs + qint64(opt.minutes * 60000);
    qint64 nextSample = startMs, nextProgress = startMs + 60000;
    const auto pollAll = [&] {
        for (const auto& run : runs)
            run->Poll();
    };
    while (NowMs() < endAt) {
        pollAll();
        const qint64 now = NowMs();
        if (now >= nextSample) {
            for (const auto& run : runs)
                run->TakeSample();
            nextSample += qint64(opt.sampleSeconds * 1000);
        }
        if (now >= nextProgress) {
            std::printf("  +%.0f min:", double(now - startMs) / 60000);
            for (const auto& run : runs) {
                const Sample* s = run->samples.empty() ? nullptr : &run->samples.back();
                std::printf(
                    "  %s %s", qPrintable(run->Name()),
                    s ? qPrintable(
                            QStringLiteral("%1 items, %2 MB").arg(s->items).arg(s->rssKb / 1024, 0, 'f', 1))
                      : "-");
            }
            std::printf("\n");
            std::fflush(stdout);
            nextProgress += 60000;
        }
        if (std::none_of(runs.begin(), runs.end(), [](const auto& r) { return r->Running(); }))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const auto& run : runs)
        run->Stop();
    const qint64 stopDeadline = NowMs() + 30000; // a sanitizer build checks for leaks at exit
    while (NowMs() < stopDeadline &&
           std::any_of(runs.begin(), runs.end(), [](const auto& r) { return r->Running(); })) {
        pollAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const auto& run : runs) {
        run->Kill();
        while (run->Running()) {
            run->Poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (server)
        server->Stop();

    for (const auto& run : runs)
        Report(*run, opt, verdict);
    std::printf("\n%s\n",
                verdict.faults.isEmpty()
                    ? "soak: no hard fault"
                    : qPrintable(QStringLiteral("soak: %1 hard fault(s)").arg(verdict.faults.size())));
    if (opt.keep)
        std::printf("kept: %s\n", qPrintable(root.path()));
    return verdict.faults.isEmpty() ? 0 : 1;
}
