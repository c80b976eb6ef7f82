// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own texts, by their resource ids. Log entries, messages and
// prompts are taken from here so that their wording stays in one place.
#pragma once

#include "app/Commands.h"

#include <QString>

namespace Str {

enum : int {
    MediaFilesFilter = 1015, // the file dialogs that pick an item (Qt's filter form)
    SoundsFileFilter = 1020,
    LogStart = 1040,       // "start\t%s"
    LogStartup = 1043,     // "startup"
    LogShutdown = 1044,    // "shutdown"
    LogError = 1045,       // "error\t%s"
    LogWriteFailed = 1048, // "Error writing to log file %s."
    SilenceDetected = 1058,
    LogSilenceNext = 1060,
    LogSilenceMessage = 1061,
    LogSilenceReboot = 1062,
    LogTooManyErrors = 1063, // two lines: "error", then the reason
    UnassignedSound = 1064,
    ShutdownConfirmation = 1065,
};

// The command of the silence actions, under its older name.
inline constexpr int CmdSilenceActions = Cmd::SilenceActions;

// The text of a string id; empty for an unknown id.
QString Load(int id);

} // namespace Str
