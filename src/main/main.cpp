// lirana: the playout console. `lirana [ALBUM]` opens the console window;
// `lirana --headless ITEM...` runs the same engine without a window. The
// command line is a contract: extend it, never break it
// (docs/command-line.md).
#include "main/HeadlessRunner.h"
#include "platform/Logging.h"
#include "platform/TerminationWatcher.h"

#include <QCoreApplication>
#include <QStringList>

#ifdef LIRANA_HAS_CONSOLE
#include "gui/app/LiranaApp.h"

#include <QApplication>
#endif


#include <clocale>
#include <cstdio>

namespace {

const char* const kUsage =
    "Usage: lirana [ALBUM]\n"
    "       lirana --headless [--play] [--exit-at-end] [--log-stdout] ITEM...\n"
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
    "  --help         show this text\n"
    "  --version      show the version\n";

int UsageError(const QString& message)
{
    std::fprintf(stderr, "lirana: %s\n%s", qPrintable(message), kUsage);
    return 2;
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
    CLiranaApp console(std::move(options));
    QObject::connect(&watcher, &CTerminationWatcher::Requested, &console, &CLiranaApp::EndSessionBySignal);
    QObject::connect(&console, &CLiranaApp::SessionEnded, &console, [&watcher] { watcher.SetExitStatus(0); });
    if (!console.Start())
        return 1;
    return QApplication::exec();
}
#endif

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    diagnostics::InstallMessageFormat();
    IgnoreFileSizeSignal();
    // The arguments are checked before any application object exists: the
    // console's needs a display, and bad arguments must still get the usage.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    HeadlessOptions options;
    bool headless = false;
    bool endOfOptions = false;
    QStringList positional;
    for (const QString& arg : args) {
        if (endOfOptions || !arg.startsWith(QLatin1String("--")) || arg == QLatin1String("-")) {
            positional << arg;
        } else if (arg == QLatin1String("--")) {
            endOfOptions = true;
        } else if (arg == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == QLatin1String("--version")) {
            std::printf("lirana %s\n", LIRANA_VERSION);
            return 0;
        } else if (arg == QLatin1String("--headless")) {
            headless = true;
        } else if (arg == QLatin1String("--play")) {
            options.play = true;
        } else if (arg == QLatin1String("--exit-at-end")) {
            options.exitAtEnd = true;
        } else if (arg == QLatin1String("--log-stdout")) {
            options.logStdout = true;
        } else {
            return UsageError(QStringLiteral("unknown option %1").arg(arg));
        }
    }
    if (!headless) {
        if (options.play || options.exitAtEnd || options.logStdout)
            return UsageError(QStringLiteral("--play, --exit-at-end and --log-stdout need --headless"));
        if (positional.size() > 1)
            return UsageError(QStringLiteral("the console opens one album"));
#ifdef LIRANA_HAS_CONSOLE
        QApplication app(argc, argv);
        SetApplicationNames();
        // Outlives the console, so that a shutdown stuck in its teardown
        // still ends within the grace period.
        CTerminationWatcher watcher;
        return RunConsole(positional.value(0), watcher);
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
    return RunHeadless(options, &watcher);
}
