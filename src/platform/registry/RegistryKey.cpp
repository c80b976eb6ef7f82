// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/RegistryKey.h"

#include "platform/TerminationWatcher.h"
#include "platform/registry/HiveStore.h"

#include <QtEndian>
#include <cctype>
#include <climits>
#include <cstring>

namespace {

constexpr int kTextLimit = 255;
constexpr int kFaceNameLimit = 31;
constexpr int kSubkeyNameLimit = 260;
constexpr int kLogFontSize = 28;

QString CutText(QString text, int limit)
{
    if (text.size() > limit) {
        text.truncate(limit);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

QByteArray SzData(const QString& text)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    return data;
}

QString SzText(const QByteArray& data)
{
    const qsizetype end = data.indexOf('\0');
    return QString::fromUtf8(end < 0 ? data : data.left(end));
}

// Reads "%d,%d,..." the way sscanf does: blanks before each number are
// skipped, separators must follow directly, anything after the last number
// is ignored.
class Scanner
{
public:
    explicit Scanner(const QByteArray& text) : text_(text) {}

    bool Number(long long min, long long max, long long* out)
    {
        while (pos_ < text_.size() && std::isspace(uchar(text_[pos_])))
            ++pos_;
        bool negative = false;
        if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+'))
            negative = text_[pos_++] == '-';
        const qsizetype start = pos_;
        long long value = 0;
        while (pos_ < text_.size() && std::isdigit(uchar(text_[pos_]))) {
            value = value * 10 + (text_[pos_++] - '0');
            if (value > 0xFFFFFFFFLL)
                return false;
        }
        if (pos_ == start)
            return false;
        value = negative ? -value : value;
        if (value < min || value > max)
            return false;
        *out = value;
        return true;
    }

    bool Separator()
    {
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            return true;
        }
        return false;
    }

private:
    QByteArray text_;
    qsizetype pos_ = 0;
};

// Reads count numbers separated by commas; the first unsignedCount are
// "%u" (a minus sign wraps as in C), the rest "%d".
bool ScanNumbers(const QString& text, int count, int unsignedCount, long long* out)
{
    Scanner scanner(text.toUtf8());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !scanner.Separator())
            return false;
        const bool isUnsigned = i < unsignedCount;
        if (!scanner.Number(isUnsigned ? -0xFFFFFFFFLL : INT_MIN, isUnsigned ? 0xFFFFFFFFLL : INT_MAX,
                            &out[i]))
            return false;
        if (isUnsigned)
            out[i] = (long long)(unsigned)(out[i] & 0xFFFFFFFFLL);
    }
    return true;
}

} // namespace

struct CRegistryKey::Impl
{
    std::shared_ptr<HiveStore> store;
    reg::Root root = reg::Root::CurrentUser;
    QStringList path;
    int owner = 0;

    ~Impl()
    {
        if (root == reg::Root::CurrentUser) {
            store->Flush(owner);
            store->Release(owner);
        }
    }

    const reg::HiveKey* Key() const { return store->Find(root, path); }

    const reg::HiveValue* Value(const QString& name) const
    {
        const reg::HiveKey* key = Key();
        return key ? key->FindValue(name) : nullptr;
    }

    void Record(HiveStore::Change::Kind kind, const QStringList& keyPath, const QString& name,
                reg::ValueType type = reg::ValueType::None, const QByteArray& data = {})
    {
        if (root == reg::Root::CurrentUser)
            store->Record({kind, keyPath, name, std::uint32_t(type), data, owner});
    }

    void Set(const QString& name, reg::ValueType type, const QByteArray& data)
    {
        Record(HiveStore::Change::Kind::SetValue, path, name, type, data);
    }
};

CRegistryKey::CRegistryKey() = default;
CRegistryKey::~CRegistryKey() = default;
CRegistryKey::CRegistryKey(CRegistryKey&&) noexcept = default;
CRegistryKey& CRegistryKey::operator=(CRegistryKey&&) noexcept = default;

const QString& CRegistryKey::AppKeyPath()
{
    static const QString path = QStringLiteral("Software\\Oxbelund\\Lirana");
    return path;
}

CRegistryKey HiveStore::OpenKey(const std::shared_ptr<HiveStore>& store, reg::Root root, const QString& path)
{
    auto impl = std::make_unique<CRegistryKey::Impl>();
    impl->store = store;
    impl->root = root;
    impl->owner = store->NewOwner();
    CRegistryKey key;
    if (store->OpenPath(root, reg::SplitKeyPath(path), impl->owner, &impl->path))
        key.d = std::move(impl);
    return key;
}

