#include "onair/PlayLog.h"

#include "app/Strings.h"
#include "platform/Clock.h"

#include <ctime>

CPlayLog::CPlayLog(Clock& clock) : m_clock(clock) {}

void CPlayLog::AddSink(Sink sink)
{
    m_sinks.push_back(std::move(sink));
}

void CPlayLog::LogString(int id)
{
    WriteLogText(Str::Load(id));
}

void CPlayLog::WriteLogText(const QString& text)
{
    const QString line = TimeStamp() + u'\t' + text;
    for (const Sink& sink : m_sinks)
        sink(line);
}

QString CPlayLog::TimeStamp() const
{
    const QDateTime now = m_clock.Now();
    std::tm tm{};
    tm.tm_year = now.date().year() - 1900;
    tm.tm_mon = now.date().month() - 1;
    tm.tm_mday = now.date().day();
    tm.tm_hour = now.time().hour();
    tm.tm_min = now.time().minute();
    tm.tm_sec = now.time().second();
    tm.tm_isdst = -1;
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%X", &tm);
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n));
}
