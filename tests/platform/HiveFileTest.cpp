// SPDX-License-Identifier: GPL-3.0-or-later
// The REGEDIT4 reader and writer on their own, without files.
#include "platform/registry/HiveFile.h"

#include "support/UnitTest.h"

using reg::HiveKey;

namespace {

const QString kRoot = "HKEY_CURRENT_USER";

HiveKey Parse(const QByteArray& text, std::vector<reg::HiveProblem>* problems = nullptr)
{
    HiveKey root{kRoot, {}, {}};
    std::vector<reg::HiveProblem> found;
    EXPECT_TRUE(reg::ParseHive(text, kRoot, &root, &found, nullptr)) << text.toStdString();
    EXPECT_TRUE(problems || found.empty()) << text.toStdString();
    if (problems)
        *problems = found;
    return root;
}

} // namespace

// Line 5 is the line under test, between "before" and "after" of key K;
// "deep" lies in the next key. A Last line has no line end after it.
TEST(HiveFile, EachLineReadsAsItsValueOrCostsOnlyItself)
{
    const QByteArray head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"before\"=\"1\"\r\n";
    const QByteArray tail =
        "\n\"after\"=\"2\"\n; a comment\n[HKEY_CURRENT_USER\\K\\Sub]\n\"deep\"=dword:00000003\n";
    enum Where { Middle, Header, Last };
    const struct
    {
        QByteArray line;
        const char* problem; // nullptr: "a" reads as data
        Where where = Middle;
        QByteArray data = {};
        std::uint32_t type = 0; // 0: not checked
    } cases[] = {
        {"\"a\"=dword:zz", "bad dword"},
        {"\"a\"=dword:", "bad dword"},
        {"\"a\"=dword:123456789", "bad dword"},
        {"\"a\"=hex:01,zz", "bad hex byte 'zz'"},
        {"\"a\"=hex:01,", "bad hex byte ''"},
        {"\"a\"=hex:001", "bad hex byte"},
        {"\"a\"=hex(zz):01", "bad value type"},
        {"\"a\"=hex:01,\\\n  zz,00", "bad hex byte 'zz'"},
        {"\"a\"=hex:01,\\", "not hex data"}, // "after" is not swallowed
        {"\"a\"=\"unterminated", "unterminated string"},
        {"\"a\"=\"x\" trailing", "text after the closing quote"},
        // Oversized: the line, or a value continued over more text, is left out
        // without reading it (a 50 MB value took 25 s to read).
        {"\"a\"=\"" + QByteArray(70000, 'x') + '"', "line longer than 64 KiB"},
        {"\"a\"=hex:" + QByteArray("01,\\\n  ").repeated(25000) + "00", "hex data longer than 64 KiB"},
        {"\"a\"=\"bad \\n escape\"", "bad escape"},
        {"\"a\"=-", "unknown value data"},
        {"a=\"x\"", "expected a key header or a value"},
        {"\"a\"", "'=' missing"},
        {"\"a\"=\"\xff\xfe\"", "not UTF-8"},
        {QByteArray("\"a\"=\"x\0y\"", 9), "zero byte"},
        {"[HKEY_CURRENT_USER\\Bad", "without closing ']'", Header},
        {"[HKEY_CURRENT_USER\\\\Bad]", "empty key name", Header},
        {"[HKEY_LOCAL_MACHINE\\Bad]", "key outside HKEY_CURRENT_USER", Header},
        {"[HKEY_CURRENT_USER\\K" + QByteArray("\\k").repeated(64) + ']', "nested deeper than 64 levels",
         Header},
        {"[HKEY_CURRENT_USER\\K" + QByteArray("\\k").repeated(31999) + ']', "deeper than 64",
         Header}, // 64 KB
        {"\"a\"=\"x", "unterminated string", Last},
        {"\"a\"=dword:0000000", "cut short", Last},
        {"\"a\"=hex:01,0", "cut short", Last},
        {"\"a\"=hex:01,\\", "past the end", Last},
        {"\"a\"=\"C:\\\\dir \\\"q\\\"\"", nullptr, Middle, QByteArray("C:\\dir \"q\"", 11), 1},
        {"\"a\"=dword:0000000f", nullptr, Middle, QByteArray("\x0f\0\0\0", 4), 4},
        {"\"a\"=DWORD:0000000F", nullptr, Middle, QByteArray("\x0f\0\0\0", 4)},
        {"\"a\"=dword:f", nullptr, Middle, QByteArray("\x0f\0\0\0", 4)},
        {"\"a\"=hex:", nullptr, Middle, QByteArray(), 3},
        {"\"a\"=HEX:1,0,0,0", nullptr, Middle, QByteArray("\x01\0\0\0", 4), 3},
        {"\"a\"=Hex(7):41,0,0", nullptr, Middle, QByteArray("A\0\0", 3), 7},
        {"\"a\"=hex(b):01,02,03,04,05,06,07,08", nullptr, Middle, QByteArray("\1\2\3\4\5\6\7\x08", 8), 11},
        {"\"a\"=hex:01,\\\n  00", nullptr, Middle, QByteArray("\x01\0", 2)},
        {"\"a\"=dword:0000000f", nullptr, Last, QByteArray("\x0f\0\0\0", 4)},
        {"\"a\"=hex:01,\\\r\n  02", nullptr, Last, QByteArray("\x01\x02", 2)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        std::vector<reg::HiveProblem> problems;
        const HiveKey root = Parse(head + c.line + (c.where == Last ? "" : tail), &problems);
        const HiveKey* k = root.Find({"K"});
        EXPECT_NE(k->FindValue("before"), nullptr);
        if (c.where != Last) {
            EXPECT_EQ(k->FindValue("after") == nullptr, c.where == Header)
                << "the values below a bad key header are lost, never put into the key above";
            EXPECT_NE(root.Find({"K", "Sub"})->FindValue("deep"), nullptr);
        }
        const reg::HiveValue* a = k->FindValue("a");
        ASSERT_EQ(problems.size(), c.problem ? 1u : 0u);
        if (!c.problem) {
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->data, c.data);
            EXPECT_TRUE(c.type == 0 || a->type == c.type) << a->type;
            continue;
        }
        EXPECT_EQ(a, nullptr) << "left out, so that it reads as its default";
        EXPECT_EQ(problems[0].line, 5);
        EXPECT_EQ(problems[0].valuesLost, c.where == Header ? 1 : 0);
        EXPECT_TRUE(problems[0].why.contains(QLatin1String(c.problem))) << problems[0].why.toStdString();
    }
}

