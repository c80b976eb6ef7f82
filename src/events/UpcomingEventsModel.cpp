// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/UpcomingEventsModel.h"

int CUpcomingEventsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant CUpcomingEventsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const CScheduledEvent& event = At(index.row());
    switch (role) {
    case Qt::DisplayRole: return event.GetDisplayLine();
    case FileNameRole: return event.fileName;
    case ExactRole: return event.exact;
    default: return {};
    }
}

bool CUpcomingEventsModel::Update(const std::vector<const CScheduledEvent*>& due, bool imminent, bool enabled)
{
    bool changed = due.size() != m_rows.size();
    for (std::size_t i = 0; !changed && i < due.size(); ++i)
        changed = !(*due[i] == m_rows[i]);
    if (changed) {
        beginResetModel();
        m_rows.clear();
        m_rows.reserve(due.size());
        for (const CScheduledEvent* event : due)
            m_rows.push_back(*event);
        endResetModel();
    }

    bool stateChanged = enabled != m_enabled;
    m_enabled = enabled;
    if (imminent) {
        m_blink = !m_blink;
        stateChanged = true;
    } else if (m_blink) {
        m_blink = false;
        stateChanged = true;
    }
    if (stateChanged)
        emit StateChanged();
    return changed;
}
