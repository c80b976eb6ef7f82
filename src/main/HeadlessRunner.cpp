// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/HeadlessRunner.h"

#include "app/UserInterface.h"
#include "media/TrackEnvironment.h"
#include "onair/OnAirEngine.h"
#include "platform/Exception.h"
#include "platform/FileNames.h"
#include "platform/TerminationWatcher.h"
#include "playlist/ItemPath.h"
#include "station/MprisService.h"
#include "station/ServiceNotifier.h"
#include "station/Station.h"
#include "station/StationLock.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether stderr is a stream of the system journal (a systemd service):
// JOURNAL_STREAM names its device and inode.
bool StderrIsJournal()
{
    struct stat st = {};
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    return !stream.isEmpty() && ::fstat(STDERR_FILENO, &st) == 0 &&
           stream == QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
}

// Messages for a person go to stderr; questions take their defaults. In the
// journal an error line has error priority and a warning warning priority
// (the "<3>"/"<4>" prefixes journald reads), so `journalctl -p warning`
// shows them.
class StderrInterface : public UserInterface
{
public:
    void ShowMessage(const QString& text, Icon icon) override
    {
        const char* kind = icon == Icon::Stop ? "error: " : icon == Icon::Warning ? "warning: " : "";
        const char* priority = !m_journal              ? ""
                               : icon == Icon::Stop    ? "<3>"
                               : icon == Icon::Warning ? "<4>"
                                                       : "<6>";
        std::fprintf(stderr, "%slirana: %s%s\n", priority, kind,
                     qPrintable(QString(text).replace(u'\n', u' ')));
        std::fflush(stderr);
    }

private:
    const bool m_journal = StderrIsJournal();
};

// Relative paths of files that exist are made absolute now: the settings
// may change the current folder before the items play.
QStringList AbsoluteItems(const QStringList& items)
{
    QStringList out;
    for (const QString& item : items) {
        if (!item.startsWith(u'/') && FileNameExists(item)) {
            try {
                out << GetFullPath(item);
                continue;
            } catch (const CException&) {
            }
        }
        out << item;
    }
    return out;
}

} // namespace

int RunHeadless(const HeadlessOptions& options, CTerminationWatcher* watcher)
{
    StderrInterface ui;
    // One station per settings file: a second one stops here, before it
    // writes anything.
    QString refusal;
    const std::unique_ptr<CStationLock> lock = CStationLock::Take(&refusal);
    if (!lock) {
        ui.ShowMessage(refusal, UserInterface::Icon::Stop);
        return 1;
    }
    if (!options.output.isEmpty())
        CTrackEnvironment::SetRunOutput(options.output);
    // Nothing at all to play into: said once, with the way out, rather than
    // an endless retry of an output that cannot come.
    if (const QString missing = CTrackEnvironment::MissingAudioOutput(); !missing.isEmpty()) {
        ui.ShowMessage(
            QStringLiteral("No audio output: %1. Start the sound server first (docs/service.md), or, "
                           "for a station without a sound output, run the air on the system clock: "
                           "lirana --headless --output none ... (or lirana --set AudioSink=none)")
                .arg(missing),
            UserInterface::Icon::Stop);
        return 1;
    }
    CStation::Options stationOptions;
    stationOptions.ui = &ui;
    stationOptions.unattended = true;
    // Nobody at the desk: a restart comes back where the station was.
    stationOptions.resumeAfterRestart = !options.fresh;
    if (!options.fallback.isEmpty())
        stationOptions.fallbackAlbum = QFileInfo(options.fallback).absoluteFilePath();
    if (options.logStdout) {
        stationOptions.logSink = [](const QString& line) {
            std::fputs(line.toLocal8Bit().constData(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        };
    }
    CStation station(std::move(stationOptions));
    if (!station.OpenItems(AbsoluteItems(options.items)))
        return 1;
    station.LoadSettings();
    if (options.playLog) {
        // For this run only: the runner never writes the settings back.
        station.Engine().Settings().enableLogging = true;
        station.Engine().ApplyLogSettings();
    }
    station.Startup();
    COnAirEngine& engine = station.Engine();
    // Media keys and playerctl reach the runner when there is a session bus;
    // unless "Desktop control" says otherwise they only watch the air.
    CMprisService mediaPlayer(station, {.raise = {}, .defaultControl = CMprisService::Control::ReadOnly});
    mediaPlayer.RegisterOnSessionBus();
    CServiceNotifier serviceManager(station);

    int exitCode = 0;
    bool finished = false;
    auto finish = [&](int code) {
        if (finished)
            return; // a signal right after the end, or the end right after a signal
        finished = true;
        exitCode = code;
        serviceManager.Stopping();
        // The headless runner has no option editor: it leaves the stored
        // settings as the console wrote them.
        station.Shutdown(false);
        QCoreApplication::quit();
    };

    if (watcher)
        QObject::connect(watcher, &CTerminationWatcher::Requested, &engine,
                         [&](int signal) { finish(128 + signal); });

    // The same items after a run that did not shut down, or (unless fresh)
    // that did: on from where it was.
    if (options.fresh)
        CStation::StartFresh();
    const bool resumed = station.ResumeAfterCrash(false);
    if (options.play && !resumed)
        QTimer::singleShot(0, &engine, [&] { engine.OnPlay(); });
    if (!options.play && !resumed && !engine.Settings().autoPlay)
        serviceManager.ReadyIdle(); // waits for its events or an operator

    // The end is looked for when the slots change (an item ended) and, for
    // the ends that change no slot (the last start failed), twice a second:
    // a faster poll woke the process 20 times a second while it played.
    QTimer endWatch;
    if (options.exitAtEnd) {
        auto checkEnd = [&] {
            if ((engine.HasStartedItems() || station.HasNothingToPlay()) && engine.IsIdle()) {
                endWatch.stop();
                finish(0);
            }
        };
        QObject::connect(&endWatch, &QTimer::timeout, checkEnd);
        QObject::connect(&station, &CStation::SlotsChanged, &endWatch, checkEnd, Qt::QueuedConnection);
        endWatch.start(500);
    }

    QCoreApplication::exec();
    return exitCode;
}
