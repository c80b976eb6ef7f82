// SPDX-License-Identifier: GPL-3.0-or-later
// Album, mini-playlist and M3U text, read as rows both ways; the rows that
// can be stored are stored and must read back as the same rows.
#include "FuzzText.h"
#include "playlist/ListFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text = FuzzBytes(data, size);
    try {
        ParseListText(text, ListPaths::MakeAbsolute, QStringLiteral("fuzz.alb"));
    } catch (const CException&) {
    }
    QStringList rows;
    try {
        rows = ParseListText(text, ListPaths::KeepRelative, QStringLiteral("fuzz.mpl"));
    } catch (const CException&) {
        return 0;
    }
    QByteArray stored;
    try {
        stored = FormatListText(rows);
    } catch (const CException&) {
        return 0; // a row with a line break is refused, as it should be
    }
    if (ParseListText(stored, ListPaths::KeepRelative) != rows)
        std::abort();
    return 0;
}
