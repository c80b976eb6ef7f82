// SPDX-License-Identifier: GPL-3.0-or-later
// CIniFile: a private-profile (.ini) file with a current section, used for
// events files, sounds files and the CD database.
//
// Rules: "[Section]" lines open sections; "key=value" lines inside a section
// are keys; lines whose first non-blank character is ';' are comments.
// Section and key names compare case-insensitively and keep the case they
// were first written with. Names and values are trimmed; a value enclosed in
// a pair of matching quotes ('...' or "...") is read without them. With
// duplicates, the first section and the first key of that name count.
// The file is UTF-8; lines this class does not rewrite (comments, blank
// lines, other keys, bytes that are not valid UTF-8) are written back
// byte for byte, and so are the line ends (LF, or CRLF when the file used it).
//
// The file is read once by the constructor. Writes change the copy in memory
// and reach the disk at Flush(), atomically: a temporary file in the same
// folder is renamed over the old one, so a failed write leaves the old file
// whole. The destructor flushes pending writes but can only warn on failure;
// callers that must know call Flush() themselves.
// Sizes: a file larger than kMaxFileBytes is not read (the constructor
// throws, EFBIG); a line longer than kMaxLineBytes is kept byte for byte but
// not read, like a comment.
// Thread: not thread-safe; one owner thread.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class CIniFile
{
public:
    static constexpr qint64 kMaxFileBytes = qint64(16) << 20;
    static constexpr qsizetype kMaxLineBytes = qsizetype(64) << 10;

    enum OpenMode {
        ReadExisting, // start from the file's contents (none when it is missing)
        Truncate,     // start empty: the next Flush replaces the whole file
    };

    // Throws CWin32Exception when the file exists but cannot be read.
    explicit CIniFile(QString path, OpenMode mode = ReadExisting);
    ~CIniFile();
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    const QString& Path() const { return m_path; }

    // The section that key operations work on; "Default" until set.
    void SetSection(const QString& name);
    const QString& Section() const { return m_section; }

    QStringList Sections() const;
    bool HasSection(const QString& name) const;
    // Keys of the current section, in file order, each name once.
    QStringList Keys() const;
    int CountKeys() const;
    bool HasKey(const QString& key) const;

    // The value, cut to maxLength characters; def when the key is missing.
    QString GetString(const QString& key, const QString& def = {}, int maxLength = 1023) const;
    // A decimal number (or 0x hexadecimal) with optional sign and trailing
    // text; def when the key is missing or its value holds no number.
    // Values beyond 32 bits are cut to the low 32 bits.
    int GetInt(const QString& key, int def) const;
    // GetInt, non-zero is true.
    bool GetBool(const QString& key, bool def) const;

    // Replaces the key's line where it stands (keeping the stored key name),
    // or adds the key after the last key of the section, or appends the
    // section at the end of the file. Throws CMessageException for a name or
    // value that the format cannot hold (line breaks, '=' or a leading '['
    // or ';' in a key, ']' in a section name, empty names).
    void WriteString(const QString& key, const QString& value);
    void WriteInt(const QString& key, int value);
    // Written as WriteInt: "0" or "1".
    void WriteBool(const QString& key, bool value);
    void DeleteKey(const QString& key);
    // Deletes every section of that name with all its lines.
    void DeleteSection(const QString& name);

    bool IsDirty() const { return m_dirty; }
    // Writes pending changes to disk; throws CMessageException (with the
    // path and the system's reason) when the file cannot be written.
    void Flush();

private:
    struct Line
    {
        QByteArray raw; // as read or as last written, without line end
        enum Kind { Other, Header, Key } kind = Other;
        QString name; // section name or key name, trimmed
    };

    int FindSection(const QString& name) const;
    // [begin, end) of the lines after the section header.
    int SectionEnd(int header) const;
    int FindKey(int header, const QString& key) const;
    static Line ParseLine(const QByteArray& raw);
    static QString KeyValue(const Line& line);

    QString m_path;
    QString m_section = QStringLiteral("Default");
    std::vector<Line> m_lines;
    QByteArray m_eol = "\n";
    bool m_dirty = false;
    // The first header line of each section by case-folded name, so that a
    // file of thousands of sections (an events file) reads in linear time.
    // Built when needed; a line inserted before a header or removed
    // anywhere drops it.
    mutable QHash<QString, int> m_sectionIndex;
    mutable bool m_sectionIndexValid = false;
};
