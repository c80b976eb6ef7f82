// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/AlbumDoc.h"

#include "app/SettingsSchema.h"
#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "platform/Shell.h"
#include "platform/registry/RegistryKey.h"
#include "playlist/ItemPath.h"
#include "playlist/ListFile.h"
#include "playlist/Playlist.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString kMailProgram = QStringLiteral("xdg-email");

} // namespace

QString CLiranaDoc::FileFilter()
{
    return tr("Lirana Album (*.alb)|*.alb|Mini Playlist (*.mpl)|*.mpl|All Files (*.*)|*||");
}

QString CLiranaDoc::MediaFileMessage()
{
    return tr("This file is a media file and not a Lirana album file.\nIf you wish to add "
              "this file to the playlist, please use the Playlist | Add... menu item.");
}

CLiranaDoc::CLiranaDoc(CPlaylist& playlist, UserInterface& ui, Shell& shell, QObject* parent)
    : QObject(parent), m_playlist(playlist), m_ui(ui), m_shell(shell)
{
}

QString CLiranaDoc::Title() const
{
    return m_path.isEmpty() ? tr("Untitled") : QFileInfo(m_path).fileName();
}

void CLiranaDoc::SetModifiedFlag(bool modified)
{
    const bool changed = modified != IsModified();
    CUndoDoc::SetModifiedFlag(modified);
    if (changed)
        emit ModifiedChanged(modified);
}

// ------------------------------------------------------------ framework steps

bool CLiranaDoc::OnNewDocument()
{
    m_playlist.Reset({}, -1);
    SetPathName({});
    SetModifiedFlag(false);
    ResetUndo(true);
    return true;
}

bool CLiranaDoc::OnOpenDocument(const QString& path)
{
    const std::optional<QStringList> rows = ReadRows(path);
    if (!rows)
        return false;
    m_playlist.Reset(*rows, rows->isEmpty() ? -1 : 0);
    SetModifiedFlag(false);
    ResetUndo(true);
    return true;
}

