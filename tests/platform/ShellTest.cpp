// SPDX-License-Identifier: GPL-3.0-or-later
// Environment expansion and command items, with a shell that only records.
#include "platform/Shell.h"
#include "support/UnitTest.h"

namespace {

QString MakeFile(const QString& dir, const QString& name, const QByteArray& content, bool executable = false)
{
    const QString path = TestEnv::WriteFile(dir + u'/' + name, content);
    if (executable)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(ExpandEnvironment, ExpandsTheThreeFormsAndKeepsUnknownNames)
{
    qputenv("LIRANA_T_A", "alpha");
    qputenv("LIRANA_T_EMPTY", "");
    qunsetenv("LIRANA_T_NONE");
    const std::pair<const char*, const char*> cases[] = {
        {"$LIRANA_T_A/x", "alpha/x"},
        {"${LIRANA_T_A}beta", "alphabeta"},
        {"%LIRANA_T_A%\\dir", "alpha\\dir"},
        {"%LIRANA_T_A%%LIRANA_T_A%", "alphaalpha"},
        {"[$LIRANA_T_EMPTY]", "[]"},
        {"$LIRANA_T_NONE ${LIRANA_T_NONE} %LIRANA_T_NONE%",
         "$LIRANA_T_NONE ${LIRANA_T_NONE} %LIRANA_T_NONE%"},
        {"$LIRANA_T_Ax", "$LIRANA_T_Ax"},
        {"100% sure, 5$ and $ alone, ${unclosed", "100% sure, 5$ and $ alone, ${unclosed"},
        {"%LIRANA_T_A", "%LIRANA_T_A"},
        {"", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ExpandEnvironment(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

class RunCommandItemTest : public ::testing::Test
{
protected:
    QString dir = TestEnv::MakeTempDir("shell");
    RecordingShell shell;
    QString error;
};

TEST_F(RunCommandItemTest, ExecutablesRunDirectlyScriptsThroughTheirInterpreterMissingFilesNot)
{
    const QString tool = MakeFile(dir, "tool", "#!/bin/sh\n", true);
    const QString script = MakeFile(dir, "jingle.SH", "echo hi\n");
    const QString python = MakeFile(dir, "x.py", "print(1)\n");
    const QString text = MakeFile(dir, "notes.txt", "hello\n");
    qputenv("LIRANA_T_DIR", dir.toLocal8Bit());
    for (const QString& item : {QStringLiteral("$LIRANA_T_DIR/tool"), script, python, text})
        ASSERT_TRUE(RunCommandItem(shell, item, &error)) << qPrintable(error);
    EXPECT_EQ(shell.started,
              (QList<QStringList>{{tool}, {"/bin/sh", script}, {"python3", python}, {"xdg-open", text}}));
    EXPECT_EQ(shell.workDirs[0], dir);

    EXPECT_FALSE(RunCommandItem(shell, dir + "/gone.sh", &error));
    EXPECT_TRUE(error.contains("gone.sh"));
    shell.failWith = "refused";
    EXPECT_FALSE(RunCommandItem(shell, tool, &error));
    EXPECT_EQ(error, "refused");
}

// A command item inherits nothing that belongs to this process: it writes
// nowhere near the play-log stream (standard output), gets no descriptor of
// the program's but 0-2, and finds in its environment this process's own,
// less the service manager's handoff and the program's seams. A command item (the double fork of
// Shell::System(), as the Tools menu starts too) prints its own; the now-playing command's QProcess gets
// ChildEnvironment().
TEST_F(RunCommandItemTest, ChildrenInheritTheEnvironmentButWhatBelongsToThisProcess)
{
    const QByteArrayList gone =
        QByteArray("NOTIFY_SOCKET WATCHDOG_USEC WATCHDOG_PID LISTEN_FDS LISTEN_PID LISTEN_FDNAMES LIRANA_T")
            .split(' ');
    const QByteArrayList kept = QByteArray("DISPLAY DBUS_SESSION_BUS_ADDRESS MY_LIRANA_T NOTIFY_SOCKET_T")
                                    .split(' ');
    for (const QByteArray& name : gone + kept)
        qputenv(name, "v-" + name);
    const int leaked = ::open("/dev/null", O_RDONLY); // no close-on-exec, as a library might leave one
    const QString out = dir + "/out", err = dir + "/err", fds = dir + "/fds";
    const QString item = MakeFile(dir, "item.sh",
                                  "env > \"$0.env\"; echo 'start\tforged'; "
                                  "ls /proc/self/fd > \"$(dirname \"$0\")/fds\"\n");
    const int saved[2] = {::dup(STDOUT_FILENO), ::dup(STDERR_FILENO)};
    ::dup2(::open(out.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600),
           STDOUT_FILENO);
    ::dup2(::open(err.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600),
           STDERR_FILENO);
    const bool started = RunCommandItem(Shell::System(), item, &error);
    ::dup2(saved[0], STDOUT_FILENO);
    ::dup2(saved[1], STDERR_FILENO);
    ASSERT_TRUE(started) << qPrintable(error);
    ASSERT_TRUE(TestEnv::WaitUntil(
        [&] { return FileBytes(fds).contains('\n') && FileBytes(err).contains("forged"); }, 10000))
        << FileBytes(out).toStdString() << "|" << FileBytes(err).toStdString() << "|"
        << FileBytes(fds).toStdString();
    EXPECT_EQ(FileBytes(out), "");
    // ls's own listing of its directory is the one more it may show.
    EXPECT_LE(FileBytes(fds).split('\n').size() - 1, 4) << FileBytes(fds).toStdString();
    ::close(leaked);
    for (const int fd : saved)
        ::close(fd);
    const QByteArray env = '\n' + FileBytes(item + ".env");
    for (const QByteArray& name : gone + kept) {
        EXPECT_EQ(env.contains('\n' + name + "=v-"), kept.contains(name)) << name.constData();
        EXPECT_EQ(ChildEnvironment().contains(name), kept.contains(name)) << name.constData();
        qunsetenv(name);
    }
}

// The terminal and the programs are looked up in a PATH of the test's own.
TEST_F(RunCommandItemTest, DesktopEntriesRunTheirExecLineAndHonourPathTerminalAndTryExec)
{
    const QByteArray oldPath = qgetenv("PATH");
    const QString bin = TestEnv::MakeTempDir(QStringLiteral("bin"));
    qputenv("PATH", bin.toLocal8Bit());
    MakeFile(bin, QStringLiteral("tool"), "#!/bin/sh\n", true);
    // the entry's keys | what starts, in which folder ("": the entry's; nullptr:
    // refused, with the first word of what would start in the error)
    const std::tuple<QByteArray, QStringList, const char*> rows[] = {
        {"Exec=\"/opt/My Mixer/run\" --open=%u %F \"say \\\"hi\\\"\" 100%% %i \"C:\\\\\\\\x\" "
         "--entry=%k\\s%c\n"
         "Name=Mixer",
         {"/opt/My Mixer/run", "--open=", "say \"hi\"", "100%", "C:\\x", "--entry=" + dir + "/e.desktop",
          "Mixer"},
         ""},
        {"Exec=run -x\nPath=/srv/jingles", {"run", "-x"}, "/srv/jingles"},
        {"Exec=run -x\nTryExec=tool", {"run", "-x"}, ""},
        {"Exec=run -x\nTryExec=missing-tool", {"missing-tool"}, nullptr},
        {"Exec=run -x\nTryExec=/no/such/tool", {"/no/such/tool"}, nullptr},
        {"Exec=run -x\nTerminal=true", {"x-terminal-emulator"}, nullptr},
        {"Exec=run -x\nTerminal=false", {"run", "-x"}, ""},
        {"Type=Link\nURL=x", {"Exec"}, nullptr}};
    for (const auto& [keys, started, workDir] : rows) {
        shell = RecordingShell();
        const QString entry = MakeFile(dir, QStringLiteral("e.desktop"),
                                       "[Desktop Action Other]\nExec=wrong\n[Desktop Entry]\n" + keys + '\n');
        EXPECT_EQ(RunCommandItem(shell, entry, &error), workDir != nullptr) << keys.toStdString();
        if (!workDir) {
            EXPECT_TRUE(error.contains(started[0]) && shell.started.isEmpty()) << qPrintable(error);
            continue;
        }
        EXPECT_EQ(shell.started.value(0), started);
        EXPECT_EQ(shell.workDirs.value(0), *workDir ? QString::fromLatin1(workDir) : dir);
    }
    qputenv("PATH", oldPath);
}

// A real run of a command item whose name holds spaces, quotes, ';' and a
// command substitution: exactly that file runs (it writes its own path into
// a marker), and nothing of its name is run as a command (the folder, the
// working folder of the run, holds nothing else afterwards).
TEST_F(RunCommandItemTest, AHostileNameRunsExactlyThatFileAndNothingElse)
{
    const QString name = QStringLiteral("it's \"a\" b;touch injected;$(touch injected2)`touch injected3`");
    const QByteArray body = "printf '%s' \"$0\" > \"$(dirname \"$0\")/marker\"\n";
    // executable and run directly | a script run by its interpreter
    for (const bool executable : {true, false}) {
        const QString folder = TestEnv::MakeTempDir(QStringLiteral("hostile"));
        const QString item = MakeFile(folder, name + (executable ? QString() : QStringLiteral(".sh")),
                                      executable ? "#!/bin/sh\n" + body : body, executable);
        ASSERT_TRUE(RunCommandItem(Shell::System(), item, &error)) << qPrintable(error) << executable;
        const QString marker = folder + QStringLiteral("/marker");
        ASSERT_TRUE(TestEnv::WaitUntil([&] { return FileBytes(marker) == item.toUtf8(); }, 10000))
            << FileBytes(marker).toStdString();
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2); // the item and its marker
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("injected")));
    }
}