CRegistryKey CRegistryKey::OpenAppSubkey(const QString& name)
{
    return Open(reg::Root::CurrentUser, name.isEmpty() ? AppKeyPath() : AppKeyPath() + u'\\' + name);
}

CRegistryKey CRegistryKey::Open(reg::Root root, const QString& path)
{
    return HiveStore::OpenKey(HiveStore::Instance(), root, path);
}

CRegistryKey CRegistryKey::Create(const CRegistryKey& parent, const QString& name)
{
    if (!parent.d)
        return {};
    return HiveStore::OpenKey(parent.d->store, parent.d->root, parent.Path() + u'\\' + name);
}

bool CRegistryKey::IsOpen() const
{
    return d != nullptr;
}

QString CRegistryKey::Path() const
{
    return d ? d->path.join(u'\\') : QString();
}

std::int32_t CRegistryKey::GetNumber(const QString& name, std::int32_t def) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    if (!v || v->data.size() != 4)
        return def;
    return qFromLittleEndian<qint32>(v->data.constData());
}

bool CRegistryKey::GetFlag(const QString& name, bool def) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    if (!v || v->type != std::uint32_t(reg::ValueType::Binary) || v->data.size() != 4)
        return def;
    return qFromLittleEndian<quint32>(v->data.constData()) != 0;
}

double CRegistryKey::GetReal(const QString& name, double def) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    if (!v || v->type != std::uint32_t(reg::ValueType::Binary) || v->data.size() != 8)
        return def;
    const quint64 bits = qFromLittleEndian<quint64>(v->data.constData());
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QString CRegistryKey::GetText(const QString& name, const QString& def) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    if (!v ||
        (v->type != std::uint32_t(reg::ValueType::Sz) && v->type != std::uint32_t(reg::ValueType::ExpandSz)))
        return def;
    return CutText(SzText(v->data), kTextLimit);
}

QByteArray CRegistryKey::GetBinary(const QString& name) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    return v && v->type == std::uint32_t(reg::ValueType::Binary) ? v->data : QByteArray();
}

bool CRegistryKey::GetRaw(const QString& name, reg::ValueType* type, QByteArray* data) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    if (!v)
        return false;
    if (type)
        *type = reg::ValueType(v->type);
    if (data)
        *data = v->data;
    return true;
}

void CRegistryKey::SetNumber(const QString& name, std::int32_t value)
{
    QByteArray data(4, '\0');
    qToLittleEndian<qint32>(value, data.data());
    SetRaw(name, reg::ValueType::Dword, data);
}

void CRegistryKey::SetFlag(const QString& name, bool value)
{
    QByteArray data(4, '\0');
    data[0] = value ? 1 : 0;
    SetRaw(name, reg::ValueType::Binary, data);
}

void CRegistryKey::SetReal(const QString& name, double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray data(8, '\0');
    qToLittleEndian<quint64>(bits, data.data());
    SetRaw(name, reg::ValueType::Binary, data);
}

void CRegistryKey::SetText(const QString& name, const QString& value)
{
    SetRaw(name, reg::ValueType::Sz, SzData(value));
}

void CRegistryKey::SetBinary(const QString& name, const QByteArray& value)
{
    SetRaw(name, reg::ValueType::Binary, value);
}

void CRegistryKey::SetRaw(const QString& name, reg::ValueType type, const QByteArray& data)
{
    if (d)
        d->Set(name, type, data);
}

bool CRegistryKey::ReadRect(const QString& name, reg::Rect* rect) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    long long n[4];
    if (!v || v->type != std::uint32_t(reg::ValueType::Sz) || !ScanNumbers(SzText(v->data), 4, 0, n))
        return false;
    *rect = {int(n[0]), int(n[1]), int(n[2]), int(n[3])};
    return true;
}

void CRegistryKey::WriteRect(const QString& name, const reg::Rect& r)
{
    SetText(name, QString::asprintf("%d,%d,%d,%d", r.left, r.top, r.right, r.bottom));
}

bool CRegistryKey::ReadPlacement(const QString& name, reg::Placement* p) const
{
    const reg::HiveValue* v = d ? d->Value(name) : nullptr;
    long long n[10];
    if (!v || v->type != std::uint32_t(reg::ValueType::Sz) || !ScanNumbers(SzText(v->data), 10, 2, n))
        return false;
    *p = {unsigned(n[0]),
          unsigned(n[1]),
          int(n[2]),
          int(n[3]),
          int(n[4]),
          int(n[5]),
          {int(n[6]), int(n[7]), int(n[8]), int(n[9])}};
    return true;
}

