// SPDX-License-Identifier: GPL-3.0-or-later
// CLineInTrack: a live item "<N>.live" — a pause track whose N seconds put
// the sound card's line-in on air. Open un-mutes the line chosen on the
// Line-In page (mixer device "LineInMixer", line "LineInLine" of the
// "Settings" key) and Close gives the line back its mute and volume as Open
// found them (MixerState, which also covers a killed run): the line is
// audible from Open to Close, not only while playing. It cannot be paused or
// sought. Mixer failures throw CMixerException out of Open, and leave the
// line as it was found.
// Where the card has no loopback (a desktop with a sound server), the
// setting "LineInSource" names a capture source instead (a gst-launch
// description): each play then carries the captured line into the item's
// input of the air bus for its N seconds (LineInCapture), at the track's
// volume as the input's gain, and the mixer is left alone (un-muting a
// capture line on a sound server would put it on the output a second time).
// Opening and closing talk to the sound system (MayBlock): the first half of
// Open (BeginOpen) is quick, FinishOpen and Close may wait.
#pragma once

#include "media/LineInCapture.h"
#include "media/Mixer.h"
#include "media/PauseTrack.h"

class CLineInTrack : public CPauseTrack
{
public:
    CLineInTrack() = default;
    ~CLineInTrack() override;

    void Open(const QString& path, QObject* owner) override;
    // The pause part and the settings.
    void BeginOpen(const QString& path, QObject* owner) override;
    // Opens the mixer, saves the line's state, un-mutes it; with a capture
    // source, starts its capture, which stands by until a play.
    void FinishOpen() override;
    bool MayBlock() const override { return true; }
    // The pause part; then the line gets back its mute and volume as found.
    void Close() override;
    void Pause() override {}
    void Resume() override {}
    bool IsPaused() const override { return false; }
    void Seek(TrackMs /*ms*/) override {}
    // With a capture source always; else only when the line has a volume
    // that was not 0 when found.
    bool HasVolumeControl() const override { return Captures() || m_volumeAvailable; }
    // With a capture source: the gain of the input (0..1), kept for later
    // plays. Else the line's volume: the level it was found at times level.
    void SetVolume(float level) override;
    // The gain set; else the line's volume over the level found, at most
    // 1.0; 0.0 without one.
    float GetVolume() const override;

protected:
    // The captured line with a capture source, else the pause's silence.
    Filler Fill(const std::shared_ptr<CAirInput>& input, std::uint64_t frames) override;

private:
    bool Captures() const { return !m_source.isEmpty(); }
    // Gives the line back as found, then closes the mixer.
    void ReleaseLine();

    CMixer m_mixer;
    unsigned m_device = 0;
    unsigned m_line = 0;
    CMixerControl m_volume;
    bool m_acquired = false; // the line is taken (MixerState) and given back at Close
    bool m_volumeAvailable = false;
    unsigned m_baseLevel = 0;      // the volume the line was found at
    QString m_source;              // "LineInSource"; empty: the mixer line
    float m_gain = 1.0f;           // with a capture source
    LineInCapture::Line m_capture; // with a capture source, from Open to Close
};
