// SPDX-License-Identifier: GPL-3.0-or-later
// The station core as a front end uses it: commands by id through the
// table's layers, the undo step of the engine's shuffle, log entries out.
#include "station/Station.h"
#include "app/CommandTable.h"
#include "events/EventList.h"
#include "events/ScheduledEvent.h"
#include "events/Scheduler.h"
#include "media/MiniPlaylistTrack.h"
#include "onair/EngineFixture.h"
#include "playlist/AlbumDoc.h"
#include "station/StationFiles.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The compile-time check itself: a table with a repeated id is caught.
static_assert(HasDuplicateIds(std::array{CommandDef{Cmd::Play}, CommandDef{Cmd::Stop},
                                         CommandDef{Cmd::Play}}));
static_assert(!HasDuplicateIds(std::array{CommandDef{Cmd::Play}, CommandDef{Cmd::Stop}}));

// A station on fake tracks, the recording fakes and a fixed random source;
// its play log's entries (without their time stamps) go to `log`.
struct StationWorld
{
    FakeTrackWorld world;
    RecordingUi ui;
    RecordingShell shell;
    QStringList log;

    std::unique_ptr<CStation> Make(std::optional<bool> resumeAfterRestart = {})
    {
        CStation::Options o;
        o.resumeAfterRestart = resumeAfterRestart;
        o.ui = &ui;
        o.shell = &shell;
        o.createTrack = [this](const QString&) { return std::make_unique<FakeTrack>(world); };
        o.random = [] { return 0; };
        o.logSink = [this](const QString& line) { log << line.section(u'\t', 1); };
        return std::make_unique<CStation>(std::move(o));
    }
};

TEST(StationTest, RunsTheDocumentAndEngineLayersAndNothingElse)
{
    StationWorld w;
    const auto station = w.Make();
    ASSERT_TRUE(station->OpenItems({"/nowhere/show.m3u", "/m/a.wav"})); // two items are rows, not an album
    station->Document().ResetUndo(true);
    QStringList entries;
    QObject::connect(station.get(), &CStation::LogEntry,
                     [&](const QString& line) { entries << line.section(u'\t', 1); });
    station->Startup();
    EXPECT_EQ(station->OnUpdateCommand(Cmd::Play), (CommandState{true, false}));
    EXPECT_EQ((std::tuple{station->OnCommand(Cmd::Play), station->Engine().OnAir()->GetFileName(),
                          station->OnUpdateCommand(Cmd::Undo)->enabled}),
              std::tuple(true, "/nowhere/show.m3u", false));
    EXPECT_TRUE(station->OnCommand(Cmd::Shuffle)); // an undo step of the album
    EXPECT_TRUE(station->OnUpdateCommand(Cmd::Undo)->enabled);
    for (int id :
         {int(Cmd::EditCut), int(Cmd::Font), int(Cmd::ViewToolBar), int(Cmd::Help), int(Cmd::Options)}) {
        EXPECT_FALSE(station->OnCommand(id) || station->OnUpdateCommand(id).has_value()) << id;
    }
    station->Shutdown(false);
    station->Shutdown(false); // once only
    EXPECT_EQ(entries, QStringList({"startup", "start\tshow", "shutdown"}));
    EXPECT_EQ(w.log, entries);
}

// The sound slots come with the settings and go back with a saving shutdown
// only.
TEST(StationTest, KeepsTheSoundSlotsWithTheSettings)
{
    TempHive hive;
    CSoundList stored;
    stored.SetSlot(2, "/j/Station ID.wav");
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    stored.SaveToRegistry(app);
    for (const bool save : {false, true}) {
        StationWorld w;
        const auto station = w.Make();
        station->LoadSettings();
        EXPECT_EQ(station->Sounds().Slots(), stored.Slots());
        station->Sounds().SetSlot(4, "/j/News.wav");
        station->Shutdown(save);
    }
    hive.Reload();
    CSoundList reloaded;
    reloaded.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()));
    stored.SetSlot(4, "/j/News.wav");
    EXPECT_EQ(reloaded.Slots(), stored.Slots());
}

