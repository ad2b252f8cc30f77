// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace kelvra {

namespace {

constexpr size_t kMaxComponents = 128;
constexpr std::string_view kValueSeparator = ", ";
constexpr char kDegree = '\xB0';

} // namespace

std::vector<std::string_view> splitValues(std::string_view text)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(kValueSeparator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + kValueSeparator.size();
    }
}

namespace {

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

// A whole text of the form [+-]digits.
bool parseInteger(std::string_view text, int64_t &value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// A whole text of the form [+-]digits[.digits].
bool parseDecimal(std::string_view text, double &value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const std::string_view digits = !text.empty() && text.front() == '-' ? text.substr(1) : text;
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return false;
    for (char c : digits) {
        if ((c < '0' || c > '9') && c != '.')
            return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string fixedText(double value, int precision, std::string_view decimalSeparator)
{
    char buffer[400];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, std::clamp(precision, 0, 40));
    std::string text = result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
    const size_t dot = text.find('.');
    if (dot != std::string::npos)
        text.replace(dot, 1, decimalSeparator);
    return text;
}

// Degrees, minutes and seconds as GPS tags write them: up to three rationals.
struct Sexagesimal
{
    double d = 0, m = 0, s = 0;
};

Sexagesimal parseSexagesimal(std::string_view text)
{
    const auto parts = splitValues(text);
    Sexagesimal v;
    if (parts.size() >= 3) {
        v.d = parseFraction(parts[0]);
        v.m = parseFraction(parts[1]);
        v.s = parseFraction(parts[2]);
    } else if (parts.size() == 2) {
        v.d = parseFraction(parts[0]);
        v.s = parseFraction(parts[1]);
    } else {
        v.s = parseFraction(parts[0]);
    }
    return v;
}

} // namespace

int bytesPerComponent(int fmt)
{
    static constexpr int sizes[] = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8 };
    return fmt >= 0 && fmt <= 12 ? sizes[fmt] : 0;
}

int32_t CvtInt(std::string_view bytes, bool motorolaOrder)
{
    uint32_t value = 0;
    const size_t n = bytes.size();
    for (size_t i = 0; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[motorolaOrder ? i : n - 1 - i]);
        value = value << 8 | byte;
    }
    return static_cast<int32_t>(value);
}

double GetNumber(std::string_view raw, int fmt, bool motorolaOrder)
{
    switch (fmt) {
    case 1:
    case 3:
    case 4:
    case 6:
    case 8:
    case 9:
        return CvtInt(raw, motorolaOrder);
    case 5:
    case 10: {
        if (raw.size() < 8)
            return 0;
        const int32_t denominator = CvtInt(raw.substr(4, 4), motorolaOrder);
        if (denominator == 0)
            return 0;
        return static_cast<double>(CvtInt(raw.substr(0, 4), motorolaOrder)) / denominator;
    }
    default:
        return 0;
    }
}

std::string lookupValueList(std::string_view list, std::string_view key)
{
    const std::string haystack = "," + std::string(list) + ",";
    const std::string needle = "," + std::string(key) + ":";
    const size_t at = haystack.find(needle);
    if (at == std::string::npos)
        return {};
    const size_t start = at + needle.size();
    return haystack.substr(start, haystack.find(',', start) - start);
}

std::string FormatNumber(std::string_view raw, int fmt, std::string_view valueList, std::string_view pattern,
    bool motorolaOrder, const ExifTextOptions &options)
{
    const int c = bytesPerComponent(fmt);
    if (c == 0)
        return "0";
    const size_t m = std::min(raw.size() / static_cast<size_t>(c), kMaxComponents);
    std::string text;
    for (size_t j = 0; j < m; ++j) {
        if (j > 0)
            text += kValueSeparator;
        const std::string_view component = raw.substr(j * static_cast<size_t>(c), static_cast<size_t>(c));
        switch (fmt) {
        case 1:
        case 3:
        case 4:
        case 6:
        case 8:
        case 9: {
            const std::string number = std::to_string(CvtInt(component, motorolaOrder));
            text += valueList.empty() ? number : lookupValueList(valueList, number);
            break;
        }
        case 5:
        case 10:
            text += std::to_string(CvtInt(component.substr(0, 4), motorolaOrder));
            text += '/';
            text += std::to_string(CvtInt(component.substr(4, 4), motorolaOrder));
            break;
        case 11:
        case 12:
            text += "-9999.99";
            break;
        default:
            text += '?';
            break;
        }
    }
    if (pattern.empty())
        return text;
    const size_t at = pattern.find("%s");
    if (at != std::string_view::npos) {
        std::string out(pattern);
        out.replace(at, 2, text);
        return out;
    }
    return formatPattern(pattern, { GetNumber(raw, fmt, motorolaOrder) }, options.decimalSeparator);
}

