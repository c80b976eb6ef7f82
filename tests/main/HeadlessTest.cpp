// The headless runner as a user scripts it, and the console as the session
// ends it: the real program in its own process, with its own configuration
// folders.
#include "support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct RunResult
{
    int exitCode = -1;
    QStringList lines; // stdout, time stamps removed
    QList<qint64> arrivalMs; // when each line arrived (ms since the epoch)
    QString err;         // stderr without the start-up diagnostics line
    QString audioOutput; // that line: which audio output is in use
    qint64 signalToEndMs = -1; // from the signal to the program's end
};

class HeadlessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = TestEnv::MakeTempDir(QStringLiteral("headless"));
        QDir(home).mkpath(QStringLiteral("config/Oxbelund"));
    }

    void WriteHive(const QByteArray& settings)
    {
        TestEnv::WriteFile(home + QStringLiteral("/config/Oxbelund/Lirana.reg"),
                           "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n" +
                               settings + "\n");
    }

    // signalWhen: sends signal once, as soon as it holds of the run so far.
    RunResult Start(const QStringList& args, const std::function<bool(const RunResult&)>& signalWhen = {},
                    int signal = SIGTERM, int timeoutMs = 20000)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home);
        p.setChildProcessModifier([limit = fileSizeLimit] {
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        });
        p.start(QStringLiteral(LIRANA_BINARY), args);
        RunResult run;
        static const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\t"));
        // Lines are flushed one by one: note when each arrives.
        auto takeLines = [&] {
            while (p.canReadLine()) {
                QString line = QString::fromLocal8Bit(p.readLine()).chopped(1);
                if (line.isEmpty())
                    continue;
                run.lines << line.remove(stamp);
                run.arrivalMs << QDateTime::currentMSecsSinceEpoch();
            }
        };
        QDeadlineTimer deadline(timeoutMs);
        qint64 signalledMs = 0;
        while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            p.waitForReadyRead(20);
            takeLines();
            if (signalWhen && !signalledMs && p.processId() > 0 && signalWhen(run)) {
                ::kill(static_cast<pid_t>(p.processId()), signal);
                signalledMs = QDateTime::currentMSecsSinceEpoch();
            }
        }
        if (signalledMs)
            run.signalToEndMs = QDateTime::currentMSecsSinceEpoch() - signalledMs;
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "lirana did not finish";
            return run;
        }
        p.waitForFinished();
        takeLines();
        run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        for (const QString& line : QString::fromLocal8Bit(p.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("lirana: audio output: ")))
                run.audioOutput = line;
            else
                run.err += line + u'\n';
        }
        return run;
    }

    QString home;
    rlim_t fileSizeLimit = RLIM_INFINITY; // the program's RLIMIT_FSIZE
};

// Settings that turn the daily play log on, into a new folder logs.
QByteArray LoggingTo(const QString& logs)
{
    QDir().mkpath(logs);
    return "\"Enable Logging\"=hex:01,00,00,00\n\"Logfile Dir\"=\"" + logs.toUtf8() + "\"\n";
}

