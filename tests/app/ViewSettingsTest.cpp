// The stored settings through the real hive file: the table of names, types
// and defaults (a contract), what a save writes, what bad stored values give,
// the list font's move, and what the engine makes of them.
#include "app/SettingsSchema.h"
#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "platform/DataPaths.h"
#include "platform/Shell.h"
#include "platform/registry/HiveStore.h"
#include "playlist/Playlist.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QByteArray kHead = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\";

class ViewSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { WriteHive({}); }
    void TearDown() override { WriteHive({}); }
    static QByteArray HiveText()
    {
        QFile f(DataPaths::UserHiveFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void WriteHive(const QByteArray& text)
    {
        QFile::remove(DataPaths::UserHiveFile());
        if (!text.isEmpty())
            TestEnv::WriteFile(DataPaths::UserHiveFile(), text);
        HiveStore::ResetForTests();
    }
    static const SettingInfo& Entry(const QString& path)
    {
        return *std::ranges::find(SettingsSchema::All(), path, &SettingInfo::PathName);
    }
    // Each value of s as the table's text, by its path name.
    static QMap<QString, QString> Fields(CViewSettings& s)
    {
        QMap<QString, QString> out;
        for (const SettingInfo& e : SettingsSchema::All()) {
            std::visit(
                [&](auto field) {
                    if constexpr (!std::is_same_v<decltype(field), std::monostate>)
                        out[e.PathName()] = SettingsSchema::Text(SettingInfo::Value(field(s)));
                },
                e.field);
        }
        return out;
    }
};

// Stored names, encodings and defaults are what existing hives hold: a
// rename, a changed type or default shows here.
TEST_F(ViewSettingsTest, TheTableIsTheStoredContractAndAFreshUserGetsItsDefaults)
{
    const char* const expected = R"(Settings\IntroStart Number 0|Settings\IntroLength Number 15|
Settings\FF_TIME Number 30|Settings\MediaDir Text |Settings\Mixer Text pavucontrol|Settings\AutoPlay Flag 0|
Settings\PlayerMode Number 1|Settings\IgnoreErrors Flag 0|Settings\MediaFilesOnly Flag 0|
Settings\SoundBank Options Number 1|Settings\VideoMode Number 0|Settings\VideoRect Rect 0,0,0,0|
Settings\AudioSink Text |Settings\LineInLine Number 0|Settings\Overlap Time Number 4000|
Settings\Enable Events Flag 1|Settings\Enable Logging Flag 0|Settings\Logfile Dir Text |
Settings\Shutdown Confirmation Flag 1|Settings\MiniPlaylist Rect Rect 0,0,150,200|
Settings\MiniPlaylist Overlap Time Number 1000|Settings\CurSel Number 0|Settings\ShowPath Flag 0|
Settings\ShowTrackNo Flag 0|Settings\Fade On Overlap Flag 1|Settings\Fade On Stop Flag 1|
Settings\Fade Period Real 4|Settings\WorkingDir Text |Settings\LineInMixer Number 0|Settings\EventDir Text |
Settings\EventListDir Text |Settings\SoundDir Text |Settings\SoundListDir Text |Settings\SelectedItem Stream |
Font Font |Song Window\Left Number 0|Song Window\Top Number 0|WatchDog\Interval Number 30|
WatchDog\Enable Flag 0|WatchDog\Message Flag 0|WatchDog\NextSong Flag 1|WatchDog\Reboot Flag 0|
MainFrame\WindowPos Placement |MainFrame\FullScreen Flag 0|MainFrame\LanguageCode Text en|
ToolBars\BarState Stream |ToolBars\StatusBar Flag 1|ToolBars\FlatToolBars Flag 1|ToolBars\ButtonText Flag 0|
DigitalClock\ClockMode Number 0|Recent File List\FileN List |DirectShow Filters\FilterCount Number 0|)";
    QString table;
    for (const SettingInfo& e : SettingsSchema::All())
        table += e.PathName() + u' ' + SettingsSchema::TypeName(e.type) + u' ' + SettingsSchema::Text(e.def) + u'|';
    EXPECT_EQ(table, QString::fromLatin1(expected).remove(u'\n'));

    CViewSettings fresh;
    fresh.Load();
    EXPECT_EQ(fresh.mediaDir, DataPaths::SystemMediaFolder()); // empty falls back
    fresh.mediaDir.clear();
    for (const auto& [name, text] : Fields(fresh).asKeyValueRange())
        EXPECT_EQ(text, SettingsSchema::Text(Entry(name).def)) << qPrintable(name);
}

