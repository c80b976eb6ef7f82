// SPDX-License-Identifier: GPL-3.0-or-later
// The file operations behind HiveStore: reading a hive without ever blocking
// on something that is not a regular file, replacing one through symbolic
// links, and keeping a copy of a damaged one. POSIX calls only; no locking
// here (HiveStore holds its lock around these).
// Thread: any; each call stands alone.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <sys/stat.h>

namespace reg {

enum class ReadStatus { Ok, Missing, NotAFile, Failed, TooLarge };

// Reads the whole file path names, following symbolic links. A path that
// names anything but a regular file (a FIFO, device, socket or folder) is
// refused before it is opened: NotAFile with its kind in *why. The open
// itself never waits, should the file be swapped after the check. *info is
// the file's status when Ok; *why the system's reason when Failed. A file of
// more than limit bytes is not read past them: TooLarge, with its size in
// *why.
ReadStatus ReadRegularFile(const QString& path, QByteArray* content, struct stat* info, QString* why,
                           qint64 limit);

// The file path finally names once every symbolic link on it is followed
// (path itself when it is no link); the target need not exist. False with
// *error when the links loop.
bool ResolveLinks(const QString& path, QString* target, QString* error);

// Writes bytes to a temporary file "<target>.tmp-XXXXXX" beside the file
// path finally names, syncs it and renames it onto that file, so a link to
// the file stays a link. beforeRename (when set) sees the synced temporary
// file and may abandon the write there, as a crash would. On failure the
// file is untouched and *error says why.
bool ReplaceFile(const QString& path, const QByteArray& bytes,
                 const std::function<bool(const QString& tempFile)>& beforeRename, QString* error);

// Removes the temporary files ReplaceFile left beside the file path names
// when a write was cut off. Only for the holder of the file's lock.
void RemoveStaleTemporaries(const QString& path);

// Keeps content as "<path>.bad-yyyyMMdd-HHmmss" (a "-N" suffix when that
// exists) unless a "<path>.bad-*" file already holds exactly these bytes.
// *aside names the copy made or found; false with *error when none can be
// written.
bool KeepCopyAside(const QString& path, const QByteArray& content, QString* aside, QString* error);

} // namespace reg
