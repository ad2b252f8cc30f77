// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/date_time.h"

#include <QDateTime>

namespace kelvra {

namespace {

constexpr int kDaysBeforeMonth[12] = { 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334 };

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysBeforeMonth(int year, int month)
{
    return kDaysBeforeMonth[month - 1] + (month > 2 && isLeapYear(year) ? 1 : 0);
}

// Days from 1 January 0001, a Monday.
int64_t dayNumber(const DateTimeFields &f)
{
    const int64_t y = f.year - 1;
    return 365 * y + y / 4 - y / 100 + y / 400 + daysBeforeMonth(f.year, f.month) + f.day - 1;
}

DateTimeFields dateOfDayNumber(int64_t days)
{
    DateTimeFields f;
    f.year = 1;
    // Whole 400-, 100-, 4- and 1-year spans; the last day of a span of 100
    // or 4 years belongs to the span before.
    f.year += int(days / 146097) * 400;
    days %= 146097;
    const int64_t centuries = std::min<int64_t>(days / 36524, 3);
    f.year += int(centuries) * 100;
    days -= centuries * 36524;
    f.year += int(days / 1461) * 4;
    days %= 1461;
    const int64_t years = std::min<int64_t>(days / 365, 3);
    f.year += int(years);
    days -= years * 365;
    f.month = 12;
    while (f.month > 1 && days < daysBeforeMonth(f.year, f.month))
        --f.month;
    f.day = int(days) - daysBeforeMonth(f.year, f.month) + 1;
    return f;
}

// The Thursday of the Monday-to-Sunday week that holds the day. Stays within
// the years 1 to 9999: the first day is a Monday and the last a Friday.
DateTimeFields thursdayOfWeek(TDateTime value)
{
    const int64_t days = dayNumber(calendarFields(value));
    return dateOfDayNumber(days - days % 7 + 3);
}

} // namespace

DateTimeFields calendarFields(TDateTime value)
{
    return decodeDateTime(value).value_or(DateTimeFields { 1899, 12, 30 });
}

int dayOfWeek(TDateTime value)
{
    return int((dayNumber(calendarFields(value)) + 1) % 7) + 1;
}

int dayOfYear(TDateTime value)
{
    const DateTimeFields f = calendarFields(value);
    return daysBeforeMonth(f.year, f.month) + f.day;
}

int isoWeekOfYear(TDateTime value)
{
    const DateTimeFields thursday = thursdayOfWeek(value);
    return (daysBeforeMonth(thursday.year, thursday.month) + thursday.day - 1) / 7 + 1;
}

int weekOfMonth(TDateTime value)
{
    return (thursdayOfWeek(value).day - 1) / 7 + 1;
}

TDateTime fromQDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return 0;
    const QDateTime local = dateTime.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return tryEncodeDateTime({ d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec() }).value_or(0);
}

TDateTime currentDateTime()
{
    return fromQDateTime(QDateTime::currentDateTime());
}

TDateTime dosFileDate(const DateTimeFields &localFields)
{
    if (localFields.year < 1980 || localFields.year > 2107)
        return 0;
    DateTimeFields cut = localFields;
    cut.second &= ~1;
    cut.millisecond = 0;
    return tryEncodeDateTime(cut).value_or(0);
}

TDateTime localDosFileDate(std::optional<int64_t> secondsSinceEpoch)
{
    // Far outside the DOS range anyway; keeps the conversion away from overflow.
    constexpr int64_t kLimit = int64_t(200) * 366 * 86400;
    if (!secondsSinceEpoch || *secondsSinceEpoch < -kLimit || *secondsSinceEpoch > kLimit)
        return 0;
    const QDateTime local = QDateTime::fromSecsSinceEpoch(*secondsSinceEpoch, Qt::LocalTime);
    if (!local.isValid())
        return 0;
    const QDate d = local.date();
    const QTime t = local.time();
    return dosFileDate({ d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), 0 });
}

} // namespace kelvra