TEST_F(ViewSettingsTest, ASaveWritesWhatTheConsoleOwnsWithItsEncodingAndLoadsBack)
{
    CViewSettings s;
    s.mediaDir = QStringLiteral("/m");
    s.autoPlay = true;
    s.fadePeriod = 2.5;
    s.overlapTime = 1234;
    s.curSel = -1;
    s.logfileDir = QStringLiteral("/srv/log/ä");
    s.videoRect = {1, 2, 3, 4};
    s.watchDog.reboot = true;
    s.songWindowLeft = 40;
    s.lineInMixer = 3;
    s.eventDir = QStringLiteral("/x");
    s.Save();
    HiveStore::ResetForTests();

    const QByteArray text = HiveText();
    for (const char* line : {"\"AutoPlay\"=hex:01,00,00,00", "\"Overlap Time\"=dword:000004d2",
                             "\"CurSel\"=dword:ffffffff", "\"VideoRect\"=\"1,2,3,4\"",
                             "\"Fade Period\"=hex:00,00,00,00,00,00,04,40", "\"Mixer\"=\"pavucontrol\"",
                             "[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\WatchDog]", "\"Reboot\"=hex:01,00,00,00"})
        EXPECT_TRUE(text.contains(line)) << line;
    for (const SettingInfo& e : SettingsSchema::All()) // only read, or written by their owners
        EXPECT_EQ(text.contains('"' + e.name.toUtf8() + "\"="), e.access == SettingAccess::ReadWrite)
            << qPrintable(e.name);

    CViewSettings r;
    r.Load();
    r.lineInMixer = 3;
    r.eventDir = s.eventDir;
    EXPECT_EQ(Fields(r), Fields(s));
    EXPECT_EQ(SettingsSchema::StoredText(Entry(QStringLiteral("Settings\\Overlap Time"))), QStringLiteral("1234"));
}

