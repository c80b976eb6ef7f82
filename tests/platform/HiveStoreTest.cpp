// SPDX-License-Identifier: GPL-3.0-or-later
// HiveStore: damaged files, interrupted writes, several writers on one
// file, links and what is no file, the machine layers.
#include "platform/registry/HiveStore.h"
#include "support/UnitTest.h"

#include <QRegularExpression>

#include <ranges>

namespace {

const QString kRace = "Software\\Oxbelund\\Lirana\\Race";

CRegistryKey SettingsKey()
{
    return CRegistryKey::OpenAppSubkey("Settings");
}

void WriteRace(const QString& prefix, int count, const std::function<void()>& afterEach = {})
{
    for (int i = 0; i < count; ++i) {
        CRegistryKey key = CRegistryKey::Open(reg::Root::CurrentUser, kRace);
        key.SetNumber(prefix + QString::number(i), i);
        key.SetText("Last", prefix);
        key.Close();
        if (afterEach)
            afterEach();
    }
}

} // namespace

class HiveStoreTest : public ::testing::Test, protected TempHive
{};

// The editor export is as the Version 5.00 registry editor writes it (UTF-16
// LE with its byte order mark, CR LF, hex(2) text in UTF-16), with events as
// EventList stores them, bad lines 6 and 14 and no line end after the last.
TEST_F(HiveStoreTest, ADamagedFileIsKeptAsideOnceAndEveryReadableValueStays)
{
    const QString text = QStringLiteral(
        "Windows Registry Editor Version "
        "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\r\n"
        "\"IntroLength\"=dword:00000014\r\n\"MediaDir\"=hex(2):2f,00,6d,00,00,00\r\n\"PlayerMode\"=dword:"
        "zz\r\n"
        "\"AutoPlay\"=hex:01,00,00,00\r\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events]\r\n"
        "\"Count\"=dword:00000002\r\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events\\Event 0]\r\n"
        "\"FileName\"=\"/srv/top ✓.mp3\"\r\n\"WeekDayMask\"=dword:0000001f\r\n"
        "[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Events\\Event 1]\r\n"
        "\"WeekDayMask\"=dword:7g\r\n\"FileName\"=\"/srv/news.mp3\"");
    const auto editorValues = [] {
        const CRegistryKey settings = SettingsKey(), events = CRegistryKey::OpenAppSubkey("Events");
        const CRegistryKey first = CRegistryKey::Create(events, "Event 0"),
                           second = CRegistryKey::Create(events, "Event 1");
        EXPECT_EQ(std::tuple(settings.GetNumber("IntroLength", 15), settings.GetText("MediaDir", {}),
                             settings.GetNumber("PlayerMode", 1), first.GetText("FileName", {}),
                             first.GetNumber("WeekDayMask", 127), second.GetText("FileName", {}),
                             second.GetNumber("WeekDayMask", 127)),
                  std::tuple(20, "/m", 1, "/srv/top ✓.mp3", 0x1f, "/srv/news.mp3", 127));
    };
    // The file; the problems, one message line each; what reads then; read-only:
    // nothing is written before a save, and a second start makes no second copy.
    const std::tuple<QByteArray, QStringList, std::function<void()>, bool> rows[] = {
        {"\xff\xfe" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
         {", line 6: bad dword", ", line 14: bad dword"},
         editorValues,
         true},
        {"\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n\"IntroLength\"=dword:00000014\n",
         {" is damaged (line 2: missing REGEDIT4 header)"},
         [] { EXPECT_EQ(SettingsKey().GetNumber("IntroLength", 15), 15) << "no header: the defaults"; },
         false}};
    for (const auto& [bytes, problems, expectValues, readOnly] : rows) {
        SCOPED_TRACE(problems.join(' ').toStdString());
        Reload(); // what the last row left pending is written before its files go
        for (const QString& name : Siblings())
            QFile::remove(QFileInfo(UserFile()).absolutePath() + u'/' + name);
        TestEnv::WriteFile(UserFile(), bytes);
        for (int start = 1; start <= (readOnly ? 2 : 1); ++start) {
            Reload();
            const QString err = StderrOf(expectValues);
            const QStringList bad = Siblings().filter("Lirana.reg.bad-");
            ASSERT_EQ(bad.size(), 1);
            EXPECT_TRUE(QRegularExpression("^Lirana\\.reg\\.bad-\\d{8}-\\d{6}$").match(bad[0]).hasMatch());
            EXPECT_EQ(err.count(u'\n'), problems.size()) << err.toStdString();
            for (const QString& problem : problems)
                EXPECT_TRUE(err.contains(UserFile() + problem)) << err.toStdString();
            EXPECT_TRUE(err.contains(bad[0])) << "the message says where the file went";
            EXPECT_TRUE(!readOnly || UserText() == bytes);
            EXPECT_EQ(FileBytes(QFileInfo(UserFile()).absolutePath() + u'/' + bad[0]), bytes)
                << "kept byte for byte";
        }
        SettingsKey().SetNumber("FF_TIME", 10); // a save drops the bad lines, keeps the rest
        EXPECT_TRUE(UserFileParses());
        Reload();
        EXPECT_EQ(StderrOf(expectValues), "");
        EXPECT_EQ(SettingsKey().GetNumber("FF_TIME", 0), 10);
        EXPECT_EQ(Siblings().filter("Lirana.reg.bad-").size(), 1);
    }
}

