// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/MidiFile.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <map>

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

// Frames per second of an SMPTE division's first byte (-24, -25, -29 for
// 30 drop-frame, that is 29.97, -30); 0 when the byte is none of them.
double FramesPerSecond(std::uint32_t division)
{
    const int fps = 256 - int(division >> 8 & 0xFF);
    if (fps == 29)
        return 30000.0 / 1001.0;
    return fps == 24 || fps == 25 || fps == 30 ? fps : 0.0;
}

// Calls track(begin, end) for each "MTrk" chunk after the header, other
// chunks skipped, until `tracks` were seen; false when a chunk is missing
// or cut short.
template <class Track>
bool ForEachTrack(const QByteArray& bytes, std::uint32_t tracks, Track track)
{
    qsizetype at = 8 + qsizetype(Reader{bytes, 4, bytes.size()}.Number(4));
    for (std::uint32_t found = 0; found < tracks;) {
        if (at > bytes.size() - 8)
            return false;
        const bool isTrack = bytes.mid(at, 4) == "MTrk";
        const qsizetype length = qsizetype(Reader{bytes, at + 4, bytes.size()}.Number(4));
        const qsizetype begin = at + 8;
        if (length > bytes.size() - begin)
            return false;
        at = begin + length;
        if (isTrack && !track(begin, at))
            return false;
        found += isTrack ? 1 : 0;
    }
    return true;
}

// Walks the events of a track chunk: meta(tick, type, at, size) for each
// meta event, voice(tick, status, at) for each channel message (its data
// bytes at `at`), lastTick raised to each event's tick. False when an event
// is malformed or runs past the chunk. The end-of-track event ends the walk.
template <class Meta, class Voice>
bool WalkTrack(const QByteArray& bytes, qsizetype begin, qsizetype end, std::int64_t& lastTick, Meta meta,
               Voice voice)
{
    Reader r{bytes, begin, end};
    std::int64_t tick = 0;
    int status = 0;
    while (r.at < r.end) {
        tick += r.Variable();
        const int b = r.Byte();
        if (!r.ok)
            return false;
        if (b == 0xFF) {
            const int type = r.Byte();
            const std::uint32_t size = r.Variable();
            if (!r.ok || qsizetype(size) > r.end - r.at)
                return false;
            meta(tick, type, r.at, qsizetype(size));
            r.at += size;
            lastTick = std::max(lastTick, tick);
            if (type == 0x2F)
                return true;
            continue;
        }
        if (b == 0xF0 || b == 0xF7) {
            const std::uint32_t size = r.Variable();
            if (!r.ok || qsizetype(size) > r.end - r.at)
                return false;
            r.at += size;
            status = 0;
        } else if (b >= 0xF0) {
            return false; // system messages have no place in a file
        } else {
            if (b & 0x80)
                status = b;
            else if (status == 0)
                return false; // running status with nothing to run on
            else
                --r.at;
            const int kind = status & 0xF0;
            const qsizetype data = r.at;
            r.at += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (r.at > r.end)
                return false;
            voice(tick, status, data);
        }
        lastTick = std::max(lastTick, tick);
    }
    return r.ok;
}

} // namespace

