// SPDX-License-Identifier: GPL-3.0-or-later
// CMediaTrack: the contract every playback technology fulfils. The engine,
// the mini playlist and the sound windows create a track with CreateTrack,
// Open it with themselves as owner, drive it through these operations on the
// user-interface thread, and learn of its end and of asynchronous errors from
// events posted to the owner (TrackEvents.h).
//
// Times are signed 32-bit milliseconds; volume levels are floats where 1.0 is
// the level the track found when opened and 0.0 is silence.
// Operations throw CException subclasses (CTrackException for most track
// errors); the destructor closes the track and swallows any error.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class QObject;
class CAirInput;
class CException;
class CTrackNotifier;

using TrackMs = std::int32_t;

class CMediaTrack
{
public:
    // State convention of the tracks that keep their own state.
    enum State : int { Closed = 0, Stopped = 1, Paused = 2, Playing = 3 };

    CMediaTrack();
    virtual ~CMediaTrack();
    CMediaTrack(const CMediaTrack&) = delete;
    CMediaTrack& operator=(const CMediaTrack&) = delete;

    // Stores path and owner; every override calls the base first.
    virtual void Open(const QString& path, QObject* owner);
    // Opening in two steps, for a caller that must not wait: BeginOpen does
    // the quick part on the caller's thread (settings, building), FinishOpen
    // the part that may wait (reading the file, a preroll, a length scan) on
    // any thread, with no other call on the track meanwhile; an error of
    // either closes the track and passes to the caller. Open is both in one.
    // By default all of it happens in BeginOpen.
    virtual void BeginOpen(const QString& path, QObject* owner) { Open(path, owner); }
    virtual void FinishOpen() {}
    // True when FinishOpen may wait (for a file, a network share, a sound
    // server): an owner that must not wait runs it on another thread.
    virtual bool MayBlock() const { return false; }
    // True when Close may wait; a track whose opening may wait but whose
    // closing must stay on the owner's thread (it holds the owner's objects)
    // says false.
    virtual bool CloseMayBlock() const { return MayBlock(); }
    // False when opening path before its turn would disturb what plays now
    // (it opens when due, and its start is not planned).
    virtual bool MayOpenEarly(const QString& /*path*/) const { return true; }
    // How long after Play the first sound of an open track is heard: an
    // owner that starts it on a schedule starts it this much earlier.
    virtual TrackMs StartLatency() const { return 0; }
    // Stops all delivery to the owner at once, ahead of a Close that may run
    // later on another thread.
    void DetachOwner();
    // Gives a track begun without an owner its owner, once FinishOpen has
    // returned, on the owner's thread.
    void AttachOwner(QObject* owner);
    // Detaches the owner: no notification is posted after Close.
    virtual void Close();
    // Plays from the current position to the end (or the end mark of a
    // previous PlayRange).
    virtual void Play() = 0;
    virtual void PlayRange(TrackMs fromMs, TrackMs toMs) = 0;
    // Plans this prepared track's start on the station's air bus: on the
    // sample after the last of `before` (positionOfBefore < 0), or on the
    // sample where `before` reaches positionOfBefore ms. False when the two
    // cannot (not both on the bus): the caller starts it with Play when the
    // time comes. Play before the planned sample starts it at once; the plan
    // is dropped when `before` is paused, sought, stopped or closed first.
    virtual bool PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore = -1)
    {
        (void)before;
        (void)positionOfBefore;
        return false;
    }
    // Takes back a start PlayAfter planned and the bus has not made.
    virtual void CancelPlannedStart() {}
    // Sets a prepared track that does not play yet to play fromMs..toMs
    // when it starts: a start PlayAfter plans then begins at fromMs, and
    // Play plays the stretch. False when the track cannot: the caller plans
    // nothing and starts it with PlayRange when it is due.
    virtual bool CueRange(TrackMs fromMs, TrackMs toMs)
    {
        (void)fromMs;
        (void)toMs;
        return false;
    }
    // The air bus input the track plays into now; null when it has none (it
    // does not play, or not on the bus). Another track plans its start
    // against it.
    virtual std::shared_ptr<CAirInput> AirInput() const { return {}; }
    // Where in this track its AirInput's position 0 lies (an entry of a
    // list starts later than the list).
    virtual TrackMs AirInputStart() const { return 0; }
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual bool IsStopped() const = 0;
    virtual bool IsPaused() const = 0;
    virtual bool IsPlaying() const = 0;
    virtual TrackMs GetPosition() const = 0;
    virtual TrackMs GetLength() const { return m_length; }
    virtual void Seek(TrackMs ms) = 0;
    const QString& GetFileName() const { return m_path; }
    // Opens the back-end's own settings, if it has any.
    virtual void Configure(QObject* parent);
    virtual bool HasVolumeControl() const { return false; }
    virtual void SetVolume(float level);
    virtual float GetVolume() const { return 0.0f; }
    // Open, GetLength, Close. An error of Open or GetLength passes to the
    // caller and then Close is not called (the destructor closes).
    TrackMs QueryLength(const QString& path, QObject* owner);

    // Unique for the life of the process; identifies the sender of events.
    std::uint64_t Serial() const { return m_serial; }
    QObject* Owner() const { return m_owner; }

    // A start planned on another track's input: after its last frame, or
    // where it has taken `frame` frames. Holds no track: it can be applied
    // later, on another thread, to an input made then.
    struct StartPlan
    {
        std::shared_ptr<CAirInput> leader;
        std::uint64_t frame = ~std::uint64_t{0}; // ~0: after its last
        // False when the two are not inputs of one bus, or input started.
        bool ApplyTo(CAirInput& input) const;
    };
    // The plan for a start after `before` (positionOfBefore < 0) or with it
    // at positionOfBefore; none when `before` has no input or the position
    // lies before its input begins.
    static std::optional<StartPlan> PlanAfter(const CMediaTrack& before, TrackMs positionOfBefore);

protected:
    // What every PlayAfter does with the input it plays into: PlanAfter,
    // applied to it. False when there is no plan or it does not apply.
    static bool PlanStart(CAirInput& input, const CMediaTrack& before, TrackMs positionOfBefore);

    // Thread-safe posting to the owner; a worker thread keeps Notifier()
    // and may post through it after the track is gone: nothing is delivered
    // after Close.
    const std::shared_ptr<CTrackNotifier>& Notifier() const { return m_notifier; }
    void PostEnd(int code = 1) const;
    void PostError(const CException& error) const;

    QString m_path;
    QObject* m_owner = nullptr;
    TrackMs m_length = 0;

private:
    std::uint64_t m_serial;
    std::shared_ptr<CTrackNotifier> m_notifier;
};

// Posts a track's notifications to its owner from any thread. Detach() stops
// all further delivery; posting and detaching are serialised. The owner must
// outlive its attachment: an owner closes or deletes its tracks before it
// goes away. Events already posted may still arrive after Detach; receivers
// match them by serial number.
class CTrackNotifier
{
public:
    explicit CTrackNotifier(std::uint64_t serial) : m_serial(serial) {}
    void Attach(QObject* owner);
    void Detach();
    void PostEnd(int code) const;
    void PostError(std::unique_ptr<CException> error) const;
    void PostVolumeRequest(int percent) const;

private:
    std::uint64_t m_serial;
    mutable std::mutex m_mutex;
    QObject* m_owner = nullptr;
};
