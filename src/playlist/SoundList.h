// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundList: the nine slots of the sound buttons, slot 1 first; each holds
// a full item path, or "" when unassigned. There are always nine.
//
// Stored under the settings key "Sounds" and in sounds files (an .ini file,
// section "Sounds"), both as "Sound 1" ... "Sound 9" and "Count" 9. A "Count"
// other than exactly 9 (missing included) reads as nine unassigned slots,
// whatever paths are stored.
// Thread: one owner thread.
#pragma once

#include <QString>
#include <QStringList>

class CIniFile;
class CRegistryKey;

class CSoundList
{
public:
    static constexpr int kSlots = 9;

    CSoundList(); // nine unassigned slots

    // index from 0; out of range reads as unassigned and is not written.
    QString Slot(int index) const;
    void SetSlot(int index, const QString& path);
    bool IsAssigned(int index) const { return !Slot(index).isEmpty(); }
    const QStringList& Slots() const { return m_slots; }

    // The "&Sounds" menu item: "&<display name>\t<slot number>", or
    // "Unassigned Sound".
    QString MenuText(int index) const;
    // A sound button's tool tip: the file name without folder and
    // extension (at most 79 characters), or "Unassigned Sound".
    QString ToolTip(int index) const;
    // A row of the Sounds page: "[<slot number>] <display name>", the
    // number alone when unassigned.
    QString PageText(int index) const;

    // The key "Sounds" below parent. Saving deletes the key and writes it
    // anew: nine "Sound n" values in order, then "Count".
    void LoadFromRegistry(const CRegistryKey& parent);
    void SaveToRegistry(CRegistryKey& parent) const;
    // Section "Sounds" of a sounds file; writing rewrites every key, "Count"
    // last, and leaves the rest of the file (the caller flushes).
    void LoadFromProfile(CIniFile& ini);
    void SaveToProfile(CIniFile& ini) const;

private:
    QStringList m_slots;
};
