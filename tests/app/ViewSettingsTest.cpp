// The console's settings schema through the real hive file: defaults of a
// fresh user, round trips, stored types, and what the engine makes of them.
#include "app/ViewSettings.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "platform/DataPaths.h"
#include "platform/Shell.h"
#include "platform/registry/HiveStore.h"
#include "playlist/Playlist.h"
#include "support/TestEnv.h"
#include "app/UserInterface.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class ViewSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(DataPaths::UserHiveFile());
        HiveStore::ResetForTests();
    }
    void TearDown() override
    {
        QFile::remove(DataPaths::UserHiveFile());
        HiveStore::ResetForTests();
    }
    static QByteArray HiveText()
    {
        QFile f(DataPaths::UserHiveFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void WriteHive(const QByteArray& text)
    {
        TestEnv::WriteFile(DataPaths::UserHiveFile(), text);
        HiveStore::ResetForTests();
    }
};

TEST_F(ViewSettingsTest, AFreshUserGetsEveryDefault)
{
    CViewSettings s;
    s.Load();
    EXPECT_EQ(s.introStart, 0);
    EXPECT_EQ(s.introLength, 15);
    EXPECT_EQ(s.ffTime, 30);
    EXPECT_EQ(s.mediaDir, DataPaths::SystemMediaFolder()); // empty falls back
    EXPECT_EQ(s.mixer, "pavucontrol");
    EXPECT_FALSE(s.autoPlay);
    EXPECT_EQ(s.playerMode, 1);
    EXPECT_FALSE(s.showPath);
    EXPECT_FALSE(s.showTrackNo);
    EXPECT_FALSE(s.ignoreErrors);
    EXPECT_FALSE(s.mediaFilesOnly);
    EXPECT_EQ(s.soundBankOptions, 1);
    EXPECT_EQ(s.videoMode, 0);
    EXPECT_EQ(s.videoRect, (reg::Rect{0, 0, 0, 0}));
    EXPECT_EQ(s.lineInMixer, 0);
    EXPECT_EQ(s.lineInLine, 0);
    EXPECT_EQ(s.overlapTime, 4000);
    EXPECT_EQ(s.curSel, 0);
    EXPECT_TRUE(s.fadeOnOverlap);
    EXPECT_TRUE(s.fadeOnStop);
    EXPECT_DOUBLE_EQ(s.fadePeriod, 4.0);
    EXPECT_TRUE(s.workingDir.isEmpty());
    EXPECT_TRUE(s.shutdownConfirmation);
    EXPECT_EQ(s.miniPlaylistOverlapTime, 1000);
    EXPECT_EQ(s.miniPlaylistRect, (reg::Rect{0, 0, 150, 200}));
    EXPECT_FALSE(s.enableLogging);
    EXPECT_TRUE(s.logfileDir.isEmpty());
    EXPECT_TRUE(s.enableEvents);
    EXPECT_EQ(s.songWindowLeft, 0);
    EXPECT_EQ(s.songWindowTop, 0);
    EXPECT_EQ(s.watchDog.interval, 30);
    EXPECT_FALSE(s.watchDog.enable);
    EXPECT_FALSE(s.watchDog.message);
    EXPECT_TRUE(s.watchDog.nextSong);
    EXPECT_FALSE(s.watchDog.reboot);
}

TEST_F(ViewSettingsTest, SavedValuesComeBackWithTheirStoredTypes)
{
    CViewSettings s;
    s.introStart = 7;
    s.playerMode = 3;
    s.autoPlay = true;
    s.fadePeriod = 2.5;
    s.overlapTime = 1234;
    s.curSel = -1;
    s.logfileDir = QStringLiteral("/srv/log/ä");
    s.videoRect = {1, 2, 3, 4};
    s.watchDog.interval = 9;
    s.watchDog.reboot = true;
    s.songWindowLeft = 40;
    s.Save();
    HiveStore::ResetForTests();

    const QByteArray text = HiveText();
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]"));
    EXPECT_TRUE(text.contains("\"AutoPlay\"=hex:01,00,00,00")); // flags: 4 binary bytes
    EXPECT_TRUE(text.contains("\"Overlap Time\"=dword:000004d2"));
    EXPECT_TRUE(text.contains("\"CurSel\"=dword:ffffffff"));
    EXPECT_TRUE(text.contains("\"VideoRect\"=\"1,2,3,4\""));
    EXPECT_FALSE(text.contains("LineInMixer")); // only ever read

    CViewSettings r;
    r.Load();
    EXPECT_EQ(r.introStart, 7);
    EXPECT_EQ(r.playerMode, 3);
    EXPECT_TRUE(r.autoPlay);
    EXPECT_DOUBLE_EQ(r.fadePeriod, 2.5);
    EXPECT_EQ(r.overlapTime, 1234);
    EXPECT_EQ(r.curSel, -1);
    EXPECT_EQ(r.logfileDir, QStringLiteral("/srv/log/ä"));
    EXPECT_EQ(r.videoRect, (reg::Rect{1, 2, 3, 4}));
    EXPECT_EQ(r.watchDog.interval, 9);
    EXPECT_TRUE(r.watchDog.reboot);
    EXPECT_EQ(r.songWindowLeft, 40);
}

