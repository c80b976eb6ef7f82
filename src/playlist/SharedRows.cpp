// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/SharedRows.h"

#include <QHash>

#include <unordered_map>

CSharedRows::CSharedRows(const QStringList& rows, const CSharedRows& previous) : m_count(rows.size())
{
    std::unordered_multimap<std::size_t, const QStringList*> known;
    known.reserve(previous.m_chunks.size());
    for (const Chunk& chunk : previous.m_chunks)
        known.emplace(chunk.hash, &chunk.rows);

    const auto close = [&](qsizetype begin, qsizetype end, std::size_t hash) {
        const auto [first, last] = known.equal_range(hash);
        for (auto it = first; it != last; ++it) {
            const QStringList& candidate = *it->second;
            if (candidate.size() == end - begin &&
                std::equal(candidate.begin(), candidate.end(), rows.begin() + begin)) {
                m_chunks.push_back({hash, candidate});
                return;
            }
        }
        m_chunks.push_back({hash, rows.mid(begin, end - begin)});
    };
    qsizetype begin = 0;
    std::size_t hash = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const std::size_t rowHash = qHash(rows[i]);
        hash = qHashMulti(hash, rowHash);
        if (rowHash % kMeanChunkRows == 0 || i + 1 - begin >= kMaxChunkRows) {
            close(begin, i + 1, hash);
            begin = i + 1;
            hash = 0;
        }
    }
    if (begin < rows.size())
        close(begin, rows.size(), hash);
}

QStringList CSharedRows::Rows() const
{
    QStringList rows;
    rows.reserve(m_count);
    for (const Chunk& chunk : m_chunks)
        rows.append(chunk.rows);
    return rows;
}

std::size_t CSharedRows::SharedChunkCount() const
{
    std::size_t shared = 0;
    for (const Chunk& chunk : m_chunks)
        shared += chunk.rows.isDetached() ? 0 : 1;
    return shared;
}
