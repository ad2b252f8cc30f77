// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

// Days since 30 December 1899, the time of day as the fraction, local time.
// A value below 100 counts as no date.
using TDateTime = double;

struct DateTimeFields
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Empty for an impossible date or time (30 February, 24:00, year 0).
std::optional<TDateTime> tryEncodeDateTime(const DateTimeFields &f);

// Empty for a value outside the years 1..9999.
std::optional<DateTimeFields> decodeDateTime(TDateTime t);

// "yyyy:mm:dd hh:nn:ss" as EXIF stores it: 0 when the text is shorter than 19
// characters, holds a non-digit where a digit belongs, or names no real moment.
// The separators are not looked at.
TDateTime ExifDateToDateTime(std::string_view text);

// t as "yyyy:mm:dd hh:nn:ss"; empty when t cannot be written so.
std::string formatExifDateTime(TDateTime t);

} // namespace kelvra
