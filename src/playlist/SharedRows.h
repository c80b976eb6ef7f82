// SPDX-License-Identifier: GPL-3.0-or-later
// CSharedRows: rows of text kept in chunks that later copies share, for the
// undo history of a long album. Chunk boundaries follow the content (a row
// whose hash has its low bits clear ends a chunk), so an insertion, a removal
// or a moved row changes only the chunks around it; every other chunk of a
// new copy is the previous copy's own, and the row strings themselves are the
// playlist's (implicitly shared). Ten edits of a 100,000-row album cost some
// kilobytes each, not a copy of the album.
// Thread: any; a value type.
#pragma once

#include <QStringList>

#include <cstddef>
#include <vector>

class CSharedRows
{
public:
    CSharedRows() = default;
    // rows in chunks; chunks equal to one of previous's are shared with it.
    CSharedRows(const QStringList& rows, const CSharedRows& previous);
    explicit CSharedRows(const QStringList& rows) : CSharedRows(rows, CSharedRows()) {}

    QStringList Rows() const;
    qsizetype Count() const { return m_count; }
    // Chunks held and how many of them are shared with another copy.
    std::size_t ChunkCount() const { return m_chunks.size(); }
    std::size_t SharedChunkCount() const;

    // About one row in this many ends a chunk.
    static constexpr std::size_t kMeanChunkRows = 64;
    // A chunk ends after this many rows whatever their hashes.
    static constexpr qsizetype kMaxChunkRows = 1024;

private:
    struct Chunk
    {
        std::size_t hash = 0;
        QStringList rows;
    };
    std::vector<Chunk> m_chunks;
    qsizetype m_count = 0;
};
