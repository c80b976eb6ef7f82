// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/PlugInList.h"

#include "gui/dialogs/AddPlugInDlg.h"
#include "gui/dialogs/ListPage.h"
#include "gui/dialogs/PlugInPropertiesDlg.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gst/gst.h>

CPlugInList::CPlugInList(CPlugInChain& chain, GstElement* pipeline, QLabel* note, int listId,
                         const std::array<Button, 3>& buttons, QWidget* parent)
    : QWidget(parent), m_chain(chain), m_pipeline(pipeline ? GST_ELEMENT(gst_object_ref(pipeline)) : nullptr)
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list%1").arg(listId));
    const std::vector<QPushButton*> made = LayOutListPage(
        this, note, m_list,
        {{buttons[0].text, buttons[0].id, [this] { Add(); }},
         {buttons[1].text, buttons[1].id, [this] { Properties(); }},
         {buttons[2].text, buttons[2].id, [this] { Remove(); }}});
    m_properties = made[1];
    m_remove = made[2];

    for (const CPlugInFilter& filter : chain.filters) {
        // The live element when the pipeline plays through this entry.
        GstElement* element = m_pipeline ? CPlugInChain::FindInPipeline(m_pipeline, filter.Name()) : nullptr;
        if (!element) {
            element = filter.CreateInstance();
            if (element) {
                gst_object_ref_sink(element);
                m_changed = true;
            }
        }
        if (element)
            AddRow(filter.Name(), element);
        else
            (m_rows.empty() ? m_leading : m_rows.back().hidden).push_back(filter);
    }
    connect(m_list, &QListWidget::currentRowChanged, this, &CPlugInList::UpdateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_list->setCurrentItem(item);
        Properties();
    });
    m_list->setCurrentRow(m_rows.empty() ? -1 : 0);
    UpdateButtons();
}

CPlugInList::~CPlugInList()
{
    for (Row& row : m_rows)
        Release(row);
    if (m_pipeline)
        gst_object_unref(m_pipeline);
}

void CPlugInList::AddRow(const QString& name, GstElement* element)
{
    Row row{name, {element}, {}};
    if (GstElement* right = CPlugInChain::RightInstance(element))
        row.elements.push_back(right);
    m_rows.push_back(std::move(row));
    m_list->addItem(name);
}

void CPlugInList::Release(Row& row)
{
    for (GstElement* element : row.elements)
        gst_object_unref(element);
    row.elements.clear();
}

void CPlugInList::UpdateButtons()
{
    const bool selected = m_list->currentRow() >= 0;
    m_properties->setEnabled(selected);
    m_remove->setEnabled(selected);
}

void CPlugInList::Add()
{
    CAddPlugInDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedName().isEmpty())
        return;
    const std::optional<CPlugInFilter> filter = CPlugInChain::CreateByName(dialog.SelectedName());
    GstElement* element = filter ? filter->CreateInstance() : nullptr;
    if (!element)
        return;
    AddRow(filter->Name(), GST_ELEMENT(gst_object_ref_sink(element)));
    m_changed = true;
    m_list->setCurrentRow(m_list->count() - 1);
}

void CPlugInList::Properties()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    CPlugInPropertiesDlg dialog(m_rows[row].name, m_rows[row].elements, this);
    dialog.exec();
}

void CPlugInList::Remove()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    Release(m_rows[row]);
    // What could not be shown stays where it was: after the row before.
    std::vector<CPlugInFilter>& before = row == 0 ? m_leading : m_rows[row - 1].hidden;
    before.insert(before.end(), m_rows[row].hidden.begin(), m_rows[row].hidden.end());
    m_rows.erase(m_rows.begin() + row);
    m_changed = true;
    delete m_list->takeItem(row);
    m_list->setCurrentRow(std::min(row, m_list->count() - 1));
}

bool CPlugInList::Apply()
{
    std::vector<CPlugInFilter> filters = m_leading;
    for (const Row& row : m_rows) {
        GstElement* element = row.elements.front();
        GstElementFactory* factory = gst_element_get_factory(element);
        CPlugInFilter filter(row.name, factory ? QString::fromUtf8(GST_OBJECT_NAME(factory)) : QString());
        filter.SaveState(element);
        filters.push_back(std::move(filter));
        filters.insert(filters.end(), row.hidden.begin(), row.hidden.end());
    }
    m_chain.filters = std::move(filters);
    return m_changed;
}
