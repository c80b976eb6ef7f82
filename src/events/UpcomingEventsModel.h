// SPDX-License-Identifier: GPL-3.0-or-later
// CUpcomingEventsModel: what the console's "Upcoming events" box shows: a
// copy of every event due within 15 minutes (overdue waiting events
// included) in list order, whether the box and its label are enabled, and
// the blink flag that turns the label's text background red every other
// second while an event is due within 5 minutes. The scheduler feeds it once
// a second; the rows are replaced (a model reset) only when they changed,
// so a selection in the view survives the refresh.
// Thread: the user-interface thread.
#pragma once

#include "events/ScheduledEvent.h"

#include <QAbstractListModel>
#include <vector>

class CUpcomingEventsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        FileNameRole = Qt::UserRole + 1, // QString: the event's file
        ExactRole,                       // bool: "run immediately"
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    // Qt::DisplayRole: the event's display line.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    const CScheduledEvent& At(int row) const { return m_rows.at(std::size_t(row)); }

    // The enabled flag of the scheduler: label and list enabled, check box
    // checked.
    bool IsEnabled() const { return m_enabled; }
    bool Blink() const { return m_blink; }

    // One refresh: due are the events due within 15 minutes in list order,
    // imminent whether one is due within 5 minutes while enabled. Returns
    // true when the rows were rebuilt.
    bool Update(const std::vector<const CScheduledEvent*>& due, bool imminent, bool enabled);

signals:
    // IsEnabled() or Blink() changed: repaint the label and controls.
    void StateChanged();

private:
    std::vector<CScheduledEvent> m_rows;
    bool m_enabled = true;
    bool m_blink = false;
};
