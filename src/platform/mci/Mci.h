// SPDX-License-Identifier: GPL-3.0-or-later
// The media-control layer: devices opened by file name, driven by numbered
// commands with parameter blocks, reporting the end of play through a notify
// callback. Times are milliseconds (the only time format). The device type
// of a file comes from the "MCI Extensions" table of the machine hive:
//   waveaudio  libsndfile (WAV, AIFF, AU, FLAC, Ogg, MP3)
//   mpegvideo  GStreamer's decoders, libsndfile when GStreamer is missing
//   sequencer  FluidSynth with the system's General MIDI SoundFont
//   cdaudio    an audio CD over libcdio (a drive or a CD image), opened by
//              type with the CD root as element; positions are disc positions
// Every open device has its own wave output (its id is the device id) with a
// 16-bit level per channel, applied to the samples before they reach the
// output, so the sound server's stream volume is never moved.
//
// Commands may be sent from any one thread at a time per device (the
// user-interface thread); notify callbacks run on the device's worker thread
// and must only post.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace mci {

using MCIDEVICEID = std::uint32_t;
using MCIERROR = std::uint32_t;

// Commands.
enum : std::uint32_t {
    MCI_OPEN = 0x0803,
    MCI_CLOSE = 0x0804,
    MCI_PLAY = 0x0806,
    MCI_SEEK = 0x0807,
    MCI_STOP = 0x0808,
    MCI_PAUSE = 0x0809,
    MCI_SET = 0x080D,
    MCI_STATUS = 0x0814,
    MCI_WINDOW = 0x0841,
    MCI_RESUME = 0x0855,
};

// Flags of the commands.
enum : std::uint32_t {
    MCI_NOTIFY = 0x1,
    MCI_WAIT = 0x2,
    MCI_FROM = 0x4,
    MCI_TO = 0x8,
    MCI_TRACK = 0x10,
    MCI_OPEN_SHAREABLE = 0x100,
    MCI_OPEN_TYPE_ID = 0x1000,
    MCI_OPEN_TYPE = 0x2000,
    MCI_OPEN_ELEMENT = 0x200,
    MCI_OPEN_ALIAS = 0x400,
    MCI_SEEK_TO_START = 0x100,
    MCI_SEEK_TO_END = 0x200,
    MCI_STATUS_ITEM = 0x100,
    MCI_SET_TIME_FORMAT = 0x400,
    MCI_DGV_WINDOW_STATE = 0x40000,
    MCI_DGV_WINDOW_TEXT = 0x80000,
};

// Status items.
enum : std::uint32_t {
    MCI_STATUS_LENGTH = 0x1,
    MCI_STATUS_POSITION = 0x2,
    MCI_STATUS_NUMBER_OF_TRACKS = 0x3,
    MCI_STATUS_MODE = 0x4,
    MCI_WAVE_OUTPUT = 0x4002, // the wave output id the device plays through
};

// Modes answered by MCI_STATUS_MODE.
enum : std::uint32_t {
    MCI_MODE_NOT_READY = 524,
    MCI_MODE_STOP = 525,
    MCI_MODE_PLAY = 526,
    MCI_MODE_SEEK = 528,
    MCI_MODE_PAUSE = 529,
    MCI_MODE_OPEN = 530,
};

inline constexpr std::uint32_t MCI_FORMAT_MILLISECONDS = 0;

// Device type ids of MCI_OPEN_TYPE_ID.
inline constexpr std::uint32_t MCI_DEVTYPE_CD_AUDIO = 516;

// Notify codes given to the callback.
enum : int {
    MCI_NOTIFY_SUCCESSFUL = 1,
    MCI_NOTIFY_SUPERSEDED = 2,
    MCI_NOTIFY_ABORTED = 4,
    MCI_NOTIFY_FAILURE = 8,
};

// Error numbers; mciGetErrorString gives the text of each.
enum : MCIERROR {
    MCIERR_INVALID_DEVICE_ID = 257,
    MCIERR_UNRECOGNIZED_COMMAND = 261,
    MCIERR_HARDWARE = 262,
    MCIERR_INVALID_DEVICE_NAME = 263,
    MCIERR_DEVICE_OPEN = 265,
    MCIERR_CANNOT_LOAD_DRIVER = 266,
    MCIERR_MISSING_PARAMETER = 273,
    MCIERR_UNSUPPORTED_FUNCTION = 274,
    MCIERR_FILE_NOT_FOUND = 275,
    MCIERR_DEVICE_NOT_READY = 276,
    MCIERR_OUTOFRANGE = 282,
    MCIERR_FLAGS_NOT_COMPATIBLE = 284,
    MCIERR_DUPLICATE_ALIAS = 289,
    MCIERR_EXTENSION_NOT_FOUND = 296,
    MCIERR_INVALID_FILE = 304,
    MCIERR_NO_WINDOW = 346,
    MCIERR_FILE_READ = 348,
    MCIERR_WAVE_OUTPUTSUNSUITABLE = 322,
    MCIERR_DEVICE_NOT_AVAILABLE = 363,
};

