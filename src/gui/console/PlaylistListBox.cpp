// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/PlaylistListBox.h"

#include "gui/console/ItemIcons.h"
#include "gui/console/MissingFiles.h"
#include "onair/EditCommands.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

const QString kRowMime = QStringLiteral("application/x-lirana-playlist-row");

class RowDelegate : public QStyledItemDelegate
{
public:
    explicit RowDelegate(CPlaylistListBox* list) : QStyledItemDelegate(list), m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return {CPlaylistListBox::kHorizontalExtent, m_list->RowHeight()};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const bool enabled = option.state.testFlag(QStyle::State_Enabled);
        const QPalette& pal = option.palette;
        const QPalette::ColorGroup group = enabled ? QPalette::Active : QPalette::Disabled;
        const QColor back = selected ? pal.color(group, QPalette::Highlight) : pal.color(QPalette::Base);
        const QColor fore = selected ? pal.color(group, QPalette::HighlightedText)
                                     : pal.color(group, QPalette::Text);
        p->save();
        p->fillRect(option.rect, back);
        const int row = index.row();
        const QString& path = m_list->Playlist().Row(row);
        const QPixmap icon = m_list->IsMissing(row) ? m_list->style()
                                                          ->standardIcon(QStyle::SP_MessageBoxCritical)
                                                          .pixmap(kItemIconSize)
                                                    : ItemIconForPath(path, selected);
        const int iconTop = option.rect.top() + (option.rect.height() - kItemIconSize) / 2;
        p->drawPixmap(option.rect.left(), iconTop, icon);
        p->setFont(m_list->ListFont());
        p->setPen(fore);
        const QRect textRect = option.rect.adjusted(20, 0, 0, 0);
        const QString note = m_list->RowNoteOf(row);
        p->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    note.isEmpty() ? m_list->GetRowText(row)
                                   : m_list->GetRowText(row) + QStringLiteral("   ") + note);
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            QStyleOptionFocusRect focus;
            focus.initFrom(m_list);
            focus.rect = option.rect;
            focus.backgroundColor = back;
            m_list->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, p, m_list);
        }
        p->restore();
    }

private:
    CPlaylistListBox* m_list;
};

} // namespace

QString CPlaylistListBox::RowNoteOf(int row) const
{
    return m_rowNote ? m_rowNote(m_playlist.Row(row)) : QString();
}

CPlaylistListBox::CPlaylistListBox(CPlaylist& playlist, QWidget* parent)
    : QListView(parent), m_playlist(playlist), m_font(QApplication::font())
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setDragEnabled(false); // rows are dragged by StartRowDrag
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setItemDelegate(new RowDelegate(this));
    UpdateRowHeight();
    setModel(&m_playlist);

    connect(&m_playlist, &CPlaylist::SelectionChanged, this, [this] { SyncFromModel(); });
    auto begin = [this] { ++m_modelChanging; };
    auto end = [this] {
        --m_modelChanging;
        SyncFromModel();
    };
    connect(&m_playlist, &QAbstractItemModel::rowsAboutToBeInserted, this, begin);
    connect(&m_playlist, &QAbstractItemModel::rowsInserted, this, end);
    connect(&m_playlist, &QAbstractItemModel::rowsAboutToBeRemoved, this, begin);
    connect(&m_playlist, &QAbstractItemModel::rowsRemoved, this, end);
    connect(&m_playlist, &QAbstractItemModel::rowsAboutToBeMoved, this, begin);
    connect(&m_playlist, &QAbstractItemModel::rowsMoved, this, end);
    connect(&m_playlist, &QAbstractItemModel::modelAboutToBeReset, this, begin);
    connect(&m_playlist, &QAbstractItemModel::modelReset, this, end);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { TakeViewSelection(); });
    SyncFromModel();
}

void CPlaylistListBox::SetShowPath(bool on)
{
    m_showPath = on;
    viewport()->update();
}

void CPlaylistListBox::SetShowTrackNo(bool on)
{
    m_showTrackNo = on;
    viewport()->update();
}

