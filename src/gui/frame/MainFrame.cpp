// SPDX-License-Identifier: GPL-3.0-or-later
// Construction of the frame: menus, tool bars, the status bar and the
// pieces the view drives.
#include "gui/frame/MainFrame.h"

#include "gui/console/AirMeter.h"

#include "app/Commands.h"
#include "app/ViewSettings.h"
#include "gui/app/GuiInterface.h"
#include "gui/dialogs/FindDialog.h"
#include "gui/frame/AcceleratorGuard.h"
#include "gui/frame/CommandRouter.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/DeviceWatcher.h"
#include "gui/frame/DigitalClock.h"
#include "gui/frame/ToolsMenu.h"
#include "platform/Joystick.h"
#include "playlist/AlbumDoc.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>

#include <cstdlib>
#include <ctime>

CMainFrame::CMainFrame(const CAppContext& context, QWidget* parent) : QMainWindow(parent), m_context(context)
{
    setProperty("helpChapter", QStringLiteral("console")); // F1 opens the manual there
    // The random and shuffle modes draw from the C library's generator.
    std::srand(static_cast<unsigned>(std::time(nullptr) % 32767));
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Lirana"));
    setMinimumSize(kMinWidth, kMinHeight);
    setAcceptDrops(true);
    // One guard per application, shared by every frame.
    if (!qApp->findChild<CAcceleratorGuard*>()) {
        auto* guard = new CAcceleratorGuard(qApp);
        qApp->installEventFilter(guard);
    }

    // The stored language first: every text below is read in it.
    m_languages.Load(CRegistryKey::OpenAppSubkey(SettingsKey::MainFrame), SettingName::LanguageCode);
    RetranslateCommands();
    m_router = new CCommandRouter(this);
    BuildMenus();
    BuildBars();
    BuildStatusBar();
    connect(m_router, &CCommandRouter::Updated, this, &CMainFrame::FollowModeCombo);

    m_joystick = new CJoystick(this);
    connect(m_joystick, &CJoystick::ButtonPressed, this, &CMainFrame::OnJoystickButton);
    m_joystick->WatchDevices();
    m_drives = new CDeviceWatcher(QStringLiteral("/dev"), this);
    connect(m_drives, &CDeviceWatcher::DrivesChanged, this, &CMainFrame::OnDrivesChanged);

    m_router->SetTargets({this});
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::SetView(QWidget* view, CommandTarget* target)
{
    m_view = view;
    m_viewTarget = target;
    if (view)
        setCentralWidget(view);
    m_router->SetTargets({m_viewTarget, this, m_appTarget});
}

void CMainFrame::SetAppTarget(CommandTarget* target)
{
    m_appTarget = target;
    m_router->SetTargets({m_viewTarget, this, m_appTarget});
}

QLabel* CMainFrame::Pane(int id) const
{
    return id == Cmd::PanePosition ? m_posPane : id == Cmd::PaneLength ? m_lenPane : nullptr;
}

void CMainFrame::SetPaneText(int id, const QString& text)
{
    if (QLabel* pane = Pane(id))
        pane->setText(text);
}

void CMainFrame::BuildMenus()
{
    using namespace Cmd;
    auto add = [this](QMenu* menu, const QList<int>& ids) {
        for (int id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_router->Action(id));
        }
    };
    QMenuBar* bar = menuBar();
    QMenu* file = m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&File"));
    add(file, {FileNew, FileOpen, FileSave, FileSaveAs, 0, SendMail, 0});
    m_recentMenu = m_texts.Keep(file->addMenu(QString()), QT_TR_NOOP("Recent &Files"));
    for (int i = 0; i < 10; ++i)
        m_recentMenu->addAction(m_router->Action(RecentFirst + i));
    connect(file, &QMenu::aboutToShow, this, &CMainFrame::FillRecentMenu);
    add(file, {0, Exit});

    add(m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&Edit")),
        {Undo, Redo, 0, EditCut, EditCopy, EditPaste, 0, EditClear, EditClearAll, 0, Find, Rename});
    QMenu* view = m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&View"));
    add(view, {ViewToolBar, ViewMediaBar, ViewPositionBar, ViewStatusBar, Cmd::FlatToolBars, 0, FullPath,
               TrackNumbers, Cmd::Font, 0});
    m_languageMenu = m_texts.Keep(view->addMenu(QString()), QT_TR_NOOP("&Language"));
    m_languageGroup = new QActionGroup(this);
    add(m_languageMenu, {LanguageFirst});
    connect(m_languageMenu, &QMenu::aboutToShow, this, &CMainFrame::FillLanguageMenu);
    add(m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&Playlist")),
        {AddTracks, AddPause, AddCdTracks, 0, MoveTop, MoveUp, MoveDown, MoveBottom, 0, Cmd::Shuffle,
         TotalLength});
    QMenu* media = m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&Media"));
    add(media, {Cmd::Play, Cmd::Pause, Cmd::Stop, 0, Cmd::PrevTrack, Cmd::Rewind, Cmd::FastForward,
                Cmd::NextTrack, 0, Cmd::Break, Cmd::CrossFader, 0});
    QMenu* modes = m_texts.Keep(media->addMenu(QString()), QT_TR_NOOP("Player M&ode"));
    add(modes, PlayerModeCommands());
    add(media, {0, OpenCd, CloseCd, UpdateCdNames, Cmd::Configure, 0, Cmd::EnableEvents, Schedule, 0, Mixer,
                0, Options, AdvancedOptions});
    QMenu* sounds = m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&Sounds"));
    for (int id = SoundFirst; id <= SoundLast; ++id)
        add(sounds, {id});
    add(sounds, {0, EditSounds});
    // position 6: the tools, Edit...
    new CToolsMenu(m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&Tools")), m_context.tools, m_router);
    add(m_texts.Keep(bar->addMenu(QString()), QT_TR_NOOP("&Help")), {Help, 0, About});
    // Keys without a menu item.
    for (int id : QList<int>{NextPane, PrevPane, Cmd::ModeCombo})
        m_router->Action(id);
    // Menus refresh their states as they open, not only at idle.
    for (QMenu* menu : bar->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, m_router, &CCommandRouter::UpdateAll);
}

void CMainFrame::FillLanguageMenu()
{
    m_languageMenu->clear();
    const QStringList names = m_languages.MenuNames();
    for (int i = 0; i < names.size() && i < 100; ++i) {
        QAction* item = m_router->Action(Cmd::LanguageFirst + i);
        item->setText(names[i]);
        item->setCheckable(true);
        item->setStatusTip(FindCommand(Cmd::LanguageFirst)->StatusTip());
        m_languageGroup->addAction(item);
        m_languageMenu->addAction(item);
    }
    m_router->UpdateAll();
}

void CMainFrame::ChooseLanguage(int index)
{
    auto* ask = dynamic_cast<GuiInterface*>(m_context.ui);
    const bool exitNow = ask &&
                         ask->AskYesNo(
                             tr("The change of language will take effect the next time you start Lirana.\n"
                                "Do you want to exit now?"));
    if (m_languages.Select(index))
        RebuildMenus(); // now, not only when the catalogue's change arrives
    if (exitNow)
        close();
}

void CMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange && m_modeCombo)
        RebuildMenus();
    QMainWindow::changeEvent(event);
}

