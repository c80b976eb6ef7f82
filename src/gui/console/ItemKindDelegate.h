// SPDX-License-Identifier: GPL-3.0-or-later
// CItemKindDelegate: draws a list row as the playlist draws its rows: the
// 16 x 16 icon of the item kind (ItemIcons) before the row's text. The item
// path is read from the model under pathRole; the text is the model's
// display text. Used by the console's "Upcoming events" list.
// Thread: the GUI thread.
#pragma once

#include <QStyledItemDelegate>

class CItemKindDelegate : public QStyledItemDelegate
{
public:
    CItemKindDelegate(int pathRole, QObject* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    int m_pathRole;
};
