#include "platform/mci/MidiFile.h"

#include <algorithm>

namespace mci {
namespace {

struct Reader
{
    const QByteArray& bytes;
    qsizetype at = 0;
    qsizetype end = 0;
    bool ok = true;

    int Byte()
    {
        if (at >= end) {
            ok = false;
            return 0;
        }
        return std::uint8_t(bytes[at++]);
    }
    std::uint32_t Number(int size)
    {
        std::uint32_t value = 0;
        while (size-- > 0)
            value = value << 8 | std::uint32_t(Byte());
        return value;
    }
    std::uint32_t Variable()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const int b = Byte();
            value = value << 7 | std::uint32_t(b & 0x7F);
            if (!(b & 0x80))
                return value;
        }
        ok = false;
        return value;
    }
};

} // namespace

std::optional<MidiTiming> MidiTiming::Read(const QByteArray& bytes)
{
    if (!bytes.startsWith("MThd") || bytes.size() < 14)
        return std::nullopt;
    Reader header{bytes, 8, bytes.size()};
    header.Number(2); // format
    const std::uint32_t tracks = header.Number(2);
    const std::uint32_t division = header.Number(2);
    MidiTiming timing;
    if (division & 0x8000) {
        const int fps = 256 - int(division >> 8);
        const int perFrame = int(division & 0xFF);
        if (fps <= 0 || perFrame <= 0)
            return std::nullopt;
        timing.m_usPerTick = 1e6 / (fps * perFrame);
    } else if (division == 0) {
        return std::nullopt;
    } else {
        timing.m_division = int(division);
    }
    timing.m_tempi.push_back({0, 500000});
    qsizetype at = 8 + qsizetype(Reader{bytes, 4, 8}.Number(4));
    for (std::uint32_t t = 0; t < tracks && at + 8 <= bytes.size(); ++t) {
        const bool isTrack = bytes.mid(at, 4) == "MTrk";
        Reader r{bytes, at + 4, bytes.size()};
        const qsizetype length = r.Number(4);
        r.end = std::min(bytes.size(), r.at + length);
        at = r.at + length;
        if (!isTrack)
            continue;
        std::int64_t tick = 0;
        int status = 0;
        while (r.ok && r.at < r.end) {
            tick += r.Variable();
            int b = r.Byte();
            if (b == 0xFF) {
                const int type = r.Byte();
                const std::uint32_t size = r.Variable();
                if (type == 0x51 && size == 3)
                    timing.m_tempi.push_back({tick, std::int64_t(r.Number(3))});
                else
                    r.at += size;
                timing.m_endTick = std::max(timing.m_endTick, tick);
                if (type == 0x2F)
                    break;
                continue;
            }
            if (b == 0xF0 || b == 0xF7) {
                r.at += r.Variable();
            } else {
                if (b & 0x80)
                    status = b;
                else
                    --r.at; // running status
                const int kind = status & 0xF0;
                r.at += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            }
            timing.m_endTick = std::max(timing.m_endTick, tick);
        }
    }
    std::stable_sort(timing.m_tempi.begin(), timing.m_tempi.end(),
                     [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
    return timing;
}

std::uint32_t MidiTiming::MsAt(std::int64_t tick) const
{
    if (m_usPerTick > 0)
        return std::uint32_t(double(tick) * m_usPerTick / 1000);
    double us = 0;
    for (std::size_t i = 0; i < m_tempi.size() && m_tempi[i].tick < tick; ++i) {
        const std::int64_t next = i + 1 < m_tempi.size() ? std::min(m_tempi[i + 1].tick, tick) : tick;
        us += double(next - m_tempi[i].tick) * double(m_tempi[i].usPerQuarter) / m_division;
    }
    return std::uint32_t(us / 1000 + 0.5);
}

int MidiTiming::TickAt(std::int64_t ms) const
{
    if (m_usPerTick > 0)
        return int(double(ms) * 1000 / m_usPerTick);
    double us = double(ms) * 1000;
    for (std::size_t i = 0; i < m_tempi.size(); ++i) {
        const double perTick = double(m_tempi[i].usPerQuarter) / m_division;
        if (i + 1 < m_tempi.size()) {
            const double span = double(m_tempi[i + 1].tick - m_tempi[i].tick) * perTick;
            if (us >= span) {
                us -= span;
                continue;
            }
        }
        return int(double(m_tempi[i].tick) + us / perTick);
    }
    return 0;
}

} // namespace mci
