// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/ListFile.h"

#include "platform/FileNames.h"
#include "playlist/ItemPath.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "$HOME/jingles/id.sh", "${XDG_MUSIC_DIR}/a.mp3", "%HOME%\\x": a row that
// begins with a variable is kept as written. Made absolute first it would
// name the variable inside the list's folder and never run; the command
// item expands it, then resolves what it names.
bool StartsWithVariable(const QString& row)
{
    static const QRegularExpression re(QStringLiteral(R"(^(\$\{?[A-Za-z_]|%[A-Za-z_][A-Za-z0-9_]*%))"));
    return re.match(row).hasMatch();
}

bool IsTrailingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The row of a line that is not valid UTF-8: the file its bytes name
// (FileNameFromBytes) when there is one, a name in another encoding on this
// machine; else the line read as Latin-1, as lists written on other systems
// are. A relative name is looked up where it is played from: the current
// folder (an album makes it absolute against it; a mini playlist's row is
// resolved there when it plays).
QString RowOfBytes(QByteArrayView bytes)
{
    const QString row = FileNameFromBytes(bytes);
    QString where = row;
    if (!StartsWithVariable(row)) {
        try {
            where = GetFullPath(row);
        } catch (const CException&) {
        }
    }
    return FileNameExists(where) ? row : QString::fromLatin1(bytes.data(), bytes.size());
}

