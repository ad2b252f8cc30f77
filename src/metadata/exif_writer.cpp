// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_writer.h"

#include "metadata/exif_reader.h"
#include "metadata/tiff_view.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace kelvra {

namespace {

// "JFIF\0", version, density unit, horizontal and vertical density.
constexpr size_t kJfifFields = 12;

void putSegment(std::string &out, const tSection &section, int marker)
{
    out += '\xFF';
    out += static_cast<char>(marker);
    out += section.data;
}

bool isIccChunk(const tSection &section)
{
    static constexpr std::string_view kIccId { "ICC_PROFILE\0", 12 };
    return section.dtype == 0xE2 && std::string_view(section.data).substr(2, kIccId.size()) == kIccId;
}

void setLength(tSection &section)
{
    section.size = static_cast<int>(section.data.size());
    section.data[0] = static_cast<char>((section.size >> 8) & 0xFF);
    section.data[1] = static_cast<char>(section.size & 0xFF);
}

// The slot a Make operation fills: the existing one, or a new last one.
tSection *segmentSlot(TimgData &data, tSection *TimgData::*reference)
{
    if (data.*reference)
        return data.*reference;
    data.*reference = &data.sections.emplace_back();
    data.SectionCnt = static_cast<int>(data.sections.size());
    return data.*reference;
}

void makeSegment(TimgData &data, tSection *TimgData::*reference, int marker, std::string_view buff)
{
    // A segment's length field has 16 bits; a larger record cannot be carried.
    if (buff.size() > 0xFFFF - 2)
        return;
    tSection *slot = segmentSlot(data, reference);
    slot->data.assign(2, '\0');
    slot->data.append(buff);
    slot->dtype = marker;
    setLength(*slot);
}

// One past the last byte used by the directory at offset, its values and
// the EXIF, GPS and interoperability directories below it. The next-
// directory link is not followed: from IFD0 it leads to the thumbnail.
int64_t directoriesEnd(const TiffView &tiff, int64_t offset, std::vector<int64_t> &visited)
{
    const std::optional<uint32_t> count = tiff.get(offset, 2);
    if (!count || visited.size() > 16 || std::find(visited.begin(), visited.end(), offset) != visited.end())
        return 0;
    visited.push_back(offset);
    int64_t end = TiffView::entryAt(offset, *count) + 4;
    for (int64_t i = 0; i < *count; ++i) {
        const int64_t entry = TiffView::entryAt(offset, i);
        const std::optional<uint32_t> tag = tiff.get(entry, 2);
        const std::optional<uint32_t> type = tiff.get(entry + 2, 2);
        const std::optional<uint32_t> components = tiff.get(entry + 4, 4);
        static constexpr int kTypeSize[] = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8 };
        if (!tag || !type || *type < 1 || *type > 12 || !components)
            continue;
        const int64_t size = int64_t(*components) * kTypeSize[*type];
        const std::optional<uint32_t> field = tiff.get(entry + 8, 4);
        if (size > 4 && field)
            end = std::max(end, int64_t(*field) + size);
        if ((tag == kTagExifOffset || tag == kTagGpsInfo || tag == kTagInteroperabilityOffset) && field > 0u)
            end = std::max(end, directoriesEnd(tiff, *field, visited));
    }
    return end;
}

bool isJfif(const tSection &section)
{
    static constexpr std::string_view kJfifId { "JFIF\0", 5 };
    return section.dtype == 0xE0 && section.data.size() >= 2 + kJfifFields
        && std::string_view(section.data).substr(2, kJfifId.size()) == kJfifId;
}

// The source's JFIF header without its thumbnail, which shows the photo
// without its label.
void putJfif(std::string &out, const tSection &jfif)
{
    out += "\xFF\xE0";
    out += '\0';
    out += static_cast<char>(2 + kJfifFields + 2);
    out.append(jfif.data, 2, kJfifFields);
    out.append(2, '\0');
}

// Whether IFD0 of an EXIF block states a resolution of its own.
bool exifStatesResolution(const tSection &exif)
{
    if (exif.data.size() < 10 || exif.data.compare(2, 5, std::string_view("Exif\0", 5)) != 0)
        return false;
    const TiffView tiff = TiffView::ofExifSegment(exif.data);
    const std::optional<uint32_t> ifd0 = tiff.get(4, 4);
    if (!ifd0)
        return false;
    for (uint16_t tag : { kTagXResolution, kTagYResolution, kTagResolutionUnit }) {
        if (tiff.findEntry(*ifd0, tag))
            return true;
    }
    return false;
}

} // namespace

const tSection *jfifSegment(const TimgData &data)
{
    for (const tSection &section : data.sections) {
        if (isJfif(section))
            return &section;
    }
    return nullptr;
}

