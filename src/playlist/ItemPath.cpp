// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/ItemPath.h"

#include "platform/Exception.h"
#include "platform/FileNames.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/ItemStrings.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <initializer_list>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype kMaxPart = 255;

bool IsCSpace(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Skips C's leading blanks and an optional sign; true for '-'.
bool SkipBlanksAndSign(QStringView s, qsizetype& i)
{
    while (i < s.size() && IsCSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        negative = s[i++] == u'-';
    return negative;
}

// C's "%ld": leading blanks, optional sign, at least one digit; saturates.
std::optional<long> ScanLong(QStringView s)
{
    qsizetype i = 0;
    const bool negative = SkipBlanksAndSign(s, i);
    if (i >= s.size() || !IsDigit(s[i]))
        return std::nullopt;
    unsigned long magnitude = 0;
    const unsigned long limit = negative ? static_cast<unsigned long>(LONG_MAX) + 1 : LONG_MAX;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        const unsigned long digit = s[i].unicode() - u'0';
        magnitude = (magnitude > (limit - digit) / 10) ? limit : magnitude * 10 + digit;
    }
    if (!negative)
        return static_cast<long>(magnitude);
    return magnitude == limit ? LONG_MIN : -static_cast<long>(magnitude);
}

// Seconds written like C's "%f" (decimal notation) to whole milliseconds,
// truncated towards zero, computed on the decimal digits so that "2.3" is
// exactly 2300; saturates at the 32-bit range.
std::optional<std::int32_t> SecondsTextToMs(QStringView s)
{
    qsizetype i = 0;
    const bool negative = SkipBlanksAndSign(s, i);
    QString digits;
    long fraction = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i)
        digits += s[i];
    if (i < s.size() && s[i] == u'.') {
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++fraction)
            digits += s[i];
    }
    if (digits.isEmpty())
        return std::nullopt;
    long exponent = 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            expNegative = s[j++] == u'-';
        for (; j < s.size() && IsDigit(s[j]); ++j) {
            if (exponent < 1000000)
                exponent = exponent * 10 + (s[j].unicode() - u'0');
        }
        if (expNegative)
            exponent = -exponent;
    }

    while (!digits.isEmpty() && digits.front() == u'0')
        digits.remove(0, 1);
    const long scale = exponent - fraction + 3; // digits x 10^scale ms
    if (scale < 0)
        digits.chop(std::min<qsizetype>(-scale, digits.size()));
    if (digits.isEmpty())
        return 0;
    const std::uint64_t limit = negative ? std::uint64_t(INT32_MAX) + 1 : INT32_MAX;
    std::uint64_t magnitude = limit; // more than 11 digits always saturate
    if (digits.size() + std::max(scale, 0L) <= 11) {
        digits += QString(std::max(scale, 0L), u'0');
        magnitude = std::min<std::uint64_t>(digits.toULongLong(), limit);
    }
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<std::int32_t>(magnitude);
}

QString CurrentFolder()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            throw CWin32Exception(errno);
        buffer.resize(buffer.size() * 2);
    }
    return FileNameFromBytes(buffer.data());
}

struct KindRow
{
    ItemKind kind;
    std::initializer_list<const char*> extensions;
};

// Tried from the top; MciDevice and Unknown come after these.
const KindRow kKindRows[] = {
    {ItemKind::CdAudio, {".CDA"}},
    {ItemKind::Midi, {".MID", ".RMI", ".MMM"}},
    {ItemKind::Wave, {".WAV"}},
    {ItemKind::SunAudio, {".AU", ".SND"}},
    {ItemKind::Aiff, {".AIF", ".AIFC", ".AIFF"}},
    {ItemKind::MpegAudio, {".MP3", ".MP2"}},
    {ItemKind::Avi, {".AVI"}},
    {ItemKind::QuickTime, {".MOV", ".QT"}},
    {ItemKind::Flic, {".FLI", ".FLC"}},
    {ItemKind::MpegVideo, {".ENV", ".M1V", ".MPE", ".MPG", ".MPEG"}},
    {ItemKind::Module, {".MOD", ".S3M", ".XM", ".669", ".STM", ".NST", ".IT", ".MDZ", ".ITZ"}},
    {ItemKind::RealMedia, {".RA", ".RAM", ".RM"}},
    {ItemKind::PauseItem, {".PAUSE"}},
    {ItemKind::MiniPlaylist, {".M3U", ".MPL"}},
    {ItemKind::Album, {".ALB"}},
    {ItemKind::Live, {".LIVE"}},
    {ItemKind::PlayControl, {".PLAY"}},
    {ItemKind::StopControl, {".STOP"}},
    {ItemKind::Command,
     {".CMD", ".BAT", ".LNK", ".PL", ".VBS", ".JS", ".EXE", ".COM", ".SH", ".PY", ".DESKTOP"}},
};

const KindRow& RowOf(ItemKind kind)
{
    for (const KindRow& row : kKindRows) {
        if (row.kind == kind)
            return row;
    }
    Q_UNREACHABLE();
}

bool InRow(const QString& upperExt, const KindRow& row)
{
    for (const char* e : row.extensions) {
        if (upperExt == QLatin1StringView(e))
            return true;
    }
    return false;
}

bool InRows(const QString& upperExt, std::initializer_list<ItemKind> kinds)
{
    for (ItemKind kind : kinds) {
        if (InRow(upperExt, RowOf(kind)))
            return true;
    }
    return false;
}

