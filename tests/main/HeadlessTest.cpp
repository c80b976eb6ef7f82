// SPDX-License-Identifier: GPL-3.0-or-later
// The headless runner as a user scripts it, and the console as the session
// ends it: the real program in its own process, with its own configuration
// folders.
#include "ProgramWorld.h"
#include "support/Fakes.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Settings that turn the daily play log on, into home/logs.
const QByteArray kLogging = "\"Enable Logging\"=hex:01,00,00,00\n\"Logfile Dir\"=\"$HOME/logs\"\n";
const QByteArray kNoOverlap = "\"Overlap Time\"=dword:00000000";
const QByteArray kIgnoreErrors = kNoOverlap + "\n\"IgnoreErrors\"=hex:01,00,00,00";

struct RunResult
{
    int exitCode = -1;
    QStringList lines;         // stdout, time stamps removed
    QList<qint64> arrivalMs;   // when each line arrived (ms since the epoch)
    QString err;               // stderr without the start-up diagnostics line
    QString audioOutput;       // that line: which audio output is in use
    qint64 signalToEndMs = -1; // from the signal to the program's end
    qint64 dueMs = 0;          // an event's time (ms since the epoch)
    int lead = 0;              // seconds from the start to the event
};

class HeadlessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = TestEnv::MakeTempDir("headless");
        QDir(home).mkpath("config/Oxbelund");
        QDir(home).mkpath("logs");
    }

    void WriteHive(const QByteArray& settings) { WriteSettingsHive(home, settings); }

    // signalWhen: sends signal once, as soon as it holds of the run so far.
    RunResult Start(const QStringList& args, const std::function<bool(const RunResult&)>& signalWhen = {},
                    int signal = SIGTERM)
    {
        QProcess p;
        QProcessEnvironment env = ProgramEnvironment(home);
        for (const QString& name : removeEnv)
            env.remove(name);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home);
        p.setChildProcessModifier([limit = fileSizeLimit] {
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        });
        p.start(launcher.isEmpty() ? QStringLiteral(LIRANA_BINARY) : launcher.first(),
                launcher.isEmpty() ? args : launcher.mid(1) + QStringList(LIRANA_BINARY) + args);
        RunResult run;
        static const QRegularExpression stamp("^\\d\\d:\\d\\d:\\d\\d\\t");
        // Lines are flushed one by one: note when each arrives.
        auto takeLines = [&] {
            while (p.canReadLine()) {
                run.lines << QString::fromLocal8Bit(p.readLine()).chopped(1).remove(stamp);
                run.arrivalMs << QDateTime::currentMSecsSinceEpoch();
            }
        };
        QDeadlineTimer deadline(20000);
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
        EXPECT_EQ(p.state(), QProcess::NotRunning) << "lirana did not finish";
        p.kill();
        p.waitForFinished();
        takeLines();
        run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        static const QRegularExpression output("^lirana: audio output: .*\n",
                                               QRegularExpression::MultilineOption);
        run.err = QString::fromLocal8Bit(p.readAllStandardError());
        run.audioOutput = output.match(run.err).captured();
        run.err.remove(output);
        return run;
    }

    // The event tests need the program to have read its events before the
    // event is due (a run missed while the program was not running is
    // skipped). On a loaded machine the start can take longer than the first
    // lead: such a run is ended at once and tried again with a longer lead.
    // Runs the items (%L: two seconds more than the lead) with one event due
    // lead seconds from now, at the whole second the stored time names: a
    // start later than that second (a loaded machine) has missed the event
    // and runs again with a longer lead.
    // endWhen: the run is ended (SIGTERM) as soon as it holds.
    RunResult RunWithEvent(bool exact, const QString& items,
                           const std::function<bool(const RunResult&)>& endWhen = {})
    {
        RunResult run;
        for (const int lead : {2, 5, 15}) {
            // A run ended for being late must not leave the next one its
            // resume record: each try starts as the first.
            QDir(home + QStringLiteral("/state")).removeRecursively();
            const QDateTime now = QDateTime::currentDateTime();
            const QDateTime due = now.addSecs(lead).addMSecs(-now.time().msec());
            WriteHive(kNoOverlap); // and one daily event, due then
            QStringList add{"--add-event", "/ev/1.pause", "--at", due.toString("yyyy-M-d H:mm:ss")};
            EXPECT_EQ(Start(exact ? add << "--immediately" : add).exitCode, 0);
            // Play skips the runs that fell due before it: a run whose first
            // start (the Play) came at or after the event's time tries again
            // with a longer lead.
            const qint64 dueMs = due.toMSecsSinceEpoch();
            const auto tooLate = [&](const RunResult& r) {
                const qint64 played = r.arrivalMs.size() > 1 ? r.arrivalMs[1]
                                                             : QDateTime::currentMSecsSinceEpoch();
                return lead < 15 && played >= dueMs;
            };
            QString args = "--headless --play --exit-at-end --log-stdout " + items;
            run = Start(args.replace("%L", QString::number(lead + 2)).split(u' '),
                        [&](const RunResult& r) { return tooLate(r) || (endWhen && endWhen(r)); });
            run.dueMs = dueMs;
            run.lead = lead;
            if (!tooLate(run))
                break;
        }
        return run;
    }

    QString home;
    rlim_t fileSizeLimit = RLIM_INFINITY; // the program's RLIMIT_FSIZE
    QStringList removeEnv;                // taken from the program's environment
    QStringList launcher;                 // starts the program: its command, then the program and args
};

