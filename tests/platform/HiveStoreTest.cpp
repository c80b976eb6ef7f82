// HiveStore: damaged files, interrupted writes, the machine layers.
#include "platform/registry/HiveStore.h"
#include "platform/registry/RegistryKey.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <functional>

namespace {

CRegistryKey Settings()
{
    return CRegistryKey::OpenAppSubkey("Settings");
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
        const CRegistryKey settings = Settings();
        EXPECT_EQ(settings.GetNumber("IntroLength", 15), 20);
        EXPECT_EQ(settings.GetText("MediaDir", {}), "/m");
        EXPECT_EQ(settings.GetNumber("PlayerMode", 1), 1);
        const CRegistryKey events = CRegistryKey::OpenAppSubkey("Events");
        const CRegistryKey first = CRegistryKey::Create(events, "Event 0");
        EXPECT_EQ(first.GetText("FileName", {}), "/srv/top ✓.mp3");
        EXPECT_EQ(first.GetNumber("WeekDayMask", 127), 0x1f);
        const CRegistryKey second = CRegistryKey::Create(events, "Event 1");
        EXPECT_EQ(second.GetText("FileName", {}), "/srv/news.mp3");
        EXPECT_EQ(second.GetNumber("WeekDayMask", 127), 127);
    };
    const struct
    {
        QByteArray bytes;
        QStringList problems; // one message line each
        std::function<void()> expectValues;
        bool readOnly; // nothing is written before a save, and a second start makes no second copy
    } rows[] = {
        {"\xff\xfe" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
         {", line 6: bad dword", ", line 14: bad dword"},
         editorValues,
         true},
        {"\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n\"IntroLength\"=dword:00000014\n",
         {" is damaged (line 2: missing REGEDIT4 header)"},
         [] { EXPECT_EQ(Settings().GetNumber("IntroLength", 15), 15) << "no header: the defaults"; },
         false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.problems.join(' ').toStdString());
        Reload(); // what the last row left pending is written before its files go
        for (const QString& name : Siblings())
            QFile::remove(QFileInfo(UserFile()).absolutePath() + u'/' + name);
        TestEnv::WriteFile(UserFile(), row.bytes);
        for (int start = 1; start <= (row.readOnly ? 2 : 1); ++start) {
            Reload();
            testing::internal::CaptureStderr();
            row.expectValues();
            const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
            const QStringList bad = Siblings().filter("Lirana.reg.bad-");
            ASSERT_EQ(bad.size(), 1);
            EXPECT_TRUE(QRegularExpression("^Lirana\\.reg\\.bad-\\d{8}-\\d{6}$").match(bad[0]).hasMatch());
            EXPECT_EQ(err.count(u'\n'), row.problems.size()) << err.toStdString();
            for (const QString& problem : row.problems)
                EXPECT_TRUE(err.contains(UserFile() + problem)) << err.toStdString();
            EXPECT_TRUE(err.contains(bad[0])) << "the message says where the file went";
            EXPECT_TRUE(!row.readOnly || UserText() == row.bytes);
            QFile kept(QFileInfo(UserFile()).absolutePath() + u'/' + bad[0]);
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), row.bytes) << "kept byte for byte";
        }
        Settings().SetNumber("FF_TIME", 10); // a save drops the bad lines, keeps the rest
        EXPECT_TRUE(UserFileParses());
        Reload();
        testing::internal::CaptureStderr();
        row.expectValues();
        EXPECT_EQ(Settings().GetNumber("FF_TIME", 0), 10);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(Siblings().filter("Lirana.reg.bad-").size(), 1);
    }
}

TEST_F(HiveStoreTest, AnInterruptedWriteLeavesTheOldFileWholeAndLosesNothing)
{
    Settings().SetNumber("Value", 1);
    const QByteArray before = UserText();
    QString leftover;
    HiveStore::SetBeforeRenameHookForTests([&](const QString& temp) {
        leftover = temp;
        return false; // the program "dies" between writing and renaming
    });
    testing::internal::CaptureStderr();
    CRegistryKey key = Settings();
    key.SetNumber("Value", 2);
    key.Flush();
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(UserText(), before);
    EXPECT_TRUE(QFile::exists(leftover)) << "the temporary file stays, as after a crash";
    {
        const CRegistryKey fresh = HiveStore::OpenKey(std::make_shared<HiveStore>(UserFile(), QStringList()),
                                                      reg::Root::CurrentUser, key.Path());
        EXPECT_EQ(fresh.GetNumber("Value", 0), 1) << "another reader sees the old file";
    }

    HiveStore::SetBeforeRenameHookForTests({});
    key.Close(); // the change was kept pending and is written now
    Reload();
    EXPECT_EQ(Settings().GetNumber("Value", 0), 2);
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
    testing::internal::CaptureStderr();
    CRegistryKey mci = CRegistryKey::Open(reg::Root::LocalMachine,
                                          "software\\oxbelund\\lirana\\mci extensions");
    ASSERT_TRUE(mci.IsOpen());
    EXPECT_EQ(mci.Path(), "Software\\Oxbelund\\Lirana\\MCI Extensions");
    EXPECT_EQ(mci.GetText("WAV", {}), "first") << "the first XDG dir wins";
    EXPECT_EQ(mci.GetText("xyz", {}), "second");
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("line 4")) << err.toStdString();
    for (const auto& [ext, device] : {std::pair{"snd", "waveaudio"},
                                      {"aiff", "waveaudio"},
                                      {"mid", "sequencer"},
                                      {"rmi", "sequencer"},
                                      {"cda", "cdaudio"},
                                      {"mp3", "mpegvideo"},
                                      {"flac", "mpegvideo"},
                                      {"opus", "mpegvideo"},
                                      {"mkv", "mpegvideo"},
                                      {"wma", "mpegvideo"},
                                      {"m4a", "mpegvideo"}})
        EXPECT_EQ(mci.GetText(QString::fromLatin1(ext), {}), QString::fromLatin1(device))
            << "shipped: " << ext;
    EXPECT_TRUE(
        CRegistryKey::Open(reg::Root::LocalMachine, "Software\\Oxbelund\\Lirana\\Languages").IsOpen());

    mci.SetText("wav", "changed");
    mci.DeleteValue("mid");
    mci.DeleteSubkey("anything");
    mci.Close();
    EXPECT_FALSE(CRegistryKey::Open(reg::Root::LocalMachine, "Software\\Nothing").IsOpen());
    const CRegistryKey again = CRegistryKey::Open(reg::Root::LocalMachine,
                                                  "Software\\Oxbelund\\Lirana\\MCI Extensions");
    EXPECT_EQ(again.GetText("wav", {}), "first");
    EXPECT_EQ(again.GetText("mid", {}), "sequencer");
    EXPECT_FALSE(QFile::exists(UserFile())) << "machine writes never reach a file";
}
