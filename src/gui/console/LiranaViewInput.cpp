// SPDX-License-Identifier: GPL-3.0-or-later
// The console's mouse, keyboard and drop input, the folder tree, and the
// settings the console keeps of its own (list font, list options, the tree's
// selected path as the "SelectedItem" stream: the path in UTF-8).
#include "gui/console/LiranaView.h"

#include "app/ViewSettings.h"
#include "gui/console/PlaylistListBox.h"
#include "gui/dialogs/SoundPlayerDlg.h"
#include "onair/EditCommands.h"
#include "onair/OnAirEngine.h"
#include "platform/DataPaths.h"
#include "playlist/AlbumDoc.h"
#include "playlist/ItemDrop.h"
#include "playlist/Playlist.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTreeView>

#include <utility>

namespace {

const QString kSelectedItem = QStringLiteral("SelectedItem");

reg::LogFont ToLogFont(const QFont& font)
{
    reg::LogFont lf;
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF() * 96.0 / 72.0);
    lf.height = -pixels; // negative: character height, as the store expects
    lf.weight = font.weight();
    lf.italic = font.italic() ? 1 : 0;
    lf.underline = font.underline() ? 1 : 0;
    lf.strikeOut = font.strikeOut() ? 1 : 0;
    lf.faceName = font.family().left(31);
    return lf;
}

QFont FromLogFont(const reg::LogFont& lf)
{
    QFont font(lf.faceName);
    if (lf.height != 0)
        font.setPixelSize(std::abs(lf.height));
    if (lf.weight > 0)
        font.setWeight(QFont::Weight(std::clamp<int>(lf.weight, 1, 1000)));
    font.setItalic(lf.italic != 0);
    font.setUnderline(lf.underline != 0);
    font.setStrikeOut(lf.strikeOut != 0);
    return font;
}

// Wait cursor for the life of the scope.
struct WaitCursor
{
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

void CLiranaView::LoadSettings()
{
    m_list->SetShowPath(Settings().showPath);
    m_list->SetShowTrackNo(Settings().showTrackNo);
    // Sound windows open where the last one was, also in the last run.
    CSoundPlayerDlg::LastRect().setCoords(Settings().songWindowLeft, Settings().songWindowTop, 0, 0);
    reg::LogFont lf;
    if (ListFont::Read(&lf))
        m_list->SetListFont(FromLogFont(lf));
    const CRegistryKey key = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    // The tree opens at the last item chosen in it, else at the media folder
    // (not at the file system's root, among /proc and /sys).
    const QString path = QString::fromUtf8(key.GetBinary(kSelectedItem));
    QModelIndex index = path.isEmpty() ? QModelIndex() : m_fileModel->index(path);
    if (index.isValid()) {
        m_treeStart = m_fileModel->filePath(index);
    } else {
        m_treeStart = ExistingFolder(Settings().mediaDir);
        index = m_fileModel->index(m_treeStart);
        m_tree->expand(index);
    }
    if (index.isValid())
        m_tree->setCurrentIndex(index);
    ScrollTreeToStart();
}

void CLiranaView::QueueTreeScroll()
{
    if (m_treeStart.isEmpty() || std::exchange(m_treeScrollQueued, true))
        return;
    QMetaObject::invokeMethod(this, &CLiranaView::ScrollTreeToStart, Qt::QueuedConnection);
}

void CLiranaView::ScrollTreeToStart()
{
    // A hidden tree has no height to scroll in: it scrolls when it is shown.
    m_treeScrollQueued = false;
    if (m_treeStart.isEmpty() || !m_tree->isVisible())
        return;
    const QModelIndex index = m_fileModel->index(m_treeStart);
    if (!index.isValid())
        return;
    // A folder expanded while the tree's layout is pending is only marked,
    // and an item not yet laid out is not scrolled to: the layout first.
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_tree->doItemsLayout();
    m_tree->scrollTo(index, QAbstractItemView::PositionAtTop);
}

QString CLiranaView::ExistingFolder(const QString& wanted)
{
    // A folder that is not there would open a file dialog in its parent
    // with its name typed in the name field.
    for (QString folder = wanted.isEmpty() ? DataPaths::SystemMediaFolder() : wanted; !folder.isEmpty();) {
        if (QFileInfo(folder).isDir())
            return QDir::cleanPath(folder);
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    return QDir::homePath();
}

void CLiranaView::SaveSettings() const
{
    ListFont::Write(ToLogFont(m_list->ListFont()));
    CRegistryKey key = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    const QModelIndex current = m_tree->currentIndex();
    if (current.isValid())
        key.SetBinary(kSelectedItem, m_fileModel->filePath(current).toUtf8());
}

void CLiranaView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        // The engine may have read its settings after the view was built.
        m_list->SetShowPath(Settings().showPath);
        m_list->SetShowTrackNo(Settings().showTrackNo);
        m_list->setFocus();
    }
}

