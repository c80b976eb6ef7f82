// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming the selected row of the playlist list box (the Rename command).
// Renaming takes no undo step; a replaced row keeps its place and selection.
#include "gui/console/PlaylistListBox.h"

#include "gui/dialogs/CdDatabaseDlg.h"
#include "media/CdDatabase.h"
#include "onair/EditCommands.h"
#include "playlist/ItemDrop.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"
#include "ui_PauseDialog.h"
#include "ui_RenameDialog.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {

std::optional<QString> AskFileName(QWidget* parent, const QString& fileName)
{
    QDialog dialog(parent);
    Ui::RenameDialog ui;
    ui.setupUi(&dialog);
    ui.fileName->setText(fileName);
    ui.fileName->selectAll();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ui.fileName->text();
}

std::optional<int> AskPauseLength(QWidget* parent, int seconds)
{
    QDialog dialog(parent);
    Ui::PauseDialog ui;
    ui.setupUi(&dialog);
    ui.seconds->setValue(seconds);
    ui.seconds->selectAll();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ui.seconds->value();
}

bool EditCdDatabase(QWidget* parent, CCDDatabase& database, int trackIndex)
{
    CCDDatabaseDlg dialog(database, trackIndex, parent);
    return dialog.exec() == QDialog::Accepted;
}

void ShowError(QWidget* parent, const QString& message)
{
    QMessageBox::critical(parent, QStringLiteral("Lirana"), message);
}

} // namespace

void CPlaylistListBox::SetDialogs(Dialogs dialogs)
{
    m_dialogs = std::move(dialogs);
}

void CPlaylistListBox::RefreshCdTitles()
{
    if (!m_cd)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const std::uint32_t before = m_cd->DiscId();
    m_cd->Refresh();
    QGuiApplication::restoreOverrideCursor();
    if (m_cd->DiscId() != before) {
        viewport()->update();
        setFocus();
    }
}

void CPlaylistListBox::RenameItem()
{
    const int row = m_playlist.Selection();
    if (row < 0)
        return;
    const QString path = m_playlist.Row(row);
    auto report = m_dialogs.report ? m_dialogs.report : ShowError;
    switch (RenameKindFor(path)) {
    case RenameKind::CdTitle: {
        if (m_cd && !m_cd->IsValid())
            RefreshCdTitles();
        if (!m_cd || !m_cd->IsValid()) {
            report(this, tr("No CD Found"));
            break;
        }
        auto edit = m_dialogs.editCd ? m_dialogs.editCd : EditCdDatabase;
        if (edit(this, *m_cd, int(GetCdTrackNumber(path).value_or(0)) - 1))
            viewport()->update();
        break;
    }
    case RenameKind::Pause: {
        auto ask = m_dialogs.pauseLength ? m_dialogs.pauseLength : AskPauseLength;
        if (const std::optional<int> seconds = ask(this, PauseDialogSeconds(path)))
            m_playlist.Replace(row, RenamedPauseRow(path, *seconds));
        break;
    }
    case RenameKind::File: {
        auto ask = m_dialogs.renameFile ? m_dialogs.renameFile : AskFileName;
        const std::optional<QString> name = ask(this, SplitPath(path).fname);
        if (!name || name->isEmpty())
            break;
        const QString target = RenamedFilePath(path, *name);
        if (RenameFileOnDisk(path, target, [&](const QString& text) { report(this, text); }))
            m_playlist.Replace(row, target);
        break;
    }
    }
    setFocus();
}
