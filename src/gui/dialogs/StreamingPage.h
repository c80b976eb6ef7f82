// SPDX-License-Identifier: GPL-3.0-or-later
// CStreamingPage: the "Streaming" page of the Advanced Options sheet, which
// edits a copy of the station's streams (StreamSettings) in a table: the
// name (or mount point), format, bit rate and server of each, with a light
// for its state: green on the air, yellow connecting, red down, grey off
// (disabled, or not running since the last OK). Add and Edit open the
// Stream dialog; Remove drops the current row. The lights follow the
// running streams every second while the page exists. Save, after the
// sheet's OK, stores the list when it was changed; without it nothing is
// stored.
// Thread: the user-interface thread.
#pragma once

#include "station/StreamSettings.h"

#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QPushButton;
class QTreeWidget;
class UserInterface;

class CStreamingPage : public QWidget
{
    Q_OBJECT

public:
    // Each running stream's name and state (CStation::StreamStates).
    using States = std::function<std::vector<std::pair<QString, CAirStream::State>>()>;

    CStreamingPage(UserInterface* ui, States states, QWidget* parent = nullptr);

    // The list into the settings when it changed; true when it did.
    bool Save() const;

    QTreeWidget* Table() const { return m_table; }
    const std::vector<StreamEntry>& Edited() const { return m_edited; }
    void Add();
    void Edit();
    void Remove();
    // The lights from the running streams' states.
    void ShowStates();

private:
    void Refill(int select);
    // Runs the Stream dialog on entry; true at OK.
    bool Ask(StreamEntry& entry);

    UserInterface* m_ui;
    States m_states;
    std::vector<StreamEntry> m_edited;
    bool m_changed = false;
    QTreeWidget* m_table = nullptr;
    QPushButton* m_add = nullptr;
    QTimer m_timer;
};
