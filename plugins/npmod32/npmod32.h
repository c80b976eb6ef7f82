// SPDX-License-Identifier: GPL-3.0-or-later
/* libnpmod32: the tracker module player that Lirana binds at run time by
 * name. The entry points and their units are the player's contract:
 * positions in tenths of a second, volume 0..100. A handle is a player; 0 is
 * none. Every call with a null handle does nothing and answers 0. Calls on
 * one handle may come from two threads (the user-interface thread and a
 * track's end watch); the player serialises them.
 *
 * The output, opened at a player's first load, is the ALSA PCM "default" (on
 * a desktop the sound server). The environment variable NPMOD32_OUTPUT picks
 * another: "null" is a silent output paced in real time, "stalled" one that
 * takes 100 ms and never plays them (a stream stalled for good), anything
 * else an ALSA PCM name. A LIRANA_AUDIO_SINK that names a fakesink (the
 * program's tests) also means the null output. A host may give a player an
 * output of its own instead (ModPlug_SetOutput); the player then opens none,
 * and "stalled" holds the player back: it writes 100 ms after each drop and
 * then nothing. */
#ifndef NPMOD32_H
#define NPMOD32_H

#ifdef __cplusplus
extern "C" {
#endif

typedef void* ModPlugHandle;

/* Once per process before the first player, and once at its end. */
typedef void ModPlug_Initialize_t(void);
typedef void ModPlug_Shutdown_t(void);
/* A player with the default options. */
typedef ModPlugHandle ModPlug_Create_t(void);
/* A player; options is a '|'-separated list ("controls|spectrum|autostart|
 * true"): "autostart" starts playing as soon as a module is loaded. 0 when
 * the player cannot be made. */
typedef ModPlugHandle ModPlug_CreateEx_t(const char* options);
typedef void ModPlug_Destroy_t(ModPlugHandle player);
/* Loads the module file at path (a local file name); non-zero on success. */
typedef int ModPlug_Load_t(ModPlugHandle player, const char* path);
/* The window that would host the player's controls; this player draws none
 * and only keeps it. */
typedef void ModPlug_SetWindow_t(ModPlugHandle player, void* window);
/* Starts or continues playing from the current position. */
typedef void ModPlug_Play_t(ModPlugHandle player);
/* Halts; the position stays. */
typedef void ModPlug_Stop_t(ModPlugHandle player);
/* 0xMMmm: major and minor version. */
typedef int ModPlug_GetVersion_t(void);
/* Non-zero once a module is loaded. */
typedef int ModPlug_IsReady_t(ModPlugHandle player);
/* Non-zero while sound is produced (playing, not yet past the end). */
typedef int ModPlug_IsPlaying_t(ModPlugHandle player);
/* The module's length in tenths of a second (0 when none is loaded). */
typedef long ModPlug_GetMaxPosition_t(ModPlugHandle player);
/* The position heard now, in tenths of a second, truncated. */
typedef long ModPlug_GetCurrentPosition_t(ModPlugHandle player);
typedef void ModPlug_SetCurrentPosition_t(ModPlugHandle player, long tenths);
/* The player's own level, 0..100 (100 = as the module is written); it
 * scales the samples, never the output's or the sound server's volume. */
typedef int ModPlug_GetVolume_t(ModPlugHandle player);
typedef void ModPlug_SetVolume_t(ModPlugHandle player, int volume);

/* An output the host lends a player: interleaved 16-bit stereo frames at
 * 44100 Hz. The player calls it from its render thread and from the calls
 * made on it, always under its own lock, so never twice at once; the
 * callbacks must not wait (for room, for a lock held by someone calling
 * into the player) and must not call the player. `size` is
 * sizeof(ModPlug_Output) as the host was built, so that later members can be
 * added behind these. */
typedef struct ModPlug_Output
{
    unsigned long size;
    void* context;
    /* Frames that can be written now without waiting. */
    long (*writable)(void* context);
    /* Writes at most writable() frames; returns the frames taken. */
    long (*write)(void* context, const short* frames, long count);
    /* Frames written and not yet heard: the player's heard position is its
     * written position less these. */
    long (*queued)(void* context);
    /* Discards what is queued; the next frame written is the module's
     * frame `next` (frames at 44100 Hz from the module's start). */
    void (*drop)(void* context, long long next);
    /* The module has ended: nothing more is written until a drop. */
    void (*end)(void* context);
} ModPlug_Output;

/* Optional: a library without it plays on its own output. Gives the player
 * `output` (copied; its context stays valid until the player is destroyed
 * or given another) in place of its own; null gives the player its own
 * output back, opened now. Best called before ModPlug_Load, so that the
 * player never opens an output of its own. Non-zero on success; 0 for a
 * struct shorter than this one, a missing callback, or an own output that
 * cannot be opened. */
typedef int ModPlug_SetOutput_t(ModPlugHandle player, const ModPlug_Output* output);

#ifdef __cplusplus
}
#endif

#endif