// At each start the station leaves the resume record (where it is) and the
// now-playing file; a stop leaves an idle record, a shutdown marks the
// resume record clean. A now-playing file that cannot be written is no
// message and stops nothing.
TEST(StationTest, AStartLeavesTheResumeRecordAndTheNowPlayingFile)
{
    TempHive hive;
    StationWorld w;
    w.world.lengths = {{"/m/b.wav", 200000}};
    const QString now = TestEnv::MakeTempDir(QStringLiteral("now")) + QStringLiteral("/now/playing.json");
    auto record = [&] {
        QFile json(now);
        return json.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(json.readAll()).object()
                                              : QJsonObject();
    };
    for (const QString& file : {now, QStringLiteral("/proc/lirana-cannot/playing.json")}) {
        auto station = w.Make();
        const QStringList rows{"/m/a.wav", "/m/b.wav", "/m/c.wav"};
        ASSERT_TRUE(station->OpenItems(rows));
        station->LoadSettings();
        station->Engine().Settings().nowPlayingFile = file;
        station->Engine().Settings().fadeOnStop = false;
        station->Engine().SetMode(PlayerMode::Repeat);
        station->Startup();
        station->Playlist().Select(1);
        station->OnCommand(Cmd::Play);
        QCoreApplication::processEvents();
        const auto point = ResumeRecord::Read();
        ASSERT_TRUE(point);
        EXPECT_EQ(std::tuple(point->album, point->rowsDigest, point->row, point->item, point->mode),
                  std::tuple(QString(), ResumePoint::Digest(rows), 1, QStringLiteral("/m/b.wav"),
                             int(PlayerMode::Repeat)));
        if (file == now) {
            const QJsonObject o = record();
            EXPECT_EQ(o.value("state").toString() + u'|' + o.value("title").toString() + u'|' +
                          o.value("path").toString() + u'|' + o.value("next").toString(),
                      QStringLiteral("playing|b|/m/b.wav|c"));
            EXPECT_EQ(o.value("lengthMs").toInt(), 200000);
            EXPECT_TRUE(o.value("startedAt").toString().endsWith(u'Z'));
            station->OnCommand(Cmd::Stop);
            QCoreApplication::processEvents();
            EXPECT_EQ(record().value("state").toString() + record().value("title").toString(), "idle");
            station->OnCommand(Cmd::Play);
            QCoreApplication::processEvents();
            EXPECT_EQ(record().value("state").toString(), "playing");
        }
        station->Shutdown(false);
        EXPECT_TRUE(!point->clean && ResumeRecord::Read().value_or(ResumePoint{}).clean)
            << "marked by the shutdown";
        EXPECT_EQ(record().value("state").toString(), "idle");
        EXPECT_TRUE(w.ui.messages.isEmpty());
    }
}

// The record of a run that did not shut down brings the same rows back on
// the row and in the mode of then, the item from its position; other rows
// start fresh, and the setting off only selects the row. The play log says
// which. Only the row's item plays on.
TEST(StationTest, ComesBackWhereARunThatDidNotShutDownWas)
{
    const QStringList rows{"/m/a.wav", "/m/b.wav", "/m/c.wav"};
    struct
    {
        QStringList openRows;
        bool resumeSetting;
        bool resumed;
        const char* logLine;           // empty: none
        const char* item = "/m/b.wav"; // what the record says was on air
        bool clean = false;            // left by a shutdown
        std::optional<bool> restart{}; // the front end's choice after a clean shutdown
    } const cases[] = {
        // After a clean shutdown: the runner comes back (no error), the
        // console only with "ResumeAfterRestart" (off here).
        {rows, true, true, "resume\tb plays on from 01:05", "/m/b.wav", true, true},
        {rows, true, false, "", "/m/b.wav", true},
        {rows, true, true, "error\tThe last run ended without shutting down: b plays on from 01:05"},
        {rows, false, false, "error\tThe last run ended without shutting down at 01:05 of b"},
        {{"/m/a.wav", "/m/c.wav"}, true, false, ""},
        // A record that names what is not the row's (nor an event's) item
        // starts nothing: the record cannot run a program.
        {rows, true, false, "", "/usr/bin/touch"},
        // An event was on air: its item is in the events list, so it plays on.
        {rows, true, true, "error\tThe last run ended without shutting down: id plays on from 01:05",
         "/ev/id.wav"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logLine);
        TempHive hive;
        ResumePoint point;
        point.rowsDigest = ResumePoint::Digest(rows);
        point.row = 1;
        point.item = c.item;
        point.positionMs = 65400;
        point.mode = int(PlayerMode::Random);
        point.clean = c.clean;
        QString error;
        ASSERT_TRUE(ResumeRecord::Write(point, &error)) << error.toStdString();
        StationWorld w;
        auto station = w.Make(c.restart);
        ASSERT_TRUE(station->OpenItems(c.openRows));
        station->LoadSettings();
        CScheduledEvent event(WallTime{});
        event.fileName = "/ev/id.wav";
        station->Scheduler().Events().Append(event);
        station->Engine().Settings().resumeAfterCrash = c.resumeSetting;
        station->Startup();
        EXPECT_EQ(station->ResumeAfterCrash(false), c.resumed);
        const CMediaTrack* onAir = station->Engine().OnAir();
        EXPECT_EQ(onAir ? onAir->GetFileName() + u'@' + QString::number(onAir->GetPosition()) : QString(),
                  c.resumed ? QString::fromLatin1(c.item) + "@65400" : QString());
        if (c.openRows == rows && *c.logLine) {
            EXPECT_EQ(std::pair(station->Playlist().Selection(), station->Engine().Mode()),
                      std::pair(1, PlayerMode::Random));
        }
        EXPECT_EQ(w.log.filter(QRegularExpression("without shutting down|^resume")),
                  QString(c.logLine).isEmpty() ? QStringList() : QStringList{c.logLine});
        if (!c.resumed) {
            EXPECT_FALSE(ResumeRecord::Read()) << "dropped";
        }
    }
}

