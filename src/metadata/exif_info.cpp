// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_info.h"

#include "metadata/exif_reader.h"
#include "metadata/maker_note.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelvra {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return true;
}

int32_t wrap32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string traceLine(uint16_t tag, const std::string &desc, const std::string &text, int64_t bytes, int64_t start)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", tag);
    return "\r\ntag[$" + std::string(hex) + "]: " + desc + " = " + text + " [size: " + std::to_string(bytes)
        + "] [start: " + std::to_string(start) + "]";
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return std::string(text);
}

constexpr size_t kDateLength = 19;

// The found-tag list and the thumbnail's are kept alike: a cursor stepping
// through the tags of one TID, and growth in steps of 25.
bool nextWithTid(const std::vector<TTagEntry> &tags, int count, int &cursor, int tid, TTagEntry &entry)
{
    while (cursor >= 0 && cursor < count) {
        const TTagEntry &candidate = tags[static_cast<size_t>(cursor++)];
        if (candidate.TID == tid) {
            entry = candidate;
            return true;
        }
    }
    return false;
}

int appendTag(std::vector<TTagEntry> &tags, int &count, int &capacity, const TTagEntry &entry)
{
    if (count >= capacity - 1) {
        capacity += 25;
        tags.reserve(static_cast<size_t>(capacity));
    }
    tags.push_back(entry);
    count = static_cast<int>(tags.size());
    return count - 1;
}

} // namespace

TImageInfo::TImageInfo(
    TimgData *parentData, int buildCode, ExifTextOptions options, std::shared_ptr<const MakerNoteDecoder> makerNotes)
    : parent(parentData)
    , BuildList(buildCode)
    , m_options(std::move(options))
    , m_makerNotes(std::move(makerNotes))
{
    // The tables are completed on first use; touch them here so that happens at
    // construction, as callers expect.
    (void)mainTagTable();
    (void)gpsTagTable();
}

TImageInfo::~TImageInfo() = default;

int TImageInfo::LookupTag(std::string_view name) const
{
    for (int i = 0; i < FITagCount; ++i) {
        if (sameIgnoringCase(FITagArray[static_cast<size_t>(i)].Name, name))
            return i;
    }
    return -1;
}

std::string TImageInfo::LookupTagVal(std::string_view name) const
{
    const int i = LookupTag(name);
    return i < 0 ? std::string() : FITagArray[static_cast<size_t>(i)].Data;
}

double TImageInfo::GetRawFloat(std::string_view name) const
{
    const int i = LookupTag(name);
    if (i < 0)
        return 0;
    const TTagEntry &tag = FITagArray[static_cast<size_t>(i)];
    return GetNumber(tag.Raw, tag.TType);
}

int32_t TImageInfo::GetRawInt(std::string_view name) const
{
    return wrap32(roundHalfEven(GetRawFloat(name)));
}

int32_t TImageInfo::LookupTagInt(std::string_view name) const
{
    const int i = LookupTag(name);
    if (i < 0)
        return -1;
    const std::string &text = FITagArray[static_cast<size_t>(i)].Data;
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception &) {
        throw ExifValueError("not an integer: " + text);
    }
    if (used != text.size() || text.empty() || static_cast<unsigned char>(text.front()) <= ' ')
        throw ExifValueError("not an integer: " + text);
    return value;
}

TTagEntry TImageInfo::GetTagByName(std::string_view name) const
{
    const int i = LookupTag(name);
    return i < 0 ? TTagEntry {} : FITagArray[static_cast<size_t>(i)];
}

bool TImageInfo::IterateFoundTags(int tid, TTagEntry &entry)
{
    return nextWithTid(FITagArray, FITagCount, iterator, tid, entry);
}

bool TImageInfo::IterateFoundThumbTags(int tid, TTagEntry &entry)
{
    return nextWithTid(FIThumbArray, FIThumbCount, iterThumb, tid, entry);
}

int TImageInfo::AddTagToArray(const TTagEntry &entry)
{
    return appendTag(FITagArray, FITagCount, MaxTag, entry);
}

int TImageInfo::AddTagToThumbArray(const TTagEntry &entry)
{
    return appendTag(FIThumbArray, FIThumbCount, MaxThumbTag, entry);
}

