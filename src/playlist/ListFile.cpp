#include "playlist/ListFile.h"

#include "playlist/ItemPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsTrailingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

QString DecodeLine(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes.data(), bytes.size());
    return text;
}

QString SystemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Makes the rename of a file in folder durable; errors are not fatal since
// the data itself is already on disk.
void SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QStringList ParseListText(const QByteArray& text, ListPaths paths, const QString& fileName)
{
    QStringList rows;
    QByteArrayView rest(text);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    int lineNo = 0;
    while (!rest.isEmpty()) {
        ++lineNo;
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.startsWith('#'))
            continue;
        qsizetype size = line.size();
        while (size > 0 && IsTrailingSpace(line[size - 1]))
            --size;
        if (size == 0)
            continue;
        QString row = DecodeLine(line.first(size));
        if (paths == ListPaths::MakeAbsolute) {
            try {
                row = GetFullPath(row);
            } catch (const CException& e) {
                throw CListFileException(
                    fileName, QStringLiteral("Cannot read the list file %1: line %2 cannot be made "
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
                fileName, QStringLiteral("Cannot save the list file %1: row %2 contains a line "
                                         "break and cannot be stored as one line.")
                              .arg(fileName)
                              .arg(i + 1));
        out += row.toUtf8();
        out += '\n';
    }
    return out;
}

QStringList ReadListFile(const QString& path, ListPaths paths)
{
    const QFileInfo info(path);
    if (info.isDir())
        throw CListFileException(
            path, QStringLiteral("Cannot open the list file %1: it is a folder.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString reason = info.exists() ? file.errorString()
                                             : QStringLiteral("the file does not exist");
        throw CListFileException(
            path, QStringLiteral("Cannot open the list file %1: %2.").arg(path, reason));
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CListFileException(
            path, QStringLiteral("Cannot read the list file %1: %2.").arg(path, file.errorString()));
    return ParseListText(text, paths, path);
}

void WriteListFile(const QString& path, const QStringList& rows)
{
    const QByteArray text = FormatListText(rows, path);
    auto fail = [&path](const QString& reason) {
        return CListFileException(
            path, QStringLiteral("Cannot save the list file %1: %2.").arg(path, reason));
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw fail(file.errorString());
    if (file.write(text) != text.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw fail(reason);
    }
    if (::fsync(file.handle()) != 0) {
        const int code = errno;
        file.cancelWriting();
        throw fail(SystemText(code));
    }
    if (!file.commit())
        throw fail(file.errorString());
    SyncFolder(QFileInfo(path).absolutePath());
}
