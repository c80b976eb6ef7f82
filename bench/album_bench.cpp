// SPDX-License-Identifier: GPL-3.0-or-later
// Album benchmark: open and save a 100,000-row album and take undo
// checkpoints on it. Times are printed against a baseline measured in the
// same run (reading and writing the same bytes with QFile), and the memory of
// a full undo history (21 snapshots: 10 undo, the current, 10 redo) against
// the size of the album file.
#include "BenchSeams.h"
#include "BenchTiming.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ListFile.h"
#include "playlist/Playlist.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <random>

namespace {

// Bytes in use on the heap (what the history holds, without the pages the
// allocator keeps for reuse).
qint64 HeapBytes()
{
    return qint64(mallinfo2().uordblks) + qint64(mallinfo2().hblkhd);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const int rows = 100000;
    QStringList list;
    list.reserve(rows);
    for (int i = 0; i < rows; ++i)
        list << QStringLiteral("/srv/music/Artist %1/Album %2/%3 - Track title number %4~2.5.mp3")
                    .arg(i % 977)
                    .arg(i % 89)
                    .arg(i % 20 + 1, 2, 10, QLatin1Char('0'))
                    .arg(i);
    const QString path = dir.path() + QStringLiteral("/big.alb");
    WriteListFile(path, list);
    const qint64 fileSize = QFile(path).size();

    const double rawSplit = Best(5, [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        volatile qsizetype n = QString::fromUtf8(f.readAll()).split(u'\n').size();
        (void)n;
    });
    const QByteArray bytes = FormatListText(list);
    const double rawWrite = Best(5, [&] {
        QFile f(dir.path() + QStringLiteral("/raw.alb"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        f.flush();
        f.close();
    });

    BenchUi ui(true);
    BenchShell shell;
    CPlaylist playlist;
    CLiranaDoc doc(playlist, ui, shell);
    const double open = Best(3, [&] {
        doc.OnNewDocument();
        doc.OnOpenDocument(path);
    });
    const double save = Best(3, [&] { doc.OnSaveDocument(dir.path() + QStringLiteral("/saved.alb")); });
    doc.OnNewDocument();
    doc.OnOpenDocument(path);
    const double checkpoint = Best(5, [&] { doc.Checkpoint(32808); });
    // A full history: ten edits (a row moved to the top, as an operator does
    // before each checkpoint), ten undo snapshots, the current one, ten redo.
    for (int i = 0; i < 10; ++i) {
        playlist.Move(rows / 2 + i * 997, 0);
        doc.Checkpoint(32808);
    }
    for (int i = 0; i < 10; ++i)
        doc.OnUndo();
    // What the history holds: the heap with it less the heap without it.
    const qint64 withHistory = HeapBytes();
    doc.ResetUndo(true);
    const qint64 rssGrowth = withHistory - HeapBytes();
    // The worst case: every edit a shuffle, so no row keeps its neighbours.
    doc.OnOpenDocument(path);
    for (int i = 0; i < 10; ++i) {
        QStringList shuffled = playlist.Rows();
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(unsigned(i)));
        playlist.Reset(shuffled, 0);
        doc.Checkpoint(32808);
    }
    for (int i = 0; i < 10; ++i)
        doc.OnUndo();
    const qint64 withShuffles = HeapBytes();
    doc.ResetUndo(true);
    const qint64 shuffleGrowth = withShuffles - HeapBytes();
    // What one full copy per snapshot would hold: the design's serialised
    // rows, 21 times.
    const qint64 historyBytes = qint64(FormatListText(playlist.Rows()).size()) * 21;
    std::printf("album of %d rows, file %.1f MB\n", rows, fileSize / 1e6);
    std::printf("open:        %8.1f ms   = %6.1f x reading and splitting the text (%.1f ms)\n", open,
                open / rawSplit, rawSplit);
    std::printf("save:        %8.1f ms   = %6.1f x raw write (%.1f ms)\n", save, save / rawWrite, rawWrite);
    std::printf("checkpoint:  %8.1f ms   = %6.1f x reading and splitting the text\n", checkpoint,
                checkpoint / rawSplit);
    std::printf("21 full copies would be: %7.1f MB = %6.2f x the album file (baseline)\n", historyBytes / 1e6,
                double(historyBytes) / double(fileSize));
    std::printf("the history holds: %.1f MB = %.2f x the album file, %.3f x the baseline; "
                "goal under 2 x the file: %s\n",
                rssGrowth / 1e6, double(rssGrowth) / double(fileSize),
                double(rssGrowth) / double(historyBytes),
                double(rssGrowth) < 2.0 * double(fileSize) ? "met" : "NOT met");
    std::printf("  the same history when every edit reorders the whole album: %.1f MB = %.2f x the file\n",
                shuffleGrowth / 1e6, double(shuffleGrowth) / double(fileSize));
    return 0;
}
