// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/MissingFiles.h"

#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

namespace {

bool IsFileRow(const QString& row)
{
    if (!row.startsWith(u'/'))
        return false; // relative pseudo files ("10.pause") and URLs
    switch (GetItemKind(row)) {
    case ItemKind::CdAudio:
    case ItemKind::PauseItem:
    case ItemKind::Live:
    case ItemKind::PlayControl:
    case ItemKind::StopControl:
    case ItemKind::Command: return false;
    default: return true;
    }
}

} // namespace

CMissingFiles::CMissingFiles(const CPlaylist& playlist, QObject* parent)
    : QObject(parent), m_playlist(playlist)
{
    // Edits come in bursts (a paste, an undo): one check after them.
    auto later = [this] {
        if (m_pending)
            return;
        m_pending = true;
        QTimer::singleShot(0, this, [this] {
            m_pending = false;
            Check();
        });
    };
    connect(&playlist, &QAbstractItemModel::modelReset, this, later);
    connect(&playlist, &QAbstractItemModel::rowsInserted, this, later);
    connect(&playlist, &QAbstractItemModel::dataChanged, this, later);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, later);
    Check();
}

void CMissingFiles::Check()
{
    QStringList files;
    QSet<QString> folders;
    for (const QString& row : m_playlist.Rows()) {
        if (IsFileRow(row)) {
            files << row;
            folders.insert(QFileInfo(row).absolutePath());
        }
    }
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    for (const QString& folder : std::as_const(folders))
        if (QFileInfo(folder).isDir())
            m_watcher.addPath(folder);
    const quint64 serial = ++m_serial;
    QThreadPool::globalInstance()->start([files, serial, self = QPointer<CMissingFiles>(this)] {
        QSet<QString> missing;
        for (const QString& file : files)
            if (!QFileInfo::exists(file))
                missing.insert(file);
        // Back on the GUI thread through the application object: the
        // pointer to the list's checker is looked at there only.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, serial, missing] {
                if (!self || serial != self->m_serial || missing == self->m_missing)
                    return;
                self->m_missing = missing;
                emit self->Changed();
            },
            Qt::QueuedConnection);
    });
}
