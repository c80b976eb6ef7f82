// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program keeps and finds its files on Linux: the XDG folders in
// place of the per-user registry, the system media folder and the install
// tree. The XDG folders come from QStandardPaths, which reads the
// environment at each call, so tests that set XDG_CONFIG_HOME or
// XDG_DATA_HOME see their own folders.
#pragma once

#include <QString>
#include <QStringList>

namespace DataPaths {

// A station of its own (--instance NAME): the user's hive, configuration,
// data and state folders below become "Lirana-NAME" in place of "Lirana".
// Set once at start, before anything is read; empty: the usual names.
void SetInstance(const QString& name);
// The NAME of --instance; empty for the usual station.
QString InstanceName();

// $XDG_CONFIG_HOME/Oxbelund/Lirana.reg (~/.config when unset).
QString UserHiveFile();

// The application's configuration folder, $XDG_CONFIG_HOME/Oxbelund/Lirana
// (~/.config when unset): files the program keeps beside its settings.
QString AppConfigDir();

// The machine hives in the order they apply, the later overriding the
// earlier: the installed share/lirana/machine.reg, then
// <dir>/Oxbelund/Lirana.reg for each $XDG_CONFIG_DIRS entry, last entry first.
QStringList MachineHiveFiles();

// The folder with the installed read-only data (share/lirana): the
// LIRANA_SHARE_DIR environment variable, else next to the program
// (../share/lirana), else the build tree, else the install prefix.
QString ShareDir();

// $XDG_DATA_HOME/Oxbelund/Lirana (~/.local/share when unset).
QString AppDataDir();

// $XDG_STATE_HOME/Oxbelund/Lirana (~/.local/state when unset): what a run
// leaves for the next one (the return after a crash).
QString StateDir();

// The system media folder: the XDG music folder of the user.
QString SystemMediaFolder();

} // namespace DataPaths
