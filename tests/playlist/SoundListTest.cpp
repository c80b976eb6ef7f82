// SPDX-License-Identifier: GPL-3.0-or-later
// The nine sound slots: their texts, and both stored forms with the "Count"
// rule (any count but 9 reads as nine unassigned slots).
#include "playlist/SoundList.h"
#include "platform/IniFile.h"
#include "support/UnitTest.h"

TEST(SoundListTest, TextsAndBothStoredForms)
{
    CSoundList sample;
    sample.SetSlot(0, "/srv/jingles/Station ID.mp3");
    sample.SetSlot(4, "/srv/Ünïcode, \"quoted\".wav");
    sample.SetSlot(8, "/srv/fx/" + QString(100, 'x') + ".ogg");
    sample.SetSlot(9, "/no/tenth/slot.wav");
    EXPECT_EQ((QStringList{sample.MenuText(0), sample.ToolTip(0), sample.PageText(0), sample.MenuText(1),
                           sample.ToolTip(1)}),
              (QStringList{"&Station ID\t1", "Station ID", "[1] Station ID", "Unassigned Sound",
                           "Unassigned Sound"}));
    EXPECT_EQ(std::pair(sample.ToolTip(8).size(), sample.Slots().size()),
              std::pair(qsizetype(79), qsizetype(CSoundList::kSlots)));

    TempHive hive;
    CIniFile ini(TestEnv::MakeTempDir("sounds") + "/Sounds.ini");
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    sample.SaveToRegistry(app);
    sample.SaveToProfile(ini);
    EXPECT_EQ(TempHive::UserLines().filter("Sound 2").size(), 1) << "an unassigned slot is written empty";
    for (const int count : {9, 8, 10, 0}) {
        SCOPED_TRACE(count);
        CRegistryKey::OpenAppSubkey("Sounds").SetNumber("Count", count);
        ini.SetSection("Sounds");
        ini.WriteInt("Count", count);
        ini.Flush();
        hive.Reload();
        CIniFile reread(ini.Path());
        CSoundList fromSettings, fromFile;
        fromSettings.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()));
        fromFile.LoadFromProfile(reread);
        const QStringList expected = count == 9 ? sample.Slots() : CSoundList().Slots();
        EXPECT_EQ(fromSettings.Slots(), expected);
        EXPECT_EQ(fromFile.Slots(), expected);
    }
}
