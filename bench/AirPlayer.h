// SPDX-License-Identifier: GPL-3.0-or-later
// A minimal in-process player into the air: playbin with a pulsesink, the
// baseline the program is compared with. It only plays files.
// Use from the test's thread; nothing runs a main loop (the bus is polled).
#pragma once

#include <QString>

#include <gst/gst.h>

class AirPlayer
{
public:
    AirPlayer();
    ~AirPlayer(); // stops
    AirPlayer(const AirPlayer&) = delete;
    AirPlayer& operator=(const AirPlayer&) = delete;

    // Starts playing `path` from the beginning; returns AirRecorder::NowNs()
    // taken just before the pipeline was set to PLAYING, or 0 on failure.
    qint64 Play(const QString& path, QString* error = nullptr);

    // Waits (spinning the Qt event loop) until the stream ended; false on
    // an error or the timeout.
    bool WaitForEnd(int timeoutMs, QString* error = nullptr);

    void Stop();

private:
    GstElement* m_pipe = nullptr;
};
