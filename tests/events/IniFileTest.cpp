#include "platform/IniFile.h"

#include "EventsTestSupport.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    void SetUp() override { dir = TestEnv::MakeTempDir(QStringLiteral("ini")); }

    QString Write(const QByteArray& content)
    {
        return TestEnv::WriteFile(dir + QStringLiteral("/test.ini"), content);
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
    EXPECT_EQ(ini.Section(), QStringLiteral("Default"));
    ini.SetSection(QStringLiteral("SOUND 1"));
    EXPECT_EQ(ini.GetString(QStringLiteral("filename")), QStringLiteral("/a/b.wav"));
    EXPECT_EQ(ini.GetString(QStringLiteral("TITLE")), QStringLiteral("Jingle"));
    EXPECT_EQ(ini.GetString(QStringLiteral("Missing"), QStringLiteral("def")), QStringLiteral("def"));
    EXPECT_EQ(ini.Sections(), QStringList{QStringLiteral("Sound 1")});
    EXPECT_EQ(ini.Keys(), (QStringList{QStringLiteral("FileName"), QStringLiteral("Title")}));
    ini.SetSection(QStringLiteral("Sound 2"));
    EXPECT_EQ(ini.GetString(QStringLiteral("FileName"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(ini.CountKeys(), 0);
}

TEST_F(IniFileTest, EmptyValueIsNotTheDefaultAndFirstDuplicateWins)
{
    CIniFile ini(Write("[a]\nk=\nx=1\nX=2\n[A]\ny=3\n"));
    ini.SetSection(QStringLiteral("a"));
    EXPECT_EQ(ini.GetString(QStringLiteral("k"), QStringLiteral("def")), QString());
    EXPECT_EQ(ini.GetInt(QStringLiteral("x"), 0), 1);
    EXPECT_EQ(ini.CountKeys(), 2);
    EXPECT_FALSE(ini.HasKey(QStringLiteral("y"))); // the second [A] does not count
}

TEST_F(IniFileTest, NumbersAndFlags)
{
    CIniFile ini(Write("[n]\na=12abc\nb=abc\nc=-5\nd=0x1F\ne= 7 \nf=0\ng=4294967295\n"));
    ini.SetSection(QStringLiteral("n"));
    EXPECT_EQ(ini.GetInt(QStringLiteral("a"), 9), 12);
    EXPECT_EQ(ini.GetInt(QStringLiteral("b"), 9), 9);
    EXPECT_EQ(ini.GetInt(QStringLiteral("c"), 9), -5);
    EXPECT_EQ(ini.GetInt(QStringLiteral("d"), 9), 31);
    EXPECT_EQ(ini.GetInt(QStringLiteral("e"), 9), 7);
    EXPECT_EQ(ini.GetInt(QStringLiteral("g"), 9), -1);
    EXPECT_EQ(ini.GetInt(QStringLiteral("missing"), 9), 9);
    EXPECT_FALSE(ini.GetBool(QStringLiteral("f"), true));
    EXPECT_TRUE(ini.GetBool(QStringLiteral("c"), false));
    EXPECT_TRUE(ini.GetBool(QStringLiteral("missing"), true));
}

TEST_F(IniFileTest, LengthLimitCutsValues)
{
    const QByteArray longValue(3000, 'x');
    CIniFile ini(Write("[s]\nlong=" + longValue + "\n"));
    ini.SetSection(QStringLiteral("s"));
    EXPECT_EQ(ini.GetString(QStringLiteral("long")).size(), 1023);
    EXPECT_EQ(ini.GetString(QStringLiteral("long"), {}, 255).size(), 255);
    EXPECT_EQ(ini.GetString(QStringLiteral("long"), {}, -1).size(), 3000);
    EXPECT_EQ(ini.GetString(QStringLiteral("none"), QStringLiteral("abcdef"), 3), QStringLiteral("abc"));
}

TEST_F(IniFileTest, RewriteKeepsCommentsBlankLinesAndOtherKeysInPlace)
{
    const QString path = Write("; header comment\n\n[Events]\n; count of events\nCOUNT=3\nOther=x\n\n"
                               "[Event 0]\nFileName=/a.wav\n");
    {
        CIniFile ini(path);
        ini.SetSection(QStringLiteral("events"));
        ini.WriteInt(QStringLiteral("Count"), 7);       // in place, stored name kept
        ini.WriteString(QStringLiteral("New"), QStringLiteral("n")); // after the last key
        ini.SetSection(QStringLiteral("Added"));
        ini.WriteBool(QStringLiteral("Flag"), true);     // new section at the end
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
    ini.SetSection(QStringLiteral("S"));
    EXPECT_EQ(ini.GetInt(QStringLiteral("k"), 0), 1); // the BOM does not hide the first section
    ini.WriteString(QStringLiteral("k"), QStringLiteral("Grüße"));
    ini.Flush();
    EXPECT_EQ(Read(path), QByteArray("\xEF\xBB\xBF[s]\r\nname=caf\xE9 latin-1\r\nk=Gr\xC3\xBC\xC3\x9F" "e\r\n"));
    CIniFile again(path);
    again.SetSection(QStringLiteral("s"));
    EXPECT_EQ(again.GetString(QStringLiteral("k")), QStringLiteral("Grüße"));
}

TEST_F(IniFileTest, ValuesRoundTripExactly)
{
    const QString path = dir + QStringLiteral("/quotes.ini");
    const QStringList values{QStringLiteral("  padded  "), QStringLiteral("\"quoted\""),
                             QStringLiteral("'single'"), QStringLiteral("a=b;c"), QString(),
                             QStringLiteral("\"half")};
    {
        CIniFile ini(path);
        ini.SetSection(QStringLiteral("v"));
        for (int i = 0; i < values.size(); ++i)
            ini.WriteString(QStringLiteral("k%1").arg(i), values[i]);
    } // the destructor flushes
    CIniFile ini(path);
    ini.SetSection(QStringLiteral("v"));
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(ini.GetString(QStringLiteral("k%1").arg(i), QStringLiteral("?")), values[i]) << i;
}

TEST_F(IniFileTest, DeleteSectionTakesItsLinesOnly)
{
    const QString path = Write("[a]\nx=1\n[b]\n; about b\ny=2\n\n[c]\nz=3\n[B]\nw=4\n");
    CIniFile ini(path);
    ini.DeleteSection(QStringLiteral("b"));
    ini.SetSection(QStringLiteral("c"));
    ini.DeleteKey(QStringLiteral("Z"));
    ini.Flush();
    EXPECT_EQ(Read(path), QByteArray("[a]\nx=1\n[c]\n"));
}

TEST_F(IniFileTest, BadNamesAndValuesAreRefusedWithoutChange)
{
    const QString path = Write("[s]\nk=1\n");
    CIniFile ini(path);
    ini.SetSection(QStringLiteral("s"));
    EXPECT_THROW(ini.WriteString(QStringLiteral("a=b"), QStringLiteral("1")), CMessageException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("[x"), QStringLiteral("1")), CMessageException);
    EXPECT_THROW(ini.WriteString(QStringLiteral(" "), QStringLiteral("1")), CMessageException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("k"), QStringLiteral("two\nlines")), CMessageException);
    ini.SetSection(QStringLiteral("a]b"));
    EXPECT_THROW(ini.WriteString(QStringLiteral("k"), QStringLiteral("1")), CMessageException);
    EXPECT_FALSE(ini.IsDirty());
    EXPECT_EQ(Read(path), QByteArray("[s]\nk=1\n"));
}

TEST_F(IniFileTest, TruncateStartsEmptyAndReplacesTheFileAtFlush)
{
    const QString path = Write("[old]\nk=1\n");
    CIniFile ini(path, CIniFile::Truncate);
    EXPECT_TRUE(ini.Sections().isEmpty());
    EXPECT_EQ(Read(path), QByteArray("[old]\nk=1\n")); // nothing before Flush
    ini.SetSection(QStringLiteral("new"));
    ini.WriteInt(QStringLiteral("k"), 2);
    ini.Flush();
    EXPECT_EQ(Read(path), QByteArray("[new]\nk=2\n"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("test.ini")}); // no temporary left
}

TEST_F(IniFileTest, ReadAndWriteFailuresAreReported)
{
    // A folder where the file should be cannot be read.
    QDir(dir).mkdir(QStringLiteral("folder.ini"));
    EXPECT_THROW(CIniFile(dir + QStringLiteral("/folder.ini")), CWin32Exception);

    CIniFile ini(dir + QStringLiteral("/no/such/folder/x.ini"));
    ini.WriteInt(QStringLiteral("k"), 1);
    try {
        ini.Flush();
        FAIL() << "Flush into a missing folder succeeded";
    } catch (const CException& error) {
        EXPECT_TRUE(error.GetErrorMessage().contains(QStringLiteral("x.ini")));
    }
    EXPECT_TRUE(ini.IsDirty()); // the change is kept for another Flush
}

} // namespace
