// SPDX-License-Identifier: GPL-3.0-or-later
// Item operations on rows and files: adding one row, turning dropped names
// into item paths and inserting them, renaming a file behind a row.
// Thread: the user-interface thread. No undo checkpoint is taken here; the
// callers take one after a batch.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class CPlaylist;

// Inserts path before index (-1 = at the end) and selects it when the list
// had no selection. With mediaFilesOnly, a path that is no media file
// (IsMediaFile) is refused: false and the list is unchanged.
bool AddItem(CPlaylist& playlist, const QString& path, int index, bool mediaFilesOnly);

// Appends to *out, in the given order, each dropped name that is a file and,
// with recurse, the files below each dropped folder (CollectFolder); without
// recurse folders are left out. A name whose last component is "." or ".."
// is not followed, and a name that no longer exists (or a dangling link) is
// skipped.
void CollectDroppedFiles(const QStringList& names, QStringList* out, bool recurse);

// Appends the files below folder to *out, depth first in the file system's
// enumeration order (no sorting), each as folder + '/' + entry name ("" is
// the root folder). Symbolic links are followed; a folder already walked in
// this call (same device and inode) is not walked again, so link loops end.
// Entries that cannot be read or no longer exist are skipped.
void CollectFolder(const QString& folder, QStringList* out);

// Step 5 of a drop: adds each path with AddItem; with index -1 each is
// appended, otherwise they go in from index on, the index advancing only
// past accepted ones so the paths keep their order. Returns how many went in.
int InsertDropped(CPlaylist& playlist, const QStringList& paths, int index, bool mediaFilesOnly);

// Renames the file from -> to without ever replacing an existing file. True
// exactly when the new name exists afterwards. On failure the message of
// string 2104 with both names goes to report (when set).
bool RenameFileOnDisk(const QString& from, const QString& to,
                      const std::function<void(const QString&)>& report = {});
