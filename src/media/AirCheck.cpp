// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/AirCheck.h"
#include "media/TapQueue.h"
#include "platform/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Chunk = CTapQueue::Chunk;
std::int64_t NowNs()
{
    return CTapQueue::NowNs();
}

// The wall clock's time of bus frame 0, from the stamps of the periods:
// a stamp is never earlier than its period left the mixer, so the lowest
// (stamp less the frames' time) is the closest. It may creep later by 1 ms
// a second (the card's clock against the system's) and jumps with a step of
// the system clock or after a stall of the bus of over half a second.
class FrameClock
{
public:
    explicit FrameClock(int rate) : m_rate(rate) {}

    void Stamp(std::uint64_t frame, std::int64_t stampNs)
    {
        const std::int64_t offset = stampNs - FrameNs(frame);
        if (!m_known || offset < m_base || offset - m_base > 500'000'000) {
            m_base = offset;
        } else {
            const std::int64_t creep = (FrameNs(frame) - FrameNs(m_last)) / 1000;
            m_base = std::min(offset, m_base + std::max<std::int64_t>(creep, 0));
        }
        m_known = true;
        m_last = frame;
    }
    std::int64_t WallNs(std::uint64_t frame) const { return m_base + FrameNs(frame); }
    // The first frame at or after wall time ns.
    std::uint64_t FrameAt(std::int64_t ns) const
    {
        const double frames = std::ceil(double(ns - m_base) * m_rate / 1e9);
        return frames <= 0 ? 0 : std::uint64_t(frames);
    }

private:
    std::int64_t FrameNs(std::uint64_t frame) const { return std::int64_t(double(frame) * 1e9 / m_rate); }
    int m_rate;
    bool m_known = false;
    std::int64_t m_base = 0;
    std::uint64_t m_last = 0;
};

int SndFormat(CAirCheck::Format format)
{
    switch (format) {
    case CAirCheck::Format::Vorbis: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case CAirCheck::Format::Mp3: return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case CAirCheck::Format::Flac: break;
    }
    return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
}

} // namespace

struct CAirCheck::Impl
{
    Options options;
    FrameClock clock{options.rate};

    CTapQueue queue;
    std::thread writer;

    // Writer side.
    SNDFILE* file = nullptr;
    QString path;
    std::int64_t endNs = 0;     // the boundary the file ends at
    std::int64_t retryNs = 0;   // a file that could not be made is tried again then
    std::int64_t spaceAtNs = 0; // the free space is looked at then
    bool low = false, failing = false;
    std::vector<short> shorts;

    explicit Impl(Options o) : options(std::move(o)) {}

    void Notice(const QString& text)
    {
        qCWarning(lcMedia).noquote() << "air-check:" << text;
        if (options.onNotice)
            options.onNotice(text);
    }

    void Run();
    void Write(const Chunk& chunk);
    void Put(const float* samples, std::uint64_t frames);
    void Open(std::int64_t startNs);
    void Close();
    void Housekeeping(std::int64_t nowNs);
};

CAirCheck::CAirCheck(Options options) : m_impl(std::make_unique<Impl>(std::move(options)))
{
    m_impl->options.fileMs = std::max<std::int64_t>(m_impl->options.fileMs, 1000);
    m_impl->writer = std::thread([impl = m_impl.get()] { impl->Run(); });
}

CAirCheck::~CAirCheck()
{
    m_impl->queue.Stop();
    m_impl->writer.join();
}

void CAirCheck::Take(const float* samples, int frames, std::uint64_t frame)
{
    m_impl->queue.Take(samples, std::size_t(frames) * std::size_t(m_impl->options.channels), frame);
}

std::optional<CAirCheck::Format> CAirCheck::FormatNamed(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("flac"))
        return Format::Flac;
    if (n == QLatin1String("ogg"))
        return Format::Vorbis;
    if (n == QLatin1String("mp3"))
        return Format::Mp3;
    return std::nullopt;
}

QString CAirCheck::Extension(Format format)
{
    switch (format) {
    case Format::Vorbis: return QStringLiteral("ogg");
    case Format::Mp3: return QStringLiteral("mp3");
    case Format::Flac: break;
    }
    return QStringLiteral("flac");
}

void CAirCheck::Impl::Run()
{
    std::vector<Chunk> work;
    Housekeeping(NowNs()); // the old files go at the start too, however short the run
    while (queue.Wait(work, std::chrono::milliseconds(100))) {
        for (const Chunk& chunk : work)
            Write(chunk);
        Housekeeping(NowNs());
        queue.Return(work);
    }
    Close();
}

