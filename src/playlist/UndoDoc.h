// SPDX-License-Identifier: GPL-3.0-or-later
// CUndoDoc: undo and redo by whole-document snapshots. It knows nothing of
// playlists: the derived document gives its content as rows of text and a
// selected row (StoreSnapshot / LoadSnapshot), and the editing code calls
// Checkpoint(commandId) after each change it completes. Snapshots share
// unchanged rows with each other (CSharedRows), so a deep history of a long
// album costs little more than the album.
//
// Contract:
//  - ResetUndo(true) drops the history and takes a base snapshot (command id
//    0) as the current state; until the first reset checkpoints are not
//    taken (only the modified flag is set).
//  - Checkpoint pushes the current snapshot onto the undo stack and makes a
//    new one current. The redo stack is NOT cleared by a new change: Redo
//    after Undo + change brings back the state that was undone.
//  - Both stacks hold at most 10 snapshots; pushing onto a full one drops
//    its oldest.
//  - Undo leaves the document modified exactly when the undo stack is still
//    not empty; Redo always leaves it modified.
// Thread: the user-interface thread.
#pragma once

#include "app/Commands.h"
#include "playlist/SharedRows.h"

#include <cstdint>
#include <deque>
#include <vector>

// Command ids that tag checkpoints, one per kind of playlist change.
namespace UndoCmd {
enum : std::uint32_t {
    Base = 0,                   // the state after New or Open
    Drop = Cmd::Drop,           // files dropped on the playlist
    AddTracks = Cmd::AddTracks, // Add tracks dialog, console folder browser
    Remove = Cmd::EditClear,    // Remove, and the removal done by Cut
    ClearAll = Cmd::EditClearAll,
    Paste = Cmd::EditPaste,
    MoveUp = Cmd::MoveUp,
    MoveDown = Cmd::MoveDown,
    MoveToBottom = Cmd::MoveBottom,
    MoveToTop = Cmd::MoveTop,
    AddPause = Cmd::AddPause, // a pause of 10 seconds
    AddCdTracks = Cmd::AddCdTracks,
    Shuffle = Cmd::Shuffle, // also the reshuffle at the end in Shuffle mode
};
} // namespace UndoCmd

// A document's content: its rows and its selected row (-1 for none).
struct CUndoContent
{
    QStringList rows;
    int selection = -1;
};

struct CUndoSnapshot
{
    std::uint32_t commandId = 0;
    CSharedRows rows;
    int selection = -1;
};

// The snapshots: the current state and the two bounded stacks (newest last).
class CUndoHistory
{
public:
    static constexpr int kLimit = 10;

    void Clear();
    void SetCurrent(CUndoSnapshot snapshot);
    const CUndoSnapshot& Current() const { return m_current; }
    // current -> undo stack, snapshot becomes current.
    void Advance(CUndoSnapshot snapshot);
    // current -> redo stack, newest undo -> current. False when none.
    bool Undo();
    // current -> undo stack, newest redo -> current. False when none.
    bool Redo();

    int UndoCount() const { return int(m_undo.size()); }
    int RedoCount() const { return int(m_redo.size()); }
    std::vector<std::uint32_t> UndoIds() const;
    std::vector<std::uint32_t> RedoIds() const;

private:
    static void BoundedPush(std::deque<CUndoSnapshot>& stack, CUndoSnapshot snapshot);

    CUndoSnapshot m_current;
    std::deque<CUndoSnapshot> m_undo;
    std::deque<CUndoSnapshot> m_redo;
};

class CUndoDoc
{
public:
    CUndoDoc() = default;
    virtual ~CUndoDoc() = default;
    CUndoDoc(const CUndoDoc&) = delete;
    CUndoDoc& operator=(const CUndoDoc&) = delete;

    virtual bool IsModified() const { return m_modified; }
    virtual void SetModifiedFlag(bool modified) { m_modified = modified; }

    // Records the state after a completed change tagged with commandId and
    // sets the modified flag.
    void Checkpoint(std::uint32_t commandId);
    // Drops the history; with enable, takes a base snapshot and enables
    // checkpoints, else disables them.
    void ResetUndo(bool enable);
    bool IsUndoEnabled() const { return m_enabled; }

    // Update handlers of the Undo and Redo commands.
    bool CanUndo() const { return m_history.UndoCount() > 0; }
    bool CanRedo() const { return m_history.RedoCount() > 0; }
    // Do nothing when their stack is empty.
    void OnUndo();
    void OnRedo();

    const CUndoHistory& History() const { return m_history; }

protected:
    // The document's content, and its restoration.
    virtual CUndoContent StoreSnapshot() const = 0;
    virtual void LoadSnapshot(const CUndoContent& content) = 0;
    // Busy indication around snapshot work.
    virtual void SetBusy(bool /*busy*/) {}

private:
    CUndoSnapshot TakeSnapshot(std::uint32_t commandId) const;
    void Restore();

    CUndoHistory m_history;
    bool m_enabled = false;
    bool m_modified = false;
};
