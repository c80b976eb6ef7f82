// SPDX-License-Identifier: GPL-3.0-or-later
// Settings-store benchmark: reading and writing user hives of 1,000, 10,000
// and 100,000 keys (one Number each, as many small keys as a large schedule
// makes), then a schedule of 10,000 events, all through CRegistryKey as the
// program uses it, and the same schedule as an events file. Each time is printed against a baseline measured
// in the same run on the same file (reading it and splitting its lines; writing its bytes to a temporary
// file, syncing and renaming it), and for each tenfold of keys the growth of the time per key: 1 is linear,
// the goal is under 2. Arguments: the key counts (default 1000 10000 100000).
#include "BenchTiming.h"
#include "events/EventList.h"
#include "events/ScheduledEvent.h"
#include "platform/DataPaths.h"
#include "platform/registry/HiveStore.h"
#include "platform/registry/RegistryKey.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

// The baseline of a write: the bytes to a temporary file, synced and
// renamed over the target, as the store writes a hive.
void RawReplace(const QString& path, const QByteArray& bytes)
{
    const QByteArray temp = QFile::encodeName(path + QStringLiteral(".raw"));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::fsync(fd) != 0)
        std::perror("raw write");
    ::close(fd);
    ::rename(temp.constData(), QFile::encodeName(path + QStringLiteral(".copy")).constData());
}

QByteArray FileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Figures
{
    int keys = 0;
    qint64 bytes = 0;
    double read = 0, readBase = 0, write = 0, writeBase = 0;
};

Figures Measure(int keys)
{
    const QString hive = DataPaths::UserHiveFile();
    const int runs = keys >= 100000 ? 1 : 3;
    Figures f;
    f.keys = keys;
    // Making the keys and one write of the whole hive, from no file.
    f.write = Best(runs, [&] {
        HiveStore::ResetForTests();
        QFile::remove(hive);
        const CRegistrySave save;
        CRegistryKey bench = CRegistryKey::OpenAppSubkey(QStringLiteral("Bench"));
        for (int i = 0; i < keys; ++i)
            CRegistryKey::Create(bench, QStringLiteral("Key %1").arg(i))
                .SetNumber(QStringLiteral("Value"), i);
    });
    const QByteArray text = FileText(hive);
    f.bytes = text.size();
    f.writeBase = Best(runs, [&] { RawReplace(hive, text); });
    // A first start: the file read, every key opened and its value read.
    long long sum = 0;
    f.read = Best(runs, [&] {
        HiveStore::ResetForTests();
        const CRegistryKey bench = CRegistryKey::OpenAppSubkey(QStringLiteral("Bench"));
        sum = 0;
        for (int i = 0, n = bench.SubkeyCount(); i < n; ++i)
            sum += CRegistryKey::Create(bench, bench.SubkeyName(i)).GetNumber(QStringLiteral("Value"), 0);
    });
    if (sum != (long long)keys * (keys - 1) / 2)
        std::printf("  (read back wrong: sum %lld)\n", sum);
    f.readBase = Best(runs, [&] {
        volatile qsizetype n = QString::fromUtf8(FileText(hive)).split(u'\n').size();
        (void)n;
    });
    HiveStore::ResetForTests();
    QFile::remove(hive);
    return f;
}

void MeasureEvents(int count)
{
    const QString hive = DataPaths::UserHiveFile();
    const WallTime now = MakeWallTime(2026, 12, 7, 12, 0, 0);
    CEventList list;
    for (int i = 0; i < count; ++i) {
        CScheduledEvent e(MakeWallTime(2026, 12, 8, i / 60 % 24, i % 60, 0));
        e.fileName = QStringLiteral("/srv/radio/events/Station ident %1.mp3").arg(i);
        list.Append(e);
    }
    HiveStore::ResetForTests();
    QFile::remove(hive);
    const double save = Best(3, [&] {
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        list.SaveToRegistry(app);
    });
    const QByteArray text = FileText(hive);
    int loaded = 0;
    const double load = Best(3, [&] {
        HiveStore::ResetForTests();
        CEventList again;
        again.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()), now);
        loaded = again.Count();
    });
    const double base = Best(3, [&] {
        volatile qsizetype n = QString::fromUtf8(FileText(hive)).split(u'\n').size();
        (void)n;
    });
    std::printf("%d events, file %.2f MB (%d read back): save %.1f ms, load %.1f ms = %.1f x reading and "
                "splitting the file (%.1f ms); goal both under 1000 ms: %s\n",
                count, text.size() / 1e6, loaded, save, load, load / base, base,
                save < 1000 && load < 1000 && loaded == count ? "met" : "NOT met");
    // The same schedule as an events file (File > Save Events, Open Events).
    const QString file = QFileInfo(hive).absolutePath() + QStringLiteral("/Events.ini");
    const double fileSave = Best(3, [&] { list.SaveToFile(file); });
    const double fileLoad = Best(3, [&] {
        CEventList again;
        again.LoadFromFile(file, now);
        loaded = again.Count();
    });
    const double fileBase = Best(3, [&] {
        volatile qsizetype n = QString::fromUtf8(FileText(file)).split(u'\n').size();
        (void)n;
    });
    std::printf(
        "the same as an events file, %.2f MB (%d read back): save %.1f ms, load %.1f ms = %.1f x reading "
        "and splitting the file (%.1f ms)\n",
        QFileInfo(file).size() / 1e6, loaded, fileSave, fileLoad, fileLoad / fileBase, fileBase);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.filePath(QStringLiteral("etc"))));
    std::vector<int> sizes;
    int events = 10000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "events=", 7) == 0)
            events = std::atoi(argv[i] + 7);
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {1000, 10000, 100000};

    std::vector<Figures> all;
    for (const int keys : sizes) {
        const Figures f = Measure(keys);
        all.push_back(f);
        std::printf("%7d keys, file %6.2f MB: read %9.1f ms = %6.1f x reading and splitting it (%.1f ms); "
                    "write %9.1f ms = %6.1f x a raw replace (%.1f ms)\n",
                    f.keys, f.bytes / 1e6, f.read, f.read / f.readBase, f.readBase, f.write,
                    f.write / f.writeBase, f.writeBase);
        std::fflush(stdout);
    }
    bool linear = true;
    for (size_t i = 1; i < all.size(); ++i) {
        const Figures& a = all[i - 1];
        const Figures& b = all[i];
        const double scale = double(b.keys) / a.keys;
        const double read = b.read / a.read / scale;
        const double write = b.write / a.write / scale;
        linear = linear && read < 2 && write < 2;
        std::printf("%d -> %d keys: time per key read x %.2f, write x %.2f\n", a.keys, b.keys, read, write);
    }
    if (all.size() > 1)
        std::printf("goal: per key at most 2 x per tenfold: %s\n", linear ? "met" : "NOT met");
    if (events > 0)
        MeasureEvents(events);
    return 0;
}
