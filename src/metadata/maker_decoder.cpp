// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/maker_decoder.h"

#include "metadata/endian_reader.h"
#include "metadata/exif_info.h"
#include "metadata/maker_canon.h"

#include <algorithm>

namespace kelvra {

namespace {

int32_t wrap32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string upperPrefix(std::string_view text, size_t length)
{
    std::string out(text.substr(0, length));
    for (char &c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string_view noteBytes(const MakerNoteInput &note)
{
    const auto size = static_cast<int64_t>(note.exifData.size());
    if (note.noteOffset < 0 || note.noteOffset >= size || note.noteLength <= 0)
        return {};
    const int64_t length = std::min(note.noteLength, size - note.noteOffset);
    return std::string_view(note.exifData).substr(static_cast<size_t>(note.noteOffset), static_cast<size_t>(length));
}

// Model values such as "NIKON D70": the character after the first blank.
bool modelNamesDSeries(std::string_view model)
{
    const size_t blank = model.find(' ');
    return blank != std::string_view::npos && blank + 1 < model.size() && model[blank + 1] == 'D';
}

// The found-tag list holds no tag without a number; the same rule as for the
// standard directories.
void storeMakerTag(TImageInfo &info, const TTagEntry &tag)
{
    if (tag.Tag == 0 || (info.BuildList != 4 && info.BuildList != 255))
        return;
    info.AddTagToArray(tag);
}

std::string quoted(std::string_view bytes)
{
    return '"' + std::string(bytes) + '"';
}

} // namespace

std::optional<MakerLayout> chooseMakerLayout(const MakerNoteInput &note)
{
    const std::string maker = upperPrefix(note.cameraMake, 5);
    const std::string_view bytes = noteBytes(note);
    const auto noteBegins = [&](std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; };

    if (maker == "NIKON") {
        if (note.exifVersion > std::string_view("0210")
            || (note.exifVersion.empty() && modelNamesDSeries(note.cameraModel) && note.isTiff))
            return MakerLayout { MakerTableId::NikonSecond, 18, OffsetReference::NoteHeader, false, 10 };
        if (!noteBegins("Nikon"))
            return MakerLayout { MakerTableId::NikonSecond, 0, OffsetReference::ExifHeader };
        return MakerLayout { MakerTableId::NikonFirst, 8, OffsetReference::ExifHeader };
    }
    if (maker == "OLYMP") {
        // Newer cameras: "OLYMPUS\0", a byte-order mark, then the directory,
        // its offsets counting from the note's first byte.
        if (noteBegins(std::string_view("OLYMPUS\0II", 10)) || noteBegins(std::string_view("OLYMPUS\0MM", 10)))
            return MakerLayout { MakerTableId::Olympus, 12, OffsetReference::NoteStart, false, 8 };
        return MakerLayout { MakerTableId::Olympus, 8, OffsetReference::ExifHeader };
    }
    if (maker == "CASIO") {
        if (noteBegins("QVC"))
            return MakerLayout { MakerTableId::CasioSecond, 6, OffsetReference::ExifHeader };
        return MakerLayout { MakerTableId::CasioFirst, 0, OffsetReference::ExifHeader };
    }
    if (maker == "FUJIF")
        return MakerLayout { MakerTableId::Fujifilm, 12, OffsetReference::NoteStart, true };
    if (maker == "CANON")
        return MakerLayout { MakerTableId::Canon, 0, OffsetReference::ExifHeader };
    if (maker == "SEIKO")
        return MakerLayout { MakerTableId::SeikoEpson, 8, OffsetReference::ExifHeader };
    if (maker == "SANYO")
        return MakerLayout { MakerTableId::Sanyo, 8, OffsetReference::ExifHeader };
    if (maker == "MINOL")
        return MakerLayout { MakerTableId::Minolta, 0, OffsetReference::ExifHeader };
    return std::nullopt;
}

void ProcessHWSpecific(const MakerNoteInput &note, const MakerDirectory &dir, MakerNoteOutput &out)
{
    // The note gets a reader of its own: its byte order may differ from the
    // EXIF block's, which stays untouched for the rest of the walk.
    tEndInd reader;
    reader.llData = std::string(noteBytes(note));
    reader.MotorolaOrder = dir.motorolaOrder;
    const std::string_view exif = note.exifData;
    const auto exifSize = static_cast<int64_t>(exif.size());
    const auto noteSize = static_cast<int64_t>(reader.llData.size());
    TImageInfo &info = out.info;

    const int64_t c = dir.ifdPosition;
    if (!reader.contains(c, 2))
        throw MakerNoteError("maker note entry count outside the note");
    const int n = reader.Get16u(c);
    // Bytes read as a directory they are not announce far more entries than
    // the note holds, or formats no camera writes; listing them would give
    // rows of "Unknown" with noise for values.
    int present = 0;
    int unknownFormats = 0;
    for (; present < n && reader.contains(c + 2 + 12 * static_cast<int64_t>(present), 12); ++present) {
        if (bytesPerComponent(reader.Get16u(c + 2 + 12 * static_cast<int64_t>(present) + 2)) == 0)
            ++unknownFormats;
    }
    if (n > 2 * present + 2 || unknownFormats * 4 > present)
        throw MakerNoteError("maker note not in the layout of its maker");
    int64_t copied = 0;
    for (int i = 0; i < n; ++i) {
        const int64_t e = c + 2 + 12 * static_cast<int64_t>(i);
        if (!reader.contains(e, 12))
            throw MakerNoteError("maker note entry " + std::to_string(i) + " outside the note");
        const uint16_t tag = reader.Get16u(e);
        const uint16_t fmt = reader.Get16u(e + 2);
        const uint64_t declared = uint64_t { reader.Get32u(e + 4) } * static_cast<uint64_t>(bytesPerComponent(fmt));
        if (declared == 0)
            continue;
        const TTagEntry *row = findMakerRow(dir.table, tag);
        if (row && isSkipRow(*row))
            continue;
        const int64_t v = declared <= 4 ? e + 8 : dir.valueBase + reader.Get32u(e + 8);

        // A note position is an EXIF block position shifted by the note's own.
        const int64_t at = note.noteOffset + v;
        const int64_t end = dir.valuesInExifBlock ? exifSize : note.noteOffset + noteSize;
        const int64_t begin = dir.valuesInExifBlock ? 0 : note.noteOffset;
        std::string raw;
        if (at >= begin && at < end) {
            const auto length = static_cast<size_t>(std::min<uint64_t>(declared, static_cast<uint64_t>(end - at)));
            raw = exif.substr(static_cast<size_t>(at), length);
        }
        copied += static_cast<int64_t>(raw.size());
        if (copied > kMaxMakerValueBytes)
            throw MakerNoteError("maker note values too large");

        std::string text;
        if (fmt == 2)
            text = quoted(std::string_view(raw).substr(0, raw.find('\0')));
        else if (fmt == 7)
            text = quoted(raw);
        else
            text = FormatNumber(raw, fmt, row ? std::string_view(row->Code) : std::string_view(), {}, dir.motorolaOrder,
                info.textOptions());
        std::string shown = row && row->CallBack ? row->CallBack(info, text) : printable(text);
        out.msTraceStr += "\r\n" + (row ? row->Desc : std::string("Unknown")) + " = " + shown;

        if (row) {
            TTagEntry found = *row;
            found.Data = isCanonFieldDecoder(row->CallBack) ? std::move(text) : std::move(shown);
            found.Raw = std::move(raw);
            found.Size = static_cast<int32_t>(found.Raw.size());
            found.PRaw = wrap32(at);
            found.TType = fmt;
            found.TID = 1;
            storeMakerTag(info, found);
        }
    }
}

void AddMSTag(TImageInfo &info, std::string_view name, std::string_view value, uint16_t format)
{
    TTagEntry tag;
    tag.Name = name;
    tag.Desc = name;
    tag.Data = value;
    tag.Raw = value;
    tag.Size = static_cast<int32_t>(value.size());
    tag.TType = format;
    tag.TID = 1;
    storeMakerTag(info, tag);
}

TmsInfo::TmsInfo(bool isTiffFile, TImageInfo &parent)
    : isTiff(isTiffFile)
    , IMGparent(parent)
    , makerOffset(parent.MakerOffset)
{
}

bool TmsInfo::ReadMSData(const MakerNoteInput &note, MakerNoteOutput &out)
{
    const std::optional<MakerLayout> layout = chooseMakerLayout(note);
    if (!layout)
        return false;
    gblUCMaker = std::string(note.cameraMake);
    out.msName = gblUCMaker;

    MakerDirectory dir;
    dir.table = makerTagTable(layout->table);
    dir.ifdPosition = layout->countPosition;
    switch (layout->reference) {
    case OffsetReference::ExifHeader:
        dir.valueBase = note.offsetBase - note.noteOffset;
        break;
    case OffsetReference::NoteHeader:
        dir.valueBase = 10;
        break;
    case OffsetReference::NoteStart:
        dir.valueBase = 0;
        break;
    }
    dir.motorolaOrder = layout->littleEndian ? false : note.motorolaOrder;
    const std::string_view bytes = noteBytes(note);
    if (layout->orderMarkPosition >= 0 && bytes.size() >= static_cast<size_t>(layout->orderMarkPosition) + 2) {
        const std::string_view mark = bytes.substr(static_cast<size_t>(layout->orderMarkPosition), 2);
        if (mark == "II" || mark == "MM")
            dir.motorolaOrder = mark == "MM";
    }
    dir.valuesInExifBlock = layout->reference == OffsetReference::ExifHeader;
    try {
        ProcessHWSpecific(note, dir, out);
    } catch (const std::exception &e) {
        out.ErrStr = std::string("Error Detected = ") + e.what();
    }
    return true;
}

namespace {

class KnownMakersDecoder final : public MakerNoteDecoder
{
public:
    bool decode(const MakerNoteInput &note, MakerNoteOutput &out) const override
    {
        TmsInfo msInfo(note.isTiff, out.info);
        return msInfo.ReadMSData(note, out);
    }
};

} // namespace

std::shared_ptr<const MakerNoteDecoder> makerNotesDecoder()
{
    static const std::shared_ptr<const MakerNoteDecoder> decoder = std::make_shared<const KnownMakersDecoder>();
    return decoder;
}

} // namespace kelvra