std::optional<MidiTiming> MidiTiming::Read(const QByteArray& bytes)
{
    if (!bytes.startsWith("MThd") || bytes.size() < 14)
        return std::nullopt;
    Reader header{bytes, 4, bytes.size()};
    const std::uint32_t headerSize = header.Number(4);
    const std::uint32_t format = header.Number(2);
    const std::uint32_t tracks = header.Number(2);
    const std::uint32_t division = header.Number(2);
    if (headerSize < 6 || format > 2 || tracks == 0)
        return std::nullopt;
    MidiTiming timing;
    if (division & 0x8000) {
        const double fps = FramesPerSecond(division);
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
    const auto tempo = [&](std::int64_t tick, int type, qsizetype at, qsizetype size) {
        if (type == 0x51 && size == 3)
            timing.m_tempi.push_back({tick, std::int64_t(Reader{bytes, at, bytes.size()}.Number(3))});
    };
    // Note-ons and note-offs (a note-on of velocity 0 is one).
    const auto note = [&](std::int64_t tick, int status, qsizetype at) {
        const int kind = status & 0xF0;
        if (kind != 0x90 && kind != 0x80)
            return;
        const auto key = std::uint8_t(bytes[at]), velocity = std::uint8_t(bytes[at + 1]);
        timing.m_notes.push_back(
            {tick, std::uint8_t(status & 0x0F), key, kind == 0x90 ? velocity : std::uint8_t(0)});
    };
    if (!ForEachTrack(bytes, tracks, [&](qsizetype begin, qsizetype end) {
            return WalkTrack(bytes, begin, end, timing.m_endTick, tempo, note);
        }))
        return std::nullopt;
    std::stable_sort(timing.m_tempi.begin(), timing.m_tempi.end(),
                     [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
    std::stable_sort(timing.m_notes.begin(), timing.m_notes.end(),
                     [](const Note& a, const Note& b) { return a.tick < b.tick; });
    return timing;
}

std::vector<MidiTiming::Note> MidiTiming::NotesHeldAt(std::int64_t tick) const
{
    std::map<std::pair<int, int>, std::uint8_t> held; // (channel, key): velocity
    for (const Note& n : m_notes) {
        if (n.tick > tick)
            break;
        if (n.velocity)
            held[{n.channel, n.key}] = n.velocity;
        else
            held.erase({n.channel, n.key});
    }
    std::vector<Note> notes;
    for (const auto& [at, velocity] : held)
        notes.push_back({tick, std::uint8_t(at.first), std::uint8_t(at.second), velocity});
    return notes;
}

std::optional<QByteArray> PlayableMidi(const QByteArray& bytes)
{
    QByteArray smf = bytes;
    if (bytes.startsWith("RIFF")) {
        if (bytes.size() < 12 || bytes.mid(8, 4) != "RMID")
            return std::nullopt;
        smf.clear();
        for (qsizetype at = 12; at <= bytes.size() - 8;) {
            const auto size = qsizetype(qFromLittleEndian<quint32>(bytes.constData() + at + 4));
            if (bytes.mid(at, 4) == "data") {
                smf = bytes.mid(at + 8, size); // a chunk cut short fails as a file cut short
                break;
            }
            at += 8 + size + (size & 1);
        }
    }
    if (!smf.startsWith("MThd") || smf.size() < 14)
        return std::nullopt;
    // A header longer than its six bytes (room the format leaves for more)
    // is cut to them: FluidSynth reads no other.
    const std::uint32_t headerSize = Reader{smf, 4, 8}.Number(4);
    if (headerSize > 6 && qsizetype(headerSize) <= smf.size() - 8) {
        smf.remove(14, qsizetype(headerSize) - 6);
        smf[7] = char(6);
    }
    const std::uint32_t division = Reader{smf, 12, 14}.Number(2);
    if (!(division & 0x8000))
        return smf;
    // SMPTE: as many ticks to the quarter note as the file has to the
    // second (whole frames), at the tempo that makes them last as long.
    const double fps = FramesPerSecond(division);
    const int perFrame = int(division & 0xFF);
    if (fps <= 0 || perFrame <= 0)
        return std::nullopt;
    const int perQuarter = int(std::ceil(fps)) * perFrame;
    const auto usPerQuarter = std::uint32_t(std::lround(1e6 * perQuarter / (fps * perFrame)));
    QByteArray tempo(3, '\0');
    for (int i = 0; i < 3; ++i)
        tempo[i] = char(usPerQuarter >> (16 - 8 * i) & 0xFF);
    smf[12] = char(perQuarter >> 8);
    smf[13] = char(perQuarter & 0xFF);
    qsizetype firstTrack = -1;
    std::int64_t ignored = 0;
    ForEachTrack(smf, Reader{smf, 10, 12}.Number(2), [&](qsizetype begin, qsizetype end) {
        if (firstTrack < 0)
            firstTrack = begin;
        return WalkTrack(
            smf, begin, end, ignored,
            [&](std::int64_t, int type, qsizetype at, qsizetype size) {
                if (type == 0x51 && size == 3)
                    smf.replace(at, 3, tempo);
            },
            [](std::int64_t, int, qsizetype) {});
    });
    if (firstTrack >= 0) {
        // The fixed tempo at the start of the first track, whose chunk grows.
        smf.insert(firstTrack, QByteArray("\x00\xFF\x51\x03", 4) + tempo);
        Reader length{smf, firstTrack - 4, firstTrack};
        const std::uint32_t grown = length.Number(4) + 7;
        for (int i = 0; i < 4; ++i)
            smf[firstTrack - 4 + i] = char(grown >> (24 - 8 * i) & 0xFF);
    }
    return smf;
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
