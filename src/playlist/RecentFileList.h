// SPDX-License-Identifier: GPL-3.0-or-later
// The recent-file list: the last 10 albums, most recent first, kept in the
// user hive under the application key, subkey "Recent File List", values
// "File1".."File10" (text). Paths compare exactly (case-sensitive); a path
// appears once. Every change is written to the hive at once.
// Thread: the user-interface thread.
#pragma once

#include "app/ViewSettings.h"

#include <QString>
#include <QStringList>

class CRecentFileList
{
public:
    static constexpr int kSize = 10;

    explicit CRecentFileList(QString subkey = SettingsKey::RecentFileList);

    // The entries, most recent first; empty values are skipped.
    QStringList Files() const;
    // Puts path first, removing an earlier entry of it; the 11th drops off.
    void Add(const QString& path);
    // Removes the entry at index (0 = most recent); nothing when out of range.
    void Remove(int index);

private:
    void Write(const QStringList& files);

    QString m_subkey;
};
