// SPDX-License-Identifier: GPL-3.0-or-later
// `lirana --set`, `--get` and the events family: the settings and the
// schedule edited from a shell, by the same table, checks and store the
// console uses (docs/command-line.md).
#pragma once

#include <QStringList>

namespace SettingsCommands {

// Whether args ask for one of these commands: their first option is --set,
// --get, --list-events, --add-event or --remove-event.
bool Wanted(const QStringList& args);
// Runs it; the exit status: 0, 1 when the settings file cannot be written,
// 2 for a usage error or a value the setting does not take (the settings
// file then untouched). -h, --help and --version win wherever they stand
// (before a "--"): usage or version is printed instead. Needs a
// QCoreApplication with the program's names.
int Run(const QStringList& args, const char* usage, const char* version);

} // namespace SettingsCommands