TEST_F(HiveStoreTest, AnInterruptedWriteLeavesTheOldFileWholeAndLosesNothing)
{
    SettingsKey().SetNumber("Value", 1);
    const QByteArray before = UserText();
    QString leftover;
    HiveStore::SetBeforeRenameHookForTests([&](const QString& temp) {
        leftover = temp;
        return false; // the program "dies" between writing and renaming
    });
    CRegistryKey key = SettingsKey();
    key.SetNumber("Value", 2);
    StderrOf([&] { key.Flush(); });

    EXPECT_EQ(UserText(), before);
    EXPECT_TRUE(QFile::exists(leftover)) << "the temporary file stays, as after a crash";
    const CRegistryKey fresh = HiveStore::OpenKey(std::make_shared<HiveStore>(UserFile(), QStringList()),
                                                  reg::Root::CurrentUser, key.Path());
    EXPECT_EQ(fresh.GetNumber("Value", 0), 1) << "another reader sees the old file";

    HiveStore::SetBeforeRenameHookForTests({});
    key.Close(); // the change was kept pending and is written now
    Reload();
    EXPECT_EQ(SettingsKey().GetNumber("Value", 0), 2);
    EXPECT_TRUE(UserFileParses());
    EXPECT_FALSE(QFile::exists(leftover)) << "the next save clears what a crash left";
}

