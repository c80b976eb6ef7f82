// SPDX-License-Identifier: GPL-3.0-or-later
// Timing shared by the benchmarks that measure in-process work.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>

// Best of n runs, in milliseconds.
inline double Best(int n, const std::function<void()>& f)
{
    double best = 1e300;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}
