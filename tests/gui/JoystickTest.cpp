// The joystick reader fed with evdev records through a pipe, and the
// buttons as commands.
#include "FrameFakes.h"

#include "app/Commands.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/MainFrame.h"
#include "platform/Joystick.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

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

class JoystickPipe : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(::pipe(fds), 0);
        joystick.AddSource(fds[0], QStringLiteral("pipe"));
        connect();
    }
    void TearDown() override
    {
        if (fds[1] >= 0)
            ::close(fds[1]);
    }
    void connect()
    {
        QObject::connect(&joystick, &CJoystick::ButtonPressed, [this](int n) { buttons << n; });
    }
    void Write(const QList<input_event>& events)
    {
        const QByteArray bytes(reinterpret_cast<const char*>(events.constData()),
                               events.size() * qsizetype(sizeof(input_event)));
        ASSERT_EQ(::write(fds[1], bytes.constData(), bytes.size()), bytes.size());
    }
    bool WaitFor(int count)
    {
        return TestEnv::WaitUntil([&] { return buttons.size() >= count; }, 2000);
    }

    int fds[2] = {-1, -1};
    CJoystick joystick;
    QList<int> buttons;
};

TEST_F(JoystickPipe, PressesBecomeButtonNumbers)
{
    Write({Event(EV_KEY, BTN_TRIGGER, 1), Event(EV_SYN, SYN_REPORT, 0), Event(EV_KEY, BTN_TRIGGER, 0),
           Event(EV_KEY, BTN_THUMB, 1), Event(EV_KEY, BTN_THUMB, 2) /* repeat */,
           Event(EV_ABS, ABS_X, 1), Event(EV_KEY, KEY_A, 1) /* a keyboard key */,
           Event(EV_KEY, BTN_BASE4, 1), Event(EV_KEY, BTN_SOUTH, 1), Event(EV_KEY, BTN_TRIGGER_HAPPY1, 1)});
    ASSERT_TRUE(WaitFor(5));
    EXPECT_EQ(buttons, (QList<int>{0, 1, 9, 0, 16}));
}

TEST_F(JoystickPipe, RecordsSplitAcrossReadsAreJoined)
{
    const input_event press = Event(EV_KEY, BTN_TOP, 1);
    const char* bytes = reinterpret_cast<const char*>(&press);
    ASSERT_EQ(::write(fds[1], bytes, 5), 5);
    TestEnv::WaitUntil([] { return false; }, 50);
    EXPECT_TRUE(buttons.isEmpty());
    ASSERT_EQ(::write(fds[1], bytes + 5, sizeof press - 5), qsizetype(sizeof press - 5));
    ASSERT_TRUE(WaitFor(1));
    EXPECT_EQ(buttons, QList<int>{BTN_TOP - BTN_TRIGGER});
}

TEST_F(JoystickPipe, EndOfFileClosesTheSource)
{
    QSignalSpy closed(&joystick, &CJoystick::SourceClosed);
    ::close(fds[1]);
    fds[1] = -1;
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return closed.count() == 1; }, 2000));
    EXPECT_TRUE(joystick.Sources().isEmpty());
}

TEST(JoystickButtons, NumbersOfCodes)
{
    EXPECT_EQ(CJoystick::ButtonNumber(BTN_TRIGGER), 0);
    EXPECT_EQ(CJoystick::ButtonNumber(BTN_DEAD), 15);
    EXPECT_EQ(CJoystick::ButtonNumber(BTN_SOUTH), 0);
    EXPECT_EQ(CJoystick::ButtonNumber(BTN_THUMBR), 14);
    EXPECT_EQ(CJoystick::ButtonNumber(BTN_TRIGGER_HAPPY1), 16);
    EXPECT_EQ(CJoystick::ButtonNumber(BTN_LEFT), -1) << "mouse buttons are no joystick buttons";
    EXPECT_EQ(CJoystick::ButtonNumber(KEY_P), -1);
}

TEST(JoystickButtons, CommandsOfButtons)
{
    EXPECT_EQ(CMainFrame::JoystickCommand(0), Cmd::Play);
    EXPECT_EQ(CMainFrame::JoystickCommand(1), Cmd::Stop);
    for (int n = 2; n <= 10; ++n)
        EXPECT_EQ(CMainFrame::JoystickCommand(n), 32819 + n - 2) << n;
    EXPECT_EQ(CMainFrame::JoystickCommand(11), Cmd::Configure);
    EXPECT_EQ(CMainFrame::JoystickCommand(-1), -1);
}

TEST(JoystickButtons, PipeToFrameCommands)
{
    ClearHive();
    CMainFrame frame{CAppContext{}};
    RecordingTarget target;
    for (int id : {int(Cmd::Play), int(Cmd::Stop), 32819, 32827}) {
        target.states[id] = {true, false};
        target.handles << id;
    }
    target.states[32820] = {false, false}; // an unassigned sound does nothing
    target.handles << 32820;
    frame.SetView(new QWidget, &target);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    CJoystick joystick;
    QObject::connect(&joystick, &CJoystick::ButtonPressed, &frame, &CMainFrame::OnJoystickButton);
    joystick.AddSource(fds[0], QStringLiteral("pipe"));
    const QList<input_event> events = {Event(EV_KEY, BTN_TRIGGER, 1), Event(EV_KEY, BTN_THUMB, 1),
                                       Event(EV_KEY, BTN_THUMB2, 1), Event(EV_KEY, BTN_TOP, 1),
                                       Event(EV_KEY, BTN_BASE5, 1)};
    const qsizetype size = events.size() * qsizetype(sizeof(input_event));
    ASSERT_EQ(::write(fds[1], events.constData(), size), size);
    ::close(fds[1]);
    ASSERT_TRUE(TestEnv::WaitUntil([&] { return target.ran.size() >= 4; }, 2000));
    EXPECT_EQ(target.ran, (QList<int>{Cmd::Play, Cmd::Stop, 32819, 32827}));
}

} // namespace
