// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics of each subsystem, for the engineer on call: one logging
// category per subsystem, all quiet below info level until QT_LOGGING_RULES
// turns them on (for example "lirana.engine.debug=true"; docs/diagnostics.md).
// Diagnostics are not the play log: nothing here is written to it.
//
// Debug lines name their category ("lirana.engine: start ..."); warnings
// and information keep the text they carry ("lirana: ..."). When stderr is
// the journal's stream, each line starts with its syslog priority ("<4>").
// Thread: any; the categories are safe to use from worker threads.
#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <sys/types.h>

Q_DECLARE_LOGGING_CATEGORY(lcMedia)  // "lirana.media": pipelines, bus messages
Q_DECLARE_LOGGING_CATEGORY(lcEngine) // "lirana.engine": starts, overlaps, fades, ends, errors
Q_DECLARE_LOGGING_CATEGORY(lcEvents) // "lirana.events": scheduled events taken and skipped
Q_DECLARE_LOGGING_CATEGORY(lcHive)   // "lirana.hive": settings files (hive, INI) read, repaired, written
Q_DECLARE_LOGGING_CATEGORY(lcGui)    // "lirana.gui": the console and its windows
Q_DECLARE_LOGGING_CATEGORY(lcBus)    // "lirana.bus": the media-player interface on the session bus

namespace diagnostics {

// True when journalStream (the value of JOURNAL_STREAM, "device:inode") names
// the file stderr is open on (device and inode as fstat gives them).
bool IsJournalStream(const QByteArray& journalStream, dev_t device, ino_t inode);

// The message pattern for stderr, with or without the journal's priority prefix.
QString MessagePattern(bool journal);

// Installs the pattern for this process; QT_MESSAGE_PATTERN still wins when set.
// Called once, first thing in main().
void InstallMessageFormat();

} // namespace diagnostics
