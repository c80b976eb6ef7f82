// SPDX-License-Identifier: GPL-3.0-or-later
// What the on-air engine asks of its surroundings besides tracks: the album
// document (for ".alb" rows and the frame title) and the scheduler (for due
// events). Each has a do-nothing default so the engine runs alone in tests.
// These live below the engine, the document and the events, so that each of
// them can implement or call a seam without including the others.
#pragma once

#include <QString>
#include <optional>

class DocumentSeam
{
public:
    virtual ~DocumentSeam() = default;
    virtual void SetModifiedFlag(bool /*modified*/) {}
    // Opens an album into the master playlist; false when it gave none (the
    // document layer has reported why).
    virtual bool OpenDocumentFile(const QString& /*path*/) { return false; }
    // The document's title, shown in the frame when nothing is on air.
    virtual QString Title() const { return QStringLiteral("Untitled"); }
};

class EventSource
{
public:
    virtual ~EventSource() = default;
    // Recomputes every event's next run from now; missed runs are skipped.
    virtual void ResetToNow() {}
    // Takes the first due event of the kind asked for (exact = "run
    // immediately" events, else the waiting ones) and returns its file.
    virtual std::optional<QString> TakeDueEvent(bool /*exact*/) { return std::nullopt; }
    // Whether TakeDueEvent(exact) would give one now; takes nothing.
    virtual bool HasDueEvent(bool /*exact*/) const { return false; }
    // Once a second: refresh what the console shows of coming events.
    virtual void Refresh() {}
};

// The Enable Events command and the console's "Enable" check box: sets the flag to on;
// when it goes from off to on, every event is reset to now first (runs
// missed while disabled are skipped); then the upcoming list is refreshed.
inline void SetEventsEnabled(bool& enabled, bool on, EventSource& events)
{
    const bool wasEnabled = enabled;
    enabled = on;
    if (on && !wasEnabled)
        events.ResetToNow();
    events.Refresh();
}

// The Enable Events command: flips the flag as above.
inline void ToggleEvents(bool& enabled, EventSource& events)
{
    SetEventsEnabled(enabled, !enabled, events);
}
