// The player commands as the operator sees them: enabled and checked states
// reaching the frame's actions (menus, tool bars, keys) from the engine
// through the console view, the mode combo box, and the target order.
#include "FrameFakes.h"

#include "app/Commands.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/MainFrame.h"
#include "onair/OnAirEngine.h"
#include "playlist/Playlist.h"

#include <QActionGroup>
#include <QComboBox>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

class PlayerActions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearHive();
        album = WriteAlbum(QStringLiteral("pauses.alb"),
                           {QStringLiteral("30.pause"), QStringLiteral("30.pause"), QStringLiteral("30.pause")});
        t = std::make_unique<AppUnderTest>(album);
        ASSERT_TRUE(t->app->Start());
    }
    void TearDown() override { t.reset(); }

    void Trigger(int id)
    {
        t->Frame().Router().UpdateAll();
        t->Action(id)->trigger();
    }
    CPlaylist& List() { return t->app->Playlist(); }
    // Play, Pause and Break carry a mark only while checked: no empty box.
    void ExpectMark(int id, bool checked)
    {
        EXPECT_EQ(t->Checked(id), checked) << id;
        EXPECT_EQ(t->Action(id)->isCheckable(), checked) << id;
    }

    QString album;
    std::unique_ptr<AppUnderTest> t;
};

TEST_F(PlayerActions, NothingOnAirWithARowSelected)
{
    List().Select(1);
    EXPECT_TRUE(t->Enabled(Cmd::Play));
    EXPECT_FALSE(t->Checked(Cmd::Play));
    EXPECT_FALSE(t->Enabled(Cmd::Stop));
    EXPECT_FALSE(t->Enabled(Cmd::FastForward));
    EXPECT_FALSE(t->Enabled(Cmd::Rewind));
    EXPECT_FALSE(t->Enabled(Cmd::Configure));
    EXPECT_TRUE(t->Enabled(Cmd::Pause));
    EXPECT_FALSE(t->Checked(Cmd::Pause));
    EXPECT_TRUE(t->Enabled(Cmd::PrevTrack));
    EXPECT_TRUE(t->Enabled(Cmd::NextTrack));
    EXPECT_TRUE(t->Enabled(Cmd::Break));
    EXPECT_FALSE(t->Enabled(Cmd::CrossFader));
    for (int id : {int(Cmd::Play), int(Cmd::Pause), int(Cmd::Break)})
        ExpectMark(id, false);
}

TEST_F(PlayerActions, BoundariesOfTheSelection)
{
    List().Select(0);
    EXPECT_FALSE(t->Enabled(Cmd::PrevTrack)) << "no row before the first";
    List().Select(2);
    EXPECT_FALSE(t->Enabled(Cmd::NextTrack)) << "Normal mode stops at the last row";
    Trigger(Cmd::ModeRepeat);
    EXPECT_TRUE(t->Enabled(Cmd::NextTrack)) << "Repeat wraps round";
    List().Select(-1);
    for (int id : {int(Cmd::Play), int(Cmd::Pause), int(Cmd::Break), int(Cmd::PrevTrack)})
        EXPECT_FALSE(t->Enabled(id)) << id << " without a selection";
}

TEST_F(PlayerActions, PlayPauseStopCycle)
{
    List().Select(0);
    Trigger(Cmd::Play);
    ASSERT_NE(t->app->Engine().OnAir(), nullptr);
    ExpectMark(Cmd::Play, true);
    EXPECT_FALSE(t->Enabled(Cmd::Play)) << "playing: Play is checked and disabled";
    for (int id : {int(Cmd::Stop), int(Cmd::FastForward), int(Cmd::Rewind), int(Cmd::Configure),
                   int(Cmd::Pause), int(Cmd::CrossFader)})
        EXPECT_TRUE(t->Enabled(id)) << id << " while on air";
    ExpectMark(Cmd::Pause, false);

    Trigger(Cmd::Pause);
    ExpectMark(Cmd::Pause, true);
    EXPECT_TRUE(t->Enabled(Cmd::Play)) << "paused: Play resumes";
    EXPECT_FALSE(t->Enabled(Cmd::CrossFader)) << "the cross fader needs a playing item";

    Trigger(Cmd::Pause); // the checked item clicked again: resumes
    ExpectMark(Cmd::Pause, false);
    Trigger(Cmd::Stop);
    EXPECT_EQ(t->app->Engine().OnAir(), nullptr);
    EXPECT_FALSE(t->Enabled(Cmd::Stop));
    ExpectMark(Cmd::Play, false);
}

TEST_F(PlayerActions, BreakTogglesItsCheck)
{
    List().Select(0);
    Trigger(Cmd::Break);
    ExpectMark(Cmd::Break, true);
    Trigger(Cmd::Break);
    ExpectMark(Cmd::Break, false);
}