// The error rule puts the fallback on in Repeat; the operator's Stop ends it
// and gives the mode back. A restart comes back into it.
TEST(StationTest, TheErrorRuleStartsTheFallbackAndStopEndsIt)
{
    const QString album = TestEnv::WriteFile(TestEnv::MakeTempDir(QStringLiteral("fb")) + "/fb.alb",
                                             "/f/one.wav\n");
    StationWorld w;
    w.world.failingOpen.insert("/m/bad.wav");
    auto station = w.Make();
    ASSERT_TRUE(station->OpenItems(QStringList(COnAirEngine::MaxErrorRun, QStringLiteral("/m/bad.wav"))));
    COnAirEngine& engine = station->Engine();
    std::tie(engine.Settings().fallbackAlbum, engine.Settings().ignoreErrors,
             engine.Settings().fadeOnStop) = std::tuple(album, true, false);
    station->Startup();
    station->OnCommand(Cmd::Play);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(engine.OnAir() ? engine.OnAir()->GetFileName() : "", engine.Mode()),
              std::pair(QStringLiteral("/f/one.wav"), PlayerMode::Repeat));
    // A clean restart in the fallback comes back into it, not to the top of
    // the album that had failed; Stop still gives the mode back.
    static_cast<FakeTrack*>(engine.OnAir())->SetPosition(1500);
    station->Shutdown(false);
    station = w.Make(true);
    ASSERT_TRUE(station->OpenItems(QStringList(COnAirEngine::MaxErrorRun, QStringLiteral("/m/bad.wav"))));
    station->LoadSettings();
    std::tie(station->Engine().Settings().fallbackAlbum,
             station->Engine().Settings().fadeOnStop) = std::tuple(album, false);
    station->Startup();
    ASSERT_TRUE(station->ResumeAfterCrash(false));
    COnAirEngine& again = station->Engine();
    EXPECT_EQ(
        std::tuple(again.OnAir() ? again.OnAir()->GetFileName() : "", again.Mode(), station->InFallback()),
        std::tuple(QStringLiteral("/f/one.wav"), PlayerMode::Repeat, true));
    station->OnCommand(Cmd::Stop);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(w.log.filter(QRegularExpression("^fallback")), again.Mode()),
              std::pair(QStringList({"fallback\t" + album + ": too many errors",
                                     "fallback\t" + album + ": it played at the restart",
                                     "fallback end\t" + album}),
                        PlayerMode::Normal));
}

// A mini playlist that comes back where it was plays on from the entry and
// the place in it that the whole list's position names, past entries that
// take no time; a start from 0 is the first entry from its start.
TEST(StationTest, AMiniPlaylistResumesItsEntryAndPlace)
{
    FakeTrackWorld world;
    world.lengths = {{"/m/a.wav", 10000}, {"/m/b.wav", 20000}, {"/m/c.wav", 5000}};
    const QString list = TestEnv::WriteFile(TestEnv::MakeTempDir(QStringLiteral("mpl")) + "/show.mpl",
                                            "/m/a.wav\n/m/b.wav\n/m/x.sh\n/m/c.wav\n");
    for (const auto& [row, into] : {std::pair(1, 3000), std::pair(3, 500), std::pair(0, 0)}) {
        CMiniPlaylistTrack track([&world](const QString&) { return std::make_unique<FakeTrack>(world); });
        QObject owner;
        track.Open(list, &owner);
        const TrackMs from = track.Entries().at(std::size_t(row)).start + into;
        track.PlayRange(from, track.GetLength());
        ASSERT_TRUE(track.List()->Current());
        EXPECT_EQ(track.List()->Current()->GetFileName() + u'@' + QString::number(track.GetPosition()),
                  track.Entries().at(std::size_t(row)).path + u'@' + QString::number(from));
    }
}

} // namespace
