// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/HiveFile.h"

#include <QStringDecoder>
#include <utility>

namespace reg {

namespace {

QString Folded(const QString& name)
{
    return FoldedName(name);
}

// Removes list[at] and moves the positions of the items behind it.
template <class List>
void EraseAt(List& list, QHash<QString, size_t>& index, size_t at)
{
    index.remove(Folded(list[at].name));
    list.erase(list.begin() + qsizetype(at));
    for (size_t i = at; i < list.size(); ++i)
        index[Folded(list[i].name)] = i;
}

} // namespace

const HiveValue* HiveKey::FindValue(const QString& valueName) const
{
    const auto it = valueIndex.constFind(Folded(valueName));
    return it == valueIndex.cend() ? nullptr : &values[*it];
}

void HiveKey::SetValue(const QString& valueName, std::uint32_t type, const QByteArray& data)
{
    const QString folded = Folded(valueName);
    const auto it = valueIndex.constFind(folded);
    if (it == valueIndex.cend()) {
        valueIndex.insert(folded, values.size());
        values.push_back({valueName, type, data});
        return;
    }
    HiveValue& value = values[*it];
    value.type = type;
    value.data = data;
}

void HiveKey::RemoveValue(const QString& valueName)
{
    const auto it = valueIndex.constFind(Folded(valueName));
    if (it != valueIndex.cend())
        EraseAt(values, valueIndex, *it);
}

const HiveKey* HiveKey::FindSubkey(const QString& subkeyName) const
{
    const auto it = subkeyIndex.constFind(Folded(subkeyName));
    return it == subkeyIndex.cend() ? nullptr : &subkeys[*it];
}

HiveKey* HiveKey::FindSubkey(const QString& subkeyName)
{
    return const_cast<HiveKey*>(std::as_const(*this).FindSubkey(subkeyName));
}

HiveKey& HiveKey::MakeSubkey(const QString& subkeyName)
{
    const QString folded = Folded(subkeyName);
    const auto it = subkeyIndex.constFind(folded);
    if (it != subkeyIndex.cend())
        return subkeys[*it];
    subkeyIndex.insert(folded, subkeys.size());
    subkeys.push_back(HiveKey{subkeyName, {}, {}});
    return subkeys.back();
}

void HiveKey::RemoveSubkey(const QString& subkeyName)
{
    const auto it = subkeyIndex.constFind(Folded(subkeyName));
    if (it != subkeyIndex.cend())
        EraseAt(subkeys, subkeyIndex, *it);
}

const HiveKey* HiveKey::Find(const QStringList& path) const
{
    const HiveKey* key = this;
    for (const QString& part : path) {
        key = key->FindSubkey(part);
        if (!key)
            return nullptr;
    }
    return key;
}

HiveKey* HiveKey::Find(const QStringList& path)
{
    return const_cast<HiveKey*>(std::as_const(*this).Find(path));
}

HiveKey& HiveKey::Make(const QStringList& path)
{
    HiveKey* key = this;
    for (const QString& part : path)
        key = &key->MakeSubkey(part);
    return *key;
}

void HiveKey::MergeFrom(const HiveKey& other)
{
    for (const HiveValue& v : other.values)
        SetValue(v.name, v.type, v.data);
    for (const HiveKey& sub : other.subkeys)
        MakeSubkey(sub.name).MergeFrom(sub);
}

QString FoldedName(const QString& name)
{
    // Names are nearly always ASCII: those fold without the Unicode tables,
    // and one without capitals is shared, not copied.
    bool capitals = false;
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return name.toCaseFolded();
        capitals = capitals || (c >= u'A' && c <= u'Z');
    }
    if (!capitals)
        return name;
    QString folded = name;
    for (QChar& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return folded;
}

QStringList SplitKeyPath(const QString& path)
{
    return path.split(u'\\', Qt::SkipEmptyParts);
}

// ---------------------------------------------------------------- writing

namespace {

QString Escaped(const QString& text)
{
    QString out = text;
    out.replace(u'\\', QLatin1String("\\\\"));
    out.replace(u'"', QLatin1String("\\\""));
    return out;
}

// REG_SZ data that can be written as "text": one terminating zero, no other
// zero, no line breaks, valid UTF-8.
bool AsPlainText(const QByteArray& data, QString* text)
{
    if (data.isEmpty() || !data.endsWith('\0'))
        return false;
    const QByteArray body = data.left(data.size() - 1);
    if (body.contains('\0') || body.contains('\n') || body.contains('\r'))
        return false;
    // A leading U+FEFF is part of the text, not a byte order mark to drop.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    *text = decoder.decode(body);
    return !decoder.hasError();
}

void AppendHex(QByteArray* out, QByteArray line, const QByteArray& data)
{
    for (qsizetype i = 0; i < data.size(); ++i) {
        line += QByteArray::number(uchar(data[i]), 16).rightJustified(2, '0');
        if (i + 1 < data.size()) {
            line += ',';
            if (line.size() >= 76) {
                *out += line + "\\\n";
                line = "  ";
            }
        }
    }
    *out += line + '\n';
}

void WriteValue(QByteArray* out, const HiveValue& v)
{
    const QByteArray name = v.name.isEmpty() ? QByteArray("@") : '"' + Escaped(v.name).toUtf8() + '"';
    QString text;
    if (v.type == 1 && AsPlainText(v.data, &text)) {
        *out += name + "=\"" + Escaped(text).toUtf8() + "\"\n";
    } else if (v.type == 4 && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | uchar(v.data[i]);
        *out += name + "=dword:" + QByteArray::number(n, 16).rightJustified(8, '0') + '\n';
    } else if (v.type == 3) {
        AppendHex(out, name + "=hex:", v.data);
    } else {
        AppendHex(out, name + "=hex(" + QByteArray::number(v.type, 16) + "):", v.data);
    }
}

void WriteKey(QByteArray* out, const HiveKey& key, const QString& path, bool isRoot)
{
    if (!isRoot || !key.values.empty()) {
        *out += '[' + path.toUtf8() + "]\n";
        for (const HiveValue& v : key.values)
            WriteValue(out, v);
        *out += '\n';
    }
    for (const HiveKey& sub : key.subkeys)
        WriteKey(out, sub, path + u'\\' + sub.name, false);
}

} // namespace

QByteArray WriteHive(const HiveKey& root)
{
    QByteArray out = "REGEDIT4\n\n";
    WriteKey(&out, root, root.name, true);
    return out;
}

} // namespace reg
