// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"
#include "platform/Exception.h"
#include "support/UnitTest.h"

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QString Write(const QByteArray& content) { return TestEnv::WriteFile(dir + "/test.ini", content); }

    QString dir = TestEnv::MakeTempDir("ini");
};

TEST_F(IniFileTest, SectionsAndKeysAreFoundInAnyCaseAndTheFirstOfANameCounts)
{
    // text, section, key | GetString(key, "def")
    const std::tuple<QByteArray, const char*, const char*, const char*> rows[] = {
        {"[Sound 1]\nFileName=/a/b.wav\n", "SOUND 1", "filename", "/a/b.wav"},
        {"[s]\nk=1\n", "s", "missing", "def"},
        {"[s]\nk=1\n", "t", "k", "def"},
        {"[a]\nx=1\nX=2\n", "a", "x", "1"},
        {"[a]\nx=1\n[A]\ny=3\n", "a", "y", "def"},
        {"\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1"},
        {"; c\n[s]\n ;k=1\nk=2\n", "s", "k", "2"},
        {"k=1\n[Default]\nk=2\n", "Default", "k", "2"}};
    for (const auto& [text, section, key, value] : rows) {
        CIniFile ini(Write(text));
        ini.SetSection(QString::fromLatin1(section));
        EXPECT_EQ(ini.GetString(QString::fromLatin1(key), "def"), QString::fromLatin1(value))
            << text.toStdString();
    }
    CIniFile ini(Write("[Sound 1]\nFileName=/a/b.wav\nTitle = Jingle  \nfilename=2\n[Two]\n"));
    EXPECT_EQ(ini.Section(), "Default");
    EXPECT_EQ(ini.Sections(), (QStringList{"Sound 1", "Two"}));
    ini.SetSection("sound 1");
    EXPECT_EQ(ini.Keys(), (QStringList{"FileName", "Title"}));
}

TEST_F(IniFileTest, ValuesReadAsTextNumbersAndFlags)
{
    // the stored text | GetString, GetInt(key, 9)
    const std::tuple<QByteArray, const char*, int> rows[] = {
        {"12abc", "12abc", 12},  {"abc", "abc", 9},
        {"-5", "-5", -5},        {"0x1F", "0x1F", 31},
        {" 7 ", "7", 7},         {"4294967295", "4294967295", -1},
        {"0", "0", 0},           {"", "", 9},
        {"\"\"", "", 9},         {"''", "", 9},
        {"\"2\"", "2", 2},       {"'x y'", "x y", 9},
        {"\"half", "\"half", 9}, {"'mixed\"", "'mixed\"", 9},
        {"a=b;c", "a=b;c", 9}};
    for (const auto& [raw, text, number] : rows) {
        SCOPED_TRACE(raw.toStdString());
        CIniFile ini(Write("[s]\nk=" + raw + "\n"));
        ini.SetSection("s");
        EXPECT_EQ(ini.GetString("k", "def"), QString::fromLatin1(text));
        EXPECT_EQ(ini.GetInt("k", 9), number);
        EXPECT_EQ(ini.GetBool("k", true), number != 0);
    }
    CIniFile ini(Write("[s]\nlong=" + QByteArray(3000, 'x') + "\n"));
    ini.SetSection("s");
    EXPECT_EQ(ini.GetString("long").size(), 1023);
    EXPECT_EQ(ini.GetString("long", {}, 255).size(), 255);
    EXPECT_EQ(ini.GetString("long", {}, -1).size(), 3000);
    EXPECT_EQ(ini.GetString("none", "abcdef", 3), "abc");
    EXPECT_FALSE(ini.GetBool("none", false));
}

