// CRegistryKey: value encodings and their reading rules, through the real
// user hive file (every round trip writes, forgets the store, reads back).
#include "platform/registry/RegistryKey.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using reg::ValueType;

namespace {

CRegistryKey Settings()
{
    return CRegistryKey::OpenAppSubkey("Settings");
}

void Put(const QString& name, ValueType type, const QByteArray& data)
{
    CRegistryKey key = Settings();
    key.SetRaw(name, type, data);
}

} // namespace

// Each test has its own user hive and machine layer folder.
class RegistryKeyTest : public ::testing::Test, protected TempHive
{
};

TEST_F(RegistryKeyTest, EveryEncodingSurvivesTheFile)
{
    const QString unicode = "Ünïcødé \"quoted\" C:\\dir ✓ \U0001F3B5";
    const QByteArray stream = QByteArray::fromHex("00ff7f80") + QByteArray(300, '\x5a');
    const reg::Placement placement{4294967295u, 3, -1, -2, INT_MIN, INT_MAX, {10, 20, 810, 620}};
    reg::LogFont font;
    font.height = -13;
    font.weight = 700;
    font.italic = 1;
    font.charSet = 238;
    font.pitchAndFamily = 0x22;
    font.faceName = "DejaVu Sans";
    {
        CRegistryKey key = Settings();
        key.SetNumber("Min", INT_MIN);
        key.SetNumber("Neg", -1);
        key.SetFlag("On", true);
        key.SetFlag("Off", false);
        key.SetReal("Fade", 4.0);
        key.SetReal("Tiny", -1e-300);
        key.SetText("Text", unicode);
        key.SetText("Empty", QString());
        key.SetText("Lines", "one\ntwo");
        key.SetBinary("Stream", stream);
        key.SetRaw("Multi", ValueType::MultiSz, QByteArray("a\0b\0\0", 5));
        key.SetRaw(QString(), ValueType::Sz, QByteArray("default", 8));
        key.WriteRect("Rect", {-5, 0, 150, 200});
        key.WritePlacement("Pos", placement);
        key.WriteFont("Font", font);
    }
    Reload();
    const CRegistryKey key = Settings();
    EXPECT_EQ(key.GetNumber("Min", 0), INT_MIN);
    EXPECT_EQ(key.GetNumber("neg", 0), -1);
    EXPECT_TRUE(key.GetFlag("On", false));
    EXPECT_FALSE(key.GetFlag("Off", true));
    EXPECT_EQ(key.GetReal("Fade", 0), 4.0);
    EXPECT_EQ(key.GetReal("Tiny", 0), -1e-300);
    EXPECT_EQ(key.GetText("Text", QString()), unicode);
    EXPECT_EQ(key.GetText("Empty", "def"), QString());
    EXPECT_EQ(key.GetText("Lines", QString()), "one\ntwo");
    EXPECT_EQ(key.GetBinary("Stream"), stream);
    ValueType type{};
    QByteArray data;
    ASSERT_TRUE(key.GetRaw("Multi", &type, &data));
    EXPECT_EQ(type, ValueType::MultiSz);
    EXPECT_EQ(data, QByteArray("a\0b\0\0", 5));
    EXPECT_EQ(key.GetText(QString(), QString()), "default");
    reg::Rect rect;
    ASSERT_TRUE(key.ReadRect("Rect", &rect));
    EXPECT_EQ(rect, (reg::Rect{-5, 0, 150, 200}));
    reg::Placement p;
    ASSERT_TRUE(key.ReadPlacement("Pos", &p));
    EXPECT_EQ(p, placement);
    reg::LogFont f;
    ASSERT_TRUE(key.ReadFont("Font", &f));
    EXPECT_EQ(f, font);
    EXPECT_EQ(key.ValueCount(), 14);
}

TEST_F(RegistryKeyTest, ValuesOfTheWrongTypeGiveTheDefault)
{
    Put("FlagAsDword", ValueType::Dword, QByteArray("\x01\0\0\0", 4));
    Put("FlagShort", ValueType::Binary, QByteArray("\x01", 1));
    Put("NumberAsBinary", ValueType::Binary, QByteArray("\x2a\0\0\0", 4));
    Put("NumberAsText", ValueType::Sz, QByteArray("abc\0", 4));
    Put("NumberLong", ValueType::Binary, QByteArray(8, '\x01'));
    Put("RealShort", ValueType::Binary, QByteArray(4, '\x01'));
    Put("RealAsQword", ValueType(11), QByteArray(8, '\x01'));
    Put("TextAsDword", ValueType::Dword, QByteArray("\x41\0\0\0", 4));
    Put("BinaryAsText", ValueType::Sz, QByteArray("x\0", 2));
    Reload();
    const CRegistryKey key = Settings();
    EXPECT_FALSE(key.GetFlag("FlagAsDword", false));
    EXPECT_TRUE(key.GetFlag("FlagAsDword", true));
    EXPECT_FALSE(key.GetFlag("FlagShort", false));
    EXPECT_EQ(key.GetNumber("NumberAsBinary", 7), 42);
    EXPECT_EQ(key.GetNumber("NumberAsText", 7), 0x00636261);
    EXPECT_EQ(key.GetNumber("NumberLong", 7), 7);
    EXPECT_EQ(key.GetNumber("Missing", 7), 7);
    EXPECT_EQ(key.GetReal("RealShort", 2.5), 2.5);
    EXPECT_EQ(key.GetReal("RealAsQword", 2.5), 2.5);
    EXPECT_EQ(key.GetText("TextAsDword", "def"), "def");
    EXPECT_TRUE(key.GetBinary("BinaryAsText").isEmpty());
}

