// SPDX-License-Identifier: GPL-3.0-or-later
// A station nobody watches, on the recorded air: a missing file, a clean
// restart and the end of the album go on to what follows (the fallback
// album); the service manager hears READY and a watchdog that stops while
// the program is held; a second station on the same settings stays out of
// the play log.
#include "PlayoutAir.h"

#include <QDate>
#include <QDeadlineTimer>

#include <csignal>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

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
    for (const char* until : {"start\tb", "fallback\t"}) {
        const auto p = Launch(args);
        // Through that line (a loaded machine starts late), then 1.5 s more.
        EXPECT_TRUE(TestEnv::WaitUntil(
            [&] { return p->waitForReadyRead(10), p->peek(1 << 20).contains(until); }, 15000));
        EXPECT_TRUE(recorder.RecordFor(1.5));
        ::kill(pid_t(p->processId()), SIGTERM);
        runs[*until == 's' ? 0 : 1] = Finish(*p, 5000);
    }
    // What sounded of each item, in order (a loaded machine's dropout
    // splits a stretch, a restart splits b).
    double aEnd = -1, bStart = -1, bEnd = -1, fStart = -1, bHeard = 0;
    for (const Segment& s : Segments(StopAndRead(), {440, 1000, 1600})) {
        if (s.freq == 440 && bStart < 0)
            aEnd = s.end;
        if (s.freq == 1000 && fStart < 0)
            std::tie(bStart, bEnd, bHeard) = std::tuple(bStart < 0 ? s.start : bStart, s.end,
                                                        bHeard + s.Length());
        if (s.freq == 1600 && fStart < 0)
            fStart = s.start;
    }
    ASSERT_TRUE(aEnd > 0 && bStart > 0 && fStart > 0) << Lines(runs[0]) << Lines(runs[1]);
    Report("a's end to b", (bStart - aEnd) * 1000);
    Report("b's end to the fallback", (fStart - bEnd) * 1000);
    EXPECT_LT(std::max(bStart - aEnd, fStart - bEnd), 1.0);
    EXPECT_NEAR(bHeard, 4.0, 1.0) << "b plays on where it was";
    static const QRegularExpression named("^error\t.*missing\\.wav|^resume\tb plays on from 00:0|"
                                          "^fallback\t.*fallback\\.alb: the album ended$");
    EXPECT_EQ((runs[0].lines + runs[1].lines).filter(named).size(), 3) << Lines(runs[0]) << Lines(runs[1]);
}

// The service manager's socket: READY=1 once on air with the item in
// STATUS, WATCHDOG=1 every half of WATCHDOG_USEC, none while the program is
// held, STOPPING=1 at the end. A second runner on the same settings
// meanwhile says so, exits 1 and leaves the play log alone; --instance runs
// a station of its own.
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
    QStringList got; // until READY (a loaded machine starts late), then 1.5 s
    EXPECT_TRUE(TestEnv::WaitUntil([&] { return !(got += receive(50)).filter("READY").isEmpty(); }, 10000));
    EXPECT_EQ(got.filter("READY"), QStringList{"READY=1\nSTATUS=On air: long"});
    EXPECT_GE(receive(1500).count("WATCHDOG=1"), 5); // 200 ms apart

    const QString log = home + "/data/Oxbelund/Lirana/logs/" + QDate::currentDate().toString(Qt::ISODate) +
                        ".LOG";
    const qint64 logSize = QFileInfo(log).size();
    const RunResult refused = Finish(*Launch({"0.pause"}), 5000);
    const QString holder = QStringLiteral("another station runs on these settings (process %1)")
                               .arg(p->processId());
    EXPECT_TRUE(refused.exitCode == 1 && refused.lines.isEmpty() && refused.err.contains(holder))
        << Lines(refused);
    EXPECT_EQ(QFileInfo(log).size(), logSize);
    EXPECT_EQ(Finish(*Launch({"--instance=two", "0.pause"}), 10000).exitCode, 0);

    ::kill(pid_t(p->processId()), SIGSTOP);
    receive(100); // sent before the hold (and by the instance)
    EXPECT_EQ(receive(1500).count("WATCHDOG=1"), 0);
    ::kill(pid_t(p->processId()), SIGCONT);
    ::kill(pid_t(p->processId()), SIGTERM);
    Finish(*p, 5000);
    EXPECT_TRUE(receive(200).contains("STOPPING=1\nSTATUS=Shutting down"));
    ::close(fd);
}
