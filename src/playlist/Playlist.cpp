// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/Playlist.h"

#include <algorithm>

CPlaylist::CPlaylist(QObject* parent) : QAbstractListModel(parent) {}

void CPlaylist::Select(int index)
{
    const int sel = (index >= 0 && index < Count()) ? index : -1;
    if (sel == m_selection)
        return;
    m_selection = sel;
    emit SelectionChanged(m_selection);
}

int CPlaylist::Insert(int index, const QString& text)
{
    return Insert(index, QStringList{text});
}

int CPlaylist::Insert(int index, const QStringList& texts)
{
    const int row = (index < 0 || index > Count()) ? Count() : index;
    if (texts.isEmpty())
        return row;
    const auto n = static_cast<int>(texts.size());
    beginInsertRows({}, row, row + n - 1);
    m_rows.insert(row, n, QString());
    std::copy(texts.begin(), texts.end(), m_rows.begin() + row);
    endInsertRows();
    if (m_selection >= row) {
        m_selection += n;
        emit SelectionChanged(m_selection);
    }
    return row;
}

void CPlaylist::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    beginRemoveRows({}, index, index);
    m_rows.removeAt(index);
    endRemoveRows();
    if (m_rows.isEmpty())
        m_selection = -1;
    else
        m_selection = std::min(index, Count() - 1);
    emit SelectionChanged(m_selection);
}

void CPlaylist::Replace(int index, const QString& text)
{
    if (index < 0 || index >= Count())
        return;
    m_rows[index] = text;
    const QModelIndex mi = createIndex(index, 0);
    emit dataChanged(mi, mi);
}

void CPlaylist::Move(int from, int to)
{
    if (from < 0 || from >= Count())
        return;
    const int target = std::clamp(to < 0 ? Count() - 1 : to, 0, Count() - 1);
    if (target == from)
        return;
    // Qt counts the destination in the list before the move.
    beginMoveRows({}, from, from, {}, target > from ? target + 1 : target);
    m_rows.move(from, target);
    endMoveRows();
}

void CPlaylist::Reset(const QStringList& rows, int selection)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
    m_selection = -2;
    Select(selection);
}

int CPlaylist::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant CPlaylist::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_rows.at(index.row());
    return {};
}
