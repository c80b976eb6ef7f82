// SPDX-License-Identifier: GPL-3.0-or-later
// The cdaudio device's disc: the table of contents through libcdio, and the
// disc read as one stream of 44.1 kHz stereo samples from the start of the
// program area to the lead-out. A drive is read through libcdio-paranoia
// (jitter and scratch repair); an image file is read sector by sector. The
// device's positions are disc positions in milliseconds.
#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include "platform/mci/CdDisc.h"

#include "platform/FileNames.h"
#include "platform/mci/CueSheet.h"
#include "platform/mci/Mci.h"
#include "platform/mci/PcmSource.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include <sys/stat.h>

namespace mci {
namespace {

// libcdio writes its notes, warnings and errors to stderr; the layer
// reports failures through its own error numbers instead.
void QuietLog(cdio_log_level_t /*level*/, const char* /*message*/) {}

void SilenceLibcdio()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(QuietLog); });
}

CdIo_t* OpenRoot(const QString& root)
{
    SilenceLibcdio();
    return cdio_open(FileNameBytes(root).constData(), DRIVER_UNKNOWN);
}

std::optional<CdToc> TocOf(CdIo_t* cdio)
{
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return std::nullopt;
    CdToc toc;
    toc.firstTrack = first;
    for (int i = 0; i <= count; ++i) {
        const lsn_t lsn = cdio_get_track_lsn(cdio, i == count ? track_t(CDIO_CDROM_LEADOUT_TRACK)
                                                              : track_t(first + i));
        if (lsn == CDIO_INVALID_LSN || (!toc.starts.empty() && lsn < toc.starts.back()))
            return std::nullopt;
        toc.starts.push_back(lsn);
    }
    if (const cdtext_t* text = cdio_get_cdtext(cdio)) {
        const auto field = [text](cdtext_field_t which, track_t track) {
            return QString::fromUtf8(cdtext_get_const(text, which, track)).trimmed();
        };
        toc.disc = {field(CDTEXT_FIELD_TITLE, 0), field(CDTEXT_FIELD_PERFORMER, 0)};
        for (int i = 0; i < count; ++i)
            toc.tracks.push_back({field(CDTEXT_FIELD_TITLE, track_t(first + i)),
                                  field(CDTEXT_FIELD_PERFORMER, track_t(first + i))});
    }
    return toc;
}

// libcdio opens what it is given and would wait for ever on a pipe: a root
// must be a file or a device (a drive is a block device).
bool OpenableRoot(const QString& root)
{
    struct stat info
    {};
    return ::stat(FileNameBytes(root).constData(), &info) == 0 &&
           (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode) || S_ISCHR(info.st_mode));
}

// The text of the last failed open of an image on this thread.
QString& OpenProblem()
{
    thread_local QString text;
    return text;
}

class CdSource : public PcmSource
{
public:
    CdSource(CdIo_t* cdio, CdToc toc) : m_cdio(cdio), m_toc(std::move(toc))
    {
        // A drive gets paranoia's verified reads; images read plainly.
        if (cdio_get_driver_id(m_cdio) == DRIVER_LINUX) {
            m_drive = cdio_cddap_identify_cdio(m_cdio, CDDA_MESSAGE_FORGETIT, nullptr);
            if (m_drive && cdio_cddap_open(m_drive) == 0) {
                m_paranoia = cdio_paranoia_init(m_drive);
                cdio_paranoia_modeset(m_paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
            }
        }
    }

    ~CdSource() override
    {
        if (m_paranoia)
            cdio_paranoia_free(m_paranoia);
        if (m_drive)
            cdio_cddap_close_no_free_cdio(m_drive);
        cdio_destroy(m_cdio);
    }

    CdSource(const CdSource&) = delete;
    CdSource& operator=(const CdSource&) = delete;

    int Rate() const override { return 44100; }
    std::int64_t Frames() const override { return std::int64_t(m_toc.starts.back()) * kCdFramesPerSector; }

    std::vector<TrackSpan> Tracks() const override
    {
        std::vector<TrackSpan> tracks;
        for (int i = 0; i < m_toc.Tracks(); ++i)
            tracks.push_back({std::int64_t(m_toc.starts[std::size_t(i)]) * kCdFramesPerSector,
                              std::int64_t(m_toc.starts[std::size_t(i) + 1] - m_toc.starts[std::size_t(i)]) *
                                  kCdFramesPerSector});
        return tracks;
    }

    bool Seek(std::int64_t frame) override
    {
        if (frame < 0 || frame > Frames())
            return false;
        m_sector = lsn_t(frame / kCdFramesPerSector);
        m_skip = int(frame % kCdFramesPerSector);
        m_used = kCdFramesPerSector; // the buffer no longer holds the next frames
        if (m_paranoia)
            cdio_paranoia_seek(m_paranoia, m_sector, SEEK_SET);
        return true;
    }

    std::int64_t Read(std::int16_t* out, std::int64_t frames) override
    {
        std::int64_t got = 0;
        while (got < frames) {
            if (m_used == kCdFramesPerSector) {
                if (m_sector >= m_toc.starts.back())
                    break;
                ReadSector();
                m_used = m_skip;
                m_skip = 0;
            }
            const std::int64_t n = std::min<std::int64_t>(frames - got, kCdFramesPerSector - m_used);
            std::memcpy(out + 2 * got, m_buffer.data() + 2 * m_used, std::size_t(n) * 4);
            m_used += int(n);
            got += n;
        }
        return got;
    }

private:
    // The sector at m_sector into the buffer in host order; an unreadable
    // sector plays as silence, so the disc keeps its timing.
    void ReadSector()
    {
        bool ok = false;
        if (m_paranoia) {
            if (const std::int16_t* samples = cdio_paranoia_read_limited(m_paranoia, nullptr, 10)) {
                std::memcpy(m_buffer.data(), samples, sizeof m_buffer);
                ok = true;
            }
        } else {
            std::array<unsigned char, CDIO_CD_FRAMESIZE_RAW> raw{};
            if (cdio_read_audio_sectors(m_cdio, raw.data(), m_sector, 1) == DRIVER_OP_SUCCESS) {
                for (std::size_t i = 0; i < m_buffer.size(); ++i)
                    m_buffer[i] = qFromLittleEndian<std::int16_t>(raw.data() + 2 * i);
                ok = true;
            }
        }
        if (!ok)
            m_buffer.fill(0);
        ++m_sector;
    }

    CdIo_t* m_cdio;
    const CdToc m_toc;
    cdrom_drive_t* m_drive = nullptr;
    cdrom_paranoia_t* m_paranoia = nullptr;
    std::array<std::int16_t, 2 * kCdFramesPerSector> m_buffer{};
    lsn_t m_sector = 0;
    int m_skip = 0;                  // frames of the next sector before the read position
    int m_used = kCdFramesPerSector; // frames of the buffer already read
};

int DigitSum(int n)
{
    int sum = 0;
    for (; n > 0; n /= 10)
        sum += n % 10;
    return sum;
}

} // namespace

