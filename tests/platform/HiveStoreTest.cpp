// HiveStore: damaged files, interrupted writes, several writers on one
// file, the machine layers.
#include "HiveTestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kRace = QStringLiteral("Software\\Oxbelund\\Lirana\\Race");

CRegistryKey Settings()
{
    return CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"));
}

void WriteRace(const QString& prefix, int count, const std::function<void()>& afterEach = {})
{
    for (int i = 0; i < count; ++i) {
        CRegistryKey key = CRegistryKey::Open(reg::Root::CurrentUser, kRace);
        key.SetNumber(prefix + QString::number(i), i);
        key.SetText(QStringLiteral("Last"), prefix);
        key.Close();
        if (afterEach)
            afterEach();
    }
}

} // namespace

class HiveStoreTest : public HiveTest
{
};

TEST_F(HiveStoreTest, DamagedUserHiveIsSetAsideAndTheProgramStartsOnDefaults)
{
    {
        CRegistryKey key = Settings();
        key.SetNumber(QStringLiteral("IntroLength"), 20);
        key.SetText(QStringLiteral("MediaDir"), QStringLiteral("/srv/music"));
    }
    QByteArray damaged = UserText();
    damaged.chop(8); // cut inside the last value line
    TestEnv::WriteFile(UserFile(), damaged);
    Reload();

    testing::internal::CaptureStderr();
    {
        CRegistryKey key = Settings();
        EXPECT_EQ(key.GetNumber(QStringLiteral("IntroLength"), 15), 15);
        EXPECT_EQ(key.GetText(QStringLiteral("MediaDir"), QString()), QString());
        key.SetNumber(QStringLiteral("PlayerMode"), 2);
    }
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QLatin1String("line "))) << err.toStdString();

    const QStringList bad = QDir(configDir + QStringLiteral("/Oxbelund")).entryList({QStringLiteral("Lirana.reg.bad-*")});
    ASSERT_EQ(bad.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Lirana\\.reg\\.bad-\\d{8}-\\d{6}$")).match(bad[0]).hasMatch());
    EXPECT_TRUE(err.contains(bad[0])) << "the message says where the file went";
    QFile kept(configDir + QStringLiteral("/Oxbelund/") + bad[0]);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged) << "the damaged file is kept byte for byte";

    EXPECT_TRUE(UserFileParses());
    Reload();
    EXPECT_EQ(Settings().GetNumber(QStringLiteral("PlayerMode"), 1), 2);
}

TEST_F(HiveStoreTest, AnInterruptedWriteLeavesTheOldFileWholeAndLosesNothing)
{
    Settings().SetNumber(QStringLiteral("Value"), 1);
    const QByteArray before = UserText();
    QString leftover;
    HiveStore::SetBeforeRenameHookForTests([&](const QString& temp) {
        leftover = temp;
        return false; // the program "dies" between writing and renaming
    });
    testing::internal::CaptureStderr();
    CRegistryKey key = Settings();
    key.SetNumber(QStringLiteral("Value"), 2);
    key.Flush();
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(UserText(), before);
    EXPECT_TRUE(QFile::exists(leftover)) << "the temporary file stays, as after a crash";
    {
        const CRegistryKey fresh = HiveStore::OpenKey(std::make_shared<HiveStore>(UserFile(), QStringList()),
                                                      reg::Root::CurrentUser, key.Path());
        EXPECT_EQ(fresh.GetNumber(QStringLiteral("Value"), 0), 1) << "another reader sees the old file";
    }

    HiveStore::SetBeforeRenameHookForTests({});
    key.Close(); // the change was kept pending and is written now
    Reload();
    EXPECT_EQ(Settings().GetNumber(QStringLiteral("Value"), 0), 2);
    EXPECT_TRUE(UserFileParses());
    EXPECT_FALSE(QFile::exists(leftover)) << "the next save clears what a crash left";
}

TEST_F(HiveStoreTest, TwoStoresOnOneFileKeepEachOthersValues)
{
    auto a = std::make_shared<HiveStore>(UserFile(), QStringList());
    auto b = std::make_shared<HiveStore>(UserFile(), QStringList());
    CRegistryKey ka = HiveStore::OpenKey(a, reg::Root::CurrentUser, kRace);
    CRegistryKey kb = HiveStore::OpenKey(b, reg::Root::CurrentUser, kRace);
    ka.SetNumber(QStringLiteral("A"), 1);
    ka.SetText(QStringLiteral("Shared"), QStringLiteral("from a"));
    kb.SetNumber(QStringLiteral("B"), 2);
    kb.SetText(QStringLiteral("Shared"), QStringLiteral("from b"));
    ka.Flush();
    kb.Flush();
    ka.SetNumber(QStringLiteral("A2"), 3); // still pending in a
    {
        const CRegistryKey again = HiveStore::OpenKey(a, reg::Root::CurrentUser, kRace);
        EXPECT_EQ(again.GetNumber(QStringLiteral("B"), 0), 2) << "opening a key sees the other copy's save";
        EXPECT_EQ(again.GetText(QStringLiteral("Shared"), {}), QStringLiteral("from b"));
        EXPECT_EQ(again.GetNumber(QStringLiteral("A2"), 0), 3) << "pending changes survive the reload";
    }
    ka.Close();
    kb.Close();
    const CRegistryKey result = CRegistryKey::Open(reg::Root::CurrentUser, kRace);
    EXPECT_EQ(result.GetNumber(QStringLiteral("A"), 0), 1);
    EXPECT_EQ(result.GetNumber(QStringLiteral("A2"), 0), 3);
    EXPECT_EQ(result.GetNumber(QStringLiteral("B"), 0), 2);
    EXPECT_EQ(result.GetText(QStringLiteral("Shared"), {}), QStringLiteral("from b")) << "last writer wins";
}

