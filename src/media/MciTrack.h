// SPDX-License-Identifier: GPL-3.0-or-later
// CMCITrack: plays a file through the media-control layer
// (platform/mci/Mci.h), which picks the device by the file's extension; the
// fallback for ordinary media when GStreamer is missing. Its state is the
// device's mode; the end of play is the device's notification, posted to the
// owner with the track's serial. CMidiTrack is the same track for .MID and
// .RMI, resuming with a fresh play (the sequencer has no resume).
//
// The device plays into the station's air bus (media/DeviceAir.h).
// Levels: 1.0 is the device's wave output level found at Open (baseLevel);
// Close gives the device that level back when SetVolume changed it.
// Thread: the owner's (user-interface) thread, like every track.
#pragma once

#include "media/MediaTrack.h"
#include "platform/mci/Mci.h"

// The wrapper through which every command of the track family is sent.
class CMCIDevice
{
public:
    CMCIDevice() = default;
    ~CMCIDevice();
    CMCIDevice(const CMCIDevice&) = delete;
    CMCIDevice& operator=(const CMCIDevice&) = delete;

    // Sends the command with the callback written into the block (a
    // one-word block when params is null); throws CMCIException on an error.
    void SendCommand(std::uint32_t message, std::uint32_t flags, mci::MCI_GENERIC_PARMS* params = nullptr);
    // Opens under the next alias "alias%d" of the process-wide counter,
    // which counts also opens that fail.
    void OpenDevice(std::uint32_t flags, mci::MCI_OPEN_PARMS* params);
    // The number the next alias gets.
    static int NextAlias();

    mci::MCIDEVICEID deviceId = 0;
    mci::MCIERROR lastError = 0;
    mci::MciCallback callbackWindow;
};

class CMCITrack : public CMediaTrack
{
public:
    CMCITrack() = default;
    ~CMCITrack() override;

    void Open(const QString& path, QObject* owner) override;
    void Close() override;
    void Play() override;
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    void Stop() override;
    void Pause() override;
    void Resume() override;
    bool IsStopped() const override;
    bool IsPaused() const override;
    bool IsPlaying() const override;
    TrackMs GetPosition() const override;
    TrackMs GetLength() const override;
    void Seek(TrackMs ms) override;
    bool HasVolumeControl() const override { return m_volumeAvailable; }
    void SetVolume(float level) override;
    float GetVolume() const override;
    // The driver's answer to the configure query: 0, nothing to configure.
    virtual long ConfigureDriver();

    mci::MCIDEVICEID DeviceId() const { return m_device.deviceId; }
    std::shared_ptr<CAirInput> AirInput() const override;
    // The device plays at once into an input held until the planned frame
    // (or until Play). CancelPlannedStart stops that play before it sounds.
    bool PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore = -1) override;
    void CancelPlannedStart() override;

protected:
    // Once the device is open: its end notification and its input's stall
    // reach the owner (the stall as an error naming the file).
    void ListenToDevice();
    // Takes the device's wave output level as 1.0 (baseLevel) when it reads
    // one; a device without wave output has no volume control.
    void FindBaseLevel();
    std::uint32_t Status(std::uint32_t item) const;
    // The wave output the device plays through.
    std::uint32_t WaveOutput() const { return Status(mci::MCI_WAVE_OUTPUT); }
    // Play of a track whose play PlayAfter planned: it starts now, if its
    // frame has not come. False when no play was planned.
    bool StartPlannedPlay();

    mutable CMCIDevice m_device;
    bool m_volumeAvailable = false;
    bool m_volumeChanged = false;
    std::uint16_t m_baseLevel = 1;
    bool m_planned = false; // PlayAfter's play runs; cleared by every other command
};

class CMidiTrack : public CMCITrack
{
public:
    CMidiTrack() = default;
    ~CMidiTrack() override;

    void Open(const QString& path, QObject* owner) override;
    void Close() override;
    void Resume() override;
    // Not when it loads a sound bank: the sequencer has one user bank,
    // which a file opened ahead would change under the item on air (and
    // that item's Close would clear).
    bool MayOpenEarly(const QString& path) const override;

private:
    bool m_soundBankLoaded = false;
};
