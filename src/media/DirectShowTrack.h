// SPDX-License-Identifier: GPL-3.0-or-later
// CDirectShowTrack: plays any ordinary media file through one GStreamer
// playbin per track, with the audio output of CTrackEnvironment and the
// effect plug-in chain in its audio path. Open prerolls the pipeline
// (PAUSED); a worker thread per open track watches the bus and posts the end
// notification at end-of-stream and an error event for an error while open.
//
// Errors (CDirectShowException, where): 101 the pipeline or the audio output
// cannot be made, 103 the file does not preroll (missing, not media,
// corrupt, output failing) and errors reported while playing, 104 pausing
// failed, 105 seeking failed, 106 length asked of a closed track.
// All calls come from the owner's (user-interface) thread.
#pragma once

#include "media/MediaTrack.h"

#include <atomic>
#include <memory>

class CTrackThread;
class VideoOutput;
struct CGstTrackShared;
typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;

class CDirectShowTrack : public CMediaTrack
{
public:
    CDirectShowTrack();
    ~CDirectShowTrack() override;

    // Builds and prerolls the pipeline, waiting at most OpenTimeoutMs.
    void Open(const QString& path, QObject* owner) override;
    // Reads the settings and builds the pipeline (no file is read).
    void BeginOpen(const QString& path, QObject* owner) override;
    // Prerolls (at most OpenTimeoutMs), learns the length (a scan when the
    // file states none) and starts the bus worker.
    void FinishOpen() override;
    bool MayBlock() const override { return true; }
    // The start margin of the sound server played into, else 0.
    TrackMs StartLatency() const override { return m_startMarginMs; }
    // Ends the worker (bounded wait), drops the pipeline; the owner stays.
    void Close() override;
    // From the current position to the end or to the end mark of a
    // previous PlayRange. Failures are ignored.
    void Play() override;
    // Seeks to fromMs with an end mark at toMs (a segment with a stop), then
    // plays; the end notification comes at toMs.
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    // Pauses, goes back to 0 and restores full volume.
    void Stop() override;
    void Pause() override;
    void Resume() override;
    bool IsStopped() const override;
    bool IsPaused() const override;
    bool IsPlaying() const override;
    // The pipeline's position in ms, truncated; 0 when unknown.
    TrackMs GetPosition() const override;
    // The duration in ms, cached once known. When GStreamer does not know
    // it, the file is scanned once (ScanMediaLength); 60000 while unknown.
    TrackMs GetLength() const override;
    // Keeps the end mark of a previous PlayRange.
    void Seek(TrackMs ms) override;
    bool HasVolumeControl() const override { return true; }
    // level 1.0 = 0 dB, level 0.0 = -40 dB: (level - 1) x 4000 hundredths
    // of a dB, truncated, on the track's own volume element right before
    // the sink (heard within the sink's buffer). The sound server's stream
    // volume stays at unity.
    void SetVolume(float level) override;
    // The volume in hundredths of a dB v: v x 0.00025 + 1 for v >= -4000,
    // else 0.0; 0.0 when closed.
    float GetVolume() const override;

    // The playbin while open (for the live plug-in lookup), else null.
    GstElement* Pipeline() const { return m_pipeline; }

    static constexpr int OpenTimeoutMs = 15000;
    // A local file not prerolled by then is opened once more (see Preroll).
    static constexpr int StallRetryMs = 400;
    static constexpr int StateTimeoutMs = 3000;
    static constexpr int ScanTimeoutMs = 5000;
    // How long after Play the stream volume is held at unity against a
    // volume the sound server restores.
    static constexpr int UnityGuardMs = 6000;
    static constexpr TrackMs UnknownLengthMs = 60000;
    // The first sound is held back this long after Play, so that a sound
    // server's new stream is ready for it (see HoldOutput): a server not
    // known (and a start right after a seek while held); PulseAudio's;
    // PipeWire's.
    static constexpr TrackMs StartMarginMs = 120;
    static constexpr TrackMs PulseAudioStartMarginMs = 15;
    static constexpr TrackMs PipeWireStartMarginMs = 60;

private:
    void RefuseNonRegularFile(const QString& path);
    // again: a fresh pipeline for the same open after a stalled preroll; what
    // the plug-in chain could not add was reported the first time.
    void BuildPipeline(bool again = false);
    void Preroll();
    // Waits (bounded) for the preroll; false when it did not come in time.
    // Throws the error the pipeline reported.
    bool PrerollWithin(int timeoutMs);
    // Sends a flushing seek to the start to every reader of the pipeline
    // that runs its own pull-mode loop and feeds an element that does not;
    // false when there is none.
    bool RestartPullReaders();
    [[noreturn]] void FailNotOpened();
    void DropPipeline();
    // Keeps everything from the output until the first Play.
    void HoldOutput();
    void ReleaseOutput();
    // Formats whose parser can stall decodebin in pull mode.
    static bool ReadsInPushMode(const QString& path);
    // A WAV file with more than 2 GiB of audio is read as a stream, with
    // the length its header gives (see LongWave.h).
    void ReadLongWaveAsStream();
    // The element of output that is the sound server's stream (a sink with
    // GstStreamVolume), a new reference, or null.
    static GstElement* FindStreamVolume(GstElement* output);
    // Waits (bounded) for a pending state change; false when it failed.
    bool WaitState(int timeoutMs) const;
    // A flushing, accurate seek to fromNs (and to toNs when given); false
    // when the pipeline refused it. Not const: a seek while held is noted.
    bool SeekPipeline(qint64 fromNs, qint64 toNs = -1);
    [[noreturn]] void Fail(int where, const QString& text, int code = 0);

    GstElement* m_pipeline = nullptr;
    GstElement* m_output = nullptr; // the output bin: level element and sink
    GstElement* m_level = nullptr;  // our volume element, the track's level
    GstPad* m_heldPad = nullptr;    // the output's sink pad while held
    unsigned long m_holdProbe = 0;
    TrackMs m_heldAtMs = 0;          // where a held track starts (its last seek)
    mutable bool m_settling = false; // the last seek has not settled yet
    bool m_seekedWhileHeld = false;  // Play then gives the long start margin
    TrackMs m_startMarginMs = 0;
    // The first data after the first Play is checked at the sink (KeepTheHead).
    std::shared_ptr<std::atomic<bool>> m_firstDataArmed;
    bool m_pushMode = false;              // a local file read through pushfile://
    QString m_sinkDescription;            // the audio output, read at BeginOpen
    std::shared_ptr<VideoOutput> m_video; // taken at open; null: sound only
    std::shared_ptr<CGstTrackShared> m_shared;
    std::unique_ptr<CTrackThread> m_worker;
    mutable TrackMs m_knownLength = -1;
    mutable bool m_lengthScanned = false;
    std::int64_t m_stopNs = -1; // end mark of the last PlayRange, -1 none
};
