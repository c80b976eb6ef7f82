// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/AddPlugInDlg.h"

#include "media/PlugInChain.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CAddPlugInDlg::CAddPlugInDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dialog-add-plugin"));
    setWindowTitle(tr("Add Audio Plug-in"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list1167"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const CPlugInInfo& info : CPlugInChain::AvailablePlugIns()) {
        if (m_list->count() == 0 || m_list->item(m_list->count() - 1)->text() != info.name)
            m_list->addItem(info.name);
    }
    auto* buttons = new QDialogButtonBox(this);
    m_add = buttons->addButton(tr("&Add"), QDialogButtonBox::AcceptRole);
    m_add->setObjectName(QStringLiteral("button1"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("button2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_add->setEnabled(!m_list->selectedItems().isEmpty()); });
    m_list->setCurrentRow(0);
    m_add->setEnabled(!m_list->selectedItems().isEmpty());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(360, 420);
}

QString CAddPlugInDlg::SelectedName() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
