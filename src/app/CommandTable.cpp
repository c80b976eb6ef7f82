// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandTable.h"

#include <QHash>
#include <QtGlobal>

namespace {

using enum Check;
using L = CommandLayer;
using namespace Cmd;

constexpr std::array kTable = std::to_array<CommandDef>({
    // File
    {FileNew, "FileNew", "Ctrl+N", QT_TRANSLATE_NOOP("Commands", "&New"),
     QT_TRANSLATE_NOOP("Commands", "Create a new Lirana album\nNew"), None, L::Document},
    {FileOpen, "FileOpen", "Ctrl+O", QT_TRANSLATE_NOOP("Commands", "&Open..."),
     QT_TRANSLATE_NOOP("Commands", "Open an existing Lirana album\nOpen"), None, L::Document},
    {FileSave, "FileSave", "Ctrl+S", QT_TRANSLATE_NOOP("Commands", "&Save"),
     QT_TRANSLATE_NOOP("Commands", "Save the album\nSave"), None, L::Document},
    {FileSaveAs, "FileSaveAs", "", QT_TRANSLATE_NOOP("Commands", "Save &As..."),
     QT_TRANSLATE_NOOP("Commands", "Save the album with a new name\nSave As"), None, L::Document},
    {SendMail, "SendMail", "", QT_TRANSLATE_NOOP("Commands", "Sen&d..."),
     QT_TRANSLATE_NOOP("Commands", "Send the album as an e-mail attachment\nSend"), None, L::Document},
    {Exit, "Exit", "", QT_TRANSLATE_NOOP("Commands", "E&xit"),
     QT_TRANSLATE_NOOP("Commands", "Exit Lirana\nExit"), None, L::Frame},
    // Edit
    {Undo, "Undo", "Ctrl+Z; Alt+Backspace", QT_TRANSLATE_NOOP("Commands", "&Undo"),
     QT_TRANSLATE_NOOP("Commands", "Undo the last playlist operation\nUndo"), None, L::Document},
    {Redo, "Redo", "Ctrl+A", QT_TRANSLATE_NOOP("Commands", "&Redo"),
     QT_TRANSLATE_NOOP("Commands", "Redo the previous undone operation\nRedo"), None, L::Document},
    {EditCut, "EditCut", "Ctrl+X; Shift+Del", QT_TRANSLATE_NOOP("Commands", "Cu&t"),
     QT_TRANSLATE_NOOP("Commands", "Cut the track and copy it to clipboard\nCut"), None, L::Edit},
    {EditCopy, "EditCopy", "Ctrl+C; Ctrl+Ins", QT_TRANSLATE_NOOP("Commands", "&Copy"),
     QT_TRANSLATE_NOOP("Commands", "Copy the track to clipboard\nCopy"), None, L::Edit},
    {EditPaste, "EditPaste", "Ctrl+V; Shift+Ins", QT_TRANSLATE_NOOP("Commands", "&Paste"),
     QT_TRANSLATE_NOOP("Commands", "Insert the clipboard contents\nPaste"), None, L::Edit},
    {EditClear, "EditClear", "Del", QT_TRANSLATE_NOOP("Commands", "Re&move"),
     QT_TRANSLATE_NOOP("Commands", "Remove a track from the play list\nRemove"), None, L::Edit},
    {EditClearAll, "EditClearAll", "Ctrl+Del", QT_TRANSLATE_NOOP("Commands", "C&lear All"),
     QT_TRANSLATE_NOOP("Commands", "Remove all tracks\nClear All"), None, L::Edit},
    {Find, "Find", "Ctrl+F", QT_TRANSLATE_NOOP("Commands", "&Find..."),
     QT_TRANSLATE_NOOP("Commands", "Search the playlist\nFind"), None, L::Frame},
    {Rename, "Rename", "F2; Alt+Return; Alt+Enter", QT_TRANSLATE_NOOP("Commands", "Re&name..."),
     QT_TRANSLATE_NOOP("Commands", "Change the name of the current song\nRename"), None, L::Edit},
    // View
    {ViewToolBar, "ViewToolBar", "", QT_TRANSLATE_NOOP("Commands", "&Main Toolbar"),
     QT_TRANSLATE_NOOP("Commands", "Show or hide the main toolbar\nMain Toolbar"), Toggle, L::Frame},
    {ViewMediaBar, "ViewMediaBar", "", QT_TRANSLATE_NOOP("Commands", "M&edia Control Bar"),
     QT_TRANSLATE_NOOP("Commands", "Show or hide the media control bar\nMedia Control Bar"), Toggle,
     L::Frame},
    {ViewPositionBar, "ViewPositionBar", "", QT_TRANSLATE_NOOP("Commands", "&Position Bar"),
     QT_TRANSLATE_NOOP("Commands", "Show or hide the position bar\nPosition Bar"), Toggle, L::Frame},
    {ViewStatusBar, "ViewStatusBar", "", QT_TRANSLATE_NOOP("Commands", "&Status Bar"),
     QT_TRANSLATE_NOOP("Commands", "Show or hide the status bar\nStatus Bar"), Toggle, L::Frame},
    {FlatToolBars, "FlatToolBars", "", QT_TRANSLATE_NOOP("Commands", "Fl&at Toolbars"),
     QT_TRANSLATE_NOOP("Commands", "Show flat toolbar buttons\nFlat Toolbars"), Toggle, L::Frame},
    {FullPath, "FullPath", "F", QT_TRANSLATE_NOOP("Commands", "F&ull Path"),
     QT_TRANSLATE_NOOP("Commands", "Show extended file names"), Toggle, L::Console},
    {TrackNumbers, "TrackNumbers", "T", QT_TRANSLATE_NOOP("Commands", "&Track Numbers"),
     QT_TRANSLATE_NOOP("Commands", "Toggle track numbers"), Toggle, L::Console},
    {Font, "Font", "", QT_TRANSLATE_NOOP("Commands", "F&ont..."),
     QT_TRANSLATE_NOOP("Commands", "Choose a font\nFont"), None, L::Console},
    {NextPane, "NextPane", "F6", "",
     QT_TRANSLATE_NOOP("Commands", "Switch to the next window pane\nNext Pane"), None, L::Frame},
    {PrevPane, "PrevPane", "Shift+F6", "",
     QT_TRANSLATE_NOOP("Commands", "Switch back to the previous window pane\nPrevious Pane"), None, L::Frame},
    // Playlist
    {AddTracks, "AddTracks", "Ins", QT_TRANSLATE_NOOP("Commands", "&Add Tracks..."),
     QT_TRANSLATE_NOOP("Commands", "Add new tracks\nAdd"), None, L::Edit},
    {AddPause, "AddPause", "", QT_TRANSLATE_NOOP("Commands", "Add &Pause"),
     QT_TRANSLATE_NOOP("Commands", "Add a pause of 10 seconds"), None, L::Edit},
    {AddCdTracks, "AddCdTracks", "", QT_TRANSLATE_NOOP("Commands", "Add All &CD Tracks"),
     QT_TRANSLATE_NOOP("Commands", "Add all the tracks of the current CD\nAdd All CD Tracks"), None, L::Edit},
    {MoveTop, "MoveTop", "", QT_TRANSLATE_NOOP("Commands", "Move to &Top"),
     QT_TRANSLATE_NOOP("Commands", "Move the track to top\nTop"), None, L::Edit},
    {MoveUp, "MoveUp", "U", QT_TRANSLATE_NOOP("Commands", "Move &Up"),
     QT_TRANSLATE_NOOP("Commands", "Move the track upwards\nUp"), None, L::Edit},
    {MoveDown, "MoveDown", "D", QT_TRANSLATE_NOOP("Commands", "Move &Down"),
     QT_TRANSLATE_NOOP("Commands", "Move the track down\nDown"), None, L::Edit},
    {MoveBottom, "MoveBottom", "", QT_TRANSLATE_NOOP("Commands", "Move to &Bottom"),
     QT_TRANSLATE_NOOP("Commands", "Move the track to bottom\nBottom"), None, L::Edit},
    {Shuffle, "Shuffle", "", QT_TRANSLATE_NOOP("Commands", "&Shuffle"),
     QT_TRANSLATE_NOOP("Commands", "Arrange all tracks in a random sequence"), None, L::Engine},
    {TotalLength, "TotalLength", "L", QT_TRANSLATE_NOOP("Commands", "Total &Length"),
     QT_TRANSLATE_NOOP("Commands", "Query the total length of all tracks"), None, L::Edit},
    // Media
    {Play, "Play", "P", QT_TRANSLATE_NOOP("Commands", "&Play"),
     QT_TRANSLATE_NOOP("Commands", "Start playing\nPlay"), WhenChecked, L::Engine},
    {Pause, "Pause", "Pause", QT_TRANSLATE_NOOP("Commands", "P&ause"),
     QT_TRANSLATE_NOOP("Commands", "Pause playing\nPause"), WhenChecked, L::Engine},
    {Stop, "Stop", "S", QT_TRANSLATE_NOOP("Commands", "&Stop"),
     QT_TRANSLATE_NOOP("Commands", "Stop playing\nStop"), None, L::Engine},
    {PrevTrack, "PrevTrack", "V", QT_TRANSLATE_NOOP("Commands", "Pre&vious Track"),
     QT_TRANSLATE_NOOP("Commands", "Select the previous track\nPrevious Track"), None, L::Engine},
    {Rewind, "Rewind", "Ctrl+Left", QT_TRANSLATE_NOOP("Commands", "&Rewind"),
     QT_TRANSLATE_NOOP("Commands", "Jump some seconds back\nRewind"), None, L::Engine},
    {FastForward, "FastForward", "Ctrl+Right", QT_TRANSLATE_NOOP("Commands", "&Fast Forward"),
     QT_TRANSLATE_NOOP("Commands", "Skip some seconds\nFast Forward"), None, L::Engine},
    {NextTrack, "NextTrack", "N", QT_TRANSLATE_NOOP("Commands", "&Next Track"),
     QT_TRANSLATE_NOOP("Commands", "Select the next track\nNext Track"), None, L::Engine},
    {Break, "Break", "B", QT_TRANSLATE_NOOP("Commands", "&Break"),
     QT_TRANSLATE_NOOP("Commands", "Stop after playing the current track\nBreak"), WhenChecked, L::Engine},
    {CrossFader, "CrossFader", "C", QT_TRANSLATE_NOOP("Commands", "Cross &Fader"),
     QT_TRANSLATE_NOOP("Commands", "Fade manually to the next song\nCross fader"), None, L::Engine},
    {ModeManual, "ModeManual", "", QT_TRANSLATE_NOOP("Commands", "&Manual"),
     QT_TRANSLATE_NOOP("Commands", "Break after each track\nManual"), Radio, L::Engine},
    {ModeNormal, "ModeNormal", "", QT_TRANSLATE_NOOP("Commands", "N&ormal"),
     QT_TRANSLATE_NOOP("Commands", "Play tracks in a normal sequence\nNormal"), Radio, L::Engine},
    {ModeRepeat, "ModeRepeat", "", QT_TRANSLATE_NOOP("Commands", "R&epeat"),
     QT_TRANSLATE_NOOP("Commands", "Repeat the playlist after the last track\nRepeat"), Radio, L::Engine},
    {ModeRandom, "ModeRandom", "R", QT_TRANSLATE_NOOP("Commands", "Ran&dom"),
     QT_TRANSLATE_NOOP("Commands", "Play in a random sequence\nRandom"), Radio, L::Engine},
    {ModeShuffle, "ModeShuffle", "", QT_TRANSLATE_NOOP("Commands", "S&huffle Mode"),
     QT_TRANSLATE_NOOP("Commands", "Shuffle the playlist after the last track\nShuffle"), Radio, L::Engine},
    {ModeIntroScan, "ModeIntroScan", "I", QT_TRANSLATE_NOOP("Commands", "&Intro Scan"),
     QT_TRANSLATE_NOOP("Commands", "Play a short part of each track\nIntro Scan"), Radio, L::Engine},
    {ModeCombo, "ModeCombo", "", "", QT_TRANSLATE_NOOP("Commands", "Select a player mode\nPlayer Mode"), None,
     L::Frame},
    {OpenCd, "OpenCd", "", QT_TRANSLATE_NOOP("Commands", "Open C&D"),
     QT_TRANSLATE_NOOP("Commands", "Open the CD drive door\nOpen CD"), None, L::Console},
    {CloseCd, "CloseCd", "", QT_TRANSLATE_NOOP("Commands", "C&lose CD"),
     QT_TRANSLATE_NOOP("Commands", "Close the CD drive door\nClose CD"), None, L::Console},
    {UpdateCdNames, "UpdateCdNames", "", QT_TRANSLATE_NOOP("Commands", "&Update CD Names"),
     QT_TRANSLATE_NOOP("Commands", "Update the track names if CD has changed"), None, L::Console},
    {Configure, "Configure", "", QT_TRANSLATE_NOOP("Commands", "Confi&gure Device..."),
     QT_TRANSLATE_NOOP("Commands", "Configure the active media device"), None, L::Engine},
    {EnableEvents, "EnableEvents", "", QT_TRANSLATE_NOOP("Commands", "Enable E&vents"),
     QT_TRANSLATE_NOOP("Commands", "Enable or disable scheduled events"), Toggle, L::Engine},
    {Schedule, "Schedule", "E", QT_TRANSLATE_NOOP("Commands", "Sc&hedule..."),
     QT_TRANSLATE_NOOP("Commands", "Edit the scheduled events\nSchedule"), None, L::Console},
    {Mixer, "Mixer", "X", QT_TRANSLATE_NOOP("Commands", "Mi&xer..."),
     QT_TRANSLATE_NOOP("Commands", "Start the Mixer\nMixer"), None, L::Console},
    {Options, "Options", "O", QT_TRANSLATE_NOOP("Commands", "&Options..."),
     QT_TRANSLATE_NOOP("Commands", "Configure Lirana options\nOptions"), None, L::Console},
    {AdvancedOptions, "AdvancedOptions", "", QT_TRANSLATE_NOOP("Commands", "Ad&vanced Options..."),
     QT_TRANSLATE_NOOP("Commands", "Configure advanced settings\nAdvanced Options"), None, L::Console},
    // Sounds: keys 1..9 of the main keyboard and of the keypad.
    {SoundFirst, "Sound1", "1; Num+1", "&1",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 1")},
    {SoundFirst + 1, "Sound2", "2; Num+2", "&2",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 2")},
    {SoundFirst + 2, "Sound3", "3; Num+3", "&3",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 3")},
    {SoundFirst + 3, "Sound4", "4; Num+4", "&4",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 4")},
    {SoundFirst + 4, "Sound5", "5; Num+5", "&5",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 5")},
    {SoundFirst + 5, "Sound6", "6; Num+6", "&6",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 6")},
    {SoundFirst + 6, "Sound7", "7; Num+7", "&7",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 7")},
    {SoundFirst + 7, "Sound8", "8; Num+8", "&8",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 8")},
    {SoundLast, "Sound9", "9; Num+9", "&9",
     QT_TRANSLATE_NOOP("Commands", "Go to menu item Sounds | Edit to configure sounds\nSound 9")},
    {EditSounds, "EditSounds", "", QT_TRANSLATE_NOOP("Commands", "&Edit..."),
     QT_TRANSLATE_NOOP("Commands", "Edit the sounds 1..9"), None, L::Console},
    {EditTools, "EditTools", "", QT_TRANSLATE_NOOP("Commands", "&Edit..."),
     QT_TRANSLATE_NOOP("Commands", "Edit the tools menu\nEdit Tools")},
    {Help, "Help", "F1", QT_TRANSLATE_NOOP("Commands", "&Help Topics"),
     QT_TRANSLATE_NOOP("Commands", "Open the Lirana manual\nHelp"), None, L::App},
    {About, "About", "A", QT_TRANSLATE_NOOP("Commands", "&About Lirana..."),
     QT_TRANSLATE_NOOP("Commands", "Display program information, version number and copyright\nAbout"), None,
     L::App},
    {LanguageFirst, "Language1", "", QT_TRANSLATE_NOOP("Commands", "&English"),
     QT_TRANSLATE_NOOP("Commands", "Select the display language"), Radio, L::Frame},
    // The recent albums of the File menu.
    {RecentFirst, "Recent1", "", "&1", QT_TRANSLATE_NOOP("Commands", "Open this album"), None, L::Document},
    {RecentFirst + 1, "Recent2", "", "&2", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 2, "Recent3", "", "&3", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 3, "Recent4", "", "&4", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 4, "Recent5", "", "&5", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 5, "Recent6", "", "&6", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 6, "Recent7", "", "&7", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 7, "Recent8", "", "&8", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 8, "Recent9", "", "&9", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {RecentFirst + 9, "Recent10", "", "&10", QT_TRANSLATE_NOOP("Commands", "Open this album"), None,
     L::Document},
    {TrackPosition, "TrackPosition", "", "",
     QT_TRANSLATE_NOOP("Commands", "Show the relative track position\nTrack Position"), None, L::Console},
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