// Where a device reports the end of a play sent with MCI_NOTIFY: the code
// and the device id. Called on the device's worker thread.
using MciCallback = std::function<void(int code, MCIDEVICEID device)>;

// Parameter blocks. Every block starts with the callback.
struct MCI_GENERIC_PARMS
{
    MciCallback dwCallback;
};

struct MCI_OPEN_PARMS : MCI_GENERIC_PARMS
{
    MCIDEVICEID wDeviceID = 0;
    QString lpstrDeviceType;         // with MCI_OPEN_TYPE; else taken from the extension
    std::uint32_t wDeviceTypeId = 0; // with MCI_OPEN_TYPE_ID instead of the name
    QString lpstrElementName;
    QString lpstrAlias;
};

struct MCI_PLAY_PARMS : MCI_GENERIC_PARMS
{
    std::uint32_t dwFrom = 0;
    std::uint32_t dwTo = 0;
};

struct MCI_SEEK_PARMS : MCI_GENERIC_PARMS
{
    std::uint32_t dwTo = 0;
};

struct MCI_STATUS_PARMS : MCI_GENERIC_PARMS
{
    std::uint32_t dwReturn = 0;
    std::uint32_t dwItem = 0;
    std::uint32_t dwTrack = 0; // with MCI_TRACK: the item of that track
};

struct MCI_SET_PARMS : MCI_GENERIC_PARMS
{
    std::uint32_t dwTimeFormat = 0;
};

struct MCI_WINDOW_PARMS : MCI_GENERIC_PARMS
{
    int nCmdShow = 0;
    QString lpstrText;
};

// Show states of MCI_WINDOW.
enum : int { SW_SHOWNORMAL = 1, SW_SHOWMAXIMIZED = 3 };

// Sends one command; 0 on success, else an error number. params may be null
// for commands that take none (MCI_CLOSE, MCI_STOP, MCI_PAUSE, MCI_RESUME).
MCIERROR mciSendCommand(MCIDEVICEID device, std::uint32_t message, std::uint32_t flags,
                        MCI_GENERIC_PARMS* params);
// Sends a command string; the answer of a status goes to returnString. The
// CD drive's strings only: "open cdaudio [shareable]", "close cdaudio",
// "status cdaudio number of tracks", "set cdaudio door open|closed", where
// cdaudio is the program's CD drive (DefaultCdDrive in CdDisc.h).
MCIERROR mciSendString(const QString& command, QString* returnString = nullptr);
// The operator's text of an error number.
QString mciGetErrorString(MCIERROR error);
// The device opened under alias; 0 when none.
MCIDEVICEID mciGetDeviceID(const QString& alias);
// The device type the extension table gives for a file extension without
// its dot ("wav" -> "waveaudio"); empty when the table has none.
QString DeviceTypeForExtension(const QString& ext);

// Wave output levels: low word left, high word right, 0..0xFFFF.
// MMSYSERR_NOERROR (0) or MMSYSERR_BADDEVICEID for an id with no device.
enum : std::uint32_t { MMSYSERR_NOERROR = 0, MMSYSERR_BADDEVICEID = 2 };
std::uint32_t waveOutGetVolume(std::uint32_t waveOut, std::uint32_t* volume);
std::uint32_t waveOutSetVolume(std::uint32_t waveOut, std::uint32_t volume);

// Driver messages: no device of this layer has settings of its own, so the
// configure query answers 0 and DRV_CONFIGURE does nothing.
enum : std::uint32_t { DRV_QUERYCONFIGURE = 0x8001, DRV_CONFIGURE = 0x0007 };
long SendDriverMessage(MCIDEVICEID device, std::uint32_t message, long param1, long param2);

// The output PCM goes to: the environment's LIRANA_WAVE_OUT_DEVICE, else
// the text "WaveOutDevice" of the user hive's "Settings" key, else the ALSA
// device "default". "null" is the layer's own output that plays nothing, in
// real time.
QString WaveOutDeviceName();

} // namespace mci
