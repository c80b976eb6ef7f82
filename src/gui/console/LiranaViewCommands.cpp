// SPDX-License-Identifier: GPL-3.0-or-later
// The console's commands: its own (list options, font, mixer), the playlist
// editing commands with their undo steps, and the engine's, forwarded.
#include "gui/console/LiranaView.h"

#include "app/CommandTable.h"
#include "app/Strings.h"
#include "app/ToolList.h"
#include "app/UserInterface.h"
#include "app/ViewSettings.h"
#include "gui/console/ClipboardRows.h"
#include "gui/console/PlaylistListBox.h"
#include "gui/dialogs/ListPage.h"
#include "gui/dialogs/PropertySheet.h"
#include "gui/dialogs/SoundPlayerDlg.h"
#include "gui/dialogs/SoundsPage.h"
#include "media/CdDatabase.h"
#include "onair/EditCommands.h"
#include "onair/Find.h"
#include "onair/OnAirEngine.h"
#include "platform/Shell.h"
#include "playlist/ItemDrop.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"
#include "playlist/SoundList.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>

namespace {

QStringList AskTracks(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileNames(parent, CLiranaView::tr("Add Tracks"), folder,
                                         Str::Load(Str::MediaFilesFilter));
}

std::optional<QFont> AskFont(QWidget* parent, const QFont& current)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, current, parent, CLiranaView::tr("Font"));
    return ok ? std::optional<QFont>(font) : std::nullopt;
}

// The ids the engine handles (OnCommand) and answers (UpdateCommand).
bool IsEngineCommand(int id)
{
    return CommandLayerOf(id) == CommandLayer::Engine;
}

bool ClipboardHasText()
{
    // Asked at every idle refresh: a quick look, not the split of a long list.
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return false;
    if (mime->hasUrls())
        return !mime->urls().isEmpty();
    return mime->hasText() && !mime->text().trimmed().isEmpty();
}

} // namespace

bool CLiranaView::OnCommand(int id)
{
    switch (id) {
    case Cmd::FullPath:
        Settings().showPath = !Settings().showPath;
        m_list->SetShowPath(Settings().showPath);
        return true;
    case Cmd::TrackNumbers:
        Settings().showTrackNo = !Settings().showTrackNo;
        m_list->SetShowTrackNo(Settings().showTrackNo);
        return true;
    case Cmd::Font: ChooseFont(); return true;
    case Cmd::Mixer: StartMixer(Settings().mixer); return true;
    case Cmd::OpenCd: OpenCdDoor(); return true;
    case Cmd::CloseCd: CloseCdDoor(); return true;
    case Cmd::UpdateCdNames: m_list->RefreshCdTitles(); return true;
    case EditCmd::Find: return false; // the frame's find dialog
    default: break;
    }
    if (id >= Cmd::SoundFirst && id <= Cmd::SoundLast) {
        PlaySound(id - Cmd::SoundFirst);
        return true;
    }
    if (id == Cmd::EditSounds && m_context.sounds) {
        EditSounds();
        return true;
    }
    if (id == Cmd::Schedule && m_context.scheduler) {
        EditSchedule();
        return true;
    }
    if (id == Cmd::Options) {
        ShowOptions();
        return true;
    }
    if (id == Cmd::AdvancedOptions && m_context.sounds) {
        ShowAdvancedOptions();
        return true;
    }
    if (OnEditCommand(id))
        return true;
    if (!IsEngineCommand(id))
        return false;
    m_context.engine->OnCommand(id);
    return true;
}

