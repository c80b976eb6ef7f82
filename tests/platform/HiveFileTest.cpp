// The REGEDIT4 reader and writer on their own, without files.
#include "platform/registry/HiveFile.h"

#include <gtest/gtest.h>

using reg::HiveKey;

namespace {

const QString kRoot = QStringLiteral("HKEY_CURRENT_USER");

HiveKey Parse(const QByteArray& text)
{
    HiveKey root{kRoot, {}, {}};
    QString error;
    EXPECT_TRUE(reg::ParseHive(text, kRoot, &root, &error)) << error.toStdString();
    return root;
}

QString ParseError(const QByteArray& text)
{
    HiveKey root{kRoot, {}, {}};
    root.SetValue(QStringLiteral("Untouched"), 1, "x");
    QString error;
    EXPECT_FALSE(reg::ParseHive(text, kRoot, &root, &error)) << text.toStdString();
    EXPECT_NE(root.FindValue(QStringLiteral("Untouched")), nullptr) << "a rejected file must not change the tree";
    return error;
}

} // namespace

TEST(HiveFile, ReadsEveryValueFormOfARegistryExport)
{
    const HiveKey root = Parse(
        "REGEDIT4\r\n\r\n"
        "; a comment\r\n"
        "[HKEY_CURRENT_USER\\Software\\A]\r\n"
        "\"Text\"=\"C:\\\\dir \\\"q\\\"\"\r\n"
        "\"Count\"=dword:0000000f\r\n"
        "\"Short\"=dword:f\r\n"
        "\"Bin\"=hex:01,00,\\\r\n"
        "  00,00\r\n"
        "\"Empty\"=hex:\r\n"
        "\"Multi\"=hex(7):41,00,00,00\r\n"
        "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
        "@=\"default\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\A\\Sub]\r\n");
    const HiveKey* a = root.Find({QStringLiteral("software"), QStringLiteral("a")});
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->values.size(), 8u);
    EXPECT_EQ(a->FindValue(QStringLiteral("text"))->data, QByteArray("C:\\dir \"q\"", 11));
    EXPECT_EQ(a->FindValue(QStringLiteral("Count"))->data, QByteArray("\x0f\0\0\0", 4));
    EXPECT_EQ(a->FindValue(QStringLiteral("Short"))->data, QByteArray("\x0f\0\0\0", 4));
    EXPECT_EQ(a->FindValue(QStringLiteral("Bin"))->type, 3u);
    EXPECT_EQ(a->FindValue(QStringLiteral("Bin"))->data, QByteArray("\x01\0\0\0", 4));
    EXPECT_TRUE(a->FindValue(QStringLiteral("Empty"))->data.isEmpty());
    EXPECT_EQ(a->FindValue(QStringLiteral("Multi"))->type, 7u);
    EXPECT_EQ(a->FindValue(QStringLiteral("Qword"))->type, 11u);
    EXPECT_EQ(a->FindValue(QString())->data, QByteArray("default", 8));
    ASSERT_EQ(a->subkeys.size(), 1u);
    EXPECT_EQ(a->subkeys[0].name, QStringLiteral("Sub"));
}

TEST(HiveFile, RejectsMalformedTextWithTheLineNumber)
{
    const QByteArray head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n";
    const struct
    {
        QByteArray text;
        const char* reason;
    } cases[] = {
        {"", "line 1"},
        {"REGEDIT5\n", "line 1"},
        {"\n[HKEY_CURRENT_USER\\K]\n", "line 1"},
        {head + "\"a\"=\"x\"\n\"b\"=\"trunc", "line 5: file ends in the middle"},
        {head + "\"a\"=\"unterminated\n", "line 4: unterminated string"},
        {head + "\"a\"=hex:01,zz\n", "line 4: bad hex"},
        {head + "\"a\"=hex:01,\n", "line 4: bad hex"},
        {head + "\"a\"=hex:1,02\n", "line 4: bad hex"},
        {head + "\"a\"=dword:123456789\n", "line 4: bad dword"},
        {head + "\"a\"=dword:\n", "line 4: bad dword"},
        {head + "\"a\"=hex(zz):01\n", "line 4"},
        {head + "\"a\"=\"x\" trailing\n", "line 4"},
        {head + "\"a\"=\"bad \\n escape\"\n", "line 4"},
        {head + "\"a\"=hex:01,\\\n", "line 4"},
        {head + "a=\"x\"\n", "line 4"},
        {head + "\"a\"\n", "line 4"},
        {head + "[HKEY_CURRENT_USER\\K\n", "line 4"},
        {head + "[HKEY_CURRENT_USER\\\\K]\n", "line 4"},
        {head + "[HKEY_LOCAL_MACHINE\\K]\n", "line 4: key outside"},
        {"REGEDIT4\n\n\"a\"=\"x\"\n", "line 3: value outside a key"},
        {head + "\"a\"=\"\xff\xfe\"\n", "not UTF-8"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(ParseError(c.text).contains(QLatin1String(c.reason)))
            << c.text.toStdString() << " -> " << ParseError(c.text).toStdString();
}

TEST(HiveFile, NamesAreCaseInsensitiveAndKeepTheirFirstCase)
{
    const HiveKey root = Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\Soft]\n\"Name\"=\"1\"\n\"NAME\"=\"2\"\n"
                               "[hkey_current_user\\SOFT\\x]\n");
    ASSERT_EQ(root.subkeys.size(), 1u);
    EXPECT_EQ(root.subkeys[0].name, QStringLiteral("Soft"));
    ASSERT_EQ(root.subkeys[0].values.size(), 1u);
    EXPECT_EQ(root.subkeys[0].values[0].name, QStringLiteral("Name"));
    EXPECT_EQ(root.subkeys[0].values[0].data, QByteArray("2", 2));
    EXPECT_EQ(root.subkeys[0].subkeys[0].name, QStringLiteral("x"));
}

