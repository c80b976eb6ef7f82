// SPDX-License-Identifier: GPL-3.0-or-later
// The Options and Advanced Options sheets: their pages edit a copy of the
// console's settings, and OK takes back the values of those pages only (the
// Sounds page stores its own list and folders meanwhile) and applies the
// ones that act at once: the play log, the video output, the MIDI
// synthesiser (for the items opened after it), the silence detector and
// level alarm (re-armed only when a switch or the period changed), the
// list, the air-check and the streams (made again when their settings
// changed).
#include "gui/console/LiranaView.h"

#include "app/SettingsSchema.h"
#include "app/ToolList.h"
#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "gui/console/PlaylistListBox.h"
#include "gui/dialogs/EventsPage.h"
#include "gui/dialogs/MixerLinePage.h"
#include "gui/dialogs/OptionsPage.h"
#include "gui/dialogs/PlugInsPage.h"
#include "gui/dialogs/PropertySheet.h"
#include "gui/dialogs/RecordingPage.h"
#include "gui/dialogs/SoundsPage.h"
#include "gui/dialogs/StreamingPage.h"
#include "gui/frame/ToolIcons.h"
#include "media/TrackEnvironment.h"
#include "onair/OnAirEngine.h"
#include "platform/Shell.h"
#include "platform/registry/RegistryKey.h"
#include "station/Station.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolButton>

#include <limits>

namespace {

int s_optionsPage = 0; // the Options sheet reopens on its last page during a run

// The limits the settings schema gives a value, in the page's unit (scale:
// stored units per shown unit), so the pages and the settings file agree.
SettingInfo::Range Limits(const char* name, double scale = 1, const QString& key = SettingsKey::Settings)
{
    const SettingInfo& setting = SettingsSchema::Find(key, QString::fromLatin1(name));
    Q_ASSERT(setting.range);
    return {setting.range->min / scale, setting.range->max / scale};
}

int Whole(double limit)
{
    return int(limit);
}

// OK of a sheet: every page checked first, then stored into the copy.
CPropertySheet::Apply Checked(COptionsPage* page)
{
    return [page] {
        if (!page->Validate())
            return false;
        page->Store();
        return true;
    };
}

// OK of a sheet for a page that edits a live list of its own: once every
// page agreed.
template <class Page>
std::function<void()> Applied(Page* page)
{
    return [page] { page->Apply(); };
}

// OK of a sheet: the fields its pages edit, from the copy into the live
// settings (the others may have changed meanwhile).
template <class... Fields>
void TakeBack(CViewSettings& live, const CViewSettings& copy, Fields CViewSettings::*... fields)
{
    ((live.*fields = copy.*fields), ...);
}

} // namespace

