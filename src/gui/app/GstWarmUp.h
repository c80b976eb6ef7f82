// Warms up GStreamer while the splash is up: initialises it and loads the
// playback and audio plug-ins in a worker thread, so that the first Play does
// not pay for the plug-in registry and library loading. Stands in for the
// library preload list: nothing depends on it having run.
#pragma once

#include <thread>

class CGstWarmUp
{
public:
    CGstWarmUp();
    // Waits for the worker (it only loads plug-ins; a second or so at most).
    ~CGstWarmUp();
    CGstWarmUp(const CGstWarmUp&) = delete;
    CGstWarmUp& operator=(const CGstWarmUp&) = delete;

private:
    std::thread m_thread;
};
