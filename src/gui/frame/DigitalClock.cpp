// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/frame/DigitalClock.h"

#include "app/SettingsSchema.h"
#include "app/ViewSettings.h"
#include "platform/registry/RegistryKey.h"

#include <QLocale>
#include <QMouseEvent>

namespace {
int g_mode = 0;
} // namespace

CDigitalClock::CDigitalClock(QWidget* parent) : QLCDNumber(10, parent)
{
    setObjectName(QStringLiteral("clock32887"));
    setSegmentStyle(QLCDNumber::Flat);
    setFrameShape(QFrame::NoFrame);
    setFixedSize(100, 20);
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
    // Until the operator has chosen, the clock counts the hours as the
    // locale's time format does.
    const CRegistryKey key = CRegistryKey::OpenAppSubkey(SettingsKey::DigitalClock);
    reg::ValueType type{};
    QByteArray data;
    g_mode = key.GetRaw(SettingName::ClockMode, &type, &data)
                 ? SettingsSchema::Stored<std::int32_t>(SettingsKey::DigitalClock, SettingName::ClockMode)
                 : LocaleMode(QLocale());
}

int CDigitalClock::LocaleMode(const QLocale& locale)
{
    return locale.timeFormat(QLocale::ShortFormat).contains(QLatin1String("ap"), Qt::CaseInsensitive) ? 0 : 1;
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
    const QString text = QStringLiteral("%1:%2:%3")
                             .arg(hour, 2, 10, QLatin1Char(' '))
                             .arg(time.minute(), 2, 10, QLatin1Char('0'))
                             .arg(time.second(), 2, 10, QLatin1Char('0'));
    // 12-hour time says which half of the day it is: A or P, as far as
    // seven segments can spell it.
    if (mode != 1)
        return text + (time.hour() < 12 ? QStringLiteral(" A") : QStringLiteral(" P"));
    return text;
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
