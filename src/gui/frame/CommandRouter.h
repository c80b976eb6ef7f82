// SPDX-License-Identifier: GPL-3.0-or-later
// CCommandRouter: one QAction per command id, offered to the command targets
// in order (the console view, the frame, the application): the first target
// that handles a command runs it, and the first that answers an update
// decides its enabled and checked state. States are refreshed at idle
// (a 100 ms timer) and before a menu opens. A command no target answers is
// disabled. The catalogue's Check kind decides how a state is shown: a check
// box, a radio mark within an exclusive QActionGroup, or (WhenChecked) an
// action that is checkable only while it is checked, so that menus show no
// empty box beside Play, Pause and Break.
// Thread: the user-interface thread.
#pragma once

#include "app/CommandTarget.h"

#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QWidget;
struct CommandInfo;

class CCommandRouter : public QObject
{
    Q_OBJECT

public:
    // Actions are children of owner, with the window-wide shortcut context.
    explicit CCommandRouter(QWidget* owner);

    // The targets in the order they are asked; null entries are skipped.
    void SetTargets(std::vector<CommandTarget*> targets);

    // The action of id; created from the catalogue on first use.
    QAction* Action(int id);
    const QHash<int, QAction*>& Actions() const { return m_actions; }

    // Runs id on the first target that takes it; false when none did.
    bool Dispatch(int id);
    // The state the targets answer; disabled when none answers.
    CommandState State(int id) const;
    // Refreshes every action now (also runs from the idle timer).
    void UpdateAll();
    // Gives every action its texts again in the current display language.
    void Retranslate();

signals:
    // After each UpdateAll, for widgets that follow states (the mode combo).
    void Updated();

private:
    void ShowChecked(int id, QAction* action, bool checked);
    static void SetTexts(QAction* action, const CommandInfo& info);

    QWidget* m_owner;
    std::vector<CommandTarget*> m_targets;
    QHash<int, QAction*> m_actions;
    QHash<int, QActionGroup*> m_radioGroups; // by RadioGroup()
    QTimer m_idle;
};
