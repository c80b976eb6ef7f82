// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileNames.h"

#include <QUrl>

#include <cstdint>
#include <sys/stat.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // byte b >= 0x80 reads as U+DC00 + b
constexpr char16_t kReplacement = 0xFFFD;

bool IsEscape(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

// The length of the valid UTF-8 sequence at bytes[i] and its code point in
// *code; 0 when the bytes there are no valid sequence (a stray continuation
// byte, a sequence cut short, overlong, a surrogate, past U+10FFFF).
int ValidSequence(QByteArrayView bytes, qsizetype i, char32_t* code)
{
    const auto byte = [&](qsizetype k) { return static_cast<std::uint8_t>(bytes[k]); };
    const std::uint8_t lead = byte(i);
    int length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

// The index of the first escaped byte at or after from, or -1. The low half
// of a surrogate pair (a character beyond U+FFFF) is no escape.
qsizetype NextEscape(QStringView name, qsizetype from)
{
    for (qsizetype i = from; i < name.size(); ++i) {
        if (name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            ++i;
        else if (IsEscape(name[i].unicode()))
            return i;
    }
    return -1;
}

} // namespace

QString FileNameFromBytes(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = ValidSequence(bytes, i, &code);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + static_cast<std::uint8_t>(bytes[i])));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            const char32_t both[] = {code};
            name += QString::fromUcs4(both, 1);
        } else {
            name += QChar(char16_t(code));
        }
        i += length;
    }
    return name;
}

QByteArray FileNameBytes(QStringView name)
{
    QByteArray bytes;
    qsizetype done = 0;
    for (qsizetype i = NextEscape(name, 0); i >= 0; i = NextEscape(name, i + 1)) {
        bytes += name.sliced(done, i - done).toUtf8();
        bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
        done = i + 1;
    }
    bytes += name.sliced(done).toUtf8();
    return bytes;
}

QString DisplayFileName(const QString& name)
{
    qsizetype i = NextEscape(name, 0);
    if (i < 0)
        return name;
    QString shown = name;
    for (; i >= 0; i = NextEscape(shown, i + 1))
        shown[i] = QChar(kReplacement);
    return shown;
}

bool FileNameExists(const QString& name, bool regularOnly)
{
    struct stat info
    {};
    return !name.isEmpty() && ::stat(FileNameBytes(name).constData(), &info) == 0 &&
           (!regularOnly || S_ISREG(info.st_mode));
}

QString FileNameFromUrl(const QUrl& url)
{
    if (!url.isLocalFile() || !url.host().isEmpty())
        return url.toLocalFile();
    return FileNameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}
