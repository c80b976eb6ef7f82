// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/Scheduler.h"

#include "platform/Clock.h"
#include "platform/Logging.h"
#include "platform/registry/RegistryKey.h"

using namespace std::chrono;

CEventScheduler::CEventScheduler(Clock& clock) : m_clock(clock) {}

WallTime CEventScheduler::Now() const
{
    return ToWallTime(m_clock.Now());
}

void CEventScheduler::ResetToNow()
{
    const WallTime now = Now();
    if (lcEvents().isDebugEnabled()) {
        for (int i = 0; i < m_events.Count(); ++i) {
            if (m_events.At(i).IsDue(now))
                qCDebug(lcEvents).noquote() << "missed run skipped:" << m_events.At(i).fileName;
        }
    }
    m_events.ResetToNow(now);
}

std::optional<QString> CEventScheduler::TakeDueEvent(bool exact)
{
    auto file = m_events.TakeDueEvent(exact, Now());
    if (file)
        qCDebug(lcEvents).noquote() << (exact ? "event starts (run immediately):"
                                              : "event starts (after the item):")
                                    << *file;
    return file;
}

bool CEventScheduler::HasDueEvent(bool exact) const
{
    return m_events.HasDueEvent(exact, Now());
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
