// SPDX-License-Identifier: GPL-3.0-or-later
// One player of libnpmod32: a loaded module, its output and the thread that
// renders the module into the output while it plays. Thread-safe: every
// call takes the player's lock, which the render thread holds only while it
// renders and writes one block (a few hundred microseconds), never while it
// waits for room in the output.
#pragma once

#include "AudioOut.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct openmpt_module;

namespace npmod32 {

class ModPlayer
{
public:
    // Null when the output cannot be opened.
    static std::unique_ptr<ModPlayer> Create(const std::string& options);
    ~ModPlayer();
    ModPlayer(const ModPlayer&) = delete;
    ModPlayer& operator=(const ModPlayer&) = delete;

    bool Load(const char* path);
    void SetWindow(void* window);
    void Play();
    // Halts rendering; what the output already holds (at most 100 ms) is
    // still heard and the position runs on over it.
    void Stop();
    bool IsReady();
    bool IsPlaying();
    // Seconds, as heard: the module's position less what the output holds.
    double Length();
    double Position();
    // Moves to the row nearest to seconds and discards what was queued.
    void SetPosition(double seconds);
    int Volume();
    void SetVolume(int volume);

private:
    ModPlayer(std::unique_ptr<AudioOut> out, bool autostart);
    void Run();
    void Unload();
    double PositionLocked();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<AudioOut> m_out;
    openmpt_module* m_module = nullptr;
    bool m_autostart;
    bool m_playing = false;
    bool m_ended = false;
    bool m_quit = false;
    int m_volume = 100;
    double m_rendered = 0; // module position after the last block written
    void* m_window = nullptr;
    std::thread m_thread;
};

} // namespace npmod32
