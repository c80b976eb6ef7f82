// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Clock.h"

#include <chrono>

namespace {

class SystemClock : public Clock
{
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
    std::int64_t TickMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

} // namespace

Clock& Clock::System()
{
    static SystemClock clock;
    return clock;
}

FakeClock::FakeClock() : m_now(QDate(2000, 1, 1), QTime(12, 0, 0)) {}

void FakeClock::Advance(std::int64_t ms)
{
    m_now = m_now.addMSecs(ms);
    m_tick += ms;
}
