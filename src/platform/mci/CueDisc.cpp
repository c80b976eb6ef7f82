// SPDX-License-Identifier: GPL-3.0-or-later
// A cue-sheet image as a disc: the files its FILE lines name, laid one after
// the other with the sheet's generated gaps between them, read as one
// stream of 44.1 kHz stereo from sector 0 to the lead-out. Raw files
// (BINARY, MOTOROLA) are read sector by sector; WAVE, AIFF, FLAC and MP3
// files through libsndfile. Track starts are their INDEX 01, so a track's
// range holds the next track's pregap, as on a pressed disc.
// Files are checked with stat and opened without waiting, so a pipe in
// place of a sheet or a file is an error at once, never a wait.
#include "platform/mci/CueSheet.h"

#include "platform/FileNames.h"
#include "platform/mci/Mci.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace mci {
namespace {

constexpr std::int64_t kMaxDiscSectors = std::int64_t(24) * 3600 * kCdSectorsPerSecond;

QString Tr(const char* text)
{
    return QCoreApplication::translate("CueSheet", text);
}

// One opened file of the sheet.
struct DiscFile
{
    DiscFile() = default;
    DiscFile(const DiscFile&) = delete;
    DiscFile& operator=(const DiscFile&) = delete;
    ~DiscFile()
    {
        if (sound)
            sf_close(sound);
        if (fd >= 0)
            ::close(fd);
    }

