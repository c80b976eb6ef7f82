// SPDX-License-Identifier: GPL-3.0-or-later
// CEventList: an ordered list of scheduled events that owns its records.
// The order is the order of entry (settings, file or editing list) and is
// never sorted: the scheduler scans front to back, so of two events due at
// once the one nearer the front runs first.
//
// Settings layout (key "Events" of the application key): "Count" (Number)
// and one subkey "Event %d" per event, i = 0 ... Count-1, with "EveryHour"
// and "Exact" (Flag, 4-byte binary), "FileName", "StartDate", "ExpireDate"
// (Text) and "WeekDayMask" (Number). Events file: sections "Event %d" with
// the same keys as text, then section "Events" with "Count".
// Loading drops events already expired at the moment the load began, skips
// entries that hold nothing, and ignores entries at or beyond "Count".
// Thread: the user-interface thread.
#pragma once

#include "events/ScheduledEvent.h"

#include <memory>
#include <optional>
#include <vector>

class CIniFile;
class CRegistryKey;

class CEventList
{
public:
    CEventList() = default;
    CEventList(CEventList&&) noexcept = default;
    CEventList& operator=(CEventList&&) noexcept = default;
    CEventList(const CEventList&) = delete;
    CEventList& operator=(const CEventList&) = delete;

    int Count() const { return int(m_events.size()); }
    bool IsEmpty() const { return m_events.empty(); }
    CScheduledEvent& At(int i) { return *m_events.at(std::size_t(i)); }
    const CScheduledEvent& At(int i) const { return *m_events.at(std::size_t(i)); }
    void Append(std::unique_ptr<CScheduledEvent> event);
    // Appends a copy (its next run at the zero date until computed).
    void Append(const CScheduledEvent& event);
    void RemoveAt(int i);
    void RemoveAll();

    // A copy of every record of other, in order, each with its next run
    // computed from now: how an edited list becomes the live one.
    static CEventList CopyOf(const CEventList& other, WallTime now);

    // Settings: parent is the application key; name the subkey ("Events").
    // Saving deletes the whole subkey, writes the events in order and
    // "Count" last, all in one write of the hive (CRegistrySave).
    void LoadFromRegistry(const CRegistryKey& parent, WallTime now,
                          const QString& name = QStringLiteral("Events"));
    void SaveToRegistry(CRegistryKey& parent, const QString& name = QStringLiteral("Events")) const;

    // Events file. Both leave another section current. SaveToProfile
    // replaces every "Event %d" section of the file and sets "Count"; it
    // does not flush. SaveToFile writes a file
    // that holds exactly this list (atomically replacing an older one) and
    // throws CException when it cannot be written; LoadFromFile throws when
    // an existing file cannot be read.
    void LoadFromProfile(CIniFile& file, WallTime now);
    void SaveToProfile(CIniFile& file) const;
    void LoadFromFile(const QString& path, WallTime now);
    void SaveToFile(const QString& path) const;

    // The first event (front to back) with exact == wanted that is due at
    // now; it is advanced past now and its file returned. One call takes at
    // most one event, however many of its runs were missed.
    std::optional<QString> TakeDueEvent(bool exact, WallTime now);
    // Whether TakeDueEvent would give one now; takes nothing.
    bool HasDueEvent(bool exact, WallTime now) const;
    // Recomputes every next run from now: runs already due are skipped.
    void ResetToNow(WallTime now);

private:
    std::vector<std::unique_ptr<CScheduledEvent>> m_events;
};
