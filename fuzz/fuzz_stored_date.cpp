// SPDX-License-Identifier: GPL-3.0-or-later
// The stored dates of events: a date that is read is written in the stored
// form, which reads back as the same date.
#include "FuzzText.h"
#include "events/WallTime.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<WallTime> date = ParseStoredDate(FuzzText(data, size));
    if (date && ParseStoredDate(FormatStoredDate(*date)) != date)
        std::abort();
    return 0;
}
