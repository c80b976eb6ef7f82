// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmarks give the core in place of a user and a desktop: a user
// interface that answers nothing (messages echoed to stderr when asked), a
// shell that starts nothing, and the engine's seams on them.
#pragma once

#include "app/UserInterface.h"
#include "onair/OnAirEngine.h"
#include "platform/Shell.h"

#include <cstdio>

struct BenchUi : UserInterface
{
    explicit BenchUi(bool echo = false) : echo(echo) {}
    void ShowMessage(const QString& text, Icon) override
    {
        if (echo)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool echo;
};

struct BenchShell : Shell
{
    bool StartProgram(const QString&, const QStringList&, const QString&, QString*) override { return false; }
};

inline COnAirEngine::Seams BenchEngineSeams(CPlaylist& list, CPlayLog& log, UserInterface& ui, Shell& shell)
{
    COnAirEngine::Seams seams;
    seams.playlist = &list;
    seams.log = &log;
    seams.ui = &ui;
    seams.shell = &shell;
    return seams;
}
