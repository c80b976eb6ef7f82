// SPDX-License-Identifier: GPL-3.0-or-later
// The stored settings through the real hive file: the table of names,
// encodings, defaults and ranges (a contract), what bad stored values give,
// what a save writes, the list font's move, and what the engine makes of them.
#include "app/ViewSettings.h"
#include "AppTestSupport.h"
#include "app/SettingsSchema.h"
#include "onair/OnAirEngine.h"
#include "onair/PlayLog.h"
#include "platform/Clock.h"
#include "playlist/Playlist.h"

namespace {

// Each value of s as the table's text, by its path name.
QMap<QString, QString> Fields(CViewSettings& s)
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

QMap<QString, QString> Loaded()
{
    CViewSettings s;
    s.Load();
    return Fields(s);
}

class ViewSettingsTest : public ::testing::Test, protected TempHive
{};

// Stored names, encodings, defaults and ranges are what existing hives
// hold: a rename, a changed type, default or range shows here. A fresh user
// gets the defaults; a stored value outside the range or the choices, or a
// real that is no number, gives the default.
TEST_F(ViewSettingsTest, TheTableIsTheStoredContractAndDrivesLoading)
{
    const char* const expected = R"(Settings\IntroStart Number 0 0..300|Settings\IntroLength Number 15 0..300|
Settings\FF_TIME Number 30|Settings\MediaDir Text |Settings\Mixer Text pavucontrol || pwvucontrol || x-terminal-emulator -e alsamixer|Settings\AutoPlay Flag 0|
Settings\PlayerMode Number 1 /6|Settings\IgnoreErrors Flag 0|Settings\ResumeAfterCrash Flag 1|
Settings\NowPlayingFile Text |Settings\NowPlayingCommand Text |Settings\Desktop control Number 0 /3|
Settings\ResumeAfterRestart Flag 0|Settings\FallbackAlbum Text |
Settings\MediaFilesOnly Flag 0|
Settings\SoundBank Options Number 1|Settings\MIDI Gain Number 9 -40..30|Settings\MIDI SoundFont Text |Settings\VideoMode Number 0 /4|Settings\VideoRect Rect 0,0,0,0|
Settings\AudioSink Text |Settings\LineInLine Number 0|Settings\LineInSource Text |
Settings\AirCheck Flag 0|Settings\AirCheck Folder Text |Settings\AirCheck File Seconds Number 3600|
Settings\AirCheck Format Text flac|Settings\AirCheck Keep Days Number 31|Settings\AirCheck Min Free MB Number 1024|
Settings\Loudness Target Number 0|
Settings\Overlap Time Number 4000 0..30000|
Settings\Overlap Short Items By A Third Flag 0|
Settings\Enable Events Flag 1|Settings\Enable Logging Flag 0|Settings\Logfile Dir Text |
Settings\Shutdown Confirmation Flag 1|Settings\MiniPlaylist Rect Rect 0,0,150,200|
Settings\MiniPlaylist Overlap Time Number 1000 0..30000|Settings\CurSel Number 0|Settings\ShowPath Flag 0|
Settings\ShowTrackNo Flag 0|Settings\Fade On Overlap Flag 1|Settings\Fade On Stop Flag 1|
Settings\Fade Period Real 4 0..30|Settings\WorkingDir Text |Settings\LineInMixer Number 0|Settings\EventDir Text |
Settings\EventListDir Text |Settings\SoundDir Text |Settings\SoundListDir Text |Settings\SelectedItem Stream |
Font Font |Song Window\Left Number 0|Song Window\Top Number 0|WatchDog\Interval Number 30 5..10000|
WatchDog\Enable Flag 0|WatchDog\Message Flag 0|WatchDog\NextSong Flag 1|WatchDog\Reboot Flag 0|
WatchDog\Level Enable Flag 0|WatchDog\Level Threshold Number -50 -90..-10|WatchDog\Level Interval Number 30 2..3600|
MainFrame\WindowPos Placement |MainFrame\FullScreen Flag 0|MainFrame\LanguageCode Text en|
ToolBars\BarState Stream |ToolBars\StatusBar Flag 1|ToolBars\FlatToolBars Flag 1|ToolBars\ButtonText Flag 0|
DigitalClock\ClockMode Number 0 /2|Recent File List\FileN List |DirectShow Filters\FilterCount Number 0|Air Filters\FilterCount Number 0|
Tool Menu\Count Number 0|Streams\Count Number 0|)";
    const QMap<QString, QString> fresh = Loaded();
    QString table;
    for (const SettingInfo& e : SettingsSchema::All()) {
        table += e.PathName() + u' ' + SettingsSchema::TypeName(e.type) + u' ' + SettingsSchema::Text(e.def);
        if (e.range)
            table += QStringLiteral(" %1..%2").arg(e.range->min).arg(e.range->max);
        if (!e.choices.isEmpty())
            table += QStringLiteral(" /%1").arg(e.choices.size());
        table += u'|';
        if (fresh.contains(e.PathName()) && e.name != QStringLiteral("MediaDir")) {
            EXPECT_EQ(fresh[e.PathName()], SettingsSchema::Text(e.def)) << qPrintable(e.PathName());
        }
        if (!e.range && e.choices.isEmpty())
            continue;
        // The bounds of a range and of the choices are kept, a step outside gives the default.
        const double min = e.range ? e.range->min : 0, max = e.range ? e.range->max : e.choices.size() - 1;
        CRegistryKey key = CRegistryKey::OpenAppSubkey(e.key);
        for (const auto& [value, kept] :
             {std::pair{min, true}, {max, true}, {min - 1, false}, {max + 1, false}}) {
            if (e.type == SettingType::Real)
                key.SetReal(e.name, value);
            else
                key.SetNumber(e.name, std::int32_t(value));
            // The values their owners read go through the same rules.
            const QString now = std::holds_alternative<std::monostate>(e.field)
                                    ? SettingsSchema::Text(SettingsSchema::Read(e))
                                    : Loaded()[e.PathName()];
            EXPECT_EQ(now, kept ? QString::number(value) : SettingsSchema::Text(e.def))
                << qPrintable(e.PathName()) << ' ' << value;
        }
    }
    EXPECT_EQ(table, QString::fromLatin1(expected).remove(u'\n'));
    EXPECT_EQ(fresh["Settings\\MediaDir"], DataPaths::SystemMediaFolder()); // empty falls back

