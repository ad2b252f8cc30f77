// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

// What an output's EXIF dates are set to.
struct ExifDateStamp
{
    std::string dateTime; // "YYYY:MM:DD HH:MM:SS"
    std::string offset; // "+02:00"; empty leaves the offsets alone
};

// Whether text is an EXIF time offset: "+HH:MM" or "-HH:MM", at most 14 hours.
bool isExifOffset(std::string_view text);

// The OffsetTimeOriginal of an EXIF segment (its data as read: two length
// bytes, "Exif\0\0", the TIFF structure); empty when it has none or the value
// is no offset.
std::string exifOffsetTimeOriginal(std::string_view segment);

// The segment with DateTime (ModifyDate), DateTimeOriginal and
// DateTimeDigitized (CreateDate), and with an offset given also OffsetTime,
// OffsetTimeOriginal and OffsetTimeDigitized, set to stamp. A tag whose
// value has room is rewritten where it stands, so every other byte stays;
// missing tags are added by writing a grown copy of their directory after
// the segment's end, the old one left unused. Empty when the segment is no
// EXIF block, its directories cannot be walked, stamp is malformed, or the
// result would not fit a JPEG segment.
std::optional<std::string> withExifDates(std::string_view segment, const ExifDateStamp &stamp);

// A segment holding only the dates of stamp, for a photo without EXIF.
std::string minimalExifSegment(const ExifDateStamp &stamp);

} // namespace kelvra
