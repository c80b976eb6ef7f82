// Album benchmark: open and save a 100,000-row album and take undo
// checkpoints on it. Times are printed against a baseline measured in the
// same run (reading and writing the same bytes with QFile), and the memory of
// a full undo history (21 snapshots: 10 undo, the current, 10 redo) against
// the size of the album file.
#include "app/UserInterface.h"
#include "platform/Shell.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ListFile.h"
#include "playlist/Playlist.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

struct SilentUi : UserInterface
{
    void ShowMessage(const QString& text, Icon) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
};

struct NoShell : Shell
{
    bool StartProgram(const QString&, const QStringList&, const QString&, QString*) override { return false; }
};

// Best of n runs, in milliseconds.
double Best(int n, const std::function<void()>& f)
{
    double best = 1e300;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// Resident set size of this process in bytes.
qint64 RssBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
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

    SilentUi ui;
    NoShell shell;
    CPlaylist playlist;
    CLiranaDoc doc(playlist, ui, shell);
    const double open = Best(3, [&] {
        doc.OnNewDocument();
        doc.OnOpenDocument(path);
    });
    const double save = Best(3, [&] { doc.OnSaveDocument(dir.path() + QStringLiteral("/saved.alb")); });
    doc.OnNewDocument();
    doc.OnOpenDocument(path);
    const qint64 rssBefore = RssBytes();
    const double checkpoint = Best(5, [&] { doc.Checkpoint(32808); });
    // A full history: ten undo snapshots, the current one, ten redo snapshots.
    for (int i = 0; i < 10; ++i)
        doc.Checkpoint(32808);
    for (int i = 0; i < 10; ++i)
        doc.OnUndo();
    qint64 historyBytes = doc.History().Current().data.size();
    historyBytes *= 21; // each snapshot holds the whole album
    const qint64 rssGrowth = RssBytes() - rssBefore;
    std::printf("album of %d rows, file %.1f MB\n", rows, fileSize / 1e6);
    std::printf("open:        %8.1f ms   = %6.1f x reading and splitting the text (%.1f ms)\n", open,
                open / rawSplit, rawSplit);
    std::printf("save:        %8.1f ms   = %6.1f x raw write (%.1f ms)\n", save, save / rawWrite, rawWrite);
    std::printf("checkpoint:  %8.1f ms   = %6.1f x reading and splitting the text\n", checkpoint,
                checkpoint / rawSplit);
    std::printf("21 snapshots: %7.1f MB  = %6.2f x the album file\n", historyBytes / 1e6,
                double(historyBytes) / double(fileSize));
    std::printf("resident growth for the history: %.1f MB = %.2f x the album file\n", rssGrowth / 1e6,
                double(rssGrowth) / double(fileSize));
    return 0;
}
