// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/CommandRouter.h"

#include "gui/frame/CommandTable.h"
#include "gui/frame/ToolIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QWidget>

CCommandRouter::CCommandRouter(QWidget* owner) : QObject(owner), m_owner(owner)
{
    m_idle.setInterval(100);
    connect(&m_idle, &QTimer::timeout, this, &CCommandRouter::UpdateAll);
    m_idle.start();
}

void CCommandRouter::SetTargets(std::vector<CommandTarget*> targets)
{
    m_targets = std::move(targets);
    UpdateAll();
}

QAction* CCommandRouter::Action(int id)
{
    if (QAction* action = m_actions.value(id))
        return action;
    auto* action = new QAction(m_owner);
    action->setData(id);
    action->setShortcutContext(Qt::WindowShortcut);
    if (const CommandInfo* info = FindCommand(id)) {
        SetTexts(action, *info);
        action->setShortcuts(info->keys);
        action->setCheckable(info->check == Check::Toggle || info->check == Check::Radio);
        if (info->check == Check::Radio) {
            QActionGroup*& group = m_radioGroups[RadioGroup(id)];
            if (!group)
                group = new QActionGroup(this); // exclusive: a radio mark in menus
            group->addAction(action);
        }
        action->setIcon(CommandIcon(id));
        action->setIconVisibleInMenu(false);
    }
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id] {
        Dispatch(id);
        UpdateAll();
    });
    m_owner->addAction(action); // keys work while menus and bars are hidden
    m_actions.insert(id, action);
    return action;
}

void CCommandRouter::SetTexts(QAction* action, const CommandInfo& info)
{
    action->setText(info.menuText);
    action->setStatusTip(info.StatusTip());
    action->setToolTip(info.ToolTip());
}

void CCommandRouter::Retranslate()
{
    RetranslateCommands();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        if (const CommandInfo* info = FindCommand(it.key()))
            SetTexts(it.value(), *info);
    }
    UpdateAll(); // the texts the targets give (the sound buttons) come back
}

bool CCommandRouter::Dispatch(int id)
{
    // A command that is disabled now (a key pressed between two idle
    // updates) does nothing, as its menu item would not.
    if (!State(id).enabled)
        return false;
    for (CommandTarget* target : m_targets) {
        if (target && target->OnCommand(id))
            return true;
    }
    return false;
}

CommandState CCommandRouter::State(int id) const
{
    for (const CommandTarget* target : m_targets) {
        if (!target)
            continue;
        if (std::optional<CommandState> state = target->OnUpdateCommand(id))
            return *state;
    }
    return {};
}

void CCommandRouter::UpdateAll()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CommandState state = State(it.key());
        QAction* action = it.value();
        if (action->isEnabled() != state.enabled)
            action->setEnabled(state.enabled);
        ShowChecked(it.key(), action, state.checked);
        for (CommandTarget* target : m_targets) {
            auto* words = dynamic_cast<CommandTextSource*>(target);
            if (!words)
                continue;
            const QString text = words->CommandMenuText(it.key());
            const QString tip = words->CommandToolTip(it.key());
            if (!text.isEmpty() && action->text() != text)
                action->setText(text);
            if (!tip.isEmpty() && action->toolTip() != tip)
                action->setToolTip(tip);
        }
    }
    emit Updated();
}

void CCommandRouter::ShowChecked(int id, QAction* action, bool checked)
{
    const CommandInfo* info = FindCommand(id);
    if (info && info->check == Check::WhenChecked) {
        // A click on the checked item unchecks it but leaves it checkable;
        // isChecked() is false while not checkable, so uncheck before hiding
        // the mark and make it checkable before setting it.
        if (action->isCheckable() != checked) {
            if (checked)
                action->setCheckable(true);
            action->setChecked(checked);
            if (!checked)
                action->setCheckable(false);
        } else if (action->isChecked() != checked) {
            action->setChecked(checked);
        }
        return;
    }
    if (action->isCheckable() && action->isChecked() != checked)
        action->setChecked(checked);
}
