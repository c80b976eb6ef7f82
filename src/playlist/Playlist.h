// SPDX-License-Identifier: GPL-3.0-or-later
// CPlaylist: the master playlist as the core sees it: rows of item paths and
// the selected row (-1 = none). The engine, the undo snapshots and the list
// files work on this model only; the playlist list box is a view of it.
// Thread: the user-interface thread.
#pragma once

#include <QAbstractListModel>
#include <QStringList>

class CPlaylist : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit CPlaylist(QObject* parent = nullptr);

    int Count() const { return static_cast<int>(m_rows.size()); }
    const QString& Row(int index) const { return m_rows.at(index); }
    const QStringList& Rows() const { return m_rows; }

    // The selected row, -1 when none.
    int Selection() const { return m_selection; }
    // Selects index; any value outside 0..Count()-1 clears the selection.
    void Select(int index);

    // Inserts text before index; -1 or Count() appends. Returns the row.
    // The selection stays on the same item.
    int Insert(int index, const QString& text);
    // Inserts the texts in order before index (-1 or Count() appends) as one
    // change of the model, so a view lays out once for the lot. Returns the
    // row of the first. The selection stays on the same item.
    int Insert(int index, const QStringList& texts);
    // Deletes the row; the selection then goes to the row now at index, or
    // the new last row, or none when the list is empty.
    void Delete(int index);
    // Replaces the text in place; selection unchanged.
    void Replace(int index, const QString& text);
    // Moves the row from -> to (index in the shortened list); no selection change.
    void Move(int from, int to);
    // Replaces all rows and the selection at once.
    void Reset(const QStringList& rows, int selection);

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    void SelectionChanged(int selection);

private:
    QStringList m_rows;
    int m_selection = -1;
};
