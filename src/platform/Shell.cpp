// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Shell.h"

#include "platform/FileNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <glib.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// NAME=value entries of this process's environment that reach a child, as
// they stand (bytes, whatever their encoding).
std::vector<QByteArray> ChildEnvironmentEntries()
{
    std::vector<QByteArray> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        const QByteArrayView text(*entry);
        const qsizetype equals = text.indexOf('=');
        if (equals > 0 && PassedToChildren(text.first(equals)))
            entries.emplace_back(text.toByteArray());
    }
    return entries;
}

// Starts program with args in workDir, not waited for (a grandchild, so no
// zombie is left), and returns 0 or the errno of what failed. QProcess's
// startDetached passes the program's standard output and every descriptor
// not marked close-on-exec (Qt 6.4 runs no child modifier there). Here the
// child gets /dev/null as input, this process's standard error as its
// output too (what it writes is a diagnostic; standard output may carry the
// play log, where a script could write lines that look like starts), no
// descriptor but 0-2 (no media file, sound-server socket or lock), no
// blocked signal, SIGPIPE as default and ChildEnvironment(). Everything the
// exec needs is built before the fork: between fork and exec only
// async-signal-safe calls, no allocation.
int SpawnDetached(const QString& program, const QStringList& args, const QString& workDir)
{
    std::vector<QByteArray> words{FileNameBytes(program)};
    for (const QString& arg : args)
        words.push_back(FileNameBytes(arg));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> entries = ChildEnvironmentEntries();
    std::vector<char*> envp;
    for (QByteArray& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const QByteArray dir = FileNameBytes(workDir);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return errno;
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        int failed = 0;
        const int in = ::open("/dev/null", O_RDONLY);
        if (in < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0 ||
            (!dir.isEmpty() && ::chdir(dir.constData()) != 0)) {
            failed = errno;
        } else {
            // Everything above 2 goes but the report pipe, which exec closes.
            ::close_range(3, static_cast<unsigned>(report[1]) - 1, 0);
            ::close_range(static_cast<unsigned>(report[1]) + 1, ~0U, 0);
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::signal(SIGPIPE, SIG_DFL);
            ::execve(argv[0], argv.data(), envp.data());
            failed = errno;
        }
        (void)!::write(report[1], &failed, sizeof failed);
        ::_exit(127);
    }
    ::close(report[1]);
    int failed = child < 0 ? errno : 0;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        // The grandchild's exec closes the pipe; a failure writes its errno.
        ssize_t n = 0;
        while ((n = ::read(report[0], &failed, sizeof failed)) < 0 && errno == EINTR) {
        }
        if (n != sizeof failed)
            failed = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : ECHILD;
    }
    ::close(report[0]);
    return failed;
}

class SystemShell : public Shell
{
public:
    bool StartProgram(const QString& program, const QStringList& args, const QString& workDir,
                      QString* error) override
    {
        const QString found = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
        const int failed = found.isEmpty() ? ENOENT : SpawnDetached(found, args, workDir);
        if (failed == 0)
            return true;
        if (error)
            *error = QCoreApplication::translate("Shell", "Cannot start %1: %2")
                         .arg(program, QString::fromLocal8Bit(std::strerror(failed)));
        return false;
    }

