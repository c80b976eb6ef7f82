// SPDX-License-Identifier: GPL-3.0-or-later
// CMainFrame: the console's top-level window. It hosts the console view,
// the main tool bar, the media control bar (player-mode combo box, digital
// clock), the position bar (a slider the view drives) and the status bar
// with the position and length panes; it builds the menus and accelerators
// from the command catalogue and routes each command to its targets (view,
// frame, application). It keeps its placement, full-screen state and bar
// layout under the "MainFrame" and "ToolBars" keys, turns joystick buttons
// and drive changes into commands, runs the find dialog and routes drops.
// Thread: the user-interface thread.
#pragma once

#include "app/CommandTarget.h"
#include "app/DisplayLanguages.h"
#include "gui/AppContext.h"
#include "gui/LiveTexts.h"
#include "platform/registry/RegistryKey.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QUrl>
#include <functional>

class CCommandRouter;
class CDeviceWatcher;
class CDigitalClock;
class CFindDialog;
class CJoystick;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QSlider;
class QToolBar;

// What the frame asks of the application while it closes.
class FrameCloseHandler
{
public:
    virtual ~FrameCloseHandler() = default;
    // The shutdown confirmation; false keeps the program running.
    virtual bool ConfirmClose() = 0;
    // The document's save prompt; false (Cancel) keeps the program running.
    virtual bool SaveModified() = 0;
    // The frame's own state is saved; the view's saves and the stop follow.
    virtual void FrameClosing() = 0;
};

class CMainFrame : public QMainWindow, public CommandTarget
{
    Q_OBJECT

public:
    static constexpr int kMinWidth = 640;
    static constexpr int kMinHeight = 454;

    explicit CMainFrame(const CAppContext& context, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The console view in the client area; target (usually the view itself)
    // is asked first for every command.
    void SetView(QWidget* view, CommandTarget* target);
    QWidget* View() const { return m_view; }
    // The targets after the frame (the application).
    void SetAppTarget(CommandTarget* target);
    void SetCloseHandler(FrameCloseHandler* handler) { m_closeHandler = handler; }
    // Receives the names dropped on the bars and the status bar (the view
    // takes its own drops); without one such drops are refused.
    void SetDropHandler(std::function<void(const QStringList&)> handler)
    {
        m_dropHandler = std::move(handler);
    }

    CCommandRouter& Router() { return *m_router; }
    // The position bar's slider (0..640, disabled until the view drives it).
    QSlider* PositionSlider() const { return m_slider; }
    // The status panes Cmd::PanePosition and Cmd::PaneLength.
    QLabel* Pane(int id) const;
    void SetPaneText(int id, const QString& text);
    QComboBox* ModeCombo() const { return m_modeCombo; }
    QToolBar* MainToolBar() const { return m_mainBar; }
    QToolBar* MediaBar() const { return m_mediaBar; }
    QToolBar* PositionBar() const { return m_positionBar; }

    // Persistence: RestoreFrameState before the first show, ShowFrame to show
    // with the stored show state, SaveFrameState when closing.
    void RestoreFrameState();
    void ShowFrame();
    void SaveFrameState();

    bool IsFullScreenMode() const { return m_fullScreen; }
    void SetFullScreenMode(bool on);
    bool FlatToolBars() const { return m_flat; }
    void SetFlatToolBars(bool flat);
    bool ButtonText() const { return m_buttonText; }
    void SetButtonText(bool on);

    // Joystick button n as a command: 0 Play, 1 Stop, n >= 2 sound n - 1; -1
    // for a negative n.
    static int JoystickCommand(int button);
    void OnJoystickButton(int button);
    // A drive arrived or left: the view refreshes its CD names.
    void OnDrivesChanged();
    // The find dialog (Find): opens it or brings it forward.
    void ShowFindDialog();
    CFindDialog* FindDialog() const;
    // Selects the next row (upwards unless down) whose display name holds
    // text, wrapping round the list; beeps when only the selected row does.
    void FindNext(const QString& text, bool matchCase, bool down);
    // A drop of urls at a point of the frame (not on the view): on the menu
    // bar the first file replaces the list (a media file is refused with
    // a message); elsewhere the files go to the drop handler. False when
    // the drop was not taken.
    bool HandleDrop(const QPoint& at, const QList<QUrl>& urls);

    // CommandTarget: the bars, flat tool bars, find, exit, panes, language.
    bool OnCommand(int id) override;
    std::optional<CommandState> OnUpdateCommand(int id) const override;

    // The display languages; the stored choice is selected before the frame
    // builds its menus.
    CLanguageList& Languages() { return m_languages; }
    // The "Language" sub-menu's items, rebuilt each time it opens.
    void FillLanguageMenu();
    // A language item: asks whether to exit now, selects the language
    // (menus and bar titles switch at once) and closes the frame on Yes.
    void ChooseLanguage(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildBars();
    void BuildStatusBar();
    void AddButtons(QToolBar* bar, const QList<int>& ids);
    void FillRecentMenu();
    void FollowModeCombo();
    QToolBar* BarOf(int id) const;
    void ApplyFlat();
    reg::Placement CurrentPlacement() const;
    // Menus, bar titles, tool tips and status prompts in the current language.
    void RebuildMenus();

    CAppContext m_context;
    CCommandRouter* m_router = nullptr;
    CommandTarget* m_viewTarget = nullptr;
    CommandTarget* m_appTarget = nullptr;
    FrameCloseHandler* m_closeHandler = nullptr;
    std::function<void(const QStringList&)> m_dropHandler;
    QPointer<QWidget> m_view;
    QToolBar* m_mainBar = nullptr;
    QToolBar* m_mediaBar = nullptr;
    QToolBar* m_positionBar = nullptr;
    QSlider* m_slider = nullptr;
    QComboBox* m_modeCombo = nullptr;
    CDigitalClock* m_clock = nullptr;
    QLabel* m_posPane = nullptr;
    QLabel* m_lenPane = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    QActionGroup* m_languageGroup = nullptr;
    CLanguageList m_languages;
    CLiveTexts m_texts{"CMainFrame"}; // menu and bar titles
    QPointer<CFindDialog> m_find;
    CJoystick* m_joystick = nullptr;
    CDeviceWatcher* m_drives = nullptr;
    bool m_flat = true;
    bool m_buttonText = false;
    bool m_fullScreen = false;
    bool m_fullScreenToSave = false;
    bool m_closing = false;
    QRect m_rectBeforeFullScreen;
    unsigned m_storedShowCmd = 1;
};
