// SPDX-License-Identifier: GPL-3.0-or-later
// Cue-sheet text beside a raw file and a WAV file of 20 sectors each: the
// sheet is read into a disc and the disc read at its track starts and its
// end. Holds: a sheet that reads gives 1 to 99 tracks whose starts never go
// back and reads of exactly what was asked inside the disc; one that does
// not read gives an error number and a text that names the sheet.
#include "FuzzText.h"
#include "platform/mci/CueSheet.h"

#include <QFile>
#include <QTemporaryDir>
#include <sndfile.h>

#include <cstdlib>
#include <vector>

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

const QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        const int frames = 20 * mci::kCdFramesPerSector;
        std::vector<std::int16_t> samples(std::size_t(2 * frames), 1000);
        Write(dir.filePath(QStringLiteral("a.bin")),
              QByteArray(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2)));
        SF_INFO info{0, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* wav = sf_open(QFile::encodeName(dir.filePath(QStringLiteral("a.wav"))).constData(),
                               SFM_WRITE, &info);
        if (!wav || sf_writef_short(wav, samples.data(), frames) != frames)
            std::abort();
        sf_close(wav);
        return true;
    }();
    (void)made;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString cue = Folder().filePath(QStringLiteral("fuzz.cue"));
    Write(cue, FuzzBytes(data, size));
    mci::CdToc toc;
    std::unique_ptr<mci::PcmSource> source;
    mci::CueProblem problem;
    if (!mci::OpenCueDisc(cue, &toc, &source, &problem)) {
        if (problem.error == 0 || !problem.text.contains(QLatin1String("fuzz.cue")))
            std::abort();
        return 0;
    }
    if (toc.Tracks() < 1 || toc.Tracks() > 99 || toc.firstTrack < 1 || toc.firstTrack > 99 ||
        std::size_t(toc.Tracks()) != source->Tracks().size() || toc.starts.front() < 0)
        std::abort();
    for (std::size_t i = 1; i < toc.starts.size(); ++i)
        if (toc.starts[i] < toc.starts[i - 1])
            std::abort();
    std::vector<std::int16_t> block(2 * 700);
    std::vector<std::int64_t> at;
    for (const std::int32_t start : toc.starts)
        at.push_back(std::int64_t(start) * mci::kCdFramesPerSector);
    at.push_back(source->Frames() - 1);
    for (const std::int64_t frame : at) {
        if (frame < 0 || frame >= source->Frames())
            continue;
        const std::int64_t want = std::min<std::int64_t>(700, source->Frames() - frame);
        if (!source->Seek(frame) || source->Read(block.data(), 700) != want)
            std::abort();
    }
    return 0;
}
