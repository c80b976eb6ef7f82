// SPDX-License-Identifier: GPL-3.0-or-later
// CLiranaApp: the application object of the console. It owns the station
// core (CStation: playlist, album, play log, scheduler, engine), creates the
// main frame and
// the console view, keeps the Tools menu's list (loaded at start-up, saved
// at exit, edited and run here), opens the album at start-up (the one named on the
// command line, else the last one with its remembered row, else a new one),
// handles the application's commands (file, help, about) and runs the
// ordered shutdown: confirmation, save prompt, frame state, the engine's
// "shutdown" with the view's settings, playback stopped, application
// settings. A termination signal ends the session the same way without the
// two questions (EndSessionBySignal).
// Thread: the user-interface thread.
#pragma once

#include "app/CommandTarget.h"
#include "gui/AppContext.h"
#include "gui/dialogs/HelpWindow.h"
#include "gui/frame/MainFrame.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class CGstWarmUp;
class CLiranaDoc;
class CMprisService;
class COnAirEngine;
class CPlaylist;
class CStation;
class CToolList;
class GuiInterface;
class QSessionManager;
class Shell;

class CLiranaApp : public QObject, public CommandTarget, public FrameCloseHandler
{
    Q_OBJECT

public:
    // Makes the console view inside the frame (and wires it to the frame);
    // nullptr leaves the client area empty.
    using ViewFactory = std::function<QWidget*(const CAppContext&, CMainFrame* frame)>;

    struct Options
    {
        QString album;              // the album of the command line; empty = none
        bool splash = true;         // show the splash screen
        bool warmUp = true;         // load GStreamer's plug-ins during the splash
        ViewFactory makeView;       // empty = the console (MakeConsoleView)
        GuiInterface* ui = nullptr; // dialogs; null = Qt dialogs of its own
        Shell* shell = nullptr;     // null = the system shell
    };

    explicit CLiranaApp(Options options);
    ~CLiranaApp() override;

    // Start-up; false when the program must end (an album named on the
    // command line could not be opened).
    bool Start();
    // Application exit: saves the application-wide settings (once).
    void Exit();
    // The end of the desktop session: saves the settings, stops playback.
    void EndSession();
    // The end of the session by a signal (logout, system shutdown, `systemctl
    // stop`): the frame closes without the shutdown confirmation and without
    // the album's save prompt (unsaved changes are not written; the album
    // file keeps its last saved state), the close saves what it always saves,
    // "shutdown" is logged, playback stops, and the program exits with 0.
    // Before Start has finished, it waits for it. SessionEnded follows once
    // everything is saved.
    void EndSessionBySignal();

    CMainFrame* Frame() const { return m_frame; }
    const CAppContext& Context() const { return m_context; }
    CStation& Station() { return *m_station; }
    COnAirEngine& Engine();
    CLiranaDoc& Document();
    CPlaylist& Playlist();
    GuiInterface& Ui() { return *m_ui; }
    CToolList& Tools() { return *m_tools; }

    // The HTML manual (share/lirana/manual/index.html).
    static QString ManualPath();
    // The manual at the chapter of the window that has the focus (its
    // "helpChapter" property, or its parent's): with the desktop's web
    // browser when there is one, otherwise in the program's help window.
    void ShowHelp();
    static QString ChapterOf(const QWidget* window);
    // The program's help window, once F1 has opened it.
    CHelpWindow* HelpWindow() const { return m_help; }

    // CommandTarget: Help, About, the Tools menu (its tools run with the
    // selected row's item as the file, Edit...), then the station's commands (the
    // album's, and the player commands when the view leaves them).
    bool OnCommand(int id) override;
    std::optional<CommandState> OnUpdateCommand(int id) const override;

    // FrameCloseHandler
    bool ConfirmClose() override;
    bool SaveModified() override;
    void FrameClosing() override;

signals:
    void SessionEnded();

protected:
    // F1 in a window other than the frame (an options sheet, the event
    // editor) opens the manual at that window's chapter.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenStartAlbum(bool* ok);
    void ShowAbout();
    void EditTools();
    void RunTool(int index);

    Options m_options;
    std::unique_ptr<GuiInterface> m_ownUi;
    GuiInterface* m_ui = nullptr;
    Shell* m_shell = nullptr;
    std::unique_ptr<CStation> m_station;
    std::unique_ptr<CMprisService> m_mediaPlayer; // on the session bus, once started
    std::unique_ptr<CGstWarmUp> m_warmUp;
    std::unique_ptr<CToolList> m_tools;
    bool m_toolsLoaded = false; // an exit before start-up keeps the stored tools
    CAppContext m_context;
    QPointer<CMainFrame> m_frame;
    QPointer<CHelpWindow> m_help;
    QPointer<QWidget> m_splash; // deletes itself when it closes; an early end deletes it
    bool m_exited = false;
    bool m_started = false;
    bool m_endPending = false;    // a signal came during Start
    bool m_sessionEnding = false; // closing without questions
};

// Asks the system for a higher scheduling priority for the whole process;
// a refusal is fine.
void RaiseProcessPriority();