TEST_F(IniFileTest, WritesChangeOnlyTheirLinesAndKeepEveryOtherByte)
{
    // the file before, the change | the file after
    const std::tuple<QByteArray, std::function<void(CIniFile&)>, QByteArray> rows[] = {
        // A line too long to read is not read, and kept.
        {"[s]\nlong=" + QByteArray(CIniFile::kMaxLineBytes, 'x') + "\nj=1\n",
         [](CIniFile& ini) {
             ini.SetSection("s");
             EXPECT_EQ(ini.GetString("long", "?"), "?");
             ini.WriteInt("j", 2);
         },
         "[s]\nlong=" + QByteArray(CIniFile::kMaxLineBytes, 'x') + "\nj=2\n"},
        {"; header\n\n[Events]\n; count\nCOUNT=3\nOther=x\n\n[Event 0]\nFileName=/a.wav\n",
         [](CIniFile& ini) {
             ini.SetSection("events");
             ini.WriteInt("Count", 7);    // in place, stored name kept
             ini.WriteString("New", "n"); // after the last key
             ini.SetSection("event 0");   // a line later
             EXPECT_EQ(ini.GetString("FileName"), "/a.wav");
             ini.SetSection("Added");
             ini.WriteBool("Flag", true); // a new section at the end
         },
         "; header\n\n[Events]\n; count\nCOUNT=7\nOther=x\nNew=n\n\n[Event "
         "0]\nFileName=/a.wav\n\n[Added]\nFlag=1\n"},
        {"\xEF\xBB\xBF[s]\r\nname=caf\xE9 latin-1\r\nk=1\r\n",
         [](CIniFile& ini) {
             ini.SetSection("S");
             ini.WriteString("k", "Grüße");
         },
         "\xEF\xBB\xBF[s]\r\nname=caf\xE9 latin-1\r\nk=Gr\xC3\xBC\xC3\x9F"
         "e\r\n"},
        {"[a]\nx=1\n[b]\n; about b\ny=2\n\n[c]\nz=3\n[B]\nw=4\n",
         [](CIniFile& ini) {
             ini.DeleteSection("b");
             ini.SetSection("c");
             ini.DeleteKey("Z");
         },
         "[a]\nx=1\n[c]\n"},
        {"[s]\nk=1\n",
         [](CIniFile& ini) {
             for (const auto& [section, key, value] : {std::tuple{"s", "a=b", "1"},
                                                       {"s", "[x", "1"},
                                                       {"s", ";x", "1"},
                                                       {"s", " ", "1"},
                                                       {"s", "k", "two\nlines"},
                                                       {"a]b", "k", "1"}}) {
                 ini.SetSection(section);
                 EXPECT_THROW(ini.WriteString(key, value), CMessageException) << key << value;
             }
             EXPECT_FALSE(ini.IsDirty());
         },
         "[s]\nk=1\n"}};
    for (const auto& [before, change, after] : rows) {
        const QString path = Write(before);
        CIniFile ini(path);
        change(ini);
        ini.Flush();
        EXPECT_FALSE(ini.IsDirty());
        EXPECT_EQ(FileBytes(path), after);
    }
}

TEST_F(IniFileTest, ValuesRoundTripExactly)
{
    const QString path = dir + "/quotes.ini";
    const QStringList values{"  padded  ", "\"quoted\"", "'single'", "a=b;c", QString(), "\"half", "Grüße"};
    {
        CIniFile ini(path);
        ini.SetSection("v");
        for (int i = 0; i < values.size(); ++i)
            ini.WriteString(QStringLiteral("k%1").arg(i), values[i]);
    } // the destructor flushes
    CIniFile ini(path);
    ini.SetSection("v");
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(ini.GetString(QStringLiteral("k%1").arg(i), "?"), values[i]) << i;
}

TEST_F(IniFileTest, ReadAndWriteFailuresAreReported)
{
    QDir(dir).mkdir("folder.ini"); // a folder where the file should be cannot be read
    EXPECT_THROW(CIniFile(dir + "/folder.ini"), CWin32Exception);
    QFile huge(dir + "/huge.ini"); // too large to read (sparse)
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(CIniFile::kMaxFileBytes + 1));
    EXPECT_THROW(CIniFile(huge.fileName()), CWin32Exception);

    CIniFile ini(dir + "/no/such/folder/x.ini");
    ini.WriteInt("k", 1);
    const auto error = ThrownBy([&] { ini.Flush(); });
    ASSERT_TRUE(error) << "Flush into a missing folder succeeded";
    EXPECT_TRUE(error->GetErrorMessage().contains("x.ini"));
    EXPECT_TRUE(ini.IsDirty()); // the change is kept for another Flush
}

} // namespace
