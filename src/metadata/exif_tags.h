// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvra {

class TImageInfo;

// Turns a value text into its display form; may use the object's text options
// or add tags of its own. Throws ExifValueError when the text cannot be read.
using TTagCallback = std::string (*)(TImageInfo &info, const std::string &text);

// One tag: a row of a definition table, or a tag found in a file (then Data is
// the value text, Raw the stored bytes and PRaw their position in the buffer).
struct TTagEntry
{
    int32_t TID = 0; // 0 for directory tags, 1 for maker-note tags
    uint16_t TType = 0; // TIFF format code of the found value
    uint16_t ICode = 0;
    uint16_t Tag = 0; // 0: unknown; such a record is never stored
    std::string Name;
    std::string Desc; // display name
    std::string Code; // value list "key:label,key:label"
    std::string Data; // value text
    std::string Raw; // raw value bytes
    int32_t PRaw = 0; // position of the value in the buffer
    std::string FormatS; // output pattern
    int32_t Size = 0; // number of raw bytes
    TTagCallback CallBack = nullptr;
};

// The main table: 250 rows in ascending tag order, then "Unknown" (tag 0).
// Serves the main, EXIF, interoperability, SubIFD and thumbnail directories.
std::span<const TTagEntry> mainTagTable();
constexpr size_t kMainTagRows = 250;

// The tags the directory walk itself acts on.
inline constexpr uint16_t kTagImageWidth = 0x0100;
inline constexpr uint16_t kTagImageLength = 0x0101;
inline constexpr uint16_t kTagCompression = 0x0103;
inline constexpr uint16_t kTagMake = 0x010F;
inline constexpr uint16_t kTagModel = 0x0110;
inline constexpr uint16_t kTagXResolution = 0x011A;
inline constexpr uint16_t kTagYResolution = 0x011B;
inline constexpr uint16_t kTagResolutionUnit = 0x0128;
inline constexpr uint16_t kTagDateTime = 0x0132;
inline constexpr uint16_t kTagSubIFDs = 0x014A;
inline constexpr uint16_t kTagJpegInterchangeFormat = 0x0201;
inline constexpr uint16_t kTagJpegInterchangeFormatLength = 0x0202;
inline constexpr uint16_t kTagExifOffset = 0x8769;
inline constexpr uint16_t kTagGpsInfo = 0x8825;
inline constexpr uint16_t kTagExifVersion = 0x9000;
inline constexpr uint16_t kTagDateTimeOriginal = 0x9003;
inline constexpr uint16_t kTagDateTimeDigitized = 0x9004;
inline constexpr uint16_t kTagFlash = 0x9209;
inline constexpr uint16_t kTagMakerNote = 0x927C;
inline constexpr uint16_t kTagUserComment = 0x9286;
inline constexpr uint16_t kTagExifImageWidth = 0xA002;
inline constexpr uint16_t kTagExifImageLength = 0xA003;
inline constexpr uint16_t kTagInteroperabilityOffset = 0xA005;

// TIFF format codes whose values the walk keeps as text.
inline constexpr uint16_t kFormatAscii = 2;
inline constexpr uint16_t kFormatUndefined = 7;

// The GPS table: 31 rows, tags 0x00..0x1E.
std::span<const TTagEntry> gpsTagTable();

// The row for tag among the first 250 main rows or the GPS rows; nullptr if none.
const TTagEntry *findMainTag(uint16_t tag);
const TTagEntry *findGpsTag(uint16_t tag);
const TTagEntry &unknownTag();

// Index among the first 250 main rows whose Name equals name ignoring case; -1.
int findMainTagByName(std::string_view name);

// "ExposureTime" -> "Exposure Time": a blank before each capital that follows a
// character other than a capital.
std::string completeDisplayName(std::string_view name);

} // namespace kelvra
