// CRegistryKey: value encodings and their reading rules, through the real
// user hive file (every round trip writes, forgets the store, reads back).
#include "HiveTestSupport.h"

#include <climits>
#include <cmath>

using reg::ValueType;

namespace {

CRegistryKey Settings()
{
    return CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"));
}

void Put(const QString& name, ValueType type, const QByteArray& data)
{
    CRegistryKey key = Settings();
    key.SetRaw(name, type, data);
}

} // namespace

class RegistryKeyTest : public HiveTest
{
};

TEST_F(RegistryKeyTest, EveryEncodingSurvivesTheFile)
{
    const QString unicode = QStringLiteral("Ünïcødé \"quoted\" C:\\dir ✓ \U0001F3B5");
    const QByteArray stream = QByteArray::fromHex("00ff7f80") + QByteArray(300, '\x5a');
    const reg::Placement placement{4294967295u, 3, -1, -2, INT_MIN, INT_MAX, {10, 20, 810, 620}};
    reg::LogFont font;
    font.height = -13;
    font.weight = 700;
    font.italic = 1;
    font.charSet = 238;
    font.pitchAndFamily = 0x22;
    font.faceName = QStringLiteral("DejaVu Sans");
    {
        CRegistryKey key = Settings();
        key.SetNumber(QStringLiteral("Min"), INT_MIN);
        key.SetNumber(QStringLiteral("Neg"), -1);
        key.SetFlag(QStringLiteral("On"), true);
        key.SetFlag(QStringLiteral("Off"), false);
        key.SetReal(QStringLiteral("Fade"), 4.0);
        key.SetReal(QStringLiteral("Tiny"), -1e-300);
        key.SetText(QStringLiteral("Text"), unicode);
        key.SetText(QStringLiteral("Empty"), QString());
        key.SetText(QStringLiteral("Lines"), QStringLiteral("one\ntwo"));
        key.SetBinary(QStringLiteral("Stream"), stream);
        key.SetRaw(QStringLiteral("Multi"), ValueType::MultiSz, QByteArray("a\0b\0\0", 5));
        key.SetRaw(QString(), ValueType::Sz, QByteArray("default", 8));
        key.WriteRect(QStringLiteral("Rect"), {-5, 0, 150, 200});
        key.WritePlacement(QStringLiteral("Pos"), placement);
        key.WriteFont(QStringLiteral("Font"), font);
    }
    Reload();
    const CRegistryKey key = Settings();
    EXPECT_EQ(key.GetNumber(QStringLiteral("Min"), 0), INT_MIN);
    EXPECT_EQ(key.GetNumber(QStringLiteral("neg"), 0), -1);
    EXPECT_TRUE(key.GetFlag(QStringLiteral("On"), false));
    EXPECT_FALSE(key.GetFlag(QStringLiteral("Off"), true));
    EXPECT_EQ(key.GetReal(QStringLiteral("Fade"), 0), 4.0);
    EXPECT_EQ(key.GetReal(QStringLiteral("Tiny"), 0), -1e-300);
    EXPECT_EQ(key.GetText(QStringLiteral("Text"), QString()), unicode);
    EXPECT_EQ(key.GetText(QStringLiteral("Empty"), QStringLiteral("def")), QString());
    EXPECT_EQ(key.GetText(QStringLiteral("Lines"), QString()), QStringLiteral("one\ntwo"));
    EXPECT_EQ(key.GetBinary(QStringLiteral("Stream")), stream);
    ValueType type{};
    QByteArray data;
    ASSERT_TRUE(key.GetRaw(QStringLiteral("Multi"), &type, &data));
    EXPECT_EQ(type, ValueType::MultiSz);
    EXPECT_EQ(data, QByteArray("a\0b\0\0", 5));
    EXPECT_EQ(key.GetText(QString(), QString()), QStringLiteral("default"));
    reg::Rect rect;
    ASSERT_TRUE(key.ReadRect(QStringLiteral("Rect"), &rect));
    EXPECT_EQ(rect, (reg::Rect{-5, 0, 150, 200}));
    reg::Placement p;
    ASSERT_TRUE(key.ReadPlacement(QStringLiteral("Pos"), &p));
    EXPECT_EQ(p, placement);
    reg::LogFont f;
    ASSERT_TRUE(key.ReadFont(QStringLiteral("Font"), &f));
    EXPECT_EQ(f, font);
    EXPECT_EQ(key.ValueCount(), 14);
}