QString CPlaylistListBox::GetRowText(int row) const
{
    if (row < 0 || row >= m_playlist.Count())
        return {};
    return PlaylistRowText(m_playlist.Row(row), row, m_showPath, m_showTrackNo);
}

void CPlaylistListBox::SetListFont(const QFont& font)
{
    m_font = font;
    UpdateRowHeight();
}

void CPlaylistListBox::UpdateRowHeight()
{
    const int height = QFontMetrics(m_font).height();
    m_rowHeight = height > 16 ? height : 16;
    // The delegate's size changed: let the view lay the rows out again.
    if (model())
        doItemsLayout();
    viewport()->update();
}

int CPlaylistListBox::RowAt(const QPoint& viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() ? index.row() : -1;
}

bool CPlaylistListBox::DropRowAt(int from, const QPoint& viewportPos)
{
    const int row = RowAt(viewportPos);
    return DragMoveRow(m_playlist, from, row < 0 ? m_playlist.Count() : row);
}

void CPlaylistListBox::SyncFromModel()
{
    if (m_modelChanging > 0)
        return;
    m_syncing = true;
    const int sel = m_playlist.Selection();
    if (sel >= 0 && sel < m_playlist.Count()) {
        const QModelIndex index = m_playlist.index(sel);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        scrollTo(index);
    } else {
        selectionModel()->clearSelection();
    }
    m_syncing = false;
}

void CPlaylistListBox::TakeViewSelection()
{
    if (m_syncing || m_modelChanging > 0)
        return;
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    if (rows.isEmpty()) {
        // A list box keeps its row when the operator clicks beside the rows.
        SyncFromModel();
        return;
    }
    m_playlist.Select(rows.first().row());
}

void CPlaylistListBox::mousePressEvent(QMouseEvent* event)
{
    QListView::mousePressEvent(event);
    m_pressRow = event->button() == Qt::LeftButton ? RowAt(event->position().toPoint()) : -1;
    m_pressPos = event->position().toPoint();
}

void CPlaylistListBox::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressRow >= 0 && event->buttons().testFlag(Qt::LeftButton) &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        StartRowDrag();
        return;
    }
    QListView::mouseMoveEvent(event);
}

void CPlaylistListBox::StartRowDrag()
{
    const int row = m_pressRow;
    m_pressRow = -1;
    auto* mime = new QMimeData;
    mime->setData(kRowMime, QByteArray::number(row));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(ItemIcon(GetItemKind(m_playlist.Row(row)), false));
    drag->exec(Qt::MoveAction);
}

void CPlaylistListBox::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if ((mime->hasFormat(kRowMime) && event->source() == this) || mime->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CPlaylistListBox::dragMoveEvent(QDragMoveEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if ((mime->hasFormat(kRowMime) && event->source() == this) || mime->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CPlaylistListBox::dropEvent(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    const QPoint pos = event->position().toPoint();
    if (mime->hasFormat(kRowMime) && event->source() == this) {
        bool ok = false;
        const int from = mime->data(kRowMime).toInt(&ok);
        if (ok)
            DropRowAt(from, pos);
        event->acceptProposedAction();
        return;
    }
    if (mime->hasUrls()) {
        QStringList names;
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile())
                names << url.toLocalFile();
        event->acceptProposedAction();
        if (!names.isEmpty())
            emit FilesDropped(names, RowAt(pos));
        return;
    }
    event->ignore();
}

void CPlaylistListBox::WatchMissingFiles()
{
    if (m_missing)
        return;
    m_missing = new CMissingFiles(m_playlist, this);
    connect(m_missing, &CMissingFiles::Changed, viewport(), qOverload<>(&QWidget::update));
}

bool CPlaylistListBox::IsMissing(int row) const
{
    return m_missing && row >= 0 && row < m_playlist.Count() && m_missing->IsMissing(m_playlist.Row(row));
}

bool CPlaylistListBox::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int row = RowAt(help->pos());
        if (IsMissing(row))
            QToolTip::showText(help->globalPos(), tr("The file %1 does not exist.").arg(m_playlist.Row(row)),
                               viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QListView::viewportEvent(event);
}