TEST_F(RegistryKeyTest, TextIsCutAt255CharactersOnRead)
{
    {
        CRegistryKey key = Settings();
        key.SetText("Long", QString(300, u'x'));
        key.SetText("Exact", QString(255, u'y'));
        key.SetText("Pairs", QString(254, u'z') + "\U0001F3B5");
    }
    Reload();
    const CRegistryKey key = Settings();
    EXPECT_EQ(key.GetText("Long", QString()), QString(255, u'x'));
    EXPECT_EQ(key.GetText("Exact", QString()), QString(255, u'y'));
    EXPECT_EQ(key.GetText("Pairs", QString()), QString(254, u'z')) << "no half surrogate pair";
    QByteArray raw;
    ASSERT_TRUE(key.GetRaw("Long", nullptr, &raw));
    EXPECT_EQ(raw.size(), 301) << "the stored text is kept whole";
}

TEST_F(RegistryKeyTest, RectanglesAndPlacementsNeedEveryNumber)
{
    Put("Three", ValueType::Sz, QByteArray("1,2,3\0", 6));
    Put("Letters", ValueType::Sz, QByteArray("1,2,x,4\0", 8));
    Put("Spaced", ValueType::Sz, QByteArray(" 1, 2,-3,+4 tail\0", 17));
    Put("Overflow", ValueType::Sz, QByteArray("1,2,3,2147483648\0", 17));
    Put("AsDword", ValueType::Dword, QByteArray(4, '\x01'));
    Put("Nine", ValueType::Sz, QByteArray("0,1,2,3,4,5,6,7,8\0", 18));
    Put("Wrapped", ValueType::Sz, QByteArray("-1,1,2,3,4,5,6,7,8,9\0", 21));
    Reload();
    const CRegistryKey key = Settings();
    const reg::Rect before{0, 0, 150, 200};
    for (const char* name : {"Three", "Letters", "Overflow", "AsDword", "Missing"}) {
        reg::Rect rect = before;
        EXPECT_FALSE(key.ReadRect(QString::fromLatin1(name), &rect)) << name;
        EXPECT_EQ(rect, before) << name;
    }
    reg::Rect rect = before;
    EXPECT_TRUE(key.ReadRect("Spaced", &rect));
    EXPECT_EQ(rect, (reg::Rect{1, 2, -3, 4}));

    reg::Placement p;
    p.showCmd = 9;
    EXPECT_FALSE(key.ReadPlacement("Nine", &p));
    EXPECT_EQ(p.showCmd, 9u);
    ASSERT_TRUE(key.ReadPlacement("Wrapped", &p));
    EXPECT_EQ(p.flags, 4294967295u);
    EXPECT_EQ(p.normal, (reg::Rect{6, 7, 8, 9}));
}

TEST_F(RegistryKeyTest, FontNeedsLogFontAndDefaultsTheFaceName)
{
    {
        CRegistryKey font = CRegistryKey::OpenAppSubkey("Font");
        font.SetBinary("LogFont", QByteArray(28, '\x02'));
        CRegistryKey shortFont = CRegistryKey::OpenAppSubkey("Short");
        shortFont.SetBinary("LogFont", QByteArray(27, '\x02'));
        shortFont.SetText("FaceName", "Mono");
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        reg::LogFont longName;
        longName.faceName = QString(40, u'f');
        app.WriteFont("Long", longName);
    }
    Reload();
    const CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    reg::LogFont f;
    ASSERT_TRUE(app.ReadFont("font", &f));
    EXPECT_EQ(f.height, 0x02020202);
    EXPECT_EQ(f.pitchAndFamily, 2);
    EXPECT_EQ(f.faceName, "Arial");

    reg::LogFont untouched;
    untouched.faceName = "Keep";
    EXPECT_FALSE(app.ReadFont("Short", &untouched));
    EXPECT_FALSE(app.ReadFont("Missing", &untouched));
    EXPECT_EQ(untouched.faceName, "Keep");

    ASSERT_TRUE(app.ReadFont("Long", &f));
    EXPECT_EQ(f.faceName, QString(31, u'f'));
}

