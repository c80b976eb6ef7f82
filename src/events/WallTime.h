// SPDX-License-Identifier: GPL-3.0-or-later
// Wall-clock time for scheduled events: the local date and time as a clock on
// the wall shows it, to the second, without a time zone. Adding a day or an
// hour is calendar arithmetic on the fields, so a daily 07:30 event stays at
// 07:30 across a daylight-saving change, and a time that a spring-forward
// day skips is simply passed by the clock (docs/events.md).
#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <optional>

using WallTime = std::chrono::local_seconds;

struct WallFields
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

WallTime MakeWallTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
WallFields Fields(WallTime t);

// The wall clock of t: t converted to local time (a Qt::LocalTime value is
// taken as it is), its date and time of day, milliseconds dropped.
WallTime ToWallTime(const QDateTime& t);
// The same date and time as a QDateTime in Qt::LocalTime; invalid for a
// moment that the local clock skips.
QDateTime ToLocalDateTime(WallTime t);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(WallTime t);

// The zero date of the design's date type (1899-12-30 00:00:00): the next
// run of a record that was never scheduled, due at once.
inline constexpr WallTime kZeroDate = std::chrono::local_days{std::chrono::year{1899} / 12 / 30} +
                                      std::chrono::seconds{0};
// The default expiry, 2099-12-31 00:00:00.
inline constexpr WallTime kDefaultExpiry = std::chrono::local_days{std::chrono::year{2099} / 12 / 31} +
                                           std::chrono::seconds{0};

// The stored date format "%d-%d-%d %d:%02d:%02d": 2001-3-5 7:30:00.
QString FormatStoredDate(WallTime t);
// Reads the stored format, the ISO form "yyyy-MM-ddTHH:mm:ss", and either
// without seconds or without the time (midnight). Years 100..9999. nullopt
// when the text is not a valid date-time.
std::optional<WallTime> ParseStoredDate(const QString& text);
