// SPDX-License-Identifier: GPL-3.0-or-later
// The air-check on a real bus keeping time on the system clock, with a
// counting signal as its air: the files change on the wall clock's
// boundaries, each plays alone, and every sample of the air is in exactly
// one of them.
#include "HeadlessLirana.h"
#include "media/AirBus.h"
#include "media/AirCheck.h"
#include "media/TapQueue.h"
#include "support/TestEnv.h"
#include "support/TestMedia.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::int64_t NowNs()
{
    return CTapQueue::NowNs();
}

// A file's frames as 16-bit samples, read alone; empty when it does not
// open.
std::vector<short> ReadAll(const QString& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<short> samples(std::size_t(info.frames) * std::size_t(info.channels));
    samples.resize(std::size_t(sf_readf_short(file, samples.data(), info.frames)) *
                   std::size_t(info.channels));
    sf_close(file);
    return samples;
}

TEST(AirCheck, FilesChangeOnTheWallClockAndHoldEverySampleOnce)
{
    gst_init(nullptr, nullptr);
    QTemporaryDir dir;
    constexpr std::int64_t kFileMs = 2000;
    QStringList notices;
    auto check = std::make_shared<CAirCheck>(CAirCheck::Options{
        .folder = dir.path() + QStringLiteral("/air"),
        .fileMs = kFileMs,
        .minFreeMb = 0,
        .onNotice = [&](const QString& text) { notices << text; },
    });
    CAirBus bus({}); // no output: the bus keeps time by itself
    // The air counts: frame n of the input is n (as a 16-bit sample) on both
    // channels, from 1, so the silence before it is told apart.
    auto input = bus.AddInput(QStringLiteral("count"));
    std::atomic<bool> done{false};
    std::thread producer([&] {
        std::vector<float> period(CAirBus::PeriodFrames * 2);
        std::uint32_t n = 1;
        while (!done) {
            for (std::size_t i = 0; i < period.size(); i += 2, ++n)
                period[i] = period[i + 1] = float(std::int16_t(n & 0xffff)) / 32768.0f;
            if (!input->Write(period.data(), CAirBus::PeriodFrames))
                break;
        }
    });
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, std::int64_t>> stamps; // bus frame, wall clock
    bus.SetTap([&](const float* samples, int frames, std::uint64_t frame) {
        {
            std::lock_guard lock(mutex);
            stamps.emplace_back(frame, NowNs());
        }
        check->Take(samples, frames, frame);
    });
    input->StartAt();
    // Three boundaries after the first file's start, and a little more.
    const std::int64_t firstBoundary = (NowNs() / 1'000'000 / kFileMs + 1) * kFileMs;
    std::this_thread::sleep_until(
        std::chrono::system_clock::time_point(std::chrono::milliseconds(firstBoundary + 2 * kFileMs + 300)));
    bus.SetTap({});
    check.reset(); // writes what it holds
    done = true;
    input->Flush();
    producer.join();
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u'\n').toStdString();

    QStringList files;
    QDirIterator it(dir.path() + QStringLiteral("/air"), {QStringLiteral("*.flac")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 4) << files.join(u' ').toStdString();

    // The wall clock of bus frame 0, from the stamps (each one late, never
    // early): the lowest.
    std::int64_t base = std::numeric_limits<std::int64_t>::max();
    for (const auto& [frame, ns] : stamps)
        base = std::min(base, ns - std::int64_t(double(frame) * 1e9 / CAirBus::Rate));
    std::uint64_t frame = stamps.front().first; // the first file's first frame
    int expected = 0;                           // the next count; 0: not counting yet
    std::uint64_t counted = 0;
    for (qsizetype k = 0; k < files.size(); ++k) {
        SCOPED_TRACE(files[k].toStdString());
        const std::vector<short> samples = ReadAll(files[k]);
        ASSERT_FALSE(samples.empty());
        if (k > 0) { // on a boundary: its name and its first frame's time
            const std::int64_t startMs = (base + std::int64_t(double(frame) * 1e9 / CAirBus::Rate)) /
                                         1'000'000;
            const std::int64_t boundary = (startMs + kFileMs / 2) / kFileMs * kFileMs;
            EXPECT_NEAR(double(startMs), double(boundary), 25.0);
            EXPECT_EQ(
                QFileInfo(files[k]).completeBaseName(),
                QDateTime::fromMSecsSinceEpoch(boundary).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
        }
        for (std::size_t i = 0; i < samples.size(); i += 2) {
            ASSERT_EQ(samples[i], samples[i + 1]) << "frame " << i / 2;
            if (expected == 0 && samples[i] == 1)
                expected = 1;
            if (expected != 0) {
                ASSERT_EQ(samples[i], std::int16_t(expected & 0xffff)) << "frame " << i / 2;
                ++expected;
                ++counted;
            }
        }
        frame += samples.size() / 2;
    }
    EXPECT_GT(counted, std::uint64_t(2 * kFileMs * CAirBus::Rate / 1000)); // the three changes
}

// A folder that cannot be made: one notice naming the file, the air goes on.
TEST(AirCheck, AFolderThatCannotBeMadeIsOneNotice)
{
    QTemporaryDir dir;
    TestEnv::WriteFile(dir.path() + QStringLiteral("/file"), "not a folder");
    QStringList notices;
    {
        CAirCheck check({.folder = dir.path() + QStringLiteral("/file/air"),
                         .onNotice = [&](const QString& text) { notices << text; }});
        const std::vector<float> period(CAirBus::PeriodFrames * 2);
        for (std::uint64_t p = 0; p < 20; ++p)
            check.Take(period.data(), CAirBus::PeriodFrames, p * CAirBus::PeriodFrames);
    }
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(
        notices[0].startsWith(QStringLiteral("Cannot write ") + dir.path() + QStringLiteral("/file/air/")))
        << notices[0].toStdString();
}

// Files older than the days kept go, with the folders they leave empty;
// younger ones, other files and the folders still holding them stay.
TEST(AirCheck, FilesOlderThanTheDaysKeptGoWithTheirEmptyFolders)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/air");
    const struct
    {
        const char* name;
        int ageDays;
        bool stays;
    } files[] = {
        {"2026/10/01/2026-10-01_00-00-00.flac", 40, false},
        {"2026/10/02/2026-10-02_00-00-00.flac", 32, false},
        {"2026/10/02/notes.txt", 40, true},
        {"2026/11/01/2026-11-01_00-00-00.flac", 30, true},
    };
    for (const auto& f : files) {
        const QString path = folder + u'/' + QString::fromLatin1(f.name);
        TestEnv::WriteFile(path, "air");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addDays(-f.ageDays), QFileDevice::FileModificationTime);
    }
    {
        CAirCheck check({.folder = folder, .keepDays = 31, .minFreeMb = 0, .onNotice = {}});
    }
    for (const auto& f : files)
        EXPECT_EQ(QFileInfo::exists(folder + u'/' + QString::fromLatin1(f.name)), f.stays) << f.name;
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/2026/10/01")));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/2026/10/02")));
}

} // namespace

