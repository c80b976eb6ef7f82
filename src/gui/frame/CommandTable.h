// SPDX-License-Identifier: GPL-3.0-or-later
// The console's view of the command table (app/CommandTable.h): each
// command's menu text, prompt ("status-bar prompt\ntool tip"), key sequences
// and how it shows a checked state. Menus, tool bars and accelerators are
// built from it.
#pragma once

#include "app/CommandTable.h"

#include <QKeySequence>
#include <QList>
#include <QString>

struct CommandInfo
{
    int id = 0;
    QString menuText; // with '&' mnemonic; empty for commands without a menu item
    QString prompt;   // "status prompt\ntool tip"
    QList<QKeySequence> keys;
    Check check = Check::None;

    QString StatusTip() const { return prompt.section(u'\n', 0, 0); }
    // The part after the first "\n", else the menu text without '&' and "...".
    QString ToolTip() const;
    // The third "\n" part: the tool-bar button text; usually empty.
    QString ButtonText() const { return prompt.section(u'\n', 2, 2); }
};

// Every command with a menu text or a prompt, in menu order.
const QList<CommandInfo>& AllCommands();
// Reads the texts again in the current display language.
void RetranslateCommands();
// The entry of id; nullptr when id has none.
const CommandInfo* FindCommand(int id);
// The player modes in the order of the mode combo box (index = mode number).
const QList<int>& PlayerModeCommands();
// The exclusive group of a Check::Radio command, named by its first member;
// 0 for other commands.
int RadioGroup(int id);
