// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

class QDateTime;

namespace kelvra {

// Days since 30 December 1899 at midnight, local time, with the time of day as
// the fraction. For a negative value the whole part is the day and the
// fraction, taken without its sign, the time of day.
using TDateTime = double;

// A value below this counts as no date at all.
constexpr TDateTime kFirstRealDate = 100;

inline bool isRealDate(TDateTime value) { return value >= kFirstRealDate; }

struct DateTimeFields
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;

    friend bool operator==(const DateTimeFields &, const DateTimeFields &) = default;
};

// The proleptic Gregorian calendar from 1 January 0001 to 31 December 9999.
bool isValidCalendarDate(int year, int month, int day);
int daysInMonth(int year, int month);

// Empty when a field is out of range.
std::optional<TDateTime> encodeDateTime(const DateTimeFields &fields);
std::optional<TDateTime> encodeDate(int year, int month, int day);

// Rounded to the millisecond. A value that is not a number or lies outside
// the calendar above decodes as day 0, so callers never see garbage fields.
DateTimeFields decodeDateTime(TDateTime value);

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
