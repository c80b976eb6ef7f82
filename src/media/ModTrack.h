// SPDX-License-Identifier: GPL-3.0-or-later
// CModTrack: a tracker module (.MOD .S3M .XM .669 .STM .NST .IT .MDZ .ITZ)
// played by the module player library (CModLibrary, libnpmod32.so). The
// player counts in tenths of a second; the track converts to ms, so its
// positions are multiples of 100 ms, except while paused, when it answers
// the position it was paused or sought at.
//
// The player renders into an input of the station's air bus that the track
// lends it as its output (ModPlug_SetOutput), from Open on, silently ahead
// of the air; Play, Pause and Stop start and hold the input, a seek flushes
// it, the level is its gain. Its position is the bus's: what the player
// wrote less what the input still holds. A library without the entry point
// plays on its own output, driven by Play and Stop as before.
//
// After Open the track is paused at 0 (IsPaused and IsStopped both true) and
// its end watch runs: a worker that every 100 ms compares the position with
// the length less 100 ms, or with the end mark of PlayRange, and once there
// posts the end notification 200 ms later, unless Stop came first. When a
// playing module brings the bus nothing for 2 s (the input's stall), or on
// its own output its position stands still for StallMs (the output stopped
// taking sound), error -1306 is posted instead and the watch ends. The watch runs once
// per Open: after Stop, or after its notification, the track plays on
// without one. It holds only shared state (the player
// handle, the flags), never the track, and the player is destroyed once both
// are done with it. All calls come from the owner's thread.
#pragma once

#include "media/MediaTrack.h"
#include "media/TrackExceptions.h"

#include <memory>

class CAirInput;
class CModLibrary;
class CTrackThread;

// Codes -1301 (the player cannot be made), -1302 (no such file), -1303 (no
// player library), -1304 (the player cannot read the file), -1305 (no
// regular file), -1306 (the output stalled while playing); any other code is
// an unknown error. With a file name the
// text ends with it in parentheses, as every open error of an item does.
class CModException : public CExceptionImpl<CModException, CTrackException>
{
public:
    explicit CModException(int code, QString fileName = QString())
        : CExceptionImpl(QString()), m_code(code), m_fileName(std::move(fileName))
    {
    }
    int Code() const { return m_code; }
    QString GetErrorMessage() const override;

private:
    int m_code;
    QString m_fileName;
};

class CModTrack : public CMediaTrack
{
public:
    // Plays through the program's binding (CModLibrary::Instance()).
    CModTrack();
    // Plays through library, which must outlive the track.
    explicit CModTrack(const CModLibrary& library);
    ~CModTrack() override;

    // Throws CModException -1302 when path does not exist, -1305 when it is
    // no regular file (a pipe, a device, a folder: nothing opens it), -1303
    // when the library is absent, -1301 when it cannot make a player, -1304
    // when the player cannot load the file; each names the file. A module
    // whose length the player gives as 0 counts as 60 s.
    void Open(const QString& path, QObject* owner) override;
    // Stops a playing module, ends the end watch (at most 2 s) and lets the
    // player go; then detaches the owner like every track.
    void Close() override;
    void Play() override;
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    // On the bus only, after a file track's or a module's input.
    bool PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore = -1) override;
    void CancelPlannedStart() override;
    std::shared_ptr<CAirInput> AirInput() const override;
    // Only while the player plays (not while paused).
    void Stop() override;
    void Pause() override;
    void Resume() override;
    bool IsStopped() const override;
    bool IsPaused() const override;
    bool IsPlaying() const override;
    TrackMs GetPosition() const override;
    // Clamped to 0..length-1; the player moves to ms / 100 tenths.
    void Seek(TrackMs ms) override;
    bool HasVolumeControl() const override { return true; }
    // level x 100 (truncated) of 0..100: the input's gain on the bus, else
    // the player's own level.
    void SetVolume(float level) override;
    float GetVolume() const override;

    static constexpr TrackMs UnknownLengthMs = 60000;
    static constexpr int WatchTickMs = 100;
    static constexpr int EndLeadMs = 100;
    static constexpr int EndDelayMs = 200;
    static constexpr int CloseWaitMs = 2000;
    static constexpr int StallMs = 2000;

private:
    struct Shared;
    void GiveBusOutput(const QString& name);
    void Sound(); // to the air (Play, Resume)
    void Hold();  // off the air, the place kept (Pause, Stop)
    const CModLibrary& m_library;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<CTrackThread> m_watch;
};
