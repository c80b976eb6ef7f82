// The station core as a front end uses it: commands by id through the
// table's layers, the undo step of the engine's shuffle, log entries out.
#include "station/Station.h"
#include "app/CommandTable.h"
#include "onair/EngineFixture.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/AlbumDoc.h"
#include "support/Fakes.h"

namespace {

// The compile-time check itself: a table with a repeated id is caught.
static_assert(HasDuplicateIds(std::array{CommandDef{Cmd::Play}, CommandDef{Cmd::Stop},
                                         CommandDef{Cmd::Play}}));
static_assert(!HasDuplicateIds(std::array{CommandDef{Cmd::Play}, CommandDef{Cmd::Stop}}));

TEST(StationTest, RunsTheDocumentAndEngineLayersAndNothingElse)
{
    FakeTrackWorld world;
    RecordingUi ui;
    RecordingShell shell;
    QStringList sunk;
    CStation station({&ui, &shell, nullptr,
                      [&](const QString&) { return std::make_unique<FakeTrack>(world); }, [] { return 0; },
                      nullptr, [&](const QString& line) { sunk << line.section(u'\t', 1); }});
    ASSERT_TRUE(station.OpenItems({"/nowhere/show.m3u", "/m/a.wav"})); // two items are rows, not an album
    station.Document().ResetUndo(true);
    QStringList entries;
    QObject::connect(&station, &CStation::LogEntry,
                     [&](const QString& line) { entries << line.section(u'\t', 1); });
    station.Startup();
    EXPECT_EQ(station.OnUpdateCommand(Cmd::Play), (CommandState{true, false}));
    EXPECT_TRUE(station.OnCommand(Cmd::Play));
    EXPECT_EQ(station.Engine().OnAir()->GetFileName(), "/nowhere/show.m3u");
    EXPECT_FALSE(station.OnUpdateCommand(Cmd::Undo)->enabled);
    EXPECT_TRUE(station.OnCommand(Cmd::Shuffle)); // an undo step of the album
    EXPECT_TRUE(station.OnUpdateCommand(Cmd::Undo)->enabled);
    for (int id :
         {int(Cmd::EditCut), int(Cmd::Font), int(Cmd::ViewToolBar), int(Cmd::Help), int(Cmd::Options)}) {
        EXPECT_FALSE(station.OnCommand(id)) << id;
        EXPECT_FALSE(station.OnUpdateCommand(id).has_value()) << id;
    }
    station.Shutdown(false);
    station.Shutdown(false); // once only
    EXPECT_EQ(entries, QStringList({"startup", "start\tshow", "shutdown"}));
    EXPECT_EQ(sunk, entries);
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
        RecordingUi ui;
        RecordingShell shell;
        CStation::Options options;
        options.ui = &ui;
        options.shell = &shell;
        CStation station(std::move(options));
        station.LoadSettings();
        EXPECT_EQ(station.Sounds().Slots(), stored.Slots());
        station.Sounds().SetSlot(4, "/j/News.wav");
        station.Shutdown(save);
    }
    hive.Reload();
    CSoundList reloaded;
    reloaded.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()));
    stored.SetSlot(4, "/j/News.wav");
    EXPECT_EQ(reloaded.Slots(), stored.Slots());
}

} // namespace
