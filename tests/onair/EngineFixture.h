// SPDX-License-Identifier: GPL-3.0-or-later
// A player engine on fakes: tracks whose position the test sets, the shared
// recording user interface and shell, a document that knows some albums, no
// events, and the play log captured as entry texts (time stamp removed).
#pragma once

#include "app/EngineSeams.h"
#include "media/TrackEvents.h"
#include "media/TrackExceptions.h"
#include "media/TrackWork.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "playlist/Playlist.h"
#include "support/UnitTest.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <chrono>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

class FakeTrack;

// The fake tracks alive and how each path behaves.
struct FakeTrackWorld
{
    QHash<QString, TrackMs> lengths; // default 180000 ms
    std::set<QString> failingOpen;   // Open throws
    std::set<QString> noVolume;      // no volume control
    int outputDown = 0;              // this many next Opens find no audio output
    std::vector<FakeTrack*> alive;   // guarded: a track that may block is closed on a thread of its own
    std::mutex aliveLock;
    QStringList opened;
    // These paths ("*": every path) open off the engine's thread once the gate
    // is open, and sound 120 ms after their start (a follow-on aims 6 ms
    // later); with the gate shut for a second they fail, as a file on a hung
    // network share does.
    std::set<QString> ahead;
    std::atomic<bool> gate = true;
    // Tracks play on the air bus: a start can be planned on another's sample.
    bool bus = false;
};

class FakeTrack : public CMediaTrack
{
public:
    explicit FakeTrack(FakeTrackWorld& world, const QString& path = QString())
        : m_world(world), m_ahead(world.ahead.count(path) || world.ahead.count(QStringLiteral("*")))
    {
        std::lock_guard lock(m_world.aliveLock);
        m_world.alive.push_back(this);
    }
    ~FakeTrack() override
    {
        std::lock_guard lock(m_world.aliveLock);
        std::erase(m_world.alive, this);
    }

    // As a real track: Open is both steps, so a caller that opens at once
    // waits at the gate too.
    void Open(const QString& path, QObject* owner) override
    {
        BeginOpen(path, owner);
        FinishOpen();
    }
    void BeginOpen(const QString& path, QObject* owner) override
    {
        CMediaTrack::Open(path, owner);
        if (m_world.outputDown > 0 && m_world.outputDown--)
            throw CAudioOutputException(0, QStringLiteral("Connection refused"));
        if (m_world.failingOpen.count(path))
            throw CMessageException(QStringLiteral("cannot open %1").arg(path));
        m_length = m_world.lengths.value(path, 180000);
        m_state = Stopped;
        m_world.opened << path;
    }
    bool MayBlock() const override { return m_ahead; }
    void FinishOpen() override
    {
        for (int waited = 0; m_ahead && !m_world.gate; waited += 5) {
            if (waited >= 1000)
                throw CMessageException(QStringLiteral("%1 did not open within 1 s").arg(m_path));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    TrackMs StartLatency() const override { return m_ahead ? 120 : 0; }
    void Play() override { PlayRange(m_position, cued ? cued->second : m_length); }
    void PlayRange(TrackMs from, TrackMs to) override
    {
        m_position = rangeFrom = from;
        rangeTo = to;
        m_state = Playing;
    }
    bool PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore) override
    {
        if (m_world.bus)
            plan = {before.Serial(), positionOfBefore};
        return m_world.bus;
    }
    void CancelPlannedStart() override { plan.reset(); }
    bool CueRange(TrackMs from, TrackMs to) override
    {
        if (m_world.bus)
            cued = {m_position = from, to};
        return m_world.bus;
    }
    void Stop() override { m_state = Stopped; }
    void Pause() override { m_state = Paused; }
    void Resume() override { m_state = Playing; }
    bool IsStopped() const override { return m_state == Stopped; }
    bool IsPaused() const override { return m_state == Paused; }
    bool IsPlaying() const override { return m_state == Playing; }
    TrackMs GetPosition() const override { return m_position; }
    void Seek(TrackMs ms) override { m_position = ms; }
    bool HasVolumeControl() const override { return !m_world.noVolume.count(m_path); }
    void SetVolume(float level) override { m_volume = HasVolumeControl() ? level : m_volume; }
    float GetVolume() const override { return HasVolumeControl() ? m_volume : 0.0f; }

    void SetPosition(TrackMs ms) { m_position = ms; }
    TrackMs rangeFrom = -1;
    TrackMs rangeTo = -1;
    std::optional<std::pair<std::uint64_t, TrackMs>> plan; // PlayAfter's leader and position
    std::optional<std::pair<TrackMs, TrackMs>> cued;       // CueRange's stretch

private:
    FakeTrackWorld& m_world;
    const bool m_ahead;
    int m_state = Closed;
    TrackMs m_position = 0;
    float m_volume = 1.0f;
};

// Opens the albums it knows into the playlist.
struct FakeDocument : DocumentSeam
{
    CPlaylist* playlist = nullptr;
    QHash<QString, QStringList> albums;
    bool modified = true;
    void SetModifiedFlag(bool m) override { modified = m; }
    bool OpenDocumentFile(const QString& path) override
    {
        if (albums.contains(path))
            playlist->Reset(albums.value(path), -1);
        return albums.contains(path);
    }
};

class EngineTest : public ::testing::Test
{
protected:
    // Tracks that may block close on jobs of their own once the engine is
    // gone, and a fake track reaches its world as it closes: the world must
    // outlive them.
    ~EngineTest() override
    {
        engine.reset();
        EXPECT_TRUE(TrackWork::WaitIdle(5000)) << "tracks closing on their own threads outlive the test";
    }
    void SetUp() override
    {
        log.AddSink([this](const QString& line) { entries << line.section(u'\t', 1); });
        document.playlist = &list;
        MakeEngine();
    }

