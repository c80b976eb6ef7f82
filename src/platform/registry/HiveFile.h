// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory tree of one hive and its REGEDIT4 text form.
//
// File format as written (UTF-8, '\n' line ends):
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Oxbelund\Lirana\Settings]
//   "Name"="text"            REG_SZ, '\\' and '\"' escaped
//   "Count"=dword:0000000f   REG_DWORD
//   "Flag"=hex:01,00,00,00   REG_BINARY, may continue on the next line
//                            after a trailing '\'
//   "Multi"=hex(7):41,00,00  any other type, its number in hex
//   @="default value"
// Lines starting with ';' are comments. Names of keys and values compare
// case-insensitively and keep the case they were created with; values and
// subkeys keep creation order. REG_SZ data is held as UTF-8 with its
// terminating zero byte.
//
// Reading is tolerant, line by line (see ParseHive): besides the form above
// it takes "\r\n" line ends, a missing last line end, a UTF-8 or UTF-16 byte
// order mark, the "Windows Registry Editor Version 5.00" header (whose
// hex(1), hex(2) and hex(7) data is UTF-16 text, held here as UTF-8 like
// any other text), "DWORD:"/"HEX:" in any case and one-digit hex bytes.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace reg {

struct HiveValue
{
    QString name; // empty: the key's default value ("@")
    std::uint32_t type = 0;
    QByteArray data;
};

// Values and subkeys are kept in creation order in the vectors, and found
// through a hash of their case-folded names beside them, so a key with many
// values or subkeys is read and written in linear time. Change them only
// through the methods below, which keep the hashes in step.
struct HiveKey
{
    QString name;
    std::vector<HiveValue> values;
    std::vector<HiveKey> subkeys;
    QHash<QString, size_t> valueIndex{};  // case-folded name -> position in values
    QHash<QString, size_t> subkeyIndex{}; // case-folded name -> position in subkeys

    const HiveValue* FindValue(const QString& valueName) const;
    void SetValue(const QString& valueName, std::uint32_t type, const QByteArray& data);
    void RemoveValue(const QString& valueName);

    const HiveKey* FindSubkey(const QString& subkeyName) const;
    HiveKey* FindSubkey(const QString& subkeyName);
    HiveKey& MakeSubkey(const QString& subkeyName);
    void RemoveSubkey(const QString& subkeyName);

    // Key below this one by path components; nullptr when missing.
    const HiveKey* Find(const QStringList& path) const;
    HiveKey* Find(const QStringList& path);
    // Finds or creates every component of path.
    HiveKey& Make(const QStringList& path);

    // Copies every key and value of other into this tree, other winning.
    void MergeFrom(const HiveKey& other);
};

// The form in which names compare: case-folded ("Event 1" and "EVENT 1" are
// one name).
QString FoldedName(const QString& name);

// "A\\B\\\\C" -> {"A", "B", "C"}: empty components are dropped.
QStringList SplitKeyPath(const QString& path);

// The deepest key a hive holds: a path of at most this many names below the
// root. A deeper key header is a line that cannot be read, and a deeper key
// cannot be opened or made.
inline constexpr int kMaxKeyDepth = 64;

// A line of hive text that could not be read.
struct HiveProblem
{
    int line = 0; // 1-based; the first line of a value that spans several
    QString why;
    bool keyHeader = false; // a key header: the values below it are lost too
    int valuesLost = 0;     // of a key header: how many values that was
};

// What a hive may hold: the reader refuses a larger file, and reads a longer
// line (or a value continued over more text) as a line that cannot be read.
// Settings are small: the largest stored value, a tool bar's state or a
// plug-in's settings, is a few KiB.
inline constexpr qint64 kMaxHiveFileBytes = qint64(16) << 20;
inline constexpr qsizetype kMaxHiveLineBytes = qsizetype(64) << 10;

// Parses text into a tree rooted at rootName ("HKEY_CURRENT_USER"). Every
// line that can be read is kept; a value line that cannot be read is left
// out (so it reads as its default) and listed in *problems, and a key
// header that cannot be read (also one outside rootName) loses the values
// below it up to the next good header. A last line without its line end is
// read only when it cannot have been cut short (a closed string, eight
// dword digits, a final two-digit hex byte). Returns false, with
// "line N: what" in *error and *root unchanged, only when the text is not
// a hive at all: no REGEDIT4 or Version 5.00 header on its first non-blank
// line.
bool ParseHive(const QByteArray& text, const QString& rootName, HiveKey* root,
               std::vector<HiveProblem>* problems, QString* error);

// The REGEDIT4 text of the tree, every key as a section (the root only when
// it holds values), ending with a blank line.
QByteArray WriteHive(const HiveKey& root);

} // namespace reg
