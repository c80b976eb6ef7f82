// SPDX-License-Identifier: GPL-3.0-or-later
// CDigitalClock: the time of day on the media control bar, "h:mm:ss",
// ticking once a second. The clock mode is one setting for the whole
// application ("DigitalClock" key, "ClockMode": 1 = 24-hour, 0 = 12-hour with
// 0 shown as 12 and A or P after the seconds); a double click toggles it.
// Until one is stored, the locale's time format chooses.
#pragma once

#include <QLCDNumber>
#include <QLocale>
#include <QTime>

class CDigitalClock : public QLCDNumber
{
    Q_OBJECT

public:
    explicit CDigitalClock(QWidget* parent = nullptr);

    // The application-wide mode; read at start-up, written at exit.
    static int Mode();
    static void SetMode(int mode);
    static void LoadSettings();
    static void SaveSettings();

    // The text shown for time in the given mode: a blank instead of a
    // leading zero of the hour ("12:05:09 A", " 7:05:09 P", "19:05:09").
    static QString Format(const QTime& time, int mode);
    // The mode of the locale's time format: 0 when it counts 12 hours.
    static int LocaleMode(const QLocale& locale);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Tick();
};