// The headless station with the air-check on and no sound server: its air
// is in a file that plays alone, and a disk below the free space asked for
// is a line of the play log.
TEST(AirCheck, TheHeadlessStationRecordsItsAirAndLogsALowDisk)
{
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/home"), folder = dir.path() + QStringLiteral("/air");
    using namespace HeadlessLirana;
    WriteHive(home, {{"AirCheck", Flag(true)},
                     {"AirCheck Folder", Text(folder.toUtf8())},
                     {"AirCheck Format", Text("ogg")},
                     {"AirCheck Min Free MB", Dword(2'000'000'000)}});
    QProcess lirana;
    lirana.setProcessEnvironment(Environment(home));
    lirana.setWorkingDirectory(dir.path());
    lirana.start(QStringLiteral(LIRANA_BINARY),
                 PlayArgs({"--output", "none",
                           TestMedia::ToneWav(dir.path(), QStringLiteral("tone"), 1000, 1.5, -12)}));
    ASSERT_TRUE(lirana.waitForFinished(20000));
    EXPECT_EQ(lirana.exitCode(), 0) << lirana.readAllStandardError().toStdString();
    const QString log = QString::fromUtf8(lirana.readAllStandardOutput());
    EXPECT_TRUE(log.contains(QStringLiteral("air-check\tThe disk of ") + folder)) << log.toStdString();

    QDirIterator it(folder, {QStringLiteral("*.ogg")}, QDir::Files, QDirIterator::Subdirectories);
    ASSERT_TRUE(it.hasNext());
    const std::vector<short> samples = ReadAll(it.next());
    EXPECT_FALSE(it.hasNext());
    const auto loud = std::count_if(samples.begin(), samples.end(),
                                    [](short s) { return std::abs(s) > 4000; });
    EXPECT_GT(loud, 44100 * 2 / 2); // a tone at -12 dBFS for most of its 1.5 s
}
