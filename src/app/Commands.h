// SPDX-License-Identifier: GPL-3.0-or-later
// Command ids: every command of the program has its number here, once.
// Menus, tool bars, accelerators, the joystick, the tools menu and D-Bus all
// reach the same handlers through these numbers; the numbers are kept stable
// because the joystick map and the stored tool bars name them. What each
// command is called, its keys, texts and which layer handles it is in
// app/CommandTable.h.
#pragma once

namespace Cmd {

enum : int {
    // File
    FileNew = 57600,
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    RecentFirst = 57616, // the recent albums, RecentFirst .. RecentFirst + 9
    SendMail = 32809,
    Exit = 32778,
    AppExit = 57665,
    // Edit
    Undo = 57643,
    Redo = 57644,
    EditCut = 57635,
    EditCopy = 57634,
    EditPaste = 57637,
    EditClear = 57632,
    EditClearAll = 57633,
    Find = 32875,
    Rename = 44000,
    // View
    ViewToolBar = 59392,
    ViewStatusBar = 59393,
    ViewMediaBar = 59396,
    ViewPositionBar = 59397,
    FlatToolBars = 32831,
    FullPath = 32795,
    TrackNumbers = 32876,
    Font = 32810,
    NextPane = 57680,
    PrevPane = 57681,
    // Playlist
    AddTracks = 32781,
    AddPause = 32805,
    AddCdTracks = 32806,
    MoveTop = 32789,
    MoveUp = 32786,
    MoveDown = 32787,
    MoveBottom = 32788,
    Shuffle = 32808,
    TotalLength = 32792,
    // Media
    Play = 32771,
    Stop = 32772,
    Pause = 32773,
    FastForward = 32774,
    Rewind = 32775,
    NextTrack = 32776,
    PrevTrack = 32777,
    Break = 32832,
    CrossFader = 32877,
    ModeIntroScan = 32779,
    ModeRandom = 32782,
    ModeNormal = 32881,
    ModeShuffle = 32882,
    ModeRepeat = 32883,
    ModeCombo = 32884,
    ModeManual = 32886,
    OpenCd = 32798,
    CloseCd = 32802,
    UpdateCdNames = 32800,
    Configure = 32828,
    EnableEvents = 32889,
    Schedule = 1151,
    SilenceActions = 32873, // run by the silence detector; no menu carries it
    // Sounds, Tools, Options, Help
    SoundFirst = 32819, // the sound buttons 1..9, SoundFirst .. SoundLast
    SoundLast = 32827,
    EditSounds = 32829,
    EditTools = 32815,
    Mixer = 32784,
    Options = 32780,
    AdvancedOptions = 32818,
    LanguageFirst = 43000, // the languages, LanguageFirst .. LanguageFirst + 99
    Help = 57666,
    About = 57664,
    // The position bar
    TrackPosition = 3201,
    // Not commands, but answered like them: the undo step of files dropped on
    // the playlist, and the status panes that show the position and length.
    Drop = 563,
    PanePosition = 1001,
    PaneLength = 1002,
};

inline constexpr int kRecentCount = 10;

} // namespace Cmd

// What a command's update handler answers at idle.
struct CommandState
{
    bool enabled = false;
    bool checked = false;
    friend bool operator==(const CommandState&, const CommandState&) = default;
};
