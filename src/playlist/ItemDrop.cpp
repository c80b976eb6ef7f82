// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/ItemDrop.h"
#include "platform/FileNames.h"

#include "playlist/ItemPath.h"
#include "playlist/ItemStrings.h"
#include "playlist/Playlist.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using FolderIds = std::set<std::pair<dev_t, ino_t>>;

bool StatPath(const QString& path, struct stat* st)
{
    return ::stat(FileNameBytes(path).constData(), st) == 0;
}

bool IsDotName(QStringView name)
{
    return name == u"." || name == u"..";
}

// Runs of digits compare by their value ("2 Intro" before "10 Outro"),
// the rest letter by letter with case aside; names equal so compare as
// they are. The same in every locale, the C locale of a service included.
bool NameOrderLess(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            // Compared as text without their leading zeros: any length.
            QStringView x = QStringView(a).mid(si, i - si), y = QStringView(b).mid(sj, j - sj);
            while (x.size() > 1 && x.front() == u'0')
                x = x.mid(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.mid(1);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            continue;
        }
        const char16_t x = a[i].toCaseFolded().unicode(), y = b[j].toCaseFolded().unicode();
        if (x != y)
            return x < y;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b;
}

void Walk(const QString& folder, QStringList* out, FolderIds& walked)
{
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    struct stat st;
    if (!StatPath(base, &st) || !S_ISDIR(st.st_mode) || !walked.insert({st.st_dev, st.st_ino}).second)
        return;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(FileNameBytes(base).constData()), &::closedir);
    if (!dir)
        return;
    std::vector<std::pair<QString, bool>> entries; // name, is a folder
    while (const dirent* entry = ::readdir(dir.get())) {
        const QString name = FileNameFromBytes(entry->d_name);
        if (IsDotName(name))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type != DT_DIR && entry->d_type != DT_REG) {
            struct stat target;
            if (!StatPath(base + name, &target))
                continue; // gone meanwhile, or a dangling link
            isFolder = S_ISDIR(target.st_mode);
        }
        entries.emplace_back(name, isFolder);
    }
    // The order of a file manager, not the file system's: an album folder of
    // numbered tracks plays in its order.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return NameOrderLess(a.first, b.first); });
    for (const auto& [name, isFolder] : entries) {
        if (isFolder)
            Walk(base + name, out, walked);
        else
            out->append(base + name);
    }
}

} // namespace

bool AddItem(CPlaylist& playlist, const QString& path, int index, bool mediaFilesOnly)
{
    if (mediaFilesOnly && !IsMediaFile(path))
        return false;
    const int row = playlist.Insert(index, path);
    if (playlist.Selection() < 0)
        playlist.Select(row);
    return true;
}

void CollectDroppedFiles(const QStringList& names, QStringList* out, bool recurse)
{
    for (const QString& name : names) {
        QStringView last(name);
        while (last.size() > 1 && last.endsWith(u'/'))
            last.chop(1);
        if (IsDotName(last.mid(last.lastIndexOf(u'/') + 1)))
            continue;
        struct stat st;
        if (!StatPath(name, &st))
            continue;
        if (!S_ISDIR(st.st_mode))
            out->append(name);
        else if (recurse)
            CollectFolder(name, out);
    }
}

void CollectFolder(const QString& folder, QStringList* out)
{
    FolderIds walked;
    Walk(folder, out, walked);
}

int InsertDropped(CPlaylist& playlist, const QStringList& paths, int index, bool mediaFilesOnly)
{
    QStringList accepted;
    accepted.reserve(paths.size());
    for (const QString& path : paths) {
        if (!mediaFilesOnly || IsMediaFile(path))
            accepted << path;
    }
    // One insert for the lot: a list view lays out once, not once a row
    // (10,000 pasted rows took seconds one by one).
    const int row = playlist.Insert(index, accepted);
    if (!accepted.isEmpty() && playlist.Selection() < 0)
        playlist.Select(row);
    return static_cast<int>(accepted.size());
}

bool RenameFileOnDisk(const QString& from, const QString& to,
                      const std::function<void(const QString&)>& report)
{
    const QByteArray source = FileNameBytes(from);
    const QByteArray target = FileNameBytes(to);
    const auto exists = [&target] {
        struct stat st;
        return ::lstat(target.constData(), &st) == 0;
    };
    const auto fail = [&] {
        if (report)
            report(QString::asprintf(ItemStrings::kRenameFailed, qUtf8Printable(from), qUtf8Printable(to)));
        return false;
    };
    if (from == to && exists())
        return true;
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0) {
        // File systems without RENAME_NOREPLACE: a hard link fails on an
        // existing target just the same.
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return fail();
        if (::link(source.constData(), target.constData()) != 0)
            return fail();
        if (::unlink(source.constData()) != 0) {
            ::unlink(target.constData());
            return fail();
        }
    }
    return exists();
}
