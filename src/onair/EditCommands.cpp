// SPDX-License-Identifier: GPL-3.0-or-later
#include "onair/EditCommands.h"
#include <QCoreApplication>

#include "platform/Exception.h"
#include "playlist/ItemDrop.h"
#include "playlist/ItemPath.h"
#include "playlist/Playlist.h"

#include <algorithm>

std::optional<CommandState> EditCommandState(int id, const EditContext& c)
{
    const bool selected = c.selection >= 0 && c.selection < c.count;
    const bool notLast = selected && c.selection < c.count - 1;
    switch (id) {
    case EditCmd::AddTracks:
    case EditCmd::AddPause:
    case EditCmd::AddCdTracks: return CommandState{true, false};
    case EditCmd::ClearAll: return CommandState{c.count > 0, false};
    case EditCmd::Paste: return CommandState{c.clipboardHasText, false};
    case EditCmd::MoveTop:
    case EditCmd::MoveUp: return CommandState{selected && c.selection >= 1, false};
    case EditCmd::MoveDown:
    case EditCmd::MoveBottom: return CommandState{notLast, false};
    case EditCmd::TotalLength: return CommandState{selected && !c.onAir, false};
    case EditCmd::Remove:
    case EditCmd::Cut:
    case EditCmd::Copy:
    case EditCmd::Shuffle:
    case EditCmd::Find:
    case EditCmd::Rename: return CommandState{selected, false};
    default: return std::nullopt;
    }
}

QString PlaylistRowText(const QString& path, int row, bool showPath, bool showTrackNo)
{
    const QString text = showPath ? path : GetItemDisplayName(path);
    if (!showTrackNo)
        return text;
    return QStringLiteral("[%1] %2").arg(row + 1).arg(text);
}

int AppendItems(CPlaylist& list, const QStringList& paths, bool mediaFilesOnly)
{
    return InsertDropped(list, paths, -1, mediaFilesOnly);
}

bool RemoveSelected(CPlaylist& list)
{
    const int s = list.Selection();
    if (s < 0)
        return false;
    const int n = list.Count();
    list.Delete(s);
    if (s < n - 1)
        list.Select(s);
    else
        list.Select(s - 1);
    return true;
}

bool ClearAll(CPlaylist& list)
{
    if (list.Count() == 0)
        return false;
    list.Reset({}, -1);
    return true;
}

bool MoveSelected(CPlaylist& list, int commandId)
{
    const int s = list.Selection();
    const int n = list.Count();
    if (s < 0 || s >= n)
        return false;
    int to = s;
    switch (commandId) {
    case EditCmd::MoveTop: to = 0; break;
    case EditCmd::MoveUp: to = s - 1; break;
    case EditCmd::MoveDown: to = s + 1; break;
    case EditCmd::MoveBottom: to = n - 1; break;
    default: return false;
    }
    if (to < 0 || to >= n || to == s)
        return false;
    list.Move(s, to);
    list.Select(to);
    return true;
}

bool DragMoveRow(CPlaylist& list, int from, int onto)
{
    const int n = list.Count();
    if (from < 0 || from >= n || onto < 0 || onto > n)
        return false;
    if (onto == from || onto == from + 1) {
        list.Select(from);
        return false;
    }
    // Before row `onto`, counted in the list without the dragged row.
    const int to = onto > from ? onto - 1 : onto;
    list.Move(from, to);
    list.Select(to);
    return true;
}

QString CopyText(const CPlaylist& list)
{
    const int s = list.Selection();
    return s >= 0 && s < list.Count() ? list.Row(s) : QString();
}

QStringList SplitPasteText(const QString& text)
{
    QStringList pieces;
    QString piece;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch != u'\r') {
            piece += ch;
            continue;
        }
        if (!piece.isEmpty())
            pieces << piece;
        piece.clear();
        if (i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
    }
    if (!piece.isEmpty())
        pieces << piece;
    return pieces;
}

int PasteText(CPlaylist& list, const QString& text, bool mediaFilesOnly)
{
    return AppendItems(list, SplitPasteText(text), mediaFilesOnly);
}

RenameKind RenameKindFor(const QString& path)
{
    const QString ext = SplitPath(path).ext.toUpper();
    if (ext == QLatin1String(".CDA"))
        return RenameKind::CdTitle;
    if (ext == QLatin1String(".PAUSE"))
        return RenameKind::Pause;
    return RenameKind::File;
}

int PauseDialogSeconds(const QString& path)
{
    const std::optional<long> seconds = GetPauseSeconds(path);
    if (!seconds)
        return 1;
    return static_cast<int>(std::clamp<long>(*seconds, INT32_MIN, INT32_MAX));
}

QString RenamedPauseRow(const QString& path, int seconds)
{
    return QString::number(seconds) + SplitPath(path).ext.toUpper();
}

QString RenamedFilePath(const QString& path, const QString& newName)
{
    const SplitPathParts parts = SplitPath(path);
    return parts.drive + parts.dir + newName + parts.ext;
}

CTotalLength::CTotalLength(const CPlaylist& list, TrackFactory factory, std::int32_t defaultOverlapMs,
                           bool stopOnError, QObject* owner, ErrorHandler onError)
    : m_rows(list.Rows()), m_factory(std::move(factory)), m_defaultOverlap(defaultOverlapMs),
      m_stopOnError(stopOnError), m_owner(owner), m_onError(std::move(onError))
{
}

bool CTotalLength::Step()
{
    if (Done())
        return false;
    const qsizetype i = m_next++;
    const QString& path = m_rows.at(i);
    if (!IsMediaFile(path))
        return true;
    try {
        std::unique_ptr<CMediaTrack> track = m_factory(path);
        track->Open(path, m_owner);
        m_total += track->GetLength();
    } catch (const CException& error) {
        ++m_failures;
        if (m_onError)
            m_onError(error);
        if (m_stopOnError) {
            m_aborted = true;
            return false;
        }
        return true;
    }
    const std::int32_t own = GetOverlapOverride(path);
    if (i < m_rows.size() - 1)
        m_overlaps += own == -1 ? m_defaultOverlap : own;
    return true;
}

QString CTotalLength::Message() const
{
    QString text = QCoreApplication::translate("EditCommands",
                                               "The play list contains %1 songs.\nThe total length is: %2.")
                       .arg(Rows())
                       .arg(FormatDuration(Net()));
    if (m_failures > 0)
        text += QCoreApplication::translate("EditCommands",
                                            "\n%1 of them could not be opened and count as 0.")
                    .arg(m_failures);
    return text;
}
