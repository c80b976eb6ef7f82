// SPDX-License-Identifier: GPL-3.0-or-later
// The table of the values the application keeps in the user hive: the key
// below the application key, the value name, the encoding, the default, the
// values it may take and who writes it. The console's options (CViewSettings)
// are defaulted, loaded, checked and saved from it; the options pages and
// `lirana --print-settings` walk it. Names, keys, encodings and defaults are
// the stored contract: never rename one, only add.
#pragma once

#include "platform/registry/RegistryKey.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

struct CViewSettings;

// Placement: a window placement record; List: numbered values ("File1", ...).
enum class SettingType { Number, Flag, Real, Text, Rect, Font, Stream, Placement, List };

enum class SettingAccess {
    ReadWrite, // loaded and saved with the console's options
    ReadOnly,  // loaded, never written: a value put there from outside stays
    Owner,     // loaded with the options, written by its owner when it changes
               // (a file dialog's last folder, the list font, the folder tree)
};

struct SettingInfo
{
    // A stored value; monostate for the encodings without one (Font, Stream,
    // Placement, List).
    using Value = std::variant<std::monostate, std::int32_t, bool, double, QString, reg::Rect>;
    template <typename T>
    using Field = T& (*)(CViewSettings&);
    using AnyField = std::variant<std::monostate, Field<std::int32_t>, Field<bool>, Field<double>,
                                  Field<QString>, Field<reg::Rect>>;
    struct Range
    {
        double min, max; // inclusive
    };

    QString key;  // subkey of the application key; empty: the application key
    QString name; // value name, or the subkey name of a Font
    SettingType type;
    Value def;
    std::optional<Range> range; // Number and Real: a stored value outside is the default
    QStringList choices;        // Number: what 0, 1, ... mean; any other number is the default
    SettingAccess access = SettingAccess::ReadWrite;
    AnyField field; // where CViewSettings keeps it; monostate: its owner reads it

    // True when v may be stored: in the range, one of the choices.
    bool Accepts(const Value& v) const;
    // "Settings\Overlap Time", "WatchDog\Interval", "Font".
    QString PathName() const;
};

namespace SettingsSchema {

// Every stored value, in the order the console saves them.
const std::vector<SettingInfo>& All();

// The entry key\name; the table holds every name of SettingsKey and
// SettingName (a name it lacks is a programming error: asserted).
const SettingInfo& Find(const QString& key, const QString& name);
// The value of e as the hive holds it now, or its default: the rules of Load.
SettingInfo::Value Read(const SettingInfo& e);
// Read(Find(key, name)) as a T (std::int32_t, bool, double, QString).
template <typename T>
T Stored(const QString& key, const QString& name)
{
    return std::get<T>(Read(Find(key, name)));
}

// Each field of s from its default.
void ApplyDefaults(CViewSettings& s);
// Each field from the hive; a value that is missing, of the wrong encoding
// or not accepted gives the default.
void Load(CViewSettings& s);
// Writes the fields whose access is ReadWrite.
void Save(const CViewSettings& s);

// The value of e as the hive holds it now, by the same rules as Load; a Font
// or a Stream is described in words ("" when absent).
QString StoredText(const SettingInfo& e);
QString Text(const SettingInfo::Value& v);
QString TypeName(SettingType type);

// Settings in words, for `lirana --set` and `--get` (SettingsSchemaText.cpp).

// The entry a person names: its PathName ("Settings\Overlap Time") or, when
// no other entry has it, its name alone ("Overlap Time"), in any case;
// null when none.
const SettingInfo* FindByName(const QString& name);
// Whether e can be written in words: Number, Flag, Real, Text and Rect.
bool HasWords(const SettingInfo& e);
// v in words: a Number as its choice's name (else the number), a Flag as
// "on"/"off", a Real with its decimals ("4.0", "2.5"), a Text as it is, a
// Rect as "left,top,right,bottom".
QString Words(const SettingInfo& e, const SettingInfo::Value& v);
// The value text stands for, by the same forms (also a choice's number,
// "1"/"0", "yes"/"no", "true"/"false"); a relative path of a folder or file
// setting is taken against the current folder. nullopt with the reason in
// *error when e has no words, or text is no such value or lies outside the
// range or the choices.
std::optional<SettingInfo::Value> FromWords(const SettingInfo& e, const QString& text, QString* error);
// Writes v as the console writes e's encoding. Within a CRegistrySave (or
// the hive's own save) it joins that one write.
void Store(const SettingInfo& e, const SettingInfo::Value& v);

} // namespace SettingsSchema