int64_t SaveExif(const TimgData &data, std::string &out)
{
    out += "\xFF\xD8";
    const size_t start = out.size();
    // A scan's print size lives in its JFIF header; where the EXIF block
    // states one, that one stands alone, as it always has. JFIF comes first.
    const tSection *jfif = jfifSegment(data);
    if (data.ExifSegment) {
        if (jfif && !exifStatesResolution(*data.ExifSegment))
            putJfif(out, *jfif);
        putSegment(out, *data.ExifSegment, 0xE1);
    } else if (jfif) {
        putJfif(out, *jfif);
    } else if (data.HeaderSegment) {
        putSegment(out, *data.HeaderSegment, 0xE0);
    } else {
        out += kDefaultJfifHeader;
    }
    // XMP describes the photo, not its encoding, so it holds for the new
    // image as it did for the old; the multi-picture index (APP2 "MPF") and
    // Adobe's colour-transform marker (APP14) describe the old file's bytes
    // and are never carried.
    for (const tSection &xmp : data.xmpSegments)
        putSegment(out, xmp, 0xE1);
    if (data.IPTCSegment)
        putSegment(out, *data.IPTCSegment, 0xED);
    if (data.CommentSegment)
        putSegment(out, *data.CommentSegment, 0xFE);
    for (int i = 0; i < data.SectionCnt && !data.TiffFmt; ++i) {
        const tSection &section = data.sections[static_cast<size_t>(i)];
        if (isIccChunk(section))
            putSegment(out, section, 0xE2);
    }
    return static_cast<int64_t>(out.size() - start);
}

size_t encodedImageStart(std::string_view jpeg)
{
    size_t p = 2;
    for (int marker : { 0xE0, 0xE1, 0xED, 0xFE }) {
        if (p + 4 > jpeg.size() || static_cast<unsigned char>(jpeg[p + 1]) != marker)
            continue;
        p += 2 + (static_cast<size_t>(static_cast<unsigned char>(jpeg[p + 2])) << 8)
            + static_cast<unsigned char>(jpeg[p + 3]);
    }
    return std::min(p, jpeg.size());
}

std::string ComposeExifJpeg(const TimgData &data, std::string_view encodedJpeg)
{
    std::string out;
    ComposeExifJpeg(data, encodedJpeg, out);
    return out;
}

void ComposeExifJpeg(const TimgData &data, std::string_view encodedJpeg, std::string &out)
{
    out.clear();
    out.reserve(encodedJpeg.size() + (data.ExifSegment ? data.ExifSegment->data.size() : 0) + 1024);
    SaveExif(data, out);
    out.append(encodedJpeg.substr(encodedImageStart(encodedJpeg)));
}

bool WriteEXIFJpeg(const TimgData &data, std::string_view encodedJpeg, const std::filesystem::path &fname,
    const FileWriter &write, std::string *error)
{
    return write(fname, ComposeExifJpeg(data, encodedJpeg), error);
}

bool WriteEXIFJpeg(
    const TimgData &data, const std::filesystem::path &fname, const FileWriter &write, std::string *error)
{
    std::ifstream in(data.Filename, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + data.Filename.string();
        return false;
    }
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return WriteEXIFJpeg(data, image, fname, write, error);
}

void removeThumbnail(TimgData &data)
{
    if (!data.ExifSegment || !data.ExifObj)
        return;
    tSection &exif = *data.ExifSegment;
    const int64_t thumbStart = data.ExifObj->ThumbStart;
    if (thumbStart <= 0 || 8 + thumbStart > static_cast<int64_t>(exif.data.size()))
        return;

    // Cameras may store the interoperability directory or the maker note
    // after the thumbnail's directory; cutting there would lose them. Then
    // only the thumbnail's picture is cut, when it lies after all of them.
    const TiffView tiff = TiffView::ofExifSegment(exif.data);
    const std::optional<uint32_t> ifd0 = tiff.get(4, 4);
    std::vector<int64_t> visited;
    const int64_t kept = ifd0 ? directoriesEnd(tiff, *ifd0, visited) : 0;
    int64_t cut = thumbStart;
    if (kept > thumbStart) {
        const std::optional<int64_t> entry = tiff.findEntry(thumbStart, kTagJpegInterchangeFormat);
        const std::optional<uint32_t> picture = entry ? tiff.get(*entry + 8, 4) : std::nullopt;
        if (!picture || *picture < kept)
            return;
        cut = *picture;
    }
    if (8 + cut > static_cast<int64_t>(exif.data.size()))
        return;

    // Clear the main directory's link when it is the one pointing at IFD1.
    const std::optional<int64_t> link = ifd0 ? tiff.nextLinkAt(*ifd0) : std::nullopt;
    if (link && *link + 4 <= cut && tiff.get(*link, 4) == thumbStart) {
        for (int i = 0; i < 4; ++i)
            exif.data[static_cast<size_t>(8 + *link + i)] = '\0';
    }

    exif.data.resize(static_cast<size_t>(8 + cut));
    setLength(exif);
    data.ExifObj->ThumbLength = 0;
}

bool MakeExifDates(TimgData &data, const ExifDateStamp &stamp)
{
    std::optional<std::string> segment
        = data.ExifSegment ? withExifDates(data.ExifSegment->data, stamp) : minimalExifSegment(stamp);
    if (!segment || segment->empty())
        return false;
    tSection *slot = segmentSlot(data, &TimgData::ExifSegment);
    slot->data = std::move(*segment);
    slot->dtype = 0xE1;
    slot->size = static_cast<int>(slot->data.size());
    return true;
}