// Runs that differ only in data: the hive's settings, a file to make first,
// the arguments, the play-log lines, the exit code and what stderr holds.
struct HeadlessRow
{
    const char* name;
    QByteArray hive;
    QString file;      // "name=content" written into the home folder; "name" alone: a FIFO
    const char* args;  // split at spaces, after --headless --exit-at-end --log-stdout (and --play)
    const char* lines; // split at |; * stands for any text
    int exitCode = 0;
    const char* err = ""; // text stderr contains; nullptr: stderr is empty
    bool play = true;
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

const HeadlessRow kRows[] = {
    {"PausesPlay", kNoOverlap, "", "1.pause 0.pause", "startup|start\t1 sec.|start\t0 sec.|shutdown"},
    {"AStopRowEndsTheRun", kNoOverlap, "", "0.pause x.stop 5.pause", "startup|start\t0 sec.|shutdown"},
    {"AutoPlayStartsWithoutPlay", kNoOverlap + "\n\"AutoPlay\"=hex:01,00,00,00", "", "0.pause",
     "startup|start\t0 sec.|shutdown", 0, "", false},
    {"OneListFileIsTheAlbum", kNoOverlap, "show.m3u=#EXTM3U\r\n#EXTINF:1,Intro\r\n1.pause\r\n\r\n0.pause\r\n",
     "show.m3u", "startup|start\t1 sec.|start\t0 sec.|shutdown"},
    {"AnEmptyAlbumWithoutEventsEndsAtOnce", kNoOverlap, "empty.m3u=", "empty.m3u", "startup|shutdown"},
    // The first log line fits under the file size limit, the second does not:
    // the operator is told, and the run goes on.
    {"AFailedLogWriteIsNotAFailedRun", kLogging, "", "0.pause", "startup|start\t0 sec.|shutdown", 0,
     "Error writing to log file", true, 20},
    // A full disk (a file size limit stands in) is not a lock held by another process.
    {"AFullDiskSaysSoWhenTheSettingsAreSaved", kNoOverlap, "", "0.pause", "startup|start\t0 sec.|shutdown", 0,
     "cannot create the lock file $HOME/config/Oxbelund/Lirana.reg.lock: File too large", true, 8},
    // Nobody is at the desk: with "IgnoreErrors" on or off an error is a
    // log line and a line on stderr, and the next item plays.
    {"IgnoredErrorsAreReportedAndTheNextItemPlays", kIgnoreErrors, "", "/nowhere/Track01.cda 0.pause",
     "startup|start\tTrack 01|error\t*|start\t0 sec.|shutdown", 0, "lirana: error: "},
    // A FIFO named like a media file would block the engine inside the open.
    {"AFifoItemIsRefusedAndTheItemsAroundItPlay", kIgnoreErrors, "pipe.wav", "0.pause pipe.wav 0.pause",
     "startup|start\t0 sec.|start\tpipe|error\tNot a regular file: *|start\t0 sec.|shutdown"},
    // A sheet that is its own BIN (one sector of its text): the log names the
    // track by the sheet's TITLE, as the console does.
    {"ACdRowIsLoggedWithItsOwnDiscsTitle", kNoOverlap + "\n\"WaveOutDevice\"=\"null\"",
     "t.cue=FILE t.cue BINARY\n TRACK 01 AUDIO\n  TITLE \"Song One\"\n  INDEX 01 00:00:00\n",
     "t.cue/Track01.cda 0.pause", "startup|start\tSong One|start\t0 sec.|shutdown"},
    {"WithoutIgnoreErrorsTheErrorIsReportedAndTheNextItemPlays", kNoOverlap + "\n\"AudioSink\"=\"fakesink\"",
     "", "/nowhere/Track01.cda /nowhere/missing.wav 0.pause",
     "startup|start\tTrack 01|error\t*|start\tmissing|error\t*|start\t0 sec.|shutdown", 0, "lirana: error: "},
    // A list goes on past a failed entry as the run goes on past a failed
    // item; a failed last item ends the album (it was played again, for ever).
    {"AListGoesOnPastAFailedEntryAndAFailedLastItemEndsTheRun", kNoOverlap,
     "show.m3u=nowhere.wav\n1.pause\nnowhere.wav\n", "0.pause show.m3u",
     "startup|start\t0 sec.|start\tshow|error\t*nowhere.wav)|start\t1 sec.|error\t*nowhere.wav)|shutdown", 0,
     "lirana: error: "},
    // Nothing would ever start: the run ends with the reason.
    {"AnAlbumThatLeadsOnlyToItselfEndsTheRun", kNoOverlap, "self.alb=self.alb\n", "self.alb",
     "startup|error\tNo playable item follows: the album */self.alb leads back to itself|shutdown"},
    // A FIFO where the resume record lives would hold the start-up.
    {"AFifoAsTheResumeRecordIsIgnored", kNoOverlap, "state/Oxbelund/Lirana/resume.json", "0.pause",
     "startup|start\t0 sec.|shutdown"},
    {"AnAlbumThatCannotBeOpenedIsAnErrorExit", "", "", "missing.alb", "", 1, "missing.alb"},
    // The fallback album plays where the air would fall silent (here: Play on
    // an empty album); one that has nothing to play itself, or is not there,
    // is a line, not a loop, a box or a failed run.
    {"AMissingFallbackAlbumIsAnErrorLine", kNoOverlap, "", "--fallback /nowhere/fb.alb 0.pause",
     "startup|start\t0 sec.|error\tThe fallback album /nowhere/fb.alb is not found|shutdown"},
    {"AnEmptyAlbumGoesToTheFallback", kNoOverlap, "fb.alb=", "--fallback fb.alb fb.alb",
     "startup|fallback\t*/fb.alb: nothing to play|error\t*has nothing to play|fallback end\t*|shutdown"},
    // A hive that ends inside a value name.
    {"ADamagedHiveIsKeptAsideAndTheRunStartsOnDefaults", "\"Overl", "", "0.pause",
     "startup|start\t0 sec.|shutdown", 0, "is kept as $HOME/config/Oxbelund/Lirana.reg.bad-"},
};

// Names the row in the test's description.
void PrintTo(const HeadlessRow& row, std::ostream* out)
{
    *out << row.name;
}

class HeadlessRun : public HeadlessTest, public ::testing::WithParamInterface<HeadlessRow>
{};

TEST_P(HeadlessRun, EndsWithItsLogLines)
{
    const HeadlessRow& row = GetParam();
    WriteHive(row.hive);
    const QString file = home + u'/' + row.file.section(u'=', 0, 0);
    if (row.file.contains(u'='))
        TestEnv::WriteFile(file, row.file.section(u'=', 1).toUtf8());
    QDir().mkpath(QFileInfo(file).absolutePath());
    ASSERT_TRUE(row.file.isEmpty() || row.file.contains(u'=') ||
                ::mkfifo(QFile::encodeName(file), 0600) == 0);
    fileSizeLimit = row.fileSizeLimit;
    QStringList args{"--headless", "--exit-at-end", "--log-stdout"};
    if (row.play)
        args << "--play";
    const RunResult run = Start(args + QString::fromUtf8(row.args).split(u' '));
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
    QString want = QRegularExpression::escape(QString::fromUtf8(row.lines)).replace("\\|", "\n");
    want.replace("\\*", ".*");
    EXPECT_TRUE(QRegularExpression("^" + want + "$").match(run.lines.join(u'\n')).hasMatch())
        << qPrintable(run.lines.join(u'|'));
    const QString err = QString::fromUtf8(row.err).replace(QLatin1String("$HOME"), home);
    EXPECT_TRUE(row.err ? run.err.contains(err) : run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(row.exitCode != 0 || !run.audioOutput.isEmpty()) << "the output in use is named at start-up";
}

INSTANTIATE_TEST_SUITE_P(Rows, HeadlessRun, ::testing::ValuesIn(kRows),
                         [](const auto& test) { return std::string(test.param.name); });

// An exact event interrupts the item on air; it starts on its second too
// while a mini playlist whose first entry is a stream that never answers
// waits for it off the engine's thread (its measuring, 15 s). The events
// tick runs just after each whole second: the event starts a few ms after
// its second (a tick once a second at any phase would be up to a second
// late), never before; the rest is room for a loaded machine. An event that
// waits starts when the item on air ends.
TEST_F(HeadlessTest, AnEventStartsOnItsSecondOrWhenTheItemOnAirEnds)
{
    QTcpServer silent; // accepts, never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString list = TestEnv::WriteFile(
        home + "/hangs.m3u",
        QStringLiteral("http://127.0.0.1:%1/x.mp3\n1.pause\n").arg(silent.serverPort()).toUtf8());
    const std::function<bool(const RunResult&)> eventStarted = [](const RunResult& r) {
        return r.lines.contains("start\t1 sec.");
    };
    // exact, the items (%L: the lead and two seconds), ended once the event
    // started | the play log | how late the event may start (ms)
    const std::tuple<bool, QString, bool, QString, qint64> rows[] = {
        {true, "30.pause", false, "startup|start\t30 sec.|start\t1 sec.|shutdown", 250},
        {true, "0.pause " + list, true, "startup|start\t0 sec.|start\thangs|start\t1 sec.", 1000},
        {false, "%L.pause 0.pause", false, "startup|start\t%L sec.|start\t1 sec.|start\t0 sec.|shutdown",
         60000}};
    for (const auto& [exact, items, endAtEvent, lines, bound] : rows) {
        const RunResult run = RunWithEvent(exact, items, endAtEvent ? eventStarted : nullptr);
        QString timeline; // relative to the event's time
        for (qsizetype i = 0; i < run.lines.size() && i < run.arrivalMs.size(); ++i)
            timeline += QStringLiteral("%1 ms: %2\n").arg(run.arrivalMs[i] - run.dueMs).arg(run.lines[i]);
        EXPECT_EQ(run.exitCode, endAtEvent ? 128 + SIGTERM : 0) << run.err.toStdString();
        ASSERT_EQ((endAtEvent ? run.lines.mid(0, 4) : run.lines).join(u'|'),
                  QString(lines).replace("%L", QString::number(run.lead + 2)))
            << timeline.toStdString() << run.err.toStdString();
        const qint64 late = run.arrivalMs[run.lines.indexOf("start\t1 sec.")] - run.dueMs;
        std::printf("[ measured ] the event started %lld ms after its time\n", static_cast<long long>(late));
        EXPECT_GE(late, 0);
        EXPECT_LT(late, bound);
    }
}

TEST_F(HeadlessTest, CommandLineContract)
{
    WriteHive("\"Overlap Time\"=dword:000007d0\n");
    const QString hive = home + "/config/Oxbelund/Lirana.reg";
    Start({"--print-settings"}); // the file in the program's own form, as any run that reads it leaves it
    const QByteArray before = FileBytes(hive);
    // The arguments, the exit code, text stdout and stderr contain; none of
    // them changes the settings file. What comes first decides; no option
    // takes a value; without items there is nothing to wait for, and a
    // script learns it at once. A bad setting or event is refused with the
    // reason, and a refused --set writes none of the values before it.
    const std::tuple<QStringList, int, const char*, const char*> rows[] = {
        {{"--help"}, 0, "--headless", ""},
        {{"-h"}, 0, "--headless", ""},
        {{"--headless", "--play", "x.mp3", "-h"}, 0, "--headless", ""},
        {{"--version"}, 0, "lirana ", ""},
        {{"--headless", "--frobnicate"}, 2, "", "Usage:"},
        {{"--play", "a.mp3"}, 2, "", ""},
        {{"--help", "--frobnicate"}, 0, "", ""},
        {{"--play=1", "--help"}, 2, "", "lirana: unknown option --play=1\n"},
        {{"--print-settings"}, 0, "Settings\\Overlap Time\tNumber\t4000\t2000", ""},
        {{"--headless", "--play", "--exit-at-end", "--"}, 2, "", "lirana: no items given\nUsage:"},
        // Values of their own; a station of its own reads its own hive.
        {{"--headless", "--exit-at-end", "x.mp3", "--fallback"}, 2, "", "lirana: --fallback needs a value"},
        {{"--headless", "--instance", "../x", "x.mp3"}, 2, "", "lirana: --instance takes"},
        {{"--instance=two", "--print-settings"}, 0, "Settings\\Overlap Time\tNumber\t4000\t4000", ""},
        {{"--set", "PlayerMode=Loop", "--help"}, 0, "", ""},
        {{"--set", "Fade Period=2.5", "--set", "Overlap Time=31000"}, 2, "", "Overlap Time takes 0 to 30000"},
        {{"--set", "No Such=1"}, 2, "", "no setting is named \"No Such\""},
        {{"--get", "No Such"}, 2, "", "no setting is named"},
        {{"--set", "Fade Period"}, 2, "", "NAME=VALUE"},
        {{"--set", "Fade Period=1", "--list-events"}, 2, "", "at a time"},
        {{"--add-event", "/ev/id.wav", "--at", "tomorrow"}, 2, "", "Please enter a valid date and time"},
        {{"--add-event", "/e.wav", "--at", "2026-12-8 7:30:00", "--days", "Funday"}, 2, "", "--days takes"},
        {{"--add-event", QString(256, u'x'), "--at", "2026-12-8 7:30:00"}, 2, "", "at most 255 characters"},
        {{"--remove-event", "1"}, 2, "", "there is no event 1"},
    };
    for (const auto& [args, exitCode, out, err] : rows) {
        const RunResult run = Start(args);
        EXPECT_EQ(run.exitCode, exitCode) << qPrintable(args.join(u' '));
        EXPECT_TRUE(run.lines.join(u'\n').contains(QLatin1String(out))) << qPrintable(args.join(u' '));
        EXPECT_TRUE(run.err.contains(QLatin1String(err))) << qPrintable(run.err);
        EXPECT_EQ(FileBytes(hive), before) << qPrintable(args.join(u' '));
    }
#ifdef LIRANA_HAS_CONSOLE
    // The console without a display: one line that says so and what to use.
    removeEnv = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
    const RunResult run = Start({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith(QLatin1String("lirana: no display")) && run.err.contains(u"--headless"))
        << qPrintable(run.err);
#endif
    // No output chosen, no sound server and no sound card (a machine with
    // one cannot show it): one line with the way out, and no play log.
    // Taken, the way out plays on the system clock, from the command line
    // or from the setting.
    if (QDir("/dev/snd").entryList({"pcmC*D*p"}, QDir::System).isEmpty()) {
        removeEnv = {"LIRANA_AUDIO_SINK", "PULSE_SERVER"};
        WriteHive(kLogging);
        const RunResult none = Start({"--headless", "--play", "--exit-at-end", "1.pause"});
        EXPECT_EQ(none.exitCode, 1);
        EXPECT_TRUE(none.err.contains(u"No audio output: this session has no sound server") &&
                    none.err.contains(u"--output none"))
            << qPrintable(none.err);
        EXPECT_TRUE(QDir(home + QStringLiteral("/logs")).isEmpty());
        for (const auto& [args, origin] : {std::pair(QStringList{"--output", "none"}, "from --output"),
                                           std::pair(QStringList{"--set", "AudioSink=None"}, "AudioSink")}) {
            if (args[0] == u"--set")
                Start(args);
            const RunResult unheard = Start(
                QStringList{"--headless", "--play", "--exit-at-end", "--log-stdout"} +
                (args[0] == u"--set" ? QStringList() : args) + QStringList{"1.pause"});
            EXPECT_EQ(unheard.exitCode, 0) << qPrintable(unheard.err);
            EXPECT_EQ(unheard.lines, QStringList({"startup", "start\t1 sec.", "shutdown"}));
            EXPECT_TRUE(unheard.audioOutput.startsWith(u"lirana: audio output: none (") &&
                        unheard.audioOutput.contains(QLatin1String(origin)))
                << qPrintable(unheard.audioOutput);
        }
    }
}

TEST_F(HeadlessTest, TerminationSignalsEndTheRunWithinASecond)
{
    // The kernel accepts the connection and nobody ever answers: opening
    // this item waits for its 15 s timeout.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString hanging = QStringLiteral("http://127.0.0.1:%1/x.mp3").arg(silent.serverPort());
    WriteHive("\"AudioSink\"=\"fakesink sync=true\"");
    const std::pair<int, QString> rows[] = {
        {SIGTERM, "30.pause"}, {SIGINT, "30.pause"}, {SIGHUP, "30.pause"}, {SIGTERM, hanging}};
    for (const auto& [signal, item] : rows) {
        const RunResult run = Start(
            {"--headless", "--play", "--fresh", "--log-stdout", item},
            [](const RunResult& r) { return r.lines.size() == 2; }, signal);
        EXPECT_EQ(run.exitCode, 128 + signal) << run.err.toStdString();
        // Well under 15 s, with room for a busy machine.
        EXPECT_LT(run.signalToEndMs, 3000) << qPrintable(item);
        EXPECT_TRUE(item == hanging || run.lines.value(2) == "shutdown") << signal;
    }
}

// Killed in the middle of an item, the same command line again plays that
// item on from a place inside it (the record follows it every 2 s), says so
// in the play log, and plays the rest of the album; a run that shut down
// leaves nothing to resume. How much of the item is heard after the restart
// is the recorded air's (UnattendedAirTest).
TEST_F(HeadlessTest, AKilledRunComesBackOnTheSameItemWhereItWas)
{
    WriteHive(kNoOverlap);
    const QStringList args{"--headless", "--play", "--exit-at-end", "--log-stdout", "12.pause", "0.pause"};
    const RunResult killed = Start(
        args,
        [](const RunResult& r) {
            return r.lines.size() >= 2 && QDateTime::currentMSecsSinceEpoch() - r.arrivalMs[1] >= 6000;
        },
        SIGKILL);
    EXPECT_EQ(killed.lines, QStringList({"startup", "start\t12 sec."}));

    const RunResult again = Start(args);
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    static const QRegularExpression resumed(QStringLiteral(
        "^error\\tThe last run ended without shutting down: 12 sec\\. plays on from 00:(\\d\\d)$"));
    ASSERT_EQ(again.lines.size(), 5) << again.lines.join(u'|').toStdString();
    const auto match = resumed.match(again.lines[1]);
    ASSERT_TRUE(match.hasMatch()) << again.lines[1].toStdString();
    // Killed 6 s into the item: the record has followed it, and names a place within it.
    const int from = match.captured(1).toInt();
    EXPECT_TRUE(from >= 1 && from < 12) << from;
    EXPECT_EQ(again.lines.mid(2), QStringList({"start\t12 sec.", "start\t0 sec.", "shutdown"}));
    EXPECT_FALSE(QFile::exists(home + "/state/Oxbelund/Lirana/resume.json")) << "nothing after a shutdown";
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
    WriteHive(kLogging + "\"AudioSink\"=\"fakesink sync=true\"");
    auto log = [&] { return ReadFirst(home + QStringLiteral("/logs"), "*.LOG"); };
    const RunResult run = Start({}, [&](const RunResult&) { return log().contains(u"startup"); });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(log().endsWith(QLatin1String("\tshutdown\n"))) << log().toStdString();
    // What a close saves was saved, the frame's placement for one.
    EXPECT_TRUE(ReadFirst(home + QStringLiteral("/config/Oxbelund"), "Lirana.reg")
                    .contains(QLatin1String("\"WindowPos\"")));
}
#endif

} // namespace

// Settings and the schedule from a shell: what --set stores, --get prints
// in the same words; events are added, listed and removed by number. What
// is refused: CommandLineContract.
TEST_F(HeadlessTest, SettingsAndEventsFromTheCommandLine)
{
    WriteHive(kNoOverlap);
    const QString news = "2026-12-8 7:00:00\thourly\tevery day\timmediately\t2030-1-1 0:00:00\t/ev/news.wav";
    // one command line after the other | what it prints (an added event: its number)
    const std::pair<QString, QStringList> steps[] = {
        {"--set|Fade Period=2.5|--set=Settings\\Enable Logging=on|--set|PlayerMode=Random", {}},
        {"--get|fade period|--get|Enable Logging|--get|Settings\\PlayerMode|--get|Overlap Time",
         {"2.5", "on", "Random", "0"}},
        {"--add-event|/ev/id.wav|--at|2026-12-8 7:30:00|--days|mon,Wednesday,fri", {"1"}},
        {"--add-event|/ev/news.wav|--at|2026-12-8 7:00:00|--hourly|--immediately|--expires|2030-1-1 0:00:00",
         {"2"}},
        {"--list-events",
         {"1\t2026-12-8 7:30:00\tdaily\tMon,Wed,Fri\twaits\t2099-12-31 0:00:00\t/ev/id.wav", "2\t" + news}},
        {"--remove-event|1", {}},
        {"--list-events", {"1\t" + news}}};
    for (const auto& [args, lines] : steps) {
        const RunResult run = Start(args.split(u'|'));
        EXPECT_EQ(run.exitCode, 0) << qPrintable(args) << qPrintable(run.err);
        EXPECT_EQ(run.lines, lines) << qPrintable(args);
    }
}

// Linux file names are bytes: a WAV named in Latin-1 plays from an album and
// from the command line, and the play log shows the name with U+FFFD for the
// byte that is not UTF-8, as valid UTF-8.
TEST_F(HeadlessTest, AFileNamedInBytesThatAreNotUtf8PlaysFromAnAlbumAndTheCommandLine)
{
    WriteHive(kLogging + kNoOverlap + "\n\"AudioSink\"=\"fakesink\"");
    const QByteArray wav = QFile::encodeName(home) + "/caf\xE9.wav";
    ::rename(QFile::encodeName(TestMedia::ToneWav(home, "tone", 440, 0.2)).constData(), wav.constData());
    TestEnv::WriteFile(home + "/show.alb", wav + "\n");
    // QProcess would encode a name as UTF-8: the shell hands over its bytes.
    launcher = {"/bin/sh", "-c", R"sh(exec "$0" "$@" "$(printf 'caf\351.wav')" show.alb)sh"};
    const RunResult run = Start({"--headless", "--exit-at-end", "--log-stdout", "--play"});
    ::unlink(wav.constData()); // Qt, removing the test's folder, would miss it
    EXPECT_EQ(run.lines.join(u'|'), QString::fromUtf8("startup|start\tcaf\uFFFD|start\tcaf\uFFFD|shutdown"));
    const QStringList logs = QDir(home + "/logs").entryList(QDir::Files);
    EXPECT_EQ(FileBytes(home + "/logs/" + logs.value(0)).count("\tstart\tcaf\xEF\xBF\xBD\n"), 2);
}
