#include "platform/IniFile.h"

#include "EventsTestSupport.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    void SetUp() override { dir = TestEnv::MakeTempDir("ini"); }

    QString Write(const QByteArray& content)
    {
        return TestEnv::WriteFile(dir + "/test.ini", content);
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QString dir;
};

TEST_F(IniFileTest, SectionsAndKeysAreFoundInAnyCase)
{
    CIniFile ini(Write("[Sound 1]\nFileName=/a/b.wav\nTitle = Jingle  \n"));
    EXPECT_EQ(ini.Section(), "Default");
    ini.SetSection("SOUND 1");
    EXPECT_EQ(ini.GetString("filename"), "/a/b.wav");
    EXPECT_EQ(ini.GetString("TITLE"), "Jingle");
    EXPECT_EQ(ini.GetString("Missing", "def"), "def");
    EXPECT_EQ(ini.Sections(), QStringList{"Sound 1"});
    EXPECT_EQ(ini.Keys(), (QStringList{"FileName", "Title"}));
    ini.SetSection("Sound 2");
    EXPECT_EQ(ini.GetString("FileName", "none"), "none");
    EXPECT_EQ(ini.CountKeys(), 0);
}

TEST_F(IniFileTest, EmptyValueIsNotTheDefaultAndFirstDuplicateWins)
{
    CIniFile ini(Write("[a]\nk=\nx=1\nX=2\n[A]\ny=3\n"));
    ini.SetSection("a");
    EXPECT_EQ(ini.GetString("k", "def"), QString());
    EXPECT_EQ(ini.GetInt("x", 0), 1);
    EXPECT_EQ(ini.CountKeys(), 2);
    EXPECT_FALSE(ini.HasKey("y")); // the second [A] does not count
}

TEST_F(IniFileTest, NumbersAndFlags)
{
    CIniFile ini(Write("[n]\na=12abc\nb=abc\nc=-5\nd=0x1F\ne= 7 \nf=0\ng=4294967295\n"));
    ini.SetSection("n");
    EXPECT_EQ(ini.GetInt("a", 9), 12);
    EXPECT_EQ(ini.GetInt("b", 9), 9);
    EXPECT_EQ(ini.GetInt("c", 9), -5);
    EXPECT_EQ(ini.GetInt("d", 9), 31);
    EXPECT_EQ(ini.GetInt("e", 9), 7);
    EXPECT_EQ(ini.GetInt("g", 9), -1);
    EXPECT_EQ(ini.GetInt("missing", 9), 9);
    EXPECT_FALSE(ini.GetBool("f", true));
    EXPECT_TRUE(ini.GetBool("c", false));
    EXPECT_TRUE(ini.GetBool("missing", true));
}

TEST_F(IniFileTest, LengthLimitCutsValues)
{
    const QByteArray longValue(3000, 'x');
    CIniFile ini(Write("[s]\nlong=" + longValue + "\n"));
    ini.SetSection("s");
    EXPECT_EQ(ini.GetString("long").size(), 1023);
    EXPECT_EQ(ini.GetString("long", {}, 255).size(), 255);
    EXPECT_EQ(ini.GetString("long", {}, -1).size(), 3000);
    EXPECT_EQ(ini.GetString("none", "abcdef", 3), "abc");
}

TEST_F(IniFileTest, RewriteKeepsCommentsBlankLinesAndOtherKeysInPlace)
{
    const QString path = Write("; header comment\n\n[Events]\n; count of events\nCOUNT=3\nOther=x\n\n"
                               "[Event 0]\nFileName=/a.wav\n");
    {
        CIniFile ini(path);
        ini.SetSection("events");
        ini.WriteInt("Count", 7);       // in place, stored name kept
        ini.WriteString("New", "n"); // after the last key
        ini.SetSection("Added");
        ini.WriteBool("Flag", true);     // new section at the end
        ini.Flush();
        EXPECT_FALSE(ini.IsDirty());
    }
    EXPECT_EQ(Read(path), QByteArray("; header comment\n\n[Events]\n; count of events\nCOUNT=7\nOther=x\n"
                                     "New=n\n\n[Event 0]\nFileName=/a.wav\n\n[Added]\nFlag=1\n"));
}

