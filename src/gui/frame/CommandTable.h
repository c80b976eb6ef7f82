// The console's command catalogue: every command id with its menu text, its
// prompt ("status-bar prompt\ntool tip"), its keys and how it shows a
// checked state. Menus, tool bars and accelerators are built from it.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace FrameCmd {
enum : int {
    FileNew = 57600, FileOpen = 57601, FileSave = 57603, FileSaveAs = 57604,
    RecentFirst = 57616, // up to RecentFirst + 9
    Exit = 32778, AppExit = 57665, About = 57664, Help = 57666,
    NextPane = 57680, PrevPane = 57681,
    SendMail = 32809,
    EditClear = 57632, EditClearAll = 57633, EditCopy = 57634, EditCut = 57635,
    EditPaste = 57637, Undo = 57643, Redo = 57644,
    Find = 32875, Rename = 44000,
    ViewToolBar = 59392, ViewStatusBar = 59393, ViewMediaBar = 59396, ViewPositionBar = 59397,
    FlatToolBars = 32831, FullPath = 32795, TrackNumbers = 32876, Font = 32810,
    LanguageFirst = 43000,
    AddTracks = 32781, AddPause = 32805, AddCdTracks = 32806,
    MoveTop = 32789, MoveUp = 32786, MoveDown = 32787, MoveBottom = 32788,
    TotalLength = 32792,
    Options = 32780, AdvancedOptions = 32818, Mixer = 32784,
    OpenCd = 32798, CloseCd = 32802, UpdateCdNames = 32800,
    Schedule = 1151,
    SoundFirst = 32819, SoundLast = 32827, EditSounds = 32829,
    EditTools = 32815,
    TrackPosition = 3201, PanePosition = 1001, PaneLength = 1002,
};
}

// How a command shows its checked state in menus and on tool bars.
enum class Check {
    None,        // never checked
    Toggle,      // a check box, on or off (the bars, Full Path)
    Radio,       // one of an exclusive group (the player modes, the languages)
    WhenChecked, // a mark only while checked, nothing otherwise (Play while on
                 // air, Pause while paused, Break while set)
};

struct CommandInfo
{
    int id = 0;
    QString menuText;  // with '&' mnemonic; empty for commands without a menu item
    QString prompt;    // "status prompt\ntool tip"
    QList<QKeySequence> keys;
    Check check = Check::None;

    QString StatusTip() const { return prompt.section(u'\n', 0, 0); }
    // The part after the first "\n", else the menu text without '&' and "...".
    QString ToolTip() const;
    // The third "\n" part: the tool-bar button text; usually empty.
    QString ButtonText() const { return prompt.section(u'\n', 2, 2); }
};

// Every command of the console, in menu order.
const QList<CommandInfo>& AllCommands();
// The entry of id; nullptr when id has none.
const CommandInfo* FindCommand(int id);
// The player modes in the order of the mode combo box (index = mode number).
const QList<int>& PlayerModeCommands();
// The exclusive group of a Check::Radio command, named by its first member;
// 0 for other commands.
int RadioGroup(int id);
