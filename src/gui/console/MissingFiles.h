// SPDX-License-Identifier: GPL-3.0-or-later
// CMissingFiles: which rows of a playlist name a file that is not there, so
// the list can mark them before they reach the air. The check runs on a
// worker of the global thread pool (a file on a hung share must not stop
// the console) when the rows change and when a folder of theirs changes (a
// file-system watcher); a result that an older check brings back is
// dropped. Rows that are no files (pauses, live items, controls, CD tracks,
// URLs) are never missing.
// Thread: the GUI thread; the workers only ask the file system.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QString>

class CPlaylist;

class CMissingFiles : public QObject
{
    Q_OBJECT

public:
    CMissingFiles(const CPlaylist& playlist, QObject* parent);

    bool IsMissing(const QString& row) const { return m_missing.contains(row); }

signals:
    // A check has come back with other rows missing than before.
    void Changed();

private:
    void Check();

    const CPlaylist& m_playlist;
    QFileSystemWatcher m_watcher;
    QSet<QString> m_missing;
    quint64 m_serial = 0;
    bool m_pending = false;
};
