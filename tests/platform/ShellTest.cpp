// Environment expansion and command items, with a shell that only records.
#include "QtPrint.h"
#include "platform/Shell.h"
#include "support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class RecordingShell : public Shell
{
public:
    struct Call
    {
        QString program;
        QStringList args;
        QString workDir;
    };

    bool StartProgram(const QString& program, const QStringList& args, const QString& workDir,
                      QString* error) override
    {
        calls.push_back({program, args, workDir});
        if (!succeed && error)
            *error = QStringLiteral("refused");
        return succeed;
    }

    std::vector<Call> calls;
    bool succeed = true;
};

QString MakeFile(const QString& dir, const QString& name, const QByteArray& content, bool executable)
{
    const QString path = TestEnv::WriteFile(dir + u'/' + name, content);
    QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        perms |= QFile::ExeOwner;
    QFile::setPermissions(path, perms);
    return path;
}

} // namespace

TEST(ExpandEnvironment, ExpandsTheThreeFormsAndKeepsUnknownNames)
{
    qputenv("LIRANA_T_A", "alpha");
    qputenv("LIRANA_T_EMPTY", "");
    qunsetenv("LIRANA_T_NONE");
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"$LIRANA_T_A/x", "alpha/x"},
        {"${LIRANA_T_A}beta", "alphabeta"},
        {"%LIRANA_T_A%\\dir", "alpha\\dir"},
        {"%LIRANA_T_A%%LIRANA_T_A%", "alphaalpha"},
        {"[$LIRANA_T_EMPTY]", "[]"},
        {"$LIRANA_T_NONE ${LIRANA_T_NONE} %LIRANA_T_NONE%", "$LIRANA_T_NONE ${LIRANA_T_NONE} %LIRANA_T_NONE%"},
        {"$LIRANA_T_Ax", "$LIRANA_T_Ax"},
        {"100% sure, 5$ and $ alone, ${unclosed", "100% sure, 5$ and $ alone, ${unclosed"},
        {"%LIRANA_T_A", "%LIRANA_T_A"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandEnvironment(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

class RunCommandItemTest : public ::testing::Test
{
protected:
    void SetUp() override { dir = TestEnv::MakeTempDir(QStringLiteral("shell")); }

    QString dir;
    RecordingShell shell;
    QString error;
};

TEST_F(RunCommandItemTest, ExecutablesRunDirectlyAndScriptsThroughTheirInterpreter)
{
    const QString tool = MakeFile(dir, QStringLiteral("tool"), "#!/bin/sh\n", true);
    const QString script = MakeFile(dir, QStringLiteral("jingle.SH"), "echo hi\n", false);
    const QString python = MakeFile(dir, QStringLiteral("x.py"), "print(1)\n", false);
    const QString text = MakeFile(dir, QStringLiteral("notes.txt"), "hello\n", false);
    qputenv("LIRANA_T_DIR", dir.toLocal8Bit());

    ASSERT_TRUE(RunCommandItem(shell, QStringLiteral("$LIRANA_T_DIR/tool"), &error)) << error.toStdString();
    ASSERT_TRUE(RunCommandItem(shell, script, &error));
    ASSERT_TRUE(RunCommandItem(shell, python, &error));
    ASSERT_TRUE(RunCommandItem(shell, text, &error));
    ASSERT_EQ(shell.calls.size(), 4u);
    EXPECT_EQ(shell.calls[0].program, tool);
    EXPECT_TRUE(shell.calls[0].args.isEmpty());
    EXPECT_EQ(shell.calls[0].workDir, dir);
    EXPECT_EQ(shell.calls[1].program, QStringLiteral("/bin/sh"));
    EXPECT_EQ(shell.calls[1].args, QStringList{script});
    EXPECT_EQ(shell.calls[2].program, QStringLiteral("python3"));
    EXPECT_EQ(shell.calls[3].program, QStringLiteral("xdg-open"));
    EXPECT_EQ(shell.calls[3].args, QStringList{text});
}

TEST_F(RunCommandItemTest, DesktopEntriesRunTheirExecLineWithoutFieldCodes)
{
    const QString entry = MakeFile(dir, QStringLiteral("mixer.desktop"),
                                   "[Desktop Action Other]\nExec=wrong\n"
                                   "[Desktop Entry]\nType=Application\nName=Mixer\n"
                                   "Exec=\"/opt/My Mixer/run\" --open=%u %F \"say \\\"hi\\\"\" 100%% %i"
                                   " \"C:\\\\\\\\x\" --entry=%k\\s%c\n",
                                   false);
    ASSERT_TRUE(RunCommandItem(shell, entry, &error)) << error.toStdString();
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].program, QStringLiteral("/opt/My Mixer/run"));
    EXPECT_EQ(shell.calls[0].args,
              (QStringList{QStringLiteral("--open="), QStringLiteral("say \"hi\""), QStringLiteral("100%"),
                           QStringLiteral("C:\\x"), QStringLiteral("--entry=") + entry,
                           QStringLiteral("Mixer")}));
    EXPECT_EQ(shell.calls[0].workDir, dir);
}

