// SPDX-License-Identifier: GPL-3.0-or-later
// CRegistryKey: value encodings and their reading rules, through the real
// user hive file (every round trip writes, forgets the store, reads back).
#include "support/UnitTest.h"

#include <climits>

using reg::ValueType;

namespace {

CRegistryKey Settings()
{
    return CRegistryKey::OpenAppSubkey("Settings");
}

// Each reader turns what it reads into text; "-" is a refused read that left
// its target untouched.
using Key = const CRegistryKey&;
using Reader = std::function<QString(Key, const QString&)>;
const Reader kFlag = [](Key k, const QString& n) {
    return QStringLiteral("%1%2").arg(k.GetFlag(n, false)).arg(k.GetFlag(n, true));
};
const Reader kNumber = [](Key k, const QString& n) { return QString::number(k.GetNumber(n, 7)); };
const Reader kReal = [](Key k, const QString& n) { return QString::number(k.GetReal(n, 2.5)); };
const Reader kText = [](Key k, const QString& n) { return k.GetText(n, "def"); };
const Reader kBinary = [](Key k, const QString& n) { return QString(k.GetBinary(n).toHex()); };
const Reader kRect = [](Key k, const QString& n) {
    const reg::Rect before{0, 0, 150, 200};
    reg::Rect r = before;
    if (!k.ReadRect(n, &r))
        return QString(r == before ? "-" : "changed");
    return QStringLiteral("%1,%2,%3,%4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
};
const Reader kPlacement = [](Key k, const QString& n) {
    reg::Placement p;
    p.showCmd = 9;
    if (!k.ReadPlacement(n, &p))
        return QString(p.showCmd == 9 ? "-" : "changed");
    return QStringLiteral("%1 %2,%3").arg(p.flags).arg(p.normal.left).arg(p.normal.bottom);
};

} // namespace

// Each test has its own user hive and machine layer folder.
class RegistryKeyTest : public ::testing::Test, protected TempHive
{};

TEST_F(RegistryKeyTest, StoredValuesReadByTheirRules)
{
    // the stored type (None: not stored) and data, the reader | what it reads
    const std::tuple<ValueType, QByteArray, const Reader&, QString> rows[] = {
        {ValueType::Dword, QByteArray("\x01\0\0\0", 4), kFlag, "01"},
        {ValueType::Binary, QByteArray("\x01", 1), kFlag, "01"},
        {ValueType::Binary, QByteArray("\x2a\0\0\0", 4), kNumber, "42"},
        {ValueType::Sz, QByteArray("abc\0", 4), kNumber, "6513249"},
        {ValueType::Binary, QByteArray(8, '\x01'), kNumber, "7"},
        {ValueType::None, {}, kNumber, "7"},
        {ValueType::Binary, QByteArray(4, '\x01'), kReal, "2.5"},
        {ValueType(11), QByteArray(8, '\x01'), kReal, "2.5"},
        {ValueType::Dword, QByteArray("\x41\0\0\0", 4), kText, "def"},
        {ValueType::Sz, QByteArray("x\0", 2), kBinary, ""},
        {ValueType::Sz, QByteArray(" 1, 2,-3,+4 tail\0", 17), kRect, "1,2,-3,4"},
        {ValueType::Sz, QByteArray("1,2,3\0", 6), kRect, "-"},
        {ValueType::Sz, QByteArray("1,2,x,4\0", 8), kRect, "-"},
        {ValueType::Sz, QByteArray("1 2,3,4\0", 8), kRect, "-"},
        {ValueType::Sz, QByteArray("1,2,3,2147483647\0", 17), kRect, "1,2,3,2147483647"},
        {ValueType::Sz, QByteArray("1,2,3,2147483648\0", 17), kRect, "-"},
        {ValueType::Dword, QByteArray(4, '\x01'), kRect, "-"},
        {ValueType::None, {}, kRect, "-"},
        {ValueType::Sz, QByteArray("-1,1,2,3,4,5,6,7,8,9\0", 21), kPlacement, "4294967295 6,9"},
        {ValueType::Sz, QByteArray("0,1,2,3,4,5,6,7,8\0", 18), kPlacement, "-"},
        {ValueType::Sz, QString(300, u'x').toUtf8() + '\0', kText, QString(255, u'x')}, // cut on read
        {ValueType::Sz, QString(255, u'y').toUtf8() + '\0', kText, QString(255, u'y')},
        {ValueType::Sz, (QString(254, u'z') + "\U0001F3B5").toUtf8() + '\0', kText, QString(254, u'z')}};
    for (int i = 0; const auto& [type, data, read, expected] : rows)
        if (const QString name = QString::number(++i); type != ValueType::None)
            Settings().SetRaw(name, type, data);
    Reload();
    const CRegistryKey key = Settings();
    for (int i = 0; const auto& [type, data, read, expected] : rows)
        EXPECT_EQ(read(key, QString::number(++i)), expected)
            << "row " << i << ": " << data.left(40).toStdString();
}

TEST_F(RegistryKeyTest, FontNeedsLogFontAndDefaultsTheFaceName)
{
    CRegistryKey::OpenAppSubkey("Font").SetBinary("LogFont", QByteArray(28, '\x02'));
    CRegistryKey::OpenAppSubkey("Short").SetBinary("LogFont", QByteArray(27, '\x02'));
    CRegistryKey::OpenAppSubkey("Short").SetText("FaceName", "Mono");
    reg::LogFont longName;
    longName.faceName = QString(40, u'f');
    CRegistryKey::OpenAppSubkey(QString()).WriteFont("Long", longName);
    Reload();
    const CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    reg::LogFont f;
    ASSERT_TRUE(app.ReadFont("font", &f));
    EXPECT_EQ(std::tuple(f.height, f.pitchAndFamily, f.faceName), std::tuple(0x02020202, 2, "Arial"));

    reg::LogFont untouched;
    untouched.faceName = "Keep";
    EXPECT_FALSE(app.ReadFont("Short", &untouched));
    EXPECT_FALSE(app.ReadFont("Missing", &untouched));
    EXPECT_EQ(untouched.faceName, "Keep");

    ASSERT_TRUE(app.ReadFont("Long", &f));
    EXPECT_EQ(f.faceName, QString(31, u'f'));
}

TEST_F(RegistryKeyTest, EveryEncodingSurvivesTheFileThatReadsLikeARegistryExport)
{
    EXPECT_FALSE(QFile::exists(UserFile()));
    EXPECT_EQ(CRegistryKey::OpenAppSubkey("WatchDog").GetNumber("Interval", 30), 30);
    EXPECT_TRUE(UserLines().contains("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\WatchDog]"))
        << "a key exists once opened";
    EXPECT_FALSE(CRegistryKey::OpenAppSubkey(QString("k\\").repeated(62)).IsOpen()) << "65: cannot be made";
    const QString unicode = "Ünïcødé \"quoted\" C:\\dir ✓ \U0001F3B5";
    const QByteArray stream = QByteArray::fromHex("00ff7f80") + QByteArray(300, '\x5a');
    const reg::Placement placement{4294967295u, 3, -1, -2, INT_MIN, INT_MAX, {10, 20, 810, 620}};
    {
        CRegistryKey key = Settings();
        key.SetNumber("IntroLength", 15);
        key.SetFlag("AutoPlay", true);
        key.SetReal("Fade Period", 4.0);
        key.SetText("WorkingDir", "/a");
        key.WriteRect("MiniPlaylist Rect", {0, 0, 150, 200});
        CRegistryKey all = CRegistryKey::OpenAppSubkey("Encodings");
        all.SetNumber("Min", INT_MIN);
        all.SetFlag("On", true);
        all.SetFlag("Off", false);
        all.SetReal("Tiny", -1e-300);
        all.SetText("Text", unicode);
        all.SetText("Empty", QString());
        all.SetBinary("Stream", stream);
        all.WritePlacement("Pos", placement);
    }
    {
        CRegistryKey key = CRegistryKey::OpenAppSubkey("SETTINGS");
        EXPECT_EQ(key.Path(), "Software\\Oxbelund\\Lirana\\Settings");
        key.SetText("WORKINGDIR", "/srv/air \"live\"\\");
        EXPECT_EQ(key.ValueCount(), 5);
    }
    const QStringList lines = UserLines();
    EXPECT_EQ(lines.mid(0, 2), QStringList({"REGEDIT4", QString()}));
    const qsizetype at = lines.indexOf("[HKEY_CURRENT_USER\\Software\\Oxbelund\\Lirana\\Settings]");
    ASSERT_GE(at, 0);
    const QStringList expected = {"\"IntroLength\"=dword:0000000f",
                                  "\"AutoPlay\"=hex:01,00,00,00",
                                  "\"Fade Period\"=hex:00,00,00,00,00,00,10,40",
                                  "\"WorkingDir\"=\"/srv/air \\\"live\\\"\\\\\"",
                                  "\"MiniPlaylist Rect\"=\"0,0,150,200\"",
                                  QString()};
    EXPECT_EQ(lines.mid(at + 1, expected.size()), expected);
    EXPECT_TRUE(UserText().endsWith("\n"));
    Reload();
    EXPECT_EQ(CRegistryKey::OpenAppSubkey("settings").GetText("workingdir", {}), "/srv/air \"live\"\\");
    const CRegistryKey key = CRegistryKey::OpenAppSubkey("encodings");
    reg::Placement p;
    EXPECT_EQ(
        (std::tuple{key.GetNumber("min", 0), kFlag(key, "On") + kFlag(key, "Off"), key.GetReal("Tiny", 0),
                    key.GetText("Text", QString()), key.GetText("Empty", "def"), key.GetBinary("Stream"),
                    key.ReadPlacement("Pos", &p), p, key.ValueCount()}),
        std::tuple(INT_MIN, QStringLiteral("1100"), -1e-300, unicode, QString(), stream, true, placement, 8));
}
