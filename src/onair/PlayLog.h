// CPlayLog: the station's play log. Each entry is one line: the local time
// in the locale's "%X" form, a tab, the entry text. Lines go to the attached
// sinks (the daily log file, the headless runner's stdout).
// Thread: the user-interface thread.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class Clock;

class CPlayLog
{
public:
    using Sink = std::function<void(const QString& line)>;

    explicit CPlayLog(Clock& clock);

    // Adds a receiver of every formatted line (without line end).
    void AddSink(Sink sink);

    // Writes the text of a string id.
    void LogString(int id);
    // Writes one entry: time stamp, tab, text.
    void WriteLogText(const QString& text);

    // The locale's "%X" time of the clock's current time.
    QString TimeStamp() const;

private:
    Clock& m_clock;
    std::vector<Sink> m_sinks;
};
