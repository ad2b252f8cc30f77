// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_date.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kelvra {

namespace {

// Proleptic Gregorian day number, 0 on 1970-01-01.
int64_t daysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int &y, int &m, int &d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m)
{
    static constexpr int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

const int64_t kEpoch = daysFromCivil(1899, 12, 30);

bool digitsAt(std::string_view text, size_t pos, size_t count, int &value)
{
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

std::optional<TDateTime> tryEncodeDateTime(const DateTimeFields &f)
{
    if (f.year < 1 || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1 || f.day > daysInMonth(f.year, f.month))
        return std::nullopt;
    if (f.hour < 0 || f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59 || f.millisecond < 0
        || f.millisecond > 999)
        return std::nullopt;
    const double date = static_cast<double>(daysFromCivil(f.year, f.month, f.day) - kEpoch);
    const double time = (f.hour * 3600000.0 + f.minute * 60000.0 + f.second * 1000.0 + f.millisecond) / 86400000.0;
    return date + time;
}

std::optional<DateTimeFields> decodeDateTime(TDateTime t)
{
    // Beyond these days lie the years 1 and 9999.
    if (!std::isfinite(t) || t < -693593.0 || t >= 2958466.0)
        return std::nullopt;
    const double days = std::floor(t);
    auto ms = static_cast<int64_t>(std::llround((t - days) * 86400000.0));
    auto dayNumber = static_cast<int64_t>(days);
    if (ms >= 86400000) {
        ms -= 86400000;
        ++dayNumber;
    }
    DateTimeFields f;
    civilFromDays(dayNumber + kEpoch, f.year, f.month, f.day);
    if (f.year < 1 || f.year > 9999)
        return std::nullopt;
    f.hour = static_cast<int>(ms / 3600000);
    f.minute = static_cast<int>(ms / 60000 % 60);
    f.second = static_cast<int>(ms / 1000 % 60);
    f.millisecond = static_cast<int>(ms % 1000);
    return f;
}

TDateTime ExifDateToDateTime(std::string_view text)
{
    if (text.size() < 19)
        return 0;
    DateTimeFields f;
    if (!digitsAt(text, 0, 4, f.year) || !digitsAt(text, 5, 2, f.month) || !digitsAt(text, 8, 2, f.day)
        || !digitsAt(text, 11, 2, f.hour) || !digitsAt(text, 14, 2, f.minute) || !digitsAt(text, 17, 2, f.second))
        return 0;
    return tryEncodeDateTime(f).value_or(0);
}

std::string formatExifDateTime(TDateTime t)
{
    const auto f = decodeDateTime(t);
    if (!f)
        return {};
    char text[32];
    std::snprintf(
        text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", f->year, f->month, f->day, f->hour, f->minute, f->second);
    return text;
}

} // namespace kelvra
