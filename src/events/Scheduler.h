// SPDX-License-Identifier: GPL-3.0-or-later
// CEventScheduler: the live event list on a Clock, offered to the on-air
// engine as its EventSource. The engine calls Refresh just after each whole
// second (timer 6), then TakeDueEvent(true) when events are enabled; PlayNext asks
// TakeDueEvent(true) and then (false); Play calls ResetToNow.
// The enabled flag itself belongs to the console's settings ("Enable
// Events"); the scheduler only reads it, through the query it is given, to
// enable the upcoming list and to decide whether to blink.
// Thread: the user-interface thread (the engine's thread).
#pragma once

#include "app/EngineSeams.h"
#include "events/EventList.h"
#include "events/UpcomingEventsModel.h"

#include <functional>

class Clock;

class CEventScheduler : public EventSource
{
public:
    explicit CEventScheduler(Clock& clock);

    CEventList& Events() { return m_events; }
    const CEventList& Events() const { return m_events; }
    CUpcomingEventsModel& Upcoming() { return m_upcoming; }
    // The clock's local time as wall-clock time.
    WallTime Now() const;

    // Where the enabled flag is read; without one, events count as enabled.
    void SetEnabledQuery(std::function<bool()> isEnabled) { m_isEnabled = std::move(isEnabled); }
    bool IsEnabled() const { return !m_isEnabled || m_isEnabled(); }

    void ResetToNow() override;
    std::optional<QString> TakeDueEvent(bool exact) override;
    bool HasDueEvent(bool exact) const override;
    // The upcoming list: events due within 15 minutes, blink within 5.
    void Refresh() override;

    // The live list from / to the "Events" key of the application key.
    void LoadFromSettings();
    void SaveToSettings() const;
    // The Events page closed with OK: the live list becomes a copy of
    // edited (next runs from now), is saved to the settings and the
    // upcoming list is refreshed.
    void ReplaceEvents(const CEventList& edited);

private:
    Clock& m_clock;
    CEventList m_events;
    CUpcomingEventsModel m_upcoming;
    std::function<bool()> m_isEnabled;
};