std::string TImageInfo::FormatNumber(
    std::string_view raw, int fmt, std::string_view valueList, std::string_view pattern) const
{
    return kelvra::FormatNumber(raw, fmt, valueList, pattern, MotorolaOrder, m_options);
}

double TImageInfo::GetNumber(std::string_view raw, int fmt) const
{
    return kelvra::GetNumber(raw, fmt, MotorolaOrder);
}

int32_t TImageInfo::CvtInt(std::string_view bytes) const
{
    return kelvra::CvtInt(bytes, MotorolaOrder);
}

void TImageInfo::setIllegalDirectory()
{
    if (parent)
        parent->ErrStr = "Illegally sized directory";
}

void TImageInfo::ProcessExifDir(int64_t start, int64_t offsetBase, int kind)
{
    m_visited.insert({ offsetBase, start });
    if (++m_directories > kMaxDirectories)
        return;
    if (!contains(start, 2)) {
        setIllegalDirectory();
        return;
    }
    const int64_t n = Get16u(start);
    if (!contains(start, 2 + 12 * n)) {
        setIllegalDirectory();
        return;
    }
    if (kind == MainDir && ThumbStart == 0 && !TiffFmt) {
        ThumbStart = Get32s(start + 2 + 12 * n);
        const int64_t app1Length = byteAt(0) << 8 | byteAt(1);
        ThumbLength = wrap32(app1Length + 3 - ThumbStart);
    }
    for (int64_t i = 0; i < n; ++i) {
        if (++m_entries > kMaxEntries)
            return;
        processEntry(start + 2 + 12 * i, offsetBase, kind);
    }
}

void TImageInfo::walkSubDirectory(int64_t start, int64_t offsetBase, int kind)
{
    if (m_visited.count({ offsetBase, start }) || m_depth >= kMaxDirectoryDepth)
        return;
    ++m_depth;
    try {
        ProcessExifDir(start, offsetBase, kind);
    } catch (const std::exception &) {
        // A sub-directory that cannot be decoded ends there; its parent goes on.
    }
    --m_depth;
}

void TImageInfo::processEntry(int64_t e, int64_t offsetBase, int kind)
{
    Entry entry;
    if (!readEntry(e, offsetBase, entry))
        return;
    const TTagEntry &definition = definitionFor(entry.tag, kind);
    std::string text;
    if (BuildList == 2 || BuildList == 255)
        text = entryText(entry, definition, kind);
    takeWalkFacts(entry, text, e, offsetBase, kind);
    if ((BuildList == 4 || BuildList == 255) && definition.Tag != 0)
        storeFoundTag(definition, entry, std::move(text), kind);
}

// False for an entry without a value, and when the walk has read all the raw
// bytes it may (then the whole walk stops).
bool TImageInfo::readEntry(int64_t e, int64_t offsetBase, Entry &entry)
{
    entry.tag = Get16u(e);
    entry.fmt = Get16u(e + 2);
    const uint64_t count = Get32u(e + 4);
    // 64-bit, then cut to the buffer: a crafted count must not wrap into a
    // small in-entry value or run the reads off the end.
    const uint64_t declared = count * static_cast<uint64_t>(bytesPerComponent(entry.fmt));
    if (declared == 0)
        return false;
    entry.bytes = static_cast<int64_t>(std::min<uint64_t>(declared, llData.size()));
    entry.position = declared <= 4 ? e + 8 : offsetBase + Get32s(e + 8);

    if (entry.position >= 0 && entry.position < static_cast<int64_t>(llData.size()))
        entry.raw = llData.substr(static_cast<size_t>(entry.position), static_cast<size_t>(entry.bytes));
    m_rawBytes += static_cast<int64_t>(entry.raw.size());
    if (m_rawBytes > kMaxRawBytes) {
        m_entries = kMaxEntries; // stop the whole walk
        return false;
    }
    return true;
}

const TTagEntry &TImageInfo::definitionFor(uint16_t tag, int kind) const
{
    const TTagEntry *definition = nullptr;
    if (kind == MainDir || kind == ThumbDir)
        definition = findMainTag(tag);
    else if (kind == GpsDir)
        definition = findGpsTag(tag);
    return definition ? *definition : unknownTag();
}

