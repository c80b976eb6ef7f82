// The station core as a front end uses it: commands by id through the
// table's layers, the undo step of the engine's shuffle, log entries out.
#include "app/CommandTable.h"
#include "onair/EngineFixture.h"
#include "playlist/AlbumDoc.h"
#include "station/Station.h"

namespace {

// The compile-time check itself: a table with a repeated id is caught.
static_assert(HasDuplicateIds(std::array{CommandDef{Cmd::Play}, CommandDef{Cmd::Stop}, CommandDef{Cmd::Play}}));
static_assert(!HasDuplicateIds(std::array{CommandDef{Cmd::Play}, CommandDef{Cmd::Stop}}));

struct StationTest : ::testing::Test
{
    FakeTrackWorld world;
    FakeClock clock;
    RecordingUi ui;
    RecordingShell shell;
    QStringList sunk;
    std::unique_ptr<CStation> station;

    void SetUp() override
    {
        CStation::Options options;
        options.ui = &ui;
        options.shell = &shell;
        options.clock = &clock;
        options.createTrack = [this](const QString&) { return std::make_unique<FakeTrack>(world); };
        options.random = [] { return 0; };
        options.logSink = [this](const QString& line) { sunk << line.section(u'\t', 1, -1); };
        station = std::make_unique<CStation>(std::move(options));
    }
};

TEST_F(StationTest, RunsTheDocumentAndEngineLayersAndNothingElse)
{
    ASSERT_TRUE(station->OpenItems({"/m/a.wav", "/m/b.wav"}));
    station->Document().ResetUndo(true);
    QStringList entries;
    QObject::connect(station.get(), &CStation::LogEntry,
                     [&](const QString& line) { entries << line.section(u'\t', 1, -1); });
    station->Startup();
    EXPECT_EQ(station->OnUpdateCommand(Cmd::Play), (CommandState{true, false}));
    EXPECT_TRUE(station->OnCommand(Cmd::Play));
    EXPECT_EQ(station->Engine().OnAir()->GetFileName(), "/m/a.wav");
    EXPECT_TRUE(station->OnUpdateCommand(Cmd::Play)->checked);
    EXPECT_TRUE(station->OnUpdateCommand(Cmd::FileNew)->enabled);
    EXPECT_FALSE(station->OnUpdateCommand(Cmd::Undo)->enabled);
    // The engine's shuffle is an undo step of the album.
    EXPECT_TRUE(station->OnCommand(Cmd::Shuffle));
    EXPECT_TRUE(station->OnUpdateCommand(Cmd::Undo)->enabled);
    for (int id : {int(Cmd::EditCut), int(Cmd::Font), int(Cmd::ViewToolBar), int(Cmd::Help), int(Cmd::Options)}) {
        EXPECT_FALSE(station->OnCommand(id)) << id;
        EXPECT_FALSE(station->OnUpdateCommand(id).has_value()) << id;
    }
    station->Shutdown(false);
    station->Shutdown(false); // once only
    EXPECT_EQ(entries, QStringList({"startup", "start\ta", "shutdown"}));
    EXPECT_EQ(sunk, entries);
}

TEST_F(StationTest, OneListFileIsTheAlbumAndNothingToPlayEndsAtOnce)
{
    EXPECT_FALSE(station->OpenItems({"/nowhere/show.m3u"}));
    EXPECT_FALSE(ui.messages.isEmpty());
    ASSERT_TRUE(station->OpenItems({}));
    EXPECT_TRUE(station->HasNothingToPlay());
    ASSERT_TRUE(station->OpenItems({"/nowhere/show.m3u", "/m/a.wav"})); // two items are rows
    EXPECT_EQ(station->Playlist().Count(), 2);
    EXPECT_EQ(station->Playlist().Selection(), 0);
    EXPECT_FALSE(station->HasNothingToPlay());
}

} // namespace
