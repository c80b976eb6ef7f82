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
    // Its output is opened at the first Load, unless SetOutput gave one.
    static std::unique_ptr<ModPlayer> Create(const std::string& options);
    ~ModPlayer();
    ModPlayer(const ModPlayer&) = delete;
    ModPlayer& operator=(const ModPlayer&) = delete;

    // False also when the player has no output and cannot open its own.
    bool Load(const char* path);
    // The host's output in place of the one the player has (null: its own
    // again, opened now); false when its own cannot be opened.
    bool SetOutput(const ModPlug_Output* output);
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
    explicit ModPlayer(bool autostart);
    void Run();
    void Unload();
    double PositionLocked();
    long long RenderedFrames() const;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<AudioOut> m_out; // null until the first Load or SetOutput
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