void CMainFrame::RebuildMenus()
{
    m_texts.Retranslate();
    m_router->Retranslate();
    const QList<int>& modes = PlayerModeCommands();
    for (int i = 0; i < modes.size() && i < m_modeCombo->count(); ++i)
        m_modeCombo->setItemText(i, FindCommand(modes[i])->ToolTip());
    for (QWidget* widget : QList<QWidget*>{m_modeCombo, m_slider}) {
        const int id = widget == m_modeCombo ? Cmd::ModeCombo : Cmd::TrackPosition;
        widget->setToolTip(FindCommand(id)->ToolTip());
        widget->setStatusTip(FindCommand(id)->StatusTip());
    }
}

void CMainFrame::FillRecentMenu()
{
    const QStringList files = m_context.document ? m_context.document->RecentFiles() : QStringList();
    for (int i = 0; i < 10; ++i) {
        QAction* action = m_router->Action(Cmd::RecentFirst + i);
        action->setVisible(i < files.size() || (i == 0 && files.isEmpty()));
        action->setText(i < files.size() ? QStringLiteral("&%1 %2").arg(i + 1).arg(files[i])
                                         : tr("Recent File"));
    }
}

void CMainFrame::AddButtons(QToolBar* bar, const QList<int>& ids)
{
    for (int id : ids) {
        if (id == 0)
            bar->addSeparator();
        else
            bar->addAction(m_router->Action(id));
    }
}

