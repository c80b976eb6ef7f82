// How the engine starts each kind of row, what it logs, its errors and the
// notifications of tracks that already left their slot.
#include "EngineFixture.h"
#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"

#include "app/Strings.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>

namespace {

// The row after an item that ended, by its kind: what is on air at once,
// the selection, and what is on air once the posted commands ran.
TEST_F(EngineTest, TheRowAfterAnItemIsStartedByItsKind)
{
    const QString script = TestEnv::WriteFile(QDir::currentPath() + QStringLiteral("/jingle-off.sh"), "exit 0\n");
    document.albums["/m/next.alb"] = {"/m/x.mp3", "/m/y.mp3"};
    struct Case {
        QStringList rows;
        QString onAir; // at once
        int selection;
        bool idle;      // at once
        QString posted; // after the posted commands, "" for idle
        QStringList starts;
    };
    const Case cases[] = {
        {{"/m/a.mp3", "/m/x.stop", "/m/b.mp3"}, "", 2, true, "", {"a"}},
        {{"/m/a.mp3", "/m/go.PLAY", "/m/b.mp3"}, "", 2, false, "/m/b.mp3", {"a", "b"}},
        {{"/m/a.mp3", "/m/go.play"}, "", 1, true, "", {"a"}}, // the last row in Normal mode
        // A command item is not logged as a start.
        {{"/m/a.mp3", script, "/m/b.mp3"}, "/m/b.mp3", 2, false, "/m/b.mp3", {"a", "b"}},
        // An album replaces the list and starts its first row.
        {{"/m/a.mp3", "/m/next.alb"}, "", 0, false, "/m/x.mp3", {"a", "x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows[1].toStdString());
        MakeEngine();
        entries.clear();
        Load(c.rows);
        engine->OnPlay();
        EndOnAir();
        EXPECT_EQ(OnAirPath(), c.onAir);
        EXPECT_EQ(list.Selection(), c.selection);
        EXPECT_EQ(engine->IsIdle(), c.idle);
        RunPosted();
        EXPECT_EQ(OnAirPath(), c.posted);
        EXPECT_EQ(engine->IsIdle(), c.posted.isEmpty());
        EXPECT_EQ(Starts(), c.starts);
    }
    EXPECT_EQ(shell.started, QList<QStringList>({{"/bin/sh", script}}));
    EXPECT_FALSE(document.modified);
    EXPECT_EQ(list.Rows(), QStringList({"/m/x.mp3", "/m/y.mp3"}));
}

TEST_F(EngineTest, PlayItemFromAnEventStartsTheSelectedRow)
{
    Load({"/m/a.mp3", "/m/b.mp3"}, 1);
    engine->StartItem("/events/resume.play");
    RunPosted();
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
}

TEST_F(EngineTest, AListOfOnlyCommandItemsInRepeatModeComesToRest)
{
    engine->SetMode(PlayerMode::Repeat);
    Load({"/nowhere/one.sh", "/nowhere/two.exe"});
    engine->OnPlay();
    for (int i = 0; i < 10 && !engine->IsIdle(); ++i)
        RunPosted();
    EXPECT_TRUE(engine->IsIdle());
    EXPECT_TRUE(entries.last().startsWith(QLatin1String("error\t")));
}

TEST_F(EngineTest, AlbumRowReplacesThePlaylistAndStartsItsFirstRow)
{
    document.albums["/m/next.alb"] = {"/m/x.mp3", "/m/y.mp3"};
    Load({"/m/a.mp3", "/m/next.alb"});
    engine->OnPlay();
    EndOnAir();
    EXPECT_FALSE(document.modified);
    EXPECT_EQ(list.Rows(), QStringList({"/m/x.mp3", "/m/y.mp3"}));
    EXPECT_EQ(list.Selection(), 0);
    RunPosted();
    EXPECT_EQ(OnAirPath(), "/m/x.mp3");
}

TEST_F(EngineTest, StartLogsTheDisplayNameAndShowsItOnAir)
{
    Load({"/m/10.pause", "/m/Song~2.5.mp3"});
    engine->OnPlay();
    EXPECT_EQ(entries, QStringList({"start\t10 sec."}));
    EXPECT_EQ(engine->OnAirText(), "10 sec.");
    EXPECT_EQ(engine->OverlapOverride(), -1);
    engine->Settings().fadeOnStop = false;
    engine->OnCommand(Cmd::NextTrack);
    EXPECT_EQ(engine->PreviouslyPlayedText(), "10 sec.");
    EXPECT_EQ(engine->OverlapOverride(), 2500);
}

TEST_F(EngineTest, FailedStartIsReportedAndStopsWithoutIgnoreErrors)
{
    world.failingOpen = {"/m/bad.mp3"};
    Load({"/m/bad.mp3", "/m/b.mp3"});
    engine->OnPlay();
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_EQ(ui.messages, QStringList({"cannot open /m/bad.mp3"}));
    EXPECT_EQ(entries, QStringList({"start\tbad", "error\tcannot open /m/bad.mp3"}));
    EXPECT_EQ(list.Selection(), 0);
    EXPECT_EQ(engine->ErrorRun(), 0);
    EXPECT_TRUE(world.alive.empty()); // the failed track was deleted
}

TEST_F(EngineTest, WithIgnoreErrorsFiftyFailedStartsEndTheRunWithATwoLineEntry)
{
    const QString dir = TestEnv::MakeTempDir(QStringLiteral("errlog"));
    engine->Settings().enableLogging = true;
    engine->Settings().logfileDir = dir;
    engine->Settings().ignoreErrors = true;
    QStringList rows;
    for (int i = 0; i < 60; ++i) {
        rows << QStringLiteral("/m/broken%1.mp3").arg(i);
        world.failingOpen.insert(rows.last());
    }
    Load(rows);
    engine->Startup();
    engine->OnPlay();
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(Starts().size(), 50);
    EXPECT_EQ(Starts().last(), "broken49");
    EXPECT_EQ(list.Selection(), 49); // stays on the failing row
    EXPECT_EQ(entries.last(), Str::Load(Str::LogTooManyErrors));
    EXPECT_EQ(entries.last(), "error\nPlayback is stooped because of too many errors");
    EXPECT_EQ(engine->OnAir(), nullptr);

    QFile file(dir + QStringLiteral("/2000-01-01.LOG"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 100 + 2);
    EXPECT_EQ(lines.filter(QStringLiteral("\terror\t")).size(), 50);
    EXPECT_EQ(lines[101], "12:00:00\terror");
    EXPECT_EQ(lines[102], "Playback is stooped because of too many errors");
}

TEST_F(EngineTest, ASuccessfulStartOrAFailureWithoutIgnoreErrorsEndsTheErrorRun)
{
    engine->Settings().ignoreErrors = true;
    engine->Settings().fadeOnStop = false;
    world.failingOpen = {"/m/bad1.mp3", "/m/bad2.mp3"};
    Load({"/m/bad1.mp3", "/m/bad2.mp3", "/m/good.mp3", "/m/bad3.mp3"});
    engine->OnPlay();
    EXPECT_EQ(OnAirPath(), "/m/good.mp3");
    EXPECT_EQ(engine->ErrorRun(), 0);

    engine->OnStop();
    Load({"/m/bad1.mp3", "/m/bad2.mp3"});
    engine->OnPlay(); // the last row is tried again until the run is too long
    EXPECT_EQ(engine->ErrorRun(), COnAirEngine::MaxErrorRun);
    engine->Settings().ignoreErrors = false;
    list.Select(0);
    engine->OnPlay();
    EXPECT_EQ(engine->ErrorRun(), 0);
}

// An output that is not there is not a broken item: the row waits, retries
// back off, the error run is not spent, and the log has one line when the
// outage starts and one when it ends, then the start that went on air.
TEST_F(EngineTest, AnAudioOutputThatIsDownKeepsTheRowAndRetries)
{
    world.outputDown = 3;
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0], "start\ta");
    EXPECT_TRUE(entries[1].startsWith("error\tAudio output unavailable (Connection refused)")) << entries[1].toStdString();
    EXPECT_TRUE(ui.messages.isEmpty()) << "no box for an outage, even without IgnoreErrors";
    EXPECT_FALSE(engine->IsIdle()) << "a run that exits at its end waits for the output";
    for (int retry = 0; retry < 2; ++retry) {
        ASSERT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerOutage));
        engine->OnTimer(COnAirEngine::TimerOutage);
        EXPECT_EQ(entries.size(), 2) << "retries log nothing";
    }
    engine->OnTimer(COnAirEngine::TimerOutage);
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(entries[2].startsWith("error\tAudio output available again after ")) << entries[2].toStdString();
    EXPECT_EQ(entries[3], "start\ta");
    EXPECT_EQ(engine->ErrorRun(), 0);
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerOutage));

    // Lost under the item on air: it plays again from its start once back;
    // Stop ends the wait.
    world.outputDown = 1;
    engine->OnTrackError(std::make_unique<CAudioOutputException>(0, "Disconnected"), OnAir()->Serial());
    EXPECT_EQ(engine->OnAir(), nullptr);
    EXPECT_TRUE(engine->InOutage());
    engine->OnTimer(COnAirEngine::TimerOutage);
    EXPECT_TRUE(engine->InOutage());
    engine->OnStop();
    EXPECT_FALSE(engine->InOutage());
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerOutage));
    EXPECT_EQ(list.Selection(), 0);
}