TEST_F(RunCommandItemTest, MissingFilesAndEmptyEntriesAreRefusedWithAReason)
{
    EXPECT_FALSE(RunCommandItem(shell, dir + QStringLiteral("/gone.sh"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("gone.sh")));
    const QString link = MakeFile(dir, QStringLiteral("link.desktop"), "[Desktop Entry]\nType=Link\nURL=x\n", false);
    error.clear();
    EXPECT_FALSE(RunCommandItem(shell, link, &error));
    EXPECT_TRUE(error.contains(QLatin1String("Exec")));
    EXPECT_TRUE(shell.calls.empty());

    shell.succeed = false;
    EXPECT_FALSE(RunCommandItem(shell, MakeFile(dir, QStringLiteral("t"), "", true), &error));
    EXPECT_EQ(error, QStringLiteral("refused"));
}

// Path, Terminal and TryExec of a desktop entry; the terminal and the
// programs are looked up in a PATH of the test's own.
TEST_F(RunCommandItemTest, DesktopEntriesHonourPathTerminalAndTryExec)
{
    const QByteArray oldPath = qgetenv("PATH");
    const QString bin = TestEnv::MakeTempDir(QStringLiteral("bin"));
    qputenv("PATH", bin.toLocal8Bit());
    MakeFile(bin, QStringLiteral("tool"), "#!/bin/sh\n", true);
    const struct
    {
        const char* keys;
        bool runs;
        const char* program; // or a word of the error
        const char* workDir;
    } rows[] = {
        {"Path=/srv/jingles\n", true, "run", "/srv/jingles"},
        {"TryExec=tool\n", true, "run", ""},
        {"TryExec=missing-tool\n", false, "missing-tool", ""},
        {"TryExec=/no/such/tool\n", false, "/no/such/tool", ""},
        {"Terminal=true\n", false, "x-terminal-emulator", ""},
        {"Terminal=false\n", true, "run", ""},
    };
    for (const auto& row : rows) {
        shell.calls.clear();
        const QString entry = MakeFile(dir, QStringLiteral("e.desktop"),
                                       QByteArray("[Desktop Entry]\nExec=run -x\n") + row.keys, false);
        EXPECT_EQ(RunCommandItem(shell, entry, &error), row.runs) << row.keys;
        if (!row.runs) {
            EXPECT_TRUE(error.contains(QLatin1String(row.program))) << qPrintable(error);
            EXPECT_TRUE(shell.calls.empty());
            continue;
        }
        ASSERT_EQ(shell.calls.size(), 1u) << row.keys;
        EXPECT_EQ(shell.calls[0].program, QLatin1String(row.program));
        EXPECT_EQ(shell.calls[0].args, QStringList{QStringLiteral("-x")});
        EXPECT_EQ(shell.calls[0].workDir, *row.workDir ? QString::fromLatin1(row.workDir) : dir);
    }
    MakeFile(bin, QStringLiteral("x-terminal-emulator"), "#!/bin/sh\n", true);
    shell.calls.clear();
    ASSERT_TRUE(RunCommandItem(shell, MakeFile(dir, QStringLiteral("t.desktop"),
                                               "[Desktop Entry]\nExec=run -x\nTerminal=true\n", false), &error));
    EXPECT_EQ(shell.calls[0].program, bin + QStringLiteral("/x-terminal-emulator"));
    EXPECT_EQ(shell.calls[0].args, (QStringList{QStringLiteral("-e"), QStringLiteral("run"), QStringLiteral("-x")}));
    qputenv("PATH", oldPath);
}
