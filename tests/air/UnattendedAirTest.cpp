// A station nobody watches, on the recorded air: a missing file and the end
// of the album go on to what follows (the fallback album), a clean restart
// comes back where the station was, the service manager hears READY and a
// watchdog that stops while the program is held, and a second station on
// the same settings stays off the air and out of the play log.
#include "PlayoutAir.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace WavAnalysis;
using namespace HeadlessLirana;

namespace {

void Send(const QProcess& p, int signal)
{
    ::kill(static_cast<pid_t>(p.processId()), signal);
}

// The station's play log of today (logging to files on), one entry a line.
QStringList DayLog(const QString& home)
{
    const QDir logs(home + QStringLiteral("/data/Oxbelund/Lirana/logs"));
    QStringList lines;
    for (const QString& name : logs.entryList({QStringLiteral("*.LOG")})) {
        QFile file(logs.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            lines += QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    return lines;
}

} // namespace

// Tone, missing file, tone, default settings but for the overlap: the second
// tone follows the first within a second; at the album's end the fallback
// album's tone follows within a second; the play log names both.
TEST_F(PlayoutAirTest, AMissingFileAndTheAlbumsEndGoOnToWhatFollows)
{
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}});
    const QString fallback = dir + QStringLiteral("/fallback.alb");
    TestEnv::WriteFile(fallback, TestMedia::ToneWav(dir, "f", 1600, 2.0).toUtf8() + '\n');
    const QString missing = dir + QStringLiteral("/missing.wav");
    StartRecording();
    const auto p = Launch({"--fallback=" + fallback, TestMedia::ToneWav(dir, "a", 440, 1.5), missing,
                           TestMedia::ToneWav(dir, "b", 1000, 1.5)});
    ASSERT_TRUE(p);
    EXPECT_TRUE(recorder.RecordFor(6.5));
    Send(*p, SIGTERM);
    const RunResult run = Finish(*p, 5000);
    const Wav wav = StopAndRead();
    EXPECT_EQ(run.exitCode, 128 + SIGTERM) << Lines(run);
    const auto onA = ToneOnset(wav, 440);
    ASSERT_TRUE(onA);
    const auto endA = ToneEnd(wav, 440, *onA + 0.5);
    const auto onB = ToneOnset(wav, 1000, *onA);
    ASSERT_TRUE(endA && onB);
    const auto endB = ToneEnd(wav, 1000, *onB + 0.5);
    const auto onF = ToneOnset(wav, 1600, *onB);
    ASSERT_TRUE(endB && onF) << Lines(run);
    Report("a's end to b", (*onB - *endA) * 1000);
    Report("b's end to the fallback", (*onF - *endB) * 1000);
    EXPECT_LT(*onB - *endA, 1.0);
    EXPECT_LT(*onF - *endB, 1.0);
    EXPECT_GE(run.lines.filter(QRegularExpression("^error\t.*missing\\.wav")).size(), 1) << Lines(run);
    EXPECT_EQ(run.lines.filter("fallback\t" + fallback + ": the album ended").size(), 1) << Lines(run);
    EXPECT_GE(run.lines.filter("start\tf").size(), 1) << Lines(run); // in Repeat
}

// SIGTERM in the middle of an item, then the same command line: the item
// plays on from within a second of where it was, then the rest; --fresh
// starts the album over.
TEST_F(PlayoutAirTest, ACleanRestartComesBackWhereTheStationWas)
{
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}});
    const QStringList items{TestMedia::ToneWav(dir, "a", 440, 6.0), TestMedia::ToneWav(dir, "b", 1000, 1.0)};
    StartRecording();
    const auto first = Launch(items);
    ASSERT_TRUE(first);
    EXPECT_TRUE(recorder.RecordFor(2.5));
    Send(*first, SIGTERM);
    const RunResult stopped = Finish(*first, 5000);
    EXPECT_EQ(stopped.exitCode, 128 + SIGTERM) << Lines(stopped);
    const auto again = Launch(items);
    ASSERT_TRUE(again);
    const RunResult resumed = Finish(*again, 15000);
    EXPECT_TRUE(recorder.RecordFor(0.2));
    const Wav wav = StopAndRead();
    EXPECT_EQ(resumed.exitCode, 0) << Lines(resumed);
    EXPECT_TRUE(resumed.lines.value(1).startsWith("resume\ta plays on from 00:0")) << Lines(resumed);
    const auto on1 = ToneOnset(wav, 440);
    ASSERT_TRUE(on1);
    const auto end1 = ToneEnd(wav, 440, *on1 + 0.5);
    ASSERT_TRUE(end1);
    const auto on2 = ToneOnset(wav, 440, *end1 + 0.05);
    ASSERT_TRUE(on2);
    const auto end2 = ToneEnd(wav, 440, *on2 + 0.3);
    ASSERT_TRUE(end2);
    // What the two runs played of a adds up to a, give or take a second.
    const double heard = (*end1 - *on1) + (*end2 - *on2);
    Report("a heard over both runs", heard * 1000);
    EXPECT_NEAR(heard, 6.0, 1.0);
    EXPECT_TRUE(ToneOnset(wav, 1000, *end2)) << "b follows";

    const auto fresh = Launch(QStringList{"--fresh"} + items);
    ASSERT_TRUE(fresh);
    const RunResult over = Finish(*fresh, 15000);
    EXPECT_EQ(over.lines.mid(0, 2), QStringList({"startup", "start\ta"})) << Lines(over);
}