// Runs only as the child of TwoProcessesWritingAtOnceLoseNothing.
TEST(HiveStoreChild, WritesItsShare)
{
    const QByteArray dir = qgetenv("LIRANA_TEST_CHILD_CONFIG");
    if (dir.isEmpty())
        GTEST_SKIP() << "started by HiveStoreTest.TwoProcessesWritingAtOnceLoseNothing";
    qputenv("XDG_CONFIG_HOME", dir);
    HiveStore::ResetForTests();
    WriteRace(QStringLiteral("Child "), qEnvironmentVariableIntValue("LIRANA_TEST_CHILD_COUNT"));
    HiveStore::ResetForTests();
}

TEST_F(HiveStoreTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kCount = 150;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LIRANA_TEST_CHILD_CONFIG"), configDir);
    env.insert(QStringLiteral("LIRANA_TEST_CHILD_COUNT"), QString::number(kCount));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=HiveStoreChild.*")});
    ASSERT_TRUE(child.waitForStarted(10000));

    // Start writing once the child is writing too.
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return UserText().contains("Child "); }, 20000));
    int unparsable = 0;
    WriteRace(QStringLiteral("Parent "), kCount, [&] {
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
    EXPECT_TRUE(Siblings().filter(QStringLiteral(".tmp-")).isEmpty());
}

TEST_F(HiveStoreTest, MachineLayersOverrideInOrderAndStayReadOnly)
{
    const QString first = TestEnv::MakeTempDir(QStringLiteral("etc-first"));
    const QString second = TestEnv::MakeTempDir(QStringLiteral("etc-second"));
    qputenv("XDG_CONFIG_DIRS", (first + u':' + second).toLocal8Bit());
    const QByteArray head = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\MCI Extensions]\n";
    TestEnv::WriteFile(first + QStringLiteral("/Oxbelund/Lirana.reg"), head + "\"wav\"=\"first\"\n");
    TestEnv::WriteFile(second + QStringLiteral("/Oxbelund/Lirana.reg"),
                       head + "\"wav\"=\"second\"\n\"xyz\"=\"second\"\n");
    HiveStore::ResetForTests();

    CRegistryKey mci = CRegistryKey::Open(reg::Root::LocalMachine,
                                          QStringLiteral("software\\oxbelund\\lirana\\mci extensions"));
    ASSERT_TRUE(mci.IsOpen());
    EXPECT_EQ(mci.Path(), QStringLiteral("Software\\Oxbelund\\Lirana\\MCI Extensions"));
    EXPECT_EQ(mci.GetText(QStringLiteral("WAV"), {}), QStringLiteral("first")) << "the first XDG dir wins";
    EXPECT_EQ(mci.GetText(QStringLiteral("xyz"), {}), QStringLiteral("second"));
    EXPECT_EQ(mci.GetText(QStringLiteral("mid"), {}), QStringLiteral("sequencer")) << "from the shipped file";

    mci.SetText(QStringLiteral("wav"), QStringLiteral("changed"));
    mci.DeleteValue(QStringLiteral("mid"));
    mci.DeleteSubkey(QStringLiteral("anything"));
    mci.Close();
    EXPECT_FALSE(CRegistryKey::Open(reg::Root::LocalMachine, QStringLiteral("Software\\Nothing")).IsOpen());
    const CRegistryKey again =
        CRegistryKey::Open(reg::Root::LocalMachine, QStringLiteral("Software\\Oxbelund\\Lirana\\MCI Extensions"));
    EXPECT_EQ(again.GetText(QStringLiteral("wav"), {}), QStringLiteral("first"));
    EXPECT_EQ(again.GetText(QStringLiteral("mid"), {}), QStringLiteral("sequencer"));
    EXPECT_FALSE(QFile::exists(UserFile())) << "machine writes never reach a file";
}

TEST_F(HiveStoreTest, ADamagedMachineLayerIsSkippedWithOneLine)
{
    TestEnv::WriteFile(etcDir + QStringLiteral("/Oxbelund/Lirana.reg"),
                       "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\MCI Extensions]\n"
                       "\"wav\"=\"broken\n");
    HiveStore::ResetForTests();
    testing::internal::CaptureStderr();
    const CRegistryKey mci = CRegistryKey::Open(reg::Root::LocalMachine,
                                                QStringLiteral("Software\\Oxbelund\\Lirana\\MCI Extensions"));
    EXPECT_EQ(mci.GetText(QStringLiteral("wav"), {}), QStringLiteral("waveaudio"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("line 4"), std::string::npos) << err;
}

TEST_F(HiveStoreTest, TheShippedMachineHiveMapsMediaExtensions)
{
    const CRegistryKey mci = CRegistryKey::Open(reg::Root::LocalMachine,
                                                QStringLiteral("Software\\Oxbelund\\Lirana\\MCI Extensions"));
    const struct
    {
        const char* ext;
        const char* device;
    } expected[] = {{"wav", "waveaudio"}, {"aiff", "waveaudio"}, {"snd", "waveaudio"}, {"mid", "sequencer"},
                    {"rmi", "sequencer"}, {"cda", "cdaudio"},     {"mp3", "mpegvideo"}, {"flac", "mpegvideo"},
                    {"opus", "mpegvideo"}, {"mkv", "mpegvideo"},  {"wma", "mpegvideo"}, {"m4a", "mpegvideo"}};
    for (const auto& e : expected)
        EXPECT_EQ(mci.GetText(QString::fromLatin1(e.ext), {}), QString::fromLatin1(e.device)) << e.ext;
    EXPECT_TRUE(CRegistryKey::Open(reg::Root::LocalMachine, QStringLiteral("Software\\Oxbelund\\Lirana\\Languages"))
                    .IsOpen());
}
