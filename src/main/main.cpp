// lirana: the playout console. `lirana --headless ITEM...` runs the same
// engine without a window. The command line is a contract: extend it, never
// break it (docs/command-line.md).
#include "main/HeadlessRunner.h"

#include <QCoreApplication>
#include <QStringList>

#include <clocale>
#include <cstdio>

namespace {

const char* const kUsage =
    "Usage: lirana [ALBUM]\n"
    "       lirana --headless [--play] [--exit-at-end] [--log-stdout] ITEM...\n"
    "\n"
    "Playout console of a radio station.\n"
    "\n"
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

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lirana"));
    QCoreApplication::setOrganizationName(QStringLiteral("Oxbelund"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LIRANA_VERSION));

    HeadlessOptions options;
    bool headless = false;
    bool endOfOptions = false;
    QStringList positional;
    const QStringList args = QCoreApplication::arguments().mid(1);
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
        return UsageError(QStringLiteral("this build has no console window yet; use --headless"));
    }
    options.items = positional;
    return RunHeadless(options);
}
