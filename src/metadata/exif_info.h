// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/endian_reader.h"
#include "metadata/exif_date.h"
#include "metadata/exif_tags.h"
#include "metadata/exif_values.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvra {

class TimgData;
class MakerNoteDecoder;

// The decoded form of one EXIF block: the found tags in walk order with their
// value texts, and the facts other layers read directly (DateTime, Width, ...).
// Created and owned by a TimgData; shares its buffer and byte order.
class TImageInfo : public tEndInd
{
public:
    // Directory kinds of ProcessExifDir.
    enum DirKind { MainDir = 1, GpsDir = 2, ThumbDir = 4 };

    TImageInfo(TimgData *parent, int buildCode, ExifTextOptions options = {},
        std::shared_ptr<const MakerNoteDecoder> makerNotes = nullptr);
    virtual ~TImageInfo();
    TImageInfo(const TImageInfo &) = delete;
    TImageInfo &operator=(const TImageInfo &) = delete;

    std::vector<TTagEntry> FITagArray; // found tags, in walk order
    int FITagCount = 0;
    int MaxTag = 0;
    TimgData *parent = nullptr;
    std::string exifVersion; // at most 6 bytes
    std::string CameraMake; // at most 32 characters
    std::string CameraModel; // at most 40 characters
    std::string DateTime; // at most 20 characters: DateTime or DateTimeOriginal, the last met
    int32_t Height = 0, Width = 0;
    int32_t HPosn = 0, WPosn = 0;
    int32_t FlashUsed = 0;
    int BuildList = 255;
    std::string MakerNote;
    bool TiffFmt = false;
    std::string Comments;
    int32_t CommentPosn = 0, CommentSize = 0;
    int32_t dt_oset = 0, dt_orig_oset = 0, dt_digi_oset = 0;
    std::string ThumbTrace;
    int32_t ThumbStart = 0; // TIFF offset of IFD1
    int32_t ThumbLength = 0; // APP1 length field + 3 - ThumbStart
    int32_t ThumbType = 0;
    std::vector<TTagEntry> FIThumbArray;
    int FIThumbCount = 0;
    int MaxThumbTag = 0;
    int TraceLevel = 0;
    std::string TraceStr;
    std::string msTraceStr;
    bool msAvailable = false;
    std::string msName;
    int32_t MakerOffset = 0;
    int iterator = 0;
    int iterThumb = 0;

    // First found tag whose Name equals name, ignoring case; -1 when none.
    virtual int LookupTag(std::string_view name) const;
    // Its value text; empty when none.
    virtual std::string LookupTagVal(std::string_view name) const;

    double GetRawFloat(std::string_view name) const; // 0 when none
    int32_t GetRawInt(std::string_view name) const; // rounded, ties to even; 0 when none
    // The value text as an integer, -1 when the tag is absent. Throws
    // ExifValueError when the text is not an integer.
    int32_t LookupTagInt(std::string_view name) const;
    TTagEntry GetTagByName(std::string_view name) const; // all-empty record (Tag 0) when none

    // Step through the found (thumbnail) tags whose TID equals tid; false at the end.
    bool IterateFoundTags(int tid, TTagEntry &entry);
    void ResetIterator() { iterator = 0; }
    bool IterateFoundThumbTags(int tid, TTagEntry &entry);
    void ResetThumbIterator() { iterThumb = 0; }

    int AddTagToArray(const TTagEntry &entry); // index of the new tag
    int AddTagToThumbArray(const TTagEntry &entry); // index of the new tag

    bool HasThumbnail() const { return ThumbStart > 21 && ThumbLength > 256; }

    // Walks the directory at buffer position start; TIFF offsets in it are
    // relative to buffer position offsetBase. Throws ExifValueError when an
    // entry of this directory cannot be decoded; errors inside sub-directories
    // end only those.
    void ProcessExifDir(int64_t start, int64_t offsetBase, int kind);
    // Walks IFD1 into the thumbnail list (nothing in the program needs it); never throws.
    void ProcessThumbnail();
    // Appends the computed FocalLengthin35mmFilm tag when the file lacks one.
    void Calc35Equiv();

    std::string FormatNumber(std::string_view raw, int fmt, std::string_view valueList, std::string_view pattern) const;
    double GetNumber(std::string_view raw, int fmt) const;
    int32_t CvtInt(std::string_view bytes) const;

    // Dates, read from and written into the EXIF segment data in place.
    TDateTime ExtrDateTime(int64_t p) const;
    TDateTime GetImgDateTime() const;
    void SetDateTimeStr(int64_t p, TDateTime t);
    void AdjDateTime(double days, double hours, double minutes, double seconds);
    void OverwriteDateTime(TDateTime t);

    const ExifTextOptions &textOptions() const { return m_options; }

    // Limits of one walk against crafted files; real photos stay far below.
    static constexpr int kMaxDirectoryDepth = 8;
    static constexpr int kMaxDirectories = 64;
    static constexpr int kMaxEntries = 8192;
    static constexpr int64_t kMaxRawBytes = 1024 * 1024; // four TIFF windows

private:
    // One directory entry as read: its value's position and bytes, cut to the buffer.
    struct Entry
    {
        uint16_t tag = 0;
        uint16_t fmt = 0;
        int64_t bytes = 0; // the declared size, at most the buffer's
        int64_t position = 0; // of the value: in the entry, or offsetBase + its offset field
        std::string raw;
    };

    void processEntry(int64_t e, int64_t offsetBase, int kind);
    bool readEntry(int64_t e, int64_t offsetBase, Entry &entry);
    const TTagEntry &definitionFor(uint16_t tag, int kind) const;
    std::string entryText(const Entry &entry, const TTagEntry &definition, int kind);
    void takeWalkFacts(const Entry &entry, const std::string &text, int64_t e, int64_t offsetBase, int kind);
    void storeFoundTag(const TTagEntry &definition, Entry &entry, std::string text, int kind);
    void walkSubDirectory(int64_t start, int64_t offsetBase, int kind);
    void runMakerNoteDecoder(int64_t noteLength);
    void setIllegalDirectory();
    std::string &segmentData();
    const std::string &segmentData() const;

    ExifTextOptions m_options;
    std::shared_ptr<const MakerNoteDecoder> m_makerNotes;
    std::set<std::pair<int64_t, int64_t>> m_visited; // (offset base, directory start)
    int m_depth = 0;
    int m_directories = 0;
    int m_entries = 0;
    int64_t m_rawBytes = 0;
    int64_t m_currentOffsetBase = 8;
};

} // namespace kelvra
