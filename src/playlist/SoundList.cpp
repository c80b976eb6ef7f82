// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/SoundList.h"

#include "app/Strings.h"
#include "platform/IniFile.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/ItemPath.h"

#include <QFileInfo>

namespace {

const QString kKey = QStringLiteral("Sounds");
const QString kCount = QStringLiteral("Count");
constexpr int kMaxPathLength = 256;
constexpr int kMaxToolTipLength = 79;

QString SlotName(int index)
{
    return QStringLiteral("Sound %1").arg(index + 1);
}

// Nine slots from a reader of "Sound n", or nine "" when the count is not 9.
template <class Read>
QStringList ReadSlots(int count, Read read)
{
    QStringList paths;
    for (int i = 0; i < CSoundList::kSlots; ++i)
        paths << (count == CSoundList::kSlots ? read(SlotName(i)).left(kMaxPathLength) : QString());
    return paths;
}

} // namespace

CSoundList::CSoundList()
{
    for (int i = 0; i < kSlots; ++i)
        m_slots << QString();
}

QString CSoundList::Slot(int index) const
{
    return index >= 0 && index < kSlots ? m_slots[index] : QString();
}

void CSoundList::SetSlot(int index, const QString& path)
{
    if (index >= 0 && index < kSlots)
        m_slots[index] = path;
}

QString CSoundList::MenuText(int index) const
{
    if (!IsAssigned(index))
        return Str::Load(Str::UnassignedSound);
    return QStringLiteral("&%1\t%2").arg(GetItemDisplayName(Slot(index))).arg(index + 1);
}

QString CSoundList::ToolTip(int index) const
{
    if (!IsAssigned(index))
        return Str::Load(Str::UnassignedSound);
    return QFileInfo(Slot(index)).completeBaseName().left(kMaxToolTipLength);
}

QString CSoundList::PageText(int index) const
{
    return QStringLiteral("[%1] %2").arg(index + 1).arg(IsAssigned(index) ? GetItemDisplayName(Slot(index))
                                                                          : QString());
}

void CSoundList::LoadFromRegistry(const CRegistryKey& parent)
{
    const CRegistryKey key = CRegistryKey::Create(parent, kKey);
    m_slots = ReadSlots(key.GetNumber(kCount, 0), [&](const QString& name) { return key.GetText(name, {}); });
}

void CSoundList::SaveToRegistry(CRegistryKey& parent) const
{
    parent.DeleteSubkey(kKey);
    parent.Flush(); // the deletion reaches the hive before the new values
    CRegistryKey key = CRegistryKey::Create(parent, kKey);
    for (int i = 0; i < kSlots; ++i)
        key.SetText(SlotName(i), m_slots[i]);
    key.SetNumber(kCount, kSlots);
    key.Flush();
}

void CSoundList::LoadFromProfile(CIniFile& ini)
{
    ini.SetSection(kKey);
    m_slots = ReadSlots(ini.GetInt(kCount, 0), [&](const QString& name) { return ini.GetString(name, {}); });
}

void CSoundList::SaveToProfile(CIniFile& ini) const
{
    ini.SetSection(kKey);
    for (int i = 0; i < kSlots; ++i)
        ini.WriteString(SlotName(i), m_slots[i]);
    ini.WriteInt(kCount, kSlots);
}
