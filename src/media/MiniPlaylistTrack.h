// SPDX-License-Identifier: GPL-3.0-or-later
// Mini playlists: a list file (.mpl, .m3u) in the playlist plays as one item.
// CMiniPlaylistTrack is the track the engine sees; the nested list it plays
// is a CMiniPlaylist, which owns the nested tracks, receives their
// notifications, overlaps them by "MiniPlaylist Overlap Time" (or the
// "~N" of an entry's name) and tells the owner of the track when the whole
// list has ended or an entry failed.
//
// CMiniPlaylist holds no widgets: the console shows it in a window of its
// own (the view the track environment makes, CTrackEnvironment::
// SetMiniPlaylistView); without one (the headless runner) it plays unseen.
// Thread: the owner's thread; nested tracks post to the CMiniPlaylist. An
// entry whose opening may wait opens on a job of its own and plays when it
// is open: the owner's thread (the engine's) never waits for an entry.
#pragma once

#include "media/MediaTrack.h"
#include "media/TrackEvents.h"
#include "media/TrackWork.h"
#include "playlist/Playlist.h"

#include <QBasicTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class CException;
class CMiniPlaylistTrack;

// One nested row: the text as read from the list file (relative rows stay
// relative and resolve against the current folder when they play) and where
// it starts inside the whole list.
struct CMiniPlaylistEntry
{
    QString path;
    TrackMs start = 0;
    TrackMs length = 0; // as measured: 0 for command items and rows that fail
};

class CMiniPlaylist : public QObject
{
    Q_OBJECT

public:
    using TrackFactory = std::function<std::unique_ptr<CMediaTrack>(const QString& path)>;
    // The overlap check; a hand-over due sooner than this is shot exactly.
    static constexpr int OverlapCheckMs = 200;

    CMiniPlaylist(CMiniPlaylistTrack& track, TrackFactory factory);
    ~CMiniPlaylist() override;
    CMiniPlaylist(const CMiniPlaylist&) = delete;
    CMiniPlaylist& operator=(const CMiniPlaylist&) = delete;

    // The nested rows; the selected row is the entry now playing.
    CPlaylist& Rows() { return m_rows; }
    const CPlaylist& Rows() const { return m_rows; }
    CMiniPlaylistTrack& Track() const { return m_track; }
    // The list file's name without folder and extension.
    QString Title() const;

    // The Play command: the selected row starts, or the entry now playing
    // resumes.
    void OnPlay();
    // The Pause command: pauses the entry now playing, or resumes it.
    void OnPause();
    // Stop: the entry now playing ends; one still overlapping plays out.
    void StopCurrent();
    // Starts the selected row: a command item runs and the list goes on at
    // once; another item is opened and played (when its opening may wait,
    // once it is open).
    void StartEntry();
    // The next row starts, or after the last row the list reports its end.
    void AdvanceEntry();
    // The next entry to start plays from ms into it (once).
    void StartAt(TrackMs ms) { m_startAt = ms; }
    // The overlap check (every OverlapCheckMs).
    void OverlapCheck();
    // The notifications of the nested tracks, matched to their sender.
    void OnMciNotify(int code, std::uint64_t sender);
    void OnTrackError(std::unique_ptr<CException> error, std::uint64_t sender);
    void OnVolumeRequest(int percent);
    // An entry's opening that finished on its job.
    void OnEntryOpened(std::uint64_t ticket, std::unique_ptr<CMediaTrack> track,
                       std::unique_ptr<CException> error);
    // The level of the entry playing, and of each entry that starts later.
    void SetVolume(float level);
    // Before the list plays: its first entry is opened ahead (on a job when
    // its opening may wait) and, once open, its start planned after
    // `before` (CMediaTrack::PlayAfter); Play then finds it playing. False
    // while it opens, and for a command item. CancelPlannedFirst takes the
    // plan back.
    bool PlanFirstAfter(const CMediaTrack& before, TrackMs positionOfBefore);
    void CancelPlannedFirst();

    CMediaTrack* Current() const { return m_current.get(); }
    CMediaTrack* Previous() const { return m_previous.get(); }
    bool IsLastEntry() const { return m_lastEntry; }
    // The "~N" of the entry now playing in ms, -1 when it has none.
    TrackMs OverlapOverride() const { return m_overlapOverride; }

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Opens and plays the selected row; false when it failed and the list
    // goes on to the next row.
    bool TryStart(int row);
    // Opens the row after the selected one before it is due.
    void OpenAhead();
    // A track for path, open at once when its opening cannot wait; else null,
    // and the opening goes on on a job whose ticket is set.
    std::unique_ptr<CMediaTrack> OpenEntry(const QString& path, std::uint64_t& ticket);
    // Makes track the entry now playing and plays it.
    void PlayEntry(std::unique_ptr<CMediaTrack> track, int row);
    // An error of an entry: passed to the engine as an error of the whole
    // list unless errors are ignored (an audio output that is gone always
    // goes to the engine, which waits for it). True when the list goes on.
    bool Report(const CException& error);
    void HandOver();

