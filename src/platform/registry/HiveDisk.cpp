// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/HiveDisk.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace reg {

namespace {

constexpr int kMaxLinkHops = 40; // the kernel's own limit

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString KindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe (FIFO)");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    return QStringLiteral("not a regular file");
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

void SyncFolderOf(const QString& path)
{
    const int dirFd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

ReadStatus ReadRegularFile(const QString& path, QByteArray* content, struct stat* info, QString* why,
                           qint64 limit)
{
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), info) != 0) {
        if (errno == ENOENT)
            return ReadStatus::Missing;
        *why = ErrnoText(errno);
        return ReadStatus::Failed;
    }
    if (!S_ISREG(info->st_mode)) {
        *why = KindOf(info->st_mode);
        return ReadStatus::NotAFile;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        *why = ErrnoText(error);
        return error == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    }
    // The path may have been swapped since it was checked.
    if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        *why = KindOf(info->st_mode);
        ::close(fd);
        return ReadStatus::NotAFile;
    }
    content->clear();
    if (info->st_size > limit) {
        *why = QStringLiteral("it is larger than %1 MiB").arg(limit >> 20);
        ::close(fd);
        return ReadStatus::TooLarge;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *why = ErrnoText(errno);
            ::close(fd);
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        if (content->size() + n > limit) {
            *why = QStringLiteral("it is larger than %1 MiB").arg(limit >> 20);
            content->clear();
            ::close(fd);
            return ReadStatus::TooLarge;
        }
        content->append(buffer, n);
    }
    ::close(fd);
    return ReadStatus::Ok;
}

bool ResolveLinks(const QString& path, QString* target, QString* error)
{
    QString current = path;
    QByteArray buffer(PATH_MAX, '\0');
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        const ssize_t n = ::readlink(QFile::encodeName(current).constData(), buffer.data(),
                                     size_t(buffer.size()));
        if (n < 0) { // not a link (or not there): the end of the chain
            *target = current;
            return true;
        }
        const QString link = QFile::decodeName(QByteArray(buffer.constData(), n));
        current = QDir::isAbsolutePath(link) ? link : QFileInfo(current).absolutePath() + u'/' + link;
    }
    *error = QStringLiteral("%1: %2").arg(path, ErrnoText(ELOOP));
    return false;
}

bool ReplaceFile(const QString& path, const QByteArray& bytes,
                 const std::function<bool(const QString& tempFile)>& beforeRename, QString* error)
{
    QString target;
    if (!ResolveLinks(path, &target, error))
        return false;
    const QByteArray targetName = QFile::encodeName(target);
    QByteArray temp = targetName + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot create a temporary file beside %1: %2").arg(target, ErrnoText(errno));
        return false;
    }
    struct stat old
    {};
    const mode_t mode = ::stat(targetName.constData(), &old) == 0 ? (old.st_mode & 07777) : 0600;
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    const QString tempName = QFile::decodeName(temp);
    if (!written) {
        ::unlink(temp.constData());
        *error = QStringLiteral("cannot write %1: %2").arg(tempName, ErrnoText(writeErrno));
        return false;
    }
    if (beforeRename && !beforeRename(tempName)) {
        *error = QStringLiteral("write abandoned before the rename");
        return false;
    }
    if (::rename(temp.constData(), targetName.constData()) != 0) {
        *error = QStringLiteral("cannot rename %1: %2").arg(tempName, ErrnoText(errno));
        ::unlink(temp.constData());
        return false;
    }
    SyncFolderOf(target);
    return true;
}

void RemoveStaleTemporaries(const QString& path)
{
    QString target;
    QString error;
    if (!ResolveLinks(path, &target, &error))
        return;
    const QFileInfo info(target);
    const QDir folder = info.absoluteDir();
    for (const QString& stale : folder.entryList({info.fileName() + QStringLiteral(".tmp-*")}, QDir::Files))
        QFile::remove(folder.filePath(stale));
}

bool KeepCopyAside(const QString& path, const QByteArray& content, QString* aside, QString* error)
{
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList({info.fileName() + QStringLiteral(".bad-*")}, QDir::Files)) {
        QByteArray kept;
        struct stat keptInfo
        {};
        QString why;
        if (ReadRegularFile(folder.filePath(name), &kept, &keptInfo, &why, content.size()) ==
                ReadStatus::Ok &&
            kept == content) {
            *aside = folder.filePath(name);
            return true;
        }
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 0;; ++n) {
        *aside = path + QStringLiteral(".bad-") + stamp + (n ? QStringLiteral("-%1").arg(n) : QString());
        const QByteArray name = QFile::encodeName(*aside);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *error = QStringLiteral("cannot create %1: %2").arg(*aside, ErrnoText(errno));
            return false;
        }
        const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
        const int writeErrno = errno;
        ::close(fd);
        if (!written) {
            ::unlink(name.constData());
            *error = QStringLiteral("cannot write %1: %2").arg(*aside, ErrnoText(writeErrno));
            return false;
        }
        SyncFolderOf(*aside);
        return true;
    }
}

} // namespace reg
