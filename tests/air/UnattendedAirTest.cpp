// A station nobody watches, on the recorded air: a missing file, a clean
// restart and the end of the album go on to what follows (the fallback
// album); the service manager hears READY and a watchdog that stops while
// the program is held; a second station on the same settings stays out of
// the play log.
#include "PlayoutAir.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

using namespace WavAnalysis;
using namespace HeadlessLirana;

namespace {

void Send(const QProcess& p, int signal)
{
    ::kill(static_cast<pid_t>(p.processId()), signal);
}

} // namespace

// Tone, missing file, tone, default settings but for the overlap, and a
// fallback album: the second tone follows the first within a second. A
// SIGTERM in the middle of it, and the same command line again: it plays on
// from within a second of where it was, and at the album's end the
// fallback's tone follows within a second. The play log names each.
TEST_F(PlayoutAirTest, AStationGoesOnPastAMissingFileARestartAndItsAlbumsEnd)
{
    WriteHive(home, {{"Overlap Time", Dword(0)}, {"AudioSink", Text("pulsesink")}});
    const QString fallback = TestEnv::WriteFile(dir + QStringLiteral("/fallback.alb"),
                                                TestMedia::ToneWav(dir, "f", 1600, 1.5).toUtf8() + '\n');
    const QStringList args{"--fallback=" + fallback, TestMedia::ToneWav(dir, "a", 440, 1.5),
                           dir + "/missing.wav", TestMedia::ToneWav(dir, "b", 1000, 4.0)};
    StartRecording();
    RunResult runs[2];
    for (RunResult& run : runs) {
        const auto p = Launch(args);
        EXPECT_TRUE(recorder.RecordFor(3.5));
        Send(*p, SIGTERM);
        run = Finish(*p, 5000);
    }
    const auto heard = Segments(StopAndRead(), {440, 1000, 1600});
    ASSERT_GE(heard.size(), 4u) << Lines(runs[0]) << Lines(runs[1]);
    EXPECT_EQ(std::tuple(heard[0].freq, heard[1].freq, heard[2].freq, heard[3].freq),
              std::tuple(440, 1000, 1000, 1600));
    Report("a's end to b", (heard[1].start - heard[0].end) * 1000);
    Report("b heard over both runs", (heard[1].Length() + heard[2].Length()) * 1000);
    Report("b's end to the fallback", (heard[3].start - heard[2].end) * 1000);
    EXPECT_LT(heard[1].start - heard[0].end, 1.0);
    EXPECT_NEAR(heard[1].Length() + heard[2].Length(), 4.0, 1.0);
    EXPECT_LT(heard[3].start - heard[2].end, 1.0);
    EXPECT_EQ(runs[0].lines.filter(QRegularExpression("^error\t.*missing\\.wav")).size(), 1)
        << Lines(runs[0]);
    EXPECT_EQ(runs[1]
                  .lines
                  .filter(QRegularExpression("^resume\tb plays on from 00:0|^fallback\t" +
                                             QRegularExpression::escape(fallback) + ": the album ended$"))
                  .size(),
              2)
        << Lines(runs[1]);
}

// The service manager's socket: READY=1 once on air with the item in
// STATUS, WATCHDOG=1 every half of WATCHDOG_USEC, none while the program is
// held and again once it goes on, STOPPING=1 at the end. A second runner on
// the same settings meanwhile says so, exits 1 and leaves the play log
// alone; --instance runs a station of its own.
TEST_F(PlayoutAirTest, TheServiceManagerWatchesTheOneStationOnItsSettings)
{
    WriteHive(home, {{"AudioSink", Text("pulsesink")}, {"Enable Logging", Flag(true)}});
    sockaddr_un address = {AF_UNIX, {}};
    const QByteArray path = QFile::encodeName(dir + QStringLiteral("/notify"));
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const timeval wait{0, 20000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    auto receive = [fd](int ms) { // the datagrams that come within ms
        QStringList got;
        char buffer[512];
        for (QDeadlineTimer end(ms); !end.hasExpired();)
            if (const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0); n > 0)
                got << QString::fromUtf8(buffer, int(n));
        return got;
    };
    extraEnv = {{"NOTIFY_SOCKET", path}, {"WATCHDOG_USEC", "400000"}};
    const auto p = Launch({TestMedia::ToneWav(dir, "long", 440, 8.0)});
    const QStringList first = receive(1500);
    EXPECT_EQ(first.value(0), "READY=1\nSTATUS=On air: long");
    EXPECT_GE(first.count("WATCHDOG=1"), 4) << first.join(u'|').toStdString(); // 200 ms apart

    const QFileInfo log(home + "/data/Oxbelund/Lirana/logs/" + QDate::currentDate().toString(Qt::ISODate) +
                        ".LOG");
    const qint64 logSize = QFileInfo(log).size();
    const RunResult refused = Finish(*Launch({"0.pause"}), 5000);
    EXPECT_TRUE(
        refused.exitCode == 1 && refused.lines.isEmpty() &&
        refused.err.contains(
            QStringLiteral("another station runs on these settings (process %1)").arg(p->processId())))
        << Lines(refused);
    EXPECT_EQ(QFileInfo(log).size(), logSize);
    EXPECT_EQ(Finish(*Launch({"--instance=two", "0.pause"}), 10000).exitCode, 0);

    receive(100);
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
