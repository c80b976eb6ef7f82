#include "app/ViewSettings.h"

#include "platform/DataPaths.h"

#include <QDir>
#include <QFileInfo>

void CViewSettings::Load()
{
    CRegistryKey key = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    introStart = key.GetNumber(QStringLiteral("IntroStart"), introStart);
    introLength = key.GetNumber(QStringLiteral("IntroLength"), introLength);
    ffTime = key.GetNumber(QStringLiteral("FF_TIME"), ffTime);
    mediaDir = key.GetText(QStringLiteral("MediaDir"), mediaDir);
    if (mediaDir.isEmpty())
        mediaDir = DataPaths::SystemMediaFolder();
    mixer = key.GetText(QStringLiteral("Mixer"), mixer);
    autoPlay = key.GetFlag(QStringLiteral("AutoPlay"), autoPlay);
    playerMode = key.GetNumber(QStringLiteral("PlayerMode"), playerMode);
    showPath = key.GetFlag(QStringLiteral("ShowPath"), showPath);
    showTrackNo = key.GetFlag(QStringLiteral("ShowTrackNo"), showTrackNo);
    ignoreErrors = key.GetFlag(QStringLiteral("IgnoreErrors"), ignoreErrors);
    mediaFilesOnly = key.GetFlag(QStringLiteral("MediaFilesOnly"), mediaFilesOnly);
    soundBankOptions = key.GetNumber(QStringLiteral("SoundBank Options"), soundBankOptions);
    videoMode = key.GetNumber(QStringLiteral("VideoMode"), videoMode);
    lineInMixer = key.GetNumber(QStringLiteral("LineInMixer"), lineInMixer);
    lineInLine = key.GetNumber(QStringLiteral("LineInLine"), lineInLine);
    key.ReadRect(QStringLiteral("VideoRect"), &videoRect);
    audioSink = key.GetText(QStringLiteral("AudioSink"), audioSink);
    overlapTime = key.GetNumber(QStringLiteral("Overlap Time"), overlapTime);
    curSel = key.GetNumber(QStringLiteral("CurSel"), curSel);
    fadeOnOverlap = key.GetFlag(QStringLiteral("Fade On Overlap"), fadeOnOverlap);
    fadeOnStop = key.GetFlag(QStringLiteral("Fade On Stop"), fadeOnStop);
    fadePeriod = key.GetReal(QStringLiteral("Fade Period"), fadePeriod);
    workingDir = key.GetText(QStringLiteral("WorkingDir"), workingDir);
    shutdownConfirmation = key.GetFlag(QStringLiteral("Shutdown Confirmation"), shutdownConfirmation);
    miniPlaylistOverlapTime =
        key.GetNumber(QStringLiteral("MiniPlaylist Overlap Time"), miniPlaylistOverlapTime);
    if (!key.ReadRect(QStringLiteral("MiniPlaylist Rect"), &miniPlaylistRect))
        miniPlaylistRect = reg::Rect{0, 0, 150, 200};
    enableLogging = key.GetFlag(QStringLiteral("Enable Logging"), enableLogging);
    logfileDir = key.GetText(QStringLiteral("Logfile Dir"), logfileDir);
    enableEvents = key.GetFlag(QStringLiteral("Enable Events"), enableEvents);
    eventDir = key.GetText(QStringLiteral("EventDir"), eventDir);
    eventListDir = key.GetText(QStringLiteral("EventListDir"), eventListDir);
    soundDir = key.GetText(QStringLiteral("SoundDir"), soundDir);
    soundListDir = key.GetText(QStringLiteral("SoundListDir"), soundListDir);

    CRegistryKey song = CRegistryKey::OpenAppSubkey(SettingsKey::SongWindow);
    songWindowTop = song.GetNumber(QStringLiteral("Top"), songWindowTop);
    songWindowLeft = song.GetNumber(QStringLiteral("Left"), songWindowLeft);

    CRegistryKey dog = CRegistryKey::OpenAppSubkey(SettingsKey::WatchDog);
    watchDog.interval = dog.GetNumber(QStringLiteral("Interval"), watchDog.interval);
    watchDog.enable = dog.GetFlag(QStringLiteral("Enable"), watchDog.enable);
    watchDog.message = dog.GetFlag(QStringLiteral("Message"), watchDog.message);
    watchDog.nextSong = dog.GetFlag(QStringLiteral("NextSong"), watchDog.nextSong);
    watchDog.reboot = dog.GetFlag(QStringLiteral("Reboot"), watchDog.reboot);
}