    int fd = -1;
    SNDFILE* sound = nullptr; // decoded files
    int channels = 2;
    std::int64_t frames = 0; // decoded files
    std::int64_t bytes = 0;  // raw files
    std::int64_t next = 0;   // the frame libsndfile stands at
    bool bigEndian = false;
    std::vector<std::int16_t> buffer;
};

// A stretch of the disc: data of one file, or generated silence.
struct Segment
{
    std::int64_t start = 0; // disc sector
    std::int64_t sectors = 0;
    int file = -1;           // -1: silence (a gap, a data track)
    std::int64_t offset = 0; // raw: byte; decoded: frame
    int sectorBytes = 2352;
};

// The file a FILE line names, looked for as ripping programs and people
// leave them: beside the sheet (a Windows path's last part too), in another
// case, under another audio extension (a WAV rip converted to FLAC), or,
// for a one-file raw image renamed with its sheet, under the sheet's name.
QString FindFile(const QString& cuePath, const CueFile& file, std::size_t fileCount)
{
    const QDir dir = QFileInfo(cuePath).absoluteDir();
    QString name = file.name;
    name.replace(u'\\', u'/');
    const QString given = QDir::isAbsolutePath(name) ? name : dir.filePath(name);
    const QString base = name.section(u'/', -1);
    for (const QString& candidate : {given, dir.filePath(base)})
        if (FileNameExists(candidate))
            return candidate;
    const QString stem = QFileInfo(base).completeBaseName();
    static const QStringList rawExts{"bin", "img", "raw"};
    static const QStringList decodedExts{"wav", "flac", "aiff", "aif", "mp3", "ogg"};
    const QStringList& exts = file.raw ? rawExts : decodedExts;
    QString sameStem;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.compare(base, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
        const QFileInfo info(entry);
        if (sameStem.isEmpty() && info.completeBaseName().compare(stem, Qt::CaseInsensitive) == 0 &&
            exts.contains(info.suffix().toLower()))
            sameStem = dir.filePath(entry);
    }
    if (!sameStem.isEmpty())
        return sameStem;
    if (file.raw && fileCount == 1) {
        for (const QString& ext : rawExts) {
            const QString renamed = dir.filePath(QFileInfo(cuePath).completeBaseName() + u'.' + ext);
            if (FileNameExists(renamed))
                return renamed;
        }
    }
    return given;
}

// Opens a regular file without waiting; -1 with the reason in errno.
int OpenRegular(const QString& path, struct stat* info)
{
    const QByteArray name = FileNameBytes(path);
    if (::stat(name.constData(), info) != 0)
        return -1;
    if (!S_ISREG(info->st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode))) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// The whole of a regular file of at most max bytes (what is there when it
// was cut short meanwhile); 0, else the reason (EFBIG: too large).
int ReadSmallFile(const QString& path, qint64 max, QByteArray* bytes)
{
    struct stat info
    {};
    const int fd = OpenRegular(path, &info);
    if (fd < 0)
        return errno;
    if (info.st_size > max) {
        ::close(fd);
        return EFBIG;
    }
    bytes->resize(qsizetype(info.st_size));
    qsizetype got = 0;
    int error = 0;
    while (got < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + got, std::size_t(bytes->size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        got += n;
    }
    ::close(fd);
    bytes->truncate(got);
    return error;
}

QString NotReadable(const QString& path, int error)
{
    if (error == ENOENT)
        return QStringLiteral("%1: %2").arg(path, mciGetErrorString(MCIERR_FILE_NOT_FOUND));
    if (error == EINVAL)
        return QStringLiteral("%1: %2").arg(path, Tr("no regular file (a pipe, a device or a folder)."));
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

class CueSource : public PcmSource
{
public:
    CueSource(std::vector<std::unique_ptr<DiscFile>> files, std::vector<Segment> segments, CdToc toc)
        : m_files(std::move(files)), m_segments(std::move(segments)), m_toc(std::move(toc))
    {
    }

    int Rate() const override { return 44100; }
    std::int64_t Frames() const override { return std::int64_t(m_toc.starts.back()) * kCdFramesPerSector; }

    std::vector<TrackSpan> Tracks() const override
    {
        std::vector<TrackSpan> tracks;
        for (std::size_t i = 0; i + 1 < m_toc.starts.size(); ++i)
            tracks.push_back({std::int64_t(m_toc.starts[i]) * kCdFramesPerSector,
                              std::int64_t(m_toc.starts[i + 1] - m_toc.starts[i]) * kCdFramesPerSector});
        return tracks;
    }

    bool Seek(std::int64_t frame) override
    {
        if (frame < 0 || frame > Frames())
            return false;
        m_frame = frame;
        return true;
    }

    std::int64_t Read(std::int16_t* out, std::int64_t frames) override
    {
        std::int64_t got = 0;
        while (got < frames && m_frame < Frames()) {
            const std::int64_t sector = m_frame / kCdFramesPerSector;
            const auto it = std::upper_bound(
                m_segments.begin(), m_segments.end(), sector,
                [](std::int64_t s, const Segment& seg) { return s < seg.start; });
            const Segment& seg = *std::prev(it);
            const std::int64_t segFrame = m_frame - seg.start * kCdFramesPerSector;
            const std::int64_t n = std::min(frames - got,
                                            (seg.start + seg.sectors) * kCdFramesPerSector - m_frame);
            std::int16_t* to = out + 2 * got;
            std::fill(to, to + 2 * n, std::int16_t(0));
            if (seg.file >= 0) {
                DiscFile& file = *m_files[std::size_t(seg.file)];
                if (file.sound)
                    ReadDecoded(file, seg.offset + segFrame, to, n);
                else
                    ReadRaw(file, seg, segFrame, to, n);
            }
            got += n;
            m_frame += n;
        }
        return got;
    }

private:
    // What cannot be read stays silence, so the disc keeps its timing.
    static void ReadRaw(DiscFile& file, const Segment& seg, std::int64_t frame, std::int16_t* out,
                        std::int64_t n)
    {
        std::array<unsigned char, 4 * kCdFramesPerSector> raw{};
        while (n > 0) {
            const std::int64_t inSector = frame % kCdFramesPerSector;
            const std::int64_t count = std::min<std::int64_t>(n, kCdFramesPerSector - inSector);
            const off_t at = off_t(seg.offset + frame / kCdFramesPerSector * seg.sectorBytes + inSector * 4);
            const ssize_t read = ::pread(file.fd, raw.data(), std::size_t(count * 4), at);
            for (ssize_t i = 0; i + 1 < read; i += 2)
                out[i / 2] = file.bigEndian ? qFromBigEndian<std::int16_t>(raw.data() + i)
                                            : qFromLittleEndian<std::int16_t>(raw.data() + i);
            out += 2 * count;
            frame += count;
            n -= count;
        }
    }

    static void ReadDecoded(DiscFile& file, std::int64_t frame, std::int16_t* out, std::int64_t n)
    {
        if (frame >= file.frames)
            return;
        if (file.next != frame && sf_seek(file.sound, frame, SEEK_SET) < 0)
            return;
        file.buffer.resize(std::size_t(n * file.channels));
        const sf_count_t got = std::max<sf_count_t>(sf_readf_short(file.sound, file.buffer.data(), n), 0);
        file.next = frame + got;
        for (sf_count_t i = 0; i < got; ++i) {
            const std::int16_t* in = file.buffer.data() + i * file.channels;
            out[2 * i] = in[0];
            out[2 * i + 1] = file.channels > 1 ? in[1] : in[0];
        }
    }

    std::vector<std::unique_ptr<DiscFile>> m_files;
    std::vector<Segment> m_segments;
    const CdToc m_toc;
    std::int64_t m_frame = 0;
};

// Lays the files out as a disc. Walks the tracks' index points in the
// sheet's order: the data before a track's first point belongs to the track
// before it, then come that track's POSTGAP and the new track's PREGAP.
class Layout
{
public:
    Layout(const CueSheet& sheet, const std::vector<std::unique_ptr<DiscFile>>& files)
        : m_sheet(sheet), m_files(files)
    {
    }

    // The segments and the starts; false with *problem set when an index
    // lies past the end of its file.
    bool Run(const QString& cueName, std::vector<Segment>* segments, CdToc* toc, CueProblem* problem)
    {
        const CueTrack* previous = nullptr;
        m_sectorBytes = m_sheet.tracks.front().sectorBytes;
        m_audio = m_sheet.tracks.front().audio;
        for (const CueTrack& track : m_sheet.tracks) {
            bool first = true;
            for (const CuePoint* point : {track.index0 ? &*track.index0 : nullptr, &track.index1}) {
                if (!point)
                    continue;
                MoveToFile(point->file);
                if (point->sector > EndSector()) {
                    *problem = {MCIERR_INVALID_FILE, Tr("%1 line %2: the INDEX lies past the end of %3.")
                                                         .arg(cueName)
                                                         .arg(point->line)
                                                         .arg(m_sheet.files[point->file].name)};
                    return false;
                }
                Data(point->sector - m_filePos);
                if (first) {
                    Silence(previous ? previous->postgap : 0);
                    Silence(track.pregap);
                    m_sectorBytes = track.sectorBytes;
                    m_audio = track.audio;
                    first = false;
                }
            }
            toc->starts.push_back(std::int32_t(m_pos));
            previous = &track;
        }
        MoveToFile(m_files.size() - 1);
        Data(EndSector() - m_filePos);
        Silence(previous->postgap);
        if (m_pos > kMaxDiscSectors) {
            *problem = {MCIERR_INVALID_FILE,
                        QStringLiteral("%1: %2").arg(cueName, Tr("the disc lasts over 24 hours."))};
            return false;
        }
        toc->starts.push_back(std::int32_t(m_pos));
        *segments = std::move(m_segments);
        return true;
    }

private:
    // The end of the current file in sectors of the current track.
    std::int64_t EndSector() const
    {
        const DiscFile& file = *m_files[m_file];
        if (file.sound)
            return (file.frames + kCdFramesPerSector - 1) / kCdFramesPerSector;
        return m_filePos +
               (std::max<std::int64_t>(file.bytes - m_fileByte, 0) + m_sectorBytes - 1) / m_sectorBytes;
    }

    void MoveToFile(std::size_t file)
    {
        while (m_file < file) {
            Data(EndSector() - m_filePos);
            ++m_file;
            m_filePos = 0;
            m_fileByte = 0;
        }
    }

    void Data(std::int64_t sectors)
    {
        if (sectors <= 0)
            return;
        const bool raw = !m_files[m_file]->sound;
        Push({m_pos, sectors, m_audio ? int(m_file) : -1, raw ? m_fileByte : m_filePos * kCdFramesPerSector,
              m_sectorBytes});
        m_filePos += sectors;
        m_fileByte += sectors * m_sectorBytes;
    }

    void Silence(std::int64_t sectors)
    {
        if (sectors > 0)
            Push({m_pos, sectors, -1, 0, 2352});
    }

    void Push(const Segment& segment)
    {
        m_segments.push_back(segment);
        m_pos += segment.sectors;
    }

    const CueSheet& m_sheet;
    const std::vector<std::unique_ptr<DiscFile>>& m_files;
    std::vector<Segment> m_segments;
    std::int64_t m_pos = 0;      // disc sector
    std::size_t m_file = 0;      // the file being laid
    std::int64_t m_filePos = 0;  // its sector
    std::int64_t m_fileByte = 0; // its byte (raw files)
    int m_sectorBytes = 2352;    // of the track whose data is being laid
    bool m_audio = true;
};

// Opens the file of a FILE line; null with *problem set.
std::unique_ptr<DiscFile> OpenFile(const QString& cuePath, const CueSheet& sheet, const CueFile& entry,
                                   CueProblem* problem)
{
    const QString cueName = QFileInfo(cuePath).fileName();
    const QString path = FindFile(cuePath, entry, sheet.files.size());
    const auto fail = [&](MCIERROR error, const QString& why) {
        *problem = {error, QStringLiteral("%1 line %2: %3").arg(cueName).arg(entry.line).arg(why)};
        return nullptr;
    };
    auto file = std::make_unique<DiscFile>();
    struct stat info
    {};
    file->fd = OpenRegular(path, &info);
    if (file->fd < 0) {
        const int error = errno;
        return fail(error == ENOENT ? MCIERR_FILE_NOT_FOUND : MCIERR_FILE_READ, NotReadable(path, error));
    }
    file->bigEndian = entry.bigEndian;
    if (entry.raw) {
        file->bytes = info.st_size;
        return file;
    }
    SF_INFO format{};
    file->sound = sf_open_fd(file->fd, SFM_READ, &format, SF_FALSE);
    if (!file->sound || format.channels < 1 || format.frames < 0)
        return fail(MCIERR_INVALID_FILE,
                    QStringLiteral("%1: %2").arg(path, mciGetErrorString(MCIERR_INVALID_FILE)));
    if (format.samplerate != 44100)
        return fail(
            MCIERR_INVALID_FILE,
            Tr("%1 is sampled at %2 Hz; a CD image plays 44100 Hz.").arg(path).arg(format.samplerate));
    file->channels = format.channels;
    file->frames = format.frames;
    return file;
}

// The titles of the sheet's CDTEXTFILE where the sheet names none. A file
// that cannot be read or holds no CD-TEXT is a warning: the disc plays with
// the sheet's own titles.
void FillFromCdText(const QString& cuePath, const CueSheet& sheet, CdToc* disc)
{
    CueFile named;
    named.name = sheet.cdTextFile;
    named.raw = false;
    const QString path = FindFile(cuePath, named, sheet.files.size());
    QByteArray bytes;
    const int error = ReadSmallFile(path, 64 * 1024, &bytes);
    CdText discText;
    std::vector<CdText> tracks;
    if (error != 0 || !ReadCdTextPacks(bytes, &discText, &tracks)) {
        qWarning().noquote() << QStringLiteral(
                                    "%1 line %2: the CD-TEXT file %3 %4; the sheet's own titles are shown")
                                    .arg(QFileInfo(cuePath).fileName())
                                    .arg(sheet.cdTextLine)
                                    .arg(sheet.cdTextFile,
                                         error == 0 ? QStringLiteral("holds no CD-TEXT")
                                                    : QStringLiteral("cannot be read (%1)")
                                                          .arg(QString::fromLocal8Bit(std::strerror(error))));
        return;
    }
    const auto fill = [](CdText& into, const CdText& from) {
        if (into.title.isEmpty())
            into.title = from.title;
        if (into.performer.isEmpty())
            into.performer = from.performer;
    };
    fill(disc->disc, discText);
    for (std::size_t i = 0; i < sheet.tracks.size() && i < disc->tracks.size(); ++i) {
        const std::size_t number = std::size_t(sheet.tracks[i].number);
        if (number >= 1 && number <= tracks.size())
            fill(disc->tracks[i], tracks[number - 1]);
    }
}

} // namespace

bool OpenCueDisc(const QString& cuePath, CdToc* toc, std::unique_ptr<PcmSource>* source, CueProblem* problem)
{
    const QString cueName = QFileInfo(cuePath).fileName();
    QByteArray text;
    if (const int error = ReadSmallFile(cuePath, kMaxCueSheetBytes, &text); error == EFBIG) {
        *problem = {MCIERR_FILE_READ,
                    QStringLiteral("%1: %2").arg(cuePath, Tr("over 1 MiB, too large for a cue sheet."))};
        return false;
    } else if (error != 0) {
        *problem = {error == ENOENT ? MCIERR_FILE_NOT_FOUND : MCIERR_FILE_READ, NotReadable(cuePath, error)};
        return false;
    }

    const std::optional<CueSheet> sheet = ParseCueSheet(text, cueName, problem);
    if (!sheet)
        return false;
    std::vector<std::unique_ptr<DiscFile>> files;
    for (const CueFile& entry : sheet->files) {
        files.push_back(OpenFile(cuePath, *sheet, entry, problem));
        if (!files.back())
            return false;
    }
    std::vector<Segment> segments;
    CdToc disc;
    disc.firstTrack = sheet->tracks.front().number;
    if (!Layout(*sheet, files).Run(cueName, &segments, &disc, problem))
        return false;
    disc.disc = sheet->text;
    for (const CueTrack& track : sheet->tracks)
        disc.tracks.push_back(track.text);
    if (!sheet->cdTextFile.isEmpty())
        FillFromCdText(cuePath, *sheet, &disc);
    if (source)
        *source = std::make_unique<CueSource>(std::move(files), std::move(segments), disc);
    *toc = std::move(disc);
    return true;
}

} // namespace mci