    CMiniPlaylistTrack& m_track;
    TrackFactory m_factory;
    CPlaylist m_rows;
    std::unique_ptr<CMediaTrack> m_current;
    std::unique_ptr<CMediaTrack> m_previous;
    std::unique_ptr<CMediaTrack> m_ahead; // the next row, opened before it is due
    std::uint64_t m_opening = 0;          // the selected row's entry, opening on a job
    std::uint64_t m_aheadOpening = 0;     // the next row's, opening on a job
    QString m_aheadPath;
    TrackMs m_overlapOverride = -1;
    TrackMs m_startAt = 0; // StartAt, until the entry starts
    bool m_lastEntry = false;
    bool m_handsOver = false; // a later row sounds: the entry hands over within its overlap
    float m_level = 1.0f;
    QBasicTimer m_check;
    QBasicTimer m_shot;
    // The window that shows the list, if any; its owner window may have
    // deleted it first (at exit).
    QPointer<QObject> m_view;
    bool m_viewMade = false;
    CTrackOpener m_opener{this};
};

class CMiniPlaylistTrack : public CMediaTrack
{
public:
    // Lists inside lists: this many levels at most.
    static constexpr int MaxDepth = 8;

    // factory makes the nested tracks (CreateTrack when empty).
    explicit CMiniPlaylistTrack(CMiniPlaylist::TrackFactory factory = {});
    ~CMiniPlaylistTrack() override;

    // BeginOpen checks the nesting (a list inside itself, or inside a list
    // it contains, and lists nested more than MaxDepth deep throw: an error
    // of that row alone); FinishOpen, which may wait, reads the list file (a missing
    // file throws) and measures every row: its length less the overlap it
    // hands over with (none after the last row; at most its length) adds to
    // the total; a row that cannot be opened or measured, and a command item,
    // add nothing. Closing never waits: the entries close on jobs.
    void Open(const QString& path, QObject* owner) override;
    void BeginOpen(const QString& path, QObject* owner) override;
    void FinishOpen() override;
    bool MayBlock() const override { return true; }
    bool CloseMayBlock() const override { return false; }
    // Makes this list an entry of outer (before it opens): it learns the
    // lists it is inside.
    void NestIn(const CMiniPlaylistTrack& outer);
    void Close() override;
    void Play() override;
    // Plays the nested list from the selected row; the range is not applied,
    // but a list not yet started plays from the entry that holds fromMs, at
    // its place in that entry.
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    void Stop() override;
    void Pause() override;
    void Resume() override;
    bool IsStopped() const override { return m_state == Stopped; }
    bool IsPaused() const override { return m_state == Paused; }
    bool IsPlaying() const override { return m_state == Playing; }
    // The start of the selected row's entry plus the position of the entry
    // now playing.
    TrackMs GetPosition() const override;
    // On its last entry, that entry's input (and where it starts in the
    // list): what follows the list is planned after it. Else none.
    std::shared_ptr<CAirInput> AirInput() const override;
    TrackMs AirInputStart() const override;
    // A list not yet playing plans its first entry (CMiniPlaylist::
    // PlanFirstAfter).
    bool PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore = -1) override;
    void CancelPlannedStart() override;
    // Moves nothing: a seek plays the nested list from the selected row.
    void Seek(TrackMs /*ms*/) override {}
    bool HasVolumeControl() const override { return true; }
    void SetVolume(float level) override;
    float GetVolume() const override;
    void Configure(QObject* /*parent*/) override {}

    int State() const { return m_state; }
    // 0 for a list in the playlist, 1 for a list inside it, ...
    int Depth() const { return m_depth; }
    const std::vector<CMiniPlaylistEntry>& Entries() const { return m_entries; }
    // The nested list while open, else null.
    CMiniPlaylist* List() const { return m_list.get(); }

    // From the nested list: its end, and an error of one of its entries, to
    // the owner of this track.
    void NotifyEnd() const { PostEnd(1); }
    void ForwardError(const CException& error) const { PostError(error); }
    // A play-log line of an entry (this list's, or a nested list's passed
    // on) to the owner of this track.
    void ForwardEntryLog(CEntryLogEvent::Kind kind, const QString& text) const;

private:
    void RequireOpen() const;

    CMiniPlaylist::TrackFactory m_factory;
    std::unique_ptr<CMiniPlaylist> m_list;
    std::vector<CMiniPlaylistEntry> m_entries;
    int m_state = Closed;
    int m_depth = 0;
    QStringList m_outer; // the lists this one is inside, outermost first
};