// Runs that differ only in data: the hive's settings, a file to write first,
// the arguments, the play-log lines and the exit code.
struct HeadlessRow
{
    const char* name;
    QByteArray hive;
    QString file;        // "name=content" written into the home folder, or empty
    QStringList args;    // after --headless --play --exit-at-end --log-stdout
    QStringList lines;
    bool play = true;
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

TEST_F(HeadlessTest, RunsEndWithTheirLogLines)
{
    const QByteArray noOverlap = "\"Overlap Time\"=dword:00000000";
    const HeadlessRow rows[] = {
        {"pauses play", noOverlap, {}, {"1.pause", "0.pause"}, {"startup", "start\t1 sec.", "start\t0 sec.", "shutdown"}},
        {"a stop row ends the run", noOverlap, {}, {"0.pause", "x.stop", "5.pause"},
         {"startup", "start\t0 sec.", "shutdown"}},
        {"AutoPlay starts without --play", noOverlap + "\n\"AutoPlay\"=hex:01,00,00,00", {}, {"0.pause"},
         {"startup", "start\t0 sec.", "shutdown"}, false},
        {"one list file is the album", noOverlap, "show.m3u=#EXTM3U\r\n#EXTINF:1,Intro\r\n1.pause\r\n\r\n0.pause\r\n",
         {"show.m3u"}, {"startup", "start\t1 sec.", "start\t0 sec.", "shutdown"}},
        {"an empty album without events ends at once", noOverlap, "empty.m3u=", {"empty.m3u"},
         {"startup", "shutdown"}},
        // The first log line fits under the file size limit, the second does not.
        {"a failed log write is not a failed run", LoggingTo(home + QStringLiteral("/logs")), {}, {"0.pause"},
         {"startup", "start\t0 sec.", "shutdown"}, true, 20},
    };
    for (const HeadlessRow& row : rows) {
        WriteHive(row.hive);
        if (!row.file.isEmpty())
            TestEnv::WriteFile(home + u'/' + row.file.section(u'=', 0, 0), row.file.section(u'=', 1).toUtf8());
        fileSizeLimit = row.fileSizeLimit;
        QStringList args{"--headless", "--exit-at-end", "--log-stdout"};
        if (row.play)
            args << "--play";
        const RunResult run = Start(args + row.args);
        EXPECT_EQ(run.exitCode, 0) << row.name << run.err.toStdString();
        EXPECT_EQ(run.lines, row.lines) << row.name;
        EXPECT_FALSE(run.audioOutput.isEmpty()) << "the output in use is named at start-up";
    }
}

TEST_F(HeadlessTest, ErrorsAreLoggedAndWithIgnoreErrorsTheNextItemPlays)
{
    WriteHive("\"Overlap Time\"=dword:00000000\n\"IgnoreErrors\"=hex:01,00,00,00");
    const RunResult run = Start({"--headless", "--play", "--exit-at-end", "--log-stdout",
                           "/nowhere/Track01.cda", "0.pause"});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 5) << run.lines.join(u'|').toStdString();
    EXPECT_EQ(run.lines[1], "start\tTrack 01");
    EXPECT_TRUE(run.lines[2].startsWith(QLatin1String("error\t"))) << run.lines[2].toStdString();
    EXPECT_EQ(run.lines[3], "start\t0 sec.");
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString(); // ignored errors show no message
}

