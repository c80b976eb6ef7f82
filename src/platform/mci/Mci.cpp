// SPDX-License-Identifier: GPL-3.0-or-later
// The command dispatcher of the media-control layer: the table of open
// devices, aliases, the extension table and the error texts.
#include "platform/mci/Mci.h"

#include "platform/FileNames.h"
#include "platform/mci/CdDisc.h"
#include "platform/mci/PcmDevice.h"
#include "platform/registry/RegistryKey.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace mci {
namespace {

struct OpenDevice
{
    QString alias;
    std::unique_ptr<PcmDevice> device;
};

struct DeviceTable
{
    std::mutex mutex;
    std::map<MCIDEVICEID, OpenDevice> devices;
    MCIDEVICEID next = 1;
};

DeviceTable& Table()
{
    static DeviceTable table;
    return table;
}

PcmDevice* Find(MCIDEVICEID id)
{
    DeviceTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto it = table.devices.find(id);
    return it == table.devices.end() ? nullptr : it->second.device.get();
}

MCIERROR Open(std::uint32_t flags, MCI_OPEN_PARMS* p)
{
    if (!p)
        return MCIERR_MISSING_PARAMETER;
    QString type = (flags & MCI_OPEN_TYPE) ? p->lpstrDeviceType : QString();
    if ((flags & MCI_OPEN_TYPE_ID) && p->wDeviceTypeId == MCI_DEVTYPE_CD_AUDIO)
        type = QStringLiteral("cdaudio");
    // A CD is opened by type; its element, the drive or image, may be empty
    // (the program's CD drive).
    const bool element = (flags & MCI_OPEN_ELEMENT) && !p->lpstrElementName.isEmpty();
    if (type.isEmpty()) {
        if (!element)
            return MCIERR_MISSING_PARAMETER;
        type = DeviceTypeForExtension(QFileInfo(p->lpstrElementName).suffix());
        if (type.isEmpty())
            return MCIERR_EXTENSION_NOT_FOUND;
    }
    type = type.toLower();
    const bool cd = type == u"cdaudio";
    if (!cd && !element)
        return MCIERR_MISSING_PARAMETER;
    const QString alias = (flags & MCI_OPEN_ALIAS) ? p->lpstrAlias : QString();
    if (!alias.isEmpty() && mciGetDeviceID(alias) != 0)
        return MCIERR_DUPLICATE_ALIAS;

    std::uint32_t error = cd ? 0 : RefuseNonRegularFile(p->lpstrElementName);
    if (error != 0)
        return error;
    std::unique_ptr<PcmSource> source;
    if (type == u"waveaudio")
        source = OpenSndfileSource(p->lpstrElementName, &error);
    else if (type == u"mpegvideo")
        source = GstDecodingAvailable() ? OpenGstSource(p->lpstrElementName, &error)
                                        : OpenSndfileSource(p->lpstrElementName, &error);
    else if (type == u"sequencer")
        source = OpenMidiSource(p->lpstrElementName, &error);
    else if (cd)
        source = OpenCdSource(element ? p->lpstrElementName : QString(), &error);
    else
        return MCIERR_INVALID_DEVICE_NAME;
    if (!source)
        return error;

    DeviceTable& table = Table();
    std::lock_guard lock(table.mutex);
    const MCIDEVICEID id = table.next++;
    table.devices[id] = OpenDevice{alias,
                                   std::make_unique<PcmDevice>(id, std::move(source), WaveOutDeviceName())};
    p->wDeviceID = id;
    return 0;
}

MCIERROR Close(MCIDEVICEID id)
{
    std::unique_ptr<PcmDevice> device;
    {
        DeviceTable& table = Table();
        std::lock_guard lock(table.mutex);
        const auto it = table.devices.find(id);
        if (it == table.devices.end())
            return MCIERR_INVALID_DEVICE_ID;
        device = std::move(it->second.device);
        table.devices.erase(it);
    }
    device.reset(); // aborts a pending notification and ends the worker
    return 0;
}

MCIERROR Status(PcmDevice& device, MCIDEVICEID id, std::uint32_t flags, MCI_STATUS_PARMS* p)
{
    if (!p || !(flags & MCI_STATUS_ITEM))
        return MCIERR_MISSING_PARAMETER;
    if (flags & MCI_TRACK) {
        std::uint32_t start = 0, length = 0;
        if (!device.TrackMs(int(p->dwTrack), &start, &length))
            return MCIERR_OUTOFRANGE;
        if (p->dwItem != MCI_STATUS_POSITION && p->dwItem != MCI_STATUS_LENGTH)
            return MCIERR_FLAGS_NOT_COMPATIBLE;
        p->dwReturn = p->dwItem == MCI_STATUS_POSITION ? start : length;
        return 0;
    }
    switch (p->dwItem) {
    case MCI_STATUS_NUMBER_OF_TRACKS: p->dwReturn = std::uint32_t(std::max(device.Tracks(), 1)); return 0;
    case MCI_STATUS_MODE: p->dwReturn = device.Mode(); return 0;
    case MCI_STATUS_POSITION: p->dwReturn = device.PositionMs(); return 0;
    case MCI_STATUS_LENGTH: p->dwReturn = device.LengthMs(); return 0;
    case MCI_WAVE_OUTPUT: p->dwReturn = id; return 0;
    default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

MCIERROR Play(PcmDevice& device, std::uint32_t flags, MCI_PLAY_PARMS* p)
{
    if (!p && (flags & (MCI_FROM | MCI_TO | MCI_NOTIFY)))
        return MCIERR_MISSING_PARAMETER;
    std::optional<std::uint32_t> from, to;
    if (flags & MCI_FROM)
        from = p->dwFrom;
    if (flags & MCI_TO)
        to = p->dwTo;
    return device.Play(from, to, (flags & MCI_NOTIFY) ? p->dwCallback : MciCallback());
}

MCIERROR Seek(PcmDevice& device, std::uint32_t flags, MCI_SEEK_PARMS* p)
{
    const std::uint32_t how = flags & (MCI_SEEK_TO_START | MCI_SEEK_TO_END | MCI_TO);
    if (how == MCI_SEEK_TO_START)
        return device.Seek(0);
    if (how == MCI_SEEK_TO_END)
        return device.Seek(device.LengthMs());
    if (how == MCI_TO && p)
        return device.Seek(p->dwTo);
    return how == MCI_TO ? MCIERR_MISSING_PARAMETER : MCIERR_FLAGS_NOT_COMPATIBLE;
}

} // namespace

MCIERROR RefuseNonRegularFile(const QString& path)
{
    struct stat info
    {};
    const bool other = ::stat(FileNameBytes(path).constData(), &info) == 0 && !S_ISREG(info.st_mode);
    return other ? MCIERROR(MCIERR_FILE_READ) : MCIERROR(0);
}

MCIERROR ReadElementFile(const QString& path, qint64 maxBytes, QByteArray* bytes)
{
    const int fd = ::open(FileNameBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return MCIERR_FILE_NOT_FOUND;
    struct stat info
    {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= maxBytes;
    if (ok) {
        bytes->resize(qsizetype(info.st_size));
        qsizetype got = 0;
        while (got < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + got, std::size_t(bytes->size() - got));
            if (n < 0)
                ok = false;
            if (n <= 0)
                break;
            got += n;
        }
        bytes->truncate(got); // a file cut short meanwhile reads as what is there
    }
    ::close(fd);
    return ok ? MCIERROR(0) : MCIERROR(MCIERR_FILE_READ);
}

MCIERROR mciSendCommand(MCIDEVICEID id, std::uint32_t message, std::uint32_t flags, MCI_GENERIC_PARMS* params)
{
    if (message == MCI_OPEN)
        return Open(flags, static_cast<MCI_OPEN_PARMS*>(params));
    if (message == MCI_CLOSE)
        return Close(id);
    PcmDevice* device = Find(id);
    if (!device)
        return MCIERR_INVALID_DEVICE_ID;
    switch (message) {
    case MCI_PLAY: return Play(*device, flags, static_cast<MCI_PLAY_PARMS*>(params));
    case MCI_SEEK: return Seek(*device, flags, static_cast<MCI_SEEK_PARMS*>(params));
    case MCI_STOP: device->Stop(); return 0;
    case MCI_PAUSE: device->Pause(); return 0;
    case MCI_RESUME: device->Resume(); return 0;
    case MCI_STATUS: return Status(*device, id, flags, static_cast<MCI_STATUS_PARMS*>(params));
    case MCI_SET:
        if (!(flags & MCI_SET_TIME_FORMAT) || !params)
            return MCIERR_MISSING_PARAMETER;
        return static_cast<MCI_SET_PARMS*>(params)->dwTimeFormat == MCI_FORMAT_MILLISECONDS
                   ? MCIERROR(0)
                   : MCIERROR(MCIERR_UNSUPPORTED_FUNCTION);
    case MCI_WINDOW: return MCIERR_NO_WINDOW; // no device of this layer shows video
    default: return MCIERR_UNRECOGNIZED_COMMAND;
    }
}

MCIERROR mciSendString(const QString& command, QString* returnString)
{
    const QStringList words = command.simplified().toLower().split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2)
        return MCIERR_MISSING_PARAMETER;
    if (words[1] != u"cdaudio")
        return MCIERR_INVALID_DEVICE_NAME;
    const QString& verb = words[0];
    const QStringList rest = words.mid(2);
    if (verb == u"set") {
        if (rest.size() != 2 || rest[0] != u"door" || (rest[1] != u"open" && rest[1] != u"closed"))
            return MCIERR_UNRECOGNIZED_COMMAND;
        return SetCdDoor(DefaultCdDrive(), rest[1] == u"open") ? MCIERROR(0) : MCIERROR(MCIERR_HARDWARE);
    }
    if (verb == u"open") {
        if (!rest.isEmpty() && rest != QStringList{QStringLiteral("shareable")})
            return MCIERR_UNRECOGNIZED_COMMAND;
        if (mciGetDeviceID(words[1]) != 0)
            return rest.isEmpty() ? MCIERROR(MCIERR_DEVICE_OPEN) : MCIERROR(0);
        MCI_OPEN_PARMS open;
        open.lpstrDeviceType = words[1];
        open.lpstrAlias = words[1];
        return Open(MCI_OPEN_TYPE | MCI_OPEN_ALIAS, &open);
    }
    const MCIDEVICEID id = mciGetDeviceID(words[1]);
    if (verb == u"close" && rest.isEmpty())
        return id == 0 ? MCIERROR(MCIERR_INVALID_DEVICE_NAME) : Close(id);
    if (verb == u"status" && rest.join(u' ') == u"number of tracks") {
        PcmDevice* device = Find(id);
        if (!device)
            return MCIERR_INVALID_DEVICE_NAME;
        MCI_STATUS_PARMS status;
        status.dwItem = MCI_STATUS_NUMBER_OF_TRACKS;
        if (const MCIERROR error = Status(*device, id, MCI_STATUS_ITEM, &status))
            return error;
        if (returnString)
            *returnString = QString::number(status.dwReturn);
        return 0;
    }
    return MCIERR_UNRECOGNIZED_COMMAND;
}

MCIDEVICEID mciGetDeviceID(const QString& alias)
{
    DeviceTable& table = Table();
    std::lock_guard lock(table.mutex);
    for (const auto& [id, open] : table.devices)
        if (!alias.isEmpty() && open.alias.compare(alias, Qt::CaseInsensitive) == 0)
            return id;
    return 0;
}

QString DeviceTypeForExtension(const QString& ext)
{
    if (ext.isEmpty())
        return {};
    return CRegistryKey::Open(reg::Root::LocalMachine,
                              QStringLiteral("Software\\Oxbelund\\Lirana\\MCI Extensions"))
        .GetText(ext.toLower(), QString());
}

QString WaveOutDeviceName()
{
    const QString fromEnv = qEnvironmentVariable("LIRANA_WAVE_OUT_DEVICE").trimmed();
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString setting = CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
                                .GetText(QStringLiteral("WaveOutDevice"), QString());
    return setting.trimmed().isEmpty() ? QStringLiteral("default") : setting.trimmed();
}

std::uint32_t waveOutGetVolume(std::uint32_t waveOut, std::uint32_t* volume)
{
    PcmDevice* device = Find(waveOut);
    if (!device || !volume)
        return MMSYSERR_BADDEVICEID;
    *volume = device->Volume();
    return MMSYSERR_NOERROR;
}

std::uint32_t waveOutSetVolume(std::uint32_t waveOut, std::uint32_t volume)
{
    PcmDevice* device = Find(waveOut);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    device->SetVolume(volume);
    return MMSYSERR_NOERROR;
}

long SendDriverMessage(MCIDEVICEID /*device*/, std::uint32_t /*message*/, long /*param1*/, long /*param2*/)
{
    return 0;
}

QString mciGetErrorString(MCIERROR error)
{
    static const struct
    {
        MCIERROR error;
        const char* text;
    } texts[] = {
        {0, QT_TRANSLATE_NOOP("Mci", "The command completed successfully.")},
        {MCIERR_INVALID_DEVICE_ID,
         QT_TRANSLATE_NOOP("Mci", "Invalid media device ID. Use the ID given when the device was opened.")},
        {MCIERR_UNRECOGNIZED_COMMAND,
         QT_TRANSLATE_NOOP("Mci", "The media device does not know this command.")},
        {MCIERR_HARDWARE, QT_TRANSLATE_NOOP("Mci", "The media device has a hardware problem.")},
        {MCIERR_INVALID_DEVICE_NAME,
         QT_TRANSLATE_NOOP("Mci", "The media device type is not known to this system.")},
        {MCIERR_DEVICE_OPEN, QT_TRANSLATE_NOOP("Mci", "The media device is already open.")},
        {MCIERR_CANNOT_LOAD_DRIVER, QT_TRANSLATE_NOOP("Mci", "The media device driver could not be loaded.")},
        {MCIERR_MISSING_PARAMETER,
         QT_TRANSLATE_NOOP("Mci", "The command needs a parameter that was not given.")},
        {MCIERR_UNSUPPORTED_FUNCTION,
         QT_TRANSLATE_NOOP("Mci", "The media device cannot carry out this command.")},
        {MCIERR_FILE_NOT_FOUND,
         QT_TRANSLATE_NOOP("Mci", "The file cannot be found. Make sure the path and file name are correct.")},
        {MCIERR_DEVICE_NOT_READY,
         QT_TRANSLATE_NOOP("Mci", "The CD drive is not ready. Check that an audio CD is in the drive.")},
        {MCIERR_OUTOFRANGE, QT_TRANSLATE_NOOP("Mci", "The value is out of range for this medium.")},
        {MCIERR_FLAGS_NOT_COMPATIBLE,
         QT_TRANSLATE_NOOP("Mci", "The options of the command cannot be used together.")},
        {MCIERR_DUPLICATE_ALIAS, QT_TRANSLATE_NOOP("Mci", "The alias is already in use by an open device.")},
        {MCIERR_EXTENSION_NOT_FOUND,
         QT_TRANSLATE_NOOP("Mci", "No media device type is set for this file extension.")},
        {MCIERR_INVALID_FILE,
         QT_TRANSLATE_NOOP("Mci", "The file cannot be played by the media device. It may be "
                                  "damaged or of a format the device does not read.")},
        {MCIERR_NO_WINDOW, QT_TRANSLATE_NOOP("Mci", "The media device has no display window.")},
        {MCIERR_FILE_READ,
         QT_TRANSLATE_NOOP("Mci", "The file cannot be read: it is no regular file (a pipe, a "
                                  "device or a folder), or too large, or reading it failed.")},
        {MCIERR_WAVE_OUTPUTSUNSUITABLE,
         QT_TRANSLATE_NOOP("Mci", "The wave output device cannot be opened. Check "
                                  "that the sound output is available.")},
        {MCIERR_DEVICE_NOT_AVAILABLE,
         QT_TRANSLATE_NOOP("Mci", "This media device type (CD audio) is not available in this version.")},
    };
    for (const auto& entry : texts)
        if (entry.error == error)
            return QCoreApplication::translate("Mci", entry.text);
    return QCoreApplication::translate("Mci", "Unknown media-control error %1.").arg(error);
}

} // namespace mci
