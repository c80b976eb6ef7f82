// SPDX-License-Identifier: GPL-3.0-or-later
// CCDAudioTrack: one track of an audio CD through the media-control layer's
// cdaudio device. The item is "<root>/TrackNN.cda", root being a drive's
// device path or a CD image (platform/mci/CdDisc.h); the track number is
// what the file name's last two characters read as ("%ld"), 1 when they do
// not read as a number. The device works in disc positions; the track
// plays, seeks and reports positions relative to its own start, read once at
// Open (a later disc change is not noticed).
//
// Levels: the disc is read digitally and played through the layer's PCM
// output, so the track's volume is the device's wave output level, as for
// CMCITrack (a drive's analogue CD line is not used).
// Thread: the owner's (user-interface) thread, like every track.
#pragma once

#include "media/MciTrack.h"

class CCDAudioTrack : public CMCITrack
{
public:
    CCDAudioTrack() = default;
    ~CCDAudioTrack() override;

    void Open(const QString& path, QObject* owner) override;
    void BeginOpen(const QString& path, QObject* owner) override;
    // Opens the disc and reads the track's place; an error closes the track.
    void FinishOpen() override;
    // A drive spins up and reads its table of contents at Open.
    bool MayBlock() const override { return true; }
    void Close() override;
    void Play() override;
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    void Stop() override;
    void Pause() override;
    void Resume() override;
    bool IsPaused() const override { return m_paused; }
    TrackMs GetPosition() const override;
    void Seek(TrackMs ms) override;

    int TrackNumber() const { return m_trackNumber; }
    // Where the track starts on the disc, in ms.
    TrackMs TrackStart() const { return m_trackStart; }

    // The track a CD item plays: the last two characters of its file name
    // read as a number, 1 when they do not read as one.
    static int TrackNumberOf(const QString& path);
    // The CD root of an item: its folder, a drive or an image file.
    static QString RootOf(const QString& path);

private:
    void OpenDisc();

    int m_trackNumber = 1;
    TrackMs m_trackStart = 0;
    bool m_paused = false;
};
