// SPDX-License-Identifier: GPL-3.0-or-later
// The playlist editing commands as operations on the CPlaylist model, with
// their enable rules, the row text of the playlist list box, the drag move
// rule and the Total Length count. No widgets, no clipboard, no dialogs: the
// console asks the person and takes the undo checkpoint (the command id)
// after each operation that reports a change.
// Thread: the user-interface thread.
#pragma once

#include "app/Commands.h"
#include "media/MediaTrack.h"
#include "media/SoundBank.h"
#include "playlist/UndoDoc.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CPlaylist;
class CException;

// The editing commands; those that change the rows are also their undo ids.
namespace EditCmd {
enum : int {
    AddTracks = int(UndoCmd::AddTracks),
    AddPause = int(UndoCmd::AddPause),
    AddCdTracks = int(UndoCmd::AddCdTracks),
    Remove = int(UndoCmd::Remove),
    ClearAll = int(UndoCmd::ClearAll),
    Copy = Cmd::EditCopy,
    Cut = Cmd::EditCut,
    Paste = int(UndoCmd::Paste),
    MoveTop = int(UndoCmd::MoveToTop),
    MoveUp = int(UndoCmd::MoveUp),
    MoveDown = int(UndoCmd::MoveDown),
    MoveBottom = int(UndoCmd::MoveToBottom),
    Shuffle = Cmd::Shuffle,
    Find = Cmd::Find,
    TotalLength = Cmd::TotalLength,
    Rename = Cmd::Rename,
    Drop = int(UndoCmd::Drop), // files dropped on the playlist
};
} // namespace EditCmd

// What the enable rules look at.
struct EditContext
{
    int count = 0;
    int selection = -1;
    bool clipboardHasText = false;
    bool onAir = false;
};

// The enabled state of an editing command; nothing for other ids.
std::optional<CommandState> EditCommandState(int id, const EditContext& context);

// What a playlist row shows: the item path with showPath, else its display
// name; with showTrackNo "[n] text" with the 1-based row number.
QString PlaylistRowText(const QString& path, int row, bool showPath, bool showTrackNo);

// Appends each path (AddItem, index -1). Returns how many went in.
int AppendItems(CPlaylist& list, const QStringList& paths, bool mediaFilesOnly);

// Deletes the selected row; the row that moved up, or else the new last row,
// becomes selected. False when nothing was selected.
bool RemoveSelected(CPlaylist& list);
// Deletes every row. False when the list was empty.
bool ClearAll(CPlaylist& list);

// Moves the selected row for MoveTop/Up/Down/Bottom and selects it at its new
// place. False (nothing changed) when the command's enable rule fails.
bool MoveSelected(CPlaylist& list, int commandId);

// A row dragged from `from` and dropped onto row `onto` (onto == Count():
// below the last row) goes before that row; onto itself or onto the row
// below it nothing moves. The dragged row ends up selected. True when the
// order changed.
bool DragMoveRow(CPlaylist& list, int from, int onto);

// The clipboard text of Copy: the selected row's item path; empty when none.
QString CopyText(const CPlaylist& list);
// Splits pasted text at each CR, skipping one LF right after it, and drops
// empty pieces. Text without CR is one piece.
QStringList SplitPasteText(const QString& text);
// Appends the pieces of text. Returns how many went in.
int PasteText(CPlaylist& list, const QString& text, bool mediaFilesOnly);

// Rename: what the selected row's rename edits.
enum class RenameKind { CdTitle, Pause, File };
RenameKind RenameKindFor(const QString& path);
// The value the pause dialog starts with: the seconds the row names, else 1.
int PauseDialogSeconds(const QString& path);
// The row after the pause dialog: seconds + the upper-cased extension.
QString RenamedPauseRow(const QString& path, int seconds);
// The path after renaming the file to newName (folder and extension kept).
QString RenamedFilePath(const QString& path, const QString& newName);

// Total Length, one row per Step so the caller can show progress and check
// for an abort between rows. Media rows (IsMediaFile) are opened with the
// factory; their lengths and overlaps (per-file override, else the default;
// none after the last row) are summed in 64 bits. A row that fails to open
// goes to the error handler, counts 0 and is counted as a failure; with
// stopOnError the count is aborted.
class CTotalLength
{
public:
    using TrackFactory = std::function<std::unique_ptr<CMediaTrack>(const QString&)>;
    using ErrorHandler = std::function<void(const CException&)>;

    CTotalLength(const CPlaylist& list, TrackFactory factory, std::int32_t defaultOverlapMs, bool stopOnError,
                 QObject* owner = nullptr, ErrorHandler onError = {});

    // Counts the next row. False when there was none left or it aborted.
    bool Step();
    void Abort() { m_aborted = true; }
    bool Done() const { return m_aborted || m_next >= m_rows.size(); }

    // The row Step counts next (the one the operator sees selected).
    int NextRow() const { return static_cast<int>(m_next); }
    bool Aborted() const { return m_aborted; }
    int Rows() const { return static_cast<int>(m_rows.size()); }
    int Failures() const { return m_failures; }
    std::int64_t Total() const { return m_total; }
    std::int64_t Overlaps() const { return m_overlaps; }
    // The running time: total less overlaps.
    std::int64_t Net() const { return m_total - m_overlaps; }
    // The result box text.
    QString Message() const;

private:
    CSoundBanksOff m_noBanks; // no MIDI item loads its sound bank while measured
    QStringList m_rows;
    TrackFactory m_factory;
    std::int32_t m_defaultOverlap;
    bool m_stopOnError;
    QObject* m_owner;
    ErrorHandler m_onError;
    qsizetype m_next = 0;
    bool m_aborted = false;
    int m_failures = 0;
    std::int64_t m_total = 0;
    std::int64_t m_overlaps = 0;
};