TEST_F(ViewSettingsTest, WrongTypesFallBackToDefaults)
{
    WriteHive("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n"
              "\"AutoPlay\"=dword:00000001\n"          // a flag stored as a number: ignored
              "\"Fade Period\"=dword:00000002\n"       // a real stored as a number: ignored
              "\"Overlap Time\"=hex:10,27,00,00\n"     // a number as 4 binary bytes: taken
              "\"IntroLength\"=hex:01,02\n"            // two bytes: not a number
              "\"MiniPlaylist Rect\"=\"1,2,3\"\n"      // three numbers: the fallback
              "\"VideoRect\"=\"5,6,7,8\"\n"
              "\"WorkingDir\"=\"/no/such/folder\"\n");
    const QString before = QDir::currentPath();
    CViewSettings s;
    s.Load();
    s.ApplyWorkingDir();
    EXPECT_FALSE(s.autoPlay);
    EXPECT_DOUBLE_EQ(s.fadePeriod, 4.0);
    EXPECT_EQ(s.overlapTime, 10000);
    EXPECT_EQ(s.introLength, 15);
    EXPECT_EQ(s.miniPlaylistRect, (reg::Rect{0, 0, 150, 200}));
    EXPECT_EQ(s.videoRect, (reg::Rect{5, 6, 7, 8}));
    EXPECT_EQ(QDir::currentPath(), before); // a folder that is gone is skipped
}

struct QuietUi : UserInterface
{
    void ShowMessage(const QString&, Icon) override {}
};

TEST_F(ViewSettingsTest, TheEngineLoadsItsModeAndSavesItsState)
{
    const QString work = TestEnv::MakeTempDir(QStringLiteral("work"));
    WriteHive("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]\n"
              "\"PlayerMode\"=dword:00000000\n\"WorkingDir\"=\"" + work.toUtf8() + "\"\n");
    const QString before = QDir::currentPath();
    CPlaylist list;
    FakeClock clock;
    CPlayLog log(clock);
    QuietUi ui;
    COnAirEngine::Seams seams;
    seams.playlist = &list;
    seams.log = &log;
    seams.ui = &ui;
    seams.shell = &Shell::System();
    COnAirEngine engine(std::move(seams));
    engine.LoadSettings();
    EXPECT_EQ(engine.Mode(), PlayerMode::Manual);
    EXPECT_TRUE(engine.BreakFlag()); // Manual at load sets the break flag
    EXPECT_EQ(QDir::currentPath(), work);

    list.Reset({QStringLiteral("a.mp3"), QStringLiteral("b.mp3")}, 1);
    engine.SetMode(PlayerMode::Repeat);
    engine.SaveSettings();
    HiveStore::ResetForTests();
    CViewSettings r;
    r.Load();
    EXPECT_EQ(r.playerMode, 2);
    EXPECT_EQ(r.curSel, 1);
    EXPECT_EQ(r.workingDir, work);
    QDir::setCurrent(before);
}

} // namespace
