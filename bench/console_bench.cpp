// SPDX-License-Identifier: GPL-3.0-or-later
// Console benchmark: a dropped folder of 2,000 generated files added to the
// playlist through the console, and a 100,000-row album opened, scrolled and
// selected in the list box. Each figure is printed with its ratio to a
// baseline of the same run: listing the same files, building the same rows.
#include "BenchSeams.h"
#include "gui/console/LiranaView.h"
#include "gui/console/PlaylistListBox.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "playlist/Playlist.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

double Ms(QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void Report(const char* what, double ms, double baseMs)
{
    std::printf("%-44s %9.2f ms  %7.1fx baseline\n", what, ms, baseMs > 0 ? ms / baseMs : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir world;
    const QByteArray base = world.path().toLocal8Bit();
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1); // never the operator's settings
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    // 2,000 files in 20 folders of 100.
    const QString folder = world.path() + QStringLiteral("/drop");
    for (int d = 0; d < 20; ++d) {
        const QString sub = folder + QStringLiteral("/d%1").arg(d);
        QDir().mkpath(sub);
        for (int f = 0; f < 100; ++f) {
            QFile file(sub + QStringLiteral("/track%1.wav").arg(f));
            file.open(QIODevice::WriteOnly);
        }
    }

    CPlaylist list;
    FakeClock clock;
    CPlayLog log(clock);
    BenchUi ui;
    BenchShell shell;
    COnAirEngine engine(BenchEngineSeams(list, log, ui, shell));
    CAppContext context;
    context.playlist = &list;
    context.engine = &engine;
    context.ui = &ui;
    CLiranaView view(context);
    view.resize(900, 700);
    view.show();
    app.processEvents();

    QElapsedTimer timer;
    timer.start();
    QStringList listed;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        listed << it.next();
    const double listMs = Ms(timer);
    std::printf("baseline: listing %lld files                 %9.2f ms\n", qlonglong(listed.size()), listMs);

    timer.restart();
    view.DropFiles({folder}, -1);
    app.processEvents();
    Report("drop of the folder into the playlist", Ms(timer), listMs);
    std::printf("  rows after the drop: %d\n", list.Count());

    // A 100,000-row album.
    timer.restart();
    QStringList rows;
    rows.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        rows << QStringLiteral("/srv/music/artist%1/album%2/track%3.mp3").arg(i % 97).arg(i % 13).arg(i);
    const double buildMs = Ms(timer);
    std::printf("baseline: building 100,000 row strings       %9.2f ms\n", buildMs);

    CPlaylistListBox* box = view.ListBox();
    timer.restart();
    list.Reset(rows, 0);
    box->viewport()->repaint();
    app.processEvents();
    Report("open: rows into the list box, first paint", Ms(timer), buildMs);

    QScrollBar* bar = box->verticalScrollBar();
    timer.restart();
    for (int step = 0; step < 200; ++step) {
        bar->setValue(bar->maximum() * step / 199);
        box->viewport()->repaint();
    }
    Report("scroll: 200 jumps top to bottom, repainted", Ms(timer), buildMs);

    timer.restart();
    std::srand(1);
    for (int i = 0; i < 1000; ++i) {
        list.Select(std::rand() % list.Count());
        box->viewport()->repaint();
    }
    Report("select: 1,000 random rows, scrolled, repainted", Ms(timer), buildMs);
    return 0;
}
