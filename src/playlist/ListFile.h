// SPDX-License-Identifier: GPL-3.0-or-later
// List files: albums (.alb), mini playlists (.mpl) and M3U lists (.m3u) share
// one text format, one item path per line.
//
// Reading: the file is UTF-8. A line that is not valid UTF-8 names the file
// of its very bytes when there is one, a relative name looked up in the
// current folder (platform/FileNames.h: the row keeps the bytes, and a save
// writes them back); otherwise it is read as Latin-1 (byte for byte), as
// lists written on other systems are. Nothing is lost. A UTF-8 byte-order
// mark at the start is skipped. Lines end in LF or CR LF. A line whose first character is
// '#' is a comment; trailing white space (blank, tab, CR, VT, FF) is removed
// and a line left empty is ignored; leading white space is kept, so
// "  #x" is an item. With MakeAbsolute each line is turned into an absolute
// path with GetFullPath (against the current folder), but one that begins
// with an environment variable ($NAME, ${NAME}, %NAME%), which the command
// item expands before it resolves the path; KeepRelative keeps the
// text as written (mini playlists).
//
// Only regular files are read or written: a FIFO, a device or a socket is
// refused with "... it is not a regular file" before anything could wait on
// it, and a file replaced by one between the check and the open is caught
// on the open descriptor.
//
// Writing: each row in UTF-8 (a file name's own bytes kept) followed by LF; no header, no trailing blank
// line; an empty list is an empty file. The text goes to a temporary file
// "name.XXXXXX" in the same folder, is synced to disk and then renamed over
// the target (a symbolic link is followed and stays), so an interrupted or
// failed save leaves the old file whole. When the folder refuses the
// temporary file (no write permission, or the name too long for the suffix),
// the file itself is written in place and synced; that save is not atomic.
// Thread: any; no shared state.
#pragma once

#include "platform/Exception.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A list file that cannot be read or written; the message names the file.
class CListFileException : public CExceptionImpl<CListFileException, CException>
{
public:
    CListFileException(QString fileName, QString message)
        : m_fileName(std::move(fileName)), m_message(std::move(message))
    {
    }
    QString GetErrorMessage() const override { return m_message; }
    const QString& FileName() const { return m_fileName; }

private:
    QString m_fileName;
    QString m_message;
};

enum class ListPaths { MakeAbsolute, KeepRelative };

// What a list file may hold: a row is a path or a command line (at most a
// few KiB); a file is refused whole, naming the line, when one line is
// longer, and when the file is larger than an album of a million rows could
// need.
inline constexpr qsizetype kMaxListLineBytes = qsizetype(64) << 10;
inline constexpr qint64 kMaxListFileBytes = qint64(256) << 20;

// The rows of list text by the reading rules above. With MakeAbsolute a
// failure of GetFullPath throws CListFileException naming fileName and the
// line number; so does a line longer than kMaxListLineBytes.
QStringList ParseListText(const QByteArray& text, ListPaths paths, const QString& fileName = {});
// The rows as file content by the writing rules above. Throws
// CListFileException when a row holds a line break (it could not be read
// back as one row).
QByteArray FormatListText(const QStringList& rows, const QString& fileName = {});

// Reads the list file at path. Throws CListFileException when the file is
// missing, is a folder or not a regular file, cannot be read, is larger than
// kMaxListFileBytes, or a line cannot be read. Never blocks on a FIFO.
QStringList ReadListFile(const QString& path, ListPaths paths);
// Writes rows to path (see above). Throws CListFileException; the file that
// was there before is then unchanged, except after a failed write in place.
void WriteListFile(const QString& path, const QStringList& rows);
