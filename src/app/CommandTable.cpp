#include "app/CommandTable.h"

#include <QHash>

namespace {

using enum Check;
using L = CommandLayer;
using namespace Cmd;

constexpr std::array kTable = std::to_array<CommandDef>({
    // File
    {FileNew, "FileNew", "Ctrl+N", "&New", "Create a new Lirana album\nNew", None, L::Document},
    {FileOpen, "FileOpen", "Ctrl+O", "&Open...", "Open an existing Lirana album\nOpen", None, L::Document},
    {FileSave, "FileSave", "Ctrl+S", "&Save", "Save the album\nSave", None, L::Document},
    {FileSaveAs, "FileSaveAs", "", "Save &As...", "Save the album with a new name\nSave As", None,
     L::Document},
    {SendMail, "SendMail", "", "Sen&d...", "Send the album as an e-mail attachment\nSend", None, L::Document},
    {Exit, "Exit", "", "E&xit", "Exit Lirana\nExit", None, L::Frame},
    // Edit
    {Undo, "Undo", "Ctrl+Z; Alt+Backspace", "&Undo", "Undo the last playlist operation\nUndo", None,
     L::Document},
    {Redo, "Redo", "Ctrl+A", "&Redo", "Redo the previous undone operation\nRedo", None, L::Document},
    {EditCut, "EditCut", "Ctrl+X; Shift+Del", "Cu&t", "Cut the track and copy it to clipboard\nCut", None,
     L::Edit},
    {EditCopy, "EditCopy", "Ctrl+C; Ctrl+Ins", "&Copy", "Copy the track to clipboard\nCopy", None, L::Edit},
    {EditPaste, "EditPaste", "Ctrl+V; Shift+Ins", "&Paste", "Insert the clipboard contents\nPaste", None,
     L::Edit},
    {EditClear, "EditClear", "Del", "Re&move", "Remove a track from the play list\nRemove", None, L::Edit},
    {EditClearAll, "EditClearAll", "Ctrl+Del", "C&lear All", "Remove all tracks\nClear All", None, L::Edit},
    {Find, "Find", "Ctrl+F", "&Find...", "Search the playlist\nFind", None, L::Frame},
    {Rename, "Rename", "F2; Alt+Return; Alt+Enter", "Re&name...",
     "Change the name of the current song\nRename", None, L::Edit},
    // View
    {ViewToolBar, "ViewToolBar", "", "&Main Toolbar", "Show or hide the main toolbar\nMain Toolbar", Toggle,
     L::Frame},
    {ViewMediaBar, "ViewMediaBar", "", "M&edia Control Bar",
     "Show or hide the media control bar\nMedia Control Bar", Toggle, L::Frame},
    {ViewPositionBar, "ViewPositionBar", "", "&Position Bar", "Show or hide the position bar\nPosition Bar",
     Toggle, L::Frame},
    {ViewStatusBar, "ViewStatusBar", "", "&Status Bar", "Show or hide the status bar\nStatus Bar", Toggle,
     L::Frame},
    {FlatToolBars, "FlatToolBars", "", "Fl&at Toolbars", "Show flat toolbar buttons\nFlat Toolbars", Toggle,
     L::Frame},
    {FullPath, "FullPath", "F", "F&ull Path", "Show extended file names", Toggle, L::Console},
    {TrackNumbers, "TrackNumbers", "T", "&Track Numbers", "Toggle track numbers", Toggle, L::Console},
    {Font, "Font", "", "F&ont...", "Choose a font\nFont", None, L::Console},
    {NextPane, "NextPane", "F6", "", "Switch to the next window pane\nNext Pane", None, L::Frame},
    {PrevPane, "PrevPane", "Shift+F6", "", "Switch back to the previous window pane\nPrevious Pane", None,
     L::Frame},
    // Playlist
    {AddTracks, "AddTracks", "Ins", "&Add Tracks...", "Add new tracks\nAdd", None, L::Edit},
    {AddPause, "AddPause", "", "Add &Pause", "Add a pause of 10 seconds", None, L::Edit},
    {AddCdTracks, "AddCdTracks", "", "Add All &CD Tracks",
     "Add all the tracks of the current CD\nAdd All CD Tracks", None, L::Edit},
    {MoveTop, "MoveTop", "", "Move to &Top", "Move the track to top\nTop", None, L::Edit},
    {MoveUp, "MoveUp", "U", "Move &Up", "Move the track upwards\nUp", None, L::Edit},
    {MoveDown, "MoveDown", "D", "Move &Down", "Move the track down\nDown", None, L::Edit},
    {MoveBottom, "MoveBottom", "", "Move to &Bottom", "Move the track to bottom\nBottom", None, L::Edit},
    {Shuffle, "Shuffle", "", "&Shuffle", "Arrange all tracks in a random sequence", None, L::Engine},
    {TotalLength, "TotalLength", "L", "Total &Length", "Query the total length of all tracks", None, L::Edit},
    // Media
    {Play, "Play", "P", "&Play", "Start playing\nPlay", WhenChecked, L::Engine},
    {Pause, "Pause", "Pause", "P&ause", "Pause playing\nPause", WhenChecked, L::Engine},
    {Stop, "Stop", "S", "&Stop", "Stop playing\nStop", None, L::Engine},
    {PrevTrack, "PrevTrack", "V", "Pre&vious Track", "Select the previous track\nPrevious Track", None,
     L::Engine},
    {Rewind, "Rewind", "Ctrl+Left", "&Rewind", "Jump some seconds back\nRewind", None, L::Engine},
    {FastForward, "FastForward", "Ctrl+Right", "&Fast Forward", "Skip some seconds\nFast Forward", None,
     L::Engine},
    {NextTrack, "NextTrack", "N", "&Next Track", "Select the next track\nNext Track", None, L::Engine},
    {Break, "Break", "B", "&Break", "Stop after playing the current track\nBreak", WhenChecked, L::Engine},
    {CrossFader, "CrossFader", "C", "Cross &Fader", "Fade manually to the next song\nCross fader", None,
     L::Engine},
    {ModeManual, "ModeManual", "", "&Manual", "Break after each track\nManual", Radio, L::Engine},
    {ModeNormal, "ModeNormal", "", "N&ormal", "Play tracks in a normal sequence\nNormal", Radio, L::Engine},
    {ModeRepeat, "ModeRepeat", "", "R&epeat", "Repeat the playlist after the last track\nRepeat", Radio,
     L::Engine},
    {ModeRandom, "ModeRandom", "R", "Ran&dom", "Play in a random sequence\nRandom", Radio, L::Engine},
    {ModeShuffle, "ModeShuffle", "", "S&huffle Mode", "Shuffle the playlist after the last track\nShuffle",
     Radio, L::Engine},
    {ModeIntroScan, "ModeIntroScan", "I", "&Intro Scan", "Play a short part of each track\nIntro Scan", Radio,
     L::Engine},
    {ModeCombo, "ModeCombo", "", "", "Select a player mode\nPlayer Mode", None, L::Frame},
    {OpenCd, "OpenCd", "", "Open C&D", "Open the CD drive door\nOpen CD", None, L::None},
    {CloseCd, "CloseCd", "", "C&lose CD", "Close the CD drive door\nClose CD", None, L::None},
    {UpdateCdNames, "UpdateCdNames", "", "&Update CD Names", "Update the track names if CD has changed", None,
     L::None},
    {Configure, "Configure", "", "Confi&gure Device...", "Configure the active media device", None,
     L::Engine},
    {EnableEvents, "EnableEvents", "", "Enable E&vents", "Enable or disable scheduled events", Toggle,
     L::Engine},
    {Schedule, "Schedule", "E", "Sc&hedule...", "Edit the scheduled events\nSchedule", None, L::Console},
    {Mixer, "Mixer", "X", "Mi&xer...", "Start the Mixer\nMixer", None, L::Console},
    {Options, "Options", "O", "&Options...", "Configure Lirana options\nOptions", None, L::Console},
    {AdvancedOptions, "AdvancedOptions", "", "Ad&vanced Options...",
     "Configure advanced settings\nAdvanced Options", None, L::Console},
    // Sounds: keys 1..9 of the main keyboard and of the keypad.
    {SoundFirst, "Sound1", "1; Num+1", "&1", "Go to menu item Sounds | Edit to configure sounds\nSound 1"},
    {SoundFirst + 1, "Sound2", "2; Num+2", "&2",
     "Go to menu item Sounds | Edit to configure sounds\nSound 2"},
    {SoundFirst + 2, "Sound3", "3; Num+3", "&3",
     "Go to menu item Sounds | Edit to configure sounds\nSound 3"},
    {SoundFirst + 3, "Sound4", "4; Num+4", "&4",
     "Go to menu item Sounds | Edit to configure sounds\nSound 4"},
    {SoundFirst + 4, "Sound5", "5; Num+5", "&5",
     "Go to menu item Sounds | Edit to configure sounds\nSound 5"},
    {SoundFirst + 5, "Sound6", "6; Num+6", "&6",
     "Go to menu item Sounds | Edit to configure sounds\nSound 6"},
    {SoundFirst + 6, "Sound7", "7; Num+7", "&7",
     "Go to menu item Sounds | Edit to configure sounds\nSound 7"},
    {SoundFirst + 7, "Sound8", "8; Num+8", "&8",
     "Go to menu item Sounds | Edit to configure sounds\nSound 8"},
    {SoundLast, "Sound9", "9; Num+9", "&9", "Go to menu item Sounds | Edit to configure sounds\nSound 9"},
    {EditSounds, "EditSounds", "", "&Edit...", "Edit the sounds 1..9", None, L::Console},
    {EditTools, "EditTools", "", "&Edit...", "Edit the tools menu\nEdit Tools"},
    {Help, "Help", "F1", "&Help Topics", "Open the Lirana manual\nHelp", None, L::App},
    {About, "About", "A", "&About Lirana...",
     "Display program information, version number and copyright\nAbout", None, L::App},
    {LanguageFirst, "Language1", "", "&English", "Select the display language", Radio, L::Frame},
    // The recent albums of the File menu.
    {RecentFirst, "Recent1", "", "&1", "Open this album", None, L::Document},
    {RecentFirst + 1, "Recent2", "", "&2", "Open this album", None, L::Document},
    {RecentFirst + 2, "Recent3", "", "&3", "Open this album", None, L::Document},
    {RecentFirst + 3, "Recent4", "", "&4", "Open this album", None, L::Document},
    {RecentFirst + 4, "Recent5", "", "&5", "Open this album", None, L::Document},
    {RecentFirst + 5, "Recent6", "", "&6", "Open this album", None, L::Document},
    {RecentFirst + 6, "Recent7", "", "&7", "Open this album", None, L::Document},
    {RecentFirst + 7, "Recent8", "", "&8", "Open this album", None, L::Document},
    {RecentFirst + 8, "Recent9", "", "&9", "Open this album", None, L::Document},
    {RecentFirst + 9, "Recent10", "", "&10", "Open this album", None, L::Document},
    {TrackPosition, "TrackPosition", "", "", "Show the relative track position\nTrack Position", None,
     L::Console},
    // Commands without a menu item.
    {SilenceActions, "SilenceActions", "", "", "", None, L::Engine},
    {AppExit, "AppExit", "", "", "", None, L::Frame},
});

static_assert(!HasDuplicateIds(kTable), "two commands share an id");

} // namespace

std::span<const CommandDef> CommandTable()
{
    return kTable;
}

const CommandDef* FindCommandDef(int id)
{
    static const QHash<int, const CommandDef*> index = [] {
        QHash<int, const CommandDef*> rows;
        for (const CommandDef& row : kTable)
            rows.insert(row.id, &row);
        return rows;
    }();
    return index.value(id, nullptr);
}

CommandLayer CommandLayerOf(int id)
{
    const CommandDef* row = FindCommandDef(id);
    return row ? row->layer : CommandLayer::None;
}
