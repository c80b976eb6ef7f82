// SPDX-License-Identifier: GPL-3.0-or-later
// CNowPlayingFeed: what the station tells the world about the item on air.
// At each start the file's tags are read off the engine's thread; once they
// are known (or the reading gave up) the item is named "Artist - Title"
// (the display name without tags) in the on-air text, the now-playing file
// is written and the "NowPlayingCommand" runs. When the station stops, and
// at shutdown, the now-playing file gets an idle record.
//
// The command runs as a Tools-menu program does (no shell; the file's macros
// in its arguments), with the item in its environment (LIRANA_ON_AIR,
// LIRANA_ARTIST, LIRANA_TITLE, LIRANA_PATH); its output goes to the
// diagnostics (stderr), never to the play-log stream on stdout.
// Thread: the station's.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class CMediaTrack;
class COnAirEngine;
struct MediaTags;
struct NowPlaying;

class CNowPlayingFeed : public QObject
{
    Q_OBJECT

public:
    // The longest a tag reading may take before the item is named by its file.
    static constexpr int TagTimeoutMs = 3000;

    explicit CNowPlayingFeed(COnAirEngine& engine, QObject* parent = nullptr);
    ~CNowPlayingFeed() override;

    // A new item went on air.
    void ItemStarted();
    // The slots changed: an idle engine leaves an idle record.
    void SlotsChanged();
    // The station shuts down: an idle record; nothing more is written.
    void Shutdown();

    // The name of track as the station shows it: "Artist - Title" once its
    // tags are known, else its display name.
    QString TitleOf(const CMediaTrack& track) const;

signals:
    // The item on air is known by these: its tags' artist and title, or no
    // artist and its display name (the air's streams show them).
    void TitleOnAir(const QString& artist, const QString& title);

private:
    void TagsRead(std::uint64_t serial, const MediaTags& tags);
    // The now-playing file and the command for the item on air.
    void Publish(const MediaTags& tags);
    void WriteFile(const NowPlaying& record);
    void RunCommand(const MediaTags& tags, const QString& title, const QString& path);

    COnAirEngine& m_engine;
    std::uint64_t m_serial = 0; // the item the title below belongs to
    QString m_title;
    bool m_playingWritten = false; // the file holds a playing record
    bool m_shutDown = false;
    QString m_fileError; // the last write failure told to the diagnostics
    int m_running = 0;   // commands not yet finished
};
