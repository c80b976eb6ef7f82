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
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inEntry = (line == QLatin1String("[Desktop Entry]"));
            continue;
        }
        if (inEntry && line.startsWith(QLatin1String("Exec="))) {
            QStringList args = QProcess::splitCommand(line.mid(5));
            QStringList out;
            for (QString& a : args) {
                if (a.size() == 2 && a.startsWith(u'%'))
                    continue;
                out << a.replace(QLatin1String("%%"), QLatin1String("%"));
            }
            return out;
        }
    }
    return {};
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