bool CLiranaDoc::OnSaveDocument(const QString& path)
{
    try {
        WriteListFile(path, m_playlist.Rows());
    } catch (const CException& e) {
        Report(e.GetErrorMessage());
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CLiranaDoc::DoSave(const QString& path, bool replace)
{
    QString name = path;
    if (name.isEmpty()) {
        QString suggested = m_path;
        if (suggested.isEmpty() && replace)
            suggested = Title() + QStringLiteral(".alb");
        name = m_ui.AskSaveFileName(suggested);
        if (name.isEmpty())
            return false;
    }
    const std::optional<QString> full = FullPath(name, tr("Cannot save the album %1: %2."));
    if (!full)
        return false;
    {
        BusyScope busy(m_ui);
        if (!OnSaveDocument(*full))
            return false;
    }
    if (replace) {
        SetPathName(*full);
        m_recent.Add(*full);
    }
    return true;
}

bool CLiranaDoc::SaveModified()
{
    if (!IsModified())
        return true;
    switch (m_ui.AskSaveChanges(Title())) {
    case UserInterface::SaveAnswer::Cancel: return false;
    case UserInterface::SaveAnswer::Discard: return true;
    case UserInterface::SaveAnswer::Save: break;
    }
    return FileSave();
}

// ------------------------------------------------------------------ commands

bool CLiranaDoc::NewDocument()
{
    return SaveModified() && OnNewDocument();
}

bool CLiranaDoc::OpenDocumentFile(const QString& path)
{
    return Open(path) == OpenResult::Opened;
}

CLiranaDoc::OpenResult CLiranaDoc::Open(const QString& path)
{
    const std::optional<QString> full = FullPath(path, tr("Cannot open the album %1: %2."));
    if (!full)
        return OpenResult::Failed;
    if (RefuseMediaFile(*full))
        return OpenResult::Failed;
    if (!m_path.isEmpty() && *full == m_path)
        return OpenResult::Opened;
    if (!SaveModified())
        return OpenResult::Cancelled;
    if (!OnOpenDocument(*full))
        return OpenResult::Failed;
    SetPathName(*full);
    m_recent.Add(*full);
    return OpenResult::Opened;
}

bool CLiranaDoc::FileOpen()
{
    const QString name = m_ui.AskOpenFileName();
    return !name.isEmpty() && OpenDocumentFile(name);
}

bool CLiranaDoc::FileSave()
{
    const QFileInfo info(m_path);
    if (m_path.isEmpty() || (info.exists() && !info.isWritable()))
        return DoSave({}, true);
    return DoSave(m_path, true);
}

bool CLiranaDoc::FileSaveAs()
{
    return DoSave({}, true);
}

bool CLiranaDoc::OpenRecentFile(int index)
{
    const QStringList files = m_recent.Files();
    if (index < 0 || index >= files.size())
        return false;
    const OpenResult result = Open(files.at(index));
    if (result == OpenResult::Failed)
        m_recent.Remove(index);
    return result == OpenResult::Opened;
}

bool CLiranaDoc::OpenLastAlbum()
{
    const QStringList files = m_recent.Files();
    if (files.isEmpty() || !QFileInfo(files.first()).isFile())
        return false;
    if (Open(files.first()) != OpenResult::Opened)
        return false;
    m_playlist.Select(SettingsSchema::Stored<std::int32_t>(SettingsKey::Settings, SettingName::CurSel));
    return true;
}

bool CLiranaDoc::ReadListFile(const QString& path)
{
    const std::optional<QString> full = FullPath(path, tr("Cannot open the album %1: %2."));
    if (!full)
        return false;
    const std::optional<QStringList> rows = ReadRows(*full);
    if (!rows)
        return false;
    m_playlist.Reset(*rows, rows->isEmpty() ? -1 : 0);
    return true;
}

bool CLiranaDoc::SendMail()
{
    QString file = m_path;
    std::optional<QTemporaryDir> folder;
    if (IsModified() || m_path.isEmpty()) {
        QString name = Title();
        if (QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".alb");
        // The mail client reads the file after we return: the folder stays.
        folder.emplace(QDir::tempPath() + QStringLiteral("/lirana-mail-XXXXXX"));
        folder->setAutoRemove(false);
        if (!folder->isValid()) {
            Report(tr("The album cannot be sent by e-mail: no temporary folder could be "
                      "made (%1).")
                       .arg(folder->errorString()));
            return false;
        }
        file = folder->filePath(name);
        try {
            WriteListFile(file, m_playlist.Rows());
        } catch (const CException& e) {
            folder->remove();
            Report(tr("The album cannot be sent by e-mail.\n%1").arg(e.GetErrorMessage()));
            return false;
        }
    }
    QString reason;
    if (!m_shell.StartProgram(kMailProgram, {QStringLiteral("--attach"), file}, {}, &reason)) {
        if (folder)
            folder->remove();
        Report(tr("The album could not be handed to your mail program.\n%1\nSending an "
                  "album needs the program xdg-email (package xdg-utils) and a mail "
                  "client set up on this desktop.")
                   .arg(reason.isEmpty() ? tr("No reason was given.") : reason));
        return false;
    }
    return true;
}

bool CLiranaDoc::CanSendMail() const
{
    return !QStandardPaths::findExecutable(kMailProgram).isEmpty();
}

bool CLiranaDoc::OnCommand(int id)
{
    switch (id) {
    case CmdNew: NewDocument(); return true;
    case CmdOpen: FileOpen(); return true;
    case CmdSave: FileSave(); return true;
    case CmdSaveAs: FileSaveAs(); return true;
    case CmdUndo: OnUndo(); return true;
    case CmdRedo: OnRedo(); return true;
    case CmdSendMail: SendMail(); return true;
    default: break;
    }
    if (id >= CmdRecentFirst && id < CmdRecentFirst + CRecentFileList::kSize) {
        OpenRecentFile(id - CmdRecentFirst);
        return true;
    }
    return false;
}

CommandState CLiranaDoc::UpdateCommand(int id) const
{
    switch (id) {
    case CmdNew:
    case CmdOpen:
    case CmdSave:
    case CmdSaveAs: return {true, false};
    case CmdUndo: return {CanUndo(), false};
    case CmdRedo: return {CanRedo(), false};
    case CmdSendMail: return {CanSendMail(), false};
    default: break;
    }
    if (id >= CmdRecentFirst && id < CmdRecentFirst + CRecentFileList::kSize)
        return {id - CmdRecentFirst < m_recent.Files().size(), false};
    return {};
}

// ------------------------------------------------------------------- helpers

CUndoContent CLiranaDoc::StoreSnapshot() const
{
    return {m_playlist.Rows(), m_playlist.Selection()};
}

void CLiranaDoc::LoadSnapshot(const CUndoContent& content)
{
    m_playlist.Reset(content.rows, content.selection);
}

void CLiranaDoc::SetBusy(bool busy)
{
    m_ui.SetBusy(busy);
}

bool CLiranaDoc::RefuseMediaFile(const QString& path)
{
    if (!IsMediaFile(path) || IsMiniPlaylist(path))
        return false;
    m_ui.ShowMessage(MediaFileMessage(), UserInterface::Icon::Warning);
    return true;
}

std::optional<QStringList> CLiranaDoc::ReadRows(const QString& path)
{
    if (RefuseMediaFile(path))
        return std::nullopt;
    try {
        BusyScope busy(m_ui);
        return ::ReadListFile(path, ListPaths::MakeAbsolute);
    } catch (const CException& e) {
        Report(e.GetErrorMessage());
        return std::nullopt;
    }
}

std::optional<QString> CLiranaDoc::FullPath(const QString& path, const QString& failure)
{
    try {
        return GetFullPath(path);
    } catch (const CException& e) {
        Report(failure.arg(path, e.GetErrorMessage()));
        return std::nullopt;
    }
}

void CLiranaDoc::SetPathName(const QString& path)
{
    m_path = path;
    m_ui.SetFrameTitle(Title());
    emit TitleChanged(Title());
}

void CLiranaDoc::Report(const QString& text)
{
    m_ui.FocusView();
    m_ui.ShowMessage(text, UserInterface::Icon::Stop);
}