// A value missing, of the wrong encoding or outside what the options pages
// allow gives the default; the bounds themselves are kept.
TEST_F(ViewSettingsTest, BadStoredValuesGiveTheDefault)
{
    const struct
    {
        const char* key;
        const char* line;
        const char* path;
        const char* loaded;
    } rows[] = {
        {"Settings", "\"AutoPlay\"=dword:00000001", "Settings\\AutoPlay", "0"},
        {"Settings", "\"Fade Period\"=dword:00000002", "Settings\\Fade Period", "4"},
        {"Settings", "\"Overlap Time\"=hex:10,27,00,00", "Settings\\Overlap Time", "10000"},
        {"Settings", "\"IntroLength\"=hex:01,02", "Settings\\IntroLength", "15"},
        {"Settings", "\"MiniPlaylist Rect\"=\"1,2,3\"", "Settings\\MiniPlaylist Rect", "0,0,150,200"},
        {"Settings", "\"VideoRect\"=\"5,6,7,8\"", "Settings\\VideoRect", "5,6,7,8"},
        {"Settings", "\"PlayerMode\"=dword:00000005", "Settings\\PlayerMode", "5"},
        {"Settings", "\"PlayerMode\"=dword:00000006", "Settings\\PlayerMode", "1"},
        {"Settings", "\"PlayerMode\"=dword:ffffffff", "Settings\\PlayerMode", "1"},
        {"Settings", "\"VideoMode\"=dword:00000004", "Settings\\VideoMode", "0"},
        {"Settings", "\"IntroStart\"=dword:0000012c", "Settings\\IntroStart", "300"},
        {"Settings", "\"IntroStart\"=dword:0000012d", "Settings\\IntroStart", "0"},
        {"Settings", "\"Overlap Time\"=dword:00007530", "Settings\\Overlap Time", "30000"},
        {"Settings", "\"Overlap Time\"=dword:00007531", "Settings\\Overlap Time", "4000"},
        {"Settings", "\"MiniPlaylist Overlap Time\"=dword:ffffffff", "Settings\\MiniPlaylist Overlap Time", "1000"},
        {"Settings", "\"Fade Period\"=hex:00,00,00,00,00,00,3e,40", "Settings\\Fade Period", "30"},
        {"Settings", "\"Fade Period\"=hex:00,00,00,00,00,00,3f,40", "Settings\\Fade Period", "4"},
        {"Settings", "\"Fade Period\"=hex:00,00,00,00,00,00,f8,7f", "Settings\\Fade Period", "4"}, // NaN
        {"Settings", "\"FF_TIME\"=dword:00000bb8", "Settings\\FF_TIME", "3000"}, // typed values unchecked
        {"WatchDog", "\"Interval\"=dword:00000004", "WatchDog\\Interval", "30"},
        {"WatchDog", "\"Interval\"=dword:00000005", "WatchDog\\Interval", "5"},
        {"WatchDog", "\"Interval\"=dword:00002711", "WatchDog\\Interval", "30"},
    };
    for (const auto& row : rows) {
        WriteHive(kHead + row.key + "]\n" + row.line + '\n');
        CViewSettings s;
        s.Load();
        EXPECT_EQ(Fields(s).value(QString::fromLatin1(row.path)), QString::fromLatin1(row.loaded)) << row.line;
    }
    WriteHive(kHead + "Settings]\n\"WorkingDir\"=\"/no/such/folder\"\n");
    const QString before = QDir::currentPath();
    CViewSettings s;
    s.Load();
    s.ApplyWorkingDir();
    EXPECT_EQ(QDir::currentPath(), before); // a folder that is gone is skipped
}

TEST_F(ViewSettingsTest, TheListFontMovesFromSettingsToItsOwnKey)
{
    reg::LogFont old;
    old.height = -12;
    old.faceName = QStringLiteral("Old Face");
    CRegistryKey::OpenAppSubkey(SettingsKey::Settings).WriteFont(SettingsKey::Font, old);
    reg::LogFont read;
    ASSERT_TRUE(ListFont::Read(&read));
    EXPECT_EQ(read, old);

    reg::LogFont chosen = old;
    chosen.height = -20;
    ListFont::Write(chosen);
    HiveStore::ResetForTests();
    EXPECT_FALSE(CRegistryKey::OpenAppSubkey(SettingsKey::Settings).ReadFont(SettingsKey::Font, &read));
    ASSERT_TRUE(CRegistryKey::OpenAppSubkey(QString()).ReadFont(SettingsKey::Font, &read));
    EXPECT_EQ(read.height, -20);
    // Where both exist, the new place wins.
    CRegistryKey::OpenAppSubkey(SettingsKey::Settings).WriteFont(SettingsKey::Font, old);
    ASSERT_TRUE(ListFont::Read(&read));
    EXPECT_EQ(read.height, -20);
}

struct QuietUi : UserInterface
{
    void ShowMessage(const QString&, Icon) override {}
};

TEST_F(ViewSettingsTest, TheEngineLoadsItsModeAndSavesItsState)
{
    const QString work = TestEnv::MakeTempDir(QStringLiteral("work"));
    WriteHive(kHead + "Settings]\n\"PlayerMode\"=dword:00000000\n\"WorkingDir\"=\"" + work.toUtf8() + "\"\n");
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
