// SPDX-License-Identifier: GPL-3.0-or-later
// The time seam: wall-clock local time and a monotonic millisecond tick.
// Scheduler, play log and silence detector read time only through a Clock,
// so that tests can run them on a fake one.
#pragma once

#include <QDateTime>
#include <cstdint>

class Clock
{
public:
    virtual ~Clock() = default;
    // Local date and time (naive wall-clock time).
    virtual QDateTime Now() const = 0;
    // Milliseconds on a monotonic clock; only differences are meaningful.
    virtual std::int64_t TickMs() const = 0;

    // The process-wide real clock.
    static Clock& System();
};

// A clock the test moves by hand. Starts at 2000-01-01 12:00:00, tick 0.
class FakeClock : public Clock
{
public:
    FakeClock();
    QDateTime Now() const override { return m_now; }
    std::int64_t TickMs() const override { return m_tick; }

    void SetNow(const QDateTime& now) { m_now = now; }
    // Moves both the wall clock and the tick.
    void Advance(std::int64_t ms);

private:
    QDateTime m_now;
    std::int64_t m_tick = 0;
};