    CRegistryKey settings = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    settings.SetReal("Fade Period", qQNaN());
    settings.SetNumber("FF_TIME", 3000); // a typed value is not checked
    EXPECT_EQ(Loaded()["Settings\\Fade Period"], "4");
    EXPECT_EQ(Loaded()["Settings\\FF_TIME"], "3000");
}

// Only what the console owns is written, and it reads back.
TEST_F(ViewSettingsTest, ASaveWritesWhatTheConsoleOwnsAndLoadsBack)
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
    s.Save();
    Reload();
    const QByteArray text = UserText();
    for (const SettingInfo& e : SettingsSchema::All())
        EXPECT_EQ(text.contains('"' + e.name.toUtf8() + "\"="), e.access == SettingAccess::ReadWrite)
            << qPrintable(e.name);
    EXPECT_EQ(Loaded(), Fields(s));
}

// Earlier versions kept the font in Settings\Font: read there while the
// application key has none; the first write moves it.
TEST_F(ViewSettingsTest, TheListFontMovesFromSettingsToItsOwnKey)
{
    reg::LogFont old, read;
    old.height = -12;
    old.faceName = QStringLiteral("Old Face");
    CRegistryKey::OpenAppSubkey(SettingsKey::Settings).WriteFont(SettingsKey::Font, old);
    ASSERT_TRUE(ListFont::Read(&read));
    EXPECT_EQ(read, old);
    reg::LogFont chosen = old;
    chosen.height = -20;
    ListFont::Write(chosen);
    Reload();
    EXPECT_FALSE(CRegistryKey::OpenAppSubkey(SettingsKey::Settings).ReadFont(SettingsKey::Font, &read));
    CRegistryKey::OpenAppSubkey(SettingsKey::Settings).WriteFont(SettingsKey::Font, old);
    ASSERT_TRUE(ListFont::Read(&read));
    EXPECT_EQ(read, chosen); // where both are, the new place wins
}

