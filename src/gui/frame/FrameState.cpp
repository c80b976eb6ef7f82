// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's persistent state: placement, full-screen mode, bar layout,
// flat tool bars and button texts.
#include "gui/frame/MainFrame.h"

#include "app/SettingsSchema.h"
#include "app/ViewSettings.h"
#include "gui/dialogs/FindDialog.h"
#include "gui/frame/CommandTable.h"

#include <QAction>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

namespace K = SettingsKey;
namespace N = SettingName;
constexpr int kBarStateVersion = 1;

bool StoredFlag(const QString& key, const QString& name)
{
    return SettingsSchema::Stored<bool>(key, name);
}

// Show states of a placement record.
enum : unsigned { ShowHide = 0, ShowNormal = 1, ShowMinimized = 2, ShowMaximized = 3 };

} // namespace

reg::Placement CMainFrame::CurrentPlacement() const
{
    reg::Placement p;
    p.showCmd = isMinimized() ? ShowMinimized : isMaximized() ? ShowMaximized : ShowNormal;
    p.minX = p.minY = p.maxX = p.maxY = -1;
    QRect r = (m_fullScreen || m_fullScreenToSave) && m_rectBeforeFullScreen.isValid()
                  ? m_rectBeforeFullScreen
                  : (isMaximized() || isMinimized() ? normalGeometry() : geometry());
    if (!r.isValid())
        r = geometry();
    p.normal = {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    return p;
}

void CMainFrame::RestoreFrameState()
{
    const CRegistryKey frame = CRegistryKey::OpenAppSubkey(K::MainFrame);
    reg::Placement p;
    if (frame.ReadPlacement(N::WindowPos, &p)) {
        const QRect r(QPoint(p.normal.left, p.normal.top), QPoint(p.normal.right - 1, p.normal.bottom - 1));
        if (r.width() > 0 && r.height() > 0)
            setGeometry(r.x(), r.y(), std::max(r.width(), kMinWidth), std::max(r.height(), kMinHeight));
        if (p.showCmd != ShowHide)
            m_storedShowCmd = p.showCmd;
    }

    const QByteArray state = CRegistryKey::OpenAppSubkey(K::ToolBars).GetBinary(N::BarState);
    if (!state.isEmpty())
        restoreState(state, kBarStateVersion);
    statusBar()->setVisible(StoredFlag(K::ToolBars, N::StatusBar));
    SetFlatToolBars(StoredFlag(K::ToolBars, N::FlatToolBars));
    SetButtonText(StoredFlag(K::ToolBars, N::ButtonText));

    if (StoredFlag(K::MainFrame, N::FullScreen))
        SetFullScreenMode(true);
}

void CMainFrame::ShowFrame()
{
    if (m_fullScreen)
        showFullScreen();
    else if (m_storedShowCmd == ShowMaximized)
        showMaximized();
    else if (m_storedShowCmd == ShowMinimized)
        showMinimized();
    else
        show();
}

void CMainFrame::SaveFrameState()
{
    CRegistryKey frame = CRegistryKey::OpenAppSubkey(K::MainFrame);
    frame.WritePlacement(N::WindowPos, CurrentPlacement());
    m_languages.Save(frame, N::LanguageCode);
    frame.SetFlag(N::FullScreen, m_fullScreen || m_fullScreenToSave);
    frame.Flush();

    CRegistryKey bars = CRegistryKey::OpenAppSubkey(K::ToolBars);
    bars.SetBinary(N::BarState, saveState(kBarStateVersion));
    bars.SetFlag(N::StatusBar, statusBar()->isVisibleTo(this));
    bars.SetFlag(N::FlatToolBars, m_flat);
    bars.SetFlag(N::ButtonText, m_buttonText);
    bars.Flush();
}

void CMainFrame::SetFullScreenMode(bool on)
{
    if (on == m_fullScreen)
        return;
    if (on) {
        m_rectBeforeFullScreen = geometry();
        m_fullScreen = true;
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        m_fullScreen = false;
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        if (m_rectBeforeFullScreen.isValid())
            setGeometry(m_rectBeforeFullScreen);
    }
}

void CMainFrame::SetFlatToolBars(bool flat)
{
    m_flat = flat;
    ApplyFlat();
}

void CMainFrame::ApplyFlat()
{
    for (QToolBar* bar : {m_mainBar, m_mediaBar}) {
        for (QToolButton* button : bar->findChildren<QToolButton*>()) {
            if (button->defaultAction())
                button->setAutoRaise(m_flat);
        }
        bar->update();
    }
}

void CMainFrame::SetButtonText(bool on)
{
    m_buttonText = on;
    bool any = false;
    for (QToolBar* bar : {m_mainBar, m_mediaBar}) {
        for (QAction* action : bar->actions()) {
            const int id = action->data().toInt();
            const CommandInfo* info = FindCommand(id);
            const QString text = on && info ? info->ButtonText() : QString();
            any = any || !text.isEmpty();
            action->setIconText(text);
        }
    }
    const Qt::ToolButtonStyle style = on && any ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly;
    m_mainBar->setToolButtonStyle(style);
    m_mediaBar->setToolButtonStyle(style);
}