// The value text, with its trace line; a user comment is also kept in Comments.
std::string TImageInfo::entryText(const Entry &entry, const TTagEntry &definition, int kind)
{
    const std::string &raw = entry.raw;
    std::string text;
    if (entry.fmt == kFormatAscii) {
        text = raw;
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
    } else if (entry.fmt == kFormatUndefined) {
        text = '"' + raw.substr(0, raw.find('\0')) + '"';
    } else {
        text = FormatNumber(raw, entry.fmt, definition.Code, definition.FormatS);
    }
    if (definition.Tag != 0 && definition.CallBack)
        text = definition.CallBack(*this, text);
    else
        text = printable(text);
    if (entry.tag == kTagUserComment) {
        // Eight bytes name the character code; the last byte is left out.
        const int64_t length = entry.bytes - 9;
        Comments = raw.size() > 8 && length > 0 ? trimmed(raw.substr(8, static_cast<size_t>(length))) : std::string();
        text = Comments;
        CommentPosn = wrap32(entry.position);
        CommentSize = wrap32(length);
    }
    (kind == ThumbDir ? ThumbTrace : TraceStr)
        += traceLine(entry.tag, definition.Desc, text, entry.bytes, entry.position);
    return text;
}

// The facts other layers read directly, and the directories the entry leads to.
void TImageInfo::takeWalkFacts(const Entry &entry, const std::string &text, int64_t e, int64_t offsetBase, int kind)
{
    const int64_t v = entry.position;
    const auto number = [&] { return wrap32(roundHalfEven(GetNumber(entry.raw, entry.fmt))); };
    switch (entry.tag) {
    case kTagImageWidth:
    case kTagExifImageWidth:
        WPosn = wrap32(e);
        Width = number();
        break;
    case kTagImageLength:
    case kTagExifImageLength:
        HPosn = wrap32(e);
        Height = number();
        break;
    case kTagCompression:
        if (kind == ThumbDir)
            ThumbType = number();
        break;
    case kTagMake:
        CameraMake = text.substr(0, 32);
        break;
    case kTagModel:
        CameraModel = text.substr(0, 40);
        break;
    case kTagDateTime:
        dt_oset = wrap32(v);
        DateTime = text.substr(0, 20);
        break;
    case kTagDateTimeOriginal:
        dt_orig_oset = wrap32(v);
        DateTime = text.substr(0, 20);
        break;
    case kTagDateTimeDigitized:
        dt_digi_oset = wrap32(v);
        break;
    case kTagExifVersion:
        exifVersion = entry.raw.substr(0, 6);
        break;
    case kTagFlash:
        FlashUsed = number();
        break;
    case kTagSubIFDs:
    case kTagExifOffset:
    case kTagInteroperabilityOffset:
        walkSubDirectory(offsetBase + Get32s(v), offsetBase, MainDir);
        break;
    case kTagGpsInfo:
        walkSubDirectory(offsetBase + Get32s(v), offsetBase, GpsDir);
        break;
    case kTagMakerNote:
        MakerNote = entry.raw;
        MakerOffset = wrap32(v);
        m_currentOffsetBase = offsetBase;
        runMakerNoteDecoder(static_cast<int64_t>(entry.raw.size()));
        break;
    default:
        break;
    }
}

void TImageInfo::storeFoundTag(const TTagEntry &definition, Entry &entry, std::string text, int kind)
{
    try {
        TTagEntry found = definition;
        found.Data = std::move(text);
        found.Raw = std::move(entry.raw);
        found.Size = static_cast<int32_t>(found.Raw.size());
        found.PRaw = wrap32(entry.position);
        found.TType = entry.fmt;
        if (kind == ThumbDir)
            AddTagToThumbArray(found);
        else
            AddTagToArray(found);
    } catch (const std::exception &) {
        // A tag that cannot be stored is left out; the walk goes on.
    }
}

void TImageInfo::runMakerNoteDecoder(int64_t noteLength)
{
    msAvailable = false;
    if (!m_makerNotes)
        return;
    std::string ignoredErr;
    std::string &errStr = parent ? parent->ErrStr : ignoredErr;
    const MakerNoteInput note { llData, m_currentOffsetBase, MakerOffset, noteLength, MotorolaOrder, TiffFmt,
        CameraMake, CameraModel, exifVersion, m_options };
    MakerNoteOutput out { *this, msTraceStr, msName, errStr };
    // The decoder reads its own copy of the state it is given; a failure in it
    // never ends the EXIF walk.
    const bool motorola = MotorolaOrder;
    const std::string buffer = llData;
    try {
        msAvailable = m_makerNotes->decode(note, out);
    } catch (const std::exception &e) {
        errStr = std::string("Error Detected = ") + e.what();
        msAvailable = false;
    }
    MotorolaOrder = motorola;
    if (llData != buffer)
        llData = buffer;
}

