// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/exif_date_edit.h"

#include "metadata/exif_tags.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kelvra {

namespace {

constexpr uint16_t kTagOffsetTime = 0x9010;
constexpr uint16_t kTagOffsetTimeOriginal = 0x9011;
constexpr uint16_t kTagOffsetTimeDigitized = 0x9012;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeUndefined = 7;
constexpr size_t kTiffStart = 8; // two length bytes, "Exif\0\0"
constexpr int64_t kMaxEntries = 1000;

struct Entry
{
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t field = 0; // the value, or where it lies
    int64_t at = 0; // TIFF offset of the entry
};

// A value to put under a tag: ASCII text with its closing zero, or other
// values as bytes in the block's byte order.
struct Wanted
{
    uint16_t tag;
    std::string value;
    uint16_t type = kTypeAscii;
};

// Reads and writes the TIFF structure of a segment, every access checked.
class Tiff
{
public:
    // A view, not a moved string: GCC's optimiser took the moved-from
    // buffer for uninitialised and stopped the release build.
    explicit Tiff(std::string_view segment)
        : m_data(segment)
        , m_motorola(segment.size() > kTiffStart && segment[kTiffStart] == 'M')
    {
    }

    std::string &data() { return m_data; }
    int64_t size() const { return static_cast<int64_t>(m_data.size()) - static_cast<int64_t>(kTiffStart); }

    bool valid() const
    {
        return m_data.size() >= kTiffStart + 8 && m_data.compare(2, 6, std::string_view("Exif\0\0", 6)) == 0
            && (m_data.compare(kTiffStart, 4, "II*\0", 4) == 0 || m_data.compare(kTiffStart, 4, "MM\0*", 4) == 0);
    }

    // -1 when outside the structure.
    int64_t get(int64_t offset, int bytes) const
    {
        if (offset < 0 || offset + bytes > size())
            return -1;
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8)
                | static_cast<unsigned char>(m_data[kTiffStart + size_t(offset + (m_motorola ? i : bytes - 1 - i))]);
        return v;
    }

    void put(int64_t offset, uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            const int shift = 8 * (m_motorola ? bytes - 1 - i : i);
            m_data[kTiffStart + size_t(offset + i)] = static_cast<char>((value >> shift) & 0xFF);
        }
    }

    // value as the block stores a LONG.
    std::string longBytes(uint32_t value) const
    {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[size_t(i)] = static_cast<char>((value >> (8 * (m_motorola ? 3 - i : i))) & 0xFF);
        return bytes;
    }

    void append(uint32_t value, int bytes)
    {
        m_data.append(size_t(bytes), '\0');
        put(size() - bytes, value, bytes);
    }

    // The directory's entries; empty optional when it cannot be walked.
    std::optional<std::vector<Entry>> entries(int64_t offset) const
    {
        const int64_t count = get(offset, 2);
        if (count < 0 || count > kMaxEntries || offset + 2 + 12 * count + 4 > size())
            return std::nullopt;
        std::vector<Entry> list;
        for (int64_t i = 0; i < count; ++i) {
            const int64_t at = offset + 2 + 12 * i;
            list.push_back({ uint16_t(get(at, 2)), uint16_t(get(at + 2, 2)), uint32_t(get(at + 4, 4)),
                uint32_t(get(at + 8, 4)), at });
        }
        return list;
    }

    int64_t nextLink(int64_t offset) const { return get(offset + 2 + 12 * get(offset, 2), 4); }

    // Puts an ASCII value where the entry's own value lies, when it has room.
    bool rewrite(const Entry &entry, const std::string &value)
    {
        if (entry.type != kTypeAscii || entry.count < value.size() || entry.count <= 4
            || int64_t(entry.field) + entry.count > size())
            return false;
        std::string padded = value;
        padded.resize(entry.count, '\0');
        m_data.replace(kTiffStart + entry.field, entry.count, padded);
        return true;
    }

    // Writes a directory after the end: kept entries as they were, the wanted
    // ones (replacing any of the same tag) with their values after it.
    // Returns its offset.
    int64_t appendDirectory(const std::vector<Entry> &kept, const std::vector<Wanted> &wanted, uint32_t next)
    {
        struct Row
        {
            Entry entry;
            const std::string *value; // null: the entry's field is kept
        };
        std::vector<Row> rows;
        for (const Entry &e : kept) {
            if (std::none_of(wanted.begin(), wanted.end(), [&](const Wanted &w) { return w.tag == e.tag; }))
                rows.push_back({ e, nullptr });
        }
        for (const Wanted &w : wanted)
            rows.push_back(
                { { w.tag, w.type, uint32_t(w.type == kTypeLong ? w.value.size() / 4 : w.value.size()), 0, 0 },
                    &w.value });
        std::stable_sort(
            rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.entry.tag < b.entry.tag; });

        if (size() % 2)
            m_data += '\0';
        const int64_t start = size();
        int64_t valueAt = start + 2 + 12 * int64_t(rows.size()) + 4;
        append(uint32_t(rows.size()), 2);
        std::string values;
        for (const Row &row : rows) {
            append(row.entry.tag, 2);
            append(row.entry.type, 2);
            append(row.entry.count, 4);
            if (!row.value) {
                // Kept as its bytes: an inline value is in the reader's byte order already.
                const std::string field = m_data.substr(kTiffStart + size_t(row.entry.at + 8), 4);
                m_data += field;
            } else if (row.value->size() <= 4) {
                std::string inline4 = *row.value;
                inline4.resize(4, '\0');
                m_data += inline4;
            } else {
                append(uint32_t(valueAt + int64_t(values.size())), 4);
                values += *row.value;
                if (values.size() % 2)
                    values += '\0';
            }
        }
        append(next, 4);
        m_data += values;
        return start;
    }