    bool HasWebBrowser() override
    {
        // xdg-open hands an HTML file to the desktop's default for text/html;
        // without one it fails where nobody sees it.
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            return false;
        QProcess query;
        query.setProcessEnvironment(ChildEnvironment());
        query.setStandardInputFile(QProcess::nullDevice());
        query.start(QStringLiteral("xdg-mime"),
                    {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
        if (!query.waitForFinished(3000)) {
            query.kill();
            query.waitForFinished();
            return false;
        }
        return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
    }
};

// A GLib string freed at the end of the scope.
class GText
{
public:
    explicit GText(gchar* text) : m_text(text) {}
    ~GText() { g_free(m_text); }
    GText(const GText&) = delete;
    GText& operator=(const GText&) = delete;
    QString Get() const { return m_text ? QString::fromUtf8(m_text) : QString(); }

private:
    gchar* m_text;
};

class GKeyFileHolder
{
public:
    GKeyFileHolder() = default;
    ~GKeyFileHolder() { g_key_file_free(file); }
    GKeyFileHolder(const GKeyFileHolder&) = delete;
    GKeyFileHolder& operator=(const GKeyFileHolder&) = delete;
    GKeyFile* const file = g_key_file_new();
};

// The Exec value with its field codes resolved as a launcher given no files
// resolves them: %f, %U and the like disappear, %k becomes the entry's path,
// %c its name and %% a '%'. The path and the name are quoted for the shell
// rules the value is then split by, also inside a double-quoted argument.
QString ResolveFieldCodes(const QString& exec, const QString& entryPath, const QString& name)
{
    bool inQuotes = false;
    auto quoted = [&inQuotes](const QString& text) {
        if (!inQuotes) {
            GText q{g_shell_quote(text.toUtf8().constData())};
            return q.Get();
        }
        QString out;
        for (const QChar c : text) {
            if (c == u'"' || c == u'\\' || c == u'$' || c == u'`')
                out += u'\\';
            out += c;
        }
        return out;
    };
    QString out;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] == u'\\' && i + 1 < exec.size()) {
            out += exec[i];
            out += exec[++i];
            continue;
        }
        if (exec[i] == u'"')
            inQuotes = !inQuotes;
        if (exec[i] != u'%' || i + 1 >= exec.size()) {
            out += exec[i];
            continue;
        }
        const QChar code = exec[++i];
        if (code == u'%')
            out += u'%';
        else if (code == u'k')
            out += quoted(entryPath);
        else if (code == u'c')
            out += quoted(name);
    }
    return out;
}

bool Refuse(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Whether the program a TryExec key names is there: an absolute path must be
// an executable file, a bare name is looked up in PATH.
bool ProgramExists(const QString& program)
{
    if (QDir::isAbsolutePath(program)) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

// Runs a desktop entry of type Application: its Exec line (split by the
// shell's quoting rules) in its Path folder (the entry's own folder when it
// names none), in a terminal when Terminal is true; not at all when the
// program of TryExec is missing.
bool RunDesktopEntry(Shell& shell, const QString& path, const QString& dir, QString* error)
{
    static const char* const kGroup = "Desktop Entry";
    GKeyFileHolder entry;
    GError* gerror = nullptr;
    if (!g_key_file_load_from_file(entry.file, QFile::encodeName(path).constData(), G_KEY_FILE_NONE,
                                   &gerror)) {
        const QString why = QString::fromUtf8(gerror->message);
        g_error_free(gerror);
        return Refuse(error, QCoreApplication::translate("Shell", "%1 cannot be read: %2").arg(path, why));
    }
    auto text = [&](const char* key) {
        GError* ignored = nullptr;
        // GLib reports an escape it does not know (a \" in a quoted
        // argument) but hands back the value with the backslash kept, which
        // is what the quoting rules of Exec then need.
        GText value{g_key_file_get_string(entry.file, kGroup, key, &ignored)};
        if (ignored)
            g_error_free(ignored);
        return value.Get();
    };
    const QString exec = text("Exec");
    if (exec.trimmed().isEmpty())
        return Refuse(error, QCoreApplication::translate("Shell", "%1 has no Exec line").arg(path));
    const QString tryExec = text("TryExec");
    if (!tryExec.isEmpty() && !ProgramExists(tryExec))
        return Refuse(error,
                      QCoreApplication::translate("Shell", "%1 is not run: its program %2 is not installed")
                          .arg(path, tryExec));
    GText name{g_key_file_get_locale_string(entry.file, kGroup, "Name", nullptr, nullptr)};

    const QByteArray line = ResolveFieldCodes(exec, path, name.Get()).toUtf8();
    gint argc = 0;
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(line.constData(), &argc, &argv, &gerror)) {
        const QString why = QString::fromUtf8(gerror->message);
        g_error_free(gerror);
        // Only field codes: nothing left to run.
        if (QString::fromUtf8(line).trimmed().isEmpty())
            return Refuse(error, QCoreApplication::translate("Shell", "%1 has no Exec line").arg(path));
        return Refuse(
            error,
            QCoreApplication::translate("Shell", "%1: the Exec line cannot be read: %2").arg(path, why));
    }
    QStringList args;
    for (gint i = 0; i < argc; ++i)
        args << QString::fromUtf8(argv[i]);
    g_strfreev(argv);

    const QString workDir = text("Path");
    if (g_key_file_get_boolean(entry.file, kGroup, "Terminal", nullptr)) {
        const QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (terminal.isEmpty())
            return Refuse(error,
                          QCoreApplication::translate("Shell", "%1 runs in a terminal, and no terminal "
                                                               "(x-terminal-emulator) is installed")
                              .arg(path));
        args.prepend(QStringLiteral("-e"));
        args.prepend(terminal);
    }
    const QString program = args.takeFirst();
    return shell.StartProgram(program, args, workDir.isEmpty() ? dir : workDir, error);
}

} // namespace