// The service manager's socket: READY=1 once on air with the item in
// STATUS, WATCHDOG=1 every half of WATCHDOG_USEC, none while the program
// is held, and again once it goes on.
TEST_F(PlayoutAirTest, TheServiceManagerHearsReadyAndAWatchdogThatStopsWhileHeld)
{
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}});
    const QString path = dir + QStringLiteral("/notify");
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // Reads what came within ms: the datagrams, in order.
    auto receive = [fd](int ms) {
        QStringList got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            char buffer[512];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                got << QString::fromUtf8(buffer, int(n));
            else
                ::usleep(5000);
        }
        return got;
    };
    extraEnv = {{"NOTIFY_SOCKET", path}, {"WATCHDOG_USEC", "400000"}};
    const auto p = Launch({TestMedia::ToneWav(dir, "long", 440, 8.0)});
    ASSERT_TRUE(p);
    QStringList got = receive(1500);
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(got.first(), "READY=1\nSTATUS=On air: long");
    EXPECT_GE(got.count("WATCHDOG=1"), 4) << got.join(u'|').toStdString(); // 200 ms apart
    Send(*p, SIGSTOP);
    receive(100); // sent before the hold
    EXPECT_EQ(receive(1500).count("WATCHDOG=1"), 0);
    Send(*p, SIGCONT);
    EXPECT_GE(receive(1000).count("WATCHDOG=1"), 2);
    Send(*p, SIGTERM);
    Finish(*p, 5000);
    EXPECT_TRUE(receive(200).contains("STOPPING=1\nSTATUS=Shutting down"));
    ::close(fd);
}

// A second runner on the same settings says so, exits 1, and leaves the
// play log and the resume record alone; --instance runs a station of its own.
TEST_F(PlayoutAirTest, ASecondStationOnTheSameSettingsStaysOffTheAirAndOutOfItsLog)
{
    WriteHive(home, {{"Overlap Time", Dword(0)},
                     {"AudioSink", Text("fakesink sync=true")},
                     {"Enable Logging", Flag(true)}});
    const auto first = Launch({TestMedia::ToneWav(dir, "long", 440, 4.0)});
    ASSERT_TRUE(first);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return DayLog(home).size() >= 2; }, 5000));
    const QString record = home + QStringLiteral("/state/Oxbelund/Lirana/resume.json");
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return QFile::exists(record); }, 5000));
    const QStringList logBefore = DayLog(home);
    const auto second = Launch({TestMedia::ToneWav(dir, "other", 1000, 1.0)});
    ASSERT_TRUE(second);
    const RunResult refused = Finish(*second, 5000);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.lines.isEmpty()) << Lines(refused);
    EXPECT_TRUE(refused.err.contains("another station runs on these settings (process " +
                                     QString::number(first->processId()) + ")"))
        << Lines(refused);
    EXPECT_EQ(DayLog(home), logBefore);
    EXPECT_TRUE(QFile::exists(record));

    const auto own = Launch({"--instance=two", TestMedia::ToneWav(dir, "own", 1000, 0.5)});
    ASSERT_TRUE(own);
    EXPECT_EQ(Finish(*own, 10000).exitCode, 0);
    Send(*first, SIGTERM);
    EXPECT_EQ(Finish(*first, 5000).exitCode, 128 + SIGTERM);
}
