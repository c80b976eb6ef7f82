// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/LongWave.h"

#include <QFile>

#include <cstring>

namespace {

quint32 Le32(const char* p)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

quint64 Le64(const char* p)
{
    return (quint64(Le32(p + 4)) << 32) | Le32(p);
}

// Chunks read before "data" at most: a header has a handful.
constexpr int MaxChunks = 64;

} // namespace

std::optional<TrackMs> LongWave::Length(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= ParserLimit)
        return std::nullopt;
    char head[12];
    if (file.read(head, sizeof head) != sizeof head || std::memcmp(head + 8, "WAVE", 4) != 0)
        return std::nullopt;
    const bool rf64 = std::memcmp(head, "RF64", 4) == 0 || std::memcmp(head, "BW64", 4) == 0;
    if (!rf64 && std::memcmp(head, "RIFF", 4) != 0)
        return std::nullopt;
    quint64 ds64Data = 0;
    quint32 byteRate = 0;
    qint64 pos = sizeof head;
    for (int i = 0; i < MaxChunks; ++i) {
        char chunk[8 + 16];
        if (!file.seek(pos) || file.read(chunk, sizeof chunk) < 8)
            return std::nullopt;
        const quint32 size = Le32(chunk + 4);
        if (std::memcmp(chunk, "ds64", 4) == 0 && size >= 16) {
            ds64Data = Le64(chunk + 8 + 8); // after the RIFF size
        } else if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            byteRate = Le32(chunk + 8 + 8);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            const qint64 held = file.size() - (pos + 8);
            qint64 bytes = rf64 && ds64Data ? qint64(ds64Data) : qint64(size);
            if (bytes <= 0 || bytes > held || (!rf64 && size == 0xFFFFFFFFu) ||
                (!rf64 && held > 0xFFFFFFFFll))
                bytes = held;
            if (byteRate == 0 || bytes <= ParserLimit)
                return std::nullopt;
            return static_cast<TrackMs>(bytes * 1000 / byteRate);
        }
        pos += 8 + qint64(size) + (size & 1);
    }
    return std::nullopt;
}
