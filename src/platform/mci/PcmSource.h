// SPDX-License-Identifier: GPL-3.0-or-later
// What a media-control device plays: a decoder that yields 16-bit stereo
// frames at its own rate. Used only on the device's worker thread after it
// has been opened.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace mci {

using MCIERROR = std::uint32_t;

// A stretch of a source that plays as a track of its own (the tracks of a
// CD), in frames.
struct TrackSpan
{
    std::int64_t start = 0;
    std::int64_t frames = 0;
};

class PcmSource
{
public:
    virtual ~PcmSource() = default;
    virtual int Rate() const = 0;
    // Length in frames, known once open.
    virtual std::int64_t Frames() const = 0;
    // At most this many frames more come after the length when a play runs
    // to the end (notes ringing out); Read gives 0 where they end.
    virtual std::int64_t Tail() const { return 0; }
    // The tracks inside the source; none for a file.
    virtual std::vector<TrackSpan> Tracks() const { return {}; }
    // Moves the next Read to frame; false when the decoder cannot.
    virtual bool Seek(std::int64_t frame) = 0;
    // Reads up to frames stereo frames (interleaved left, right) into out;
    // fewer, or 0, at the end.
    virtual std::int64_t Read(std::int16_t* out, std::int64_t frames) = 0;
};

// MCIERR_FILE_READ when path names something that is no regular file (a
// pipe, a device, a folder: opening one may wait for ever), else 0. A stat,
// which does not wait for a pipe; a missing file is left to the decoder.
MCIERROR RefuseNonRegularFile(const QString& path);
// The whole of a regular file of at most maxBytes into *bytes, else
// MCIERR_FILE_NOT_FOUND (cannot be opened) or MCIERR_FILE_READ (no regular
// file, too large, a read failed). Opened without waiting for a pipe.
MCIERROR ReadElementFile(const QString& path, qint64 maxBytes, QByteArray* bytes);

// Opening by kind; each returns null and sets *error (an MCIERR_ number) when
// the file cannot be played.
std::unique_ptr<PcmSource> OpenSndfileSource(const QString& path, std::uint32_t* error);
std::unique_ptr<PcmSource> OpenGstSource(const QString& path, std::uint32_t* error);
std::unique_ptr<PcmSource> OpenMidiSource(const QString& path, std::uint32_t* error);
// The disc of a CD root (a drive's device path or an image file; empty: the
// program's CD drive), from the start of the program area to the lead-out.
std::unique_ptr<PcmSource> OpenCdSource(const QString& root, std::uint32_t* error);
// False when GStreamer cannot be initialised (mpegvideo then reads through
// libsndfile).
bool GstDecodingAvailable();

// Where PCM goes: an ALSA device, or the paced null output.
class PcmOutput
{
public:
    virtual ~PcmOutput() = default;
    // Blocks until the frames are queued; false when the output failed.
    virtual bool Write(const std::int16_t* frames, std::int64_t count) = 0;
    // Frames queued but not yet heard.
    virtual std::int64_t Delay() = 0;
    // Discards what is queued.
    virtual void Drop() = 0;
    // Starts a queue that is shorter than the output's start threshold; the
    // device calls it once everything of a play is written.
    virtual void Flush() {}
    // True when Delay counts exactly what is still to be heard and runs
    // down to 0 as it is heard (the program's air); the device then follows
    // it to the end of a play. Else the device reads it once and follows
    // the clock (a sound server's plug-in may report a latency that never
    // runs down).
    virtual bool DelayIsExact() const { return false; }
    // True when the output applies the device's level itself (at the moment
    // of hearing, not ahead by what it holds); the device then passes it
    // the level of each block instead of scaling the samples. Levels are
    // the wave output's, low word left, high word right.
    virtual bool TakesLevel() const { return false; }
    virtual void SetLevel(std::uint32_t /*volume*/) {}
    // Frames a Write takes now without waiting long. An output that waits
    // for a start of its own (the air's input of a planned play) says how
    // much, so that the device does not wait in Write, deaf to commands.
    virtual std::int64_t Room() const { return std::numeric_limits<std::int64_t>::max(); }
};

// Opens the named output ("null" or an ALSA device name) for stereo at rate;
// null with *errorText set when it cannot be opened.
std::unique_ptr<PcmOutput> OpenPcmOutput(const QString& name, int rate, QString* errorText);

// Where the devices of a program with an air of its own play: called on a
// device's worker at each play with the device's id and its source's rate;
// null with *errorText set when there is no output. While none is set,
// devices open the output WaveOutDeviceName() names.
using PcmOutputOpener =
    std::function<std::unique_ptr<PcmOutput>(std::uint32_t device, int rate, QString* errorText)>;
void SetPcmOutputOpener(PcmOutputOpener opener);
// The output a device opens for a play: the opener's when one is set.
std::unique_ptr<PcmOutput> OpenDeviceOutput(std::uint32_t device, const QString& name, int rate,
                                            QString* errorText);

} // namespace mci
