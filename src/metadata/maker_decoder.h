// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/exif_values.h"
#include "metadata/maker_note.h"
#include "metadata/maker_tables.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kelvra {

class TImageInfo;
struct TTagEntry;

// A failure inside a maker directory; it ends that directory only.
class MakerNoteError : public ExifValueError
{
public:
    using ExifValueError::ExifValueError;
};

// What value offsets of a maker directory count from.
enum class OffsetReference {
    ExifHeader, // the EXIF block's own TIFF header, like the standard directories
    NoteHeader, // the TIFF header inside the note, at note position 10
    NoteStart, // the first byte of the note
};

// Where a recognised maker keeps its directory and how it is read.
struct MakerLayout
{
    MakerTableId table;
    int64_t countPosition; // note position of the entry count
    OffsetReference reference;
    bool littleEndian = false; // read little-endian whatever the EXIF byte order
    // Note position of the note's own byte-order mark ("II" or "MM"), which
    // rules over the EXIF block's: an editor may rewrite the one and not the
    // other. -1 for notes without one.
    int64_t orderMarkPosition = -1;
};

// The layout for a note, chosen by the first five characters of the Make value
// in upper case and the further tests of each maker; nothing when the maker is
// not one this reader knows.
std::optional<MakerLayout> chooseMakerLayout(const MakerNoteInput &note);

// One maker directory; positions count from the first byte of the note.
struct MakerDirectory
{
    std::span<const TTagEntry> table;
    int64_t ifdPosition = 0; // position of the entry count
    int64_t valueBase = 0; // position of value offset 0; negative when it lies before the note
    bool motorolaOrder = false;
    // Offsets that count from the EXIF header may point anywhere in the EXIF
    // block; others stay inside the note, and a value running past its end is cut.
    bool valuesInExifBlock = true;
};

// Value bytes one maker directory may copy out, against crafted offsets and
// counts; real notes stay far below.
constexpr int64_t kMaxMakerValueBytes = 512 * 1024;

// Decodes one maker directory into out: a trace line per entry that is not
// skipped and a found tag (TID 1) per entry with a row. Entries must lie inside
// the note. Throws MakerNoteError at the first entry outside the note; what was
// decoded before it stays. A directory whose entries are mostly not entries
// (unknown formats: the note was read in a layout it does not have) throws
// before anything is decoded.
void ProcessHWSpecific(const MakerNoteInput &note, const MakerDirectory &dir, MakerNoteOutput &out);

// Offers a tag decoded from a field of a maker value to the found-tag list:
// Name and Desc name, Data and Raw value, TType format, TID 1. Such a tag has
// no number, and the list never holds tag number 0, so it is not stored; the
// field reaches the reader through the maker trace only.
void AddMSTag(TImageInfo &info, std::string_view name, std::string_view value, uint16_t format);

// The decoder of one MakerNote entry.
class TmsInfo
{
public:
    TmsInfo(bool isTiff, TImageInfo &parent);

    // Recognises the maker and decodes the note into the parent; true when the
    // maker was recognised (even when decoding then failed: the failure is in
    // ErrStr as "Error Detected = " and its message).
    bool ReadMSData(const MakerNoteInput &note, MakerNoteOutput &out);

    bool isTiff;
    TImageInfo &IMGparent;
    int32_t makerOffset;
    std::string gblUCMaker; // the Make value once the note is recognised
};

// The decoder of every maker above, for TimgData::setMakerNoteDecoder.
std::shared_ptr<const MakerNoteDecoder> makerNotesDecoder();

} // namespace kelvra