TEST(HiveFile, TextThatIsNoHiveAtAllIsRejectedWhole)
{
    const std::pair<QByteArray, const char*> cases[] = {
        {"", "line 1: empty file"},
        {"REGEDIT5\n", "line 1: missing REGEDIT4 header"},
        {"\n[HKEY_CURRENT_USER\\K]\n", "line 2: missing REGEDIT4 header"},
        {QByteArray("R\0E\0G\0E\0D\0I\0T\0004\0\n\0", 18), "line 1"} // UTF-16 without its byte order mark
    };
    for (const auto& [text, reason] : cases) {
        HiveKey root{kRoot, {}, {}};
        root.SetValue("Untouched", 1, "x");
        QString error;
        EXPECT_FALSE(reg::ParseHive(text, kRoot, &root, nullptr, &error));
        EXPECT_TRUE(error.contains(QLatin1String(reason))) << error.toStdString();
        EXPECT_NE(root.FindValue("Untouched"), nullptr) << "a rejected file must not change the tree";
    }
}

TEST(HiveFile, WritesRegistryExportLinesAndReadsThemBack)
{
    HiveKey root{kRoot, {}, {}};
    HiveKey& k = root.Make({"Software", "Lirana"});
    k.SetValue("Dir", 1, QByteArray("C:\\x \"q\"", 9));
    k.SetValue("Lines", 1, QByteArray("a\nb", 4));
    k.SetValue("NoZero", 1, QByteArray("ab"));
    k.SetValue("Mark", 1, QByteArray("\xEF\xBB\xBFx", 5)); // a leading U+FEFF is text
    k.SetValue("Long", 3, QByteArray(100, '\xab'));
    k.SetValue("Odd", 4, QByteArray("\x01\x02", 2));
    k.SetValue(QString(), 1, QByteArray("d", 2));
    k.Make(QStringList(62, "k")).SetValue("deep", 1, "x"); // 63 and 64 levels below the root
    const QByteArray text = reg::WriteHive(root);
    EXPECT_TRUE(text.startsWith("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Lirana]\n\"Dir\"=\"C:\\\\x \\\"q\\\"\"\n"));
    for (const char* line : {"\n\"Lines\"=hex(1):61,0a,62,00\n", "\n\"Odd\"=hex(4):01,02\n", "\n@=\"d\"\n\n"})
        EXPECT_TRUE(text.contains(line)) << line;
    EXPECT_TRUE(text.endsWith("\n\n"));
    for (const QByteArray& line : text.split('\n'))
        EXPECT_TRUE(line.size() <= 80 || line.startsWith('[')) << line.toStdString();

    const HiveKey back = Parse(text);
    EXPECT_NE(back.Find(QStringList{"Software", "Lirana"} + QStringList(62, "k"))->FindValue("deep"),
              nullptr);
    const auto fields = [](const HiveKey* key) {
        std::vector<std::tuple<QString, std::uint32_t, QByteArray>> out;
        for (const reg::HiveValue& v : key ? key->values : std::vector<reg::HiveValue>())
            out.emplace_back(v.name, v.type, v.data);
        return out;
    };
    EXPECT_EQ(fields(back.Find({"Software", "Lirana"})), fields(&k));
    k.RemoveValue("Dir"); // the values behind it move up
    EXPECT_EQ(k.FindValue("lines")->name, "Lines");
}
