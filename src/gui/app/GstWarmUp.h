// SPDX-License-Identifier: GPL-3.0-or-later
// Warms up GStreamer while the splash is up: WarmUpPlayback in a worker
// thread, so that the first Play does not pay for the plug-in registry and
// library loading. The station's start-up then finds it done (or waits for
// the rest of it).
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
