// SPDX-License-Identifier: GPL-3.0-or-later
// The Tools menu of the main window: the stored tools with their icons, then
// Edit...; a tool runs on the selected row's item; Edit Tool menu's Delete,
// OK and Cancel.
#include "FrameFixture.h"

#include "gui/dialogs/EditToolsDlg.h"

namespace {

class ToolsMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString dir = TestEnv::MakeTempDir("tools");
        QFile::setPermissions(TestEnv::WriteFile(program, "#!/bin/sh\n"), QFile::ReadOwner | QFile::ExeOwner);
        CToolList stored;
        const CTool tagger{program, "--file $(FilePath)", {}, CTool::Active, "Tagger", 0, {}, 0};
        const CTool missing{dir + "/gone", {}, {}, CTool::Active, "Missing", 0, {}, 0};
        stored.Replace({tagger, missing});
        CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
        stored.SaveToRegistry(app);
        t = std::make_unique<AppUnderTest>(WriteAlbum("tools.alb", {"/m/Song One.mp3", "/m/b.mp3"}));
        ASSERT_TRUE(t->app->Start());
    }
    QMenu* Tools() { return t->Frame().menuBar()->actions().at(6)->menu(); }

    TempHive hive;
    QString program = TestEnv::MakeTempDir("bin") + "/tagger";
    std::unique_ptr<AppUnderTest> t;
};

TEST_F(ToolsMenuTest, ListsTheToolsThenEditAndRunsThemOnTheSelectedRow)
{
    EXPECT_EQ(Tools()->title(), "&Tools");
    const QList<QAction*> items = Tools()->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(std::pair(items[0]->text(), items[1]->text()),
              std::pair(QStringLiteral("Tagger"), QStringLiteral("Missing")));
    EXPECT_TRUE(items[2]->isSeparator() && !items[0]->icon().isNull() && !items[1]->icon().isNull());
    EXPECT_EQ(std::pair(items[1], items[3]),
              std::pair(t->Action(CToolList::kFirstCommand + 1), t->Action(Cmd::EditTools)));

    const std::pair<int, QStringList> runs[] = {
        {0, {program, "--file", "/m/Song One.mp3"}},
        {-1, {program, "--file"}}, // no row: $(FilePath) is empty, so is its argument
    };
    for (const auto& [row, started] : runs) {
        t->app->Playlist().Select(row);
        t->Action(CToolList::kFirstCommand)->trigger();
        EXPECT_EQ(t->shell.started.value(0), started);
        t->shell.started.clear();
    }
    t->Action(CToolList::kFirstCommand + 1)->trigger();
    EXPECT_TRUE(t->shell.started.isEmpty() && t->ui.rec.LastMessage().startsWith("Lirana cannot find"))
        << qPrintable(t->ui.rec.LastMessage());
}

TEST_F(ToolsMenuTest, EditDeleteSelectsTheNextOkReplacesCancelKeeps)
{
    for (const bool ok : {false, true}) {
        OnNextModal<CEditToolsDlg>([ok](CEditToolsDlg& dialog) {
            QListWidget* list = dialog.List();
            list->setCurrentRow(0);
            dialog.Delete();
            ASSERT_EQ(list->selectedItems().size(), 1) << "the entry that moved into the place";
            EXPECT_EQ(list->selectedItems()[0]->text(), "Missing");
            dialog.Delete();
            EXPECT_TRUE(list->selectedItems().isEmpty()) << "nothing moved into the last place";
            if (ok)
                dialog.accept();
        }); // else cancelled
        t->Action(Cmd::EditTools)->trigger();
        EXPECT_EQ(t->app->Tools().Count(), ok ? 0 : 2);
        EXPECT_EQ(Tools()->actions().size(), ok ? 2 : 4) << "the menu is built again";
    }
}

} // namespace
