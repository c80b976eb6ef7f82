// SPDX-License-Identifier: GPL-3.0-or-later
// CRecordingPage: the "Recording" page of the Advanced Options sheet, which
// edits the air-check's values in the hive's "Settings" key: whether the
// air is recorded, the folder (empty: the application's data folder), the
// length of a file (shown in minutes, stored in seconds), the format, the
// days the files are kept and the free space below which the station
// warns; and the loudness every file item airs at ("Loudness Target"). Save, after the sheet's OK, writes
// only the values that changed. Thread: the user-interface thread.
#pragma once

#include "gui/dialogs/OptionsPage.h"

#include <cstdint>
#include <vector>

class CRecordingPage : public COptionsPage
{
    Q_OBJECT

public:
    struct Values
    {
        bool record = false;
        QString folder;
        std::int32_t minutes = 60;
        std::int32_t format = 0; // an index of Formats()
        std::int32_t keepDays = 31;
        std::int32_t minFreeMb = 1024;
        std::int32_t loudness = 0; // an index of Targets()
        bool operator==(const Values&) const = default;
    };

    CRecordingPage(UserInterface* ui, QWidget* parent = nullptr);

    // The stored names of the formats, in the order of the page's list.
    static const QStringList& Formats();
    static Values Stored();

    // The loudness targets of the page's list (LUFS; 0: as recorded).
    static const std::vector<int>& Targets();

    // The air-check's values (after Store) into the hive; true when any
    // changed. The loudness target likewise, apart.
    bool Save() const;
    bool SaveLoudness() const;

private:
    Values m_stored;
    Values m_values;
};
