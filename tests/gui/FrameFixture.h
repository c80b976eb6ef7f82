// SPDX-License-Identifier: GPL-3.0-or-later
// The frame and application tests' helpers: the console's dialog seam on the
// shared recording fakes, a command target that records, and the
// application as the program runs it, without splash and warm-up.
#pragma once

#include "GuiHelpers.h"
#include "gui/app/GuiInterface.h"
#include "gui/app/LiranaApp.h"
#include "gui/frame/CommandRouter.h"
#include "support/Fakes.h"

#include <map>

// RecordingUi plus the shutdown's yes/no question.
struct GuiUi : GuiInterface
{
    RecordingUi rec;
    QStringList questions;
    bool yes = true;

    void ShowMessage(const QString& text, Icon icon) override { rec.ShowMessage(text, icon); }
    SaveAnswer AskSaveChanges(const QString& name) override { return rec.AskSaveChanges(name); }
    bool AskYesNo(const QString& text) override
    {
        questions << text;
        return yes;
    }
};

// Answers and runs the ids in `states`; leaves the others to the next target.
struct RecordingTarget : CommandTarget
{
    std::map<int, CommandState> states;
    QList<int> ran;

    void Enable(std::initializer_list<int> ids, bool on = true)
    {
        for (int id : ids)
            states[id] = {on, false};
    }

    bool OnCommand(int id) override
    {
        if (!states.count(id))
            return false;
        ran << id;
        return true;
    }
    std::optional<CommandState> OnUpdateCommand(int id) const override
    {
        return states.count(id) ? std::optional(states.at(id)) : std::nullopt;
    }
};

inline QString WriteAlbum(const QString& name, const QStringList& rows)
{
    return TestEnv::WriteFile(TestEnv::MakeTempDir(QStringLiteral("album")) + u'/' + name,
                              (rows.join(u'\n') + u'\n').toUtf8());
}

// The view is the real console unless a factory is given.
struct AppUnderTest
{
    GuiUi ui;
    RecordingShell shell;
    std::unique_ptr<CLiranaApp> app;

    explicit AppUnderTest(const QString& album = {}, CLiranaApp::ViewFactory view = {})
    {
        app = std::make_unique<CLiranaApp>(CLiranaApp::Options{.album = album,
                                                               .splash = false,
                                                               .warmUp = false,
                                                               .makeView = std::move(view),
                                                               .ui = &ui,
                                                               .shell = &shell});
    }
    CMainFrame& Frame() { return *app->Frame(); }
    // Closes the frame without the exit question.
    bool Close()
    {
        app->Engine().Settings().shutdownConfirmation = false;
        return Frame().close();
    }
    // The action with its state brought up to date.
    QAction* Action(int id)
    {
        Frame().Router().UpdateAll();
        return Frame().Router().Action(id);
    }
};
