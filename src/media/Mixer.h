// SPDX-License-Identifier: GPL-3.0-or-later
// CMixer: one open mixer device (platform/MixerDevice.h) in the model the
// Line-In page and the line-in track use: destinations by index with their
// source lines, lines by id, a mute and a volume control per line. Every
// failure of the device, and every destination, source, line or control
// that is not there, throws CMixerException with its code; nothing returns
// an error code. Destroying an open mixer closes it.
// Devices come from the opener set with SetOpener (tests give an in-memory
// mixer), by default the ALSA mixer. Thread: the caller's; one at a time.
#pragma once

#include "platform/MixerDevice.h"

#include <QString>
#include <cstdint>
#include <memory>

struct CMixerLineInfo
{
    unsigned destination = 0;
    unsigned source = 0;      // index under its destination (0 for a destination)
    unsigned lineId = 0;      // 0 for a destination
    unsigned connections = 0; // a destination's number of sources, 0 for a source
    QString name;
    bool hasMute = false;
    bool hasVolume = false;
};

enum class MixerControlType { Mute, Volume };

struct CMixerControl
{
    unsigned lineId = 0;
    MixerControlType type = MixerControlType::Mute;
    // The control's id while the device stays open (the line's place on the
    // device and the type): a control found once is found again by it
    // (GetLineControlById).
    unsigned id = 0;
};

class CMixer
{
public:
    CMixer() = default;
    ~CMixer();
    CMixer(const CMixer&) = delete;
    CMixer& operator=(const CMixer&) = delete;

    // Closes a device already open first.
    void Open(unsigned index);
    void Close();
    bool IsOpen() const { return m_device != nullptr; }
    QString ProductName() const;

    // Always 2 when open: 0 "Playback", 1 "Capture".
    unsigned Destinations() const;
    CMixerLineInfo GetDestination(unsigned destination) const;
    CMixerLineInfo GetSource(unsigned destination, unsigned source) const;
    CMixerLineInfo GetLineById(unsigned lineId) const;
    CMixerControl GetLineControlByType(unsigned lineId, MixerControlType type) const;
    CMixerControl GetLineControlById(unsigned controlId) const;
    // Mute: 1 muted, 0 audible. Volume: 0 .. kMixerMaxLevel.
    unsigned GetControlValue(const CMixerControl& control) const;
    void SetControlValue(const CMixerControl& control, unsigned value);
    // A message for the device's driver; returns the driver's answer and
    // throws nothing. No device of this program has driver messages: the
    // answer is kMixerNotSupported, or MixerError::NotOpen when closed.
    unsigned Message(unsigned message, std::uintptr_t param1, std::uintptr_t param2) const;
    static constexpr unsigned kMixerNotSupported = 8;

    // The device opener of every CMixer of the process; an empty one restores
    // the ALSA mixer.
    static void SetOpener(MixerOpener opener);
    // The operator's name of a destination: "Playback", "Capture".
    static QString DestinationName(unsigned destination);

private:
    IMixerDevice& Device() const;
    std::vector<const MixerSourceLine*> SourcesOf(unsigned destination) const;
    static CMixerLineInfo Info(const MixerSourceLine& line, unsigned source);

    std::unique_ptr<IMixerDevice> m_device;
};
