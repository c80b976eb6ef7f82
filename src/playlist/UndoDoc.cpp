// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/UndoDoc.h"

void CUndoHistory::Clear()
{
    m_current = {};
    m_undo.clear();
    m_redo.clear();
}

void CUndoHistory::SetCurrent(CUndoSnapshot snapshot)
{
    m_current = std::move(snapshot);
}

void CUndoHistory::BoundedPush(std::deque<CUndoSnapshot>& stack, CUndoSnapshot snapshot)
{
    if (int(stack.size()) >= kLimit)
        stack.pop_front();
    stack.push_back(std::move(snapshot));
}

void CUndoHistory::Advance(CUndoSnapshot snapshot)
{
    BoundedPush(m_undo, std::move(m_current));
    m_current = std::move(snapshot);
}

bool CUndoHistory::Undo()
{
    if (m_undo.empty())
        return false;
    BoundedPush(m_redo, std::move(m_current));
    m_current = std::move(m_undo.back());
    m_undo.pop_back();
    return true;
}

bool CUndoHistory::Redo()
{
    if (m_redo.empty())
        return false;
    BoundedPush(m_undo, std::move(m_current));
    m_current = std::move(m_redo.back());
    m_redo.pop_back();
    return true;
}

std::vector<std::uint32_t> CUndoHistory::UndoIds() const
{
    std::vector<std::uint32_t> ids;
    for (const CUndoSnapshot& s : m_undo)
        ids.push_back(s.commandId);
    return ids;
}

std::vector<std::uint32_t> CUndoHistory::RedoIds() const
{
    std::vector<std::uint32_t> ids;
    for (const CUndoSnapshot& s : m_redo)
        ids.push_back(s.commandId);
    return ids;
}

CUndoSnapshot CUndoDoc::TakeSnapshot(std::uint32_t commandId) const
{
    CUndoContent content = StoreSnapshot();
    return {commandId, CSharedRows(content.rows, m_history.Current().rows), content.selection};
}

void CUndoDoc::Restore()
{
    const CUndoSnapshot& current = m_history.Current();
    LoadSnapshot({current.rows.Rows(), current.selection});
}

void CUndoDoc::Checkpoint(std::uint32_t commandId)
{
    if (m_enabled) {
        SetBusy(true);
        m_history.Advance(TakeSnapshot(commandId));
        SetBusy(false);
    }
    SetModifiedFlag(true);
}

void CUndoDoc::ResetUndo(bool enable)
{
    m_history.Clear();
    if (enable)
        m_history.SetCurrent(TakeSnapshot(UndoCmd::Base));
    m_enabled = enable;
}

void CUndoDoc::OnUndo()
{
    SetBusy(true);
    const bool moved = m_history.Undo();
    if (moved)
        Restore();
    SetBusy(false);
    if (moved)
        SetModifiedFlag(m_history.UndoCount() > 0);
}

void CUndoDoc::OnRedo()
{
    SetBusy(true);
    const bool moved = m_history.Redo();
    if (moved)
        Restore();
    SetBusy(false);
    if (moved)
        SetModifiedFlag(true);
}
