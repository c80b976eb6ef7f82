// SPDX-License-Identifier: GPL-3.0-or-later
// The joystick reader fed with evdev records through a pipe, and its buttons
// as the frame's commands.
#include "FrameFixture.h"

#include "app/Commands.h"
#include "gui/frame/MainFrame.h"
#include "platform/Joystick.h"

#include <QSignalSpy>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

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