TEST_F(HiveStoreTest, MachineLayersOverrideInOrderSkipADamagedOneAndStayReadOnly)
{
    const QString first = TestEnv::MakeTempDir("etc-first");
    const QString second = TestEnv::MakeTempDir("etc-second");
    qputenv("XDG_CONFIG_DIRS", (first + u':' + etcDir + u':' + second).toLocal8Bit());
    const QByteArray head = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\MCI Extensions]\n";
    TestEnv::WriteFile(first + "/Oxbelund/Lirana.reg", head + "\"wav\"=\"first\"\n");
    TestEnv::WriteFile(etcDir + "/Oxbelund/Lirana.reg", head + "\"snd\"=\"broken\n");
    TestEnv::WriteFile(second + "/Oxbelund/Lirana.reg", head + "\"wav\"=\"second\"\n\"xyz\"=\"second\"\n");
    HiveStore::ResetForTests();
    CRegistryKey mci;
    const QString err = StderrOf([&] {
        mci = CRegistryKey::Open(reg::Root::LocalMachine, "software\\oxbelund\\lirana\\mci extensions");
    });
    ASSERT_TRUE(mci.IsOpen());
    EXPECT_EQ(std::tuple(mci.Path(), mci.GetText("WAV", {}), mci.GetText("xyz", {})),
              std::tuple("Software\\Oxbelund\\Lirana\\MCI Extensions", "first",
                         "second")); // the first XDG dir wins
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("line 4")) << err.toStdString();
    for (const QString& shipped : QStringLiteral("snd=waveaudio aiff=waveaudio mid=sequencer rmi=sequencer "
                                                 "cda=cdaudio mp3=mpegvideo flac=mpegvideo opus=mpegvideo "
                                                 "mkv=mpegvideo wma=mpegvideo m4a=mpegvideo")
                                      .split(u' '))
        EXPECT_EQ(mci.GetText(shipped.section(u'=', 0, 0), {}), shipped.section(u'=', 1))
            << qPrintable(shipped);
    EXPECT_TRUE(
        CRegistryKey::Open(reg::Root::LocalMachine, "Software\\Oxbelund\\Lirana\\Languages").IsOpen());

    mci.SetText("wav", "changed");
    mci.DeleteValue("mid");
    mci.DeleteSubkey("anything");
    mci.Close();
    EXPECT_FALSE(CRegistryKey::Open(reg::Root::LocalMachine, "Software\\Nothing").IsOpen());
    const CRegistryKey again = CRegistryKey::Open(reg::Root::LocalMachine,
                                                  "Software\\Oxbelund\\Lirana\\MCI Extensions");
    EXPECT_EQ(std::tuple(again.GetText("wav", {}), again.GetText("mid", {})),
              std::tuple("first", "sequencer"));
    EXPECT_FALSE(QFile::exists(UserFile())) << "machine writes never reach a file";
}

TEST_F(HiveStoreTest, TwoStoresOnOneFileKeepEachOthersValues)
{
    auto a = std::make_shared<HiveStore>(UserFile(), QStringList());
    auto b = std::make_shared<HiveStore>(UserFile(), QStringList());
    CRegistryKey ka = HiveStore::OpenKey(a, reg::Root::CurrentUser, kRace);
    CRegistryKey kb = HiveStore::OpenKey(b, reg::Root::CurrentUser, kRace);
    ka.SetNumber("A", 1);
    ka.SetText("Shared", "from a");
    kb.SetNumber("B", 2);
    kb.SetText("Shared", "from b");
    ka.Flush();
    kb.Flush();
    ka.SetNumber("A2", 3); // still pending in a
    {
        // Opening a key sees the other copy's save; pending changes survive the reload.
        CRegistryKey again = HiveStore::OpenKey(a, reg::Root::CurrentUser, kRace);
        EXPECT_EQ(std::tuple(again.GetNumber("B", 0), again.GetText("Shared", {}), again.GetNumber("A2", 0)),
                  std::tuple(2, "from b", 3));
        again.SetNumber("A2", 4); // written after ka's, saved before it
    }
    ka.Close();
    kb.Close();
    // The last write wins, whichever key saves last.
    const CRegistryKey result = CRegistryKey::Open(reg::Root::CurrentUser, kRace);
    EXPECT_EQ(std::tuple(result.GetNumber("A", 0), result.GetNumber("A2", 0), result.GetNumber("B", 0),
                         result.GetText("Shared", {})),
              std::tuple(1, 4, 2, "from b"));
}

// Runs only as the child of TwoProcessesWritingAtOnceLoseNothing.
TEST(HiveStoreChild, WritesItsShare)
{
    if (!TempHive::EnterChild())
        GTEST_SKIP() << "started by HiveStoreTest.TwoProcessesWritingAtOnceLoseNothing";
    WriteRace("Child ", qEnvironmentVariableIntValue("LIRANA_TEST_CHILD_ARG"));
    HiveStore::ResetForTests();
}

TEST_F(HiveStoreTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kCount = 150;
    QProcess child;
    StartChild(child, "HiveStoreChild.*", QString::number(kCount));
    ASSERT_TRUE(child.waitForStarted(10000));

    // Start writing once the child is writing too.
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return UserText().contains("Child "); }, 20000));
    int unparsable = 0;
    WriteRace("Parent ", kCount, [&] {
        if (QFile::exists(UserFile()) && !UserFileParses())
            ++unparsable;
    });
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    EXPECT_EQ(unparsable, 0);

    Reload();
    const CRegistryKey key = CRegistryKey::Open(reg::Root::CurrentUser, kRace);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(key.GetNumber(QStringLiteral("Parent %1").arg(i), -1), i);
        EXPECT_EQ(key.GetNumber(QStringLiteral("Child %1").arg(i), -1), i);
    }
    EXPECT_EQ(key.ValueCount(), 2 * kCount + 1);
    EXPECT_TRUE(Siblings().filter(".tmp-").isEmpty());
}

