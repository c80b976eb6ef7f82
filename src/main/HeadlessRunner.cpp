#include "main/HeadlessRunner.h"

#include "app/EngineSeams.h"
#include "app/UserInterface.h"
#include "events/Scheduler.h"
#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/Shell.h"
#include "platform/TerminationWatcher.h"
#include "playlist/ItemPath.h"
#include "playlist/AlbumDoc.h"
#include "playlist/Playlist.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

// Messages for a person go to stderr; questions take their defaults.
class StderrInterface : public UserInterface
{
public:
    void ShowMessage(const QString& text, Icon icon) override
    {
        const char* kind = icon == Icon::Stop ? "error: " : icon == Icon::Warning ? "warning: " : "";
        std::fprintf(stderr, "lirana: %s%s\n", kind, qPrintable(QString(text).replace(u'\n', u' ')));
        std::fflush(stderr);
    }
};

// Relative paths of files that exist are made absolute now: the settings
// may change the current folder before the items play.
QStringList AbsoluteItems(const QStringList& items)
{
    QStringList out;
    for (const QString& item : items) {
        if (!item.startsWith(u'/') && QFileInfo::exists(item)) {
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

bool IsListFile(const QString& path)
{
    const QString ext = SplitPath(path).ext.toLower();
    return ext == QLatin1String(".alb") || ext == QLatin1String(".mpl") || ext == QLatin1String(".m3u");
}

} // namespace

int RunHeadless(const HeadlessOptions& options, CTerminationWatcher* watcher)
{
    StderrInterface ui;
    // Tracks reach the operator (a refused plug-in) through this seam.
    CTrackEnvironment::SetUserInterface(&ui);
    LoadPlugInChain(CTrackEnvironment::Chain());
    CPlaylist playlist;
    CLiranaDoc document(playlist, ui, Shell::System());
    CPlayLog log(Clock::System());
    if (options.logStdout) {
        log.AddSink([](const QString& line) {
            std::fputs(line.toLocal8Bit().constData(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
    }
    // One list-file argument is the album; otherwise the arguments are the rows.
    const QStringList items = AbsoluteItems(options.items);
    if (items.size() == 1 && IsListFile(items.first())) {
        if (!document.OpenDocumentFile(items.first())) {
            CTrackEnvironment::SetUserInterface(nullptr);
            return 1;
        }
        playlist.Select(0);
    } else {
        document.OnNewDocument();
        playlist.Reset(items, items.isEmpty() ? -1 : 0);
    }

    COnAirEngine::Seams seams;
    seams.playlist = &playlist;
    seams.log = &log;
    seams.ui = &ui;
    seams.shell = &Shell::System();
    seams.document = &document;
    CEventScheduler scheduler(Clock::System());
    seams.events = &scheduler;
    COnAirEngine engine(std::move(seams));
    QObject::connect(&engine, &COnAirEngine::PlaylistEdited, &document,
                     [&document](int id) { document.Checkpoint(static_cast<std::uint32_t>(id)); });
    engine.LoadSettings();
    scheduler.LoadFromSettings(); // expired events are dropped
    scheduler.SetEnabledQuery([&engine] { return engine.Settings().enableEvents; });
    engine.Startup();

    int exitCode = 0;
    bool finished = false;
    auto finish = [&](int code) {
        if (finished)
            return; // a signal right after the end, or the end right after a signal
        finished = true;
        exitCode = code;
        // The headless runner has no option editor: it leaves the stored
        // settings as the console wrote them.
        engine.Shutdown(false);
        QCoreApplication::quit();
    };

    if (watcher)
        QObject::connect(watcher, &CTerminationWatcher::Requested, &engine,
                         [&](int signal) { finish(128 + signal); });

    if (options.play)
        QTimer::singleShot(0, &engine, [&] { engine.OnPlay(); });

    QTimer endWatch;
    if (options.exitAtEnd) {
        QObject::connect(&endWatch, &QTimer::timeout, [&] {
            // An empty album with no events to wait for has nothing to play.
            const bool nothingToPlay = playlist.Count() == 0 &&
                                       (scheduler.Events().IsEmpty() || !engine.Settings().enableEvents);
            if ((engine.HasStartedItems() || nothingToPlay) && engine.IsIdle()) {
                endWatch.stop();
                finish(0);
            }
        });
        endWatch.start(50);
    }

    QCoreApplication::exec();
    CTrackEnvironment::SetUserInterface(nullptr);
    return exitCode;
}
