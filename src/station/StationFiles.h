// SPDX-License-Identifier: GPL-3.0-or-later
// What the station writes beside the play log for others to read.
//
// The resume record ($XDG_STATE_HOME/Oxbelund/Lirana/resume.json): the
// album, the row on air, its position and the player mode, rewritten at
// each start and every few seconds while something is on air. Found at the
// next start, it tells that the last run ended without shutting down
// (killed, a power cut) and where it was. A shutdown with an item on air
// leaves a record marked clean: where a restart comes back to when the
// station resumes after restarts.
//
// The now-playing file (the "NowPlayingFile" setting): one JSON object,
// rewritten at every start, for RDS encoders and web pages, and an idle
// record when the station stops and at shutdown.
//
// Both are written to a temporary file that is renamed, so a reader (or the
// next run) sees the old or the new text, never half of one.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

struct ResumePoint
{
    QString album;      // the album file; empty for rows given one by one
    QString rowsDigest; // tells lists of rows apart when there is no album file
    int row = -1;       // the playlist row on air
    QString item;       // its path
    qint64 positionMs = 0;
    int mode = 0;       // PlayerMode
    QDateTime written;  // UTC
    bool clean = false; // written by a shutdown, not while playing

    // The digest of a list of rows (SHA-1 of the rows, one per line).
    static QString Digest(const QStringList& rows);
};

namespace ResumeRecord {

// A record larger than this, or not a regular file, is ignored with a line.
inline constexpr qint64 MaxResumeRecordBytes = 64 * 1024;

QString FilePath();
// Empty when there is none; a record that cannot be read counts as none
// (the reason goes to the diagnostics).
std::optional<ResumePoint> Read();
// False with the reason in *error when it cannot be written.
bool Write(const ResumePoint& point, QString* error);
void Clear();

} // namespace ResumeRecord

struct NowPlaying
{
    bool idle = false; // nothing on air: every other field empty
    QString title;     // "Artist - Title" from the file's tags, else the display name
    QString artist;    // the tags as they stand; empty when the file has none
    QString trackTitle;
    QString path;
    QDateTime startedAt; // UTC
    qint64 lengthMs = 0; // 0 when not known
    QString nextTitle;   // empty when nothing follows

    // {"state":"playing","title":…,"artist":…,"trackTitle":…,"path":…,
    //  "startedAt":"2026-12-07T00:41:05Z","lengthMs":…,"next":…}; idle:
    // "state":"idle", the texts empty, lengthMs 0.
    QByteArray ToJson() const;
    // False with the reason in *error when file cannot be written.
    bool WriteTo(const QString& file, QString* error) const;
};