TEST_F(EngineTest, LateNotificationsOfTracksThatLeftTheirSlotChangeNothing)
{
    engine->Settings().fadeOnStop = false;
    Load({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    engine->OnPlay();
    const std::uint64_t gone = OnAir()->Serial();
    engine->OnCommand(Cmd::NextTrack); // a is deleted, b on air
    engine->OnMciNotify(MCI_NOTIFY_SUCCESSFUL, gone);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    engine->OnTrackError(std::make_unique<CMessageException>(QStringLiteral("late")), gone);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_EQ(entries.last(), "error\tlate"); // still reported
}

TEST_F(EngineTest, EndNotificationOfTheFadingTrackEndsOnlyIt)
{
    Load({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    engine->OnPlay();
    engine->OnCommand(Cmd::NextTrack); // a fades, b on air
    ASSERT_NE(Fading(), nullptr);
    engine->OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Fading()->Serial());
    EXPECT_EQ(Fading(), nullptr);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
}

TEST_F(EngineTest, PostedNotificationsReachTheEngine)
{
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    QCoreApplication::postEvent(engine.get(), new CMciNotifyEvent(MCI_NOTIFY_SUCCESSFUL, OnAir()->Serial()));
    QCoreApplication::sendPostedEvents(engine.get());
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    QCoreApplication::postEvent(engine.get(), new CVolumeRequestEvent(40));
    QCoreApplication::sendPostedEvents(engine.get());
    EXPECT_FLOAT_EQ(OnAir()->GetVolume(), 0.4f);
}

TEST_F(EngineTest, UnusualNotifyCodesAreLogged)
{
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    const std::uint64_t serial = OnAir()->Serial();
    engine->OnMciNotify(MCI_NOTIFY_SUPERSEDED, serial);
    engine->OnMciNotify(MCI_NOTIFY_ABORTED, serial);
    engine->OnMciNotify(77, serial);
    engine->OnMciNotify(MCI_NOTIFY_FAILURE, serial); // errors not ignored: stays on air
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    EXPECT_EQ(entries.mid(1), QStringList({"error\tOnMciNotify/MCI_NOTIFY_SUPERSEDED",
                                            "error\tOnMciNotify/77",
                                            "error\tOnMciNotify/MCI_NOTIFY_FAILURE"}));
    engine->Settings().ignoreErrors = true;
    engine->OnMciNotify(MCI_NOTIFY_FAILURE, serial);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
}

TEST_F(EngineTest, ExactEventInterruptsAndWaitingEventFollows)
{
    engine->Settings().fadeOnStop = false;
    Load({"/m/a.mp3", "/m/b.mp3"});
    engine->OnPlay();
    events.waiting = {"/ev/news.mp3"};
    engine->OnTimer(COnAirEngine::TimerEvents); // nothing exact is due
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    EndOnAir();
    EXPECT_EQ(OnAirPath(), "/ev/news.mp3");
    EXPECT_EQ(list.Selection(), 0); // an event does not move the selection
    events.exact = {"/ev/id.mp3"};
    engine->OnTimer(COnAirEngine::TimerEvents);
    EXPECT_EQ(OnAirPath(), "/ev/id.mp3");
    engine->Settings().enableEvents = false;
    events.exact = {"/ev/never.mp3"};
    engine->OnTimer(COnAirEngine::TimerEvents);
    EXPECT_EQ(OnAirPath(), "/ev/id.mp3");
}

TEST_F(EngineTest, StartupArmsTimersAndAutoPlays)
{
    engine->Settings().autoPlay = true;
    Load({"/m/a.mp3"});
    // A stored plug-in that is not installed now is named once per start.
    CTrackEnvironment::Chain().filters.emplace_back("Gone", "ladspa-uninstalled-so-gone", "state;");
    engine->Startup();
    CTrackEnvironment::Reset();
    EXPECT_EQ(entries, QStringList({"startup", "error\tPlug-in \"Gone\" (ladspa-uninstalled-so-gone) is not "
                                               "installed: it is left out"}));
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerStartup));
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerEvents));
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerWatchDog));
    engine->OnTimer(COnAirEngine::TimerStartup);
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerStartup));
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerOverlap));
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerAutoPlay));
    engine->OnTimer(COnAirEngine::TimerAutoPlay);
    EXPECT_EQ(OnAirPath(), "/m/a.mp3");
    engine->Shutdown(false);
    EXPECT_EQ(entries.last(), "shutdown");
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerOverlap));
}

} // namespace
