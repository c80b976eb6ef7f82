// SPDX-License-Identifier: GPL-3.0-or-later
// The display languages through the real machine hive and the German
// catalogue the build compiles: which languages the menu offers, what a
// stored code selects, and that the texts really switch.
#include "app/DisplayLanguages.h"
#include "AppTestSupport.h"
#include "platform/registry/HiveStore.h"

namespace {

// A command text every catalogue translates.
QString ExitPrompt()
{
    return QCoreApplication::translate("Commands", "Exit Lirana\nExit");
}

class DisplayLanguagesTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        qunsetenv("LIRANA_SHARE_DIR");
        HiveStore::ResetForTests();
    }

    // A share folder whose machine hive registers languages (the text after
    // the header), with the built German catalogue beside it.
    static void UseShare(const QByteArray& languages)
    {
        static const QString builtQm = DataPaths::ShareDir() + QStringLiteral("/translations/lirana_de.qm");
        const QString share = TestEnv::MakeTempDir("share");
        TestEnv::WriteFile(share + QStringLiteral("/machine.reg"), "REGEDIT4\n\n" + languages);
        QFile::copy(builtQm, share + QStringLiteral("/de.qm"));
        qputenv("LIRANA_SHARE_DIR", share.toLocal8Bit());
        HiveStore::ResetForTests();
    }
};

TEST_F(DisplayLanguagesTest, OnlyCompleteEntriesWithALoadableCatalogueAreOffered)
{
    UseShare("");
    CLanguageList none;
    EXPECT_EQ(none.MenuNames(), QStringList{"&English"});
    EXPECT_EQ(none.Current(), 0);

    UseShare("[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\Languages\\Erste]\n"
             "\"LCID\"=dword:00000407\n\"IsoCode\"=\"de\"\n\"ResourceFile\"=\"de.qm\"\n\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\Languages\\Zweite]\n"
             "\"LCID\"=dword:00000c07\n\"IsoCode\"=\"de\"\n\"Name\"=\"Deutsch (AT)\"\n"
             "\"ResourceFile\"=\"de.qm\"\n\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\Languages\\NoCatalogue]\n"
             "\"LCID\"=dword:0000040c\n\"IsoCode\"=\"fr\"\n\"ResourceFile\"=\"fr.qm\"\n\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\Languages\\NoLcid]\n"
             "\"IsoCode\"=\"it\"\n\"ResourceFile\"=\"de.qm\"\n\n"
             "[HKEY_LOCAL_MACHINE\\Software\\Oxbelund\\Lirana\\Languages\\NoCode]\n"
             "\"LCID\"=dword:00000410\n\"ResourceFile\"=\"de.qm\"\n");
    CLanguageList languages;
    // An entry without a name is called by its key; the broken ones are absent.
    EXPECT_EQ(languages.MenuNames(), QStringList({"&English", "&Erste", "&Deutsch (AT)"}));
    // Two entries with one code: the stored code restores the first, and
    // its catalogue is in force. (The shipped list and the menu: the frame's tests.)
    const QString english = ExitPrompt();
    languages.SelectByIsoCode("De");
    EXPECT_EQ(languages.Current(), 1);
    EXPECT_NE(ExitPrompt(), english) << "the German catalogue is not in force";
    // Stored, then read back: a code nobody registered does not replace it.
    CRegistryKey frame = CRegistryKey::OpenAppSubkey("MainFrame");
    languages.Save(frame, "LanguageCode");
    CLanguageList next;
    next.Load(frame, "LanguageCode");
    EXPECT_TRUE(next.SelectByIsoCode("xx"));
    EXPECT_EQ(std::pair(next.GetIsoCode(), next.Current()), std::pair(QStringLiteral("de"), 1));
    // A catalogue that cannot be loaded keeps the language in force.
    EXPECT_FALSE(languages.Select(7));
    EXPECT_EQ(languages.Current(), 1);
    languages.Select(0);
    next.Select(0);
    EXPECT_EQ(ExitPrompt(), english);
}

} // namespace
