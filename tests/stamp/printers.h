// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/date_time.h"

#include <QString>

#include <ostream>

// Lets a failed comparison show the text rather than its code units.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace kelvra {

// The fields are the reader's plain record; tests compare them whole.
inline bool operator==(const DateTimeFields &a, const DateTimeFields &b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute
        && a.second == b.second && a.millisecond == b.millisecond;
}

inline void PrintTo(const DateTimeFields &f, std::ostream *os)
{
    *os << f.year << '-' << f.month << '-' << f.day << ' ' << f.hour << ':' << f.minute << ':' << f.second << '.'
        << f.millisecond;
}

inline TDateTime dateOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int msec = 0)
{
    return tryEncodeDateTime({ year, month, day, hour, minute, second, msec }).value();
}

} // namespace kelvra
