// SPDX-License-Identifier: GPL-3.0-or-later
// CScheduledEvent: one scheduled event, a file started by itself at a time of
// day or a minute of every hour, on chosen weekdays, between its start
// (first launch) and its expiry. Times are wall-clock times (WallTime.h).
//
// Copying a record copies everything except the next run time, which the
// copy has at the zero date (due at once) until ComputeNextRun is called on
// it. Equality compares the stored fields, never the next run time.
// Thread: the user-interface thread.
#pragma once

#include "events/WallTime.h"

#include <QString>
#include <cstdint>
#include <optional>

class CIniFile;
class CRegistryKey;

class CScheduledEvent
{
public:
    // A new record as the editor offers it: daily, every day, waiting,
    // no file, first launch at createdAt, expiry 2099-12-31 00:00:00.
    explicit CScheduledEvent(WallTime createdAt);
    CScheduledEvent(const CScheduledEvent& other);
    CScheduledEvent& operator=(const CScheduledEvent& other);

    bool everyHour = false;               // hourly at the minute and second of startDate
    std::uint32_t weekDayMask = 127;      // bit 0 Sunday ... bit 6 Saturday
    bool exact = false;                   // "Run immediately": interrupts what is on air
    QString fileName;                     // item path of the file to start
    WallTime startDate;                   // no run before it; fixes the run time
    WallTime expireDate = kDefaultExpiry; // no run after it

    // nullopt: never due again (empty mask or past the expiry).
    const std::optional<WallTime>& NextRun() const { return m_nextRun; }

    // Sets the next run to the first moment after now that suits the start,
    // the run time, the weekdays and the expiry. Returns true when the
    // event is expired for good (next run would lie after expireDate).
    bool ComputeNextRun(WallTime now);
    // day: 1 = Sunday ... 7 = Saturday.
    bool RunsOnDay(int day) const;
    // Scheduled and t has reached the next run.
    bool IsDue(WallTime t) const;
    bool IsExpired(WallTime t) const { return t > expireDate; }

    // One event in one settings key / in the current section of an events
    // file. A missing or unreadable value keeps its default; the next run is
    // computed from now (also when the start date was unreadable and kept
    // as the moment of construction).
    void WriteToRegistry(CRegistryKey& key) const;
    void ReadFromRegistry(const CRegistryKey& key, WallTime now);
    void WriteToProfile(CIniFile& file) const;
    void ReadFromProfile(const CIniFile& file, WallTime now);

    // "07:30:00  *  Name" (daily, the time in the locale's format) or
    // "__:30:00  -  Name" (hourly); "*" marks "run immediately", the name
    // is the file's display name.
    QString GetDisplayLine() const;

    friend bool operator==(const CScheduledEvent& a, const CScheduledEvent& b);

private:
    std::optional<WallTime> m_nextRun = kZeroDate;
};
