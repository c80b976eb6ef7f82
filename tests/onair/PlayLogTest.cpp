// SPDX-License-Identifier: GPL-3.0-or-later
// The daily play log files on a fake clock.
#include "EngineFixture.h"

#include "app/Strings.h"
#include "platform/DataPaths.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

class PlayLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clock.SetNow(QDateTime(QDate(2000, 10, 25), QTime(23, 59, 58)));
        log.SetReporter([this](const QString& m) { reports << m; });
        log.SetEnabled(true);
        log.SetFolder(dir);
    }
    FakeClock clock;
    CPlayLog log{clock};
    QStringList reports;
    const QString dir = TestEnv::MakeTempDir(QStringLiteral("logs"));
};

// Each entry as its line in the file: the time, a tab and the text. A fixed
// entry is written as it is (the too-many-errors one holds a line break; the
// engine tests check the others' texts). A text (a file name, an error
// message) is one entry on one line whatever it holds: its own first tab
// stays, and so do a backslash and U+00A0, the other control characters are
// escaped (here a name that would forge an entry, and the edges of each
// range).
TEST_F(PlayLogTest, EveryEntryIsTheTimeATabAndItsText)
{
    log.LogString(Str::LogStartup);
    log.LogString(Str::LogTooManyErrors);
    log.WriteLogText(Str::Load(Str::LogStart).arg(QStringLiteral("Song")));
    log.WriteLogText(Str::Load(Str::LogError).arg(QStringLiteral("cannot open")));
    log.WriteLogText(
        QStringLiteral("start\tevil\n12:00:00\tstart\tX\r\x1f \x7f\x80\x9f\xa0\u2028\u2029 C:\\x"));
    EXPECT_EQ(FileBytes(log.Path()),
              "23:59:58\tstartup\n23:59:58\terror\nPlayback is stooped because of too many errors\n"
              "23:59:58\tstart\tSong\n23:59:58\terror\tcannot open\n"
              "23:59:58\tstart\tevil\\n12:00:00\\tstart\\tX\\r\\x1f \\x7f\\x80\\x9f\xc2\xa0"
              "\\u2028\\u2029 C:\\x\n");
}

// One file a day, named by the date, in the chosen folder (with or without
// a trailing slash) or the application's data folder when none is chosen.
TEST_F(PlayLogTest, OneFilePerDayNamedByTheDate)
{
    const std::pair<QString, QString> folders[] = {
        {dir, dir}, {dir + u'/', dir}, {QString(), DataPaths::AppDataDir() + QStringLiteral("/logs")}};
    for (const auto& [folder, file] : folders) {
        log.SetFolder(folder);
        log.WriteLogText(QStringLiteral("start\tA"));
        EXPECT_EQ(log.Path(), file + QStringLiteral("/2000-10-25.LOG"));
    }
    EXPECT_EQ(FileBytes(log.Path()), "23:59:58\tstart\tA\n"); // the default folder is made
    log.SetFolder(dir);
    clock.Advance(3000); // past midnight: the next entry starts the next file
    log.LogString(Str::LogShutdown);
    EXPECT_EQ(FileBytes(dir + QStringLiteral("/2000-10-26.LOG")), "00:00:01\tshutdown\n");
}

// A folder or a FIFO, read or not, in the file's place: each entry is
// reported.
TEST_F(PlayLogTest, AFileThatCannotBeWrittenIsReportedForEveryEntry)
{
    QDir(dir).mkdir(QStringLiteral("2000-10-25.LOG"));
    log.WriteLogText(QStringLiteral("a"));
    log.WriteLogText(QStringLiteral("b"));
    EXPECT_EQ(reports,
              QStringList(2, QStringLiteral("Error writing to log file %1/2000-10-25.LOG.").arg(dir)));
    const QString other = TestEnv::MakeTempDir();
    const QByteArray fifo = QFile::encodeName(other + QStringLiteral("/2000-10-25.LOG"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    log.SetFolder(other);
    log.WriteLogText(QStringLiteral("d"));
    ::close(reader);
    log.WriteLogText(QStringLiteral("e"));
    EXPECT_EQ(reports.size(), 4);
}

// The log folder made read-only while logging: the day's file takes its
// entries still; the next day's file cannot be made, and each entry is
// reported. Modes do not bind root: the log writes as "nobody".
TEST_F(PlayLogTest, AFolderMadeReadOnlyKeepsTheDaysFileAndReportsTheNextDays)
{
    for (QString d = dir; d.startsWith(TestEnv::Root()); d = QFileInfo(d).absolutePath())
        ::chmod(QFile::encodeName(d).constData(), 0711);
    ::chmod(QFile::encodeName(dir).constData(), 0777);
    ASSERT_TRUE(::getuid() != 0 || ::seteuid(65534) == 0);
    log.WriteLogText(QStringLiteral("a"));
    const bool root = ::getuid() == 0;
    ASSERT_TRUE(!root || ::seteuid(0) == 0);
    ::chmod(QFile::encodeName(dir).constData(), 0555);
    ASSERT_TRUE(!root || ::seteuid(65534) == 0);
    log.WriteLogText(QStringLiteral("b"));
    clock.SetNow(QDateTime(QDate(2000, 10, 26), QTime(0, 0, 1)));
    log.WriteLogText(QStringLiteral("c"));
    log.WriteLogText(QStringLiteral("d"));
    ASSERT_TRUE(!root || ::seteuid(0) == 0);
    EXPECT_EQ(FileBytes(dir + "/2000-10-25.LOG"), "23:59:58\ta\n23:59:58\tb\n");
    EXPECT_EQ(reports,
              QStringList(2, QStringLiteral("Error writing to log file %1/2000-10-26.LOG.").arg(dir)));
}

TEST_F(PlayLogTest, AWriteCutShortByAFileSizeLimitLeavesNoHalfLine)
{
    log.WriteLogText(QStringLiteral("startup"));
    // A real limit, in a child that ignores SIGXFSZ as the program does: the
    // long entry gets 20 bytes in and then fails with EFBIG; the next fits.
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const auto room = static_cast<rlim_t>(QFileInfo(log.Path()).size() + 20);
        const rlimit limit{room, room};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        log.WriteLogText(QStringLiteral("start\tA name longer than the room left"));
        log.WriteLogText(QStringLiteral("start\tB"));
        ::_exit(static_cast<int>(reports.size()));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1); // the cut entry is reported
    EXPECT_EQ(FileBytes(log.Path()), "23:59:58\tstartup\n23:59:58\tstart\tB\n");
}

TEST_F(EngineTest, AFailingLogFileIsShownUnlessErrorsAreIgnoredAndPlaybackGoesOn)
{
    engine->Settings().enableLogging = true;
    engine->Settings().logfileDir = TestEnv::MakeTempDir() + QStringLiteral("/missing");
    engine->Startup();
    Play({"/m/a.mp3", "/m/b.mp3"});
    EXPECT_EQ(ui.messages.size(), 2); // startup, start
    engine->Settings().ignoreErrors = true;
    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_EQ(ui.messages.size(), 2);
}

} // namespace
