// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioOut.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>

namespace npmod32 {

namespace {

// Silence at the pace of a sound card: what is written is "heard" in real
// time on the monotonic clock; at most kLatencyFrames are queued.
class NullOut final : public AudioOut
{
public:
    long Avail() override { return kLatencyFrames - Delay(); }
    long Write(const std::int16_t* /*frames*/, long count) override
    {
        const long taken = std::min(count, Avail());
        if (Delay() == 0)
            m_heardUntil = Now(); // an underrun: the stream starts again now
        m_heardUntil += std::chrono::nanoseconds(std::int64_t(taken) * 1000000000 / kRate);
        return taken;
    }
    long Delay() override
    {
        const auto ahead = m_heardUntil - Now();
        return ahead.count() > 0 ? long(ahead.count() * kRate / 1000000000) : 0;
    }
    void Start() override {}
    void Drop(long long /*next*/) override { m_heardUntil = Now(); }

private:
    using Clock = std::chrono::steady_clock;
    static Clock::time_point Now() { return Clock::now(); }
    Clock::time_point m_heardUntil = Now();
};

// A stream stalled for good: it takes one queue and never plays it.
class StalledOut final : public AudioOut
{
public:
    long Avail() override { return kLatencyFrames - m_queued; }
    long Write(const std::int16_t* /*frames*/, long count) override
    {
        const long taken = std::min(count, Avail());
        m_queued += taken;
        return taken;
    }
    long Delay() override { return m_queued; }
    void Start() override {}
    void Drop(long long /*next*/) override { m_queued = 0; }

private:
    long m_queued = 0;
};

class AlsaOut final : public AudioOut
{
public:
    AlsaOut(snd_pcm_t* pcm, long bufferFrames) : m_pcm(pcm), m_bufferFrames(bufferFrames) {}
    ~AlsaOut() override { snd_pcm_close(m_pcm); }
    AlsaOut(const AlsaOut&) = delete;
    AlsaOut& operator=(const AlsaOut&) = delete;

    long Avail() override
    {
        snd_pcm_sframes_t avail = snd_pcm_avail_update(m_pcm);
        if (avail < 0 && snd_pcm_recover(m_pcm, int(avail), 1) == 0)
            avail = snd_pcm_avail_update(m_pcm);
        // Keep at most kLatencyFrames queued, however large the buffer.
        return avail < 0 ? 0
                         : std::clamp<long>(kLatencyFrames - (m_bufferFrames - long(avail)), 0, long(avail));
    }
    long Write(const std::int16_t* frames, long count) override
    {
        snd_pcm_sframes_t written = snd_pcm_writei(m_pcm, frames, snd_pcm_uframes_t(count));
        if (written < 0 && snd_pcm_recover(m_pcm, int(written), 1) == 0)
            written = snd_pcm_writei(m_pcm, frames, snd_pcm_uframes_t(count));
        return written < 0 ? 0 : long(written);
    }
    long Delay() override
    {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_state(m_pcm) != SND_PCM_STATE_RUNNING || snd_pcm_delay(m_pcm, &delay) < 0)
            return QueuedNotStarted();
        return std::max<long>(delay, 0);
    }
    void Start() override
    {
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED && QueuedNotStarted() > 0)
            snd_pcm_start(m_pcm);
    }
    void Drop(long long /*next*/) override
    {
        snd_pcm_drop(m_pcm);
        snd_pcm_prepare(m_pcm);
    }

private:
    // Before the stream starts the queued frames are still to be heard.
    long QueuedNotStarted()
    {
        if (snd_pcm_state(m_pcm) != SND_PCM_STATE_PREPARED)
            return 0;
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(m_pcm);
        return avail < 0 ? 0 : std::max<long>(m_bufferFrames - long(avail), 0);
    }

    snd_pcm_t* m_pcm;
    long m_bufferFrames;
};

// The host's output, through its callbacks. `limit` >= 0 holds the player
// back after that many frames since the last Drop: the host sees a player
// that stops writing while it should play.
class HostOut final : public AudioOut
{
public:
    HostOut(const ModPlug_Output& output, long limit) : m_out(output), m_limit(limit) {}
    long Avail() override
    {
        const long avail = std::max(m_out.writable(m_out.context), 0L);
        return m_limit < 0 ? avail : std::min(avail, std::max(m_limit - m_written, 0L));
    }
    long Write(const std::int16_t* frames, long count) override
    {
        const long taken = m_out.write(m_out.context, frames, std::min(count, Avail()));
        m_written += std::max(taken, 0L);
        return taken;
    }
    long Delay() override { return std::max(m_out.queued(m_out.context), 0L); }
    void Start() override {}
    void End() override { m_out.end(m_out.context); }
    void Drop(long long next) override
    {
        m_written = 0;
        m_out.drop(m_out.context, next);
    }

private:
    ModPlug_Output m_out;
    long m_limit;
    long m_written = 0;
};

} // namespace

std::unique_ptr<AudioOut> AudioOut::Host(const ModPlug_Output& output)
{
    return std::make_unique<HostOut>(output, ConfiguredName() == "stalled" ? kLatencyFrames : -1);
}

std::string AudioOut::ConfiguredName()
{
    if (const char* name = std::getenv("NPMOD32_OUTPUT"); name && *name)
        return name;
    if (const char* sink = std::getenv("LIRANA_AUDIO_SINK");
        sink && std::string_view(sink).starts_with("fakesink"))
        return "null";
    return "default";
}

std::unique_ptr<AudioOut> AudioOut::OpenConfigured()
{
    const std::string name = ConfiguredName();
    if (name == "null")
        return std::make_unique<NullOut>();
    if (name == "stalled")
        return std::make_unique<StalledOut>();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return nullptr;
    // A buffer of twice the queue the player keeps, so that writes never
    // wait; the stream starts once a full queue is written, so that a
    // player halted at once (opened with autostart, then paused) is never
    // heard.
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_uframes_t periodFrames = 0;
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, kChannels, kRate, 1,
                           2 * kLatencyFrames * 1000000U / kRate) < 0 ||
        snd_pcm_get_params(pcm, &bufferFrames, &periodFrames) < 0 || snd_pcm_sw_params_current(pcm, sw) < 0 ||
        snd_pcm_sw_params_set_start_threshold(
            pcm, sw, std::min<snd_pcm_uframes_t>(kLatencyFrames, bufferFrames)) < 0 ||
        snd_pcm_sw_params(pcm, sw) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return std::make_unique<AlsaOut>(pcm, long(bufferFrames));
}

} // namespace npmod32