std::optional<std::string> withExifSegment(std::string_view jpeg, std::string_view segment, bool replaceOnly)
{
    const auto byte = [&jpeg](size_t at) { return static_cast<unsigned char>(jpeg[at]); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return std::nullopt;
    size_t insertAt = 2, replaceEnd = 2;
    for (size_t p = 2;;) {
        if (p + 4 > jpeg.size() || byte(p) != 0xFF)
            return std::nullopt;
        const unsigned marker = byte(p + 1);
        // Only the application and comment segments before the image data can hold EXIF.
        if (marker < 0xE0 || marker == 0xFF)
            break;
        const size_t length = (size_t(byte(p + 2)) << 8) | byte(p + 3);
        if (length < 2 || p + 2 + length > jpeg.size())
            return std::nullopt;
        const bool isExif = marker == 0xE1 && length >= 8 && jpeg.substr(p + 4, 6) == std::string_view("Exif\0\0", 6);
        if (isExif) {
            insertAt = p;
            replaceEnd = p + 2 + length;
            replaceOnly = false;
            break;
        }
        if (marker == 0xE0 && p == 2)
            insertAt = replaceEnd = p + 2 + length;
        p += 2 + length;
    }
    if (replaceOnly)
        return std::nullopt;
    std::string out;
    out.reserve(jpeg.size() + segment.size() + 2);
    out.append(jpeg.substr(0, insertAt));
    out += "\xFF\xE1";
    out.append(segment);
    out.append(jpeg.substr(replaceEnd));
    return out;
}

namespace {

// Where IFD1's picture lies in the TIFF data, and its two entries.
struct ThumbnailPlace
{
    int64_t offsetEntry = -1, lengthEntry = -1;
    int64_t picture = 0, length = 0;
};

bool thumbnailPlace(const TimgData &data, ThumbnailPlace &place)
{
    if (!data.ExifSegment || !data.ExifObj || data.ExifObj->ThumbStart <= 0)
        return false;
    const std::string &exif = data.ExifSegment->data;
    const TiffView tiff = TiffView::ofExifSegment(exif);
    const int64_t ifd1 = data.ExifObj->ThumbStart;
    const std::optional<int64_t> offsetEntry = tiff.findEntry(ifd1, kTagJpegInterchangeFormat);
    const std::optional<int64_t> lengthEntry = tiff.findEntry(ifd1, kTagJpegInterchangeFormatLength);
    if (!offsetEntry || !lengthEntry)
        return false;
    place.offsetEntry = *offsetEntry;
    place.lengthEntry = *lengthEntry;
    place.picture = tiff.get(place.offsetEntry + 8, 4).value_or(0);
    place.length = tiff.get(place.lengthEntry + 8, 4).value_or(0);
    return place.picture > 0 && place.length > 0 && 8 + place.picture + place.length <= int64_t(exif.size());
}

} // namespace

std::string_view exifThumbnail(const TimgData &data)
{
    ThumbnailPlace place;
    if (!thumbnailPlace(data, place))
        return {};
    return std::string_view(data.ExifSegment->data).substr(size_t(8 + place.picture), size_t(place.length));
}

bool replaceThumbnail(TimgData &data, std::string_view jpeg)
{
    ThumbnailPlace place;
    if (jpeg.empty() || !thumbnailPlace(data, place))
        return false;
    std::string exif = data.ExifSegment->data;
    const int64_t end = int64_t(exif.size()) - 8;
    int64_t at = place.picture;
    if (place.picture + place.length != end) {
        // Something follows the old picture: it stays where it is, and the
        // unstamped picture does not.
        std::fill(exif.begin() + 8 + place.picture, exif.begin() + 8 + place.picture + place.length, '\0');
        at = end;
    }
    if (8 + at + int64_t(jpeg.size()) > 0xFFFF)
        return false;
    exif.resize(size_t(8 + at));
    exif.append(jpeg);
    const bool motorola = TiffView::ofExifSegment(exif).motorola();
    putTiffNumber(exif, size_t(8 + place.offsetEntry + 8), uint32_t(at), 4, motorola);
    putTiffNumber(exif, size_t(8 + place.lengthEntry + 8), uint32_t(jpeg.size()), 4, motorola);
    data.ExifSegment->data = std::move(exif);
    setLength(*data.ExifSegment);
    data.ExifObj->ThumbLength = data.ExifSegment->size + 3 - data.ExifObj->ThumbStart;
    return true;
}

void MakeIPTCSegment(TimgData &data, std::string_view buff)
{
    makeSegment(data, &TimgData::IPTCSegment, 0xED, buff);
}

void MakeCommentSegment(TimgData &data, std::string_view buff)
{
    makeSegment(data, &TimgData::CommentSegment, 0xFE, buff);
}

std::string GetCommentSegment(const TimgData &data)
{
    return data.CommentSegment ? data.CommentSegment->data : std::string();
}

} // namespace kelvra
