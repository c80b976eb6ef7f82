// SPDX-License-Identifier: GPL-3.0-or-later
// Anything that handles commands by id: the station core (the document's
// and the engine's commands), and in the console the view, the main frame
// and the application. A front end offers each command to its targets in
// order; the first that answers handles it. Update answers are asked at idle
// to enable and check actions.
#pragma once

#include "app/Commands.h"

#include <QString>
#include <optional>

class CommandTarget
{
public:
    virtual ~CommandTarget() = default;
    // True when the command was this target's and has been handled.
    virtual bool OnCommand(int id) = 0;
    // The command's state when it is this target's, else nothing.
    virtual std::optional<CommandState> OnUpdateCommand(int id) const = 0;
};

// Optional, beside CommandTarget: a target that words its commands itself
// (the sound buttons show the name of their file). Empty = the catalogue's
// text.
class CommandTextSource
{
public:
    virtual ~CommandTextSource() = default;
    virtual QString CommandMenuText(int /*id*/) const { return {}; }
    virtual QString CommandToolTip(int /*id*/) const { return {}; }
};
