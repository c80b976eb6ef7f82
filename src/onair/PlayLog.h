// SPDX-License-Identifier: GPL-3.0-or-later
// CPlayLog: the station's play log. Each entry is one line: the local time
// in the locale's "%X" form, a tab, the entry text "kind" or "kind<TAB>detail".
// When logging is on, the line is appended to the day's file "YYYY-MM-DD.LOG"
// in the log folder; the file is opened and closed for every entry, so other
// programs may read or move it at any time. Every line also goes to the
// attached sinks (the headless runner's stdout), whether or not logging to
// files is on.
//
// One entry is always one line: texts given to WriteLogText (built from an
// item's name, an error message) have their control characters escaped (see
// EscapeText), so a file name cannot forge a line of its own. The program's
// fixed texts written with LogString are taken as they are; the only one of
// them with a line break is the two-line "too many errors" entry.
//
// A write that fails part-way (a full disk, a file size limit) is cut back,
// so the file never keeps half an entry and the next one starts on its own
// line.
// Thread: the user-interface thread.
#pragma once

#include "platform/Exception.h"

#include <QString>
#include <functional>
#include <vector>

class Clock;

// A log file that could not be opened or written.
class CLogFileException : public CExceptionImpl<CLogFileException, CException>
{
public:
    CLogFileException(QString path, QString reason) : m_path(std::move(path)), m_reason(std::move(reason)) {}
    const QString& Path() const { return m_path; }
    QString GetErrorMessage() const override { return m_path + QStringLiteral(": ") + m_reason; }

private:
    QString m_path;
    QString m_reason;
};

class CPlayLog
{
public:
    using Sink = std::function<void(const QString& line)>;
    using Reporter = std::function<void(const QString& message)>;

    explicit CPlayLog(Clock& clock);

    // Adds a receiver of every formatted line (without line end).
    void AddSink(Sink sink);
    // Receives "Error writing to log file %s." when a write fails.
    void SetReporter(Reporter reporter) { m_reporter = std::move(reporter); }

    // Logging to files on or off ("Enable Logging").
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool IsEnabled() const { return m_enabled; }
    // The folder of the log files ("Logfile Dir"); empty means the
    // application's data folder ($XDG_DATA_HOME/Oxbelund/Lirana/logs).
    void SetFolder(const QString& folder);
    // The folder in use, always with a trailing '/'.
    const QString& Folder() const { return m_folder; }
    // The file written last (the day's file from the first entry on).
    const QString& Path() const { return m_path; }

    // Writes the text of a string id as it is.
    void LogString(int id);
    // Writes one entry "kind<TAB>detail" (or just "kind"): the first tab is
    // the entry's own, everything else is escaped by EscapeText. A failed
    // file write is reported, the entry is lost from the file and the next
    // entry tries again.
    void WriteLogText(const QString& text);
    // Appends text unchanged as one entry to the day's file; the file is left
    // as it was when the write fails. Throws CLogFileException.
    void WriteLogLine(const QString& text);

    // text with every control character in a visible form: TAB, LF and CR as
    // \t, \n and \r; the other C0 codes, DEL and the C1 codes U+0080..U+009F
    // as \xHH; the line and paragraph separators as \u2028 and \u2029. A
    // backslash stays as it is, so names that hold one log as they always
    // did; a reader tells a real "\n" in a name from an escaped line break
    // only by knowing the item.
    static QString EscapeText(const QString& text);

    // The locale's "%X" time of the clock's current time.
    QString TimeStamp() const;

private:
    void WriteEntry(const QString& text);

    Clock& m_clock;
    std::vector<Sink> m_sinks;
    Reporter m_reporter;
    bool m_enabled = false;
    bool m_defaultFolder = true;
    QString m_folder;
    QString m_path;
};