QString UpperExt(const QString& path)
{
    return SplitPath(path).ext.toUpper();
}

CdTitleLookup& TitleLookup()
{
    static CdTitleLookup lookup;
    return lookup;
}

} // namespace

SplitPathParts SplitPath(const QString& path)
{
    SplitPathParts parts;
    const qsizetype slash = path.lastIndexOf(u'/');
    parts.dir = path.left(slash + 1).left(kMaxPart);
    const QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    parts.fname = (dot < 0 ? name : name.left(dot)).left(kMaxPart);
    parts.ext = (dot < 0 ? QString() : name.mid(dot)).left(kMaxPart);
    return parts;
}

QString GetFullPath(const QString& path)
{
    if (path.isEmpty())
        throw CWin32Exception(ENOENT);
    // Fast path: an absolute path that is already clean (the usual album row).
    if (path.startsWith(u'/') && !path.contains(QLatin1String("//")) &&
        !path.contains(QLatin1String("/./")) && !path.contains(QLatin1String("/../")) &&
        !path.endsWith(QLatin1String("/.")) && !path.endsWith(QLatin1String("/..")))
        return path;
    const QString absolute = path.startsWith(u'/') ? path : CurrentFolder() + u'/' + path;
    QStringList kept;
    for (const QString& part : absolute.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept.append(part);
    }
    QString result = u'/' + kept.join(u'/');
    if (!kept.isEmpty() && path.endsWith(u'/'))
        result += u'/';
    return result;
}

ItemKind GetItemKind(const QString& path)
{
    const QString ext = UpperExt(path);
    for (const KindRow& row : kKindRows) {
        if (InRow(ext, row))
            return row.kind;
    }
    return IsMciExtension(path) ? ItemKind::MciDevice : ItemKind::Unknown;
}

bool IsCommandExtension(const QString& ext)
{
    return InRow(ext.toUpper(), RowOf(ItemKind::Command));
}

QString GetMciDeviceForExtension(const QString& ext)
{
    if (ext.isEmpty())
        return {};
    return CRegistryKey::Open(reg::Root::LocalMachine,
                              QStringLiteral("Software\\Oxbelund\\Lirana\\MCI Extensions"))
        .GetText(ext, QString());
}

bool IsMciExtension(const QString& path)
{
    const QString ext = SplitPath(path).ext;
    return !ext.isEmpty() && !GetMciDeviceForExtension(ext.mid(1)).isEmpty();
}

bool IsMediaFile(const QString& path)
{
    const QString ext = UpperExt(path);
    if (ext.isEmpty() || ext == u".M3U" || ext == u".ALB")
        return false;
    if (InRows(ext, {ItemKind::CdAudio, ItemKind::PauseItem, ItemKind::StopControl, ItemKind::PlayControl,
                     ItemKind::Module, ItemKind::Live}) ||
        ext == u".MPL")
        return true;
    return IsMciExtension(path);
}

bool IsMiniPlaylist(const QString& path)
{
    return UpperExt(path) == u".MPL";
}

void SetCdTitleLookup(CdTitleLookup lookup)
{
    TitleLookup() = std::move(lookup);
}

QString GetItemDisplayName(const QString& path)
{
    // A name's bytes that are not UTF-8 show as U+FFFD.
    const SplitPathParts parts = SplitPath(DisplayFileName(path));
    const QString ext = parts.ext.toUpper();
    if (ext == u".PAUSE" || ext == u".LIVE")
        return parts.fname + QStringLiteral(" sec.");
    if (ext == u".CDA") {
        const long track = GetCdTrackNumber(path).value_or(0);
        if (track == 0)
            return parts.fname;
        if (const CdTitleLookup& lookup = TitleLookup()) {
            const std::optional<QString> title = lookup(path, static_cast<int>(track) - 1);
            if (title && !title->isEmpty())
                return *title;
        }
        return QString::asprintf(ItemStrings::kTrackNumber, static_cast<int>(track));
    }
    return parts.fname;
}

std::int32_t GetOverlapOverride(const QString& path)
{
    const QString fname = SplitPath(path).fname;
    const qsizetype tilde = fname.lastIndexOf(u'~');
    if (tilde < 0)
        return -1;
    return SecondsTextToMs(QStringView(fname).mid(tilde + 1)).value_or(-1);
}

QString FormatDuration(std::int64_t ms)
{
    const bool negative = ms < 0;
    const std::uint64_t v = negative ? 0 - static_cast<std::uint64_t>(ms) : ms;
    const auto h = static_cast<unsigned long long>(v / 3600000);
    const auto m = static_cast<unsigned long long>(v / 60000 % 60);
    const auto s = static_cast<unsigned long long>(v / 1000 % 60);
    const auto t = static_cast<unsigned long long>(v / 100 % 10);
    const QString text = h > 0 ? QString::asprintf("%llu:%02llu:%02llu", h, m, s)
                               : QString::asprintf("%02llu:%02llu.%01llu", m, s, t);
    return negative ? u'-' + text : text;
}

std::optional<long> GetCdTrackNumber(const QString& path)
{
    const QString fname = SplitPath(path).fname;
    if (fname.size() < 2)
        return std::nullopt;
    return ScanLong(QStringView(fname).right(2));
}

std::optional<long> GetPauseSeconds(const QString& path)
{
    return ScanLong(SplitPath(path).fname);
}
