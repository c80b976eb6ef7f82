// SPDX-License-Identifier: GPL-3.0-or-later
// Mini playlists on fake tracks: how a list is measured, how the engine plays
// one (nested overlaps, "~N" names, the end handed to the next row), failed
// entries with and without IgnoreErrors, command items, Pause.
#include "EngineFixture.h"

#include "media/MiniPlaylistTrack.h"
#include "media/TrackEnvironment.h"
#include "playlist/ListFile.h"

namespace {

class MiniPlaylistTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        makeTrack = [this](const QString& path) { return Make(path); };
        CTrackEnvironment::SetViewSettings(&engine->Settings());
        CTrackEnvironment::SetShell(&shell);
        world.failingOpen.insert(QStringLiteral("/m/broken.wav"));
    }
    void TearDown() override { CTrackEnvironment::Reset(); }
    // Mini playlists of fake tracks.
    std::unique_ptr<CMediaTrack> Make(const QString& path)
    {
        if (path.endsWith(QLatin1String(".mpl")))
            return std::make_unique<CMiniPlaylistTrack>([this](const QString& p) { return Make(p); });
        return std::make_unique<FakeTrack>(world, path);
    }

    // Writes name.mpl in the working folder; rows of 10 s unless set.
    QString WriteList(const QString& name, const QStringList& rows)
    {
        for (const QString& row : rows)
            world.lengths[row] = world.lengths.value(row, 10000);
        const QString path = QDir::currentPath() + u'/' + name + QStringLiteral(".mpl");
        WriteListFile(path, rows);
        return path;
    }
    // The list opens on a job (it measures its rows) and plays once it is
    // open; what it posts meanwhile waits for the test.
    void PlayList(const QStringList& rows)
    {
        Play(rows);
        for (int waited = 0; engine->IsOpening() && waited < 5000; waited += 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            QCoreApplication::sendPostedEvents(engine.get(), CTrackOpenedEvent::Kind);
        }
        ASSERT_FALSE(engine->IsOpening());
    }
    CMiniPlaylistTrack* Mini() const { return static_cast<CMiniPlaylistTrack*>(engine->OnAir()); }
    CMiniPlaylist& Nested() const { return *Mini()->List(); }
    QString NowPlaying() const { return Nested().Current() ? Nested().Current()->GetFileName() : QString(); }

    const QString x = TestEnv::WriteFile(QDir::currentPath() + QStringLiteral("/x.sh"), "exit 0\n");
    const QString y = TestEnv::WriteFile(QDir::currentPath() + QStringLiteral("/y.sh"), "exit 0\n");
};

