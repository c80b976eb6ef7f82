// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/EventsPage.h"

#include "app/Strings.h"
#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "events/Scheduler.h"
#include "events/UpcomingEventsModel.h"
#include "gui/console/ItemKindDelegate.h"
#include "gui/dialogs/ListPage.h"
#include "platform/Exception.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

const QString kListName = QStringLiteral("Events.ini");

} // namespace

CEventsPage::CEventsPage(CEventScheduler& scheduler, CEditEventDlg::Context editor, QWidget* parent)
    : QWidget(parent), m_scheduler(scheduler),
      m_edited(CEventList::CopyOf(scheduler.Events(), scheduler.Now())), m_editor(std::move(editor))
{
    setObjectName(QStringLiteral("page154"));
    setWindowTitle(tr("Events"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list1000"));
    m_list->setItemDelegate(new CItemKindDelegate(CUpcomingEventsModel::FileNameRole, m_list));
    LayOutListPage(this, nullptr, m_list,
                   {{tr("&New..."), 1067, [this] { New(); }},
                    {tr("&Modify..."), 1068, [this] { Modify(); }},
                    {tr("&Delete"), 1069, [this] { Delete(); }},
                    {tr("&Load..."), 1117, [this] { Load(); }},
                    {tr("&Save..."), 1118, [this] { Save(); }}});
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CEventsPage::Activated);
    Refill(0);
}

void CEventsPage::Refill(int select)
{
    m_list->clear();
    for (int i = 0; i < m_edited.Count(); ++i) {
        const CScheduledEvent& event = m_edited.At(i);
        auto* item = new QListWidgetItem(event.GetDisplayLine(), m_list);
        item->setData(CUpcomingEventsModel::FileNameRole, event.fileName);
        item->setToolTip(event.fileName);
    }
    if (m_edited.Count() > 0)
        m_list->setCurrentRow(std::clamp(select, 0, m_edited.Count() - 1));
}

void CEventsPage::Activated(QListWidgetItem* item)
{
    m_list->setCurrentItem(item);
    Modify();
}

void CEventsPage::New()
{
    CScheduledEvent event(m_scheduler.Now());
    if (!m_edit(event, m_scheduler.Now(), m_editor, this))
        return;
    m_edited.Append(std::make_unique<CScheduledEvent>(std::move(event)));
    Refill(m_edited.Count() - 1);
}

void CEventsPage::Modify()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_edited.Count())
        return;
    // The editor works on a copy, so that Cancel leaves the entry whole.
    CScheduledEvent event = m_edited.At(row);
    if (!m_edit(event, m_scheduler.Now(), m_editor, this))
        return;
    m_edited.At(row) = event;
    m_edited.At(row).ComputeNextRun(m_scheduler.Now());
    Refill(row);
}

void CEventsPage::Delete()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_edited.Count())
        return;
    m_edited.RemoveAt(row);
    Refill(row);
}

QString CEventsPage::AskEventsFile(const FilePicker& picker)
{
    static const QString filter = tr("Scheduled Events (*.ini);;All Files (*)");
    const QString folder = m_editor.settings ? m_editor.settings->eventListDir : QString();
    const QString chosen = picker(this, filter, QDir(folder).filePath(kListName));
    if (!chosen.isEmpty() && m_editor.settings)
        RememberFolder(QStringLiteral("EventListDir"), m_editor.settings->eventListDir, chosen);
    return chosen;
}

void CEventsPage::Load()
{
    const QString chosen = AskEventsFile(m_pickers.openList);
    if (chosen.isEmpty())
        return;
    CEventList loaded;
    try {
        loaded.LoadFromFile(chosen, m_scheduler.Now());
    } catch (const CException& error) {
        Tell(error.GetErrorMessage());
        return;
    }
    m_edited = std::move(loaded);
    Refill(0);
}

void CEventsPage::Save()
{
    const QString chosen = AskEventsFile(m_pickers.saveList);
    if (chosen.isEmpty())
        return;
    try {
        // Exactly this list: no "Event %d" of a longer older file stays.
        CEventList::CopyOf(m_edited, m_scheduler.Now()).SaveToFile(chosen);
    } catch (const CException& error) {
        Tell(error.GetErrorMessage());
    }
}

void CEventsPage::Tell(const QString& message)
{
    TellOperator(this, m_editor.ui, message, UserInterface::Icon::Stop);
}

void CEventsPage::Apply()
{
    m_scheduler.ReplaceEvents(m_edited);
}
