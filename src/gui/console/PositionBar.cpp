// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/PositionBar.h"

namespace PositionBar {

int ToPosition(TrackMs t, TrackMs length)
{
    if (length <= 0)
        return 0;
    return static_cast<int>(double(t) / double(length) * kRange + 0.5);
}

TrackMs ToTime(int position, TrackMs length)
{
    return static_cast<TrackMs>(double(position) * double(length) * (1.0 / kRange) + 0.5);
}

TrackMs TicStep(TrackMs length)
{
    if (length < 10000)
        return 1000;
    if (length < 20000)
        return 2000;
    if (length < 60000)
        return 5000;
    if (length < 120000)
        return 10000;
    if (length < 300000)
        return 30000;
    return 60000;
}

} // namespace PositionBar
