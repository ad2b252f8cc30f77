// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// How value texts are written. The reader is given these by its caller (from the
// options and the locale); nothing here reads a global setting.
struct ExifTextOptions
{
    int GPSForm = 2; // 0 degrees, 1 degrees and minutes, 2 d/m/s
    std::string decimalSeparator = "."; // single-byte text, like every value text
};

// A value that cannot be turned into text. Travels inside the metadata layer
// only: it ends a sub-directory, or the whole read in the main directory.
class ExifValueError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Bytes per component of a TIFF format code; 0 for 0 and codes above 12.
int bytesPerComponent(int fmt);

// All bytes as one unsigned number in the given order, low 32 bits as signed.
int32_t CvtInt(std::string_view bytes, bool motorolaOrder);

// The numeric value of a raw value: integers read as one long number, rationals
// as the first numerator over the first denominator; 0 for anything else.
double GetNumber(std::string_view raw, int fmt, bool motorolaOrder);

// The label a value list ("1:Normal,3:Rotated 180°") gives a key; empty if none.
std::string lookupValueList(std::string_view list, std::string_view key);

// The value text of a numeric entry: at most 128 components joined by ", ",
// integers through the value list when there is one, then the pattern.
std::string FormatNumber(std::string_view raw, int fmt, std::string_view valueList, std::string_view pattern,
    bool motorolaOrder, const ExifTextOptions &options);

// printf-style %f and %d conversions (flags '-' and '0', width, precision, %%)
// with the given decimal separator. Conversions without an argument print nothing.
std::string formatPattern(
    std::string_view pattern, std::initializer_list<double> args, std::string_view decimalSeparator);

// The values of a value text: the parts between ", " separators.
std::vector<std::string_view> splitValues(std::string_view text);

// At most 50 characters, bytes below 32 shown as '.'.
std::string printable(std::string_view text);

// "w n/d" or "n/d" as a real; 0 when the text is not such a fraction.
double parseFraction(std::string_view text);

// Rounds to the nearest integer, ties to even; 0 for NaN, saturated at the ends.
int64_t roundHalfEven(double value);

// Value-text conversions named by the tag tables.
std::string componentsText(std::string_view text);
std::string shutterSpeedText(std::string_view text, const ExifTextOptions &options);
std::string flashText(std::string_view text); // throws ExifValueError
std::string userCommentText(std::string_view text);
std::string wideText(std::string_view text); // throws ExifValueError
std::string coordinateText(std::string_view text, const ExifTextOptions &options);
std::string timeStampText(std::string_view text, const ExifTextOptions &options);

} // namespace kelvra