std::optional<CommandState> CLiranaView::OnUpdateCommand(int id) const
{
    const COnAirEngine& engine = *m_context.engine;
    const bool onAir = engine.OnAir() != nullptr;
    switch (id) {
    case Cmd::FullPath: return CommandState{true, Settings().showPath};
    case Cmd::TrackNumbers: return CommandState{true, Settings().showTrackNo};
    case Cmd::Font:
    case Cmd::OpenCd:
    case Cmd::CloseCd:
    case Cmd::UpdateCdNames: return CommandState{true, false};
    case Cmd::Mixer: return CommandState{!Settings().mixer.isEmpty(), false};
    case Cmd::TrackPosition:
    case Cmd::PanePosition:
    case Cmd::PaneLength: return CommandState{PaneEnabled(id), false};
    default: break;
    }
    if (id >= Cmd::SoundFirst && id <= Cmd::SoundLast)
        return CommandState{m_context.sounds && m_context.sounds->IsAssigned(id - Cmd::SoundFirst), false};
    if (id == Cmd::EditSounds || id == Cmd::AdvancedOptions)
        return CommandState{m_context.sounds != nullptr, false};
    if (id == Cmd::Schedule)
        return CommandState{m_context.scheduler != nullptr, false};
    if (id == Cmd::Options)
        return CommandState{true, false};
    const CPlaylist& list = *m_context.playlist;
    const bool clipboard = id == EditCmd::Paste && ClipboardHasText();
    if (auto state = EditCommandState(id, EditContext{list.Count(), list.Selection(), clipboard, onAir}))
        return state;
    if (id == Cmd::SilenceActions)
        return CommandState{true, false};
    if (IsEngineCommand(id))
        return engine.UpdateCommand(id);
    return std::nullopt;
}

QString CLiranaView::CommandMenuText(int id) const
{
    if (id < Cmd::SoundFirst || id > Cmd::SoundLast)
        return {};
    return m_context.sounds ? m_context.sounds->MenuText(id - Cmd::SoundFirst) : CSoundList().MenuText(0);
}

QString CLiranaView::CommandToolTip(int id) const
{
    if (id < Cmd::SoundFirst || id > Cmd::SoundLast)
        return {};
    return m_context.sounds ? m_context.sounds->ToolTip(id - Cmd::SoundFirst) : CSoundList().ToolTip(0);
}

void CLiranaView::PlaySound(int index)
{
    if (!m_context.sounds || !m_context.sounds->IsAssigned(index))
        return; // an unassigned slot's command is disabled
    auto* window = new CSoundPlayerDlg(m_context.sounds->Slot(index), this, m_trackFactory, m_context.ui);
    // The corner it closes at is kept with the settings.
    connect(window, &QObject::destroyed, this, [this] {
        Settings().songWindowLeft = CSoundPlayerDlg::LastRect().left();
        Settings().songWindowTop = CSoundPlayerDlg::LastRect().top();
    });
    setFocus(); // the keyboard stays with the console
}

void CLiranaView::EditSounds()
{
    // Menu texts and tool tips follow the slots at the next refresh.
    CPropertySheet sheet(tr("Advanced Options"), this);
    sheet.setProperty("helpChapter", QStringLiteral("advanced-options"));
    auto* page = new CSoundsPage(*m_context.sounds, Settings(), &sheet);
    page->SetTracks(m_trackFactory, m_context.ui);
    sheet.AddCommitPage(page, [page] { page->Apply(); });
    sheet.exec();
}

bool CLiranaView::OnEditCommand(int id)
{
    CPlaylist& list = *m_context.playlist;
    if (id != EditCmd::AddTracks && id != EditCmd::AddPause && id != EditCmd::AddCdTracks &&
        id != EditCmd::Paste && id != EditCmd::Copy && id != EditCmd::Cut && id != EditCmd::Remove &&
        id != EditCmd::ClearAll && id != EditCmd::MoveTop && id != EditCmd::MoveUp &&
        id != EditCmd::MoveDown && id != EditCmd::MoveBottom && id != EditCmd::Shuffle &&
        id != EditCmd::TotalLength && id != EditCmd::Rename)
        return false;
    const std::optional<CommandState> state = OnUpdateCommand(id);
    if (!state || !state->enabled)
        return true; // a disabled command does nothing
    switch (id) {
    case EditCmd::AddTracks: AddTracks(); break;
    case EditCmd::AddPause: AddPause(); break;
    case EditCmd::AddCdTracks: AddCdTracks(); break;
    case EditCmd::Copy: Copy(false); break;
    case EditCmd::Cut: Copy(true); break;
    case EditCmd::Paste: Paste(); break;
    case EditCmd::Remove:
        if (RemoveSelected(list))
            Checkpoint(EditCmd::Remove);
        break;
    case EditCmd::ClearAll:
        if (ClearAll(list))
            Checkpoint(EditCmd::ClearAll);
        break;
    case EditCmd::MoveTop:
    case EditCmd::MoveUp:
    case EditCmd::MoveDown:
    case EditCmd::MoveBottom:
        if (MoveSelected(list, id))
            Checkpoint(id);
        break;
    case EditCmd::Shuffle: m_context.engine->ShufflePlaylist(); break; // checkpoint via PlaylistEdited
    case EditCmd::TotalLength: ComputeTotalLength(); break;
    case EditCmd::Rename: m_list->RenameItem(); break;
    }
    return true;
}

