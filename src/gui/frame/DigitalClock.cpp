#include "gui/frame/DigitalClock.h"

#include "app/SettingsSchema.h"
#include "app/ViewSettings.h"
#include "platform/registry/RegistryKey.h"

#include <QMouseEvent>

namespace {
int g_mode = 0;
} // namespace

CDigitalClock::CDigitalClock(QWidget* parent) : QLCDNumber(8, parent)
{
    setObjectName(QStringLiteral("clock32887"));
    setSegmentStyle(QLCDNumber::Flat);
    setFrameShape(QFrame::NoFrame);
    setFixedSize(80, 20);
    setToolTip(tr("Double-click to switch between 12- and 24-hour display"));
    startTimer(1000);
    Tick();
}

int CDigitalClock::Mode()
{
    return g_mode;
}
void CDigitalClock::SetMode(int mode)
{
    g_mode = mode;
}

void CDigitalClock::LoadSettings()
{
    g_mode = SettingsSchema::Stored<std::int32_t>(SettingsKey::DigitalClock, SettingName::ClockMode);
}

void CDigitalClock::SaveSettings()
{
    CRegistryKey key = CRegistryKey::OpenAppSubkey(SettingsKey::DigitalClock);
    key.SetNumber(SettingName::ClockMode, g_mode);
}

QString CDigitalClock::Format(const QTime& time, int mode)
{
    int hour = time.hour();
    if (mode != 1) {
        hour %= 12;
        if (hour == 0)
            hour = 12;
    }
    return QStringLiteral("%1:%2:%3")
        .arg(hour, 2, 10, QLatin1Char(' '))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

void CDigitalClock::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        g_mode = g_mode == 1 ? 0 : 1;
        Tick();
    }
    QLCDNumber::mouseDoubleClickEvent(event);
}

void CDigitalClock::timerEvent(QTimerEvent*)
{
    Tick();
}

void CDigitalClock::Tick()
{
    display(Format(QTime::currentTime(), g_mode));
}