Shell& Shell::System()
{
    static SystemShell shell;
    return shell;
}

bool PassedToChildren(QByteArrayView name)
{
    static constexpr const char* kThisProcessOnly[] = {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID",
                                                       "LISTEN_FDS",    "LISTEN_PID",    "LISTEN_FDNAMES"};
    if (name.startsWith("LIRANA_"))
        return false;
    for (const char* own : kThisProcessOnly) {
        if (name == QByteArrayView(own))
            return false;
    }
    return true;
}

QProcessEnvironment ChildEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys()) {
        if (!PassedToChildren(name.toUtf8()))
            env.remove(name);
    }
    return env;
}

QString ExpandEnvironment(const QString& text)
{
    static const QRegularExpression re(QStringLiteral(
        R"(\$\{([A-Za-z_][A-Za-z0-9_]*)\}|\$([A-Za-z_][A-Za-z0-9_]*)|%([A-Za-z_][A-Za-z0-9_]*)%)"));
    QString out;
    qsizetype last = 0;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        QString name = m.captured(1);
        if (name.isEmpty())
            name = m.captured(2);
        if (name.isEmpty())
            name = m.captured(3);
        out += text.mid(last, m.capturedStart() - last);
        const QByteArray key = name.toLocal8Bit();
        if (qEnvironmentVariableIsSet(key.constData()))
            out += qEnvironmentVariable(key.constData());
        else
            out += m.captured(0);
        last = m.capturedEnd();
    }
    out += text.mid(last);
    return out;
}

QString ScriptInterpreter(const QString& path)
{
    static const QList<QPair<QString, QString>> interpreters = {
        {QStringLiteral("sh"), QStringLiteral("/bin/sh")},
        {QStringLiteral("py"), QStringLiteral("python3")},
        {QStringLiteral("pl"), QStringLiteral("perl")},
        {QStringLiteral("js"), QStringLiteral("node")},
    };
    const QString ext = QFileInfo(path).suffix().toLower();
    for (const auto& [e, interpreter] : interpreters) {
        if (ext == e)
            return interpreter;
    }
    return {};
}

bool RunCommandItem(Shell& shell, const QString& itemPath, QString* error)
{
    const QString path = ExpandEnvironment(itemPath);
    const QFileInfo info(path); // names only: a name's bytes may not be UTF-8
    const QString dir = info.absolutePath();
    const QString ext = info.suffix().toLower();
    if (!FileNameExists(path)) {
        if (error)
            *error = QCoreApplication::translate("Shell", "%1 does not exist").arg(path);
        return false;
    }
    if (ext == QLatin1String("desktop"))
        return RunDesktopEntry(shell, path, dir, error);
    if (FileNameExists(path, true) && ::access(FileNameBytes(path).constData(), X_OK) == 0)
        return shell.StartProgram(info.absoluteFilePath(), {}, dir, error);
    const QString interpreter = ScriptInterpreter(path);
    if (!interpreter.isEmpty())
        return shell.StartProgram(interpreter, {info.absoluteFilePath()}, dir, error);
    return shell.StartProgram(QStringLiteral("xdg-open"), {info.absoluteFilePath()}, dir, error);
}
