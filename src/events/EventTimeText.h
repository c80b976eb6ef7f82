// SPDX-License-Identifier: GPL-3.0-or-later
// The date and time of a scheduled event as a person types and reads it:
// the event editor's fields and `lirana --add-event`.
#pragma once

#include "events/WallTime.h"

#include <QString>
#include <optional>

namespace EventTimeText {

// The longest file name an event takes (the editor's field holds no more).
inline constexpr int MaxFileNameLength = 255;

// The locale's short date and time, with the year in full (a two-digit year
// would read 2099 back as 1999) and with seconds (hourly events run at a
// second).
QString Format();
QString FormatDateTime(WallTime t);
// That format, or the stored form ("2001-3-5 7:30:00"); nullopt when
// neither reads.
std::optional<WallTime> Parse(const QString& text);

} // namespace EventTimeText
