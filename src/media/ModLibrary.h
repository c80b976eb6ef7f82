// SPDX-License-Identifier: GPL-3.0-or-later
// CModLibrary: the binding of the tracker module player, libnpmod32.so, an
// optional run-time library that the program does not link. It is opened
// by path with RTLD_NOW | RTLD_LOCAL (CDllLoader), so its entry points reach
// this program only through the addresses bound here, and its own calls are
// bound inside it (it is linked -Bsymbolic and exports nothing but the
// seventeen entry points): a second library in the process with the same
// names (libmodplug, pulled in by a GStreamer plug-in) cannot clash with it.
//
// Present only when the library and all seventeen entry points were found;
// then ModPlug_Initialize is called once when it is bound and
// ModPlug_Shutdown once when it is released. ModPlug_SetOutput, added to the
// library later, is bound when there: an older library lacks it and its
// players play on their own output (a log line says so once, at binding).
#pragma once

#include "media/DllLoader.h"

#include "npmod32/npmod32.h"

#include <QString>

class CModLibrary
{
public:
    // Binds the library file at path.
    explicit CModLibrary(const QString& path);
    ~CModLibrary();
    CModLibrary(const CModLibrary&) = delete;
    CModLibrary& operator=(const CModLibrary&) = delete;

    bool IsLoaded() const { return m_loader.IsLoaded(); }
    const CDllLoader& Loader() const { return m_loader; }

    // The program's binding, made at the first call (the first module item
    // or start-up) and released at exit. Thread-safe.
    static const CModLibrary& Instance();
    // "libnpmod32.so", the name the operator is told.
    static QString FileName();
    // Where the program looks for it: next to the program (../lib/lirana),
    // then the build tree, then the installed library folder; the installed
    // path when it is nowhere.
    static QString DefaultPath();

    ModPlug_CreateEx_t* CreateEx = nullptr;
    ModPlug_Destroy_t* Destroy = nullptr;
    ModPlug_Load_t* Load = nullptr;
    ModPlug_SetWindow_t* SetWindow = nullptr;
    ModPlug_Play_t* Play = nullptr;
    ModPlug_Stop_t* Stop = nullptr;
    ModPlug_IsPlaying_t* IsPlaying = nullptr;
    ModPlug_GetMaxPosition_t* GetMaxPosition = nullptr;
    ModPlug_GetCurrentPosition_t* GetCurrentPosition = nullptr;
    ModPlug_SetCurrentPosition_t* SetCurrentPosition = nullptr;
    ModPlug_GetVolume_t* GetVolume = nullptr;
    ModPlug_SetVolume_t* SetVolume = nullptr;
    // Null for a library without it.
    ModPlug_SetOutput_t* SetOutput = nullptr;

private:
    CDllLoader m_loader;
};