TEST_F(RegistryKeyTest, ValuesOfTheWrongTypeGiveTheDefault)
{
    Put(QStringLiteral("FlagAsDword"), ValueType::Dword, QByteArray("\x01\0\0\0", 4));
    Put(QStringLiteral("FlagShort"), ValueType::Binary, QByteArray("\x01", 1));
    Put(QStringLiteral("NumberAsBinary"), ValueType::Binary, QByteArray("\x2a\0\0\0", 4));
    Put(QStringLiteral("NumberAsText"), ValueType::Sz, QByteArray("abc\0", 4));
    Put(QStringLiteral("NumberLong"), ValueType::Binary, QByteArray(8, '\x01'));
    Put(QStringLiteral("RealShort"), ValueType::Binary, QByteArray(4, '\x01'));
    Put(QStringLiteral("RealAsQword"), ValueType(11), QByteArray(8, '\x01'));
    Put(QStringLiteral("TextAsDword"), ValueType::Dword, QByteArray("\x41\0\0\0", 4));
    Put(QStringLiteral("BinaryAsText"), ValueType::Sz, QByteArray("x\0", 2));
    Reload();
    const CRegistryKey key = Settings();
    EXPECT_FALSE(key.GetFlag(QStringLiteral("FlagAsDword"), false));
    EXPECT_TRUE(key.GetFlag(QStringLiteral("FlagAsDword"), true));
    EXPECT_FALSE(key.GetFlag(QStringLiteral("FlagShort"), false));
    EXPECT_EQ(key.GetNumber(QStringLiteral("NumberAsBinary"), 7), 42);
    EXPECT_EQ(key.GetNumber(QStringLiteral("NumberAsText"), 7), 0x00636261);
    EXPECT_EQ(key.GetNumber(QStringLiteral("NumberLong"), 7), 7);
    EXPECT_EQ(key.GetNumber(QStringLiteral("Missing"), 7), 7);
    EXPECT_EQ(key.GetReal(QStringLiteral("RealShort"), 2.5), 2.5);
    EXPECT_EQ(key.GetReal(QStringLiteral("RealAsQword"), 2.5), 2.5);
    EXPECT_EQ(key.GetText(QStringLiteral("TextAsDword"), QStringLiteral("def")), QStringLiteral("def"));
    EXPECT_TRUE(key.GetBinary(QStringLiteral("BinaryAsText")).isEmpty());
}

TEST_F(RegistryKeyTest, TextIsCutAt255CharactersOnRead)
{
    {
        CRegistryKey key = Settings();
        key.SetText(QStringLiteral("Long"), QString(300, u'x'));
        key.SetText(QStringLiteral("Exact"), QString(255, u'y'));
        key.SetText(QStringLiteral("Pairs"), QString(254, u'z') + QStringLiteral("\U0001F3B5"));
    }
    Reload();
    const CRegistryKey key = Settings();
    EXPECT_EQ(key.GetText(QStringLiteral("Long"), QString()), QString(255, u'x'));
    EXPECT_EQ(key.GetText(QStringLiteral("Exact"), QString()), QString(255, u'y'));
    EXPECT_EQ(key.GetText(QStringLiteral("Pairs"), QString()), QString(254, u'z')) << "no half surrogate pair";
    QByteArray raw;
    ASSERT_TRUE(key.GetRaw(QStringLiteral("Long"), nullptr, &raw));
    EXPECT_EQ(raw.size(), 301) << "the stored text is kept whole";
}