// Writes one period, cut where a boundary falls in it.
void CAirCheck::Impl::Write(const Chunk& chunk)
{
    clock.Stamp(chunk.frame, chunk.stampNs);
    const int channels = options.channels;
    const std::uint64_t frames = chunk.samples.size() / std::size_t(channels);
    std::uint64_t done = 0;
    while (done < frames) {
        const std::uint64_t at = chunk.frame + done;
        if (!file && clock.WallNs(at) >= retryNs)
            Open(clock.WallNs(at));
        std::uint64_t upTo = frames;
        if (file) {
            const std::uint64_t boundary = clock.FrameAt(endNs);
            if (boundary <= at) { // the boundary is here: the next file starts with this frame
                Close();
                Open(endNs);
                continue;
            }
            upTo = std::min<std::uint64_t>(frames, boundary - chunk.frame);
            Put(chunk.samples.data() + done * std::size_t(channels), upTo - done);
        }
        done = upTo;
    }
}

void CAirCheck::Impl::Put(const float* samples, std::uint64_t frames)
{
    sf_count_t written = 0;
    if (options.format == Format::Flac) {
        // Converted here, so a sample of the air is the same sample read back.
        shorts.resize(frames * std::size_t(options.channels));
        for (std::size_t i = 0; i < shorts.size(); ++i)
            shorts[i] = short(std::clamp(std::lrint(samples[i] * 32768.0f), -32768L, 32767L));
        written = sf_writef_short(file, shorts.data(), sf_count_t(frames));
    } else {
        written = sf_writef_float(file, samples, sf_count_t(frames));
    }
    if (written != sf_count_t(frames)) {
        Notice(QStringLiteral("Cannot write %1: %2").arg(path, QString::fromLocal8Bit(sf_strerror(file))));
        Close();
        failing = true;
        retryNs = endNs; // the next file is tried at the next boundary
    }
}

// A new file for the air from startNs on; it ends at the next boundary.
void CAirCheck::Impl::Open(std::int64_t startNs)
{
    const std::int64_t lengthNs = options.fileMs * 1'000'000;
    endNs = (startNs / lengthNs + 1) * lengthNs;
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(startNs / 1'000'000);
    const QString folder = options.folder + u'/' + start.toString(QStringLiteral("yyyy/MM/dd"));
    const QString stem = folder + u'/' + start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QString extension = u'.' + CAirCheck::Extension(options.format);
    path = stem + extension;
    for (int n = 2; QFileInfo::exists(path); ++n) // a run started again within the second
        path = stem + u'-' + QString::number(n) + extension;
    SF_INFO info{};
    info.samplerate = options.rate;
    info.channels = options.channels;
    info.format = SndFormat(options.format);
    if (QDir().mkpath(folder))
        file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) {
        if (!failing)
            Notice(QStringLiteral("Cannot write %1: %2")
                       .arg(path, QDir(folder).exists() ? QString::fromLocal8Bit(sf_strerror(nullptr))
                                                        : QStringLiteral("the folder cannot be made")));
        failing = true;
        retryNs = startNs + 10'000'000'000; // tried again in 10 s of the air
        return;
    }
    if (failing)
        Notice(QStringLiteral("Recording again into %1").arg(path));
    failing = false;
    qCInfo(lcMedia).noquote() << "air-check: recording into" << path;
    spaceAtNs = 0; // looked at with each new file
}

void CAirCheck::Impl::Close()
{
    if (file)
        sf_close(file);
    file = nullptr;
}

// Every minute and with each new file: the files past their days go, and
// a disk running full is said once (and once more when it has room again).
void CAirCheck::Impl::Housekeeping(std::int64_t nowNs)
{
    if (nowNs < spaceAtNs)
        return;
    spaceAtNs = nowNs + 60'000'000'000;
    if (options.keepDays > 0) {
        const QDateTime oldest = QDateTime::fromMSecsSinceEpoch(nowNs / 1'000'000).addDays(-options.keepDays);
        const QString extension = u'.' + CAirCheck::Extension(options.format);
        QDirIterator it(options.folder, {u'*' + extension}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo old(it.next());
            if (old.lastModified() < oldest && old.filePath() != path && QFile::remove(old.filePath())) {
                QDir parent = old.dir(); // the day's, month's and year's folders go once empty
                for (int up = 0; up < 3 && parent.path().startsWith(options.folder + u'/') &&
                                 parent.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
                     ++up) {
                    const QString name = parent.dirName();
                    parent.cdUp();
                    parent.rmdir(name);
                }
            }
        }
    }
    const QStorageInfo disk(options.folder);
    if (!disk.isValid())
        return;
    const std::int64_t freeMb = disk.bytesAvailable() / (1024 * 1024);
    if (freeMb < options.minFreeMb && !low)
        Notice(QStringLiteral("The disk of %1 has %2 MB free, less than %3 MB")
                   .arg(options.folder)
                   .arg(freeMb)
                   .arg(options.minFreeMb));
    else if (freeMb >= options.minFreeMb && low)
        Notice(QStringLiteral("The disk of %1 has %2 MB free again").arg(options.folder).arg(freeMb));
    low = freeMb < options.minFreeMb;
}
