// Command ids. Menus, tool bars, accelerators, the joystick, the tools menu
// and D-Bus all reach the same handlers through these numbers.
#pragma once

namespace Cmd {

enum : int {
    Play = 32771,
    Stop = 32772,
    Pause = 32773,
    FastForward = 32774,
    Rewind = 32775,
    NextTrack = 32776,
    PrevTrack = 32777,
    ModeIntroScan = 32779,
    ModeRandom = 32782,
    ModeNormal = 32881,
    ModeShuffle = 32882,
    ModeRepeat = 32883,
    ModeCombo = 32884,
    ModeManual = 32886,
    Shuffle = 32808,
    Configure = 32828,
    Break = 32832,
    CrossFader = 32877,
    EnableEvents = 32889,
};

} // namespace Cmd

// What a command's update handler answers at idle.
struct CommandState
{
    bool enabled = false;
    bool checked = false;
    friend bool operator==(const CommandState&, const CommandState&) = default;
};
