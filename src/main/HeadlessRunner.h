// SPDX-License-Identifier: GPL-3.0-or-later
// The headless runner: the on-air engine without widgets, on the item paths
// of the command line and the settings of the user hive. It prints play-log
// entries to stdout when asked and can exit once playback has ended.
#pragma once

#include <QStringList>

class CTerminationWatcher;

struct HeadlessOptions
{
    QStringList items;
    bool play = false;      // start playing at once (as AutoPlay does)
    bool exitAtEnd = false; // exit 0 once the engine went idle after playing
    bool logStdout = false; // print every play-log entry to stdout
    bool fresh = false;     // begin at the album's start, whatever the last run left
    bool playLog = false;   // the daily play log files on for this run, whatever "Enable Logging" says
    QString fallback;       // the fallback album in place of the setting's; empty: the setting's
    QString output;         // the audio output in place of the setting's ("none": no output at all)
};

// Runs until the end (with exitAtEnd) or until the watcher reports a
// termination signal (exit code 128 + signal). Needs a QCoreApplication and
// at least one item. Returns the process exit code: 1 also when another
// station runs on the same settings (nothing written then). After a clean
// shutdown too, the same items come back where they were (unless fresh).
int RunHeadless(const HeadlessOptions& options, CTerminationWatcher* watcher = nullptr);
