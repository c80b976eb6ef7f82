// SPDX-License-Identifier: GPL-3.0-or-later
// CEventsPage: the "Events" page, which edits a copy of the schedule: New,
// Modify (or a double click), Delete, and Load and Save of an events file
// (its folder remembered as "EventListDir"). Apply, on OK of the sheet that
// holds it, makes the copy the live schedule (next runs from now), stores
// it in the settings and refreshes the upcoming list; without Apply the
// live schedule is not touched, so the scheduler keeps running on it while
// the page is open.
// Thread: the user-interface thread.
#pragma once

#include "events/EventList.h"
#include "gui/dialogs/EditEventDlg.h"

#include <QWidget>

class CEventScheduler;
class QListWidget;
class QListWidgetItem;

class CEventsPage : public QWidget
{
    Q_OBJECT

public:
    struct Pickers
    {
        FilePicker openList = AskOpenFile;    // Load
        FilePicker saveList = AskSaveIniFile; // Save
    };

    CEventsPage(CEventScheduler& scheduler, CEditEventDlg::Context editor, QWidget* parent = nullptr);

    void SetPickers(Pickers pickers) { m_pickers = std::move(pickers); }
    // The editor a record is edited in (tests answer in its place).
    using Editor = std::function<bool(CScheduledEvent&, WallTime, const CEditEventDlg::Context&, QWidget*)>;
    void SetEditor(Editor editor) { m_edit = std::move(editor); }

    // OK of the sheet.
    void Apply();

    QListWidget* List() const { return m_list; }
    const CEventList& Edited() const { return m_edited; }
    void New();
    void Modify();
    void Delete();
    void Load();
    void Save();

private:
    void Refill(int select);
    void Activated(QListWidgetItem* item);
    QString AskEventsFile(const FilePicker& picker);
    void Tell(const QString& message);

    CEventScheduler& m_scheduler;
    CEventList m_edited;
    CEditEventDlg::Context m_editor;
    Editor m_edit = &CEditEventDlg::EditEvent;
    Pickers m_pickers;
    QListWidget* m_list = nullptr;
};
