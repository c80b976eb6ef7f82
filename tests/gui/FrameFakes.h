// Fakes for the frame and application tests: a dialog interface that
// records and answers from fields, a shell that records, a command target
// that records, and an application on pause items with no splash.
#pragma once

#include "gui/app/GuiInterface.h"
#include "gui/app/LiranaApp.h"
#include "gui/frame/CommandRouter.h"
#include "platform/Shell.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <map>
#include <memory>

struct FakeGuiUi : GuiInterface
{
    QStringList messages;
    QStringList questions;
    bool yes = true;
    SaveAnswer saveAnswer = SaveAnswer::Discard;
    int saveQuestions = 0;
    QString title;

    void ShowMessage(const QString& text, Icon) override { messages << text; }
    void SetFrameTitle(const QString& t) override { title = t; }
    bool AskYesNo(const QString& text) override
    {
        questions << text;
        return yes;
    }
    SaveAnswer AskSaveChanges(const QString&) override
    {
        ++saveQuestions;
        return saveAnswer;
    }
};

struct RecorderShell : Shell
{
    QList<QStringList> started;
    bool StartProgram(const QString& program, const QStringList& args, const QString&, QString*) override
    {
        started << (QStringList{program} + args);
        return true;
    }
};

// Records commands; answers the ids in `states`, handles those in `handles`.
struct RecordingTarget : CommandTarget
{
    std::map<int, CommandState> states;
    QList<int> handles;
    QList<int> ran;
    bool OnCommand(int id) override
    {
        if (!handles.contains(id))
            return false;
        ran << id;
        return true;
    }
    std::optional<CommandState> OnUpdateCommand(int id) const override
    {
        const auto it = states.find(id);
        if (it == states.end())
            return std::nullopt;
        return it->second;
    }
};

// Starts with a fresh user hive unless keepHive; writes an album of pause
// items and returns its path.
inline QString WriteAlbum(const QString& name, const QStringList& rows)
{
    return TestEnv::WriteFile(TestEnv::MakeTempDir(QStringLiteral("album")) + u'/' + name,
                              (rows.join(u'\n') + u'\n').toUtf8());
}

inline void ClearHive()
{
    QFile::remove(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Oxbelund/Lirana.reg")));
}

// The application as the program runs it, without splash and warm-up, with
// the fakes above. view = the real console unless replaced.
struct AppUnderTest
{
    FakeGuiUi ui;
    RecorderShell shell;
    std::unique_ptr<CLiranaApp> app;

    explicit AppUnderTest(const QString& album = {}, CLiranaApp::ViewFactory view = {})
    {
        CLiranaApp::Options options;
        options.album = album;
        options.splash = false;
        options.warmUp = false;
        options.ui = &ui;
        options.shell = &shell;
        options.makeView = std::move(view);
        app = std::make_unique<CLiranaApp>(std::move(options));
    }
    CMainFrame& Frame() { return *app->Frame(); }
    QAction* Action(int id) { return Frame().Router().Action(id); }
    bool Enabled(int id)
    {
        Frame().Router().UpdateAll();
        return Action(id)->isEnabled();
    }
    bool Checked(int id)
    {
        Frame().Router().UpdateAll();
        return Action(id)->isChecked();
    }
};
