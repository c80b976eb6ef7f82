// SPDX-License-Identifier: GPL-3.0-or-later
// The options of the on-air console, as stored under the "Settings" key of
// the application key, plus the small areas the console loads with them
// ("WatchDog", "Song Window"). Their names, encodings, defaults and ranges
// are declared once, in app/SettingsSchema.cpp.
#pragma once

#include "platform/registry/RegistryKey.h"

#include <QString>
#include <cstdint>

namespace SettingsKey {
inline const QString Settings = QStringLiteral("Settings");
inline const QString WatchDog = QStringLiteral("WatchDog");
inline const QString SongWindow = QStringLiteral("Song Window");
inline const QString Font = QStringLiteral("Font");
inline const QString MainFrame = QStringLiteral("MainFrame");
inline const QString ToolBars = QStringLiteral("ToolBars");
inline const QString DigitalClock = QStringLiteral("DigitalClock");
inline const QString RecentFileList = QStringLiteral("Recent File List");
inline const QString PlugInChain = QStringLiteral("DirectShow Filters");
inline const QString AirChain = QStringLiteral("Air Filters"); // the chain on the air bus's sum
inline const QString ToolMenu = QStringLiteral("Tool Menu");
} // namespace SettingsKey

// The names of the values their owners read and write themselves; the
// schema holds their encodings and defaults.
namespace SettingName {
inline const QString AudioSink = QStringLiteral("AudioSink");
inline const QString CurSel = QStringLiteral("CurSel");
inline const QString WindowPos = QStringLiteral("WindowPos");
inline const QString FullScreen = QStringLiteral("FullScreen");
inline const QString LanguageCode = QStringLiteral("LanguageCode");
inline const QString BarState = QStringLiteral("BarState");
inline const QString StatusBar = QStringLiteral("StatusBar");
inline const QString FlatToolBars = QStringLiteral("FlatToolBars");
inline const QString ButtonText = QStringLiteral("ButtonText");
inline const QString ClockMode = QStringLiteral("ClockMode");
inline const QString RecentFile = QStringLiteral("File%1"); // 1 to 10
inline const QString FilterCount = QStringLiteral("FilterCount");
inline const QString ToolCount = QStringLiteral("Count"); // of "Tool Menu"
} // namespace SettingName

struct CWatchDogSettings
{
    std::int32_t interval{}; // seconds without progress before acting
    bool enable{};
    bool message{};
    bool nextSong{};
    bool reboot{};
    // The level alarm: the air below levelThreshold dBFS for levelSeconds
    // while an item plays fires the same actions.
    bool levelEnable{};
    std::int32_t levelThreshold{};
    std::int32_t levelSeconds{};
};

struct CViewSettings
{
    // Every field at its default.
    CViewSettings();

    std::int32_t introStart{};  // s
    std::int32_t introLength{}; // s
    std::int32_t ffTime{};      // s
    QString mediaDir;
    QString mixer;
    bool autoPlay{};
    std::int32_t playerMode{};
    bool showPath{};
    bool showTrackNo{};
    bool ignoreErrors{};
    bool resumeAfterCrash{};   // after a run that did not shut down, play on where it was
    QString nowPlayingFile;    // rewritten at every start for RDS encoders and web pages; empty: none
    bool resumeAfterRestart{}; // the console after a clean shutdown too (the headless runner always)
    QString fallbackAlbum;     // plays in Repeat when the air would fall silent; empty: none
    bool mediaFilesOnly{};
    std::int32_t soundBankOptions{};
    std::int32_t midiGain{}; // dB over the synthesiser's own gain
    QString midiSoundFont;   // the General MIDI bank; empty: the system's
    std::int32_t videoMode{};
    reg::Rect videoRect;
    // The GStreamer audio output, a gst-launch bin description.
    // Empty: the station's default output (see CTrackEnvironment).
    QString audioSink;
    std::int32_t lineInMixer{}; // only read, never written back
    std::int32_t lineInLine{};
    std::int32_t overlapTime{}; // ms
    // Short items: the overlap is at most a third of the item's length.
    bool shortItemOverlapThird{};
    std::int32_t curSel{};
    bool fadeOnOverlap{};
    bool fadeOnStop{};
    double fadePeriod{}; // s
    QString workingDir;
    bool shutdownConfirmation{};
    std::int32_t miniPlaylistOverlapTime{}; // ms
    reg::Rect miniPlaylistRect;
    bool enableLogging{};
    QString logfileDir;
    bool enableEvents{};
    // Last folders of file dialogs: read here, written by their dialogs.
    QString eventDir, eventListDir, soundDir, soundListDir;
    std::int32_t songWindowLeft{}, songWindowTop{};
    CWatchDogSettings watchDog;

    // Reads every value; missing, mistyped or out-of-range values give the
    // defaults. "MediaDir" empty falls back to the system media folder. Does
    // not change the current folder (see ApplyWorkingDir).
    void Load();
    // Writes every value the console owns ("LineInMixer" stays as it is).
    void Save() const;
    // Makes "WorkingDir" the current folder when it names an existing one.
    void ApplyWorkingDir() const;
};

// The playlist font, stored in the "Font" subkey of the application key.
// Earlier versions kept it in "Settings\Font": that place is read while the
// new one is empty, and the first write moves it.
namespace ListFont {
bool Read(reg::LogFont* font);
void Write(const reg::LogFont& font);
} // namespace ListFont
