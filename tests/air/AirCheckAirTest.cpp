// SPDX-License-Identifier: GPL-3.0-or-later
// The headless station's own air, on a bus keeping time on the system clock
// (no sound server): the air-check's files change on the wall clock's
// boundaries, each plays alone, and every sample of the air is in exactly
// one of them; the level alarm hears digital silence, not quiet music; and
// items mastered 10 LU apart air at the loudness target under the ceiling.
#include "BusProgramme.h"
#include "PlayoutAir.h"
#include "media/AirCheck.h"
#include "media/Loudness.h"

#include <QDateTime>
#include <QDirIterator>
#include <QTemporaryDir>
#include <gst/gst.h>
#include <sndfile.h>

#include <chrono>

namespace {

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
    // The air counts: frame n of the input is n (as a 16-bit sample) on both
    // channels, from 1, so the silence before it is told apart.
    BusProgramme programme;
    programme.Play(
        [](std::uint64_t n) { return float(std::int16_t((n + 1) & 0xffff)) / 32768.0f; },
        [&](const float* samples, int frames, std::uint64_t frame) { check->Take(samples, frames, frame); });
    // Three boundaries after the first file's start, and a little more.
    const std::int64_t firstBoundary = (CTapQueue::NowNs() / 1'000'000 / kFileMs + 1) * kFileMs;
    std::this_thread::sleep_until(
        std::chrono::system_clock::time_point(std::chrono::milliseconds(firstBoundary + 2 * kFileMs + 300)));
    programme.Stop();
    check.reset(); // writes what it holds
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
    const auto& stamps = programme.periods;
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

// The headless station with the air-check on: its air is in a file that
// plays alone, and a disk below the free space asked for is a line of the
// play log.
TEST(AirCheck, TheHeadlessStationRecordsItsAirAndLogsALowDisk)
{
    const QString dir = TestEnv::MakeTempDir(), home = dir + "/home", folder = dir + "/air";
    WriteHive(home, {{"AirCheck", Flag(true)},
                     {"AirCheck Folder", Text(folder.toUtf8())},
                     {"AirCheck Format", Text("ogg")},
                     {"AirCheck Min Free MB", Dword(2'000'000'000)}});
    const RunResult run = RunOffAir(home, {TestMedia::ToneWav(dir, "tone", 1000, 1.5, -12)}, 20000);
    EXPECT_EQ(run.exitCode, 0) << Lines(run);
    EXPECT_FALSE(run.lines.filter("air-check\tThe disk of " + folder).isEmpty()) << Lines(run);

    QDirIterator it(folder, {QStringLiteral("*.ogg")}, QDir::Files, QDirIterator::Subdirectories);
    ASSERT_TRUE(it.hasNext());
    const std::vector<short> samples = ReadAll(it.next());
    EXPECT_FALSE(it.hasNext());
    const auto loud = std::count_if(samples.begin(), samples.end(),
                                    [](short s) { return std::abs(s) > 4000; });
    EXPECT_GT(loud, 44100 * 2 / 2); // a tone at -12 dBFS for most of its 1.5 s
}

// The level alarm: an item of digital silence is alarmed within its
// interval and the next item follows; a quiet one, and a pause item, are
// not alarmed.
TEST(LevelAlarm, SilenceIsAlarmedWithinItsIntervalAndQuietMusicIsNot)
{
    const QString dir = TestEnv::MakeTempDir(), home = dir + "/home";
    WriteHive(home, {{"Overlap Time", Dword(0)}},
              {{"WatchDog",
                {{"Level Enable", Flag(true)}, {"Level Interval", Dword(2)}, {"NextSong", Flag(true)}}}});
    const RunResult run = RunOffAir(home,
                                    {TestMedia::ToneWav(dir, "quiet", 440, 4.0, -40), "3.pause",
                                     TestMedia::WriteWav(dir + "/dead.wav", {TestMedia::Silence(30.0)}),
                                     TestMedia::ToneWav(dir, "after", 1000, 0.5, -12)},
                                    40000);
    EXPECT_EQ(run.exitCode, 0);
    // The silence is alarmed once, after the dead item started and before
    // the next one.
    EXPECT_EQ(run.lines, QStringList({"startup", "start\tquiet", "start\t3 sec.", "start\tdead",
                                      "silence\tThe air was below -50 dBFS for 2 s",
                                      "silence\tThe next song is selected", "start\tafter", "shutdown"}))
        << Lines(run);
}

// The loudness of [t0, t1) of the recording.
LoudnessFigures Loudness(const Wav& wav, double t0, double t1)
{
    CLoudnessMeter meter(2, wav.rate);
    std::vector<float> frames;
    for (auto i = std::size_t(t0 * wav.rate); i < std::size_t(t1 * wav.rate) && i < wav.planes[0].size(); ++i)
        frames.insert(frames.end(), {wav.planes[0][i], wav.planes[1][i]});
    meter.Add(frames.data(), frames.size() / 2);
    return meter.Figures();
}

// Loudness, measured on what the station recorded of its own air.
TEST(Loudness, ItemsTenLuApartAirAtTheTargetUnderTheCeiling)
{
    using TestMedia::Silence;
    using TestMedia::Tone;
    const QString dir = TestEnv::MakeTempDir(), home = dir + "/home", folder = dir + "/air";
    // A soft item and one 10 dB louder; then one quiet but for a click near
    // full scale, which the gain lifts over the ceiling: the limiter's.
    const QString soft = TestMedia::ToneWav(dir, "soft", 440, 3, -28);
    const QString loud = TestMedia::ToneWav(dir, "loud", 880, 3, -18);
    const QString click = TestMedia::WriteMixWav(
        dir + "/click.wav", {{Tone(1320, 3, -35)}, {Silence(1.5), Tone(3000, 0.005, -3), Silence(1.495)}});
    WriteHive(home, {{"Loudness Target", Dword(quint32(-23))},
                     {"Overlap Time", Dword(0)},
                     {"AirCheck", Flag(true)},
                     {"AirCheck Folder", Text(folder.toUtf8())},
                     {"AirCheck Min Free MB", Dword(0)}});
    // The pause gives the scanner its time before the first file plays.
    const RunResult run = RunOffAir(home, {"3.pause", soft, loud, click}, 30000);
    ASSERT_EQ(run.exitCode, 0) << Lines(run);

    QDirIterator it(folder, {QStringLiteral("*.flac")}, QDir::Files, QDirIterator::Subdirectories);
    ASSERT_TRUE(it.hasNext());
    const auto wav = ReadWav(it.next());
    ASSERT_TRUE(wav);
    const auto segments = Segments(*wav, {440, 880}, -60.0, 1.0);
    ASSERT_EQ(segments.size(), 2u) << Describe(segments);
    for (const auto& s : segments)
        EXPECT_NEAR(Loudness(*wav, s.start + 0.1, s.end - 0.1).integratedLufs, -23.0, 1.0) << s.freq << " Hz";
    const double peak = Loudness(*wav, 0, wav->Duration()).truePeakDbtp;
    EXPECT_LE(peak, -0.9); // -1 dBTP, and the recording's 16 bits
    EXPECT_GT(peak, -6.0); // the click was lifted, then limited
}

} // namespace
