#include "platform/registry/HiveFile.h"

#include <QStringDecoder>
#include <algorithm>
#include <utility>

namespace reg {

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

template <class List>
auto FindByName(List& list, const QString& name)
{
    return std::find_if(list.begin(), list.end(),
                        [&](const auto& item) { return SameName(item.name, name); });
}

} // namespace

const HiveValue* HiveKey::FindValue(const QString& valueName) const
{
    auto it = FindByName(values, valueName);
    return it == values.end() ? nullptr : &*it;
}

void HiveKey::SetValue(const QString& valueName, std::uint32_t type, const QByteArray& data)
{
    auto it = FindByName(values, valueName);
    if (it == values.end()) {
        values.push_back({valueName, type, data});
        return;
    }
    it->type = type;
    it->data = data;
}

void HiveKey::RemoveValue(const QString& valueName)
{
    auto it = FindByName(values, valueName);
    if (it != values.end())
        values.erase(it);
}

const HiveKey* HiveKey::FindSubkey(const QString& subkeyName) const
{
    auto it = FindByName(subkeys, subkeyName);
    return it == subkeys.end() ? nullptr : &*it;
}

HiveKey* HiveKey::FindSubkey(const QString& subkeyName)
{
    auto it = FindByName(subkeys, subkeyName);
    return it == subkeys.end() ? nullptr : &*it;
}

HiveKey& HiveKey::MakeSubkey(const QString& subkeyName)
{
    if (HiveKey* found = FindSubkey(subkeyName))
        return *found;
    subkeys.push_back(HiveKey{subkeyName, {}, {}});
    return subkeys.back();
}

void HiveKey::RemoveSubkey(const QString& subkeyName)
{
    auto it = FindByName(subkeys, subkeyName);
    if (it != subkeys.end())
        subkeys.erase(it);
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