void TImageInfo::ProcessThumbnail()
{
    if (ThumbStart <= 0)
        return;
    m_visited.clear();
    m_directories = 0;
    m_entries = 0;
    m_rawBytes = 0;
    try {
        ProcessExifDir(8 + static_cast<int64_t>(ThumbStart), 8, ThumbDir);
    } catch (const std::exception &) {
        // A value that cannot be decoded ends the thumbnail directory.
    }
}

void TImageInfo::Calc35Equiv()
{
    if (LookupTag("FocalLengthin35mmFilm") >= 0)
        return;
    int32_t unit = GetRawInt("FocalPlaneResolutionUnit");
    if (unit <= 0)
        unit = GetRawInt("ResolutionUnit");
    const double mmPerUnit = unit == 2 ? 25.4 : unit == 3 ? 10.0 : 0.0;
    const double focal = GetRawFloat("FocalLength");
    if (mmPerUnit == 0 || focal == 0)
        return;
    const int32_t xResolution = GetRawInt("FocalPlaneXResolution");
    const int32_t yResolution = GetRawInt("FocalPlaneYResolution");
    const double w = xResolution > 0 ? Width * mmPerUnit / xResolution : 0;
    const double h = yResolution > 0 ? Height * mmPerUnit / yResolution : 0;
    if (w * h <= 0)
        return;
    const double value = focal * (43.26661531 / std::sqrt(w * w + h * h));

    const int row = findMainTagByName("FocalLengthin35mmFilm");
    TTagEntry tag = mainTagTable()[static_cast<size_t>(row)];
    tag.Data = formatPattern("%5.2f", { value }, m_options.decimalSeparator);
    tag.FormatS = "%s mm";
    tag.TType = 10;
    TraceStr += traceLine(tag.Tag, tag.Desc, tag.Data, 0, 0);
    AddTagToArray(tag);
}

std::string &TImageInfo::segmentData()
{
    return parent && parent->ExifSegment ? parent->ExifSegment->data : llData;
}

const std::string &TImageInfo::segmentData() const
{
    return parent && parent->ExifSegment ? parent->ExifSegment->data : llData;
}

TDateTime TImageInfo::ExtrDateTime(int64_t p) const
{
    const std::string &data = segmentData();
    if (p < 0 || p >= static_cast<int64_t>(data.size()))
        return 0;
    return ExifDateToDateTime(std::string_view(data).substr(static_cast<size_t>(p), kDateLength));
}

TDateTime TImageInfo::GetImgDateTime() const
{
    for (int32_t p : { dt_oset, dt_orig_oset, dt_digi_oset }) {
        if (p > 0)
            return ExtrDateTime(p);
    }
    return 0;
}

void TImageInfo::SetDateTimeStr(int64_t p, TDateTime t)
{
    std::string &data = segmentData();
    const std::string text = formatExifDateTime(t);
    if (text.size() != kDateLength || data.size() < kDateLength || p < 0
        || p > static_cast<int64_t>(data.size() - kDateLength))
        return;
    data.replace(static_cast<size_t>(p), kDateLength, text);
}

void TImageInfo::AdjDateTime(double days, double hours, double minutes, double seconds)
{
    const double shift = days + hours / 24 + minutes / 1440 + seconds / 86400;
    for (int32_t p : { dt_oset, dt_orig_oset, dt_digi_oset }) {
        if (p <= 0)
            continue;
        // A date that does not parse is left alone rather than rewritten as 1899.
        const TDateTime current = ExtrDateTime(p);
        if (current != 0)
            SetDateTimeStr(p, current + shift);
    }
}

void TImageInfo::OverwriteDateTime(TDateTime t)
{
    for (int32_t p : { dt_oset, dt_orig_oset, dt_digi_oset }) {
        if (p > 0)
            SetDateTimeStr(p, t);
    }
}

} // namespace kelvra