TEST(HiveFile, WritesRegistryExportLinesAndReadsThemBack)
{
    HiveKey root{kRoot, {}, {}};
    HiveKey& k = root.Make({QStringLiteral("Software"), QStringLiteral("Lirana")});
    k.SetValue(QStringLiteral("Dir"), 1, QByteArray("C:\\x \"q\"", 9));
    k.SetValue(QStringLiteral("Count"), 4, QByteArray("\x0f\0\0\0", 4));
    k.SetValue(QStringLiteral("Flag"), 3, QByteArray("\x01\0\0\0", 4));
    k.SetValue(QStringLiteral("Lines"), 1, QByteArray("a\nb", 4));
    k.SetValue(QStringLiteral("NoZero"), 1, QByteArray("ab"));
    k.SetValue(QStringLiteral("Long"), 3, QByteArray(100, '\xab'));
    k.SetValue(QStringLiteral("Odd"), 4, QByteArray("\x01\x02", 2));
    k.SetValue(QString(), 1, QByteArray("d", 2));
    const QByteArray text = reg::WriteHive(root);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "REGEDIT4");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "[HKEY_CURRENT_USER\\Software]");
    EXPECT_TRUE(text.contains("\n\n[HKEY_CURRENT_USER\\Software\\Lirana]\n\"Dir\"=\"C:\\\\x \\\"q\\\"\"\n"));
    EXPECT_TRUE(text.contains("\n\"Count\"=dword:0000000f\n"));
    EXPECT_TRUE(text.contains("\n\"Flag\"=hex:01,00,00,00\n"));
    EXPECT_TRUE(text.contains("\n\"Lines\"=hex(1):61,0a,62,00\n"));
    EXPECT_TRUE(text.contains("\n\"Odd\"=hex(4):01,02\n"));
    EXPECT_TRUE(text.contains("\n@=\"d\"\n"));
    EXPECT_TRUE(text.endsWith("\n\n"));
    for (const QByteArray& line : lines)
        EXPECT_LE(line.size(), 80) << line.toStdString();

    HiveKey back{kRoot, {}, {}};
    QString error;
    ASSERT_TRUE(reg::ParseHive(text, kRoot, &back, &error)) << error.toStdString();
    const HiveKey* b = back.Find({QStringLiteral("Software"), QStringLiteral("Lirana")});
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->values.size(), k.values.size());
    for (size_t i = 0; i < k.values.size(); ++i) {
        EXPECT_EQ(b->values[i].name, k.values[i].name);
        EXPECT_EQ(b->values[i].type, k.values[i].type);
        EXPECT_EQ(b->values[i].data, k.values[i].data) << k.values[i].name.toStdString();
    }
}

TEST(HiveFile, LaterLayersOverrideEarlierOnes)
{
    HiveKey base = Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\n\"b\"=\"1\"\n");
    base.MergeFrom(Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\k]\n\"B\"=\"2\"\n[HKEY_CURRENT_USER\\K\\New]\n"));
    const HiveKey* k = base.Find({QStringLiteral("K")});
    ASSERT_EQ(k->values.size(), 2u);
    EXPECT_EQ(k->FindValue(QStringLiteral("a"))->data, QByteArray("1", 2));
    EXPECT_EQ(k->FindValue(QStringLiteral("b"))->data, QByteArray("2", 2));
    EXPECT_EQ(k->values[1].name, QStringLiteral("b"));
    EXPECT_NE(k->FindSubkey(QStringLiteral("new")), nullptr);
}
