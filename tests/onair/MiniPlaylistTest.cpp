// Mini playlists on fake tracks: how a list is measured, how the engine plays
// one (nested overlaps, "~N" names, the end handed to the next row), failed
// entries with and without IgnoreErrors, command items, Pause.
#include "EngineFixture.h"

#include "media/MiniPlaylistTrack.h"
#include "media/TrackEnvironment.h"
#include "playlist/ListFile.h"
#include "support/TestEnv.h"

#include <QDir>

namespace {

class MiniPlaylistTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        makeTrack = [this](const QString& path) -> std::unique_ptr<CMediaTrack> {
            if (path.endsWith(QLatin1String(".mpl")))
                return std::make_unique<CMiniPlaylistTrack>(
                    [this](const QString&) { return std::make_unique<FakeTrack>(world); });
            return std::make_unique<FakeTrack>(world);
        };
        CTrackEnvironment::SetViewSettings(&engine->Settings());
        CTrackEnvironment::SetShell(&shell);
    }
    void TearDown() override { CTrackEnvironment::Reset(); }

    // Writes name.mpl in the working folder with rows of 10 s each unless
    // lengths says otherwise.
    QString WriteList(const QString& name, const QStringList& rows,
                      const QHash<QString, TrackMs>& lengths = {})
    {
        for (const QString& row : rows)
            world.lengths[row] = lengths.value(row, 10000);
        const QString path = QDir::currentPath() + u'/' + name + QStringLiteral(".mpl");
        WriteListFile(path, rows);
        return path;
    }
    CMiniPlaylistTrack* Mini() const { return static_cast<CMiniPlaylistTrack*>(engine->OnAir()); }
    CMiniPlaylist& Nested() const { return *Mini()->List(); }
    QString NowPlaying() const { return Nested().Current() ? Nested().Current()->GetFileName() : QString(); }
    void SetNestedPosition(TrackMs ms) { static_cast<FakeTrack*>(Nested().Current())->SetPosition(ms); }
};

// Each row counts its length less the overlap it hands over with: the
// default 1 s, "~N" of its name, none after the last row, at most its
// length. Rows that cannot be measured and command items count nothing.
TEST_F(MiniPlaylistTest, EachRowCountsItsLengthLessItsOverlap)
{
    const QString script = TestEnv::WriteFile(QDir::currentPath() + QStringLiteral("/x.sh"), "exit 0\n");
    world.failingOpen.insert(QStringLiteral("/m/broken.wav"));
    struct
    {
        QStringList rows;
        QHash<QString, TrackMs> lengths;
        TrackMs total;
        QList<TrackMs> starts;
    } const cases[] = {
        {{"/m/a.wav", "/m/b.wav", "/m/c.wav"}, {}, 28000, {0, 9000, 18000}},
        {{"/m/a~0.wav", "/m/b.wav", "/m/c.wav"}, {}, 29000, {0, 10000, 19000}},
        {{"/m/a~3.wav", "/m/b.wav", "/m/c~3.wav"}, {}, 26000, {0, 7000, 16000}},
        {{"/m/short.wav", "rel/b.wav"}, {{"/m/short.wav", 500}}, 10000, {0, 0}},
        {{"/m/broken.wav", "/m/b.wav", script}, {}, 9000, {0, 0, 9000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows.join(u' ').toStdString());
        CMiniPlaylistTrack track([this](const QString&) { return std::make_unique<FakeTrack>(world); });
        track.Open(WriteList(QStringLiteral("list"), c.rows, c.lengths), engine.get());
        EXPECT_EQ(track.GetLength(), c.total);
        EXPECT_EQ(track.State(), CMediaTrack::Stopped);
        QStringList paths;
        QList<TrackMs> starts;
        for (const CMiniPlaylistEntry& e : track.Entries()) {
            paths << e.path;
            starts << e.start;
        }
        EXPECT_EQ(paths, c.rows); // relative rows stay as written
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(track.List()->Rows().Selection(), 0);
        track.Close();
        EXPECT_EQ(track.State(), CMediaTrack::Closed);
    }
    EXPECT_TRUE(shell.started.isEmpty()); // measuring runs nothing
    CMiniPlaylistTrack missing;
    EXPECT_THROW(missing.Open(QStringLiteral("/m/none.mpl"), engine.get()), CListFileException);
}

// The next row starts once the one playing is within its overlap of its end
// (the default, or "~3"); "~0" and the last row play to their end. The end
// of the last row ends the mini playlist and the engine starts the next row.
// Pause twice pauses and resumes the row playing.
TEST_F(MiniPlaylistTest, RowsOverlapByTheirNamesAndTheLastHandsOnToTheNextItem)
{
    const QString mpl = WriteList(QStringLiteral("set"),
                                  {"/m/a.wav", "/m/b~0.wav", "/m/c~3.wav", "/m/d.wav"});
    Play({mpl, "/m/next.mp3"});
    ASSERT_NE(Mini(), nullptr);
    EXPECT_EQ(Mini()->GetLength(), 9000 + 10000 + 7000 + 10000);
    EXPECT_EQ(Mini()->State(), CMediaTrack::Playing);
    EXPECT_EQ(NowPlaying(), "/m/a.wav");

    engine->OnPause();
    EXPECT_EQ(Mini()->State(), CMediaTrack::Paused);
    EXPECT_TRUE(Nested().Current()->IsPaused());
    engine->OnPause();
    EXPECT_EQ(Mini()->State(), CMediaTrack::Playing);
    EXPECT_TRUE(Nested().Current()->IsPlaying());

    // row playing | position | overlap check hands over to
    const std::tuple<QString, TrackMs, QString> steps[] = {
        {"/m/a.wav", 8999, "/m/a.wav"},     {"/m/a.wav", 9001, "/m/b~0.wav"},
        {"/m/b~0.wav", 9999, "/m/b~0.wav"}, {"/m/c~3.wav", 6999, "/m/c~3.wav"},
        {"/m/c~3.wav", 7001, "/m/d.wav"},   {"/m/d.wav", 9999, "/m/d.wav"},
    };
    for (const auto& [row, position, after] : steps) {
        SCOPED_TRACE(row.toStdString() + " at " + std::to_string(position));
        if (NowPlaying() != row) // "~0": its end starts the next row
            Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Current()->Serial());
        ASSERT_EQ(NowPlaying(), row);
        SetNestedPosition(position);
        Nested().OverlapCheck();
        EXPECT_EQ(NowPlaying(), after);
    }
    EXPECT_EQ(Mini()->GetPosition(), 26000 + 9999);
    EXPECT_EQ(OnAirPath(), mpl);
    Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Previous()->Serial()); // c plays out
    EXPECT_EQ(Nested().Previous(), nullptr);
    Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Current()->Serial());
    RunPosted();
    EXPECT_EQ(OnAirPath(), "/m/next.mp3");
    EXPECT_EQ(Starts(), QStringList({"set", "next"}));
    EXPECT_TRUE(ui.messages.isEmpty());
}

