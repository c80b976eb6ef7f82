// The options of the on-air console, as stored under the "Settings" key of
// the application key, plus the small areas the console loads with them
// ("WatchDog", "Song Window"). Value names, types and defaults here are the
// stored contract: never rename one.
#pragma once

#include "platform/registry/RegistryKey.h"

#include <QString>
#include <cstdint>

namespace SettingsKey {
inline const QString Settings = QStringLiteral("Settings");
inline const QString WatchDog = QStringLiteral("WatchDog");
inline const QString SongWindow = QStringLiteral("Song Window");
inline const QString Font = QStringLiteral("Font");
} // namespace SettingsKey

struct CWatchDogSettings
{
    std::int32_t interval = 30; // seconds without progress before acting
    bool enable = false;
    bool message = false;
    bool nextSong = true;
    bool reboot = false;
};

struct CViewSettings
{
    std::int32_t introStart = 0;   // s
    std::int32_t introLength = 15; // s
    std::int32_t ffTime = 30;      // s
    QString mediaDir;
    QString mixer = QStringLiteral("pavucontrol");
    bool autoPlay = false;
    std::int32_t playerMode = 1;
    bool showPath = false;
    bool showTrackNo = false;
    bool ignoreErrors = false;
    bool mediaFilesOnly = false;
    std::int32_t soundBankOptions = 1;
    std::int32_t videoMode = 0;
    reg::Rect videoRect{0, 0, 0, 0};
    // The GStreamer audio output, a gst-launch bin description.
    // Empty: the station's default output (see CTrackEnvironment).
    QString audioSink;
    std::int32_t lineInMixer = 0; // only read, never written back
    std::int32_t lineInLine = 0;
    std::int32_t overlapTime = 4000; // ms
    std::int32_t curSel = 0;
    bool fadeOnOverlap = true;
    bool fadeOnStop = true;
    double fadePeriod = 4.0; // s
    QString workingDir;
    bool shutdownConfirmation = true;
    std::int32_t miniPlaylistOverlapTime = 1000; // ms
    reg::Rect miniPlaylistRect{0, 0, 150, 200};
    bool enableLogging = false;
    QString logfileDir;
    bool enableEvents = true;
    // Last folders of file dialogs: read here, written by their dialogs.
    QString eventDir, eventListDir, soundDir, soundListDir;
    std::int32_t songWindowLeft = 0, songWindowTop = 0;
    CWatchDogSettings watchDog;

    // Reads every value in the stored order; missing or mistyped values keep
    // the defaults above. "MediaDir" empty falls back to the system media
    // folder. Does not change the current folder (see ApplyWorkingDir).
    void Load();
    // Writes every value the console owns ("LineInMixer" stays as it is).
    void Save() const;
    // Makes "WorkingDir" the current folder when it names an existing one.
    void ApplyWorkingDir() const;
};