TEST_F(IniFileTest, UntouchedLinesKeepTheirBytesAndLineEnds)
{
    const QByteArray bad("[s]\r\nname=caf\xE9 latin-1\r\nk=1\r\n");
    const QString path = Write("\xEF\xBB\xBF" + bad);
    CIniFile ini(path);
    ini.SetSection("S");
    EXPECT_EQ(ini.GetInt("k", 0), 1); // the BOM does not hide the first section
    ini.WriteString("k", "Grüße");
    ini.Flush();
    EXPECT_EQ(Read(path), QByteArray("\xEF\xBB\xBF[s]\r\nname=caf\xE9 latin-1\r\nk=Gr\xC3\xBC\xC3\x9F" "e\r\n"));
    CIniFile again(path);
    again.SetSection("s");
    EXPECT_EQ(again.GetString("k"), "Grüße");
}

TEST_F(IniFileTest, ValuesRoundTripExactly)
{
    const QString path = dir + "/quotes.ini";
    const QStringList values{"  padded  ", "\"quoted\"",
                             "'single'", "a=b;c", QString(),
                             "\"half"};
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
    // Two quotes written by hand are an empty value, not two quotes.
    CIniFile byHand(Write("[v]\nempty=\"\"\nsingle=''\n"));
    byHand.SetSection("v");
    EXPECT_EQ(byHand.GetString("empty", "?"), QString());
    EXPECT_EQ(byHand.GetString("single", "?"), QString());
}

TEST_F(IniFileTest, DeleteSectionTakesItsLinesOnly)
{
    const QString path = Write("[a]\nx=1\n[b]\n; about b\ny=2\n\n[c]\nz=3\n[B]\nw=4\n");
    CIniFile ini(path);
    ini.DeleteSection("b");
    ini.SetSection("c");
    ini.DeleteKey("Z");
    ini.Flush();
    EXPECT_EQ(Read(path), QByteArray("[a]\nx=1\n[c]\n"));
}

TEST_F(IniFileTest, BadNamesAndValuesAreRefusedWithoutChange)
{
    const QString path = Write("[s]\nk=1\n");
    CIniFile ini(path);
    ini.SetSection("s");
    EXPECT_THROW(ini.WriteString("a=b", "1"), CMessageException);
    EXPECT_THROW(ini.WriteString("[x", "1"), CMessageException);
    EXPECT_THROW(ini.WriteString(" ", "1"), CMessageException);
    EXPECT_THROW(ini.WriteString("k", "two\nlines"), CMessageException);
    ini.SetSection("a]b");
    EXPECT_THROW(ini.WriteString("k", "1"), CMessageException);
    EXPECT_FALSE(ini.IsDirty());
    EXPECT_EQ(Read(path), QByteArray("[s]\nk=1\n"));
}

TEST_F(IniFileTest, TruncateStartsEmptyAndReplacesTheFileAtFlush)
{
    const QString path = Write("[old]\nk=1\n");
    CIniFile ini(path, CIniFile::Truncate);
    EXPECT_TRUE(ini.Sections().isEmpty());
    EXPECT_EQ(Read(path), QByteArray("[old]\nk=1\n")); // nothing before Flush
    ini.SetSection("new");
    ini.WriteInt("k", 2);
    ini.Flush();
    EXPECT_EQ(Read(path), QByteArray("[new]\nk=2\n"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{"test.ini"}); // no temporary left
}

TEST_F(IniFileTest, ReadAndWriteFailuresAreReported)
{
    // A folder where the file should be cannot be read.
    QDir(dir).mkdir("folder.ini");
    EXPECT_THROW(CIniFile(dir + "/folder.ini"), CWin32Exception);

    CIniFile ini(dir + "/no/such/folder/x.ini");
    ini.WriteInt("k", 1);
    try {
        ini.Flush();
        FAIL() << "Flush into a missing folder succeeded";
    } catch (const CException& error) {
        EXPECT_TRUE(error.GetErrorMessage().contains("x.ini"));
    }
    EXPECT_TRUE(ini.IsDirty()); // the change is kept for another Flush
}

} // namespace
