// SPDX-License-Identifier: GPL-3.0-or-later
// One station per settings file: the station holds a lock on a file beside
// its user hive ("<hive>.station") for as long as it runs, so that a second
// console or headless runner on the same settings learns it at start,
// before it writes anything (no play-log line, no resume record, no
// settings). The lock is the kernel's (flock): a station that was killed
// leaves none behind. The file holds the holder's process id, for the
// message.
// Thread: any; the lock lives as long as the object.
#pragma once

#include <QString>

#include <memory>

class CStationLock
{
public:
    ~CStationLock();
    CStationLock(const CStationLock&) = delete;
    CStationLock& operator=(const CStationLock&) = delete;

    // Takes the lock of the settings file the program uses now
    // (DataPaths::UserHiveFile). Null when another station holds it, with
    // the text to tell in *refusal ("another station runs on these settings
    // (process 1234): <hive>"); a lock that cannot be made at all (a
    // read-only folder) is no reason to stay silent: the station runs
    // without one and *refusal is empty.
    static std::unique_ptr<CStationLock> Take(QString* refusal);

    // The path of the lock file of the settings in use.
    static QString FilePath();

    // Asks the console that runs as the session bus's media player to raise
    // its window; false when there is none to ask.
    static bool RaiseRunningConsole();

private:
    explicit CStationLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};
