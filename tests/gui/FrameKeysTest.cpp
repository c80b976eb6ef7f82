// SPDX-License-Identifier: GPL-3.0-or-later
// Accelerators: single keys act while the playlist or the console has the
// focus and never while a text field does; chords keep working there only
// when the text field does not use them itself. The joystick reader fed with
// evdev records through a pipe, and its buttons as the frame's commands.
#include "FrameFixture.h"

#include "platform/Joystick.h"

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

TEST(FrameKeys, KeysRunTheirCommandsWhereNoTextFieldTakesThem)
{
    TempHive hive;
    QStringListModel folders({"Adverts", "Music", "Promos"});
    RecordingTarget target;
    target.Enable({Cmd::Play, Cmd::Stop, Cmd::NextTrack, Cmd::Undo, Cmd::EditClear, Cmd::SoundFirst,
                   Cmd::SoundFirst + 8});
    CMainFrame frame{CAppContext{}};
    auto* view = new QWidget;
    auto* list = new QListWidget;
    list->addItems({QStringLiteral("one"), QStringLiteral("two")});
    auto* edit = new QLineEdit;
    auto* readOnly = new QPlainTextEdit;
    readOnly->setReadOnly(true);
    auto* tree = new QTreeView;
    tree->setModel(&folders);
    tree->setCurrentIndex(folders.index(0, 0));
    auto* layout = new QVBoxLayout(view);
    for (QWidget* w : std::initializer_list<QWidget*>{tree, list, edit, readOnly})
        layout->addWidget(w);
    frame.SetView(view, &target);
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    frame.Router().UpdateAll();

    // The widget with the focus, the key, its modifiers and the command it runs (0: none).
    const std::tuple<QWidget*, Qt::Key, Qt::KeyboardModifiers, int> presses[] = {
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
    for (const auto& [widget, key, modifiers, command] : presses) {
        // Reset, not clear(): Qt 6.4 compares a cleared list with an empty
        // one by memcmp on a null pointer, which UBSan stops on.
        target.ran = {};
        widget->setFocus();
        QTest::keyClick(widget, key, modifiers);
        EXPECT_EQ(target.ran, command ? QList<int>{command} : QList<int>{})
            << widget->metaObject()->className() << " key " << key;
    }
    EXPECT_EQ(edit->text(), QStringLiteral("p1"));
    EXPECT_EQ(tree->currentIndex().data().toString(), QStringLiteral("Promos")) << "typing searches the tree";

    target.Enable({Cmd::Play}, false);
    frame.Router().UpdateAll();
    target.ran.clear();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_P);
    EXPECT_TRUE(target.ran.isEmpty()) << "a disabled command ignores its key";
}

input_event Event(unsigned type, unsigned code, int value)
{
    return {{}, __u16(type), __u16(code), value};
}

// A joystick reading the records written to a pipe.
class JoystickPipe : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(::pipe(fds), 0);
        joystick.AddSource(fds[0], QStringLiteral("pipe"));
        QObject::connect(&joystick, &CJoystick::ButtonPressed, [this](int n) { buttons << n; });
    }
    int fds[2] = {-1, -1};
    CJoystick joystick;
    QSignalSpy closed{&joystick, &CJoystick::SourceClosed};
    QList<int> buttons;
};

TEST_F(JoystickPipe, PressesBecomeButtonsAndCommandsUntilTheEndOfFile)
{
    TempHive hive;
    CMainFrame frame{CAppContext{}};
    RecordingTarget target;
    target.Enable({Cmd::Play, Cmd::Stop, Cmd::SoundFirst, Cmd::SoundFirst + 8, Cmd::Configure});
    target.Enable({Cmd::SoundFirst + 1}, false); // an unassigned sound does nothing
    frame.SetView(new QWidget, &target);
    QObject::connect(&joystick, &CJoystick::ButtonPressed, &frame, &CMainFrame::OnJoystickButton);
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
TEST_F(JoystickPipe, ASourceWhoseReadFailsClosesAloneAndTheOthersGoOn)
{
    const int failing = ::open(qPrintable(TestEnv::MakeTempDir()), O_RDONLY | O_DIRECTORY); // read: EISDIR
    ASSERT_GE(failing, 0);
    joystick.AddSource(failing, QStringLiteral("gone"));
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
