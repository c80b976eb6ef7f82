#include "platform/registry/HiveFile.h"

#include <QStringDecoder>
#include <algorithm>

namespace reg {

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

template <class List>
auto FindByName(List& list, const QString& name)
{
    return std::find_if(list.begin(), list.end(), [&](const auto& item) { return SameName(item.name, name); });
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

// ---------------------------------------------------------------- parsing

namespace {

class Parser
{
public:
    Parser(const QString& rootName, HiveKey* root) : rootName_(rootName), root_(root) {}

    bool Run(const QString& text, QString* error)
    {
        lines_ = text.split(u'\n');
        lines_.removeLast(); // the text ends with '\n': the last piece is empty
        for (QString& line : lines_) {
            if (line.endsWith(u'\r'))
                line.chop(1);
        }
        if (lines_.isEmpty() || lines_[0] != QLatin1String("REGEDIT4"))
            return Fail(0, QStringLiteral("missing REGEDIT4 header"), error);
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const QString line = lines_[index_].trimmed();
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            QString why;
            const int at = index_;
            if (!(line.startsWith(u'[') ? Section(line, &why) : Value(line, &why)))
                return Fail(at, why, error);
        }
        return true;
    }

private:
    bool Fail(int lineIndex, const QString& why, QString* error)
    {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineIndex + 1).arg(why);
        return false;
    }

    bool Section(const QString& line, QString* why)
    {
        if (!line.endsWith(u']')) {
            *why = QStringLiteral("key header without closing ']'");
            return false;
        }
        const QStringList parts = line.mid(1, line.size() - 2).split(u'\\');
        if (parts.contains(QString())) {
            *why = QStringLiteral("empty key name in the path");
            return false;
        }
        if (!SameName(parts[0], rootName_)) {
            *why = QStringLiteral("key outside %1").arg(rootName_);
            return false;
        }
        current_ = &root_->Make(parts.mid(1));
        return true;
    }

    // Reads a quoted string starting at text[*pos] == '"'; *pos ends after
    // the closing quote.
    static bool Quoted(const QString& text, qsizetype* pos, QString* out, QString* why)
    {
        out->clear();
        for (qsizetype i = *pos + 1; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'"') {
                *pos = i + 1;
                return true;
            }
            if (c == u'\\') {
                if (i + 1 >= text.size() || (text[i + 1] != u'\\' && text[i + 1] != u'"')) {
                    *why = QStringLiteral("bad escape in a quoted string");
                    return false;
                }
                ++i;
            }
            out->append(text[i]);
        }
        *why = QStringLiteral("unterminated string");
        return false;
    }

    bool Value(const QString& line, QString* why)
    {
        if (!current_) {
            *why = QStringLiteral("value outside a key");
            return false;
        }
        QString name;
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (line.startsWith(u'"')) {
            if (!Quoted(line, &pos, &name, why))
                return false;
        } else {
            *why = QStringLiteral("expected a key header or a value");
            return false;
        }
        const QString rest = line.mid(pos).trimmed();
        if (!rest.startsWith(u'=')) {
            *why = QStringLiteral("'=' missing after the value name");
            return false;
        }
        const QString data = rest.mid(1).trimmed();
        std::uint32_t type = 0;
        QByteArray bytes;
        if (!Data(data, &type, &bytes, why))
            return false;
        current_->SetValue(name, type, bytes);
        return true;
    }

    bool Data(QString data, std::uint32_t* type, QByteArray* bytes, QString* why)
    {
        if (data.startsWith(u'"')) {
            qsizetype pos = 0;
            QString text;
            if (!Quoted(data, &pos, &text, why))
                return false;
            if (pos != data.size()) {
                *why = QStringLiteral("text after the closing quote");
                return false;
            }
            *type = 1;
            *bytes = text.toUtf8();
            bytes->append('\0');
            return true;
        }
        if (data.startsWith(QLatin1String("dword:"))) {
            const QString digits = data.mid(6);
            bool ok = false;
            const std::uint32_t v = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(u'+') ||
                digits.contains(u'x', Qt::CaseInsensitive)) {
                *why = QStringLiteral("bad dword");
                return false;
            }
            *type = 4;
            bytes->clear();
            for (int i = 0; i < 4; ++i)
                bytes->append(char((v >> (8 * i)) & 0xff));
            return true;
        }
        qsizetype colon = -1;
        if (data.startsWith(QLatin1String("hex:"))) {
            *type = 3;
            colon = 3;
        } else if (data.startsWith(QLatin1String("hex("))) {
            const qsizetype close = data.indexOf(QLatin1String("):"));
            bool ok = false;
            *type = close > 4 ? data.mid(4, close - 4).toUInt(&ok, 16) : 0;
            if (!ok) {
                *why = QStringLiteral("bad value type in hex(...)");
                return false;
            }
            colon = close + 1;
        } else {
            *why = QStringLiteral("unknown value data");
            return false;
        }
        data = data.mid(colon + 1);
        while (data.endsWith(u'\\')) {
            data.chop(1);
            if (++index_ >= lines_.size()) {
                *why = QStringLiteral("hex data continued past the end of the file");
                return false;
            }
            data += lines_[index_].trimmed();
        }
        return Hex(data, bytes, why);
    }

    static bool Hex(const QString& list, QByteArray* bytes, QString* why)
    {
        bytes->clear();
        if (list.trimmed().isEmpty())
            return true;
        for (const QString& item : list.split(u',')) {
            const QString byte = item.trimmed();
            bool ok = false;
            const uint v = byte.toUInt(&ok, 16);
            if (!ok || byte.size() != 2 || v > 0xff || byte.startsWith(u'+')) {
                *why = QStringLiteral("bad hex byte '%1'").arg(byte);
                return false;
            }
            bytes->append(char(v));
        }
        return true;
    }

    QString rootName_;
    HiveKey* root_;
    HiveKey* current_ = nullptr;
    QStringList lines_;
    int index_ = 0;
};

} // namespace

bool ParseHive(const QByteArray& text, const QString& rootName, HiveKey* root, QString* error)
{
    QByteArray body = text;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    auto fail = [&](int line, const QString& why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return false;
    };
    if (body.isEmpty())
        return fail(1, QStringLiteral("empty file, missing REGEDIT4 header"));
    if (!body.endsWith('\n'))
        return fail(int(body.count('\n')) + 1, QStringLiteral("file ends in the middle of a line, so it was cut short"));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(body);
    if (decoder.hasError())
        return fail(1, QStringLiteral("not UTF-8 text"));
    if (decoded.contains(QChar(0)))
        return fail(int(body.left(body.indexOf('\0')).count('\n')) + 1, QStringLiteral("zero byte in the text"));
    HiveKey parsed{rootName, {}, {}};
    Parser parser(rootName, &parsed);
    if (!parser.Run(decoded, error))
        return false;
    *root = std::move(parsed);
    return true;
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
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
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
