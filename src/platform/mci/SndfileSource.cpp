// SPDX-License-Identifier: GPL-3.0-or-later
// The waveaudio decoder: anything libsndfile reads (WAV, AIFF, AU, FLAC,
// Ogg Vorbis and Opus, MP3), as 16-bit stereo: mono is doubled, channels
// beyond the second are left out.
#include "platform/FileNames.h"
#include "platform/mci/Mci.h"
#include "platform/mci/PcmSource.h"

#include <QFile>
#include <sndfile.h>

#include <vector>

namespace mci {
namespace {

class SndfileSource : public PcmSource
{
public:
    SndfileSource(SNDFILE* file, const SF_INFO& info) : m_file(file), m_info(info) {}
    ~SndfileSource() override { sf_close(m_file); }

    int Rate() const override { return m_info.samplerate; }
    std::int64_t Frames() const override { return m_info.frames; }
    bool Seek(std::int64_t frame) override { return sf_seek(m_file, frame, SEEK_SET) >= 0; }

    std::int64_t Read(std::int16_t* out, std::int64_t frames) override
    {
        const int channels = m_info.channels;
        if (channels == 2)
            return sf_readf_short(m_file, out, frames);
        m_buffer.resize(std::size_t(frames * channels));
        const sf_count_t got = sf_readf_short(m_file, m_buffer.data(), frames);
        for (sf_count_t i = 0; i < got; ++i) {
            const std::int16_t* in = m_buffer.data() + i * channels;
            out[2 * i] = in[0];
            out[2 * i + 1] = channels > 1 ? in[1] : in[0];
        }
        return got;
    }

private:
    SNDFILE* m_file;
    SF_INFO m_info;
    std::vector<std::int16_t> m_buffer;
};

} // namespace

std::unique_ptr<PcmSource> OpenSndfileSource(const QString& path, std::uint32_t* error)
{
    if (!QFile::exists(path)) {
        *error = MCIERR_FILE_NOT_FOUND;
        return nullptr;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(FileNameBytes(path).constData(), SFM_READ, &info);
    if (!file || info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        if (file)
            sf_close(file);
        *error = MCIERR_INVALID_FILE;
        return nullptr;
    }
    // Samples as they are: no scaling of float files beyond full scale.
    sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    return std::make_unique<SndfileSource>(file, info);
}

} // namespace mci