private:
    std::string m_data;
    bool m_motorola = false;
};

const Entry *findTag(const std::vector<Entry> &list, uint16_t tag)
{
    const auto it = std::find_if(list.begin(), list.end(), [tag](const Entry &e) { return e.tag == tag; });
    return it == list.end() ? nullptr : &*it;
}

bool isExifDate(std::string_view text)
{
    if (text.size() != 19)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        if (separator ? c != (i == 10 ? ' ' : ':') : (c < '0' || c > '9'))
            return false;
    }
    return true;
}

std::string withZero(const std::string &text)
{
    return text + '\0';
}

// Sets the wanted values of the directory at offset (0: there is none), in
// place where they fit. Returns the directory's offset afterwards (moved when
// a value did not fit), or -1 when it cannot be walked.
int64_t setValues(Tiff &tiff, int64_t offset, std::vector<Wanted> wanted, std::vector<Wanted> alwaysAdded = {})
{
    std::vector<Entry> list;
    uint32_t next = 0;
    if (offset > 0) {
        const std::optional<std::vector<Entry>> found = tiff.entries(offset);
        if (!found)
            return -1;
        list = *found;
        next = uint32_t(tiff.nextLink(offset));
    }
    std::erase_if(wanted, [&](const Wanted &w) {
        const Entry *e = findTag(list, w.tag);
        return e && tiff.rewrite(*e, w.value);
    });
    std::erase_if(alwaysAdded, [&](const Wanted &w) { return findTag(list, w.tag) != nullptr; });
    if (wanted.empty() && alwaysAdded.empty())
        return offset;
    wanted.insert(wanted.end(), alwaysAdded.begin(), alwaysAdded.end());
    return tiff.appendDirectory(list, wanted, next);
}

} // namespace

bool isExifOffset(std::string_view text)
{
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return false;
    for (size_t i : { 1, 2, 4, 5 }) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    const int hours = (text[1] - '0') * 10 + (text[2] - '0'), minutes = (text[4] - '0') * 10 + (text[5] - '0');
    return minutes < 60 && hours * 60 + minutes <= 14 * 60;
}