TEST_F(HiveStoreTest, ALinkToTheHiveStaysALinkAndItsTargetGetsTheSave)
{
    const QString dir = TestEnv::MakeTempDir("shared");
    QDir().mkpath(QFileInfo(UserFile()).absolutePath());
    const QString relative = QDir(QFileInfo(UserFile()).absolutePath()).relativeFilePath(dir);
    ASSERT_EQ(::symlink(qPrintable(dir + "/c.reg"), qPrintable(dir + "/chain")), 0);
    // the link | its target
    const std::pair<QString, QString> cases[] = {
        {dir + "/a.reg", dir + "/a.reg"},
        {relative + "/b.reg", dir + "/b.reg"},
        {dir + "/chain", dir + "/c.reg"},
        {dir + "/d.reg", QString()} // no target yet: the save makes it
    };
    for (const auto& [link, target] : cases) {
        SCOPED_TRACE(link.toStdString());
        if (!target.isEmpty())
            TestEnv::WriteFile(target,
                               "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n"
                               "\"Kept\"=\"yes\"\n");
        QFile::remove(UserFile());
        ASSERT_EQ(::symlink(qPrintable(link), qPrintable(UserFile())), 0);
        Reload();
        SettingsKey().SetNumber("IntroLength", 20);
        EXPECT_TRUE(QFileInfo(UserFile()).isSymLink());
        const QByteArray saved = FileBytes(target.isEmpty() ? link : target);
        EXPECT_TRUE(saved.contains("\"IntroLength\"=dword:00000014\n"));
        EXPECT_EQ(saved.contains("\"Kept\"=\"yes\"\n"), !target.isEmpty());
    }
    EXPECT_EQ(QDir(dir).entryList({"*.tmp-*"}), QStringList());
    EXPECT_EQ(Siblings(), QStringList("Lirana.reg"));
}

TEST_F(HiveStoreTest, WhatIsNoRegularFileOrTooLargeIsLeftAloneAndTheSettingsRunOnDefaults)
{
    const QString fifo = TestEnv::MakeTempDir("odd") + "/fifo";
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0600), 0);
    QDir().mkpath(QFileInfo(UserFile()).absolutePath());
    // makes the file | what the store says (%1: the file)
    const std::pair<std::function<bool(const QString&)>, const char*> cases[] = {
        {[](const QString& path) { return ::mkfifo(qPrintable(path), 0600) == 0; },
         "%1 is a named pipe (FIFO)"},
        {[&](const QString& path) { return ::symlink(qPrintable(fifo), qPrintable(path)) == 0; },
         "%1 is a named pipe (FIFO)"},
        {[](const QString& path) { return QDir().mkpath(path); }, "%1 is a folder"},
        // Too large to be settings (sparse: it costs no disk).
        {[](const QString& path) {
             QFile file(path);
             return file.open(QIODevice::WriteOnly) && file.resize(qint64(17) << 20);
         },
         "cannot read the settings file %1 (it is larger than 16 MiB)"},
        // Not readable by the operator.
        {[](const QString& path) {
             return !TestEnv::WriteFile(path, "REGEDIT4\n").isEmpty() && ::chmod(qPrintable(path), 0) == 0;
         },
         "cannot read the settings file %1 (Permission denied)"}};
    // Root reads anything: the store reads as "nobody", through folders it
    // may pass but not write.
    for (QString dir = QFileInfo(UserFile()).absolutePath(); dir.startsWith(TestEnv::Root());
         dir = QFileInfo(dir).absolutePath())
        ::chmod(qPrintable(dir), 0711);
    const auto identity = [] {
        struct stat st = {};
        ::lstat(qPrintable(UserFile()), &st);
        return std::pair(st.st_mode, st.st_ino);
    };
    for (const auto& [make, says] : cases) {
        SCOPED_TRACE(says);
        ASSERT_TRUE(make(UserFile()));
        const auto before = identity();
        ASSERT_TRUE(::getuid() != 0 || ::seteuid(65534) == 0);
        Reload();
        const QString err = StderrOf([] {
            SettingsKey().SetNumber("IntroLength", SettingsKey().GetNumber("IntroLength", 15) + 1);
            Reload();
        });
        ASSERT_TRUE(::getuid() != 0 || ::seteuid(0) == 0);
        EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromLatin1(says).arg(UserFile()))) << err.toStdString();
        EXPECT_EQ(identity(), before) << "neither moved nor replaced";
        EXPECT_EQ(Siblings().filter(QRegularExpression("\\.(bad|tmp)-")), QStringList());
        QFile::remove(UserFile());
        QDir().rmdir(UserFile());
    }
}

