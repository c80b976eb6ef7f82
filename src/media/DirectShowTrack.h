// SPDX-License-Identifier: GPL-3.0-or-later
// CDirectShowTrack: plays any ordinary media file through one GStreamer
// playbin per track, with the effect plug-in chain in its audio path, into
// an input of the station's air bus (CTrackEnvironment::AirBus). Open
// prerolls the pipeline; from then on the sound is decoded ahead into the
// input, which sounds from Play (or from a start planned on the bus) until
// the bus has taken its last sample: that is the end notification. A worker
// thread per open track watches the pipeline's messages and posts an error
// event for an error while open; an input that brings nothing for 2 s while
// it plays is an error too.
//
// Errors (CDirectShowException, where): 101 the pipeline or the audio output
// cannot be made, 103 the file does not preroll (missing, not media,
// corrupt, output failing) and errors reported while playing, 104 pausing
// failed, 105 seeking failed, 106 length asked of a closed track.
// All calls come from the owner's (user-interface) thread.
#pragma once

#include "media/MediaTrack.h"

#include <memory>

class CAirBus;
class CAirInput;
class CSndfileFeed;
class CTrackThread;
class VideoOutput;
struct CGstTrackShared;
typedef struct _GstElement GstElement;

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
    // Ends the worker (bounded wait), drops the pipeline; the owner stays.
    void Close() override;
    // From the current position to the end or to the end mark of a
    // previous PlayRange. Failures are ignored.
    void Play() override;
    // Seeks to fromMs with an end mark at toMs (a segment with a stop), then
    // plays; the end notification comes at toMs.
    void PlayRange(TrackMs fromMs, TrackMs toMs) override;
    bool CueRange(TrackMs fromMs, TrackMs toMs) override;
    // After any track with an input on the same bus: the start lands on
    // its sample.
    bool PlayAfter(const CMediaTrack& before, TrackMs positionOfBefore = -1) override;
    void CancelPlannedStart() override;
    std::shared_ptr<CAirInput> AirInput() const override { return m_input; }
    // Pauses, goes back to 0 and restores full volume.
    void Stop() override;
    void Pause() override;
    void Resume() override;
    bool IsStopped() const override;
    bool IsPaused() const override;
    bool IsPlaying() const override;
    // The samples the bus has taken from the item, in ms, truncated.
    TrackMs GetPosition() const override;
    // The duration in ms, cached once known. When GStreamer does not know
    // it, the file is scanned once (ScanMediaLength); 60000 while unknown.
    TrackMs GetLength() const override;
    // Keeps the end mark of a previous PlayRange.
    void Seek(TrackMs ms) override;
    bool HasVolumeControl() const override { return true; }
    // level 1.0 = 0 dB, level 0.0 = -40 dB: (level - 1) x 4000 hundredths
    // of a dB, truncated: the gain of the track's input, reached over one
    // period of the bus.
    void SetVolume(float level) override;
    // The volume in hundredths of a dB v: v x 0.00025 + 1 for v >= -4000,
    // else 0.0; 0.0 when closed.
    float GetVolume() const override;

    // The playbin while open (for the live plug-in lookup), else null.
    GstElement* Pipeline() const { return m_pipeline; }

    static constexpr int OpenTimeoutMs = 15000;
    // A local file not prerolled by then is opened once more (see Preroll).
    static constexpr int StallRetryMs = 400;
    static constexpr int ScanTimeoutMs = 5000;
    static constexpr TrackMs UnknownLengthMs = 60000;

private:
    void RefuseNonRegularFile(const QString& path);
    // W64 and AIFF: libsndfile reads the file for the pipeline (SndfileFeed.h).
    void OpenFeed();
    // again: a fresh pipeline for the same open after a stalled preroll; what
    // the plug-in chain could not add was reported the first time.
    void BuildPipeline(bool again = false);
    void Preroll();
    // Waits (bounded) for the preroll; false when it did not come in time.
    // Throws the error the pipeline reported.
    bool PrerollWithin(int timeoutMs);
    [[noreturn]] void FailNotOpened();
    void DropPipeline();
    void MakeInput();
    // A WAV file with more than 2 GiB of audio is read as a stream, with
    // the length its header gives (see LongWave.h).
    void ReadLongWaveAsStream();
    // A flushing, accurate seek to fromNs (and to toNs when given), the
    // input flushed to that place; false when the pipeline refused it.
    bool SeekPipeline(qint64 fromNs, qint64 toNs = -1);
    // Seeks to fromMs with the end mark at toMs (PlayRange, CueRange).
    bool SeekRange(TrackMs fromMs, TrackMs toMs);
    [[noreturn]] void Fail(int where, const QString& text, int code = 0);

    GstElement* m_pipeline = nullptr;
    std::shared_ptr<CAirBus> m_bus;       // the bus taken at BeginOpen
    std::shared_ptr<CAirInput> m_input;   // the track's input, for one open
    double m_gain = 1.0;                  // linear, from SetVolume
    bool m_pictures = false;              // a video item shown in the console
    bool m_pushMode = false;              // a local file read through pushfile://
    std::shared_ptr<CSndfileFeed> m_feed; // the file's reader, when libsndfile reads it
    std::shared_ptr<VideoOutput> m_video; // taken at open; null: sound only
    std::shared_ptr<CGstTrackShared> m_shared;
    std::unique_ptr<CTrackThread> m_worker;
    mutable TrackMs m_knownLength = -1;
    mutable bool m_lengthScanned = false;
    std::int64_t m_stopNs = -1; // end mark of the last PlayRange, -1 none
};
