// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/EditToolsDlg.h"

#include "gui/dialogs/ListPage.h"
#include "gui/dialogs/ProgramPropertiesDlg.h"
#include "platform/Shell.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CEditToolsDlg::CEditToolsDlg(std::vector<CTool> tools, Context context, QWidget* parent)
    : QDialog(parent), m_tools(std::move(tools)), m_context(std::move(context))
{
    setObjectName(QStringLiteral("dialog-edit-tools"));
    setWindowTitle(tr("Edit Tool menu"));
    if (!m_context.editTool)
        m_context.editTool = &CProgramPropertiesDlg::EditTool;
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list2203"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* page = new QWidget(this);
    // "&New..." has no control id of its own.
    m_buttons = LayOutListPage(page, nullptr, m_list,
                               {{tr("&New..."), 0, [this] { New(); }},
                                {tr("&Edit..."), 2212, [this] { Edit(); }},
                                {tr("&Delete"), 2202, [this] { Delete(); }},
                                {tr("&Run"), 42221, [this] { Run(); }}});
    m_buttons[0]->setObjectName(QStringLiteral("button-new"));
    for (QPushButton* button : m_buttons)
        button->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("button1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("button2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { Edit(); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CEditToolsDlg::FollowSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page);
    layout->addWidget(buttons);
    Refill(m_tools.empty() ? -1 : 0);
    resize(400, 280);
}

void CEditToolsDlg::Refill(int select)
{
    m_list->clear();
    for (const CTool& tool : m_tools)
        m_list->addItem(tool.description);
    if (select >= 0 && select < m_list->count())
        m_list->setCurrentRow(select);
    FollowSelection();
}

void CEditToolsDlg::FollowSelection()
{
    const bool selected = !m_list->selectedItems().isEmpty();
    m_buttons[0]->setEnabled(int(m_tools.size()) < CToolList::kMaxTools);
    for (std::size_t i = 1; i < m_buttons.size(); ++i)
        m_buttons[i]->setEnabled(selected);
}

void CEditToolsDlg::New()
{
    if (int(m_tools.size()) >= CToolList::kMaxTools)
        return;
    CTool tool;
    if (!m_context.editTool(tool, this))
        return;
    m_tools.push_back(tool);
    Refill(int(m_tools.size()) - 1);
}

void CEditToolsDlg::Edit()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = m_list->row(selected.first());
    CTool tool = m_tools.at(std::size_t(row));
    if (!m_context.editTool(tool, this))
        return;
    m_tools[std::size_t(row)] = tool;
    Refill(row);
}

void CEditToolsDlg::Delete()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = m_list->row(selected.first());
    m_tools.erase(m_tools.begin() + row);
    Refill(row); // the entry that moved up, if there is one
}

void CEditToolsDlg::Run()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    Shell& shell = m_context.shell ? *m_context.shell : Shell::System();
    QString message;
    if (!RunTool(m_tools.at(std::size_t(m_list->row(selected.first()))), std::nullopt, shell, &message))
        TellOperator(this, m_context.ui, message, UserInterface::Icon::Stop);
}
