// SPDX-License-Identifier: GPL-3.0-or-later
// Accelerators: single keys act while the playlist or the console has the
// focus and never while a text field does; chords keep working there only
// when the text field does not use them itself.
#include "FrameFixture.h"

#include "app/Commands.h"
#include "gui/frame/MainFrame.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

TEST(FrameKeys, KeysRunTheirCommandsWhereNoTextFieldTakesThem)
{
    TempHive hive;
    QStandardItemModel folders;
    RecordingTarget target;
    CMainFrame frame{CAppContext{}};
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    auto* list = new QListWidget;
    list->addItems({QStringLiteral("one"), QStringLiteral("two")});
    auto* edit = new QLineEdit;
    auto* readOnly = new QPlainTextEdit;
    readOnly->setReadOnly(true);
    auto* tree = new QTreeView;
    for (const char* folder : {"Adverts", "Music", "Promos"})
        folders.appendRow(new QStandardItem(QString::fromLatin1(folder)));
    tree->setModel(&folders);
    tree->setCurrentIndex(folders.index(0, 0));
    for (QWidget* w : std::initializer_list<QWidget*>{tree, list, edit, readOnly})
        layout->addWidget(w);
    for (int id : {int(Cmd::Play), int(Cmd::Stop), int(Cmd::NextTrack), int(Cmd::Undo), int(Cmd::EditClear),
                   int(Cmd::SoundFirst), int(Cmd::SoundFirst + 8)})
        target.states[id] = {true, false};
    frame.SetView(view, &target);
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    frame.Router().UpdateAll();

    struct Press
    {
        QWidget* widget;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int command; // 0: none
    };
    const Press presses[] = {
        {list, Qt::Key_P, {}, Cmd::Play},
        {list, Qt::Key_S, {}, Cmd::Stop},
        {list, Qt::Key_N, {}, Cmd::NextTrack},
        {list, Qt::Key_Delete, {}, Cmd::EditClear},
        {list, Qt::Key_1, {}, Cmd::SoundFirst},
        {list, Qt::Key_9, Qt::KeypadModifier, Cmd::SoundFirst + 8},
        {list, Qt::Key_Z, Qt::ControlModifier, Cmd::Undo},
        {readOnly, Qt::Key_P, {}, Cmd::Play},
        {edit, Qt::Key_P, {}, 0},
        {edit, Qt::Key_1, {}, 0},
        {edit, Qt::Key_Home, {}, 0},
        {edit, Qt::Key_Delete, {}, 0},
        {edit, Qt::Key_Z, Qt::ControlModifier, 0}, // the field's own undo
        {tree, Qt::Key_P, {}, 0},
        {tree, Qt::Key_Delete, {}, 0},
        {tree, Qt::Key_Z, Qt::ControlModifier, Cmd::Undo},
    };
    for (const Press& p : presses) {
        // Reset, not clear(): Qt 6.4 compares a cleared list with an empty
        // one by memcmp on a null pointer, which UBSan stops on.
        target.ran = {};
        p.widget->setFocus();
        QTest::keyClick(p.widget, p.key, p.modifiers);
        EXPECT_EQ(target.ran, p.command ? QList<int>{p.command} : QList<int>{})
            << p.widget->metaObject()->className() << " key " << p.key;
    }
    EXPECT_EQ(edit->text(), QStringLiteral("p1"));
    EXPECT_EQ(tree->currentIndex().data().toString(), QStringLiteral("Promos")) << "typing searches the tree";

    target.states[Cmd::Play] = {false, false};
    frame.Router().UpdateAll();
    target.ran.clear();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_P);
    EXPECT_TRUE(target.ran.isEmpty()) << "a disabled command ignores its key";
}

} // namespace
