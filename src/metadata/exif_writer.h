// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/exif_date_edit.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

class TimgData;
struct tSection;

// The JFIF APP0 written when the source had neither EXIF nor APP0: JFIF 1.02,
// 300 dots per inch, no thumbnail.
inline constexpr std::string_view kDefaultJfifHeader { "\xFF\xE0\x00\x10JFIF\x00\x01\x02\x01\x01\x2C\x01\x2C\x00\x00",
    18 };

// Appends FF D8 and the carried metadata segments of data to out: the source's
// JFIF APP0 without its thumbnail (left out when the EXIF block states a
// resolution of its own) and the EXIF APP1 (without either, the source's
// APP0, else kDefaultJfifHeader), the XMP APP1 segments (xmpSegments, byte
// for byte), the IPTC APP13, the comment, then the ICC profile chunks (APP2
// "ICC_PROFILE") so that the colours of a wide-gamut photo survive. Nothing
// else of the source is written. Returns the bytes appended after FF D8.
int64_t SaveExif(const TimgData &data, std::string &out);

// The source's first JFIF APP0 (with at least its version and density);
// nullptr without one.
const tSection *jfifSegment(const TimgData &data);

// Position in an encoder's JPEG at which its own data starts once its leading
// APP0, APP1, APP13 and COM segments (each at most once, in that order) are
// skipped. Never past the end.
size_t encodedImageStart(std::string_view jpeg);

// The whole output file: SaveExif, then the encoded JPEG from its own data on.
std::string ComposeExifJpeg(const TimgData &data, std::string_view encodedJpeg);
// The same into out, which is emptied first and keeps its memory.
void ComposeExifJpeg(const TimgData &data, std::string_view encodedJpeg, std::string &out);

// Puts a whole file at a path; false with a reason in error. The program
// passes the platform layer's writeFileAtomically, which this layer cannot
// include, so that a photo is never left half written.
using FileWriter = std::function<bool(const std::filesystem::path &, std::string_view, std::string *)>;

// Writes ComposeExifJpeg to fname through write.
bool WriteEXIFJpeg(const TimgData &data, std::string_view encodedJpeg, const std::filesystem::path &fname,
    const FileWriter &write, std::string *error = nullptr);
// The batch's form: the stamped image is the file at data.Filename now.
bool WriteEXIFJpeg(
    const TimgData &data, const std::filesystem::path &fname, const FileWriter &write, std::string *error = nullptr);

// Cuts IFD1 (the thumbnail directory) and everything after it from the EXIF
// segment, and clears the main directory's link to it, which would otherwise
// point past the end of the block.
void removeThumbnail(TimgData &data);

// Sets the dates of the EXIF segment to stamp (withExifDates), giving a photo
// without one a minimal segment. Call after removeThumbnail: the decoded
// EXIF object no longer describes the segment. False, with the segment as it
// was, when the segment cannot take them.
bool MakeExifDates(TimgData &data, const ExifDateStamp &stamp);

// A whole JPEG file with its EXIF APP1 replaced by segment (its data, length
// bytes first), or the segment put after its leading APP0 when it has none
// among its leading application segments; every other byte as it was. Empty
// when the file's segments up to the image data cannot be walked, or when
// replaceOnly and there is no EXIF APP1 to replace.
std::optional<std::string> withExifSegment(std::string_view jpeg, std::string_view segment, bool replaceOnly = false);

// The JPEG thumbnail IFD1 points at, when it lies whole inside the EXIF
// segment; empty without one.
std::string_view exifThumbnail(const TimgData &data);
// Puts jpeg in the place of the EXIF thumbnail: IFD1 keeps its tags and
// points at jpeg, which goes where the old picture was when that ended the
// block, else at the end (the old picture's bytes zeroed). False, with
// nothing changed, without a JPEG thumbnail or when the segment would
// outgrow its 16-bit length.
bool replaceThumbnail(TimgData &data, std::string_view jpeg);

// Make the APP13 / COM segment hold buff, taking a new slot when there is none.
void MakeIPTCSegment(TimgData &data, std::string_view buff);
void MakeCommentSegment(TimgData &data, std::string_view buff);
// The comment segment's data (length bytes first); empty without one.
std::string GetCommentSegment(const TimgData &data);

} // namespace kelvra
