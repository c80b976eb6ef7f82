// The in-memory tree of one hive and its REGEDIT4 text form.
//
// File format (UTF-8, '\n' or "\r\n" line ends, must end with a newline):
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
#pragma once

#include <QByteArray>
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

struct HiveKey
{
    QString name;
    std::vector<HiveValue> values;
    std::vector<HiveKey> subkeys;

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

// "A\\B\\\\C" -> {"A", "B", "C"}: empty components are dropped.
QStringList SplitKeyPath(const QString& path);

// Parses text into a tree rooted at rootName ("HKEY_CURRENT_USER"); every
// section must lie below that root. False with "line N: what" in *error when
// any part of the text is malformed; *root is then unchanged.
bool ParseHive(const QByteArray& text, const QString& rootName, HiveKey* root, QString* error);

// The REGEDIT4 text of the tree, every key as a section (the root only when
// it holds values), ending with a blank line.
QByteArray WriteHive(const HiveKey& root);

} // namespace reg
