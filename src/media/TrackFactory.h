// SPDX-License-Identifier: GPL-3.0-or-later
// CreateTrack: the track class for an item path, chosen by the upper-cased
// extension of its last component, in this order: .CDA, .MID/.RMI, .PAUSE,
// tracker modules, .MPL, .M3U, .LIVE, else the GStreamer (DirectShow-class)
// track when GStreamer can play, else the media-control (MCI-class) track.
#pragma once

#include "media/MediaTrack.h"

#include <memory>

enum class TrackClass {
    CdAudio,
    Midi,
    Pause,
    Module,
    MiniPlaylist,
    LineIn,
    DirectShow,
    Mci,
};

// The row of the table for path; the last two rows ask IsDirectShowAvailable().
TrackClass TrackClassFor(const QString& path);
// The same with the availability given, so the fallback can be chosen in tests.
TrackClass TrackClassFor(const QString& path, bool directShowAvailable);

// A new, not yet opened track for path. Never null.
std::unique_ptr<CMediaTrack> CreateTrack(const QString& path);

// The playback element every GStreamer track is built on. playbin, not
// playbin3: in GStreamer 1.22 playbin3's parsebin cannot read W64 at all (the
// libsndfile element it picks fails to activate and the preroll hangs), and
// AIFF items came out some 20 ms long on the air. playbin's own stall is
// handled by CDirectShowTrack's preroll retry.
inline constexpr const char* kPlaybinFactory = "playbin";

// True when GStreamer initialises (once, on first call, from any thread) and
// has the playbin element (kPlaybinFactory). Asked anew for every track
// created.
bool IsDirectShowAvailable();

// The stand-in for a back-end not built yet: Open throws a CTrackException
// that names the back-end and the item; everything else does nothing.
class CUnavailableTrack : public CMediaTrack
{
public:
    explicit CUnavailableTrack(TrackClass trackClass) : m_class(trackClass) {}
    TrackClass Class() const { return m_class; }
    // The operator's name of the back-end, e.g. "CD audio".
    static QString BackEndName(TrackClass trackClass);

    void Open(const QString& path, QObject* owner) override;
    void Play() override {}
    void PlayRange(TrackMs, TrackMs) override {}
    void Stop() override {}
    void Pause() override {}
    void Resume() override {}
    bool IsStopped() const override { return false; }
    bool IsPaused() const override { return false; }
    bool IsPlaying() const override { return false; }
    TrackMs GetPosition() const override { return 0; }
    void Seek(TrackMs) override {}

private:
    TrackClass m_class;
};

// Loads what a first GStreamer track needs (the playback, parsing and output
// plug-ins and the best decoder of each common audio format) and makes one of
// each element once, so that the first item opens as fast as the later ones
// (measured: the first MP3 of a process prerolled in 136 ms, the second in
// 14 ms; most of it is loading the decoder's codec library). Once per
// process, from any thread: a caller while it runs waits for it. Does nothing
// without GStreamer.
void WarmUpPlayback();
