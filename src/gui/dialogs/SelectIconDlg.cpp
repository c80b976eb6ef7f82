// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/SelectIconDlg.h"

#include "gui/frame/ProgramIcons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

CSelectIconDlg::CSelectIconDlg(const QString& file, int index, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dialog-select-icon"));
    setWindowTitle(tr("Select Icon"));
    m_file = new QLineEdit(file, this);
    m_file->setObjectName(QStringLiteral("edit2223"));
    auto* label = new QLabel(tr("&File:"), this);
    label->setBuddy(m_file);
    auto* browse = new QPushButton(tr("&Browse..."), this);
    browse->setObjectName(QStringLiteral("button2209"));
    m_icons = new QListWidget(this);
    m_icons->setObjectName(QStringLiteral("list2200"));
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setFlow(QListView::TopToBottom); // column after column, as the pictures come
    m_icons->setWrapping(true);
    m_icons->setIconSize(QSize(32, 32));
    m_icons->setGridSize(QSize(44, 44));
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setSelectionMode(QAbstractItemView::SingleSelection);
    m_icons->setMinimumHeight(3 * 44 + 8);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("button1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("button2"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_file, 0, 1);
    layout->addWidget(browse, 0, 2);
    layout->addWidget(m_icons, 1, 0, 1, 3);
    layout->addWidget(buttons, 2, 0, 1, 3);

    connect(m_file, &QLineEdit::textChanged, m_icons, &QListWidget::clearSelection);
    connect(browse, &QPushButton::clicked, this, &CSelectIconDlg::Browse);
    connect(m_icons, &QListWidget::itemDoubleClicked, this, &CSelectIconDlg::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelectIconDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Fill(index);
    resize(420, 240);
}

QString CSelectIconDlg::File() const
{
    return m_file->text().trimmed();
}

void CSelectIconDlg::Fill(int index)
{
    m_icons->clear();
    const QString file = File();
    const int count = IconCount(file);
    for (int i = 0; i < count; ++i) {
        auto* item = new QListWidgetItem(FileIcon(file, i), QString(), m_icons);
        item->setToolTip(QString::number(i));
    }
    if (index >= 0 && index < count)
        m_icons->setCurrentRow(index);
}

void CSelectIconDlg::Browse()
{
    const QString chosen = m_browse(this, tr("Icon Files (*.png *.svg *.xpm *.ico);;All Files (*)"), File());
    if (!chosen.isEmpty())
        m_file->setText(chosen);
}

void CSelectIconDlg::accept()
{
    const QList<QListWidgetItem*> chosen = m_icons->selectedItems();
    if (chosen.isEmpty()) {
        Fill(0);
        return;
    }
    m_index = m_icons->row(chosen.first());
    QDialog::accept();
}