void CMainFrame::BuildBars()
{
    using namespace Cmd;
    m_mainBar = m_texts.Keep(new QToolBar(this), QT_TR_NOOP("Main Toolbar"));
    m_mainBar->setObjectName(QStringLiteral("MainToolbar"));
    AddButtons(m_mainBar, {FileNew, FileOpen, FileSave, 0, AddTracks, EditClear, Undo, Redo, Find, 0, Options,
                           AdvancedOptions, 0});
    for (int id = SoundFirst; id <= SoundLast; ++id)
        AddButtons(m_mainBar, {id});
    AddButtons(m_mainBar, {0, About});
    addToolBar(Qt::TopToolBarArea, m_mainBar);

    m_positionBar = m_texts.Keep(new QToolBar(this), QT_TR_NOOP("Position Bar"));
    m_positionBar->setObjectName(QStringLiteral("PositionBar"));
    m_slider = new QSlider(Qt::Horizontal, m_positionBar);
    m_slider->setObjectName(QStringLiteral("slider3201"));
    m_slider->setRange(0, 640);
    m_slider->setEnabled(false);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setToolTip(FindCommand(TrackPosition)->ToolTip());
    m_slider->setStatusTip(FindCommand(TrackPosition)->StatusTip());
    m_positionBar->addWidget(m_slider);
    m_positionBar->addWidget(new CAirMeter(m_positionBar));
    addToolBar(Qt::BottomToolBarArea, m_positionBar);
    addToolBarBreak(Qt::BottomToolBarArea);

    m_mediaBar = m_texts.Keep(new QToolBar(this), QT_TR_NOOP("Media Control Bar"));
    m_mediaBar->setObjectName(QStringLiteral("MediaControlBar"));
    AddButtons(m_mediaBar, {Cmd::Play, Cmd::Pause, Cmd::Stop, 0, Cmd::PrevTrack, Cmd::Rewind,
                            Cmd::FastForward, Cmd::NextTrack, 0});
    m_modeCombo = new QComboBox(m_mediaBar);
    m_modeCombo->setObjectName(QStringLiteral("combo32884"));
    m_modeCombo->setFixedWidth(90);
    m_modeCombo->setFocusPolicy(Qt::TabFocus);
    for (int id : PlayerModeCommands())
        m_modeCombo->addItem(FindCommand(id)->ToolTip());
    m_modeCombo->setToolTip(FindCommand(Cmd::ModeCombo)->ToolTip());
    m_modeCombo->setStatusTip(FindCommand(Cmd::ModeCombo)->StatusTip());
    connect(m_modeCombo, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < PlayerModeCommands().size()) {
            m_router->Dispatch(PlayerModeCommands()[index]);
            m_router->UpdateAll();
        }
    });
    m_mediaBar->addWidget(m_modeCombo);
    AddButtons(m_mediaBar, {0, Cmd::Break, 0, Mixer, OpenCd, CloseCd, AddCdTracks, Rename, 0, MoveBottom,
                            MoveDown, MoveUp, MoveTop, 0});
    m_clock = new CDigitalClock(m_mediaBar);
    m_mediaBar->addWidget(m_clock);
    addToolBar(Qt::BottomToolBarArea, m_mediaBar);
    for (QToolBar* bar : {m_mainBar, m_positionBar, m_mediaBar})
        bar->setIconSize(QSize(16, 16));
}

void CMainFrame::BuildStatusBar()
{
    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    auto pane = [status](const QString& name, const QString& sample) {
        auto* label = new QLabel(status);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sample) + 12);
        label->setEnabled(false);
        status->addPermanentWidget(label);
        return label;
    };
    m_posPane = pane(QStringLiteral("pane1001"), QStringLiteral("0:00:00"));
    m_lenPane = pane(QStringLiteral("pane1002"), QStringLiteral("8:88:88"));
}

void CMainFrame::FollowModeCombo()
{
    m_posPane->setEnabled(m_router->State(Cmd::PanePosition).enabled);
    m_lenPane->setEnabled(m_router->State(Cmd::PaneLength).enabled);
    const bool position = m_router->State(Cmd::TrackPosition).enabled;
    if (m_slider->isEnabled() != position)
        m_slider->setEnabled(position);
    m_modeCombo->setEnabled(m_router->State(Cmd::ModeCombo).enabled);
    if (m_modeCombo->view()->isVisible())
        return;
    const QList<int>& modes = PlayerModeCommands();
    for (int i = 0; i < modes.size(); ++i) {
        if (m_router->State(modes[i]).checked) {
            if (m_modeCombo->currentIndex() != i)
                m_modeCombo->setCurrentIndex(i);
            break;
        }
    }
}
