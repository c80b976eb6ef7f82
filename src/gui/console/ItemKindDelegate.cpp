// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/ItemKindDelegate.h"

#include "gui/console/ItemIcons.h"
#include "playlist/ItemPath.h"

CItemKindDelegate::CItemKindDelegate(int pathRole, QObject* parent)
    : QStyledItemDelegate(parent), m_pathRole(pathRole)
{
}

void CItemKindDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const ItemKind kind = GetItemKind(index.data(m_pathRole).toString());
    QIcon icon(ItemIcon(kind, false));
    icon.addPixmap(ItemIcon(kind, true), QIcon::Selected);
    option->icon = icon;
    option->decorationSize = QSize(kItemIconSize, kItemIconSize);
    option->features |= QStyleOptionViewItem::HasDecoration;
}