void CViewSettings::Save() const
{
    CRegistryKey key = CRegistryKey::OpenAppSubkey(SettingsKey::Settings);
    key.SetNumber(QStringLiteral("IntroStart"), introStart);
    key.SetNumber(QStringLiteral("IntroLength"), introLength);
    key.SetNumber(QStringLiteral("FF_TIME"), ffTime);
    key.SetText(QStringLiteral("MediaDir"), mediaDir);
    key.SetText(QStringLiteral("Mixer"), mixer);
    key.SetFlag(QStringLiteral("AutoPlay"), autoPlay);
    key.SetNumber(QStringLiteral("PlayerMode"), playerMode);
    key.SetFlag(QStringLiteral("IgnoreErrors"), ignoreErrors);
    key.SetFlag(QStringLiteral("MediaFilesOnly"), mediaFilesOnly);
    key.SetNumber(QStringLiteral("SoundBank Options"), soundBankOptions);
    key.SetNumber(QStringLiteral("VideoMode"), videoMode);
    key.WriteRect(QStringLiteral("VideoRect"), videoRect);
    key.SetText(QStringLiteral("AudioSink"), audioSink);
    key.SetNumber(QStringLiteral("LineInLine"), lineInLine);
    key.SetNumber(QStringLiteral("Overlap Time"), overlapTime);
    key.SetFlag(QStringLiteral("Enable Events"), enableEvents);
    key.SetFlag(QStringLiteral("Enable Logging"), enableLogging);
    key.SetText(QStringLiteral("Logfile Dir"), logfileDir);
    key.SetFlag(QStringLiteral("Shutdown Confirmation"), shutdownConfirmation);
    key.WriteRect(QStringLiteral("MiniPlaylist Rect"), miniPlaylistRect);
    key.SetNumber(QStringLiteral("MiniPlaylist Overlap Time"), miniPlaylistOverlapTime);
    key.SetNumber(QStringLiteral("CurSel"), curSel);
    key.SetFlag(QStringLiteral("ShowPath"), showPath);
    key.SetFlag(QStringLiteral("ShowTrackNo"), showTrackNo);
    key.SetFlag(QStringLiteral("Fade On Overlap"), fadeOnOverlap);
    key.SetFlag(QStringLiteral("Fade On Stop"), fadeOnStop);
    key.SetReal(QStringLiteral("Fade Period"), fadePeriod);
    key.SetText(QStringLiteral("WorkingDir"), workingDir);
    key.Close();

    CRegistryKey song = CRegistryKey::OpenAppSubkey(SettingsKey::SongWindow);
    song.SetNumber(QStringLiteral("Left"), songWindowLeft);
    song.SetNumber(QStringLiteral("Top"), songWindowTop);
    song.Close();

    CRegistryKey dog = CRegistryKey::OpenAppSubkey(SettingsKey::WatchDog);
    dog.SetNumber(QStringLiteral("Interval"), watchDog.interval);
    dog.SetFlag(QStringLiteral("Enable"), watchDog.enable);
    dog.SetFlag(QStringLiteral("Message"), watchDog.message);
    dog.SetFlag(QStringLiteral("NextSong"), watchDog.nextSong);
    dog.SetFlag(QStringLiteral("Reboot"), watchDog.reboot);
}

void CViewSettings::ApplyWorkingDir() const
{
    if (!workingDir.isEmpty() && QFileInfo(workingDir).isDir())
        QDir::setCurrent(workingDir);
}