// A FIFO named like a media file would block the engine inside the open: it
// is reported at once and the items around it play.
TEST_F(HeadlessTest, AFifoItemIsRefusedAndTheItemsAroundItPlay)
{
    WriteHive("\"Overlap Time\"=dword:00000000\n\"IgnoreErrors\"=hex:01,00,00,00");
    const QString fifo = home + QStringLiteral("/pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const RunResult run = Start({"--headless", "--play", "--exit-at-end", "--log-stdout", "0.pause", fifo, "0.pause"});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 6) << run.lines.join(u'|').toStdString();
    EXPECT_EQ(run.lines[2], "start\tpipe");
    EXPECT_TRUE(run.lines[3].startsWith(QLatin1String("error\tNot a regular file: "))) << run.lines[3].toStdString();
    EXPECT_EQ(run.lines[4], "start\t0 sec.");
}

TEST_F(HeadlessTest, WithoutIgnoreErrorsTheErrorIsShownOnStderrAndPlaybackStops)
{
    WriteHive("\"Overlap Time\"=dword:00000000");
    const RunResult run = Start({"--headless", "--play", "--exit-at-end", "--log-stdout",
                           "/nowhere/Track01.cda", "0.pause"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines.size(), 4);
    EXPECT_TRUE(run.err.startsWith(QLatin1String("lirana: error: "))) << run.err.toStdString();
}

TEST_F(HeadlessTest, TooManyErrorsEndTheRunWithTheTwoLineEntry)
{
    WriteHive("\"IgnoreErrors\"=hex:01,00,00,00");
    QStringList args{"--headless", "--play", "--exit-at-end", "--log-stdout"};
    for (int i = 1; i <= 55; ++i)
        args << QStringLiteral("/nowhere/Track%1.cda").arg(i % 100, 2, 10, QLatin1Char('0'));
    const RunResult run = Start(args);
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_GE(run.lines.size(), 3);
    EXPECT_EQ(run.lines.filter(QRegularExpression(QStringLiteral("^start\\t"))).size(), 50);
    const qsizetype n = run.lines.size();
    EXPECT_EQ(run.lines[n - 3], "error");
    EXPECT_EQ(run.lines[n - 2], "Playback is stooped because of too many errors");
    EXPECT_EQ(run.lines[n - 1], "shutdown");
}

TEST_F(HeadlessTest, AnAlbumThatCannotBeOpenedIsAnErrorExit)
{
    const RunResult run = Start({"--headless", "--play", "--exit-at-end", "missing.alb"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("missing.alb"))) << run.err.toStdString();
}

// An "Events" key with one daily event on every weekday, starting at the
// whole second at.
QByteArray EventKey(const QString& file, const QDateTime& at, bool exact)
{
    const QByteArray start = QStringLiteral("%1-%2-%3 %4:%5:%6")
                                 .arg(at.date().year()).arg(at.date().month()).arg(at.date().day())
                                 .arg(at.time().hour())
                                 .arg(at.time().minute(), 2, 10, QLatin1Char('0'))
                                 .arg(at.time().second(), 2, 10, QLatin1Char('0'))
                                 .toUtf8();
    return "\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events\\Event 0]\n"
           "\"FileName\"=\"" + file.toUtf8() + "\"\n"
           "\"StartDate\"=\"" + start + "\"\n"
           "\"ExpireDate\"=\"2099-12-31 0:00:00\"\n"
           "\"WeekDayMask\"=dword:0000007f\n"
           "\"EveryHour\"=hex:00,00,00,00\n"
           "\"Exact\"=hex:0" + QByteArray(exact ? "1" : "0") + ",00,00,00\n"
           "\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events]\n\"Count\"=dword:00000001\n";
}

// The event tests need the program to have read its events before the
// event is due (a run missed while the program was not running is skipped).
// On a loaded machine the start can take longer than the first lead: such a
// run is ended and tried again with a longer lead.
TEST_F(HeadlessTest, AnExactEventInterruptsTheItemOnAirOnTime)
{
    for (const int lead : {3, 12}) {
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime due = now.addSecs(lead).addMSecs(-now.time().msec()); // a whole second
        WriteHive("\"Overlap Time\"=dword:00000000\n" + EventKey(QStringLiteral("/ev/1.pause"), due, true));
        // A start too late to judge is ended at once and tried again.
        const auto tooLate = [&](const RunResult& r) {
            return lead == 3 && !r.arrivalMs.isEmpty() && r.arrivalMs[0] >= due.toMSecsSinceEpoch();
        };
        const RunResult run = Start({"--headless", "--play", "--exit-at-end", "--log-stdout", "30.pause"}, tooLate);
        if (tooLate(run))
            continue;
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        ASSERT_EQ(run.lines, QStringList({"startup", "start\t30 sec.", "start\t1 sec.", "shutdown"}));
        // The events are checked once a second: the event starts within a
        // second of its time (a little more for a loaded machine), never before.
        const qint64 late = run.arrivalMs[2] - due.toMSecsSinceEpoch();
        std::printf("[ measured ] exact event started %lld ms after its time\n", static_cast<long long>(late));
        EXPECT_GE(late, 0);
        EXPECT_LT(late, 1300);
        return;
    }
}

TEST_F(HeadlessTest, AWaitingEventStartsWhenTheItemEnds)
{
    for (const int lead : {3, 12}) {
        // Due while the first item plays, which lasts two seconds longer.
        const QDateTime due = QDateTime::currentDateTime().addSecs(lead);
        WriteHive("\"Overlap Time\"=dword:00000000\n" + EventKey(QStringLiteral("/ev/1.pause"), due, false));
        const QString first = QStringLiteral("%1.pause").arg(lead + 2);
        const auto tooLate = [&](const RunResult& r) {
            return lead == 3 && !r.arrivalMs.isEmpty() && r.arrivalMs[0] >= due.toMSecsSinceEpoch();
        };
        const RunResult run =
            Start({"--headless", "--play", "--exit-at-end", "--log-stdout", first, "0.pause"}, tooLate);
        if (tooLate(run))
            continue;
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.lines, QStringList({"startup", QStringLiteral("start\t%1 sec.").arg(lead + 2), "start\t1 sec.",
                                          "start\t0 sec.", "shutdown"}));
        return;
    }
}

TEST_F(HeadlessTest, CommandLineContract)
{
    const RunResult help = Start({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.lines.join(u'\n').contains(QLatin1String("--headless")));
    const RunResult version = Start({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.lines.value(0).startsWith(QLatin1String("lirana ")));
    const RunResult bad = Start({"--headless", "--frobnicate"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(QLatin1String("Usage:")));
    EXPECT_EQ(Start({"--play", "a.mp3"}).exitCode, 2);
    // What comes first decides; no option takes a value.
    EXPECT_EQ(Start({"--help", "--frobnicate"}).exitCode, 0);
    EXPECT_TRUE(Start({"--play=1", "--help"}).err.startsWith(QLatin1String("lirana: unknown option --play=1\n")));
    WriteHive("\"Overlap Time\"=dword:000007d0\n");
    const QStringList settings = Start({"--print-settings"}).lines;
    EXPECT_TRUE(settings.contains(QStringLiteral("Settings\\Overlap Time\tNumber\t4000\t2000"))) << qPrintable(settings.join(u'\n'));
    // Without items there is nothing to wait for: a script learns it at once.
    const RunResult none = Start({"--headless", "--play", "--exit-at-end", "--"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.err.startsWith(QLatin1String("lirana: no items given\nUsage:"))) << qPrintable(none.err);
}

TEST_F(HeadlessTest, TerminationSignalsEndTheRunWithinASecond)
{
    // The kernel accepts the connection and nobody ever answers: opening
    // this item waits for its 15 s timeout.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString hanging = QStringLiteral("http://127.0.0.1:%1/x.mp3").arg(silent.serverPort());
    WriteHive("\"AudioSink\"=\"fakesink sync=true\"");
    const std::pair<int, QString> rows[] = {{SIGTERM, "30.pause"}, {SIGINT, "30.pause"}, {SIGHUP, "30.pause"},
                                            {SIGTERM, hanging}};
    for (const auto& [signal, item] : rows) {
        const RunResult run = Start({"--headless", "--play", "--log-stdout", item},
                                    [](const RunResult& r) { return r.lines.size() == 2; }, signal);
        std::printf("[ measured ] signal %d while playing %s: ended after %lld ms\n", signal,
                    qPrintable(item), run.signalToEndMs);
        EXPECT_EQ(run.exitCode, 128 + signal) << run.err.toStdString();
        EXPECT_LT(run.signalToEndMs, 3000); // well under 15 s, with room for a busy machine
        EXPECT_TRUE(item == hanging || run.lines.value(2) == "shutdown") << signal;
    }
}

#ifdef LIRANA_HAS_CONSOLE
// The text of the first file in folder that matches pattern.
QString ReadFirst(const QString& folder, const QString& pattern)
{
    const QFileInfoList files = QDir(folder).entryInfoList({pattern}, QDir::Files);
    QFile file(files.value(0).filePath());
    return !files.isEmpty() && file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST_F(HeadlessTest, SigtermEndsTheConsoleSessionWithoutQuestions)
{
    // "Shutdown Confirmation" is on by default, and nobody answers it here.
    const QString logs = home + QStringLiteral("/logs");
    WriteHive(LoggingTo(logs) + "\"AudioSink\"=\"fakesink sync=true\"");
    auto log = [&] { return ReadFirst(logs, QStringLiteral("*.LOG")); };
    const RunResult run = Start({}, [&](const RunResult&) { return log().contains(u"startup"); });
    std::printf("[ measured ] the console ended %lld ms after SIGTERM\n", run.signalToEndMs);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(log().endsWith(QLatin1String("\tshutdown\n"))) << log().toStdString();
    // What a close saves was saved, the frame's placement for one.
    EXPECT_TRUE(ReadFirst(home + QStringLiteral("/config/Oxbelund"), QStringLiteral("Lirana.reg")).contains(
        QLatin1String("\"WindowPos\"")));
}
#endif

TEST_F(HeadlessTest, ACorruptHiveStartsOnDefaultsAndIsKeptAside)
{
    TestEnv::WriteFile(home + QStringLiteral("/config/Oxbelund/Lirana.reg"),
                       "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n\"Overl");
    const RunResult run = Start({"--headless", "--play", "--exit-at-end", "--log-stdout", "0.pause"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, QStringList({"startup", "start\t0 sec.", "shutdown"}));
    EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
    const QStringList aside = QDir(home + QStringLiteral("/config/Oxbelund"))
                                  .entryList({QStringLiteral("Lirana.reg.bad-*")}, QDir::Files);
    EXPECT_EQ(aside.size(), 1);
}

} // namespace
