// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/byte_source.h"
#include "metadata/endian_reader.h"
#include "metadata/exif_date.h"
#include "metadata/exif_info.h"
#include "metadata/exif_values.h"
#include "metadata/photo_containers.h"
#include "metadata/photo_kind.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kelvra {

class MakerNoteDecoder;
class TimgData;

// One stored segment: data holds every byte after the two marker bytes, the
// two big-endian length bytes first, so data.size() == size.
struct tSection
{
    std::string data;
    int dtype = 0; // the marker code: 0xE0 APP0, 0xE1 APP1, 0xED APP13, 0xFE COM, ...
    int size = 0; // the segment's length field
};

// The IPTC record: kept as raw segment bytes, never parsed.
class TIPTCdata
{
public:
    explicit TIPTCdata(TimgData *parentData)
        : parent(parentData)
    {
    }
    TimgData *parent;
};

// Heif, Png and Webp hold their blocks in boxes or chunks of their own; they
// are read from the whole file and kept as the JPEG road keeps them.
enum class ContainerKind { Unknown, Jpeg, Tiff, Heif, Png, Webp };

// An APP1 segment holding XMP: the packet ("http://ns.adobe.com/xap/1.0/") or
// a piece of extended XMP ("http://ns.adobe.com/xmp/extension/").
bool isXmpSegment(const tSection &section);

// By extension only, any case: .jpg .jpeg .jpe .jif .jfif read as JPEG, .tif .tiff .nef as
// TIFF; the content is never sniffed for these names. Other names are read by
// their content (HEIF, PNG, WebP, or a JPEG or TIFF under another name).
ContainerKind containerKindForFileName(const std::filesystem::path &fileName);

// The metadata of one photo file: the JPEG segments before the image data (or
// the TIFF window) and the decoded EXIF block. Reading never throws; it returns
// a boolean and leaves a status text in ErrStr:
//   ""                          the file does not exist
//   "Not an EXIF file"          wrong extension or content, no metadata segment
//                               among the first four, a length field below 2, or
//                               a main-directory value that cannot be decoded
//   "Illegal Exif construction" the file cannot be opened
//   "<none>"                    success
// One object serves one file at a time; every read starts with reset().
class TimgData : public tEndInd
{
public:
    static constexpr size_t kTiffWindow = 256000;

    explicit TimgData(int buildCode = 255, ExifTextOptions options = {});
    ~TimgData();
    TimgData(const TimgData &) = delete;
    TimgData &operator=(const TimgData &) = delete;

    // Slots count from 1: slot k is sections[k - 1]. Every segment before the
    // image data takes a slot but the APP1 segments the walk drops, however
    // many there are, since what is carried may stand behind any number of
    // others; the input's size bounds them. A deque keeps the segment
    // references below valid while it grows.
    std::deque<tSection> sections;
    bool TiffFmt = false;
    int BuildList = 255;
    int SectionCnt = 0; // sections.size()
    tSection *ExifSegment = nullptr;
    tSection *IPTCSegment = nullptr;
    tSection *CommentSegment = nullptr;
    tSection *HeaderSegment = nullptr;
    std::filesystem::path Filename;
    int32_t FileSize = 0;
    std::string ErrStr;
    std::unique_ptr<TImageInfo> ExifObj;
    std::unique_ptr<TIPTCdata> IptcObj;
    int TraceLevel = 0;
    // Copies of the XMP segments before the image data, in file order, but for
    // one taken as ExifSegment. The section table drops a second APP1 and
    // an APP1 after the fifth slot; these are kept past both, so the writer
    // can carry keywords and ratings wherever a photo manager put them.
    std::vector<tSection> xmpSegments;
    // Kept XMP bytes at most, against crafted files; real extended XMP stays far below.
    static constexpr size_t kMaxXmpBytes = 16 * 1024 * 1024;

    // What the file held, by the road it was read on; None before a read.
    PhotoKind photoKind = PhotoKind::None;
    // HEIF: the decoder turns the primary image by boxes of its own, so the
    // EXIF Orientation is history, not a task (exifOrientation() says 1).
    bool containerTurned = false;
    // Largest HEIF, PNG or WebP file read whole for its metadata.
    static constexpr uint64_t kMaxContainerFile = uint64_t(1) << 30;

    void reset();

    // The entry point for reading a file; true when it held at least one
    // metadata segment (JPEG) or a valid TIFF byte-order mark.
    bool ProcessFile(const std::filesystem::path &FileName);
    // The same reading from any byte source, for data already in memory. No
    // file information is filled.
    bool ProcessStream(ByteSource &source, ContainerKind kind);

    void SetFileInfo(const std::filesystem::path &fname);
    bool ReadJpegFile(const std::filesystem::path &FileName);
    bool ReadJpegSections(ByteSource &stream);
    bool ReadTiffFile(const std::filesystem::path &FileName);
    bool ReadTiffSections(ByteSource &stream);
    // A HEIF, PNG or WebP file's blocks, from its whole bytes: the EXIF block
    // becomes an APP1 section as a JPEG's would be, the XMP packet an XMP
    // segment, the ICC profile APP2 chunks, so that every reader and the
    // writer of this class take them as from a JPEG.
    bool ReadContainerBytes(std::string_view bytes, ContainerKind kind);
    // Takes blocks found elsewhere (a TIFF file's, rebuilt for a JPEG) as
    // ReadContainerBytes takes a file's; the section table starts afresh.
    bool adoptContainerMetadata(const ContainerMetadata &found, PhotoKind kind);
    // Validates the APP1 block in llData and walks its directories. Throws
    // ExifValueError when a main-directory value cannot be decoded.
    void ProcessEXIF();

    bool HasMetaData() const { return ExifSegment || CommentSegment || IPTCSegment; }
    bool HasEXIF() const { return ExifSegment != nullptr; }
    bool HasThumbnail() const { return ExifSegment && ExifObj && ExifObj->HasThumbnail(); }
    // Drops the EXIF block and what was read from it.
    void ClearEXIF()
    {
        ExifSegment = nullptr;
        ExifObj.reset();
    }
    bool HasIPTC() const { return IPTCSegment != nullptr; }
    bool HasComment() const { return CommentSegment != nullptr; }
    // The EXIF Orientation as far as it was read, 1..8. Everything else counts
    // as 1: no EXIF block, no tag, the tag's 0 and values outside 1..8, and a
    // HEIF image that its own boxes turn (containerTurned).
    int exifOrientation() const;
    std::string GetCommentStr() const;

    const ExifTextOptions &textOptions() const { return m_options; }
    // Replaces the decoder of maker notes (defaultMakerNoteDecoder() at first);
    // nullptr records notes without decoding them.
    void setMakerNoteDecoder(std::shared_ptr<const MakerNoteDecoder> decoder);

    // Slot number (1-based) of a segment reference; 0 for none.
    int slotOf(const tSection *segment) const;

private:
    bool readSource(ByteSource &source, ContainerKind kind);
    bool readByContent(const std::filesystem::path &FileName);
    bool readContainerFile(const std::filesystem::path &FileName, ContainerKind kind);
    bool walkJpeg(ByteSource &stream);
    bool readTiffWindow(ByteSource &stream);
    void keepXmp(const tSection &section);
    void collectLaterXmp(ByteSource &stream);
    void createExifObj();

    ExifTextOptions m_options;
    std::shared_ptr<const MakerNoteDecoder> m_makerNotes;
    bool m_openFailed = false;
};

} // namespace kelvra
