// SPDX-License-Identifier: GPL-3.0-or-later
// How the engine starts each kind of row, what it logs, its errors and the
// notifications of tracks that already left their slot.
#include "EngineFixture.h"

#include "media/PlugInChain.h"
#include "media/TrackEnvironment.h"

// The row after an item that ended, by its kind: what is on air at once,
// the selection, and what is on air once the posted commands ran. A command
// item and an album are not logged as starts.
TEST_F(EngineTest, TheRowAfterAnItemIsStartedByItsKind)
{
    const QString script = TestEnv::WriteFile(QDir::currentPath() + QStringLiteral("/off.sh"), "exit 0\n");
    document.albums["/m/next.alb"] = {"/m/x.mp3", "/m/y.mp3"};
    // rows | on air at once, selection, idle at once, on air after the posted commands
    const std::tuple<QStringList, QString, int, bool, QString> cases[] = {
        {{"/m/a.mp3", "/m/x.stop", "/m/b.mp3"}, "", 2, true, ""},
        {{"/m/a.mp3", "/m/go.PLAY", "/m/b.mp3"}, "", 2, false, "/m/b.mp3"},
        {{"/m/a.mp3", "/m/go.play"}, "", 1, true, ""}, // the last row in Normal mode
        {{"/m/a.mp3", script, "/m/b.mp3"}, "/m/b.mp3", 2, false, "/m/b.mp3"},
        {{"/m/a.mp3", "/m/next.alb"}, "", 0, false, "/m/x.mp3"}}; // replaces the list
    for (const auto& [rows, onAir, selection, idle, posted] : cases) {
        SCOPED_TRACE(rows[1].toStdString());
        MakeEngine();
        Play(rows);
        EndOnAir();
        EXPECT_EQ(OnAirPath(), onAir);
        EXPECT_EQ(list.Selection(), selection);
        EXPECT_EQ(engine->IsIdle(), idle);
        RunPosted();
        EXPECT_EQ(OnAirPath(), posted);
        EXPECT_EQ(Starts().size(), posted.isEmpty() ? 1 : 2);
    }
    EXPECT_EQ(shell.started, QList<QStringList>({{"/bin/sh", script}}));
    EXPECT_FALSE(document.modified);
    engine->OnStop();
    list.Select(1);
    engine->StartItem("/events/resume.play"); // from an event: Play starts the selected row
    RunPosted();
    EXPECT_EQ(OnAirPath(), "/m/y.mp3");
}

TEST_F(EngineTest, AListOfOnlyCommandItemsInRepeatModeComesToRest)
{
    engine->SetMode(PlayerMode::Repeat);
    Play({"/nowhere/one.sh", "/nowhere/two.exe"});
    for (int i = 0; i < 10 && !engine->IsIdle(); ++i)
        RunPosted();
    EXPECT_TRUE(engine->IsIdle());
    EXPECT_EQ(entries.last(), "error\tNo playable item follows: playback stops");
}

// With Ignore errors the next rows follow: fifty failures in a row end
// playback with a two-line entry. Without it a failed start is shown and
// playback stops; either ends the run.
TEST_F(EngineTest, FailedStartsAndTheErrorRun)
{
    engine->Settings().ignoreErrors = true;
    QStringList rows;
    for (int i = 0; i < 60; ++i)
        world.failingOpen.insert(rows.emplace_back(QStringLiteral("/m/bad%1.mp3").arg(i)));
    Play(rows);
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(Starts().size(), 50);
    EXPECT_EQ(entries.last(), "error\nPlayback is stooped because of too many errors");
    EXPECT_EQ(list.Selection(), 49); // stays on the failing row

    engine->Settings().ignoreErrors = false;
    entries.clear();
    Play({"/m/bad0.mp3", "/m/b.mp3"});
    EXPECT_EQ(ui.messages, QStringList({"cannot open /m/bad0.mp3"}));
    EXPECT_EQ(entries, QStringList({"start\tbad0", "error\tcannot open /m/bad0.mp3"}));
    EXPECT_EQ(engine->ErrorRun(), 0);
    EXPECT_TRUE(world.alive.empty());
    engine->Settings().ignoreErrors = true;
    Play({"/m/bad1.mp3", "/m/good.mp3"});
    EXPECT_EQ(engine->ErrorRun(), 0);
}

