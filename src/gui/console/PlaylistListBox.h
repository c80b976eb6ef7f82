// SPDX-License-Identifier: GPL-3.0-or-later
// CPlaylistListBox: the list of item rows (icon and row text) over a
// CPlaylist model, used by the master playlist and mini playlist windows.
// Rows have one fixed height (the font's height when above 16 pixels, else
// 16) and are painted by a delegate, so 100,000 rows cost no more than the
// visible ones. The view's selection and the model's selected row follow
// each other both ways. Rows can be dragged to move them (no undo step);
// files dropped on it are handed on through FilesDropped.
// Thread: the GUI thread.
#pragma once

#include <QListView>
#include <functional>
#include <optional>

class CCDDatabase;
class CMissingFiles;
class CPlaylist;

class CPlaylistListBox : public QListView
{
    Q_OBJECT

public:
    explicit CPlaylistListBox(CPlaylist& playlist, QWidget* parent = nullptr);

    CPlaylist& Playlist() const { return m_playlist; }

    bool ShowPath() const { return m_showPath; }
    bool ShowTrackNo() const { return m_showTrackNo; }
    void SetShowPath(bool on);
    void SetShowTrackNo(bool on);
    // What row shows (item path or display name, "[n] " numbering).
    QString GetRowText(int row) const;

    // The list's own font (rows and row height); repaints.
    void SetListFont(const QFont& font);
    QFont ListFont() const { return m_font; }
    int RowHeight() const { return m_rowHeight; }
    // Width of every row, so long texts can be scrolled to.
    static constexpr int kHorizontalExtent = 800;

    // The row under a viewport point, or -1 below the last row.
    int RowAt(const QPoint& viewportPos) const;
    // Ends a row drag at a viewport point (see DragMoveRow). True on a move.
    bool DropRowAt(int from, const QPoint& viewportPos);

    // Rename of the selected row: the pause dialog for pause rows, the file
    // rename dialog for other rows (renaming the file on disk first), the
    // CD title editor for CD rows. The dialogs are replaceable for tests;
    // each returns nothing when cancelled.
    struct Dialogs
    {
        std::function<std::optional<QString>(QWidget*, const QString& fileName)> renameFile;
        std::function<std::optional<int>(QWidget*, int seconds)> pauseLength;
        std::function<void(QWidget*, const QString& message)> report;
        // The CD database editor on a track (0-based); true after OK.
        std::function<bool(QWidget*, CCDDatabase& database, int trackIndex)> editCd;
    };
    void SetDialogs(Dialogs dialogs);
    void RenameItem();

    // The CD database whose names CD rows show and the Rename of a CD row
    // edits; none: CD rows cannot be renamed.
    void SetCdDatabase(CCDDatabase* database) { m_cd = database; }
    // A note shown after a row's text (its loudness once measured), by the
    // row's item; empty: none. Repaint when the notes change.
    using RowNote = std::function<QString(const QString& item)>;
    void SetRowNote(RowNote note) { m_rowNote = std::move(note); }
    QString RowNoteOf(int row) const;
    // Identifies the disc in the drive again (wait cursor); when it is
    // another disc, repaints so that CD rows show its names.
    void RefreshCdTitles();

    // From now on rows whose file is not there show the error icon and say
    // so in their tool tip (see CMissingFiles).
    void WatchMissingFiles();
    bool IsMissing(int row) const;

signals:
    // Files dropped at row index (-1: below the last row, append).
    void FilesDropped(const QStringList& names, int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void SyncFromModel();
    void TakeViewSelection();
    void UpdateRowHeight();
    void StartRowDrag();

    CPlaylist& m_playlist;
    QFont m_font;
    int m_rowHeight = 16;
    bool m_showPath = false;
    bool m_showTrackNo = false;
    bool m_syncing = false;
    int m_modelChanging = 0;
    int m_pressRow = -1;
    QPoint m_pressPos;
    Dialogs m_dialogs;
    CCDDatabase* m_cd = nullptr;
    RowNote m_rowNote;
    CMissingFiles* m_missing = nullptr;
};
