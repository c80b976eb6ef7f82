// CLineInTrack: a live item "<N>.live" — a pause track whose N seconds put
// the sound card's line-in on air. Open un-mutes the line chosen on the
// Line-In page (mixer device "LineInMixer", line "LineInLine" of the
// "Settings" key) and Close mutes it again and gives it back the volume it
// had: the line is audible from Open to Close, not only while playing. It
// cannot be paused or sought. Mixer failures throw CMixerException out of
// Open, and leave the line muted.
// Opening and closing talk to the sound system (MayBlock): the first half of
// Open (BeginOpen) is quick, FinishOpen and Close may wait.
#pragma once

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
    // Opens the mixer, un-mutes the line and reads its volume.
    void FinishOpen() override;
    bool MayBlock() const override { return true; }
    // The pause part; then the line is muted and its volume restored.
    void Close() override;
    void Pause() override {}
    void Resume() override {}
    bool IsPaused() const override { return false; }
    void Seek(TrackMs /*ms*/) override {}
    // Only when the line has a volume that was not 0 at Open.
    bool HasVolumeControl() const override { return m_volumeAvailable; }
    // The line's volume: the level it had at Open times level.
    void SetVolume(float level) override;
    // The line's volume over the level at Open, at most 1.0; 0.0 without one.
    float GetVolume() const override;

private:
    // Mutes the line and restores its volume, then closes the mixer.
    void ReleaseLine();

    CMixer m_mixer;
    unsigned m_device = 0;
    unsigned m_line = 0;
    unsigned m_muteId = 0; // the mute control, found again by id at close
    CMixerControl m_volume;
    bool m_unmuted = false;
    bool m_volumeAvailable = false;
    unsigned m_baseLevel = 0;
    bool m_volumeChanged = false;
};
