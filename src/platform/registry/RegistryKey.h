// SPDX-License-Identifier: GPL-3.0-or-later
// CRegistryKey: one open key of the settings hives, the only way settings are
// read and written. Keys live in two hives kept as REGEDIT4 text files
// (see HiveStore.h): the user hive (HKEY_CURRENT_USER, read and written) and
// the machine hive (HKEY_LOCAL_MACHINE, read only).
//
// Reading rules of the value encodings:
//   Number  REG_DWORD; any stored value of exactly 4 bytes is read as a
//           little-endian 32-bit integer whatever its type; else default.
//   Flag    REG_BINARY of 4 bytes (0 or 1); any other type gives the default.
//   Real    REG_BINARY of 8 bytes, IEEE 754 double; else the default.
//   Text    REG_SZ; cut at 255 characters when read; default when missing.
//   Rect    REG_SZ "%d,%d,%d,%d"; used only when all four numbers parse.
//   Placement REG_SZ "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d".
//   Font    subkey with "LogFont" (REG_BINARY, 28 bytes) and "FaceName"
//           (REG_SZ, at most 31 characters; "Arial" when missing).
//   Stream  REG_BINARY of any length, owned by the control that writes it.
// Value and key names are case-insensitive and case-preserving.
// Errors are never reported: a key that cannot be opened reads defaults and
// drops writes. Thread: the user-interface thread only.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

namespace reg {

enum class ValueType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    MultiSz = 7,
};

enum class Root { CurrentUser, LocalMachine };

// A rectangle as the settings store it: left, top, right, bottom.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A window placement record, fields in their stored order.
struct Placement
{
    unsigned flags = 0;
    unsigned showCmd = 0;
    int minX = 0, minY = 0;
    int maxX = 0, maxY = 0;
    Rect normal;
    friend bool operator==(const Placement&, const Placement&) = default;
};

// A font description as stored in "LogFont" (28 bytes) plus "FaceName".
struct LogFont
{
    std::int32_t height = 0, width = 0, escapement = 0, orientation = 0, weight = 0;
    std::uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 0;
    std::uint8_t outPrecision = 0, clipPrecision = 0, quality = 0, pitchAndFamily = 0;
    QString faceName;
    friend bool operator==(const LogFont&, const LogFont&) = default;
};

} // namespace reg

class HiveStore;

class CRegistryKey
{
public:
    // A closed key: reads give defaults, writes are dropped.
    CRegistryKey();
    ~CRegistryKey();
    CRegistryKey(CRegistryKey&&) noexcept;
    CRegistryKey& operator=(CRegistryKey&&) noexcept;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // "Software\Oxbelund\Lirana", the application key below both roots.
    static const QString& AppKeyPath();

    // Opens (creating when missing) the subkey name of the application key in
    // the user hive; an empty name opens the application key itself.
    static CRegistryKey OpenAppSubkey(const QString& name);
    // Opens a key of the given root by its full path below the root
    // ("Software\Oxbelund\Lirana\MCI Extensions"). Machine keys are read only.
    static CRegistryKey Open(reg::Root root, const QString& path);
    // Opens or creates the subkey name of parent.
    static CRegistryKey Create(const CRegistryKey& parent, const QString& name);

    bool IsOpen() const;
    // The key's path below its root, as first created (case preserved).
    QString Path() const;

    std::int32_t GetNumber(const QString& name, std::int32_t def) const;
    bool GetFlag(const QString& name, bool def) const;
    double GetReal(const QString& name, double def) const;
    QString GetText(const QString& name, const QString& def) const;
    // Any binary value (streams); empty when missing or not REG_BINARY.
    QByteArray GetBinary(const QString& name) const;
    // The raw stored value; false when missing.
    bool GetRaw(const QString& name, reg::ValueType* type, QByteArray* data) const;

    void SetNumber(const QString& name, std::int32_t value);
    void SetFlag(const QString& name, bool value);
    void SetReal(const QString& name, double value);
    void SetText(const QString& name, const QString& value);
    void SetBinary(const QString& name, const QByteArray& value);
    void SetRaw(const QString& name, reg::ValueType type, const QByteArray& data);

    bool ReadRect(const QString& name, reg::Rect* rect) const;
    void WriteRect(const QString& name, const reg::Rect& rect);
    bool ReadPlacement(const QString& name, reg::Placement* placement) const;
    void WritePlacement(const QString& name, const reg::Placement& placement);
    // Reads the font subkey; true when "LogFont" was read.
    bool ReadFont(const QString& subkey, reg::LogFont* font) const;
    void WriteFont(const QString& subkey, const reg::LogFont& font);

    int SubkeyCount() const;
    // The name of the index-th subkey (creation order), at most 260 characters.
    QString SubkeyName(int index) const;
    int ValueCount() const;

    void DeleteValue(const QString& name);
    // Deletes the subkey name with everything below it.
    void DeleteSubkey(const QString& name);

    // Writes this key's pending changes to the user hive file now; Close()
    // and the destructor do it too when the key wrote anything.
    void Flush();
    void Close();

private:
    friend class HiveStore;
    friend class CRegistrySave;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// One save of many keys: while it lasts, keys that flush or close keep
// their changes pending, and its end writes them all to the user hive at
// once (one temporary file renamed over the file), so the file holds either
// everything from before the save or everything after it. Saves nest: the
// outermost one writes. The termination watcher waits for a save under way.
class CRegistrySave
{
public:
    // A save of the user hive that keys opened with Open() reach.
    CRegistrySave();
    // A save of the hive key belongs to (none for a closed key).
    explicit CRegistrySave(const CRegistryKey& key);
    // Writes, unless an outer save is still open.
    ~CRegistrySave();
    CRegistrySave(const CRegistrySave&) = delete;
    CRegistrySave& operator=(const CRegistrySave&) = delete;

private:
    std::shared_ptr<HiveStore> m_store;
    std::unique_ptr<class CSaveInProgress> m_saving;
};
