// SPDX-License-Identifier: GPL-3.0-or-later
// The sound card's mixer as the program sees it, whatever drives it: a
// device (picked by index) has two destinations, 0 "Playback" and 1
// "Capture", and source lines under them, each with a stable line id, a
// mute switch and a volume. The ALSA device (OpenAlsaMixer) shows every
// active simple element as a line under each direction it has a volume or
// switch in; CMemoryMixer keeps lines in memory for tests and machines
// without a card. Calls return 0 or an error code (the codes below, or an
// ALSA error number as a positive errno); CMixer (media/) turns them into
// exceptions. Thread: one device is used by one thread at a time.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace MixerError {
inline constexpr int NotOpen = 9;           // EBADF: no device open
inline constexpr int NoDevice = 19;         // ENODEV: the index names no device
inline constexpr int InvalidLine = 1024;    // no such destination, source or line id
inline constexpr int InvalidControl = 1025; // the line has no control of that type
} // namespace MixerError

struct MixerSourceLine
{
    unsigned destination = 0; // 0 Playback, 1 Capture
    unsigned lineId = 0;      // MixerLineId(destination, element, index)
    QString name;             // "Line", "Mic 1" (an element's index > 0 is appended)
    bool hasMute = false;
    bool hasVolume = false;
};

class IMixerDevice
{
public:
    virtual ~IMixerDevice() = default;
    // The card's product name, e.g. "HDA Intel PCH" or "PulseAudio".
    virtual QString ProductName() const = 0;
    // Every source line, playback lines first, each in the mixer's order.
    virtual const std::vector<MixerSourceLine>& Lines() const = 0;
    // Mute: true silences the line. Volume: 0 .. 65535 over the line's range.
    virtual int GetMute(unsigned lineId, bool& muted) = 0;
    virtual int SetMute(unsigned lineId, bool muted) = 0;
    virtual int GetVolume(unsigned lineId, unsigned& level) = 0;
    virtual int SetVolume(unsigned lineId, unsigned level) = 0;
};

inline constexpr unsigned kMixerMaxLevel = 65535;

// Opens device index into device; 0 or an error code.
using MixerOpener = std::function<int(unsigned index, std::unique_ptr<IMixerDevice>& device)>;

// The id of element (name, index) under destination: a hash of the three,
// so it stays the same across runs, machines and element order; never 0
// and never above 0x7fffffff (a tree item's -1 means "a destination").
unsigned MixerLineId(unsigned destination, const QString& element, unsigned index);

// Device index N is the N-th ALSA card ("hw:N" for the N-th card the kernel
// lists); the index after the last card is the sound server's control
// device "pulse". Empty for an index past that.
QString AlsaMixerDeviceName(unsigned index);
int OpenAlsaMixer(unsigned index, std::unique_ptr<IMixerDevice>& device);

// A mixer in memory: the lines and their state live here, devices opened
// through Opener() work on them, so a test sees what a closed device left.
class CMemoryMixer
{
public:
    struct Line
    {
        unsigned destination = 0;
        QString name;
        bool muted = true;
        unsigned volume = 0;
        bool hasMute = true;
        bool hasVolume = true;
    };
    CMemoryMixer(QString product, std::vector<Line> lines);

    // Opens index 0 only (else NoDevice), or fails with openError when set.
    MixerOpener Opener();
    // The line of that destination and name; nullptr when none.
    Line* Find(unsigned destination, const QString& name);
    static unsigned Id(const Line& line) { return MixerLineId(line.destination, line.name, 0); }

    int openError = 0;
    int controlError = 0; // every control call fails with it when set
    // The next that many writes change the line and then fail with EIO, as
    // a write that reached some channels only.
    int halfDoneWrites = 0;

private:
    class Device;
    QString m_product;
    std::vector<Line> m_lines;
};
