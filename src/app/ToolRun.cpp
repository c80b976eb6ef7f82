// SPDX-License-Identifier: GPL-3.0-or-later
// Running a tool: the parameters are split into arguments first, then the
// file is put into each argument, and the program gets the argument vector
// through the Shell seam. No shell reads the file name, so a name with ';',
// '$(...)' or a quote stays one argument and adds no command.
#include "app/ToolList.h"

#include "platform/Shell.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>
#include <utility>

ToolFile ToolFile::Split(const QString& file)
{
    ToolFile parts;
    if (file.isEmpty())
        return parts;
    parts.path = file;
    const qsizetype slash = file.lastIndexOf(u'/');
    parts.dir = file.left(slash + 1);
    const QString base = file.mid(slash + 1);
    const qsizetype dot = base.lastIndexOf(u'.');
    parts.name = dot < 0 ? base : base.left(dot);
    parts.ext = dot < 0 ? QString() : base.mid(dot);
    return parts;
}

QString ExpandToolMacros(const QString& text, const ToolFile& file, MacroSet set)
{
    const bool all = set == MacroSet::Parameters;
    const std::array<std::pair<QString, const QString*>, 5> macros{{
        {QStringLiteral("$(FilePath)"), all ? &file.path : nullptr},
        {QStringLiteral("$(FileDir)"), &file.dir},
        {QStringLiteral("$(FileName)"), all ? &file.name : nullptr},
        {QStringLiteral("$(FileDrive)"), &file.drive},
        {QStringLiteral("$(FileExt)"), all ? &file.ext : nullptr},
    }};
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [macro, value] : macros) {
            if (value && QStringView(text).mid(i).startsWith(macro)) {
                out += *value;
                i += macro.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

std::optional<QStringList> SplitArguments(const QString& params)
{
    QStringList args;
    QString word;
    bool inWord = false; // also true for an empty quoted word ("")
    const qsizetype n = params.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = params[i];
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                args << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            if (i + 1 >= n)
                word += c; // a backslash at the end stands for itself
            else if (params[++i] != u'\n')
                word += params[i];
        } else if (c == u'\'') {
            const qsizetype close = params.indexOf(u'\'', i + 1);
            if (close < 0)
                return std::nullopt;
            word += params.mid(i + 1, close - i - 1);
            i = close;
        } else if (c == u'"') {
            for (++i;; ++i) {
                if (i >= n)
                    return std::nullopt;
                const QChar q = params[i];
                if (q == u'"')
                    break;
                const bool escapes = q == u'\\' && i + 1 < n &&
                                     QStringView(u"$`\"\\\n").contains(params[i + 1]);
                if (!escapes) {
                    word += q;
                } else if (params[++i] != u'\n') {
                    word += params[i];
                }
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        args << word;
    return args;
}

QStringList MixerCommand(const QString& commandLine, const std::function<QString(const QString&)>& find)
{
    QStringList first;
    for (const QString& alternative : ExpandEnvironment(commandLine).split(QStringLiteral("||"))) {
        const QStringList argv = SplitArguments(alternative).value_or(QStringList{alternative.trimmed()});
        if (argv.isEmpty())
            continue;
        const QString found = find ? find(argv.front()) : QStandardPaths::findExecutable(argv.front());
        if (!found.isEmpty())
            return argv;
        if (first.isEmpty())
            first = argv;
    }
    return first;
}

QString CannotFindMessage(const QString& commandLine, const QString& reason)
{
    QString text = CTool::tr(
                       "Lirana cannot find '%1'. Make sure you typed the name correctly, and then try again.")
                       .arg(commandLine);
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason;
    return text;
}

namespace {

bool Fail(QString* message, const QString& text)
{
    if (message)
        *message = text;
    return false;
}

// A bare name is looked for on the PATH, as a shell would; anything with a
// '/' is a path (relative ones to the working folder).
QString Locate(const QString& commandLine)
{
    if (!commandLine.contains(u'/')) {
        const QString found = QStandardPaths::findExecutable(commandLine);
        if (!found.isEmpty())
            return found;
    }
    return QFileInfo::exists(commandLine) ? QFileInfo(commandLine).absoluteFilePath() : QString();
}

} // namespace

namespace {

// What PrepareTool and PrepareCommandLine share: args are the split
// parameters, their macros not yet expanded.
std::optional<ToolLaunch> Prepare(const QString& commandLine, QStringList args, QString workDir,
                                  const std::optional<QString>& file, QString* message)
{
    if (file) {
        const ToolFile parts = ToolFile::Split(*file);
        // An argument made only of macros that all came out empty is left
        // out, as sh leaves out an empty variable.
        QStringList expanded;
        for (const QString& arg : std::as_const(args)) {
            const QString value = ExpandToolMacros(arg, parts, MacroSet::Parameters);
            if (!value.isEmpty() || arg.isEmpty())
                expanded << value;
        }
        args = expanded;
        workDir = ExpandToolMacros(workDir, parts, MacroSet::WorkDir);
    }
    if (!workDir.isEmpty() && !QFileInfo(workDir).isDir())
        workDir.clear(); // as a shell does, start in the current folder

    const QString path = Locate(commandLine);
    if (path.isEmpty()) {
        Fail(message, CannotFindMessage(commandLine, CTool::tr("There is no such file or folder.")));
        return std::nullopt;
    }
    const QFileInfo info(path);
    ToolLaunch launch{path, args, workDir, false};
    if (info.suffix() == QLatin1String("desktop")) {
        // A launcher entry runs its own command line.
        launch.desktopEntry = true;
    } else if (info.isFile() && !info.isExecutable()) {
        const QString interpreter = ScriptInterpreter(path);
        if (interpreter.isEmpty()) {
            // A document, or a folder below: the desktop's handler opens it
            // and takes no parameters.
            launch.program = QStringLiteral("xdg-open");
            launch.args = QStringList{path};
        } else {
            launch.program = interpreter;
            launch.args.prepend(path);
        }
    } else if (info.isDir()) {
        launch.program = QStringLiteral("xdg-open");
        launch.args = QStringList{path};
    }
    return launch;
}

} // namespace

std::optional<ToolLaunch> PrepareTool(const CTool& tool, const std::optional<QString>& file, QString* message)
{
    const QString commandLine = tool.commandLine.trimmed();
    if (commandLine.isEmpty()) {
        Fail(message, CTool::tr("The tool '%1' has no file to open.").arg(tool.description));
        return std::nullopt;
    }
    std::optional<QStringList> args = SplitArguments(tool.params);
    if (!args) {
        Fail(message, CTool::tr("The parameters of '%1' have a quote that is not closed:\n%2")
                          .arg(tool.description, tool.params));
        return std::nullopt;
    }
    return Prepare(commandLine, *args, tool.workDir, file, message);
}

std::optional<ToolLaunch> PrepareCommandLine(const QString& commandLine, const std::optional<QString>& file,
                                             QString* message)
{
    std::optional<QStringList> words = SplitArguments(commandLine);
    if (!words) {
        Fail(message, QStringLiteral("the command line has a quote that is not closed: %1").arg(commandLine));
        return std::nullopt;
    }
    if (words->isEmpty()) {
        Fail(message, QStringLiteral("the command line is empty"));
        return std::nullopt;
    }
    const QString program = words->takeFirst();
    return Prepare(program, *words, QString(), file, message);
}

bool RunTool(const CTool& tool, const std::optional<QString>& file, Shell& shell, QString* message)
{
    const std::optional<ToolLaunch> launch = PrepareTool(tool, file, message);
    if (!launch)
        return false;
    const QString commandLine = tool.commandLine.trimmed();
    QString reason;
    if (launch->desktopEntry) {
        if (!RunCommandItem(shell, launch->program, &reason))
            return Fail(message, CannotFindMessage(commandLine, reason));
        return true;
    }
    if (!shell.StartProgram(launch->program, launch->args, launch->workDir, &reason))
        return Fail(message, CannotFindMessage(commandLine, reason));
    return true;
}