// Each row counts its length less the overlap it hands over with: the
// default 1 s, "~N" of its name, none for the last row that sounds (command
// items and failing rows after it take nothing over), at most its length.
// Rows that cannot be measured and command items count nothing.
TEST_F(MiniPlaylistTest, EachRowCountsItsLengthLessItsOverlap)
{
    world.lengths["/m/short.wav"] = 500;
    // rows | total | where each starts
    const std::tuple<QStringList, TrackMs, QList<TrackMs>> cases[] = {
        {{"/m/a.wav", "/m/b.wav", "/m/c.wav"}, 28000, {0, 9000, 18000}},
        {{"/m/a~0.wav", "/m/b.wav", "/m/c.wav"}, 29000, {0, 10000, 19000}},
        {{"/m/a~3.wav", "/m/b.wav", "/m/c~3.wav"}, 26000, {0, 7000, 16000}},
        {{"/m/short.wav", "rel/b.wav"}, 10000, {0, 0}},
        {{"/m/broken.wav", "/m/b.wav", x}, 10000, {0, 0, 10000}},
        {{"/m/a.wav", "/m/b.wav", "/m/broken.wav", y}, 19000, {0, 9000, 19000, 19000}}};
    for (const auto& [rows, total, entryStarts] : cases) {
        SCOPED_TRACE(rows.join(u' ').toStdString());
        CMiniPlaylistTrack track([this](const QString& p) { return Make(p); });
        track.Open(WriteList(QStringLiteral("list"), rows), engine.get());
        EXPECT_EQ(track.GetLength(), total);
        QStringList paths;
        QList<TrackMs> starts;
        for (const CMiniPlaylistEntry& e : track.Entries()) {
            paths << e.path;
            starts << e.start;
        }
        EXPECT_EQ(paths, rows); // relative rows stay as written
        EXPECT_EQ(starts, entryStarts);
        EXPECT_EQ(track.List()->Rows().Selection(), 0);
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
    PlayList({mpl, "/m/next.mp3"});
    ASSERT_NE(Mini(), nullptr);
    EXPECT_EQ(Mini()->GetLength(), 9000 + 10000 + 7000 + 10000);

    engine->OnPause();
    EXPECT_TRUE(Mini()->State() == CMediaTrack::Paused && Nested().Current()->IsPaused());
    engine->OnPause();
    EXPECT_TRUE(Mini()->State() == CMediaTrack::Playing && Nested().Current()->IsPlaying());
    Mini()->SetVolume(0.5f); // faded: each entry that starts comes in at that level

    // row playing | position | overlap check hands over to
    const std::tuple<QString, TrackMs, QString> steps[] = {
        {"/m/a.wav", 8999, "/m/a.wav"},     {"/m/a.wav", 9001, "/m/b~0.wav"},
        {"/m/b~0.wav", 9999, "/m/b~0.wav"}, {"/m/c~3.wav", 6999, "/m/c~3.wav"},
        {"/m/c~3.wav", 7001, "/m/d.wav"},   {"/m/d.wav", 9999, "/m/d.wav"}};
    for (const auto& [row, position, after] : steps) {
        SCOPED_TRACE(row.toStdString() + " at " + std::to_string(position));
        if (NowPlaying() != row) // "~0": its end starts the next row
            Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Current()->Serial());
        ASSERT_EQ(NowPlaying(), row);
        static_cast<FakeTrack*>(Nested().Current())->SetPosition(position);
        Nested().OverlapCheck();
        EXPECT_EQ(NowPlaying(), after);
    }
    EXPECT_EQ(Mini()->GetPosition(), 26000 + 9999);
    EXPECT_FLOAT_EQ(Nested().Current()->GetVolume(), 0.5f);
    Nested().OnTrackError(std::make_unique<CMessageException>(QStringLiteral("late")), 0); // from no row
    Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Previous()->Serial());            // c plays out
    EXPECT_EQ(Nested().Previous(), nullptr);
    Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Current()->Serial());
    RunPosted();
    EXPECT_EQ(OnAirPath(), "/m/next.mp3");
    EXPECT_EQ(Starts(), QStringList({"set", "a", "b~0", "c~3", "d", "next"})); // the list, then each entry
}

// Command items run at once, in order, through the station's shell, and the
// list goes on; a list of only them ends at once. A row that cannot be
// opened: with IgnoreErrors off the engine reports it as an error of the mini
// playlist, which ends there; with it on the row is skipped without a word.
TEST_F(MiniPlaylistTest, CommandItemsRunAtOnceAndAFailedRowIsTheEnginesErrorOrSkipped)
{
    const QStringList broken = {x, "/m/broken.wav", y, "/m/c.wav"};
    // rows | IgnoreErrors | scripts run | row playing | on air once the posted events ran
    const std::tuple<QStringList, bool, QStringList, QString, QString> cases[] = {
        {broken, false, {x}, "", ""},
        {broken, true, {x, y}, "/m/c.wav", "list"},
        {{x, y}, false, {x, y}, "", "/m/next.mp3"}};
    for (const auto& [rows, ignore, run, playing, onAir] : cases) {
        SCOPED_TRACE(rows.size() * 10 + ignore);
        engine->Settings().ignoreErrors = ignore;
        shell.started.clear(), ui.messages.clear(), entries.clear();
        const QString mpl = WriteList(QStringLiteral("list"), rows);
        PlayList({mpl, "/m/next.mp3"});
        QStringList scripts;
        for (const QStringList& started : shell.started)
            scripts << started.value(1);
        EXPECT_EQ(scripts, run);
        EXPECT_EQ(NowPlaying(), playing);
        RunPosted();
        EXPECT_EQ(OnAirPath(), onAir == "list" ? mpl : onAir);
        // The failed row's error line, also when skipped; its box only when not.
        const bool fails = rows == broken;
        EXPECT_EQ(ui.LastMessage(), fails && !ignore ? "cannot open /m/broken.wav" : "");
        EXPECT_EQ(entries.filter(QRegularExpression("^error\t")),
                  QStringList(int(fails), "error\tcannot open /m/broken.wav"));
        engine->OnStop();
    }
}