TEST_F(RegistryKeyTest, RectanglesAndPlacementsNeedEveryNumber)
{
    Put(QStringLiteral("Three"), ValueType::Sz, QByteArray("1,2,3\0", 6));
    Put(QStringLiteral("Letters"), ValueType::Sz, QByteArray("1,2,x,4\0", 8));
    Put(QStringLiteral("Spaced"), ValueType::Sz, QByteArray(" 1, 2,-3,+4 tail\0", 17));
    Put(QStringLiteral("Overflow"), ValueType::Sz, QByteArray("1,2,3,2147483648\0", 17));
    Put(QStringLiteral("AsDword"), ValueType::Dword, QByteArray(4, '\x01'));
    Put(QStringLiteral("Nine"), ValueType::Sz, QByteArray("0,1,2,3,4,5,6,7,8\0", 18));
    Put(QStringLiteral("Wrapped"), ValueType::Sz, QByteArray("-1,1,2,3,4,5,6,7,8,9\0", 21));
    Reload();
    const CRegistryKey key = Settings();
    const reg::Rect before{0, 0, 150, 200};
    for (const char* name : {"Three", "Letters", "Overflow", "AsDword", "Missing"}) {
        reg::Rect rect = before;
        EXPECT_FALSE(key.ReadRect(QString::fromLatin1(name), &rect)) << name;
        EXPECT_EQ(rect, before) << name;
    }
    reg::Rect rect = before;
    EXPECT_TRUE(key.ReadRect(QStringLiteral("Spaced"), &rect));
    EXPECT_EQ(rect, (reg::Rect{1, 2, -3, 4}));

    reg::Placement p;
    p.showCmd = 9;
    EXPECT_FALSE(key.ReadPlacement(QStringLiteral("Nine"), &p));
    EXPECT_EQ(p.showCmd, 9u);
    ASSERT_TRUE(key.ReadPlacement(QStringLiteral("Wrapped"), &p));
    EXPECT_EQ(p.flags, 4294967295u);
    EXPECT_EQ(p.normal, (reg::Rect{6, 7, 8, 9}));
}

TEST_F(RegistryKeyTest, FontNeedsLogFontAndDefaultsTheFaceName)
{
    {
        CRegistryKey font = CRegistryKey::OpenAppSubkey(QStringLiteral("Font"));
        font.SetBinary(QStringLiteral("LogFont"), QByteArray(28, '\x02'));
        CRegistryKey shortFont = CRegistryKey::OpenAppSubkey(QStringLiteral("Short"));
        shortFont.SetBinary(QStringLiteral("LogFont"), QByteArray(27, '\x02'));
        shortFont.SetText(QStringLiteral("FaceName"), QStringLiteral("Mono"));
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        reg::LogFont longName;
        longName.faceName = QString(40, u'f');
        app.WriteFont(QStringLiteral("Long"), longName);
    }
    Reload();
    const CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    reg::LogFont f;
    ASSERT_TRUE(app.ReadFont(QStringLiteral("font"), &f));
    EXPECT_EQ(f.height, 0x02020202);
    EXPECT_EQ(f.pitchAndFamily, 2);
    EXPECT_EQ(f.faceName, QStringLiteral("Arial"));

    reg::LogFont untouched;
    untouched.faceName = QStringLiteral("Keep");
    EXPECT_FALSE(app.ReadFont(QStringLiteral("Short"), &untouched));
    EXPECT_FALSE(app.ReadFont(QStringLiteral("Missing"), &untouched));
    EXPECT_EQ(untouched.faceName, QStringLiteral("Keep"));

    ASSERT_TRUE(app.ReadFont(QStringLiteral("Long"), &f));
    EXPECT_EQ(f.faceName, QString(31, u'f'));
}

TEST_F(RegistryKeyTest, NamesAreCaseInsensitiveAndTheFileKeepsTheFirstCase)
{
    {
        CRegistryKey key = CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"));
        key.SetText(QStringLiteral("MediaDir"), QStringLiteral("/a"));
    }
    {
        CRegistryKey key = CRegistryKey::OpenAppSubkey(QStringLiteral("SETTINGS"));
        EXPECT_EQ(key.Path(), QStringLiteral("Software\\Oxbelund\\Lirana\\Settings"));
        key.SetText(QStringLiteral("MEDIADIR"), QStringLiteral("/b"));
        EXPECT_EQ(key.ValueCount(), 1);
    }
    Reload();
    EXPECT_EQ(CRegistryKey::OpenAppSubkey(QStringLiteral("settings")).GetText(QStringLiteral("mediadir"), {}),
              QStringLiteral("/b"));
    const QStringList lines = UserLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]")));
    EXPECT_TRUE(lines.contains(QStringLiteral("\"MediaDir\"=\"/b\"")));
    EXPECT_EQ(UserText().toLower().count("mediadir"), 1);
}

