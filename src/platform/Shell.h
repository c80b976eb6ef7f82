// SPDX-License-Identifier: GPL-3.0-or-later
// The shell seam: starting programs, opening documents with the desktop's
// handler and handing a file to the mail client. Nothing here builds a shell
// command string from item text; programs get an argument vector.
// Tests replace the Shell with a recorder; they never start real programs.
#pragma once

#include <QByteArrayView>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class Shell
{
public:
    virtual ~Shell() = default;

    // Starts program with args, detached (not waited for). False and a
    // reason in *error when it cannot be started.
    virtual bool StartProgram(const QString& program, const QStringList& args, const QString& workDir,
                              QString* error) = 0;

    // Whether the desktop has a program for HTML documents (a web browser)
    // that xdg-open would start. A shell that starts nothing has none.
    virtual bool HasWebBrowser() { return false; }

    // The process-wide real shell.
    static Shell& System();
};

// Whether a variable of this process's environment reaches the programs it
// starts. What belongs to this process only does not: the service manager's
// handoff (NOTIFY_SOCKET, WATCHDOG_*, LISTEN_*: a child must never be able
// to report the station ready, alive or stopping) and the program's own
// seams (every LIRANA_* variable). Everything else (HOME, PATH, DISPLAY, the
// session bus, the user's own variables) does.
bool PassedToChildren(QByteArrayView name);

// This process's environment less what PassedToChildren keeps back: the
// environment of every program the station starts (command items and the
// Tools menu through Shell::System(), the now-playing command).
QProcessEnvironment ChildEnvironment();

// Expands $VAR, ${VAR} and %VAR% from the process environment. Unknown
// variables are left as written.
QString ExpandEnvironment(const QString& text);

// The interpreter a script runs with, by its extension (any case): .sh
// /bin/sh, .py python3, .pl perl, .js node; empty for any other file.
QString ScriptInterpreter(const QString& path);

// Starts a command item (a program, script or shortcut in a playlist), after
// expanding environment variables in the path:
//  - an executable file runs directly;
//  - a script runs with its ScriptInterpreter;
//  - .desktop runs the Exec line of the desktop entry (field codes dropped)
//    in its Path folder, through x-terminal-emulator -e when Terminal is
//    true; an entry whose TryExec program is missing is not run;
//  - anything else is opened with xdg-open.
// Does not wait. False and a reason in *error when nothing could be started.
bool RunCommandItem(Shell& shell, const QString& path, QString* error);
