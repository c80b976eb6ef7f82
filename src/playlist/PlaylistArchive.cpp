// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/PlaylistArchive.h"

#include "playlist/Playlist.h"

#include <QStringList>
#include <QtEndian>

#include <cstdint>

namespace {

template <class T>
void Put(QByteArray* out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out->append(bytes, sizeof(T));
}

template <class T>
bool Take(const QByteArray& data, qsizetype* pos, T* value)
{
    if (data.size() - *pos < qsizetype(sizeof(T)))
        return false;
    *value = qFromLittleEndian<T>(data.constData() + *pos);
    *pos += sizeof(T);
    return true;
}

} // namespace

void WriteArchiveString(QByteArray* out, const QByteArray& text)
{
    const auto n = static_cast<std::uint64_t>(text.size());
    if (n < 0xFF) {
        Put<std::uint8_t>(out, std::uint8_t(n));
    } else if (n < 0xFFFE) {
        Put<std::uint8_t>(out, 0xFF);
        Put<std::uint16_t>(out, std::uint16_t(n));
    } else {
        Put<std::uint8_t>(out, 0xFF);
        Put<std::uint16_t>(out, 0xFFFF);
        if (n < 0xFFFFFFFFu) {
            Put<std::uint32_t>(out, std::uint32_t(n));
        } else {
            Put<std::uint32_t>(out, 0xFFFFFFFFu);
            Put<std::uint64_t>(out, n);
        }
    }
    out->append(text);
}

bool ReadArchiveString(const QByteArray& data, qsizetype* pos, QByteArray* text)
{
    qsizetype at = *pos;
    std::uint64_t n = 0;
    std::uint8_t b = 0;
    if (!Take(data, &at, &b))
        return false;
    n = b;
    if (b == 0xFF) {
        std::uint16_t w = 0;
        if (!Take(data, &at, &w) || w == 0xFFFE) // 0xFFFE marks wide text: not ours
            return false;
        n = w;
        if (w == 0xFFFF) {
            std::uint32_t d = 0;
            if (!Take(data, &at, &d))
                return false;
            n = d;
            if (d == 0xFFFFFFFFu && !Take(data, &at, &n))
                return false;
        }
    }
    if (n > std::uint64_t(data.size() - at))
        return false;
    *text = data.mid(at, qsizetype(n));
    *pos = at + qsizetype(n);
    return true;
}

QByteArray StorePlaylist(const CPlaylist& playlist)
{
    QByteArray out;
    Put<std::uint32_t>(&out, std::uint32_t(playlist.Count()));
    Put<std::int32_t>(&out, std::int32_t(playlist.Selection()));
    for (const QString& row : playlist.Rows())
        WriteArchiveString(&out, row.toUtf8());
    return out;
}

bool LoadPlaylist(CPlaylist& playlist, const QByteArray& data)
{
    if (data.isEmpty()) {
        playlist.Reset({}, -1);
        return true;
    }
    qsizetype pos = 0;
    std::uint32_t count = 0;
    std::int32_t selection = -1;
    if (!Take(data, &pos, &count) || !Take(data, &pos, &selection))
        return false;
    QStringList rows;
    for (std::uint32_t i = 0; i < count; ++i) {
        QByteArray text;
        if (!ReadArchiveString(data, &pos, &text))
            return false;
        rows.append(QString::fromUtf8(text));
    }
    playlist.Reset(rows, selection);
    return true;
}