// Manual at load sets the break flag; the working folder is entered when it
// exists, and saved back.
TEST_F(ViewSettingsTest, TheEngineLoadsItsModeAndFolder)
{
    const QString before = QDir::currentPath();
    CViewSettings gone;
    gone.workingDir = QStringLiteral("/no/such/folder");
    gone.ApplyWorkingDir();
    EXPECT_EQ(QDir::currentPath(), before);

    const QString work = TestEnv::MakeTempDir("work"), later = TestEnv::MakeTempDir();
    CRegistryKey settings = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    settings.SetNumber("PlayerMode", 0);
    settings.SetText("WorkingDir", work);
    settings.Close();
    CPlaylist list;
    FakeClock clock;
    CPlayLog log(clock);
    RecordingUi ui;
    COnAirEngine engine({&list, &log, &ui, &Shell::System(), nullptr, nullptr, {}, {}});
    engine.LoadSettings();
    EXPECT_EQ(std::tuple(engine.Mode(), engine.BreakFlag(), QDir::currentPath()),
              std::tuple(PlayerMode::Manual, true, work));
    QDir::setCurrent(later);
    engine.SaveSettings();
    QDir::setCurrent(before);
    EXPECT_EQ(Loaded()["Settings\\WorkingDir"], later);
}

// `lirana --set` and `--get`: each encoding's words read, stored as the
// console stores it, and read back in the same words; a relative folder is
// taken against the current one. Words a setting does not take are refused
// with the reason.
TEST_F(ViewSettingsTest, SettingsInWordsRoundTripAndBadWordsAreRefused)
{
    const QString here = QDir::currentPath();
    // the setting, the words | what --get prints afterwards, the line stored (nullptr: not checked)
    const std::tuple<const char*, QString, QString, const char*> rows[] = {
        {"Overlap Time", "2500", "2500", "\"Overlap Time\"=dword:000009c4"},
        {"settings\\playermode", "random", "Random", "\"PlayerMode\"=dword:00000003"},
        {"Desktop control", "1", "read-only", "\"Desktop control\"=dword:00000001"},
        {"Enable Logging", "yes", "on", "\"Enable Logging\"=hex:01,00,00,00"},
        {"WatchDog\\Enable", "off", "off", "\"Enable\"=hex:00,00,00,00"},
        {"Fade Period", "2.5", "2.5", "\"Fade Period\"=hex:00,00,00,00,00,00,04,40"},
        {"Fade Period", "4", "4.0", "\"Fade Period\"=hex:00,00,00,00,00,00,10,40"},
        {"AudioSink", "pulsesink device=air", "pulsesink device=air",
         "\"AudioSink\"=\"pulsesink device=air\""},
        {"Logfile Dir", "logs/../air", here + "/air", nullptr},
        {"Logfile Dir", "$HOME/logs", "$HOME/logs", nullptr},
        {"VideoRect", "1,2,300,400", "1,2,300,400", nullptr},
    };
    for (const auto& [name, words, shown, stored] : rows) {
        const SettingInfo* e = SettingsSchema::FindByName(QString::fromLatin1(name));
        ASSERT_TRUE(e) << name;
        QString why;
        const auto v = SettingsSchema::FromWords(*e, words, &why);
        ASSERT_TRUE(v) << name << ": " << why.toStdString();
        SettingsSchema::Store(*e, *v);
        Reload();
        EXPECT_EQ(SettingsSchema::Words(*e, SettingsSchema::Read(*e)), shown) << name;
        EXPECT_TRUE(!stored || UserText().contains(stored)) << name << '\n' << UserText().toStdString();
    }
    const std::pair<const char*, const char*> refused[] = {
        {"Overlap Time", "30001"},   {"Overlap Time", "2.5"}, {"PlayerMode", "Loop"},
        {"PlayerMode", "6"},         {"Enable Logging", "2"}, {"Fade Period", "30.5"},
        {"Fade Period", "nan"},      {"Fade Period", "2,5"},  {"VideoRect", "1,2,3"},
        {"WatchDog\\Interval", "4"}, {"Font", "Sans"},        {"Recent File List\\FileN", "x"},
    };
    for (const auto& [name, words] : refused) {
        const SettingInfo* e = SettingsSchema::FindByName(QString::fromLatin1(name));
        ASSERT_TRUE(e) << name;
        QString why;
        EXPECT_FALSE(SettingsSchema::FromWords(*e, QString::fromLatin1(words), &why)) << name << '=' << words;
        EXPECT_TRUE(why.startsWith(e->PathName())) << why.toStdString();
    }
    EXPECT_FALSE(SettingsSchema::FindByName("No Such Setting"));
}

} // namespace
