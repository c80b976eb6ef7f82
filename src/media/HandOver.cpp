// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/HandOver.h"

#include <algorithm>

namespace HandOver {

Step Next(qint64 length, qint64 position, qint64 overlap, qint64 startLatency, qint64 checkMs)
{
    Step step;
    overlap = std::max<qint64>(overlap, 0);
    const qint64 due = length - overlap; // the position the next starts at
    step.plan = due - position <= PlanAheadMs;
    step.planAt = overlap > 0 ? due : -1;
    // The next is started as much earlier as its first sound comes after its
    // start. A follow-on with no latency is left to the bus's plan, or to
    // the end of the item on air.
    const qint64 lead = std::max<qint64>(0, startLatency - (overlap == 0 ? FollowOnLateMs : 0));
    if (overlap == 0 && lead == 0)
        return step;
    const qint64 start = due - lead;
    if (position > start)
        step.now = true;
    else if (start - position < checkMs)
        step.shotInMs = start - position + 1; // exact, not at the next check
    return step;
}

} // namespace HandOver
