// The daily play log files on a fake clock.
#include "EngineFixture.h"

#include "platform/DataPaths.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class PlayLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = TestEnv::MakeTempDir(QStringLiteral("logs"));
        clock.SetNow(QDateTime(QDate(2000, 10, 25), QTime(23, 59, 58)));
        log.SetReporter([this](const QString& m) { reports << m; });
    }
    FakeClock clock;
    CPlayLog log{clock};
    QStringList reports;
    QString dir;
};

TEST_F(PlayLogTest, OneFilePerDayNamedByTheDate)
{
    log.SetEnabled(true);
    log.SetFolder(dir);
    log.WriteLogText(QStringLiteral("start\tA"));
    EXPECT_EQ(log.Path(), dir + QStringLiteral("/2000-10-25.LOG"));
    clock.Advance(3000); // past midnight: the next entry starts the next file
    log.LogString(1044);
    EXPECT_EQ(ReadAll(dir + QStringLiteral("/2000-10-25.LOG")), "23:59:58\tstart\tA\n");
    EXPECT_EQ(ReadAll(dir + QStringLiteral("/2000-10-26.LOG")), "00:00:01\tshutdown\n");
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(PlayLogTest, FolderWithAndWithoutTrailingSlashGiveTheSameFile)
{
    log.SetEnabled(true);
    log.SetFolder(dir + u'/');
    log.WriteLogText(QStringLiteral("one"));
    log.SetFolder(dir);
    log.WriteLogText(QStringLiteral("two"));
    EXPECT_EQ(ReadAll(dir + QStringLiteral("/2000-10-25.LOG")), "23:59:58\tone\n23:59:58\ttwo\n");
}

TEST_F(PlayLogTest, EmptyFolderMeansTheApplicationDataFolder)
{
    log.SetEnabled(true);
    log.SetFolder(QString());
    log.WriteLogText(QStringLiteral("startup"));
    EXPECT_EQ(log.Path(), DataPaths::AppDataDir() + QStringLiteral("/logs/2000-10-25.LOG"));
    EXPECT_EQ(ReadAll(log.Path()), "23:59:58\tstartup\n");
}

TEST_F(PlayLogTest, LoggingOffTouchesNothingButSinksStillSeeEveryLine)
{
    QStringList seen;
    log.AddSink([&](const QString& l) { seen << l; });
    log.SetFolder(dir);
    log.LogString(1043);
    EXPECT_TRUE(QDir(dir).isEmpty());
    EXPECT_EQ(seen, QStringList({"23:59:58\tstartup"}));
}

TEST_F(PlayLogTest, AFileThatCannotBeWrittenIsReportedForEveryEntry)
{
    log.SetEnabled(true);
    log.SetFolder(dir);
    QDir(dir).mkdir(QStringLiteral("2000-10-25.LOG")); // a folder in the file's place
    log.WriteLogText(QStringLiteral("a"));
    log.WriteLogText(QStringLiteral("b"));
    EXPECT_EQ(reports, QStringList(2, QStringLiteral("Error writing to log file %1/2000-10-25.LOG.").arg(dir)));
    log.SetFolder(dir + QStringLiteral("/missing"));
    log.WriteLogText(QStringLiteral("c")); // a chosen folder is never created
    EXPECT_EQ(reports.size(), 3);
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/missing")));
    // A FIFO in the file's place is refused at once, reader or not.
    const QString other = TestEnv::MakeTempDir();
    ASSERT_EQ(::mkfifo(QFile::encodeName(other + QStringLiteral("/2000-10-25.LOG")).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(other + QStringLiteral("/2000-10-25.LOG")).constData(), O_RDONLY | O_NONBLOCK);
    log.SetFolder(other);
    log.WriteLogText(QStringLiteral("d"));
    ::close(reader);
    log.WriteLogText(QStringLiteral("e"));
    EXPECT_EQ(reports.size(), 5);
}

TEST_F(PlayLogTest, ATextWithControlCharactersIsOneEntryOnOneLine)
{
    log.SetEnabled(true);
    log.SetFolder(dir);
    // A file name that would forge an entry, and the edges of each range.
    // The entry's own first tab stays, and so do a backslash and U+00A0.
    log.WriteLogText(
        QStringLiteral("start\tevil\n12:00:00\tstart\tX\r\x1f \x7f\x80\x9f\xa0\u2028\u2029 C:\\x"));
    EXPECT_EQ(ReadAll(log.Path()),
        "23:59:58\tstart\tevil\\n12:00:00\\tstart\\tX\\r\\x1f \\x7f\\x80\\x9f\xc2\xa0\\u2028\\u2029 C:\\x\n");
}

TEST_F(PlayLogTest, AWriteCutShortByAFileSizeLimitLeavesNoHalfLine)
{
    log.SetEnabled(true);
    log.SetFolder(dir);
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
    EXPECT_EQ(ReadAll(log.Path()), "23:59:58\tstartup\n23:59:58\tstart\tB\n");
}

TEST_F(EngineTest, AFailingLogFileIsShownUnlessErrorsAreIgnoredAndPlaybackGoesOn)
{
    const QString dir = TestEnv::MakeTempDir(QStringLiteral("badlog"));
    QDir(dir).mkdir(QStringLiteral("2000-01-01.LOG"));
    engine->Settings().enableLogging = true;
    engine->Settings().logfileDir = dir;
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->Startup();
    engine->OnPlay();
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    EXPECT_EQ(ui.messages.size(), 2); // startup, start
    engine->Settings().ignoreErrors = true;
    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_EQ(ui.messages.size(), 2);
}

} // namespace
