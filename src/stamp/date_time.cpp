// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/date_time.h"

#include <QDateTime>

#include <cmath>

namespace kelvra {

namespace {

constexpr int64_t kMsecsPerDay = 86400000;
// Day numbers counted from 1 January 0001 (day 0).
constexpr int64_t kDaysTo18991230 = 693593;
constexpr int64_t kDaysTo99991231 = 3652058;

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int64_t civilToDays(int year, int month, int day)
{
    const int64_t y = year - 1;
    int64_t days = 365 * y + y / 4 - y / 100 + y / 400;
    days += kDaysBeforeMonth[month - 1];
    if (month > 2 && isLeapYear(year))
        ++days;
    return days + day - 1;
}

struct CivilDate
{
    int year;
    int month;
    int day;
    int dayOfYear; // 1-based
};

// days must lie in [0, kDaysTo99991231].
CivilDate daysToCivil(int64_t days)
{
    const int64_t cycles400 = days / 146097;
    days %= 146097;
    int64_t cycles100 = days / 36524;
    if (cycles100 == 4) // the last day of a 400-year cycle
        cycles100 = 3;
    days -= cycles100 * 36524;
    const int64_t cycles4 = days / 1461;
    days %= 1461;
    int64_t years = days / 365;
    if (years == 4) // the last day of a leap year
        years = 3;
    days -= years * 365;

    CivilDate c;
    c.year = int(400 * cycles400 + 100 * cycles100 + 4 * cycles4 + years + 1);
    c.dayOfYear = int(days) + 1;
    const bool leap = isLeapYear(c.year);
    int month = 12;
    while (month > 1) {
        const int before = kDaysBeforeMonth[month - 1] + (leap && month > 2 ? 1 : 0);
        if (days >= before)
            break;
        --month;
    }
    c.month = month;
    c.day = int(days) - kDaysBeforeMonth[month - 1] - (leap && month > 2 ? 1 : 0) + 1;
    return c;
}

struct DayAndTime
{
    int64_t days; // from 1 January 0001
    int64_t msecs;
};

DayAndTime split(TDateTime value)
{
    const DayAndTime zero{kDaysTo18991230, 0};
    if (!std::isfinite(value))
        return zero;
    double whole = 0;
    const double fraction = std::modf(value, &whole);
    if (whole < -double(kDaysTo18991230) || whole > double(kDaysTo99991231 - kDaysTo18991230))
        return zero;
    DayAndTime t{int64_t(whole) + kDaysTo18991230, std::llround(std::fabs(fraction) * double(kMsecsPerDay))};
    if (t.msecs >= kMsecsPerDay) {
        t.msecs -= kMsecsPerDay;
        ++t.days;
    }
    if (t.days > kDaysTo99991231)
        return zero;
    return t;
}

} // namespace

int daysInMonth(int year, int month)
{
    static constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return lengths[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0);
}

bool isValidCalendarDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

std::optional<TDateTime> encodeDateTime(const DateTimeFields &f)
{
    if (!isValidCalendarDate(f.year, f.month, f.day))
        return std::nullopt;
    if (f.hour < 0 || f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59
        || f.msec < 0 || f.msec > 999)
        return std::nullopt;
    const int64_t day = civilToDays(f.year, f.month, f.day) - kDaysTo18991230;
    const int64_t msecs = ((int64_t(f.hour) * 60 + f.minute) * 60 + f.second) * 1000 + f.msec;
    const double time = double(msecs) / double(kMsecsPerDay);
    // Before day 0 the time of day still counts forward from midnight.
    return day < 0 ? double(day) - time : double(day) + time;
}

std::optional<TDateTime> encodeDate(int year, int month, int day)
{
    return encodeDateTime({year, month, day, 0, 0, 0, 0});
}

DateTimeFields decodeDateTime(TDateTime value)
{
    const DayAndTime t = split(value);
    const CivilDate c = daysToCivil(t.days);
    DateTimeFields f;
    f.year = c.year;
    f.month = c.month;
    f.day = c.day;
    f.hour = int(t.msecs / 3600000);
    f.minute = int(t.msecs / 60000 % 60);
    f.second = int(t.msecs / 1000 % 60);
    f.msec = int(t.msecs % 1000);
    return f;
}

int dayOfWeek(TDateTime value)
{
    // 1 January 0001 was a Monday.
    return int((split(value).days + 1) % 7) + 1;
}

int dayOfYear(TDateTime value)
{
    return daysToCivil(split(value).days).dayOfYear;
}

namespace {

// The Thursday of the Monday-to-Sunday week that holds the day. Stays inside
// the calendar: its first day is a Monday and its last a Friday.
CivilDate thursdayOfWeek(TDateTime value)
{
    const int64_t days = split(value).days;
    const int64_t mondayBased = days % 7; // 0 for Monday
    return daysToCivil(days - mondayBased + 3);
}

} // namespace

int isoWeekOfYear(TDateTime value)
{
    return (thursdayOfWeek(value).dayOfYear - 1) / 7 + 1;
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
    return encodeDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()}).value_or(0);
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
    cut.msec = 0;
    return encodeDateTime(cut).value_or(0);
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
    return dosFileDate({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), 0});
}

} // namespace kelvra
