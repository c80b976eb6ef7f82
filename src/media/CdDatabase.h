// SPDX-License-Identifier: GPL-3.0-or-later
// The CD database and the CD drive commands.
//
// CCDDatabase keeps artist, title and track names of audio CDs in
// "cdplayer.ini" in the application's configuration folder, one section per
// disc named by its CDDB disc id in upper-case hexadecimal ("D000903").
// Keys: "artist", "title", "numtracks" and the track names under 0-based
// indexes "0", "1", ... A section without a non-zero "numtracks" counts as
// no entry. A disc met for the first time gets an entry with the track
// count of the disc, "New Artist" and "New Title" and no track names.
//
// The drive is the program's CD drive (mci::DefaultCdDrive), its root the
// drive's path with a trailing '/' so that items are root + "TrackNN.cda".
// Thread: the user-interface thread.
#pragma once

#include "platform/mci/CdDisc.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class CIniFile;

class CCDDatabase
{
public:
    // The database file; empty: cdplayer.ini in the application's folder.
    explicit CCDDatabase(QString iniPath = {});
    ~CCDDatabase();
    CCDDatabase(const CCDDatabase&) = delete;
    CCDDatabase& operator=(const CCDDatabase&) = delete;

    static QString DefaultPath();

    // Finds the CD drive and, when there is one, identifies its disc.
    bool Init();
    bool IsValid() const { return m_driveFound && m_discId != 0; }
    // Identifies the disc now in the drive and makes sure it has an entry;
    // false when there is no disc or no entry could be made. A drive that
    // was missing at Init is looked for again.
    bool Refresh();

    std::uint32_t DiscId() const { return m_discId; }
    QString DriveRoot() const { return m_driveRoot; }

    // With their defaults; without a valid disc the defaults (0 tracks).
    QString GetArtist() const;
    QString GetTitle() const;
    int GetNumTracks() const;
    QString GetTrackName(int index) const;
    // The stored name of track index; none without a valid disc or a name.
    std::optional<QString> StoredTrackName(int index) const;

    // Write into the disc's section (nothing without a disc); a failing
    // write is not reported.
    void SetArtist(const QString& artist);
    void SetTitle(const QString& title);
    void SetNumTracks(int count);
    void SetTrackName(int index, const QString& name);

    static QString DefaultArtist();
    static QString DefaultTitle();
    static QString DefaultTrackName(int index);

private:
    QString Section() const;
    void Write(const QString& key, const QString& value);

    QString m_path;
    std::unique_ptr<CIniFile> m_ini;
    std::uint32_t m_discId = 0;
    bool m_driveFound = false;
    QString m_driveRoot;
};

// The root of the program's CD drive ("/dev/sr0/"); empty when there is none.
QString FindCdRoot();
// The number of tracks of the disc in the drive; 0 when there is no drive,
// no disc or the drive does not answer.
int CountCdTracks();
// Drive door commands; failures are ignored.
void OpenCdDoor();
void CloseCdDoor();

// The title of a CD item's track for lists, captions and the play log (item
// "<root>/TrackNN.cda", trackIndex 0-based), from the item's own disc, not
// the drive's: the name the CD database holds for that track of that disc,
// else the text the disc carries (CD-TEXT, a cue sheet's TITLE, with the
// track's PERFORMER in front when it differs from the disc's), else none (the
// caller shows "Track NN"). An image is read when first asked and again once
// it changed; a drive is only known from its last reading (RememberCdDisc),
// as reading it here could wait for it to spin up. Thread: any.
std::optional<QString> CdTrackTitle(const QString& item, int trackIndex);
// What CdTrackTitle knows of the disc in the drive at root: its table of
// contents as just read, none when the drive holds no readable disc.
// Thread: any (a CD track's open calls it on its worker).
void RememberCdDisc(const QString& root, const std::optional<mci::CdToc>& toc);
// Reads the drive at root for CdTrackTitle; nothing for an image (read when
// asked) or a root that is no device. May wait for the drive.
void RememberCdDrive(const QString& root);
