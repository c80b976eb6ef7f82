#include "gui/frame/CommandTable.h"

#include "app/Commands.h"

#include <QHash>

QString CommandInfo::ToolTip() const
{
    const QString tip = prompt.section(u'\n', 1, 1);
    if (!tip.isEmpty())
        return tip;
    QString text = menuText.section(u'\t', 0, 0);
    text.remove(u'&');
    if (text.endsWith(QLatin1String("...")))
        text.chop(3);
    return text;
}

namespace {

using K = QKeySequence;

QList<CommandInfo> Build()
{
    using namespace FrameCmd;
    QList<CommandInfo> t = {
        // File
        {FileNew, "&New", "Create a new Lirana album\nNew", {K(Qt::CTRL | Qt::Key_N)}},
        {FileOpen, "&Open...", "Open an existing Lirana album\nOpen", {K(Qt::CTRL | Qt::Key_O)}},
        {FileSave, "&Save", "Save the album\nSave", {K(Qt::CTRL | Qt::Key_S)}},
        {FileSaveAs, "Save &As...", "Save the album with a new name\nSave As", {}},
        {SendMail, "Sen&d...", "Send the album as an e-mail attachment\nSend", {}},
        {Exit, "E&xit", "Exit Lirana\nExit", {}},
        // Edit
        {Undo, "&Undo", "Undo the last playlist operation\nUndo",
         {K(Qt::CTRL | Qt::Key_Z), K(Qt::ALT | Qt::Key_Backspace)}},
        {Redo, "&Redo", "Redo the previous undone operation\nRedo", {K(Qt::CTRL | Qt::Key_A)}},
        {EditCut, "Cu&t", "Cut the track and copy it to clipboard\nCut",
         {K(Qt::CTRL | Qt::Key_X), K(Qt::SHIFT | Qt::Key_Delete)}},
        {EditCopy, "&Copy", "Copy the track to clipboard\nCopy",
         {K(Qt::CTRL | Qt::Key_C), K(Qt::CTRL | Qt::Key_Insert)}},
        {EditPaste, "&Paste", "Insert the clipboard contents\nPaste",
         {K(Qt::CTRL | Qt::Key_V), K(Qt::SHIFT | Qt::Key_Insert)}},
        {EditClear, "Re&move", "Remove a track from the play list\nRemove", {K(Qt::Key_Delete)}},
        {EditClearAll, "C&lear All", "Remove all tracks\nClear All", {K(Qt::CTRL | Qt::Key_Delete)}},
        {Find, "&Find...", "Search the playlist\nFind", {K(Qt::CTRL | Qt::Key_F)}},
        {Rename, "Re&name...", "Change the name of the current song\nRename",
         {K(Qt::Key_F2), K(Qt::ALT | Qt::Key_Return), K(Qt::ALT | Qt::Key_Enter)}},
        // View
        {ViewToolBar, "&Main Toolbar", "Show or hide the main toolbar\nMain Toolbar", {}, Check::Toggle},
        {ViewMediaBar, "M&edia Control Bar", "Show or hide the media control bar\nMedia Control Bar",
         {}, Check::Toggle},
        {ViewPositionBar, "&Position Bar", "Show or hide the position bar\nPosition Bar", {}, Check::Toggle},
        {ViewStatusBar, "&Status Bar", "Show or hide the status bar\nStatus Bar", {}, Check::Toggle},
        {FlatToolBars, "Fl&at Toolbars", "Show flat toolbar buttons\nFlat Toolbars", {}, Check::Toggle},
        {FullPath, "F&ull Path", "Show extended file names", {K(Qt::Key_F)}, Check::Toggle},
        {TrackNumbers, "&Track Numbers", "Toggle track numbers", {K(Qt::Key_T)}, Check::Toggle},
        {Font, "F&ont...", "Choose a font\nFont", {}},
        {NextPane, "", "Switch to the next window pane\nNext Pane", {K(Qt::Key_F6)}},
        {PrevPane, "", "Switch back to the previous window pane\nPrevious Pane", {K(Qt::SHIFT | Qt::Key_F6)}},
        // Playlist
        {AddTracks, "&Add Tracks...", "Add new tracks\nAdd", {K(Qt::Key_Insert)}},
        {AddPause, "Add &Pause", "Add a pause of 10 seconds", {}},
        {AddCdTracks, "Add All &CD Tracks", "Add all the tracks of the current CD\nAdd All CD Tracks", {}},
        {MoveTop, "Move to &Top", "Move the track to top\nTop", {}},
        {MoveUp, "Move &Up", "Move the track upwards\nUp", {K(Qt::Key_U)}},
        {MoveDown, "Move &Down", "Move the track down\nDown", {K(Qt::Key_D)}},
        {MoveBottom, "Move to &Bottom", "Move the track to bottom\nBottom", {}},
        {Cmd::Shuffle, "&Shuffle", "Arrange all tracks in a random sequence", {}},
        {TotalLength, "Total &Length", "Query the total length of all tracks", {K(Qt::Key_L)}},
        // Media
        {Cmd::Play, "&Play", "Start playing\nPlay", {K(Qt::Key_P)}, Check::WhenChecked},
        {Cmd::Pause, "P&ause", "Pause playing\nPause", {K(Qt::Key_Pause)}, Check::WhenChecked},
        {Cmd::Stop, "&Stop", "Stop playing\nStop", {K(Qt::Key_S)}},
        {Cmd::PrevTrack, "Pre&vious Track", "Select the previous track\nPrevious Track", {K(Qt::Key_V)}},
        {Cmd::Rewind, "&Rewind", "Jump some seconds back\nRewind", {K(Qt::CTRL | Qt::Key_Left)}},
        {Cmd::FastForward, "&Fast Forward", "Skip some seconds\nFast Forward", {K(Qt::CTRL | Qt::Key_Right)}},
        {Cmd::NextTrack, "&Next Track", "Select the next track\nNext Track", {K(Qt::Key_N)}},
        {Cmd::Break, "&Break", "Stop after playing the current track\nBreak",
         {K(Qt::Key_B)}, Check::WhenChecked},
        {Cmd::CrossFader, "Cross &Fader", "Fade manually to the next song\nCross fader", {K(Qt::Key_C)}},
        {Cmd::ModeManual, "&Manual", "Break after each track\nManual", {}, Check::Radio},
        {Cmd::ModeNormal, "N&ormal", "Play tracks in a normal sequence\nNormal", {}, Check::Radio},
        {Cmd::ModeRepeat, "R&epeat", "Repeat the playlist after the last track\nRepeat", {}, Check::Radio},
        {Cmd::ModeRandom, "Ran&dom", "Play in a random sequence\nRandom", {K(Qt::Key_R)}, Check::Radio},
        {Cmd::ModeShuffle, "S&huffle Mode", "Shuffle the playlist after the last track\nShuffle",
         {}, Check::Radio},
        {Cmd::ModeIntroScan, "&Intro Scan", "Play a short part of each track\nIntro Scan",
         {K(Qt::Key_I)}, Check::Radio},
        {Cmd::ModeCombo, "", "Select a player mode\nPlayer Mode", {}},
        {OpenCd, "Open C&D", "Open the CD drive door\nOpen CD", {}},
        {CloseCd, "C&lose CD", "Close the CD drive door\nClose CD", {}},
        {UpdateCdNames, "&Update CD Names", "Update the track names if CD has changed", {}},
        {Cmd::Configure, "Confi&gure Device...", "Configure the active media device", {}},
        {Cmd::EnableEvents, "Enable E&vents", "Enable or disable scheduled events", {}, Check::Toggle},
        {Schedule, "Sc&hedule...", "Edit the scheduled events\nSchedule", {K(Qt::Key_E)}},
        {Mixer, "Mi&xer...", "Start the Mixer\nMixer", {K(Qt::Key_X)}},
        {Options, "&Options...", "Configure Lirana options\nOptions", {K(Qt::Key_O)}},
        {AdvancedOptions, "Ad&vanced Options...", "Configure advanced settings\nAdvanced Options", {}},
    };
    // Sounds: keys 1..9 of the main keyboard and of the keypad.
    for (int i = 0; i < 9; ++i) {
        const auto key = static_cast<Qt::Key>(Qt::Key_1 + i);
        t.append({SoundFirst + i, QStringLiteral("&%1").arg(i + 1),
                  QStringLiteral("Go to menu item Sounds | Edit to configure sounds\nSound %1").arg(i + 1),
                  {K(key), K(Qt::KeypadModifier | key)}});
    }
    t.append({EditSounds, "&Edit...", "Edit the sounds 1..9", {}});
    t.append({EditTools, "&Edit...", "Edit the tools menu\nEdit Tools", {}});
    t.append({Help, "&Help Topics", "Open the Lirana manual\nHelp", {K(Qt::Key_F1)}});
    t.append({About, "&About Lirana...", "Display program information, version number and copyright\nAbout",
              {K(Qt::Key_A)}});
    t.append({LanguageFirst, "&English", "Select the display language", {}, Check::Radio});
    for (int i = 0; i < 10; ++i)
        t.append({RecentFirst + i, QStringLiteral("&%1").arg(i + 1), "Open this album", {}});
    t.append({TrackPosition, "", "Show the relative track position\nTrack Position", {}});
    return t;
}

} // namespace

const QList<CommandInfo>& AllCommands()
{
    static const QList<CommandInfo> table = Build();
    return table;
}

const CommandInfo* FindCommand(int id)
{
    static const QHash<int, int> index = [] {
        QHash<int, int> h;
        const auto& t = AllCommands();
        for (int i = 0; i < t.size(); ++i)
            h.insert(t[i].id, i);
        return h;
    }();
    const auto it = index.find(id);
    return it == index.end() ? nullptr : &AllCommands()[*it];
}

const QList<int>& PlayerModeCommands()
{
    static const QList<int> ids = {Cmd::ModeManual, Cmd::ModeNormal, Cmd::ModeRepeat,
                                   Cmd::ModeRandom, Cmd::ModeShuffle, Cmd::ModeIntroScan};
    return ids;
}

int RadioGroup(int id)
{
    if (PlayerModeCommands().contains(id))
        return PlayerModeCommands().first();
    if (id >= FrameCmd::LanguageFirst && id < FrameCmd::LanguageFirst + 100)
        return FrameCmd::LanguageFirst;
    return 0;
}