// A save never makes a file the next start would refuse: one that ends at
// 16 MiB is written, one a byte larger is reported and not written.
TEST_F(HiveStoreTest, ASaveThatWouldGrowTheFileBeyond16MiBIsRefused)
{
    // 279 lines of 60 KB (a line may hold 64 KiB): the file ends 1 to 61 KB short of 16 MiB.
    for (const CRegistrySave save; const int i : std::views::iota(100, 379))
        CRegistryKey::OpenAppSubkey("Big").SetText(QString::number(i), QString(60000, u'x'));
    const QByteArray text = UserText();
    const qsizetype room = (16 << 20) - text.size() - 10; // 10: "Last"="" and its line end
    for (const int over : {1, 0}) { // what is refused stays in memory, and is refused again at Reload
        Reload();
        const QString err = StderrOf(
            [&] { CRegistryKey::OpenAppSubkey("Big").SetText("Last", QString(room + over, u'y')); });
        EXPECT_EQ(UserText().size(), over ? text.size() : 16 << 20);
        EXPECT_EQ(
            err.contains("they would take 16777217 bytes, more than the 16 MiB a settings file may hold"),
            bool(over))
            << qPrintable(err);
    }
}

// A save that cannot take its lock says what happened, with the system's
// own text and the file: only a lock held by another process is "locked"
// (a full disk: HeadlessTest).
TEST_F(HiveStoreTest, ASaveThatCannotTakeItsLockSaysWhyNamingTheFile)
{
    const QString dir = TestEnv::MakeTempDir("why");
    for (const auto& [link, target] : {std::pair{"/link.reg", "/gone/Lirana.reg"}, {"/dangling", "/gone"}})
        ASSERT_EQ(::symlink(QFile::encodeName(dir + target), QFile::encodeName(dir + link)), 0);
    ASSERT_EQ(::mkdir(QFile::encodeName(dir + "/ro"), 0500), 0);
    const std::tuple<const char*, const char*, const char*, int> cases[] = {
        {"/dangling/sub/Lirana.reg", "make the folder", "/dangling/sub", ENOENT},
        {"/link.reg", "create the lock file", "/gone/Lirana.reg.lock", ENOENT},
        {"/ro/Lirana.reg", "create the lock file", "/ro/Lirana.reg.lock", EACCES}};
    for (const auto& [hive, step, file, error] : cases) {
        if (error == EACCES && ::geteuid() == 0)
            GTEST_SKIP() << "root writes into a read-only folder (the rows before it ran)";
        const QString err = StderrOf([&] {
            HiveStore::OpenKey(std::make_shared<HiveStore>(dir + hive, QStringList()), reg::Root::CurrentUser,
                               "Software\\Oxbelund\\Lirana\\Settings")
                .SetNumber("Value", 1);
        });
        EXPECT_TRUE(err.contains(QStringLiteral("settings not saved to %1: cannot %2 %3: %4")
                                     .arg(dir + hive, step, dir + file, qt_error_string(error))))
            << qPrintable(err);
    }
}
