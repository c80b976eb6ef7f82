// SPDX-License-Identifier: GPL-3.0-or-later
// The command table: one row per command (id, name, keys, menu text, prompt,
// check kind, the layer that runs it). The frame builds its menus, tool bars
// and accelerators from it; the station core dispatches the document's and
// the engine's commands by its layer column. QtCore only: keys are portable
// key text ("Ctrl+Z"), which the widgets turn into key sequences.
#pragma once

#include "app/Commands.h"

#include <array>
#include <cstddef>
#include <span>

// How a command shows its checked state in menus and on tool bars.
enum class Check : unsigned char {
    None,        // never checked
    Toggle,      // a check box, on or off (the bars, Full Path)
    Radio,       // one of an exclusive group (the player modes, the languages)
    WhenChecked, // a mark only while checked, nothing otherwise (Play while on
                 // air, Pause while paused, Break while set)
};

// Who runs a command. The station core runs Document and Engine commands for
// every front end; the others belong to the console's widgets.
enum class CommandLayer : unsigned char {
    Document, // the album: files, undo, recent albums, mail
    Engine,   // the on-air engine: transport, player modes, break, events
    Edit,     // playlist editing that asks the person (pickers, clipboard, rename)
    Console,  // the console view's own: list options, font, mixer, panes
    Frame,    // the main window: bars, panes, find, exit, language
    App,      // the application: help, about
    None,     // nothing runs it yet; shown disabled
};

struct CommandDef
{
    int id = 0;
    // Stable name; the languages look the menu text and prompt up by it.
    const char* name = "";
    // Portable key text, "; " between several keys ("Ctrl+Z; Alt+Backspace").
    const char* keys = "";
    const char* menuText = ""; // with '&' mnemonic; empty for commands without a menu item
    const char* prompt = "";   // "status prompt\ntool tip[\ntool-bar button text]"
    Check check = Check::None;
    CommandLayer layer = CommandLayer::None;
};

// Every command, in menu order.
std::span<const CommandDef> CommandTable();
// The row of id; nullptr when id has none.
const CommandDef* FindCommandDef(int id);
// The layer that runs id; None for an id without a row.
CommandLayer CommandLayerOf(int id);

// True when two rows share an id. The table is checked with it at compile time.
template <std::size_t N>
constexpr bool HasDuplicateIds(const std::array<CommandDef, N>& rows)
{
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (rows[i].id == rows[j].id)
                return true;
        }
    }
    return false;
}