QString SystemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Makes the rename of a file in folder durable; errors are not fatal since
// the data itself is already on disk.
void SyncFolder(const QString& folder)
{
    const int fd = ::open(FileNameBytes(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString NotRegular()
{
    return QCoreApplication::translate("ListFile", "it is not a regular file");
}

// The file a save replaces: a symbolic link is followed, so the link stays
// and the file it names gets the new text.
QString FinalTarget(const QString& path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

// Creates "name.XXXXXX" beside name for writing; returns the descriptor (and
// the temporary's name) or -1 with errno set.
int CreateTemp(const QByteArray& name, QByteArray* temp)
{
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = name + '.';
        for (int i = 0; i < 6; ++i)
            *temp += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))];
        const int fd = ::open(temp->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Writes all of data; 0, or the errno of the write that failed.
int WriteAll(int fd, QByteArrayView data)
{
    while (!data.isEmpty()) {
        const ssize_t n = ::write(fd, data.data(), static_cast<size_t>(data.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        data = data.sliced(n);
    }
    return 0;
}

// Writes text over the file itself, for a folder that takes no temporary
// file: the room for a longer text reserved first, then the new text from the
// start, then the file cut to its length, then synced. A full disk or a file
// size limit fails the reservation before a byte of the old text is
// overwritten; a text no longer than the old one needs no new space. Returns
// 0 or the errno.
int WriteInPlace(const QByteArray& name, const QByteArray& text)
{
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    struct stat st
    {};
    int code = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
    if (code == 0 && text.size() > st.st_size) {
        code = ::posix_fallocate(fd, 0, text.size());
        if (code != 0 && code != EINVAL && code != EOPNOTSUPP) {
            // Where the reservation is emulated it may have grown the file.
            (void)::ftruncate(fd, st.st_size);
        } else {
            code = 0; // a file system that reserves nothing: written as before
        }
    }
    if (code == 0)
        code = WriteAll(fd, text);
    if (code == 0 && ::ftruncate(fd, text.size()) != 0)
        code = errno;
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    return code;
}

} // namespace

QStringList ParseListText(const QByteArray& text, ListPaths paths, const QString& fileName)
{
    QStringList rows;
    QByteArrayView rest(text);
    int lineNo = 0;
    while (!rest.isEmpty()) {
        ++lineNo;
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        // A byte order mark starts the file, or a line of one pasted after
        // another ("cat a.m3u b.m3u"): "#EXTM3U" behind it is a comment.
        while (line.startsWith("\xEF\xBB\xBF"))
            line = line.sliced(3);
        if (line.size() > kMaxListLineBytes)
            throw CListFileException(
                fileName,
                QCoreApplication::translate("ListFile", "Cannot read the list file %1: line %2 is longer "
                                                        "than %3 KiB.")
                    .arg(fileName)
                    .arg(lineNo)
                    .arg(kMaxListLineBytes >> 10));
        if (line.startsWith('#'))
            continue;
        qsizetype size = line.size();
        while (size > 0 && IsTrailingSpace(line[size - 1]))
            --size;
        if (size == 0)
            continue;
        const QByteArrayView bytes = line.first(size);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString row = utf8.decode(bytes);
        if (utf8.hasError())
            row = RowOfBytes(bytes);
        if (paths == ListPaths::MakeAbsolute && !StartsWithVariable(row)) {
            try {
                row = GetFullPath(row);
            } catch (const CException& e) {
                throw CListFileException(fileName, QCoreApplication::translate(
                                                       "ListFile",
                                                       "Cannot read the list file %1: line %2 cannot be made "
                                                       "an absolute path (%3).")
                                                       .arg(fileName)
                                                       .arg(lineNo)
                                                       .arg(e.GetErrorMessage()));
            }
        }
        rows.append(row);
    }
    return rows;
}

QByteArray FormatListText(const QStringList& rows, const QString& fileName)
{
    QByteArray out;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString& row = rows.at(i);
        if (row.contains(u'\n') || row.contains(u'\r'))
            throw CListFileException(
                fileName, QCoreApplication::translate("ListFile",
                                                      "Cannot save the list file %1: row %2 contains a line "
                                                      "break and cannot be stored as one line.")
                              .arg(fileName)
                              .arg(i + 1));
        out += FileNameBytes(row);
        out += '\n';
    }
    return out;
}

QStringList ReadListFile(const QString& path, ListPaths paths)
{
    auto fail = [&path](const QString& reason) {
        return CListFileException(
            path,
            QCoreApplication::translate("ListFile", "Cannot open the list file %1: %2.").arg(path, reason));
    };
    // A FIFO or a device would block the open or never end: only regular
    // files are opened, and the open cannot wait for a writer.
    const QByteArray name = FileNameBytes(path);
    struct stat st
    {};
    if (::stat(name.constData(), &st) != 0)
        throw fail(errno == ENOENT ? QCoreApplication::translate("ListFile", "the file does not exist")
                                   : SystemText(errno));
    if (S_ISDIR(st.st_mode))
        throw fail(QCoreApplication::translate("ListFile", "it is a folder"));
    if (!S_ISREG(st.st_mode))
        throw fail(NotRegular());
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw fail(SystemText(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) { // replaced since the stat
        ::close(fd);
        throw fail(NotRegular());
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray text = st.st_size > kMaxListFileBytes ? QByteArray() : file.readAll();
    if (st.st_size > kMaxListFileBytes || text.size() > kMaxListFileBytes)
        throw fail(
            QCoreApplication::translate("ListFile", "it is larger than %1 MiB").arg(kMaxListFileBytes >> 20));
    if (file.error() != QFileDevice::NoError)
        throw CListFileException(path,
                                 QCoreApplication::translate("ListFile", "Cannot read the list file %1: %2.")
                                     .arg(path, file.errorString()));
    return ParseListText(text, paths, path);
}

void WriteListFile(const QString& path, const QStringList& rows)
{
    const QByteArray text = FormatListText(rows, path);
    auto fail = [&path](const QString& reason) {
        return CListFileException(
            path,
            QCoreApplication::translate("ListFile", "Cannot save the list file %1: %2.").arg(path, reason));
    };
    const QString target = FinalTarget(path);
    const QByteArray name = FileNameBytes(target);
    struct stat st
    {};
    const bool exists = ::stat(name.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        throw fail(QCoreApplication::translate("ListFile", "it is a folder"));
    if (exists && !S_ISREG(st.st_mode))
        throw fail(NotRegular());

    QByteArray temp;
    const int fd = CreateTemp(name, &temp);
    if (fd < 0) {
        const int code = errno;
        // A folder the operator may not write to (or a name too long for the
        // temporary's suffix): the file itself may still take the text.
        if (code != EACCES && code != EPERM && code != ENAMETOOLONG)
            throw fail(SystemText(code));
        if (const int inPlace = WriteInPlace(name, text))
            throw fail(QCoreApplication::translate("ListFile", "%1; writing the file in place failed too: %2")
                           .arg(SystemText(code), SystemText(inPlace)));
        return;
    }
    if (exists)
        ::fchmod(fd, st.st_mode & 0777); // keep the album's permissions
    int code = WriteAll(fd, text);
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(temp.constData(), name.constData()) != 0)
        code = errno;
    if (code != 0) {
        ::unlink(temp.constData());
        throw fail(SystemText(code));
    }
    SyncFolder(QFileInfo(target).absolutePath());
}