// A row that cannot be opened: with IgnoreErrors off the engine reports it as
// an error of the mini playlist, which ends and goes no further; with it on
// the row is skipped without a word.
TEST_F(MiniPlaylistTest, AFailedRowIsTheEnginesErrorOrSkipped)
{
    world.failingOpen.insert(QStringLiteral("/m/broken.wav"));
    for (const bool ignore : {false, true}) {
        SCOPED_TRACE(ignore ? "ignored" : "reported");
        engine->Settings().ignoreErrors = ignore;
        ui.messages.clear();
        entries.clear();
        const QString mpl = WriteList(QStringLiteral("faulty"), {"/m/a.wav", "/m/broken.wav", "/m/c.wav"});
        Play({mpl, "/m/next.mp3"});
        Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Current()->Serial());
        EXPECT_EQ(NowPlaying(), ignore ? "/m/c.wav" : "");
        RunPosted();
        EXPECT_EQ(OnAirPath(), ignore ? mpl : "");
        EXPECT_EQ(ui.messages, ignore ? QStringList() : QStringList({"cannot open /m/broken.wav"}));
        EXPECT_EQ(entries.filter(QStringLiteral("error")).size(), ignore ? 0 : 1);
        engine->OnStop();
    }
}

// Command items run one after another, without waiting, through the
// station's shell; a list of only them takes no time and ends at once.
TEST_F(MiniPlaylistTest, CommandItemsRunInOrderAndTheListEndsAtOnce)
{
    QStringList scripts;
    for (const char* name : {"one.sh", "two.sh", "three.sh"})
        scripts << TestEnv::WriteFile(QDir::currentPath() + u'/' + QLatin1String(name), "exit 0\n");
    const QString mpl = WriteList(QStringLiteral("cmds"), scripts);
    Play({mpl, "/m/next.mp3"});
    EXPECT_EQ(Mini()->GetLength(), 0);
    ASSERT_EQ(shell.started.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(shell.started[i], QStringList({"/bin/sh", scripts[i]}));
    RunPosted();
    EXPECT_EQ(OnAirPath(), "/m/next.mp3");
}

} // namespace
