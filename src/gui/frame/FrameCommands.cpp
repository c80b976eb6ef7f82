// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's own commands and the events it routes: close, drops, find,
// joystick buttons, drive changes.
#include "gui/frame/MainFrame.h"

#include "app/Commands.h"
#include "app/UserInterface.h"
#include "gui/dialogs/FindDialog.h"
#include "gui/frame/CommandRouter.h"
#include "gui/frame/CommandTable.h"
#include "onair/Find.h"
#include "platform/FileNames.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>

int CMainFrame::JoystickCommand(int button)
{
    if (button < 0)
        return -1;
    if (button == 0)
        return Cmd::Play;
    if (button == 1)
        return Cmd::Stop;
    return Cmd::SoundFirst + (button - 2);
}

void CMainFrame::OnJoystickButton(int button)
{
    const int id = JoystickCommand(button);
    if (id >= 0) {
        m_router->Dispatch(id);
        m_router->UpdateAll();
    }
}

void CMainFrame::OnDrivesChanged()
{
    if (m_viewTarget)
        m_viewTarget->OnCommand(Cmd::UpdateCdNames);
}

QToolBar* CMainFrame::BarOf(int id) const
{
    switch (id) {
    case Cmd::ViewToolBar: return m_mainBar;
    case Cmd::ViewMediaBar: return m_mediaBar;
    case Cmd::ViewPositionBar: return m_positionBar;
    default: return nullptr;
    }
}

bool CMainFrame::OnCommand(int id)
{
    using namespace Cmd;
    if (QToolBar* bar = BarOf(id)) {
        bar->setVisible(!bar->isVisibleTo(this));
        return true;
    }
    if (id >= LanguageFirst && id < LanguageFirst + 100) {
        ChooseLanguage(id - LanguageFirst);
        return true;
    }
    switch (id) {
    case ViewStatusBar: statusBar()->setVisible(!statusBar()->isVisibleTo(this)); return true;
    case Cmd::FlatToolBars: SetFlatToolBars(!m_flat); return true;
    case Find: ShowFindDialog(); return true;
    case Exit:
    case AppExit: close(); return true;
    case NextPane: focusNextChild(); return true;
    case PrevPane: focusPreviousChild(); return true;
    case Cmd::ModeCombo: m_modeCombo->setFocus(); return true;
    default: return false;
    }
}

std::optional<CommandState> CMainFrame::OnUpdateCommand(int id) const
{
    using namespace Cmd;
    if (const QToolBar* bar = BarOf(id))
        return CommandState{true, bar->isVisibleTo(this)};
    if (id >= LanguageFirst && id < LanguageFirst + 100)
        return CommandState{true, id - LanguageFirst == m_languages.Current()};
    switch (id) {
    case ViewStatusBar: return CommandState{true, statusBar()->isVisibleTo(this)};
    case Cmd::FlatToolBars: return CommandState{true, m_flat};
    case Find: return CommandState{m_context.playlist && m_context.playlist->Selection() >= 0, false};
    case Exit:
    case AppExit:
    case NextPane:
    case PrevPane:
    case Cmd::ModeCombo: return CommandState{true, false};
    default: return std::nullopt;
    }
}

CFindDialog* CMainFrame::FindDialog() const
{
    return m_find;
}

void CMainFrame::ShowFindDialog()
{
    if (!m_find) {
        m_find = new CFindDialog(this);
        m_find->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_find, &CFindDialog::FindNext, this, &CMainFrame::FindNext);
    }
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
}

void CMainFrame::FindNext(const QString& text, bool matchCase, bool down)
{
    CPlaylist* playlist = m_context.playlist;
    if (!playlist || playlist->Selection() < 0)
        return;
    const int from = playlist->Selection();
    const int row = FindRow(*playlist, text, from, matchCase, down);
    if (row < 0)
        return;
    if (row == from)
        QApplication::beep();
    playlist->Select(row);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    if (m_closeHandler && !m_closeHandler->ConfirmClose()) {
        event->ignore();
        return;
    }
    m_fullScreenToSave = m_fullScreen;
    SetFullScreenMode(false);
    if (m_closeHandler && !m_closeHandler->SaveModified()) {
        if (m_fullScreenToSave)
            SetFullScreenMode(true);
        m_fullScreenToSave = false;
        event->ignore();
        return;
    }
    m_closing = true;
    if (m_find)
        m_find->close();
    SaveFrameState();
    if (m_closeHandler)
        m_closeHandler->FrameClosing();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (HandleDrop(event->position().toPoint(), event->mimeData()->urls()))
        event->acceptProposedAction();
}

bool CMainFrame::HandleDrop(const QPoint& at, const QList<QUrl>& urls)
{
    QStringList names;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            names << FileNameFromUrl(url); // a name's bytes, UTF-8 or not
    }
    if (names.isEmpty())
        return false;
    if (menuWidget() && menuWidget()->geometry().contains(at)) {
        if (!m_context.document)
            return false;
        if (IsMediaFile(names.first()) && !IsMiniPlaylist(names.first())) {
            if (m_context.ui)
                m_context.ui->ShowMessage(CLiranaDoc::MediaFileMessage(), UserInterface::Icon::Stop);
            return true;
        }
        m_context.document->ReadListFile(names.first());
        return true;
    }
    if (!m_dropHandler)
        return false;
    m_dropHandler(names);
    return true;
}
