// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// TDateTime, DateTimeFields and the plain encode/decode live with the
// metadata reader, the lowest layer that needs them; these build on them.
#include "metadata/exif_date.h"

#include <cstdint>
#include <optional>

class QDateTime;

namespace kelvra {

// A value below this counts as no date at all.
constexpr TDateTime kFirstRealDate = 100;

inline bool isRealDate(TDateTime value)
{
    return value >= kFirstRealDate;
}

// The calendar fields, rounded to the millisecond. A value that is not a
// number or lies outside the years 1 to 9999 gives day 0 (30 December 1899),
// so that formatting never sees garbage.
DateTimeFields calendarFields(TDateTime value);

// 1 for Sunday to 7 for Saturday.
int dayOfWeek(TDateTime value);
// 1 to 366.
int dayOfYear(TDateTime value);
// Weeks run Monday to Sunday and belong to the year, or month, that holds
// their Thursday; week 1 is the first such week.
int isoWeekOfYear(TDateTime value);
int weekOfMonth(TDateTime value);

TDateTime fromQDateTime(const QDateTime &dateTime);
TDateTime currentDateTime();

// A file time (seconds since 1970 UTC) as the local date a DOS file date can
// hold: seconds cut down to an even number, 1980 to 2107 only. Outside that
// range, or with no time at all, 0.
TDateTime localDosFileDate(std::optional<int64_t> secondsSinceEpoch);
TDateTime dosFileDate(const DateTimeFields &localFields);

} // namespace kelvra
