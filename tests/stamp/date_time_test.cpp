// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/date_time.h"

#include "printers.h"

#include <QDate>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

namespace kelvra {
namespace {

const QDate kDayZero(1899, 12, 30);

TEST(DateTime, EveryDayAgreesWithTheToolkitCalendar)
{
    const int64_t first = kDayZero.daysTo(QDate(1, 1, 1));
    const int64_t last = kDayZero.daysTo(QDate(9999, 12, 31));
    for (int64_t day = first; day <= last; ++day) {
        const QDate expected = kDayZero.addDays(day);
        const TDateTime noon = double(day) + 0.5;
        const DateTimeFields f = calendarFields(noon);
        ASSERT_EQ(QDate(f.year, f.month, f.day), expected) << day;
        ASSERT_EQ(dayOfWeek(noon), expected.dayOfWeek() % 7 + 1) << day;
        ASSERT_EQ(dayOfYear(noon), expected.dayOfYear()) << day;
    }
}

TEST(DateTime, TimeOfDayRoundsToTheMillisecondAndCarries)
{
    const TDateTime day = tryEncodeDateTime({ 2019, 5, 1 }).value();
    const DateTimeFields t = calendarFields(day + (14 * 3600 + 7 * 60 + 9.123) / 86400.0);
    EXPECT_EQ(t, (DateTimeFields { 2019, 5, 1, 14, 7, 9, 123 }));
    // Just short of midnight rounds into the next day, not to 24:00.
    EXPECT_EQ(calendarFields(day + (86400000 - 0.2) / 86400000.0), (DateTimeFields { 2019, 5, 2, 0, 0, 0, 0 }));
    // Just short of the end of the calendar rounds out of it.
    EXPECT_EQ(calendarFields(2958466 - 0.2 / 86400000.0), (DateTimeFields { 1899, 12, 30 }));
}

TEST(DateTime, ValuesOutsideTheCalendarDecodeAsDayZero)
{
    const DateTimeFields dayZero { 1899, 12, 30, 0, 0, 0, 0 };
    for (double v : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity(), 1e300, -1e300, 2958466.0, -693594.0 }) {
        SCOPED_TRACE(v);
        EXPECT_EQ(calendarFields(v), dayZero);
        EXPECT_EQ(dayOfWeek(v), 7); // a Saturday
    }
}

// Counted without any week arithmetic: the Thursdays of the month up to the
// Thursday of the day's week.
int weekOfMonthByCounting(const QDate &date)
{
    const QDate thursday = date.addDays(4 - date.dayOfWeek());
    int week = 0;
    for (QDate d(thursday.year(), thursday.month(), 1); d <= thursday; d = d.addDays(1))
        week += d.dayOfWeek() == 4 ? 1 : 0;
    return week;
}

TEST(DateTime, WeekNumbersOfEveryDayFrom1990To2040)
{
    for (QDate d(1990, 1, 1); d <= QDate(2040, 12, 31); d = d.addDays(1)) {
        const TDateTime value = double(kDayZero.daysTo(d)) + 0.25;
        ASSERT_EQ(isoWeekOfYear(value), d.weekNumber()) << d.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(weekOfMonth(value), weekOfMonthByCounting(d)) << d.toString(Qt::ISODate).toStdString();
    }
}

TEST(DateTime, DosFileDatesKeepEvenSecondsFrom1980To2107)
{
    struct Case
    {
        DateTimeFields in;
        std::optional<DateTimeFields> out; // empty: no date
    };
    const Case cases[] = {
        { { 2019, 5, 1, 14, 7, 9, 500 }, DateTimeFields { 2019, 5, 1, 14, 7, 8, 0 } },
        { { 2019, 5, 1, 14, 7, 8, 999 }, DateTimeFields { 2019, 5, 1, 14, 7, 8, 0 } },
        { { 1980, 1, 1, 0, 0, 1, 0 }, DateTimeFields { 1980, 1, 1, 0, 0, 0, 0 } },
        { { 2107, 12, 31, 23, 59, 59, 0 }, DateTimeFields { 2107, 12, 31, 23, 59, 58, 0 } },
        { { 1979, 12, 31, 23, 59, 59, 0 }, std::nullopt },
        { { 2108, 1, 1, 0, 0, 0, 0 }, std::nullopt },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in.year);
        const TDateTime d = dosFileDate(c.in);
        if (c.out)
            EXPECT_EQ(calendarFields(d), *c.out);
        else
            EXPECT_EQ(d, 0);
    }
}

// Sets a time zone for one test and puts the old one back.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *zone)
    {
        if (const char *old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

TEST(DateTime, FileTimesBecomeLocalDosDates)
{
    // A zone with summer time, spelled so that no zone database is needed.
    const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const int64_t times[] = {
        1556719629, // 2019-05-01 14:07:09 UTC, summer time
        1546300800, // 2019-01-01 00:00:00 UTC, winter time
        1553994000, // the hour the clocks went forward in 2019
        315532800, // 1980-01-01 00:00 UTC: already 01:00 local
        4354819199, // 2107-12-31 23:59:59 UTC: 2108 locally
        315532799, // 1979-12-31 23:59:59 UTC: 1980-01-01 00:59:59 locally
    };
    for (int64_t t : times) {
        SCOPED_TRACE(t);
        const time_t seconds = time_t(t);
        std::tm local {};
        ASSERT_TRUE(localtime_r(&seconds, &local));
        const DateTimeFields expected { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min, local.tm_sec & ~1, 0 };
        const TDateTime d = localDosFileDate(t);
        if (expected.year < 1980 || expected.year > 2107)
            EXPECT_EQ(d, 0);
        else
            EXPECT_EQ(calendarFields(d), expected);
    }
    EXPECT_EQ(localDosFileDate(std::nullopt), 0);
    EXPECT_EQ(localDosFileDate(std::numeric_limits<int64_t>::max()), 0);
    EXPECT_EQ(localDosFileDate(std::numeric_limits<int64_t>::min()), 0);
}

} // namespace
} // namespace kelvra