void CRegistryKey::WritePlacement(const QString& name, const reg::Placement& p)
{
    SetText(name,
            QString::asprintf("%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCmd, p.minX, p.minY, p.maxX,
                              p.maxY, p.normal.left, p.normal.top, p.normal.right, p.normal.bottom));
}

bool CRegistryKey::ReadFont(const QString& subkey, reg::LogFont* font) const
{
    if (!d)
        return false;
    const reg::HiveKey* key = d->store->Find(d->root, d->path + reg::SplitKeyPath(subkey));
    const reg::HiveValue* v = key ? key->FindValue(QStringLiteral("LogFont")) : nullptr;
    if (!v || v->type != std::uint32_t(reg::ValueType::Binary) || v->data.size() != kLogFontSize)
        return false;
    const char* b = v->data.constData();
    std::int32_t* ints[] = {&font->height, &font->width, &font->escapement, &font->orientation,
                            &font->weight};
    for (int i = 0; i < 5; ++i)
        *ints[i] = qFromLittleEndian<qint32>(b + 4 * i);
    std::uint8_t* bytes[] = {&font->italic,  &font->underline,     &font->strikeOut,
                             &font->charSet, &font->outPrecision,  &font->clipPrecision,
                             &font->quality, &font->pitchAndFamily};
    for (int i = 0; i < 8; ++i)
        *bytes[i] = std::uint8_t(b[20 + i]);
    const reg::HiveValue* face = key->FindValue(QStringLiteral("FaceName"));
    const bool hasFace = face && face->type == std::uint32_t(reg::ValueType::Sz);
    font->faceName = hasFace ? CutText(SzText(face->data), kFaceNameLimit) : QStringLiteral("Arial");
    return true;
}

void CRegistryKey::WriteFont(const QString& subkey, const reg::LogFont& font)
{
    if (!d)
        return;
    QByteArray data(kLogFontSize, '\0');
    const std::int32_t ints[] = {font.height, font.width, font.escapement, font.orientation, font.weight};
    for (int i = 0; i < 5; ++i)
        qToLittleEndian<qint32>(ints[i], data.data() + 4 * i);
    const std::uint8_t bytes[] = {font.italic,       font.underline,     font.strikeOut, font.charSet,
                                  font.outPrecision, font.clipPrecision, font.quality,   font.pitchAndFamily};
    for (int i = 0; i < 8; ++i)
        data[20 + i] = char(bytes[i]);
    // Recorded for this key, so they are written when this key is.
    const QStringList keyPath = d->path + reg::SplitKeyPath(subkey);
    using Kind = HiveStore::Change::Kind;
    d->Record(Kind::SetValue, keyPath, QStringLiteral("LogFont"), reg::ValueType::Binary, data);
    d->Record(Kind::SetValue, keyPath, QStringLiteral("FaceName"), reg::ValueType::Sz,
              SzData(CutText(font.faceName, kFaceNameLimit)));
}

int CRegistryKey::SubkeyCount() const
{
    const reg::HiveKey* key = d ? d->Key() : nullptr;
    return key ? int(key->subkeys.size()) : 0;
}

QString CRegistryKey::SubkeyName(int index) const
{
    const reg::HiveKey* key = d ? d->Key() : nullptr;
    if (!key || index < 0 || index >= int(key->subkeys.size()))
        return {};
    return CutText(key->subkeys[size_t(index)].name, kSubkeyNameLimit);
}

int CRegistryKey::ValueCount() const
{
    const reg::HiveKey* key = d ? d->Key() : nullptr;
    return key ? int(key->values.size()) : 0;
}

void CRegistryKey::DeleteValue(const QString& name)
{
    if (d)
        d->Record(HiveStore::Change::Kind::DeleteValue, d->path, name);
}

void CRegistryKey::DeleteSubkey(const QString& name)
{
    QStringList parts = reg::SplitKeyPath(name);
    if (!d || parts.isEmpty())
        return;
    const QString last = parts.takeLast();
    d->Record(HiveStore::Change::Kind::DeleteKey, d->path + parts, last);
}

void CRegistryKey::Flush()
{
    if (d && d->root == reg::Root::CurrentUser)
        d->store->Flush(d->owner);
}

void CRegistryKey::Close()
{
    d.reset();
}

CRegistrySave::CRegistrySave() : CRegistrySave(CRegistryKey::Open(reg::Root::CurrentUser, QString())) {}

CRegistrySave::CRegistrySave(const CRegistryKey& key)
    : m_store(key.d ? key.d->store : nullptr), m_saving(std::make_unique<CSaveInProgress>())
{
    if (m_store)
        m_store->BeginSave();
}

CRegistrySave::~CRegistrySave()
{
    if (m_store)
        m_store->EndSave();
}
