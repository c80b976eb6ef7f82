// SPDX-License-Identifier: GPL-3.0-or-later
// lirana: the playout console. `lirana [ALBUM]` opens the console window;
// `lirana --headless ITEM...` runs the same engine without a window. The
// command line is a contract: extend it, never break it
// (docs/command-line.md).
#include "app/SettingsSchema.h"
#include "main/HeadlessRunner.h"
#include "main/SettingsCommands.h"
#include "media/TrackWork.h"
#include "platform/DataPaths.h"
#include "platform/FileNames.h"
#include "platform/Logging.h"
#include "platform/TerminationWatcher.h"
#include "station/StationLock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#ifdef LIRANA_HAS_CONSOLE
#include "gui/app/LiranaApp.h"

#include <QApplication>
#endif

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace {

const char* const kUsage = "Usage: lirana [ALBUM]\n"
                           "       lirana --headless [--play] [--exit-at-end] [--log-stdout] [--play-log]\n"
                           "              [--fresh] [--fallback ALBUM] [--output OUTPUT] ITEM...\n"
                           "       lirana --print-settings\n"
                           "       lirana --set NAME=VALUE... | --get NAME...\n"
                           "       lirana --add-event FILE --at WHEN [--expires WHEN] [--days DAYS]\n"
                           "              [--hourly] [--immediately]\n"
                           "       lirana --list-events | --remove-event N\n"
                           "       (each form takes --instance NAME)\n"
                           "\n"
                           "Playout console of a radio station.\n"
                           "\n"
                           "  ALBUM          open the console on this album; without one, the last\n"
                           "                 album is reopened (or a new one started)\n"
                           "  --headless     run the player engine without a window on the given items\n"
                           "  --play         start playing at once (as the AutoPlay setting does)\n"
                           "  --exit-at-end  exit once playback has ended (end of the list, a stop row,\n"
                           "                 a break, too many errors)\n"
                           "  --log-stdout   print every play-log entry to stdout (time, a tab, the entry)\n"
                           "  --play-log     write the daily play log files for this run, whatever the\n"
                           "                 Enable Logging setting says\n"
                           "  --fresh        start at the album's first row, not where the last run was\n"
                           "  --fallback ALBUM  play this album in Repeat whenever the air would fall\n"
                           "                 silent (in place of the FallbackAlbum setting)\n"
                           "  --output OUTPUT  play into this output (a GStreamer sink such as\n"
                           "                 \"pulsesink device=studio\") in place of the AudioSink\n"
                           "                 setting; none: no output at all, the air runs on the\n"
                           "                 system clock\n"
                           "  --instance NAME  a station of its own: its own settings, play log and\n"
                           "                 state (Lirana-NAME in place of Lirana); any form takes it\n"
                           "  --print-settings  list every stored setting: name, type, default and\n"
                           "                 current value, separated by tabs, one per line\n"
                           "  --set NAME=VALUE  store a setting (names as --print-settings shows them;\n"
                           "                 on/off, numbers, seconds such as 2.5, a choice's name, text)\n"
                           "  --get NAME     print a setting's value in the same words\n"
                           "  --add-event FILE  schedule FILE: first launch --at WHEN (the locale's date\n"
                           "                 and time, or 2026-12-8 7:30:00), daily unless --hourly, on\n"
                           "                 --days (Mon,Wed,... or all), until --expires, waiting for the\n"
                           "                 item on air unless --immediately\n"
                           "  --list-events  list the scheduled events, numbered, one per line\n"
                           "  --remove-event N  remove the event numbered N by --list-events\n"
                           "  --help, -h     show this text\n"
                           "  --version      show the version\n";

int UsageError(const QString& message)
{
    std::fprintf(stderr, "lirana: %s\n%s", qPrintable(message), kUsage);
    return 2;
}

struct CommandLine
{
    // What the line asks for; the first of --help, --version and
    // --print-settings wins, as does a bad option before it.
    enum class Answer { Run, Help, Version, PrintSettings, BadOption } answer = Answer::Run;
    QString badOption;
    bool headless = false;
    HeadlessOptions options;
    QStringList positional;
};

// Options are the arguments that begin with "--" before a "--" of their own,
// and "-h" (help, wherever it stands); everything else, "-" and "-x" too, is
// an item or the album ("./-h" or after "--" for a file of that name). The
// parser sees the options alone, so that the items keep their order and text.
CommandLine ParseCommandLine(const QStringList& args)
{
    CommandLine line;
    QStringList optionArgs;
    bool endOfOptions = false;
    for (const QString& arg : args) {
        if (!endOfOptions && arg == QLatin1String("-h"))
            optionArgs << QStringLiteral("--help");
        else if (endOfOptions || !arg.startsWith(QLatin1String("--")))
            line.positional << arg;
        else if (arg == QLatin1String("--"))
            endOfOptions = true;
        else
            optionArgs << arg;
    }
    using Answer = CommandLine::Answer;
    const std::pair<QString, Answer> answers[] = {{QStringLiteral("help"), Answer::Help},
                                                  {QStringLiteral("version"), Answer::Version},
                                                  {QStringLiteral("print-settings"), Answer::PrintSettings}};
    QStringList names{QStringLiteral("headless"),   QStringLiteral("play"),  QStringLiteral("exit-at-end"),
                      QStringLiteral("log-stdout"), QStringLiteral("fresh"), QStringLiteral("play-log")};
    for (const auto& [name, answer] : answers)
        names << name;
    QCommandLineParser parser;
    for (const QString& name : names)
        parser.addOption(QCommandLineOption(name));
    const bool parsed = parser.parse(QStringList{QStringLiteral("lirana")} + optionArgs);
    // The parser does not tell where a bad option stood; what comes first of
    // an answer and a bad option decides.
    for (const QString& arg : optionArgs) {
        const QString name = arg.mid(2);
        for (const auto& [answerName, answer] : answers) {
            if (name == answerName) {
                line.answer = answer;
                return line;
            }
        }
        if (!parsed && !names.contains(name)) { // also "--play=1": no option takes a value
            line.answer = Answer::BadOption;
            line.badOption = arg;
            return line;
        }
    }
    line.headless = parser.isSet(QStringLiteral("headless"));
    line.options.play = parser.isSet(QStringLiteral("play"));
    line.options.exitAtEnd = parser.isSet(QStringLiteral("exit-at-end"));
    line.options.logStdout = parser.isSet(QStringLiteral("log-stdout"));
    line.options.fresh = parser.isSet(QStringLiteral("fresh"));
    line.options.playLog = parser.isSet(QStringLiteral("play-log"));
    return line;
}

// The options that take a value ("--fallback ALBUM" or "--fallback=ALBUM",
// "--instance NAME"), before a "--", are taken out of args here, so that
// the value is not read as an item. Empty when fine, else the usage error.
QString TakeValueOptions(QStringList& args, HeadlessOptions& options, QString& instance)
{
    const std::pair<QString, QString*> valued[] = {{QStringLiteral("--fallback"), &options.fallback},
                                                   {QStringLiteral("--output"), &options.output},
                                                   {QStringLiteral("--instance"), &instance}};
    for (qsizetype i = 0; i < args.size() && args[i] != QLatin1String("--"); ++i) {
        for (const auto& [name, value] : valued) {
            const QString& arg = args[i];
            if (arg != name && !arg.startsWith(name + u'='))
                continue;
            if (arg == name && i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(name);
            *value = arg == name ? args.takeAt(i + 1) : arg.mid(name.size() + 1);
            args.removeAt(i--);
            if (value->isEmpty())
                return QStringLiteral("%1 needs a value").arg(name);
            break;
        }
    }
    // The name becomes part of file names.
    static const QRegularExpression instanceName(QStringLiteral("^[A-Za-z0-9_.-]{1,64}$"));
    if (!instance.isEmpty() && (!instanceName.match(instance).hasMatch() || instance.startsWith(u'.')))
        return QStringLiteral("--instance takes letters, digits, '.', '_' and '-' (at most 64)");
    return {};
}

// One line per stored value: name, type, default, current value, by tabs.
int PrintSettings()
{
    for (const SettingInfo& e : SettingsSchema::All()) {
        const QString row = QStringList{e.PathName(), SettingsSchema::TypeName(e.type),
                                        SettingsSchema::Text(e.def), SettingsSchema::StoredText(e)}
                                .join(u'\t');
        std::printf("%s\n", row.toLocal8Bit().constData());
    }
    return 0;
}

void SetApplicationNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lirana"));
    QCoreApplication::setOrganizationName(QStringLiteral("Oxbelund"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LIRANA_VERSION));
}

#ifdef LIRANA_HAS_CONSOLE
int RunConsole(const QString& album, CTerminationWatcher& watcher)
{
    RaiseProcessPriority();
    CLiranaApp::Options options;
    options.album = album;
    // One station per settings file: a second console says so, brings the
    // first one's window up where it can, and writes nothing.
    QString refusal;
    const std::unique_ptr<CStationLock> lock = CStationLock::Take(&refusal);
    if (!lock) {
        std::fprintf(stderr, "lirana: %s\n", qPrintable(refusal));
        CStationLock::RaiseRunningConsole();
        return 1;
    }
    CLiranaApp console(std::move(options));
    QObject::connect(&watcher, &CTerminationWatcher::Requested, &console, &CLiranaApp::EndSessionBySignal);
    QObject::connect(&console, &CLiranaApp::SessionEnded, &console, [&watcher] { watcher.SetExitStatus(0); });
    if (!console.Start())
        return 1;
    return QApplication::exec();
}
#endif

// A station plays for months, and every item passes through threads that
// come and go: its opening and closing, its tag reading, the media library's
// streaming threads. glibc gives new threads arenas of their own, up to eight
// per core, and what is freed in them is seldom handed back: under the soak
// resident memory grew by some 20 MB a minute (312 KB an item) without a
// limit, and stayed within 3 MB over three minutes with two arenas.
// MALLOC_ARENA_MAX in the environment still wins.
void LimitMallocArenas()
{
    if (!std::getenv("MALLOC_ARENA_MAX"))
        ::mallopt(M_ARENA_MAX, 2);
}

} // namespace

