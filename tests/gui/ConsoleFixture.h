// SPDX-License-Identifier: GPL-3.0-or-later
// The console view on a station core with fake tracks, a fresh user hive, a
// recording user interface and shell, and pickers that answer without
// dialogs.
#pragma once

#include "GuiHelpers.h"
#include "gui/console/LiranaView.h"
#include "gui/console/PlaylistListBox.h"
#include "gui/dialogs/FilePickers.h"
#include "media/Mixer.h"
#include "onair/EngineFixture.h"

class ConsoleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        document.ResetUndo(true);
        MakeView();
        QApplication::clipboard()->clear();
        CMixer::SetOpener(card.Opener());
    }
    void TearDown() override { TestEnv::UseNoMixer(); }

    // A fresh view (it reads its settings as it is built).
    void MakeView()
    {
        view.reset();
        view = std::make_unique<CLiranaView>(CAppContext{&list, &document, &engine, &station->Log(), &ui,
                                                         &station->Scheduler(), &station->Sounds(),
                                                         &station->Scheduler(), nullptr, station.get()});
        view->SetShell(&shell);
        view->SetTrackFactory(Tracks());
        view->SetPickers({[this](QWidget*, const QString& folder) {
                              pickerFolders << folder;
                              return pickedFiles;
                          },
                          [this](QWidget*, const QFont&) { return pickedFont; }});
    }

    COnAirEngine::TrackFactory Tracks()
    {
        return [this](const QString&) { return std::make_unique<FakeTrack>(world); };
    }
    void Load(const QStringList& rows, int selection) { list.Reset(rows, selection); }
    CViewSettings& Settings() { return engine.Settings(); }
    FakeTrack* OnAir() const { return static_cast<FakeTrack*>(engine.OnAir()); }
    bool Enabled(int id) const { return view->OnUpdateCommand(id).value_or(CommandState{}).enabled; }
    // Stops and lets the fade run out.
    void StopAndFade()
    {
        engine.OnStop();
        for (int i = 0; i < 200 && (engine.OnAir() || engine.Fading()); ++i)
            engine.OnTimer(COnAirEngine::TimerFade);
    }
    // Runs the command of a modal sheet; `work` gets the open sheet and may
    // close it (else it is cancelled).
    void RunSheet(int id, const std::function<void(CPropertySheet&)>& work)
    {
        bool ran = false;
        OnNextModal<CPropertySheet>(work, &ran);
        view->OnCommand(id);
        EXPECT_TRUE(ran);
    }
    // OK on an open sheet or dialog: the message it refuses with, or "closed".
    QString Ok(QDialog& dialog)
    {
        dialog.accept();
        return dialog.isVisible() ? ui.LastMessage() : QStringLiteral("closed");
    }
    // The page of the sheet with that tab title, and a text field on it.
    static COptionsPage* Page(CPropertySheet& sheet, const QString& title)
    {
        return qobject_cast<COptionsPage*>(sheet.Tabs()->widget(int(TabTitles(sheet.Tabs()).indexOf(title))));
    }
    static QLineEdit* Edit(CPropertySheet& sheet, const QString& page, int index)
    {
        return Page(sheet, page)->findChildren<QLineEdit*>().value(index);
    }
    // A file dialog that notes the file or folder it opens on and answers `answer`.
    FilePicker Picker(const QString& answer)
    {
        return [this, answer](QWidget*, const QString&, const QString& initial) {
            pickerFolders << initial;
            return answer;
        };
    }
    // The command ids of the recorded undo steps, oldest first.
    std::vector<std::uint32_t> UndoIds() const
    {
        std::vector<std::uint32_t> ids = document.History().UndoIds();
        ids.push_back(document.History().Current().commandId);
        std::erase(ids, 0u);
        return ids;
    }

    TempHive hive;
    CMemoryMixer card{QStringLiteral("Studio Card"), {{0, "Master"}, {0, "Line"}, {1, "Line"}, {1, "Mic"}}};
    FakeTrackWorld world;
    FakeClock clock;
    RecordingUi ui;
    RecordingShell shell;
    std::unique_ptr<CStation> station = std::make_unique<CStation>(
        CStation::Options{&ui, &shell, &clock, Tracks(), {}, nullptr, {}});
    CPlaylist& list = station->Playlist();
    CLiranaDoc& document = station->Document();
    COnAirEngine& engine = station->Engine();
    std::unique_ptr<CLiranaView> view;
    QStringList pickedFiles;
    QStringList pickerFolders;
    std::optional<QFont> pickedFont;
};