void CLiranaView::ShowOptions()
{
    CViewSettings copy = Settings();
    CPropertySheet sheet(tr("Options"), this);
    sheet.setProperty("helpChapter", QStringLiteral("options"));
    auto* general = new COptionsPage(tr("General"), m_context.ui, &sheet);
    general->AddCheck(tr("&Auto play"), copy.autoPlay);
    general->AddCheck(tr("&Ignore all errors"), copy.ignoreErrors);
    general->AddCheck(tr("Accept &media files only"), copy.mediaFilesOnly);
    general->AddCheck(tr("&Shutdown confirmation required"), copy.shutdownConfirmation);
    const QString source = SettingsSchema::Stored<QString>(SettingsKey::Settings,
                                                           QStringLiteral("LineInSource"));
    auto* line = new CMixerLinePage(static_cast<unsigned>(copy.lineInMixer),
                                    static_cast<unsigned>(copy.lineInLine), source, &sheet);
    auto* intro = new COptionsPage(tr("Intro Scan"), m_context.ui, &sheet);
    const auto startAt = Limits("IntroStart"), length = Limits("IntroLength");
    intro->AddNumber(tr("&Start at:"), copy.introStart, Whole(startAt.min), Whole(startAt.max));
    intro->AddNumber(tr("&Length:"), copy.introLength, Whole(length.min), Whole(length.max),
                     std::pair{1, Whole(length.max)});
    // Skip: any typed value, as it always was; the arrows keep to 1 ... 300.
    intro->AddNumber(tr("S&kip"), copy.ffTime, std::numeric_limits<int>::min(),
                     std::numeric_limits<int>::max(), std::pair{1, 300});
    auto* video = new COptionsPage(tr("Video"), m_context.ui, &sheet);
    video->AddChoice({tr("Use &original window size"), tr("&Remember window size and position"),
                      tr("&Full screen"), tr("&Maximize window")},
                     {0, 1, 2, 3}, copy.videoMode, 0);
    auto* midi = new COptionsPage(tr("MIDI"), m_context.ui, &sheet);
    midi->AddNote(tr("MIDI files are played by a synthesizer with a General MIDI SoundFont."));
    QLineEdit* font = midi->AddText(
        tr("&General MIDI SoundFont:"), copy.midiSoundFont, 255, [](QWidget* parent, const QString& at) {
            return QFileDialog::getOpenFileName(parent, tr("Select a SoundFont"), at,
                                                tr("SoundFont Files (*.sf2 *.sf3 *.sbk);;All Files (*)"));
        });
    font->setPlaceholderText(tr("the system's"));
    midi->AddCheckOnOk([this, font] {
        const QString path = font->text().trimmed();
        if (path.isEmpty() || QFileInfo(path).isFile())
            return true;
        if (m_context.ui)
            m_context.ui->ShowMessage(tr("The SoundFont %1 does not exist.").arg(path),
                                      UserInterface::Icon::Warning);
        font->setFocus();
        return false;
    });
    const auto gain = Limits("MIDI Gain");
    midi->AddNumber(tr("MIDI ga&in (dB):"), copy.midiGain, Whole(gain.min), Whole(gain.max));
    midi->AddNote(tr("A SoundFont beside each MIDI file, loaded into user bank 1 of the sound card:"));
    midi->AddChoice({tr("&None"), tr("Named like the file, else the &first in its folder"),
                     tr("Only na&med like the file"), tr("&Ask for one")},
                    {0, 1, 2, 3}, copy.soundBankOptions, 1);
    auto* mixer = new COptionsPage(tr("Mixer"), m_context.ui, &sheet);
    mixer->AddNote(
        tr("Select a program that will be used as the mixer. You can start it with the mixer button."));
    QLineEdit* program = mixer->AddText(
        tr("Mixer program:"), copy.mixer, 255, [](QWidget* parent, const QString& current) {
            // The entry found on the search path is where the dialog starts.
            const QString found = QStandardPaths::findExecutable(MixerCommand(current).value(0));
            return QFileDialog::getOpenFileName(parent, tr("Browse for Mixer"),
                                                found.isEmpty() ? current : found,
                                                tr("Program Files (*);;All Files (*)"));
        });
    auto* start = new QToolButton(mixer);
    start->setObjectName(QStringLiteral("button1062"));
    start->setIconSize(QSize(32, 32));
    start->setToolTip(tr("Start the Mixer"));
    auto showIcon = [start, program] {
        // The program's own icon from the desktop theme, else the Mixer command's.
        const QString name = QFileInfo(MixerCommand(program->text()).value(0)).baseName();
        start->setIcon(QIcon::fromTheme(name, CommandIcon(Cmd::Mixer)));
        start->setEnabled(!program->text().trimmed().isEmpty());
    };
    showIcon();
    connect(program, &QLineEdit::textChanged, start, showIcon);
    connect(start, &QToolButton::clicked, this, [this, program] { StartMixer(program->text()); });
    mixer->AddWidget(start);
    sheet.AddPage(general, Checked(general));
    sheet.AddPage(line, [line, &copy] {
        copy.lineInLine = static_cast<std::int32_t>(line->Chosen(static_cast<unsigned>(copy.lineInLine)));
        return true;
    });
    for (COptionsPage* page : {intro, video, midi, mixer})
        sheet.AddPage(page, Checked(page));
    sheet.Tabs()->setCurrentIndex(s_optionsPage);
    const bool ok = sheet.exec() == QDialog::Accepted;
    s_optionsPage = sheet.Tabs()->currentIndex(); // after Cancel as well
    if (!ok)
        return;
    CViewSettings& live = Settings();
    using S = CViewSettings;
    TakeBack(live, copy, &S::autoPlay, &S::ignoreErrors, &S::mediaFilesOnly, &S::shutdownConfirmation,
             &S::introStart, &S::introLength, &S::ffTime, &S::videoMode, &S::mixer, &S::lineInLine,
             &S::midiSoundFont, &S::midiGain, &S::soundBankOptions);
    CTrackEnvironment::SetVideo(live.videoMode, live.videoRect);
    CTrackEnvironment::SetMidi(live);
    live.Save(); // a live item started next reads "LineInLine" from the hive
    if (line->Source() != source.trimmed())
        CRegistryKey::OpenAppSubkey(SettingsKey::Settings)
            .SetText(QStringLiteral("LineInSource"), line->Source());
    m_list->viewport()->update();
}