    // Builds the engine on the fakes, with another scheduler or restart seam
    // when given; the log entries start again.
    void MakeEngine(EventSource* eventSource = nullptr, SystemRestart* restart = nullptr)
    {
        engine = std::make_unique<COnAirEngine>(COnAirEngine::Seams{
            &list, &log, &ui, &shell, &document, eventSource ? eventSource : &events,
            [this](const QString& path) -> std::unique_ptr<CMediaTrack> {
                if (makeTrack)
                    return makeTrack(path);
                return std::make_unique<FakeTrack>(world, path);
            },
            [this] { return randomValues.isEmpty() ? 0 : randomValues.takeFirst(); }, restart});
        entries.clear();
    }

    void Load(const QStringList& rows, int selection = 0) { list.Reset(rows, selection); }
    void Play(const QStringList& rows, int selection = 0)
    {
        Load(rows, selection);
        engine->OnPlay();
    }
    FakeTrack* OnAir() const { return static_cast<FakeTrack*>(engine->OnAir()); }
    FakeTrack* Fading() const { return static_cast<FakeTrack*>(engine->Fading()); }
    QString OnAirPath() const { return engine->OnAir() ? engine->OnAir()->GetFileName() : QString(); }
    // One tick of a timer: the overlap check unless another is named.
    void Tick(int timer = COnAirEngine::TimerOverlap) { engine->OnTimer(timer); }
    // The on-air item comes to its natural end.
    void EndOnAir() { engine->OnMciNotify(MCI_NOTIFY_SUCCESSFUL, engine->OnAir()->Serial()); }
    // Runs the posted commands (Play after ".play", cueing).
    void RunPosted() { QCoreApplication::sendPostedEvents(engine.get()); }
    // The names of the items started, in order.
    QStringList Starts() const
    {
        const QRegularExpression start(QStringLiteral("^start\t"));
        return QStringList(entries.filter(start)).replaceInStrings(start, QString());
    }

    CPlaylist list;
    FakeClock clock;
    CPlayLog log{clock};
    QStringList entries;
    RecordingUi ui;
    RecordingShell shell;
    EventSource events;
    FakeDocument document;
    FakeTrackWorld world;
    QList<int> randomValues;              // what each draw returns, then 0
    COnAirEngine::TrackFactory makeTrack; // when set, instead of FakeTrack
    std::unique_ptr<COnAirEngine> engine;
};
