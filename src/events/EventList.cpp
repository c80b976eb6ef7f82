// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/EventList.h"

#include "platform/IniFile.h"
#include "platform/registry/RegistryKey.h"

#include <algorithm>

namespace {

const QString kCount = QStringLiteral("Count");
const QString kEventsSection = QStringLiteral("Events");

QString EntryName(int i)
{
    return QStringLiteral("Event %1").arg(i);
}

// The index of an entry named "Event %d" (any case), or -1.
int EntryIndex(const QString& name)
{
    static const QString prefix = QStringLiteral("Event ");
    if (!name.startsWith(prefix, Qt::CaseInsensitive))
        return -1;
    const QString digits = name.mid(prefix.size());
    bool ok = false;
    const int i = digits.toInt(&ok);
    return ok && i >= 0 && QString::number(i) == digits ? i : -1;
}

// The entry names with an index below count, in index order. Looking the
// entries up this way rather than 0 ... Count-1 keeps a huge "Count" cheap.
QStringList EntriesBelow(const QStringList& names, int count)
{
    std::vector<std::pair<int, QString>> found;
    for (const QString& name : names) {
        const int i = EntryIndex(name);
        if (i >= 0 && i < count)
            found.emplace_back(i, name);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList out;
    for (const auto& [i, name] : found)
        out << name;
    return out;
}

} // namespace

void CEventList::Append(std::unique_ptr<CScheduledEvent> event)
{
    m_events.push_back(std::move(event));
}

void CEventList::Append(const CScheduledEvent& event)
{
    m_events.push_back(std::make_unique<CScheduledEvent>(event));
}

void CEventList::RemoveAt(int i)
{
    m_events.erase(m_events.begin() + i);
}

void CEventList::RemoveAll()
{
    m_events.clear();
}

CEventList CEventList::CopyOf(const CEventList& other, WallTime now)
{
    CEventList copy;
    for (const auto& event : other.m_events) {
        auto record = std::make_unique<CScheduledEvent>(*event);
        record->ComputeNextRun(now);
        copy.Append(std::move(record));
    }
    return copy;
}

void CEventList::LoadFromRegistry(const CRegistryKey& parent, WallTime now, const QString& name)
{
    RemoveAll();
    const CRegistryKey events = CRegistryKey::Create(parent, name);
    const int count = events.GetNumber(kCount, 0);
    QStringList names;
    for (int i = 0, n = events.SubkeyCount(); i < n; ++i)
        names << events.SubkeyName(i);
    for (const QString& entry : EntriesBelow(names, count)) {
        const CRegistryKey key = CRegistryKey::Create(events, entry);
        if (key.ValueCount() == 0)
            continue;
        auto record = std::make_unique<CScheduledEvent>(now);
        record->ReadFromRegistry(key, now);
        if (!record->IsExpired(now))
            Append(std::move(record));
    }
}

void CEventList::SaveToRegistry(CRegistryKey& parent, const QString& name) const
{
    // One write of the whole list: the file holds the old list or the new
    // one, never a part, and thousands of events cost one write.
    const CRegistrySave save(parent);
    parent.DeleteSubkey(name);
    // The deletion is written with the new subkeys, before them.
    parent.Flush();
    CRegistryKey events = CRegistryKey::Create(parent, name);
    for (int i = 0; i < Count(); ++i) {
        CRegistryKey key = CRegistryKey::Create(events, EntryName(i));
        At(i).WriteToRegistry(key);
    }
    events.SetNumber(kCount, Count());
    events.Flush();
}

void CEventList::LoadFromProfile(CIniFile& ini, WallTime now)
{
    RemoveAll();
    ini.SetSection(kEventsSection);
    const int count = ini.GetInt(kCount, 0);
    for (const QString& section : EntriesBelow(ini.Sections(), count)) {
        ini.SetSection(section);
        if (ini.CountKeys() == 0)
            continue;
        auto record = std::make_unique<CScheduledEvent>(now);
        record->ReadFromProfile(ini, now);
        if (!record->IsExpired(now))
            Append(std::move(record));
    }
}

void CEventList::SaveToProfile(CIniFile& file) const
{
    for (const QString& section : file.Sections())
        if (EntryIndex(section) >= 0)
            file.DeleteSection(section);
    for (int i = 0; i < Count(); ++i) {
        file.SetSection(EntryName(i));
        At(i).WriteToProfile(file);
    }
    file.SetSection(kEventsSection);
    file.WriteInt(kCount, Count());
}

void CEventList::LoadFromFile(const QString& path, WallTime now)
{
    CIniFile file(path);
    LoadFromProfile(file, now);
}

void CEventList::SaveToFile(const QString& path) const
{
    CIniFile file(path, CIniFile::Truncate);
    SaveToProfile(file);
    file.Flush();
}

std::optional<QString> CEventList::TakeDueEvent(bool exact, WallTime now)
{
    for (const auto& event : m_events) {
        if (event->exact == exact && event->IsDue(now)) {
            event->ComputeNextRun(now);
            return event->fileName;
        }
    }
    return std::nullopt;
}

bool CEventList::HasDueEvent(bool exact, WallTime now) const
{
    return std::any_of(m_events.begin(), m_events.end(),
                       [&](const auto& event) { return event->exact == exact && event->IsDue(now); });
}

void CEventList::ResetToNow(WallTime now)
{
    for (const auto& event : m_events)
        event->ComputeNextRun(now);
}