QString DefaultCdDrive()
{
    if (qEnvironmentVariableIsSet("LIRANA_CD_DEVICE"))
        return qEnvironmentVariable("LIRANA_CD_DEVICE").trimmed();
    SilenceLibcdio();
    QString drive;
    if (char** devices = cdio_get_devices(DRIVER_DEVICE)) {
        if (devices[0])
            drive = QFile::decodeName(devices[0]);
        cdio_free_device_list(devices);
    }
    return drive;
}

std::optional<CdToc> ReadCdToc(const QString& root)
{
    if (root.isEmpty() || !FileNameExists(root))
        return std::nullopt;
    if (IsCueSheetPath(root)) {
        CdToc toc;
        CueProblem problem;
        return OpenCueDisc(root, &toc, nullptr, &problem) ? std::optional<CdToc>(std::move(toc))
                                                          : std::nullopt;
    }
    if (!OpenableRoot(root))
        return std::nullopt;
    CdIo_t* cdio = OpenRoot(root);
    if (!cdio)
        return std::nullopt;
    std::optional<CdToc> toc = TocOf(cdio);
    cdio_destroy(cdio);
    return toc;
}

std::uint32_t CddbDiscId(const CdToc& toc)
{
    if (toc.Tracks() == 0)
        return 0;
    constexpr int kLeadIn = 2 * kCdSectorsPerSecond; // track 1 starts at 00:02:00
    int sum = 0;
    for (int i = 0; i < toc.Tracks(); ++i)
        sum += DigitSum((toc.starts[std::size_t(i)] + kLeadIn) / kCdSectorsPerSecond);
    const int seconds = (toc.starts.back() + kLeadIn) / kCdSectorsPerSecond -
                        (toc.starts.front() + kLeadIn) / kCdSectorsPerSecond;
    return std::uint32_t(sum % 0xFF) << 24 | std::uint32_t(seconds) << 8 | std::uint32_t(toc.Tracks());
}

bool SetCdDoor(const QString& root, bool open)
{
    if (root.isEmpty() || !QFileInfo(root).exists() || QFileInfo(root).isFile())
        return false; // an image has no door
    SilenceLibcdio();
    const QByteArray device = FileNameBytes(root);
    if (open)
        return cdio_eject_media_drive(device.constData()) == DRIVER_OP_SUCCESS;
    driver_id_t driver = DRIVER_DEVICE;
    return cdio_close_tray(device.constData(), &driver) == DRIVER_OP_SUCCESS;
}

std::unique_ptr<PcmSource> OpenCdSource(const QString& root, std::uint32_t* error)
{
    OpenProblem().clear();
    const QString drive = root.isEmpty() ? DefaultCdDrive() : root;
    if (!drive.isEmpty() && IsCueSheetPath(drive)) {
        CdToc toc;
        CueProblem problem;
        std::unique_ptr<PcmSource> source;
        if (!OpenCueDisc(drive, &toc, &source, &problem)) {
            *error = problem.error;
            OpenProblem() = problem.text;
        }
        return source;
    }
    if (drive.isEmpty() || !FileNameExists(drive)) {
        *error = drive.isEmpty() ? MCIERR_DEVICE_NOT_READY : MCIERR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (!OpenableRoot(drive)) {
        *error = MCIERR_FILE_READ;
        return nullptr;
    }
    CdIo_t* cdio = OpenRoot(drive);
    std::optional<CdToc> toc = cdio ? TocOf(cdio) : std::nullopt;
    if (!toc) {
        if (cdio)
            cdio_destroy(cdio);
        *error = MCIERR_DEVICE_NOT_READY;
        return nullptr;
    }
    return std::make_unique<CdSource>(cdio, std::move(*toc));
}

QString LastCdOpenProblem()
{
    return OpenProblem();
}

} // namespace mci