// An output that is not there is not a broken item: the row waits, retries
// log nothing and Stop ends the wait. An output lost under the item on air
// cuts that item and the next row waits.
TEST_F(EngineTest, AnAudioOutputThatIsDownKeepsTheRowAndRetries)
{
    world.outputDown = 3;
    Play({"/m/a.mp3", "/m/b.mp3"});
    for (int retry = 0; retry < 3; ++retry) {
        ASSERT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerOutage));
        Tick(COnAirEngine::TimerOutage);
    }
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(entries[1].startsWith("error\tAudio output unavailable (Connection refused)"));
    EXPECT_TRUE(entries[2].startsWith("error\tAudio output available again after "));
    EXPECT_EQ(entries[3], "start\ta");
    EXPECT_TRUE(ui.messages.isEmpty());

    // Lost under the item on air: the item ends with its error, the next
    // row waits for the output and its start line for the start that works.
    world.outputDown = 2;
    engine->OnTrackError(std::make_unique<CAudioOutputException>(0, "Disconnected"), OnAir()->Serial());
    Tick(COnAirEngine::TimerOutage);
    EXPECT_TRUE(engine->InOutage());
    EXPECT_EQ(entries.mid(4), QStringList({"error\tDisconnected",
                                           "error\tAudio output unavailable (Disconnected): retrying"}));
    Tick(COnAirEngine::TimerOutage);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_EQ(entries.last(), "start\tb");
    EXPECT_TRUE(ui.messages.isEmpty());

    // Lost under the last row: nothing follows and nothing waits; Stop
    // ends a wait.
    world.outputDown = 1;
    engine->OnTrackError(std::make_unique<CAudioOutputException>(0, "Disconnected"), OnAir()->Serial());
    EXPECT_FALSE(engine->InOutage());
    EXPECT_TRUE(engine->IsIdle());
    Play({"/m/a.mp3"});
    EXPECT_TRUE(engine->InOutage());
    engine->OnStop();
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerOutage));

    // Lost under the item fading out (errors not ignored): a line, no box,
    // and the item on air plays on.
    Play({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    engine->OnCommand(Cmd::NextTrack);
    ASSERT_TRUE(Fading());
    engine->OnTrackError(std::make_unique<CAudioOutputException>(0, "Gone"), Fading()->Serial());
    EXPECT_EQ(Fading(), nullptr);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_EQ(entries.last(), "error\tGone");
    EXPECT_TRUE(ui.messages.isEmpty());
}

// A notification acts on the track it came from: a late one of a track that
// left its slot only reports, the fading track's end ends only it. Unusual
// codes are logged; a failure ends the item only when errors are ignored.
TEST_F(EngineTest, NotificationsActOnTheTrackTheyCameFrom)
{
    Play({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"});
    engine->OnCommand(Cmd::NextTrack); // a fades, b on air
    EXPECT_EQ(engine->PreviouslyPlayedText(), "a");
    EXPECT_EQ(engine->OnAirText(), "b");
    const std::uint64_t gone = Fading()->Serial();
    engine->OnMciNotify(MCI_NOTIFY_SUCCESSFUL, gone);
    EXPECT_EQ(Fading(), nullptr);
    engine->OnMciNotify(MCI_NOTIFY_SUCCESSFUL, gone);
    engine->OnTrackError(std::make_unique<CMessageException>(QStringLiteral("late")), gone);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3");
    EXPECT_EQ(entries.last(), "error\tlate");

    entries.clear();
    const std::uint64_t serial = OnAir()->Serial();
    for (int code : {int(MCI_NOTIFY_SUPERSEDED), int(MCI_NOTIFY_ABORTED), 77, int(MCI_NOTIFY_FAILURE)})
        engine->OnMciNotify(code, serial);
    EXPECT_EQ(OnAirPath(), "/m/b.mp3"); // errors not ignored: stays on air
    EXPECT_EQ(entries, QStringList({"error\tOnMciNotify/MCI_NOTIFY_SUPERSEDED", "error\tOnMciNotify/77",
                                    "error\tOnMciNotify/MCI_NOTIFY_FAILURE"}));
    engine->Settings().ignoreErrors = true;
    engine->OnMciNotify(MCI_NOTIFY_FAILURE, serial);
    EXPECT_EQ(OnAirPath(), "/m/c.mp3");
}

// The items of the command line start before the startup timer: the
// hand-over tick must run from that start, or a short first item ends
// before its next start is planned.
TEST_F(EngineTest, AStartBeforeTheStartupTimerRunsTheHandOverTick)
{
    engine->Startup();
    Play({"/m/a.mp3", "/m/b.mp3"});
    ASSERT_EQ(OnAirPath(), "/m/a.mp3");
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerOverlap));
}

// A stored plug-in that is not installed now is named once per start.
TEST_F(EngineTest, StartupNamesAMissingPlugInAndShutdownStopsTheTimers)
{
    CTrackEnvironment::Chain().filters.emplace_back("Gone", "ladspa-uninstalled-so-gone", "state;");
    engine->Startup();
    CTrackEnvironment::Reset();
    EXPECT_EQ(entries, QStringList({"startup", "error\tPlug-in \"Gone\" (ladspa-uninstalled-so-gone) is not "
                                               "installed: it is left out"}));
    engine->OnTimer(COnAirEngine::TimerStartup);
    EXPECT_TRUE(engine->IsTimerArmed(COnAirEngine::TimerOverlap));
    engine->Shutdown(false);
    EXPECT_FALSE(engine->IsTimerArmed(COnAirEngine::TimerOverlap));
    EXPECT_EQ(entries.last(), "shutdown");
    // One that never started (a refused second start) writes nothing.
    MakeEngine();
    engine->Shutdown(false);
    EXPECT_TRUE(entries.isEmpty());
}
