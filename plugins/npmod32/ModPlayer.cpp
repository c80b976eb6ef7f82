// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModPlayer.h"

#include "ModFile.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace npmod32 {

namespace {

// Frames rendered at a time: 11.6 ms.
constexpr long kBlockFrames = 512;
// How often the render thread looks for room in the output while it is full.
constexpr auto kPollInterval = std::chrono::milliseconds(5);

bool HasOption(const std::string& options, const std::string& name)
{
    std::size_t begin = 0;
    while (begin <= options.size()) {
        const std::size_t end = std::min(options.find('|', begin), options.size());
        if (options.compare(begin, end - begin, name) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

} // namespace

std::unique_ptr<ModPlayer> ModPlayer::Create(const std::string& options)
{
    return std::unique_ptr<ModPlayer>(new ModPlayer(HasOption(options, "autostart")));
}

ModPlayer::ModPlayer(bool autostart) : m_autostart(autostart), m_thread([this] { Run(); }) {}

ModPlayer::~ModPlayer()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
    if (m_out)
        m_out->Drop(0);
    Unload();
}

void ModPlayer::Unload()
{
    if (m_module)
        openmpt_module_destroy(m_module);
    m_module = nullptr;
}

bool ModPlayer::Load(const char* path)
{
    std::vector<char> data;
    if (!ReadModuleFile(path, data))
        return false;
    openmpt_module* module = openmpt_module_create_from_memory2(
        data.data(), data.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr,
        nullptr, nullptr, nullptr);
    if (!module)
        return false;
    {
        std::lock_guard lock(m_mutex);
        // Opened only now: a player the host gives an output never opens one.
        if (!m_out)
            m_out = AudioOut::OpenConfigured();
        if (!m_out) {
            openmpt_module_destroy(module);
            return false;
        }
        m_out->Drop(0);
        Unload();
        m_module = module;
        m_rendered = 0;
        m_ended = false;
        m_playing = m_autostart;
    }
    m_wake.notify_all();
    return true;
}

bool ModPlayer::SetOutput(const ModPlug_Output* output)
{
    std::unique_ptr<AudioOut> next = output ? AudioOut::Host(*output) : AudioOut::OpenConfigured();
    if (!next)
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (m_out)
            m_out->Drop(0);
        m_out = std::move(next);
        // What was queued is gone with the old output: the new one goes on
        // from the position rendered.
        m_out->Drop(RenderedFrames());
    }
    m_wake.notify_all();
    return true;
}

long long ModPlayer::RenderedFrames() const
{
    return std::llround(m_rendered * AudioOut::kRate);
}

void ModPlayer::SetWindow(void* window)
{
    std::lock_guard lock(m_mutex);
    m_window = window;
}

void ModPlayer::Play()
{
    {
        std::lock_guard lock(m_mutex);
        m_playing = m_module != nullptr;
    }
    m_wake.notify_all();
}

void ModPlayer::Stop()
{
    std::lock_guard lock(m_mutex);
    m_playing = false;
}

bool ModPlayer::IsReady()
{
    std::lock_guard lock(m_mutex);
    return m_module != nullptr;
}

bool ModPlayer::IsPlaying()
{
    std::lock_guard lock(m_mutex);
    return m_playing && m_out && (!m_ended || m_out->Delay() > 0);
}

double ModPlayer::Length()
{
    std::lock_guard lock(m_mutex);
    return m_module ? openmpt_module_get_duration_seconds(m_module) : 0.0;
}

double ModPlayer::PositionLocked()
{
    // The module's clock runs past its end while the last block renders.
    const double length = m_module ? openmpt_module_get_duration_seconds(m_module) : 0.0;
    const long queued = m_out ? m_out->Delay() : 0;
    return std::clamp(m_rendered - double(queued) / AudioOut::kRate, 0.0, length);
}

double ModPlayer::Position()
{
    std::lock_guard lock(m_mutex);
    return PositionLocked();
}

void ModPlayer::SetPosition(double seconds)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_module || !m_out)
            return;
        m_rendered = openmpt_module_set_position_seconds(m_module, std::max(seconds, 0.0));
        m_out->Drop(RenderedFrames());
        m_ended = false;
    }
    m_wake.notify_all();
}

int ModPlayer::Volume()
{
    std::lock_guard lock(m_mutex);
    return m_volume;
}

void ModPlayer::SetVolume(int volume)
{
    std::lock_guard lock(m_mutex);
    m_volume = std::clamp(volume, 0, 100);
}

void ModPlayer::Run()
{
    std::vector<std::int16_t> block(std::size_t(kBlockFrames) * AudioOut::kChannels);
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (!m_playing || !m_module || !m_out || m_ended) {
            m_wake.wait(lock);
            continue;
        }
        if (m_out->Avail() < kBlockFrames) {
            // The queue is as full as it gets: a stream that has not started
            // (its threshold may lie above a whole number of blocks) starts now.
            m_out->Start();
            m_wake.wait_for(lock, kPollInterval);
            continue;
        }
        const std::size_t frames = openmpt_module_read_interleaved_stereo(m_module, AudioOut::kRate,
                                                                          kBlockFrames, block.data());
        if (frames == 0) {
            // The end of the module: let the last frames out.
            m_ended = true;
            m_out->End();
            continue;
        }
        if (m_volume < 100) {
            for (std::int16_t& sample : block)
                sample = std::int16_t(sample * m_volume / 100);
        }
        m_out->Write(block.data(), long(frames));
        m_rendered = openmpt_module_get_position_seconds(m_module);
    }
}

} // namespace npmod32