int main(int argc, char** argv)
{
    LimitMallocArenas();
    std::setlocale(LC_ALL, "");
    diagnostics::InstallMessageFormat();
    IgnoreFileSizeSignal();
    // The arguments are checked before any application object exists: the
    // console's needs a display, and bad arguments must still get the usage.
    // File names are bytes: a name that is not valid UTF-8 keeps its bytes.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << FileNameFromBytes(argv[i]);

    HeadlessOptions valued;
    QString instance;
    const QString valueError = TakeValueOptions(args, valued, instance);
    // Settings and events from the command line: a family of its own, on
    // the instance's settings.
    if (SettingsCommands::Wanted(args)) {
        if (!valueError.isEmpty())
            return UsageError(valueError);
        DataPaths::SetInstance(instance);
        QCoreApplication app(argc, argv);
        SetApplicationNames();
        return SettingsCommands::Run(args, kUsage, LIRANA_VERSION);
    }
    CommandLine line = ParseCommandLine(args);
    line.options.fallback = valued.fallback;
    line.options.output = valued.output;
    if (!valueError.isEmpty() &&
        (line.answer == CommandLine::Answer::Run || line.answer == CommandLine::Answer::BadOption))
        return UsageError(valueError);
    DataPaths::SetInstance(instance);
    using Answer = CommandLine::Answer;
    switch (line.answer) {
    case Answer::Help: std::fputs(kUsage, stdout); return 0;
    case Answer::Version: std::printf("lirana %s\n", LIRANA_VERSION); return 0;
    case Answer::BadOption: return UsageError(QStringLiteral("unknown option %1").arg(line.badOption));
    case Answer::PrintSettings: {
        QCoreApplication app(argc, argv);
        SetApplicationNames();
        return PrintSettings();
    }
    case Answer::Run: break;
    }
    HeadlessOptions& options = line.options;
    const QStringList& positional = line.positional;
    const bool headless = line.headless;
    if (!headless) {
        if (options.play || options.exitAtEnd || options.logStdout)
            return UsageError(QStringLiteral("--play, --exit-at-end and --log-stdout need --headless"));
        if (options.fresh || options.playLog || !options.fallback.isEmpty() || !options.output.isEmpty())
            return UsageError(
                QStringLiteral("--fresh, --play-log, --fallback and --output need --headless (the console "
                               "has the ResumeAfterRestart, Enable Logging, FallbackAlbum and AudioSink "
                               "settings)"));
        if (positional.size() > 1)
            return UsageError(QStringLiteral("the console opens one album"));
#ifdef LIRANA_HAS_CONSOLE
        // Without a display the toolkit would abort: say so, and what to use.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            std::fputs("lirana: no display to open the console on (DISPLAY and WAYLAND_DISPLAY are not set); "
                       "use --headless to play without a window\n",
                       stderr);
            return 2;
        }
        QApplication app(argc, argv);
        SetApplicationNames();
        // Outlives the console, so that a shutdown stuck in its teardown
        // still ends within the grace period.
        CTerminationWatcher watcher;
        return TrackWork::FinishBeforeExit(RunConsole(positional.value(0), watcher));
#else
        return UsageError(QStringLiteral("this build has no console window (it was built with "
                                         "LIRANA_CORE_ONLY); use --headless"));
#endif
    }
    // Without items the runner would wait for nothing, for ever: an empty
    // variable in a script is told at once (docs/command-line.md).
    if (positional.isEmpty())
        return UsageError(QStringLiteral("no items given"));
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    CTerminationWatcher watcher;
    options.items = positional;
    // Tracks still closing (or hung in their opening) on threads of their
    // own get a moment; a hung one does not hold up the end.
    return TrackWork::FinishBeforeExit(RunHeadless(options, &watcher));
}
