#include "events/Scheduler.h"

#include "platform/Clock.h"
#include "platform/registry/RegistryKey.h"

using namespace std::chrono;

CEventScheduler::CEventScheduler(Clock& clock) : m_clock(clock) {}

WallTime CEventScheduler::Now() const
{
    return ToWallTime(m_clock.Now());
}

void CEventScheduler::ResetToNow()
{
    m_events.ResetToNow(Now());
}

std::optional<QString> CEventScheduler::TakeDueEvent(bool exact)
{
    return m_events.TakeDueEvent(exact, Now());
}

void CEventScheduler::Refresh()
{
    const WallTime now = Now();
    const WallTime t15 = now + minutes{15};
    const WallTime t5 = now + minutes{5};
    const bool enabled = IsEnabled();
    std::vector<const CScheduledEvent*> due;
    bool imminent = false;
    for (int i = 0; i < m_events.Count(); ++i) {
        const CScheduledEvent& event = m_events.At(i);
        if (!event.IsDue(t15))
            continue;
        due.push_back(&event);
        imminent = imminent || (enabled && event.IsDue(t5));
    }
    m_upcoming.Update(due, imminent, enabled);
}

void CEventScheduler::LoadFromSettings()
{
    const CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    m_events.LoadFromRegistry(app, Now());
}

void CEventScheduler::SaveToSettings() const
{
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    m_events.SaveToRegistry(app);
}

void CEventScheduler::ReplaceEvents(const CEventList& edited)
{
    m_events = CEventList::CopyOf(edited, Now());
    SaveToSettings();
    Refresh();
}

void SetEventsEnabled(bool& enabled, bool on, EventSource& events)
{
    const bool wasEnabled = enabled;
    enabled = on;
    if (on && !wasEnabled)
        events.ResetToNow();
    events.Refresh();
}

void ToggleEvents(bool& enabled, EventSource& events)
{
    SetEventsEnabled(enabled, !enabled, events);
}