std::string exifOffsetTimeOriginal(std::string_view segment)
{
    const Tiff tiff { segment };
    if (!tiff.valid())
        return std::string();
    const std::optional<std::vector<Entry>> ifd0 = tiff.entries(tiff.get(4, 4));
    const Entry *link = ifd0 ? findTag(*ifd0, kTagExifOffset) : nullptr;
    const std::optional<std::vector<Entry>> exif = link ? tiff.entries(link->field) : std::nullopt;
    const Entry *offset = exif ? findTag(*exif, kTagOffsetTimeOriginal) : nullptr;
    if (!offset || offset->type != kTypeAscii || offset->count < 6)
        return std::string();
    std::string text;
    const int64_t at = offset->count > 4 ? int64_t(offset->field) : offset->at + 8;
    for (int64_t i = 0; i < 6; ++i) {
        const int64_t c = tiff.get(at + i, 1);
        if (c < 0)
            return std::string();
        text += char(c);
    }
    return isExifOffset(text) ? text : std::string();
}

namespace {

std::optional<std::string> setDates(std::string_view segment, const ExifDateStamp &stamp, bool newBlock)
{
    if (!isExifDate(stamp.dateTime) || (!stamp.offset.empty() && !isExifOffset(stamp.offset)))
        return std::nullopt;
    Tiff tiff { segment };
    if (!tiff.valid())
        return std::nullopt;
    // A main directory at 0 is none: the minimal block starts so.
    const int64_t ifd0 = tiff.get(4, 4);
    const std::optional<std::vector<Entry>> main = ifd0 == 0 ? std::vector<Entry>() : tiff.entries(ifd0);
    if (!main)
        return std::nullopt;
    const Entry *link = findTag(*main, kTagExifOffset);
    const std::string date = withZero(stamp.dateTime);
    std::vector<Wanted> exifValues { { kTagDateTimeOriginal, date }, { kTagDateTimeDigitized, date } };
    if (!stamp.offset.empty()) {
        const std::string zone = withZero(stamp.offset);
        exifValues.insert(exifValues.end(),
            { { kTagOffsetTime, zone }, { kTagOffsetTimeOriginal, zone }, { kTagOffsetTimeDigitized, zone } });
    }
    // A new block says which version of the format it follows; an old one
    // keeps every tag it had, and only those.
    std::vector<Wanted> version;
    if (newBlock)
        version.push_back({ kTagExifVersion, "0232", kTypeUndefined });
    const int64_t exif = setValues(tiff, link ? int64_t(link->field) : 0, exifValues, version);
    if (exif < 0)
        return std::nullopt;

    // The main directory: its date, and the link to the EXIF directory when that moved.
    std::vector<Wanted> mainValues;
    const Entry *dateEntry = findTag(*main, kTagDateTime);
    if (!dateEntry || !tiff.rewrite(*dateEntry, date))
        mainValues.push_back({ kTagDateTime, date });
    if (!link || exif != int64_t(link->field)) {
        if (link && mainValues.empty())
            tiff.put(link->at + 8, uint32_t(exif), 4);
        else
            mainValues.push_back({ kTagExifOffset, tiff.longBytes(uint32_t(exif)), kTypeLong });
    }
    if (!mainValues.empty()) {
        const int64_t next = ifd0 == 0 ? 0 : tiff.nextLink(ifd0);
        const int64_t moved = tiff.appendDirectory(*main, mainValues, uint32_t(std::max<int64_t>(next, 0)));
        tiff.put(4, uint32_t(moved), 4);
    }
    if (tiff.data().size() > 0xFFFF)
        return std::nullopt;
    std::string &out = tiff.data();
    out[0] = char((out.size() >> 8) & 0xFF);
    out[1] = char(out.size() & 0xFF);
    return out;
}

} // namespace

std::optional<std::string> withExifDates(std::string_view segment, const ExifDateStamp &stamp)
{
    return setDates(segment, stamp, false);
}

std::string minimalExifSegment(const ExifDateStamp &stamp)
{
    const std::string segment("\0\0Exif\0\0II*\0\0\0\0\0", 16);
    return setDates(segment, stamp, true).value_or(std::string());
}

} // namespace kelvra
