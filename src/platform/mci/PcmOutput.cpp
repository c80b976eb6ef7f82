// SPDX-License-Identifier: GPL-3.0-or-later
// The two outputs of the media-control layer: ALSA (blocking writes of
// interleaved S16, a buffer of about 100 ms, soft resampling allowed) and the
// null output, which discards samples at the pace a sound card would take
// them, so that positions and ends behave as on air without a card.
#include "platform/mci/PcmSource.h"

#include "platform/StreamGuard.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace mci {
namespace {

constexpr unsigned kLatencyUs = 100000;

class AlsaOutput : public PcmOutput
{
public:
    explicit AlsaOutput(snd_pcm_t* pcm) : m_pcm(pcm) {}
    ~AlsaOutput() override
    {
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
    }

    bool Write(const std::int16_t* frames, std::int64_t count) override
    {
        while (count > 0) {
            snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, frames, snd_pcm_uframes_t(count));
            if (n < 0) {
                n = snd_pcm_recover(m_pcm, int(n), 1);
                if (n < 0)
                    return false;
                continue;
            }
            frames += 2 * n;
            count -= n;
        }
        return true;
    }

    std::int64_t Delay() override
    {
        snd_pcm_sframes_t delay = 0;
        // Also before the stream starts: what is queued counts as not heard.
        if (snd_pcm_delay(m_pcm, &delay) < 0)
            return 0;
        return delay > 0 ? delay : 0;
    }

    void Drop() override
    {
        snd_pcm_drop(m_pcm);
        snd_pcm_prepare(m_pcm);
    }

    void Flush() override
    {
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(m_pcm);
    }

private:
    snd_pcm_t* m_pcm;
};

class NullOutput : public PcmOutput
{
public:
    explicit NullOutput(int rate) : m_rate(rate) {}

    bool Write(const std::int16_t*, std::int64_t count) override
    {
        if (m_queued == 0)
            m_start = Clock::now();
        m_queued += count;
        // Take no more than a buffer ahead of what has been "heard".
        const std::int64_t buffer = std::int64_t(m_rate) * kLatencyUs / 1000000;
        while (Delay() > buffer)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return true;
    }

    std::int64_t Delay() override
    {
        if (m_queued == 0)
            return 0;
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_start);
        const std::int64_t played = elapsed.count() * m_rate / 1000000;
        return played >= m_queued ? 0 : m_queued - played;
    }

    void Drop() override { m_queued = 0; }

private:
    using Clock = std::chrono::steady_clock;
    int m_rate;
    std::int64_t m_queued = 0;
    Clock::time_point m_start;
};

struct Opener
{
    std::mutex mutex;
    PcmOutputOpener open;
};

Opener& TheOpener()
{
    static Opener opener;
    return opener;
}

} // namespace

void SetPcmOutputOpener(PcmOutputOpener opener)
{
    std::lock_guard lock(TheOpener().mutex);
    TheOpener().open = std::move(opener);
}

std::unique_ptr<PcmOutput> OpenDeviceOutput(std::uint32_t device, const QString& name, int rate,
                                            QString* errorText)
{
    PcmOutputOpener open;
    {
        std::lock_guard lock(TheOpener().mutex);
        open = TheOpener().open;
    }
    return open ? open(device, rate, errorText) : OpenPcmOutput(name, rate, errorText);
}

std::unique_ptr<PcmOutput> OpenPcmOutput(const QString& name, int rate, QString* errorText)
{
    if (name == u"null")
        return std::make_unique<NullOutput>(rate);
    snd_pcm_t* pcm = nullptr;
    int rc = snd_pcm_open(&pcm, name.toUtf8().constData(), SND_PCM_STREAM_PLAYBACK, 0);
    if (rc == 0) {
        rc = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2, unsigned(rate), 1,
                                kLatencyUs);
        if (rc < 0)
            snd_pcm_close(pcm);
    }
    if (rc < 0) {
        *errorText = QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(snd_strerror(rc)));
        return nullptr;
    }
    // A plug-in's stream on a sound server exists now and has not sounded:
    // a level the server remembered for it must not lower the item.
    if (snd_pcm_type(pcm) == SND_PCM_TYPE_IOPLUG)
        platform::HoldNewAlsaStreamsAtUnity();
    return std::make_unique<AlsaOutput>(pcm);
}

} // namespace mci
