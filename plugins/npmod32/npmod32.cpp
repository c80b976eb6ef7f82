// SPDX-License-Identifier: GPL-3.0-or-later
// The exported entry points of libnpmod32 (npmod32.h): thin, exception-safe
// wrappers around ModPlayer. Positions cross the interface in tenths of a
// second, truncated from whole milliseconds.
#include "npmod32.h"

#include "ModPlayer.h"

#include <cmath>
#include <type_traits>

using npmod32::ModPlayer;

namespace {

ModPlayer* Player(ModPlugHandle handle)
{
    return static_cast<ModPlayer*>(handle);
}

long Tenths(double seconds)
{
    return long(std::llround(seconds * 1000.0) / 100);
}

} // namespace

#define NPMOD32_EXPORT extern "C" __attribute__((visibility("default")))

NPMOD32_EXPORT void ModPlug_Initialize(void) {}

NPMOD32_EXPORT void ModPlug_Shutdown(void) {}

NPMOD32_EXPORT ModPlugHandle ModPlug_CreateEx(const char* options)
{
    try {
        return ModPlayer::Create(options ? options : "").release();
    } catch (...) {
        return nullptr;
    }
}

NPMOD32_EXPORT ModPlugHandle ModPlug_Create(void)
{
    return ModPlug_CreateEx("");
}

NPMOD32_EXPORT void ModPlug_Destroy(ModPlugHandle player)
{
    delete Player(player);
}

NPMOD32_EXPORT int ModPlug_Load(ModPlugHandle player, const char* path)
{
    try {
        return player && path && Player(player)->Load(path) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

NPMOD32_EXPORT void ModPlug_SetWindow(ModPlugHandle player, void* window)
{
    if (player)
        Player(player)->SetWindow(window);
}

NPMOD32_EXPORT void ModPlug_Play(ModPlugHandle player)
{
    if (player)
        Player(player)->Play();
}

NPMOD32_EXPORT void ModPlug_Stop(ModPlugHandle player)
{
    if (player)
        Player(player)->Stop();
}

NPMOD32_EXPORT int ModPlug_GetVersion(void)
{
    return 0x0101; // 1.1: ModPlug_SetOutput
}

NPMOD32_EXPORT int ModPlug_IsReady(ModPlugHandle player)
{
    return player && Player(player)->IsReady() ? 1 : 0;
}

NPMOD32_EXPORT int ModPlug_IsPlaying(ModPlugHandle player)
{
    return player && Player(player)->IsPlaying() ? 1 : 0;
}

NPMOD32_EXPORT long ModPlug_GetMaxPosition(ModPlugHandle player)
{
    return player ? Tenths(Player(player)->Length()) : 0;
}

NPMOD32_EXPORT long ModPlug_GetCurrentPosition(ModPlugHandle player)
{
    return player ? Tenths(Player(player)->Position()) : 0;
}

NPMOD32_EXPORT void ModPlug_SetCurrentPosition(ModPlugHandle player, long tenths)
{
    if (player)
        Player(player)->SetPosition(double(tenths) / 10.0);
}

NPMOD32_EXPORT int ModPlug_GetVolume(ModPlugHandle player)
{
    return player ? Player(player)->Volume() : 0;
}

NPMOD32_EXPORT void ModPlug_SetVolume(ModPlugHandle player, int volume)
{
    if (player)
        Player(player)->SetVolume(volume);
}

NPMOD32_EXPORT int ModPlug_SetOutput(ModPlugHandle player, const ModPlug_Output* output)
{
    // A host built with an older, shorter struct is refused rather than read
    // past its end.
    if (!player || (output && (output->size < sizeof(ModPlug_Output) || !output->writable || !output->write ||
                               !output->queued || !output->drop || !output->end)))
        return 0;
    try {
        return Player(player)->SetOutput(output) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// The definitions above keep the types of the interface header.
static_assert(std::is_same_v<decltype(ModPlug_CreateEx), ModPlug_CreateEx_t>);
static_assert(std::is_same_v<decltype(ModPlug_Load), ModPlug_Load_t>);
static_assert(std::is_same_v<decltype(ModPlug_SetWindow), ModPlug_SetWindow_t>);
static_assert(std::is_same_v<decltype(ModPlug_GetCurrentPosition), ModPlug_GetCurrentPosition_t>);
static_assert(std::is_same_v<decltype(ModPlug_SetCurrentPosition), ModPlug_SetCurrentPosition_t>);
static_assert(std::is_same_v<decltype(ModPlug_SetVolume), ModPlug_SetVolume_t>);
static_assert(std::is_same_v<decltype(ModPlug_SetOutput), ModPlug_SetOutput_t>);