bool CLiranaView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_treeHolder && event->type() == QEvent::Resize) {
        const QSize size = m_treeHolder->size();
        m_tree->setGeometry(0, 0, size.width(), size.height());
        m_tree->setVisible(size.height() >= kTreeMinHeight);
    } else if (watched == m_tree && event->type() == QEvent::Show) {
        QueueTreeScroll(); // shown with its window or as the holder grows: once laid out
    } else if (watched == m_tree && event->type() == QEvent::KeyPress) {
        m_treeStart.clear();
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            AddTreeSelection();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CLiranaView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);
    OnCommand(EditCmd::AddTracks);
}

void CLiranaView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CLiranaView::dropEvent(QDropEvent* event)
{
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    event->acceptProposedAction();
    if (!names.isEmpty())
        DropFiles(names, -1); // outside the list: append
}

void CLiranaView::DropFiles(const QStringList& names, int index)
{
    WaitCursor wait;
    CPlaylist& list = *m_context.playlist;
    const bool wasEmpty = list.Count() == 0;
    QStringList paths;
    CollectDroppedFiles(names, &paths, true);
    InsertDropped(list, paths, index, Settings().mediaFilesOnly);
    if (wasEmpty && !m_context.engine->OnAir() && Settings().autoPlay && list.Selection() >= 0)
        m_context.engine->PostCommand(Cmd::Play);
    Checkpoint(EditCmd::Drop);
}

void CLiranaView::AddTreeSelection()
{
    QStringList paths;
    for (const QModelIndex& index : m_tree->selectionModel()->selectedRows())
        if (!m_fileModel->isDir(index))
            paths << m_fileModel->filePath(index);
    if (paths.isEmpty())
        return;
    AppendItems(*m_context.playlist, paths, Settings().mediaFilesOnly);
    Checkpoint(EditCmd::AddTracks);
}

void CLiranaView::PlayRow(int row)
{
    CPlaylist& list = *m_context.playlist;
    if (row < 0 || row >= list.Count())
        return;
    list.Select(row);
    COnAirEngine& engine = *m_context.engine;
    if (engine.OnAir())
        engine.OnStop();
    engine.StartItem(list.Row(row));
}

void CLiranaView::ShowListMenu(const QPoint& globalPos)
{
    QMenu menu(this);
    const std::pair<int, QString> entries[] = {
        {EditCmd::AddTracks, tr("Add Tracks...")},
        {EditCmd::Remove, tr("Remove")},
        {EditCmd::Rename, tr("Rename...")},
    };
    for (const auto& [id, text] : entries) {
        QAction* action = menu.addAction(text);
        action->setEnabled(OnUpdateCommand(id).value_or(CommandState{}).enabled);
        connect(action, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
    }
    if (QWidget* top = window())
        top->raise();
    menu.exec(globalPos);
}

void CLiranaView::Checkpoint(int commandId)
{
    if (m_context.document)
        m_context.document->Checkpoint(static_cast<std::uint32_t>(commandId));
}
