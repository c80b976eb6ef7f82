// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/PlugInsPage.h"

#include "gui/dialogs/AddPlugInDlg.h"
#include "gui/dialogs/ListPage.h"
#include "gui/dialogs/PlugInPropertiesDlg.h"
#include "media/DirectShowTrack.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gst/gst.h>

GstElement* CPlugInsPage::PipelineOf(CMediaTrack* track)
{
    auto* gstreamer = dynamic_cast<CDirectShowTrack*>(track);
    return gstreamer ? gstreamer->Pipeline() : nullptr;
}

CPlugInsPage::CPlugInsPage(CPlugInChain& chain, GstElement* pipeline, QWidget* parent)
    : QWidget(parent), m_chain(chain), m_pipeline(pipeline ? GST_ELEMENT(gst_object_ref(pipeline)) : nullptr)
{
    setObjectName(QStringLiteral("page-plugins"));
    setWindowTitle(tr("Plug-ins"));
    auto* text = new QLabel(
        tr("Every item plays through these audio plug-ins, from the top down. A change of "
           "settings is heard at once; added and removed plug-ins take effect from the "
           "next item."),
        this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list1162"));
    const std::vector<QPushButton*> buttons = LayOutListPage(
        this, text, m_list,
        {{tr("&Add..."), 1160, [this] { Add(); }},
         {tr("&Properties..."), 1163, [this] { Properties(); }},
         {tr("&Remove"), 1161, [this] { Remove(); }}});
    m_properties = buttons[1];
    m_remove = buttons[2];

    for (const CPlugInFilter& filter : chain.filters) {
        // The live element when the item on air plays through this entry.
        GstElement* element = m_pipeline ? CPlugInChain::FindInPipeline(m_pipeline, filter.Name()) : nullptr;
        if (!element) {
            element = filter.CreateInstance();
            if (element)
                gst_object_ref_sink(element);
        }
        if (element)
            AddRow(filter.Name(), element);
        else
            (m_rows.empty() ? m_leading : m_rows.back().hidden).push_back(filter);
    }
    connect(m_list, &QListWidget::currentRowChanged, this, &CPlugInsPage::UpdateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_list->setCurrentItem(item);
        Properties();
    });
    m_list->setCurrentRow(m_rows.empty() ? -1 : 0);
    UpdateButtons();
}

CPlugInsPage::~CPlugInsPage()
{
    for (Row& row : m_rows)
        Release(row);
    if (m_pipeline)
        gst_object_unref(m_pipeline);
}

void CPlugInsPage::AddRow(const QString& name, GstElement* element)
{
    Row row{name, {element}, {}};
    if (GstElement* right = CPlugInChain::RightInstance(element))
        row.elements.push_back(right);
    m_rows.push_back(std::move(row));
    m_list->addItem(name);
}

void CPlugInsPage::Release(Row& row)
{
    for (GstElement* element : row.elements)
        gst_object_unref(element);
    row.elements.clear();
}

void CPlugInsPage::UpdateButtons()
{
    const bool selected = m_list->currentRow() >= 0;
    m_properties->setEnabled(selected);
    m_remove->setEnabled(selected);
}

void CPlugInsPage::Add()
{
    CAddPlugInDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedName().isEmpty())
        return;
    const std::optional<CPlugInFilter> filter = CPlugInChain::CreateByName(dialog.SelectedName());
    GstElement* element = filter ? filter->CreateInstance() : nullptr;
    if (!element)
        return;
    AddRow(filter->Name(), GST_ELEMENT(gst_object_ref_sink(element)));
    m_list->setCurrentRow(m_list->count() - 1);
}

void CPlugInsPage::Properties()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    CPlugInPropertiesDlg dialog(m_rows[row].name, m_rows[row].elements, this);
    dialog.exec();
}

void CPlugInsPage::Remove()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    Release(m_rows[row]);
    // What could not be shown stays where it was: after the row before.
    std::vector<CPlugInFilter>& before = row == 0 ? m_leading : m_rows[row - 1].hidden;
    before.insert(before.end(), m_rows[row].hidden.begin(), m_rows[row].hidden.end());
    m_rows.erase(m_rows.begin() + row);
    delete m_list->takeItem(row);
    m_list->setCurrentRow(std::min(row, m_list->count() - 1));
}

void CPlugInsPage::Apply()
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
    SavePlugInChain(m_chain);
}
