// Accelerators: single keys act while the playlist or the console has the
// focus and never while a text field does; chords keep working there only
// when the text field does not use them itself.
#include "FrameFakes.h"

#include "app/Commands.h"
#include "gui/frame/AcceleratorGuard.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/MainFrame.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class FrameKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearHive();
        frame = std::make_unique<CMainFrame>(context);
        auto* view = new QWidget;
        auto* layout = new QVBoxLayout(view);
        list = new QListWidget(view);
        list->addItems({QStringLiteral("one"), QStringLiteral("two")});
        edit = new QLineEdit(view);
        readOnly = new QPlainTextEdit(view);
        readOnly->setReadOnly(true);
        tree = new QTreeView(view);
        for (const char* folder : {"Adverts", "Music", "Promos"})
            folders.appendRow(new QStandardItem(QString::fromLatin1(folder)));
        tree->setModel(&folders);
        tree->setCurrentIndex(folders.index(0, 0));
        layout->addWidget(tree);
        layout->addWidget(list);
        layout->addWidget(edit);
        layout->addWidget(readOnly);
        for (int id : {int(Cmd::Play), int(Cmd::Stop), int(Cmd::NextTrack), int(Cmd::Undo),
                       int(Cmd::About), int(Cmd::EditClear), int(Cmd::SoundFirst),
                       int(Cmd::SoundFirst + 8), int(Cmd::FullPath)}) {
            target.states[id] = {true, false};
            target.handles << id;
        }
        frame->SetView(view, &target);
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        frame->Router().UpdateAll();
    }

    void Press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        w->setFocus();
        QTest::keyClick(w, static_cast<Qt::Key>(key), mods);
    }

    CAppContext context;
    RecordingTarget target;
    std::unique_ptr<CMainFrame> frame;
    QListWidget* list = nullptr;
    QLineEdit* edit = nullptr;
    QPlainTextEdit* readOnly = nullptr;
    QTreeView* tree = nullptr;
    QStandardItemModel folders;
};

TEST_F(FrameKeys, SingleKeysActOnThePlaylistAndTheConsole)
{
    Press(list, Qt::Key_P);
    Press(list, Qt::Key_S);
    Press(list, Qt::Key_N);
    Press(readOnly, Qt::Key_P);
    Press(list, Qt::Key_Delete);
    Press(list, Qt::Key_1);
    Press(list, Qt::Key_9, Qt::KeypadModifier);
    Press(list, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(target.ran, (QList<int>{Cmd::Play, Cmd::Stop, Cmd::NextTrack, Cmd::Play, Cmd::EditClear,
                                      Cmd::SoundFirst, Cmd::SoundFirst + 8, Cmd::Undo}));
}

TEST_F(FrameKeys, TextFieldsKeepTheirKeys)
{
    Press(edit, Qt::Key_P);
    Press(edit, Qt::Key_S);
    Press(edit, Qt::Key_F);
    Press(edit, Qt::Key_1);
    EXPECT_EQ(edit->text(), QStringLiteral("psf1"));
    Press(edit, Qt::Key_Home);
    Press(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), QStringLiteral("sf1"));
    Press(edit, Qt::Key_Z, Qt::ControlModifier); // the field's own undo
    EXPECT_TRUE(target.ran.isEmpty()) << target.ran.size() << " commands ran";
}

TEST_F(FrameKeys, TypingInTheFolderTreeSearchesIt)
{
    Press(tree, Qt::Key_P);
    EXPECT_EQ(tree->currentIndex().data().toString(), QStringLiteral("Promos"));
    Press(tree, Qt::Key_A);
    Press(tree, Qt::Key_Delete);
    Press(tree, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(target.ran, QList<int>{Cmd::Undo}) << "P, A and Del stay in the tree; chords still act";
}

TEST_F(FrameKeys, DisabledCommandsIgnoreTheirKeys)
{
    target.states[Cmd::Play] = {false, false};
    frame->Router().UpdateAll();
    Press(list, Qt::Key_P);
    EXPECT_TRUE(target.ran.isEmpty());
}

TEST(AcceleratorGuard, WhatTakesText)
{
    QLineEdit edit;
    QSpinBox spin;
    QListWidget list;
    QTreeView tree;
    EXPECT_TRUE(CAcceleratorGuard::TakesText(&edit));
    EXPECT_TRUE(CAcceleratorGuard::TakesText(&tree));
    EXPECT_TRUE(CAcceleratorGuard::TakesText(&spin));
    EXPECT_FALSE(CAcceleratorGuard::TakesText(&list));
    edit.setReadOnly(true);
    EXPECT_FALSE(CAcceleratorGuard::TakesText(&edit));
}

} // namespace
