// An owner QObject that records the track notifications it receives, and a
// wait that keeps delivering them.
#pragma once

#include "media/TrackEvents.h"
#include "support/TestEnv.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

class EventRecorder : public QObject
{
public:
    struct End { int code; std::uint64_t sender; };
    struct Error { std::unique_ptr<CException> error; std::uint64_t sender; };

    std::vector<End> ends;
    std::vector<Error> errors;
    std::vector<int> volumes;

    std::size_t Count() const { return ends.size() + errors.size() + volumes.size(); }

    bool event(QEvent* e) override
    {
        if (e->type() == TrackEvent::MciNotify) {
            auto* n = static_cast<CMciNotifyEvent*>(e);
            ends.push_back({n->Code(), n->Sender()});
            return true;
        }
        if (e->type() == TrackEvent::Error) {
            auto* n = static_cast<CTrackErrorEvent*>(e);
            errors.push_back({n->TakeError(), n->Sender()});
            return true;
        }
        if (e->type() == TrackEvent::VolumeRequest) {
            volumes.push_back(static_cast<CVolumeRequestEvent*>(e)->Percent());
            return true;
        }
        return QObject::event(e);
    }
};

// Runs the event loop for ms, delivering what tracks post meanwhile.
inline void Spin(int ms)
{
    TestEnv::WaitUntil([] { return false; }, ms);
}