void CLiranaView::AddTracks()
{
    CPlaylist& list = *m_context.playlist;
    const bool wasEmpty = list.Count() == 0;
    auto ask = m_pickers.addTracks ? m_pickers.addTracks : AskTracks;
    const QStringList files = ask(this, ExistingFolder(Settings().mediaDir));
    if (files.isEmpty())
        return;
    AppendItems(list, files, Settings().mediaFilesOnly);
    Settings().mediaDir = QFileInfo(files.last()).absolutePath();
    Checkpoint(EditCmd::AddTracks);
    AutoPlayIfWasEmpty(wasEmpty);
}

void CLiranaView::AutoPlayIfWasEmpty(bool wasEmpty)
{
    if (wasEmpty && !m_context.engine->OnAir() && Settings().autoPlay && m_context.playlist->Selection() >= 0)
        m_context.engine->OnPlay();
}

void CLiranaView::AddPause()
{
    if (AddItem(*m_context.playlist, QStringLiteral("10.pause"), -1, Settings().mediaFilesOnly))
        Checkpoint(EditCmd::AddPause);
}

void CLiranaView::AddCdTracks()
{
    const int count = CountCdTracks();
    const QString root = count == 0 ? QString() : FindCdRoot();
    if (root.isEmpty()) {
        if (m_context.ui)
            m_context.ui->ShowMessage(tr("No CD Found"), UserInterface::Icon::Information);
        return;
    }
    CPlaylist& list = *m_context.playlist;
    for (int track = 1; track <= count; ++track)
        AddItem(list, root + QString::asprintf("Track%02d.cda", track), -1, Settings().mediaFilesOnly);
    Checkpoint(EditCmd::AddCdTracks);
}

void CLiranaView::Copy(bool cut)
{
    const QString text = CopyText(*m_context.playlist);
    if (text.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(text);
    if (cut && RemoveSelected(*m_context.playlist))
        Checkpoint(EditCmd::Remove);
}

void CLiranaView::Paste()
{
    const QStringList rows = ClipboardRows(QGuiApplication::clipboard()->mimeData());
    if (rows.isEmpty())
        return;
    AppendItems(*m_context.playlist, rows, Settings().mediaFilesOnly);
    Checkpoint(EditCmd::Paste);
}

bool CLiranaView::FindNext(const QString& text, bool matchCase, bool down)
{
    CPlaylist& list = *m_context.playlist;
    const int from = list.Selection();
    if (from < 0)
        return false;
    const int row = FindRow(list, text, from, matchCase, down);
    if (row < 0)
        return false;
    list.Select(row);
    return row != from || GetItemDisplayName(list.Row(row))
                              .contains(text, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

void CLiranaView::ChooseFont()
{
    auto ask = m_pickers.font ? m_pickers.font : AskFont;
    if (const std::optional<QFont> font = ask(this, m_list->ListFont())) {
        m_list->SetListFont(*font);
        SaveSettings();
    }
}

void CLiranaView::StartMixer(const QString& commandLine)
{
    const QStringList argv = MixerCommand(commandLine);
    if (argv.isEmpty())
        return;
    // Linux's launcher shows nothing when a program is missing: the
    // operator is told here.
    QString error;
    if (!m_shell->StartProgram(argv.front(), argv.mid(1), {}, &error))
        TellOperator(this, m_context.ui, CannotFindMessage(argv.join(u' '), error),
                     UserInterface::Icon::Stop);
}
