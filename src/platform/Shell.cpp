#include "platform/Shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringConverter>
#include <QTextStream>
#include <QFile>

namespace {

class SystemShell : public Shell
{
public:
    bool StartProgram(const QString& program, const QStringList& args, const QString& workDir,
                      QString* error) override
    {
        QProcess process;
        process.setProgram(program);
        process.setArguments(args);
        if (!workDir.isEmpty())
            process.setWorkingDirectory(workDir);
        process.setStandardInputFile(QProcess::nullDevice());
        if (process.startDetached())
            return true;
        if (error)
            *error = QStringLiteral("Cannot start %1: %2").arg(program, process.errorString());
        return false;
    }
};

// Splits an Exec value into arguments as the desktop entry rules say:
// blanks separate arguments, double quotes group, and inside quotes a
// backslash escapes '"', '`', '$' and '\\'. Outside quotes the field codes
// (%f, %U, ...) are dropped, %k becomes the entry's path, %c its name and
// %% a '%'; an argument made only of dropped codes disappears.
QStringList SplitExec(const QString& exec, const QString& entryPath, const QString& name)
{
    QStringList out;
    QString arg;
    bool inArg = false;   // an argument has started (maybe empty and quoted)
    bool keep = false;    // it holds quoted or literal text
    bool quoted = false;
    auto finish = [&] {
        if (inArg && (keep || !arg.isEmpty()))
            out << arg;
        arg.clear();
        inArg = keep = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                arg += exec[++i];
            } else {
                arg += c;
            }
        } else if (c == u' ' || c == u'\t') {
            finish();
        } else if (c == u'"') {
            quoted = inArg = keep = true;
        } else if (c == u'%' && i + 1 < exec.size()) {
            inArg = true;
            const QChar code = exec[++i];
            if (code == u'%') {
                arg += u'%';
                keep = true;
            } else if (code == u'k') {
                arg += entryPath;
            } else if (code == u'c') {
                arg += name;
            }
        } else {
            arg += c;
            inArg = keep = true;
        }
    }
    finish();
    return out;
}

// The value of a desktop entry key with the string escapes (\s, \n, \t,
// \r, \\) resolved; other backslashes stay for the Exec quoting rules.
QString Unescape(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 >= value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[i + 1];
        const QString plain = next == u's' ? QStringLiteral(" ") : next == u'n' ? QStringLiteral("\n")
                            : next == u't' ? QStringLiteral("\t") : next == u'r' ? QStringLiteral("\r")
                            : next == u'\\' ? QStringLiteral("\\") : QString();
        if (!plain.isEmpty()) {
            out += plain;
            ++i;
        } else {
            out += value[i];
        }
    }
    return out;
}

// The Exec line of a desktop entry as an argument vector, without the field
// codes (%f, %U, ...) that a launcher would fill in.
QStringList DesktopExec(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    bool inEntry = false;
    QString exec;
    QString name;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inEntry = (line == QLatin1String("[Desktop Entry]"));
            continue;
        }
        if (inEntry && line.startsWith(QLatin1String("Exec=")) && exec.isEmpty())
            exec = Unescape(line.mid(5));
        else if (inEntry && line.startsWith(QLatin1String("Name=")) && name.isEmpty())
            name = Unescape(line.mid(5));
    }
    return exec.isEmpty() ? QStringList() : SplitExec(exec, path, name);
}

} // namespace

Shell& Shell::System()
{
    static SystemShell shell;
    return shell;
}

QString ExpandEnvironment(const QString& text)
{
    static const QRegularExpression re(
        QStringLiteral(R"(\$\{([A-Za-z_][A-Za-z0-9_]*)\}|\$([A-Za-z_][A-Za-z0-9_]*)|%([A-Za-z_][A-Za-z0-9_]*)%)"));
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

bool RunCommandItem(Shell& shell, const QString& itemPath, QString* error)
{
    const QString path = ExpandEnvironment(itemPath);
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    const QString ext = info.suffix().toLower();
    if (!info.exists()) {
        if (error)
            *error = QStringLiteral("%1 does not exist").arg(path);
        return false;
    }
    if (ext == QLatin1String("desktop")) {
        QStringList argv = DesktopExec(path);
        if (argv.isEmpty()) {
            if (error)
                *error = QStringLiteral("%1 has no Exec line").arg(path);
            return false;
        }
        const QString program = argv.takeFirst();
        return shell.StartProgram(program, argv, dir, error);
    }
    if (info.isFile() && info.isExecutable())
        return shell.StartProgram(info.absoluteFilePath(), {}, dir, error);
    static const QList<QPair<QString, QString>> interpreters = {
        {QStringLiteral("sh"), QStringLiteral("/bin/sh")},
        {QStringLiteral("py"), QStringLiteral("python3")},
        {QStringLiteral("pl"), QStringLiteral("perl")},
        {QStringLiteral("js"), QStringLiteral("node")},
    };
    for (const auto& [e, interpreter] : interpreters) {
        if (ext == e)
            return shell.StartProgram(interpreter, {info.absoluteFilePath()}, dir, error);
    }
    return shell.StartProgram(QStringLiteral("xdg-open"), {info.absoluteFilePath()}, dir, error);
}