void CLiranaView::ShowAdvancedOptions()
{
    CViewSettings copy = Settings();
    CPropertySheet sheet(tr("Advanced Options"), this);
    sheet.setProperty("helpChapter", QStringLiteral("advanced-options"));
    auto* overlap = new COptionsPage(tr("Overlap"), m_context.ui, &sheet);
    overlap->AddNote(
        tr("Set the default overlap time in seconds. You can override the default value by renaming "
           "files to e.g. song1~7.wav"));
    const auto tracks = Limits("Overlap Time", 1000),
               miniPlaylist = Limits("MiniPlaylist Overlap Time", 1000);
    overlap->AddMilliseconds(tr("Overlap tracks by"), copy.overlapTime, tracks.min, tracks.max);
    overlap->AddMilliseconds(tr("Overlap sounds in mini playlists by"), copy.miniPlaylistOverlapTime,
                             miniPlaylist.min, miniPlaylist.max);
    overlap->AddCheck(tr("Short items: overlap at most a third of their length"), copy.shortItemOverlapThird);
    overlap->AddCheck(tr("Fade on overlap"), copy.fadeOnOverlap);
    overlap->AddCheck(tr("Fade on stop"), copy.fadeOnStop);
    const auto fade = Limits("Fade Period");
    overlap->AddSeconds(tr("Fading period"), copy.fadePeriod, fade.min, fade.max);
    auto* log = new COptionsPage(tr("Log Files"), m_context.ui, &sheet);
    QCheckBox* logging = log->AddCheck(tr("&Write all started tracks to log file"), copy.enableLogging);
    QLineEdit* folder = log->AddText(
        tr("&Folder"), copy.logfileDir, 255, [](QWidget* parent, const QString& at) {
            return QFileDialog::getExistingDirectory(parent, tr("Select Folder"), at);
        });
    log->EnableWhile(logging, {folder});
    log->AddCheckOnOk([this, logging, folder] {
        // With logging off any folder is accepted.
        if (!logging->isChecked() || QDir(folder->text()).exists())
            return true;
        if (m_context.ui)
            m_context.ui->ShowMessage(tr("The specified directory does not exist."),
                                      UserInterface::Icon::Warning);
        folder->setFocus();
        return false;
    });
    CEventsPage* events = m_context.scheduler ? NewEventsPage(&sheet) : nullptr;
    auto* sounds = new CSoundsPage(*m_context.sounds, Settings(), &sheet);
    sounds->SetTracks(m_trackFactory, m_context.ui);
    auto* plugIns = new CPlugInsPage(CTrackEnvironment::Chain(),
                                     CPlugInsPage::PipelineOf(m_context.engine->OnAir()),
                                     CTrackEnvironment::AirChain(), &sheet);
    auto* silence = new COptionsPage(tr("Silence Detector"), m_context.ui, &sheet);
    CWatchDogSettings& dog = copy.watchDog;
    QCheckBox* detect = silence->AddCheck(tr("Enable silence detection"), dog.enable);
    const auto period = Limits("Interval", 1, SettingsKey::WatchDog);
    std::vector<QWidget*> follow{
        silence->AddNumber(tr("Silence period:"), dog.interval, Whole(period.min), Whole(period.max))};
    for (QAbstractButton* button : silence->AddFlags({tr("Display a message box"), tr("Go to the next song"),
                                                      tr("Reboot the system (where the system allows it)")},
                                                     {&dog.message, &dog.nextSong, &dog.reboot}))
        follow.push_back(button);
    silence->EnableWhile(detect, {follow.front()});
    // The level alarm runs the same actions: they follow either switch.
    QCheckBox* level = silence->AddCheck(tr("&Alarm when the air is quieter than"), dog.levelEnable);
    const auto threshold = Limits("Level Threshold", 1, SettingsKey::WatchDog),
               quiet = Limits("Level Interval", 1, SettingsKey::WatchDog);
    silence->EnableWhile(level, {silence->AddNumber(tr("Level (dBFS):"), dog.levelThreshold,
                                                    Whole(threshold.min), Whole(threshold.max)),
                                 silence->AddNumber(tr("For (seconds):"), dog.levelSeconds, Whole(quiet.min),
                                                    Whole(quiet.max))});
    silence->EnableWhileAny({detect, level}, std::vector<QWidget*>(follow.begin() + 1, follow.end()));
    auto* recording = new CRecordingPage(m_context.ui, &sheet);
    CStation* station = m_context.station;
    auto* streaming = new CStreamingPage(
        m_context.ui,
        [station] {
            return station ? station->StreamStates() : std::vector<std::pair<QString, CAirStream::State>>{};
        },
        &sheet);
    sheet.AddPage(overlap, Checked(overlap));
    sheet.AddPage(log, Checked(log));
    if (events)
        sheet.AddCommitPage(events, Applied(events));
    sheet.AddCommitPage(sounds, Applied(sounds));
    sheet.AddCommitPage(plugIns, Applied(plugIns));
    sheet.AddPage(silence, Checked(silence));
    sheet.AddPage(recording, Checked(recording));
    sheet.AddPage(streaming, [] { return true; });
    sheet.Tabs()->setUsesScrollButtons(true);
    if (sheet.exec() != QDialog::Accepted)
        return;
    CViewSettings& live = Settings();
    using S = CViewSettings;
    TakeBack(live, copy, &S::overlapTime, &S::shortItemOverlapThird, &S::miniPlaylistOverlapTime,
             &S::fadeOnOverlap, &S::fadeOnStop, &S::fadePeriod, &S::enableLogging, &S::logfileDir);
    m_context.engine->ApplyLogSettings();
    const bool rearm = live.watchDog.enable != dog.enable || live.watchDog.interval != dog.interval ||
                       live.watchDog.levelEnable != dog.levelEnable;
    live.watchDog = dog;
    if (rearm)
        m_context.engine->RearmWatchDog();
    live.Save(); // stored at once, not only at the end of the session
    // The air-check and the streams start again only when their settings
    // changed: a new file or a reconnection is not for nothing.
    const bool recordingChanged = recording->Save();
    if ((streaming->Save() || recordingChanged) && station)
        station->RestartAirTap();
    if (recording->SaveLoudness() && station)
        station->RestartLoudness();
}

CEventsPage* CLiranaView::NewEventsPage(QWidget* sheet)
{
    return new CEventsPage(*m_context.scheduler, {&Settings(), m_context.ui, m_trackFactory}, sheet);
}

void CLiranaView::EditSchedule()
{
    // The upcoming list follows at OK: the page refreshes it.
    CPropertySheet sheet(tr("Advanced Options"), this);
    sheet.setProperty("helpChapter", QStringLiteral("advanced-options"));
    CEventsPage* page = NewEventsPage(&sheet);
    sheet.AddCommitPage(page, Applied(page));
    sheet.exec();
}