// The last row that sounds plays to its end, whatever follows it: a command
// item or a row that fails would take nothing over from its last second.
TEST_F(MiniPlaylistTest, TheLastRowThatSoundsPlaysToItsEnd)
{
    engine->Settings().ignoreErrors = true;
    for (const QString& tail : {x, QStringLiteral("/m/broken.wav")}) {
        SCOPED_TRACE(tail.toStdString());
        PlayList({WriteList(QStringLiteral("tail"), {"/m/a.wav", tail}), "/m/next.mp3"});
        static_cast<FakeTrack*>(Nested().Current())->SetPosition(9500);
        Nested().OverlapCheck();
        EXPECT_EQ(NowPlaying(), "/m/a.wav");
        EXPECT_EQ(Mini()->GetLength(), 10000);
        engine->OnStop();
    }
}

// An entry whose opening waits (a stream that never answers, a hung share)
// opens on a job, and so does the list's own measuring: the engine's thread
// goes on, and each entry plays once it is open.
TEST_F(MiniPlaylistTest, EntriesThatWaitToOpenNeverHoldTheEngine)
{
    world.ahead = {"/m/slow.wav", "/m/later.wav"};
    const QString mpl = WriteList(QStringLiteral("waits"), {"/m/slow.wav", "/m/later.wav"});
    world.gate = false;
    Play({mpl});
    EXPECT_EQ(engine->OnAir(), nullptr); // still measuring
    world.gate = true;
    ASSERT_TRUE(TestEnv::WaitUntil([this] { return Mini() && NowPlaying() == "/m/slow.wav"; }, 5000));
    EXPECT_EQ(Mini()->GetLength(), 19000);

    world.gate = false;
    Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Current()->Serial());
    EXPECT_EQ(Nested().Current(), nullptr); // opening
    EXPECT_EQ(Mini()->GetPosition(), 9000);
    engine->OnPause(); // paused while it opens: it comes paused
    world.gate = true;
    ASSERT_TRUE(TestEnv::WaitUntil([this] { return NowPlaying() == "/m/later.wav"; }, 5000));
    EXPECT_TRUE(Nested().Current()->IsPaused());
    EXPECT_EQ(Starts(), QStringList({"waits", "slow", "later"}));
}

// A list inside itself, or inside a list it contains: the row that would
// close the circle is an error of that row alone, measured as nothing and
// skipped with IgnoreErrors, so every other row plays once.
TEST_F(MiniPlaylistTest, AListInsideItselfIsAnErrorOfThatRowAlone)
{
    const QString self = QDir::currentPath() + QStringLiteral("/self.mpl");
    WriteList(QStringLiteral("other"), {"/m/o.wav", self});
    WriteList(QStringLiteral("self"), {"/m/a.wav", self, QDir::currentPath() + QStringLiteral("/other.mpl")});
    CMiniPlaylistTrack track([this](const QString& p) { return Make(p); });
    track.Open(self, engine.get());
    EXPECT_EQ(track.GetLength(), 9000 + 0 + 10000); // a, itself, other (o to its end: self again is nothing)
    CMiniPlaylistTrack inner([this](const QString& p) { return Make(p); });
    inner.NestIn(track);
    try {
        inner.Open(self, nullptr);
        ADD_FAILURE() << "opened inside itself";
    } catch (const CTrackException& e) {
        EXPECT_EQ(e.GetErrorMessage(), "The mini playlist self.mpl is inside itself");
    }

    engine->Settings().ignoreErrors = true;
    PlayList({self});
    QStringList played;
    for (int i = 0; i < 5 && Mini() && Nested().Current(); ++i) {
        played << QFileInfo(NowPlaying()).fileName();
        Nested().OnMciNotify(MCI_NOTIFY_SUCCESSFUL, Nested().Current()->Serial());
        TestEnv::WaitUntil([this] { return !Mini() || Nested().Current(); }, 2000); // a list opens on a job
    }
    EXPECT_EQ(played, QStringList({"a.wav", "other.mpl"}));
}

} // namespace
