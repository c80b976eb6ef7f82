// SPDX-License-Identifier: GPL-3.0-or-later
// CLiranaDoc: the album, the program's single document. It holds no rows of
// its own: the master playlist model (CPlaylist) is the content, stored as a
// list file (ListFile.h) and snapshotted for undo as shared rows
// (SharedRows.h). Questions and messages go through the UserInterface
// seam, mail through the Shell seam.
//
// Contract:
//  - New and Open leave the album unmodified with a fresh undo history; a
//    failed or refused open changes nothing (rows, path, flag, history).
//  - A media file (IsMediaFile and not a mini playlist) is refused with
//    message 1035 before any question is asked.
//  - Before New, Open, a recent file or closing, a modified album prompts:
//    Save (saves; a failed or cancelled save counts as Cancel), Discard,
//    or Cancel (nothing happens).
//  - Saving is atomic (in place only where the folder takes no temporary
//    file, see ListFile.h); a failed save reports the reason, leaves the
//    album modified and, unless it was written in place, the file on disk
//    as it was.
//  - Opening the album that is already open (same path) keeps it as it is.
//  - Successful opens and Save As put the path first in the recent list.
// Thread: the user-interface thread.
#pragma once

#include "app/Commands.h"
#include "app/EngineSeams.h"
#include "playlist/RecentFileList.h"
#include "playlist/UndoDoc.h"

#include <QObject>
#include <QString>

#include <optional>

class CPlaylist;
class Shell;
class UserInterface;

class CLiranaDoc : public QObject, public CUndoDoc, public DocumentSeam
{
    Q_OBJECT

public:
    enum : int {
        CmdNew = Cmd::FileNew,
        CmdOpen = Cmd::FileOpen,
        CmdSave = Cmd::FileSave,
        CmdSaveAs = Cmd::FileSaveAs,
        CmdRecentFirst = Cmd::RecentFirst, // up to CmdRecentFirst + 9
        CmdUndo = Cmd::Undo,
        CmdRedo = Cmd::Redo,
        CmdSendMail = Cmd::SendMail,
    };
    // The file dialogs' filter (string 129).
    static QString FileFilter();
    // String 1035, shown when a media file is opened as an album.
    static QString MediaFileMessage();

    CLiranaDoc(CPlaylist& playlist, UserInterface& ui, Shell& shell, QObject* parent = nullptr);

    // The album's absolute path; empty while untitled.
    const QString& PathName() const { return m_path; }
    // "Untitled", or the file name of the album with its extension.
    QString Title() const override;
    void SetModifiedFlag(bool modified) override;

    // The framework steps, without questions.
    bool OnNewDocument();
    bool OnOpenDocument(const QString& path);
    bool OnSaveDocument(const QString& path);
    // Save (replace: the album takes the new path) to path, or to a name
    // asked for when path is empty. False when cancelled or failed.
    bool DoSave(const QString& path, bool replace);
    // The save prompt; true when the caller may go on.
    bool SaveModified();

    // The commands.
    bool NewDocument();
    bool OpenDocumentFile(const QString& path) override;
    bool FileOpen();
    bool FileSave();
    bool FileSaveAs();
    // Opens entry index (0 = most recent); an entry that cannot be read is
    // removed from the list.
    bool OpenRecentFile(int index);
    // Writes the album to a list file and hands it to "xdg-email --attach".
    // The saved file itself is sent when the album is saved and unmodified,
    // else a temporary copy named after the title.
    bool SendMail();
    bool CanSendMail() const;

    // Start-up without a file: reopens the most recent album when it exists
    // and selects the row stored in Settings\CurSel. False (album untouched,
    // no message for a missing file) when there is none; the caller then
    // starts a new album.
    bool OpenLastAlbum();
    // A list dropped on the frame: replaces the rows only (path, title,
    // modified flag and undo history stay).
    bool ReadListFile(const QString& path);

    QStringList RecentFiles() const { return m_recent.Files(); }

    // Command dispatch and the update handlers; false / disabled for ids
    // that are not the document's.
    bool OnCommand(int id);
    CommandState UpdateCommand(int id) const;

signals:
    void TitleChanged(const QString& title);
    void ModifiedChanged(bool modified);

protected:
    CUndoContent StoreSnapshot() const override;
    void LoadSnapshot(const CUndoContent& content) override;
    void SetBusy(bool busy) override;

private:
    enum class OpenResult { Opened, Cancelled, Failed };
    OpenResult Open(const QString& path);
    bool RefuseMediaFile(const QString& path);
    std::optional<QStringList> ReadRows(const QString& path);
    std::optional<QString> FullPath(const QString& path, const QString& failure);
    void SetPathName(const QString& path);
    void Report(const QString& text);

    CPlaylist& m_playlist;
    UserInterface& m_ui;
    Shell& m_shell;
    CRecentFileList m_recent;
    QString m_path;
};
