// SPDX-License-Identifier: GPL-3.0-or-later
// An owner QObject that records the track notifications it receives, and
// the fixture of the tests that play real tracks (with the air bus they
// play on and the test media they play).
#pragma once

#include "media/AirBus.h"
#include "media/TrackEnvironment.h"
#include "media/TrackEvents.h"
#include "media/TrackExceptions.h"
#include "support/TestMedia.h"
#include "support/UnitTest.h"

#include <QObject>

class EventRecorder : public QObject
{
public:
    std::vector<std::pair<int, std::uint64_t>> ends;                           // code, sender
    std::vector<std::pair<std::unique_ptr<CException>, std::uint64_t>> errors; // error, sender
    std::vector<int> volumes;

    std::size_t Count() const { return ends.size() + errors.size() + volumes.size(); }
    bool WaitForEnds(size_t n)
    {
        return TestEnv::WaitUntil([&] { return ends.size() >= n; }, 4000);
    }

    bool event(QEvent* e) override
    {
        if (auto* end = dynamic_cast<CMciNotifyEvent*>(e))
            ends.push_back({end->Code(), end->Sender()});
        else if (auto* error = dynamic_cast<CTrackErrorEvent*>(e))
            errors.push_back({error->TakeError(), error->Sender()});
        else if (auto* volume = dynamic_cast<CVolumeRequestEvent*>(e))
            volumes.push_back(volume->Percent());
        else
            return QObject::event(e);
        return true;
    }
};

// Runs the event loop for ms, delivering what tracks post meanwhile.
inline void Spin(int ms)
{
    TestEnv::WaitUntil([] { return false; }, ms);
}

// Tracks play to a real-time fake sink, or to what LIRANA_TEST_AUDIO_SINK
// names (pulsesink with a sound server running); the media-control layer
// and the module player to their paced null outputs.
inline QByteArray RealTimeSink()
{
    const QByteArray chosen = qgetenv("LIRANA_TEST_AUDIO_SINK");
    return chosen.isEmpty() ? QByteArray("fakesink sync=true") : chosen;
}

class TrackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("LIRANA_AUDIO_SINK", RealTimeSink());
        qputenv("LIRANA_WAVE_OUT_DEVICE", "null");
        qputenv("NPMOD32_OUTPUT", "null");
        CTrackEnvironment::Reset();
    }
    void TearDown() override
    {
        CTrackEnvironment::Reset();
        for (const char* name :
             {"LIRANA_AUDIO_SINK", "LIRANA_WAVE_OUT_DEVICE", "NPMOD32_OUTPUT", "LIRANA_CD_DEVICE"})
            qunsetenv(name);
    }

    EventRecorder owner;
};