TEST_F(RegistryKeyTest, NamesAreCaseInsensitiveAndTheFileKeepsTheFirstCase)
{
    {
        CRegistryKey key = CRegistryKey::OpenAppSubkey("Settings");
        key.SetText("MediaDir", "/a");
    }
    {
        CRegistryKey key = CRegistryKey::OpenAppSubkey("SETTINGS");
        EXPECT_EQ(key.Path(), "Software\\Oxbelund\\Lirana\\Settings");
        key.SetText("MEDIADIR", "/b");
        EXPECT_EQ(key.ValueCount(), 1);
    }
    Reload();
    EXPECT_EQ(CRegistryKey::OpenAppSubkey("settings").GetText("mediadir", {}),
              "/b");
    const QStringList lines = UserLines();
    EXPECT_TRUE(lines.contains("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]"));
    EXPECT_TRUE(lines.contains("\"MediaDir\"=\"/b\""));
    EXPECT_EQ(UserText().toLower().count("mediadir"), 1);
}

TEST_F(RegistryKeyTest, TheFileReadsLikeARegistryExport)
{
    {
        CRegistryKey key = Settings();
        key.SetNumber("IntroLength", 15);
        key.SetFlag("AutoPlay", true);
        key.SetReal("Fade Period", 4.0);
        key.SetText("WorkingDir", "/srv/air \"live\"\\");
        key.WriteRect("MiniPlaylist Rect", {0, 0, 150, 200});
    }
    const QStringList lines = UserLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "REGEDIT4");
    EXPECT_EQ(lines[1], QString());
    const qsizetype at = lines.indexOf("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]");
    ASSERT_GE(at, 0);
    const QStringList expected = {
        "\"IntroLength\"=dword:0000000f",
        "\"AutoPlay\"=hex:01,00,00,00",
        "\"Fade Period\"=hex:00,00,00,00,00,00,10,40",
        "\"WorkingDir\"=\"/srv/air \\\"live\\\"\\\\\"",
        "\"MiniPlaylist Rect\"=\"0,0,150,200\"",
        QString(),
    };
    EXPECT_EQ(lines.mid(at + 1, expected.size()), expected);
    EXPECT_TRUE(UserText().endsWith("\n"));
}

TEST_F(RegistryKeyTest, KeysExistAfterTheFirstSaveEvenWhenOnlyRead)
{
    EXPECT_FALSE(QFile::exists(UserFile()));
    {
        const CRegistryKey key = CRegistryKey::OpenAppSubkey("WatchDog");
        EXPECT_TRUE(key.IsOpen());
        EXPECT_EQ(key.GetNumber("Interval", 30), 30);
    }
    EXPECT_TRUE(UserLines().contains("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\WatchDog]"));
}

TEST_F(RegistryKeyTest, SubkeysAreListedInCreationOrderAndDeletedWithTheirContents)
{
    {
        CRegistryKey events = CRegistryKey::OpenAppSubkey("Events");
        for (int i = 0; i < 3; ++i) {
            CRegistryKey event = CRegistryKey::Create(events, QStringLiteral("Event %1").arg(i));
            event.SetNumber("Index", i);
            CRegistryKey::Create(event, "Nested").SetText("X", "y");
        }
        CRegistryKey::Create(events, "A\\B");
        EXPECT_EQ(events.SubkeyCount(), 4);
        events.DeleteSubkey("EVENT 1");
        events.DeleteSubkey("a\\b");
        events.DeleteSubkey("No Such Key");
    }
    Reload();
    const CRegistryKey events = CRegistryKey::OpenAppSubkey("Events");
    ASSERT_EQ(events.SubkeyCount(), 3);
    EXPECT_EQ(events.SubkeyName(0), "Event 0");
    EXPECT_EQ(events.SubkeyName(1), "Event 2");
    EXPECT_EQ(events.SubkeyName(2), "A");
    EXPECT_EQ(events.SubkeyName(3), QString());
    EXPECT_EQ(events.SubkeyName(-1), QString());
    EXPECT_FALSE(UserText().contains("Event 1"));
    EXPECT_EQ(CRegistryKey::Create(events, "Event 2").GetNumber("Index", -1), 2);
}

TEST_F(RegistryKeyTest, DeletedValuesStayDeletedAndClosedKeysDoNothing)
{
    {
        CRegistryKey key = Settings();
        key.SetNumber("A", 1);
        key.SetNumber("B", 2);
    }
    {
        CRegistryKey key = Settings();
        key.DeleteValue("a");
        EXPECT_EQ(key.GetNumber("A", -1), -1) << "a deletion is seen at once";
    }
    Reload();
    EXPECT_EQ(Settings().ValueCount(), 1);

    CRegistryKey closed;
    closed.SetNumber("X", 1);
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(closed.GetNumber("X", 5), 5);
    EXPECT_EQ(closed.SubkeyCount(), 0);
    EXPECT_FALSE(CRegistryKey::Create(closed, "Sub").IsOpen());
    CRegistryKey moved = Settings();
    CRegistryKey target = std::move(moved);
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(target.GetNumber("B", 0), 2);
    target.Close();
    EXPECT_FALSE(target.IsOpen());
}