std::string formatPattern(
    std::string_view pattern, std::initializer_list<double> args, std::string_view decimalSeparator)
{
    std::string out;
    auto arg = args.begin();
    size_t i = 0;
    while (i < pattern.size()) {
        if (pattern[i] != '%') {
            out += pattern[i++];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        size_t j = i + 1;
        bool leftAlign = false;
        bool zeroPad = false;
        while (j < pattern.size() && (pattern[j] == '-' || pattern[j] == '0')) {
            (pattern[j] == '-' ? leftAlign : zeroPad) = true;
            ++j;
        }
        int width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 100)
            width = width * 10 + (pattern[j++] - '0');
        int precision = -1;
        if (j < pattern.size() && pattern[j] == '.') {
            precision = 0;
            ++j;
            while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && precision < 100)
                precision = precision * 10 + (pattern[j++] - '0');
        }
        if (j >= pattern.size()) {
            out.append(pattern.substr(i));
            break;
        }
        const char conversion = pattern[j];
        std::string piece;
        if ((conversion == 'f' || conversion == 'd') && arg != args.end()) {
            const double value = *arg++;
            piece = conversion == 'f' ? fixedText(value, precision < 0 ? 6 : precision, decimalSeparator)
                                      : std::to_string(static_cast<long long>(roundHalfEven(std::trunc(value))));
        } else if (conversion != 'f' && conversion != 'd') {
            piece = std::string(pattern.substr(i, j + 1 - i));
        }
        const bool missing = (conversion == 'f' || conversion == 'd') && piece.empty();
        if (!missing && static_cast<int>(piece.size()) < width) {
            const size_t pad = static_cast<size_t>(width) - piece.size();
            if (leftAlign) {
                piece.append(pad, ' ');
            } else if (zeroPad && !piece.empty()) {
                const size_t signLength = piece.front() == '-' ? 1 : 0;
                piece.insert(signLength, pad, '0');
            } else {
                piece.insert(0, pad, ' ');
            }
        }
        out += piece;
        i = j + 1;
    }
    return out;
}

std::string printable(std::string_view text)
{
    std::string out(text.substr(0, 50));
    for (char &c : out) {
        if (static_cast<unsigned char>(c) < 32)
            c = '.';
    }
    return out;
}

double parseFraction(std::string_view text)
{
    text = trimBlanks(text);
    double whole = 0;
    const size_t blank = text.find(' ');
    if (blank != std::string_view::npos) {
        int64_t w = 0;
        if (!parseInteger(text.substr(0, blank), w))
            return 0;
        whole = static_cast<double>(w);
        text = trimBlanks(text.substr(blank + 1));
    }
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return 0;
    double numerator = 0;
    double denominator = 0;
    if (!parseDecimal(text.substr(0, slash), numerator) || !parseDecimal(text.substr(slash + 1), denominator)
        || denominator == 0)
        return 0;
    const double value = (whole * denominator + numerator) / denominator;
    return std::isfinite(value) ? value : 0;
}

int64_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2e18)
        return std::numeric_limits<int64_t>::max();
    if (value <= -9.2e18)
        return std::numeric_limits<int64_t>::min();
    const double lower = std::floor(value);
    auto result = static_cast<int64_t>(lower);
    const double fraction = value - lower;
    if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0))
        ++result;
    return result;
}

std::string componentsText(std::string_view text)
{
    static constexpr const char *names[] = { "", "Y", "Cb", "Cr", "R", "G", "B" };
    std::string out;
    for (size_t i = 1; i <= 4 && i < text.size(); ++i) {
        const auto code = static_cast<unsigned char>(text[i]);
        if (code >= 1 && code <= 6)
            out += names[code];
    }
    return out;
}

std::string shutterSpeedText(std::string_view text, const ExifTextOptions &options)
{
    const double tv = parseFraction(text);
    const double speed = std::pow(2.0, tv);
    // Cameras write extreme values (one writes -2147483648/1 for long exposures);
    // such a value keeps its plain text instead of ending the whole directory.
    if (!std::isfinite(speed) || speed == 0 || speed >= 9.2e18)
        return printable(text);
    const double seconds = 1.0 / speed;
    std::string out = formatPattern("%4.4f sec", { seconds }, options.decimalSeparator);
    if (seconds <= 0.5)
        out += " (1/" + std::to_string(roundHalfEven(speed)) + ")";
    return out;
}

std::string flashText(std::string_view text)
{
    int64_t v = 0;
    if (!parseInteger(text, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw ExifValueError("flash value is not an integer");
    std::string out = (v & 1) ? "On" : "Off";
    switch (v & 6) {
    case 2:
        out += ", UNKNOWN";
        break;
    case 4:
        out += ", no strobe return";
        break;
    case 6:
        out += ", strobe return";
        break;
    default:
        break;
    }
    switch (v & 24) {
    case 8:
        out += ", forced";
        break;
    case 16:
        out += ", surpressed";
        break;
    case 24:
        out += ", auto mode";
        break;
    default:
        break;
    }
    if (v & 32)
        out += ", no flash function";
    if (v & 64)
        out += ", red-eye reduction";
    return out;
}

std::string userCommentText(std::string_view text)
{
    return text.size() > 8 ? std::string(text.substr(8)) : std::string();
}

std::string wideText(std::string_view text)
{
    const auto values = splitValues(text);
    std::string out;
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
        int64_t v = 0;
        if (!parseInteger(values[i], v))
            throw ExifValueError("wide text is not a list of bytes");
        const auto c = static_cast<char>(v & 0xFF);
        if (c != '\0')
            out += c;
    }
    return out;
}

std::string coordinateText(std::string_view text, const ExifTextOptions &options)
{
    Sexagesimal v = parseSexagesimal(text);
    if (v.s == 0) {
        v.s = (v.m - std::trunc(v.m)) * 60;
        v.m = std::trunc(v.m);
    }
    const std::string_view sep = options.decimalSeparator;
    switch (options.GPSForm) {
    case 0:
        return formatPattern(std::string("%1.4f") + kDegree, { v.d + (v.m + v.s / 60) / 60 }, sep);
    case 1:
        return formatPattern(std::string("%0.0f") + kDegree + "%1.2f'", { v.d, v.m + v.s / 60 }, sep);
    case 2:
        return formatPattern(std::string("%0.0f") + kDegree + "%0.0f'%0.0f\"", { v.d, v.m, v.s }, sep);
    default:
        return std::string(text);
    }
}

std::string timeStampText(std::string_view text, const ExifTextOptions &options)
{
    const Sexagesimal v = parseSexagesimal(text);
    return formatPattern("%0.0f:%0.0f:%0.0f", { v.d, v.m, v.s }, options.decimalSeparator);
}

} // namespace kelvra
