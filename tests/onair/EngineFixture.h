// A player engine on fakes: tracks whose position the test sets, a recording
// user interface, shell, scheduler and document, and the play log captured
// as entry texts (time stamp removed).
#pragma once

#include "app/EngineSeams.h"
#include "app/UserInterface.h"
#include "media/TrackEvents.h"
#include "media/TrackExceptions.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/Shell.h"
#include "platform/SystemRestart.h"
#include "playlist/Playlist.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHash>
#include <deque>
#include <set>

class FakeTrack;

// Keeps track of the fake tracks alive and how each path behaves.
struct FakeTrackWorld
{
    QHash<QString, TrackMs> lengths;       // default 180000 ms
    std::set<QString> failingOpen;         // Open throws
    std::set<QString> noVolume;            // GetVolume 0, SetVolume ignored
    int outputDown = 0;                    // this many next Opens find no audio output
    std::vector<FakeTrack*> alive;
    QStringList opened;
    int created = 0;
};

class FakeTrack : public CMediaTrack
{
public:
    explicit FakeTrack(FakeTrackWorld& world) : m_world(world)
    {
        ++m_world.created;
        m_world.alive.push_back(this);
    }
    ~FakeTrack() override
    {
        std::erase(m_world.alive, this);
    }

    void Open(const QString& path, QObject* owner) override
    {
        CMediaTrack::Open(path, owner);
        if (m_world.outputDown > 0 && m_world.outputDown--)
            throw CAudioOutputException(0, QStringLiteral("Connection refused"));
        if (m_world.failingOpen.count(path))
            throw CMessageException(QStringLiteral("cannot open %1").arg(path));
        m_length = m_world.lengths.value(path, 180000);
        m_hasVolume = !m_world.noVolume.count(path);
        m_state = Stopped;
        m_world.opened << path;
    }
    void Play() override { PlayRange(m_position, m_length); }
    void PlayRange(TrackMs from, TrackMs to) override
    {
        m_position = from;
        rangeFrom = from;
        rangeTo = to;
        m_state = Playing;
    }
    void Stop() override { m_state = Stopped; }
    void Pause() override { m_state = Paused; }
    void Resume() override { m_state = Playing; }
    bool IsStopped() const override { return m_state == Stopped; }
    bool IsPaused() const override { return m_state == Paused; }
    bool IsPlaying() const override { return m_state == Playing; }
    TrackMs GetPosition() const override { return m_position; }
    void Seek(TrackMs ms) override { m_position = ms; }
    bool HasVolumeControl() const override { return m_hasVolume; }
    void SetVolume(float level) override
    {
        if (m_hasVolume)
            m_volume = level;
    }
    float GetVolume() const override { return m_hasVolume ? m_volume : 0.0f; }

    void SetPosition(TrackMs ms) { m_position = ms; }
    TrackMs rangeFrom = -1;
    TrackMs rangeTo = -1;

private:
    FakeTrackWorld& m_world;
    int m_state = Closed;
    TrackMs m_position = 0;
    bool m_hasVolume = true;
    float m_volume = 1.0f;
};

struct FakeEvents : EventSource
{
    std::deque<QString> exact, waiting;
    int resets = 0;
    void ResetToNow() override { ++resets; }
    std::optional<QString> TakeDueEvent(bool isExact) override
    {
        auto& queue = isExact ? exact : waiting;
        if (queue.empty())
            return std::nullopt;
        QString file = queue.front();
        queue.pop_front();
        return file;
    }
};

struct FakeDocument : DocumentSeam
{
    CPlaylist* playlist = nullptr;
    QHash<QString, QStringList> albums;
    QStringList opened;
    bool modified = true;
    void SetModifiedFlag(bool m) override { modified = m; }
    bool OpenDocumentFile(const QString& path) override
    {
        opened << path;
        if (!albums.contains(path))
            return false;
        playlist->Reset(albums.value(path), -1);
        return true;
    }
};

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        log.AddSink([this](const QString& line) { entries << line.section(u'\t', 1); });
        document.playlist = &list;
        MakeEngine();
    }

    // Builds the engine on the fakes; a test may bring its own scheduler
    // or restart seam.
    void MakeEngine(EventSource* eventSource = nullptr, SystemRestart* restart = nullptr)
    {
        COnAirEngine::Seams seams;
        seams.playlist = &list;
        seams.log = &log;
        seams.ui = &ui;
        seams.shell = &shell;
        seams.document = &document;
        seams.events = eventSource ? eventSource : &events;
        seams.restart = restart;
        seams.createTrack = [this](const QString&) { return std::make_unique<FakeTrack>(world); };
        seams.random = [this] { return randomValues.empty() ? 0 : NextRandom(); };
        engine = std::make_unique<COnAirEngine>(std::move(seams));
    }

    int NextRandom()
    {
        const int v = randomValues.front();
        randomValues.pop_front();
        return v;
    }

    void Load(const QStringList& rows, int selection = 0) { list.Reset(rows, selection); }
    FakeTrack* OnAir() const { return static_cast<FakeTrack*>(engine->OnAir()); }
    FakeTrack* Fading() const { return static_cast<FakeTrack*>(engine->Fading()); }
    QString OnAirPath() const { return engine->OnAir() ? engine->OnAir()->GetFileName() : QString(); }
    // The on-air item comes to its natural end.
    void EndOnAir() { engine->OnMciNotify(MCI_NOTIFY_SUCCESSFUL, engine->OnAir()->Serial()); }
    // Runs the posted commands (Play after ".play", cueing).
    void RunPosted() { QCoreApplication::sendPostedEvents(engine.get()); }
    QStringList Starts() const
    {
        QStringList out;
        for (const QString& e : entries)
            if (e.startsWith(QLatin1String("start\t")))
                out << e.mid(6);
        return out;
    }

    CPlaylist list;
    FakeClock clock;
    CPlayLog log{clock};
    QStringList entries;
    RecordingUi ui;
    RecordingShell shell;
    FakeEvents events;
    FakeDocument document;
    FakeTrackWorld world;
    std::deque<int> randomValues;
    std::unique_ptr<COnAirEngine> engine;
};
