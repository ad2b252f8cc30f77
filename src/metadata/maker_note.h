// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kelvra {

class TImageInfo;
struct ExifTextOptions;

// What the directory walk hands over for one MakerNote (0x927C) entry. Every
// position is a 0-based index into exifData; nothing in it is trusted.
struct MakerNoteInput
{
    // The whole buffer the walk reads: the EXIF APP1 segment data of a JPEG
    // (length bytes, "Exif\0\0", then the TIFF structure) or the TIFF window.
    const std::string &exifData;
    // Buffer position of TIFF offset 0: 8 in a JPEG segment, -8 in a TIFF
    // window. A value offset o "relative to the EXIF TIFF header" is at
    // offsetBase + o.
    int64_t offsetBase = 8;
    // Position of the note (the parent's MakerOffset) and the number of its
    // bytes present in exifData from there (the entry's byte count cut to the
    // buffer; 0 when the note lies outside it).
    int64_t noteOffset = 0;
    int64_t noteLength = 0;
    bool motorolaOrder = false; // byte order of the EXIF block
    bool isTiff = false; // the buffer is a TIFF window
    std::string_view cameraMake; // value text of Make, at most 32 characters
    std::string_view cameraModel; // value text of Model, at most 40 characters
    std::string_view exifVersion; // first bytes of ExifVersion, empty when not met yet
    const ExifTextOptions &textOptions; // decimal separator for patterns
};

// Where a decoder leaves its results.
struct MakerNoteOutput
{
    // Found tags go through info.AddTagToArray with TID 1 (Tag 0 is never
    // stored); they land in walk order right before the MakerNote entry itself.
    TImageInfo &info;
    std::string &msTraceStr; // one CR LF + "name = text" line per entry
    std::string &msName; // maker name, when the decoder has one
    // The reading TimgData's ErrStr. A failure inside the note sets it to
    // "Error Detected = " + message; the EXIF walk goes on regardless.
    std::string &ErrStr;
};

// Decodes camera makers' private notes into further found tags. One decoder
// serves any number of notes and keeps no state between them; decode must not
// throw (the walk still catches anything it throws and reports it in ErrStr).
class MakerNoteDecoder
{
public:
    virtual ~MakerNoteDecoder() = default;

    // Returns whether the maker was recognised; the walk keeps it in msAvailable.
    virtual bool decode(const MakerNoteInput &note, MakerNoteOutput &out) const = 0;
};

// The decoder a new TimgData starts with: the makers of maker_decoder.h.
std::shared_ptr<const MakerNoteDecoder> defaultMakerNoteDecoder();

} // namespace kelvra
