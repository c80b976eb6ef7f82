// SPDX-License-Identifier: GPL-3.0-or-later
// Accelerators: single keys act while the playlist or the console has the
// focus and never while a text field does; chords keep working there only
// when the text field does not use them itself. The joystick reader fed with
// evdev records through a pipe, and its buttons as the frame's commands.
#include "FrameFixture.h"

#include "app/Commands.h"
#include "gui/frame/MainFrame.h"
#include "platform/Joystick.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

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

input_event Event(unsigned type, unsigned code, int value)
{
    input_event e{};
    e.type = static_cast<__u16>(type);
    e.code = static_cast<__u16>(code);
    e.value = value;
    return e;
}

TEST(JoystickPipe, PressesBecomeButtonsAndCommandsUntilTheEndOfFile)
{
    int fds[2] = {-1, -1};
    ASSERT_EQ(::pipe(fds), 0);
    CJoystick joystick;
    joystick.AddSource(fds[0], QStringLiteral("pipe"));
    QList<int> buttons;
    QObject::connect(&joystick, &CJoystick::ButtonPressed, [&](int n) { buttons << n; });
    TempHive hive;
    CMainFrame frame{CAppContext{}};
    RecordingTarget target;
    for (int id :
         {int(Cmd::Play), int(Cmd::Stop), int(Cmd::SoundFirst), Cmd::SoundFirst + 8, int(Cmd::Configure)})
        target.states[id] = {true, false};
    target.states[Cmd::SoundFirst + 1] = {false, false}; // an unassigned sound does nothing
    frame.SetView(new QWidget, &target);
    QObject::connect(&joystick, &CJoystick::ButtonPressed, &frame, &CMainFrame::OnJoystickButton);
    QSignalSpy closed(&joystick, &CJoystick::SourceClosed);
    const input_event first = Event(EV_KEY, BTN_TRIGGER, 1);
    const char* bytes = reinterpret_cast<const char*>(&first);
    ASSERT_EQ(::write(fds[1], bytes, 5), 5); // a record split across reads is joined
    TestEnv::WaitUntil([] { return false; }, 50);
    EXPECT_TRUE(buttons.isEmpty());
    ASSERT_EQ(::write(fds[1], bytes + 5, sizeof first - 5), qsizetype(sizeof first - 5));
    // A repeat (value 2), an axis, a keyboard key and a mouse button are no presses.
    const QList<input_event> events = {
        Event(EV_SYN, SYN_REPORT, 0), Event(EV_KEY, BTN_TRIGGER, 0), Event(EV_KEY, BTN_THUMB, 1),
        Event(EV_KEY, BTN_THUMB, 2),  Event(EV_ABS, ABS_X, 1),       Event(EV_KEY, KEY_P, 1),
        Event(EV_KEY, BTN_LEFT, 1),   Event(EV_KEY, BTN_THUMB2, 1),  Event(EV_KEY, BTN_TOP, 1),
        Event(EV_KEY, BTN_BASE5, 1),  Event(EV_KEY, BTN_BASE6, 1),   Event(EV_KEY, BTN_DEAD, 1),
        Event(EV_KEY, BTN_SOUTH, 1),  Event(EV_KEY, BTN_THUMBR, 1),  Event(EV_KEY, BTN_TRIGGER_HAPPY1, 1)};
    const qsizetype size = events.size() * qsizetype(sizeof(input_event));
    ASSERT_EQ(::write(fds[1], events.constData(), size), size);
    ::close(fds[1]);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return closed.count() == 1; }, 2000));
    EXPECT_TRUE(joystick.Sources().isEmpty());
    EXPECT_EQ(buttons, (QList<int>{0, 1, 2, 3, 10, 11, 15, 0, 14, 16}));
    EXPECT_EQ(target.ran, (QList<int>{Cmd::Play, Cmd::Stop, Cmd::SoundFirst, Cmd::SoundFirst + 8,
                                      Cmd::Configure, Cmd::Play}));
}

// An unplugged device's read fails (ENODEV) where a pipe's ends: a read that
// fails closes that source alone, once, and the others go on.
TEST(JoystickPipe, ASourceWhoseReadFailsClosesAloneAndTheOthersGoOn)
{
    int fds[2] = {-1, -1};
    ASSERT_EQ(::pipe(fds), 0);
    const int failing = ::open(qPrintable(TestEnv::MakeTempDir()), O_RDONLY | O_DIRECTORY); // read: EISDIR
    ASSERT_GE(failing, 0);
    CJoystick joystick;
    joystick.AddSource(fds[0], QStringLiteral("pipe"));
    joystick.AddSource(failing, QStringLiteral("gone"));
    QList<int> buttons;
    QObject::connect(&joystick, &CJoystick::ButtonPressed, [&](int n) { buttons << n; });
    QSignalSpy closed(&joystick, &CJoystick::SourceClosed);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return closed.count() == 1; }, 2000));
    EXPECT_EQ(closed.first().first().toString(), "gone");
    EXPECT_EQ(joystick.Sources(), QStringList({"pipe"}));
    const input_event press = Event(EV_KEY, BTN_THUMB, 1);
    ASSERT_EQ(::write(fds[1], &press, sizeof press), qsizetype(sizeof press));
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return !buttons.isEmpty(); }, 2000));
    EXPECT_EQ(buttons, QList<int>({1}));
    EXPECT_EQ(closed.count(), 1);
    ::close(fds[1]);
}

} // namespace
