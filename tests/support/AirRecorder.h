// SPDX-License-Identifier: GPL-3.0-or-later
// Records the air (the monitor of the AirServer's sink) to a 16-bit stereo
// 44.1 kHz WAV with an in-process pipeline: pulsesrc ! wavenc ! filesink.
//
// Clock: every buffer's arrival is stamped with the monotonic clock
// (std::chrono::steady_clock, i.e. CLOCK_MONOTONIC, in ns: use NowNs()).
// Sample 0 of the file is estimated as the lowest (arrival - frames before
// the buffer's end / rate) over all buffers: arrival is never earlier than
// capture, so the lowest value is the closest, late by at most the smallest
// delivery delay (a few ms). Times *within* the recording are exact to the
// sample; compare events in the signal with each other where you can, and
// use ToSeconds() only to relate the air to events in the test (a Play
// command for start latency).
//
// Start/Stop/the accessors from the test's thread; the probe runs on the
// streaming thread, the only writer of the atomic frame count and estimate.
#pragma once

#include <QString>

#include <atomic>
#include <limits>

typedef struct _GstElement GstElement;

class AirRecorder
{
public:
    AirRecorder() = default;
    ~AirRecorder() { Stop(); } // finishes the file
    AirRecorder(const AirRecorder&) = delete;
    AirRecorder& operator=(const AirRecorder&) = delete;

    static qint64 NowNs();

    // Starts recording `device` (default: the air monitor) into wavPath and
    // waits until the first samples have arrived (at most 5 s).
    bool Start(const QString& wavPath, QString* error, const QString& device = QStringLiteral("air.monitor"));

    // Sends end-of-stream, waits until the WAV header is written and the
    // file closed (at most 5 s). Safe to call twice.
    bool Stop(QString* error = nullptr);

    QString Path() const { return m_path; }
    qint64 FramesSoFar() const { return m_frames; }
    double SecondsSoFar() const { return double(FramesSoFar()) / kRate; }

    // Monotonic ns at which sample 0 sounded, and a monotonic time in
    // recording seconds. Valid once Start() succeeded.
    qint64 FirstSampleNs() const { return m_firstNs; }
    double ToSeconds(qint64 monotonicNs) const { return double(monotonicNs - FirstSampleNs()) / 1e9; }

    // Spins the Qt event loop until the recording holds `seconds` more
    // audio than now; false after the timeout.
    bool RecordFor(double seconds, int timeoutMs = 30000);

private:
    static constexpr int kRate = 44100;
    GstElement* m_pipe = nullptr;
    QString m_path;
    std::atomic<qint64> m_frames = 0;
    std::atomic<qint64> m_firstNs = std::numeric_limits<qint64>::max();
};