TEST_F(RegistryKeyTest, TheFileReadsLikeARegistryExport)
{
    {
        CRegistryKey key = Settings();
        key.SetNumber(QStringLiteral("IntroLength"), 15);
        key.SetFlag(QStringLiteral("AutoPlay"), true);
        key.SetReal(QStringLiteral("Fade Period"), 4.0);
        key.SetText(QStringLiteral("WorkingDir"), QStringLiteral("/srv/air \"live\"\\"));
        key.WriteRect(QStringLiteral("MiniPlaylist Rect"), {0, 0, 150, 200});
    }
    const QStringList lines = UserLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("REGEDIT4"));
    EXPECT_EQ(lines[1], QString());
    const qsizetype at = lines.indexOf(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]"));
    ASSERT_GE(at, 0);
    const QStringList expected = {
        QStringLiteral("\"IntroLength\"=dword:0000000f"),
        QStringLiteral("\"AutoPlay\"=hex:01,00,00,00"),
        QStringLiteral("\"Fade Period\"=hex:00,00,00,00,00,00,10,40"),
        QStringLiteral("\"WorkingDir\"=\"/srv/air \\\"live\\\"\\\\\""),
        QStringLiteral("\"MiniPlaylist Rect\"=\"0,0,150,200\""),
        QString(),
    };
    EXPECT_EQ(lines.mid(at + 1, expected.size()), expected);
    EXPECT_TRUE(UserText().endsWith("\n"));
}

TEST_F(RegistryKeyTest, KeysExistAfterTheFirstSaveEvenWhenOnlyRead)
{
    EXPECT_FALSE(QFile::exists(UserFile()));
    {
        const CRegistryKey key = CRegistryKey::OpenAppSubkey(QStringLiteral("WatchDog"));
        EXPECT_TRUE(key.IsOpen());
        EXPECT_EQ(key.GetNumber(QStringLiteral("Interval"), 30), 30);
    }
    EXPECT_TRUE(UserLines().contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\WatchDog]")));
}

TEST_F(RegistryKeyTest, SubkeysAreListedInCreationOrderAndDeletedWithTheirContents)
{
    {
        CRegistryKey events = CRegistryKey::OpenAppSubkey(QStringLiteral("Events"));
        for (int i = 0; i < 3; ++i) {
            CRegistryKey event = CRegistryKey::Create(events, QStringLiteral("Event %1").arg(i));
            event.SetNumber(QStringLiteral("Index"), i);
            CRegistryKey::Create(event, QStringLiteral("Nested")).SetText(QStringLiteral("X"), QStringLiteral("y"));
        }
        CRegistryKey::Create(events, QStringLiteral("A\\B"));
        EXPECT_EQ(events.SubkeyCount(), 4);
        events.DeleteSubkey(QStringLiteral("EVENT 1"));
        events.DeleteSubkey(QStringLiteral("a\\b"));
        events.DeleteSubkey(QStringLiteral("No Such Key"));
    }
    Reload();
    const CRegistryKey events = CRegistryKey::OpenAppSubkey(QStringLiteral("Events"));
    ASSERT_EQ(events.SubkeyCount(), 3);
    EXPECT_EQ(events.SubkeyName(0), QStringLiteral("Event 0"));
    EXPECT_EQ(events.SubkeyName(1), QStringLiteral("Event 2"));
    EXPECT_EQ(events.SubkeyName(2), QStringLiteral("A"));
    EXPECT_EQ(events.SubkeyName(3), QString());
    EXPECT_EQ(events.SubkeyName(-1), QString());
    EXPECT_FALSE(UserText().contains("Event 1"));
    EXPECT_EQ(CRegistryKey::Create(events, QStringLiteral("Event 2")).GetNumber(QStringLiteral("Index"), -1), 2);
}

TEST_F(RegistryKeyTest, DeletedValuesStayDeletedAndClosedKeysDoNothing)
{
    {
        CRegistryKey key = Settings();
        key.SetNumber(QStringLiteral("A"), 1);
        key.SetNumber(QStringLiteral("B"), 2);
    }
    {
        CRegistryKey key = Settings();
        key.DeleteValue(QStringLiteral("a"));
        EXPECT_EQ(key.GetNumber(QStringLiteral("A"), -1), -1) << "a deletion is seen at once";
    }
    Reload();
    EXPECT_EQ(Settings().ValueCount(), 1);

    CRegistryKey closed;
    closed.SetNumber(QStringLiteral("X"), 1);
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(closed.GetNumber(QStringLiteral("X"), 5), 5);
    EXPECT_EQ(closed.SubkeyCount(), 0);
    EXPECT_FALSE(CRegistryKey::Create(closed, QStringLiteral("Sub")).IsOpen());
    CRegistryKey moved = Settings();
    CRegistryKey target = std::move(moved);
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(target.GetNumber(QStringLiteral("B"), 0), 2);
    target.Close();
    EXPECT_FALSE(target.IsOpen());
}
