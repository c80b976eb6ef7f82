// A console view on the engine fakes of the engine tests, with an album
// document for the undo steps and pickers that answer without dialogs.
#pragma once

#include "gui/console/LiranaView.h"
#include "gui/console/PlaylistListBox.h"
#include "onair/EngineFixture.h"
#include "playlist/AlbumDoc.h"

#include <QApplication>
#include <QClipboard>

class ConsoleTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        document = std::make_unique<CLiranaDoc>(list, ui, shell);
        document->ResetUndo(true);
        // What the station core wires: the engine's shuffle is an undo step.
        QObject::connect(engine.get(), &COnAirEngine::PlaylistEdited, document.get(),
                         [this](int id) { document->Checkpoint(static_cast<std::uint32_t>(id)); });
        CAppContext context;
        context.playlist = &list;
        context.document = document.get();
        context.engine = engine.get();
        context.ui = &ui;
        view = std::make_unique<CLiranaView>(context);
        view->SetShell(&shell);
        view->SetTrackFactory([this](const QString&) { return std::make_unique<FakeTrack>(world); });
        CLiranaView::Pickers pickers;
        pickers.addTracks = [this](QWidget*, const QString& folder) {
            pickerFolders << folder;
            return pickedFiles;
        };
        pickers.font = [this](QWidget*, const QFont&) { return pickedFont; };
        view->SetPickers(pickers);
        QApplication::clipboard()->clear();
    }

    void TearDown() override
    {
        view.reset();
        document.reset();
    }

    CViewSettings& Settings() { return engine->Settings(); }
    // The command ids of the recorded undo steps, oldest first, without the
    // base state.
    std::vector<std::uint32_t> UndoIds() const
    {
        std::vector<std::uint32_t> ids = document->History().UndoIds();
        ids.push_back(document->History().Current().commandId);
        std::erase(ids, 0u);
        return ids;
    }
    bool Enabled(int id) const { return view->OnUpdateCommand(id).value_or(CommandState{}).enabled; }

    std::unique_ptr<CLiranaDoc> document;
    std::unique_ptr<CLiranaView> view;
    QStringList pickedFiles;
    QStringList pickerFolders;
    std::optional<QFont> pickedFont;
};