TEST_F(PlayerActions, ModesAreRadioCheckedAndFollowTheCombo)
{
    QComboBox* combo = t->Frame().ModeCombo();
    ASSERT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Manual"));
    EXPECT_EQ(combo->itemText(5), QStringLiteral("Intro Scan"));
    const QList<int>& modes = PlayerModeCommands();
    const QActionGroup* group = t->Action(modes[0])->actionGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->isExclusive()) << "radio marks, not check boxes";
    EXPECT_EQ(group->actions().size(), modes.size());
    for (int i = 0; i < modes.size(); ++i) {
        Trigger(modes[i]);
        EXPECT_EQ(static_cast<int>(t->app->Engine().Mode()), i);
        for (int j = 0; j < modes.size(); ++j)
            EXPECT_EQ(t->Checked(modes[j]), i == j) << "mode " << i << " item " << j;
        EXPECT_EQ(combo->currentIndex(), i) << "the combo follows the mode";
    }
    emit combo->activated(0); // the operator picks Manual in the combo
    EXPECT_EQ(t->app->Engine().Mode(), PlayerMode::Manual);
    EXPECT_TRUE(t->app->Engine().BreakFlag()) << "Manual breaks after each track";
    List().Select(0);
    EXPECT_TRUE(t->Checked(Cmd::Break));
}

TEST_F(PlayerActions, EmptyListDisablesThePlayerButMenusStayUsable)
{
    List().Reset({}, -1);
    for (int id : {int(Cmd::Play), int(Cmd::Stop), int(Cmd::Pause), int(Cmd::NextTrack),
                   int(Cmd::PrevTrack), int(Cmd::Break), int(Cmd::Shuffle), int(Cmd::Find)})
        EXPECT_FALSE(t->Enabled(id)) << id;
    for (int id : {int(Cmd::FileNew), int(Cmd::FileOpen), int(Cmd::Exit),
                   int(Cmd::Help), int(Cmd::About), int(Cmd::ViewToolBar)})
        EXPECT_TRUE(t->Enabled(id)) << id;
}

TEST(CommandRouting, ViewFirstThenFrameThenApplication)
{
    ClearHive();
    auto* viewTarget = new RecordingTarget;
    std::unique_ptr<RecordingTarget> owned(viewTarget);
    AppUnderTest t({}, [viewTarget](const CAppContext&, CMainFrame* frame) {
        auto* view = new QWidget(frame);
        frame->SetView(view, viewTarget);
        return static_cast<QWidget*>(nullptr); // already set, with the recorder as target
    });
    ASSERT_TRUE(t.app->Start());
    t.app->Playlist().Reset({QStringLiteral("5.pause")}, 0);

    viewTarget->states[Cmd::Play] = {false, false};
    EXPECT_FALSE(t.Enabled(Cmd::Play)) << "the view's answer wins over the engine's";
    viewTarget->states.erase(Cmd::Play);
    EXPECT_TRUE(t.Enabled(Cmd::Play)) << "left to the engine";

    viewTarget->states[Cmd::ViewToolBar] = {true, false};
    viewTarget->handles << Cmd::ViewToolBar;
    t.Action(Cmd::ViewToolBar)->trigger();
    EXPECT_EQ(viewTarget->ran, QList<int>{Cmd::ViewToolBar});
    EXPECT_TRUE(t.Frame().MainToolBar()->isVisibleTo(&t.Frame())) << "the frame never saw it";

    EXPECT_FALSE(t.Enabled(Cmd::Options)) << "a command nobody answers is disabled";
    EXPECT_FALSE(t.Frame().Router().Dispatch(Cmd::Options));
}

TEST(CommandCatalogue, EveryEntryHasAPromptAndUniqueKeys)
{
    QMap<QString, int> keys;
    for (const CommandInfo& info : AllCommands()) {
        EXPECT_FALSE(info.StatusTip().isEmpty()) << info.id;
        EXPECT_FALSE(info.ToolTip().isEmpty()) << info.id;
        for (const QKeySequence& key : info.keys) {
            const QString text = key.toString();
            EXPECT_FALSE(keys.contains(text)) << qPrintable(text) << " on " << info.id << " and " << keys.value(text);
            keys.insert(text, info.id);
        }
    }
    EXPECT_EQ(keys.value(QStringLiteral("P")), int(Cmd::Play));
    EXPECT_EQ(keys.value(QStringLiteral("Ctrl+Z")), int(Cmd::Undo));
    EXPECT_EQ(keys.value(QStringLiteral("Num+1")), int(Cmd::SoundFirst));
    EXPECT_EQ(FindCommand(Cmd::Play)->ToolTip(), QStringLiteral("Play"));
    EXPECT_EQ(FindCommand(Cmd::Play)->StatusTip(), QStringLiteral("Start playing"));
    EXPECT_TRUE(FindCommand(Cmd::Play)->ButtonText().isEmpty()) << "built-in prompts have two parts";
}

} // namespace
