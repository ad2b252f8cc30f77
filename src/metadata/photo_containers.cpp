// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/photo_containers.h"

#include "metadata/tiff_view.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvra {

namespace {

// Checked reads over one byte range: a read outside it gives nullopt.
class Span
{
public:
    explicit Span(std::string_view bytes)
        : m_bytes(bytes)
    {
    }
    size_t size() const { return m_bytes.size(); }
    bool has(uint64_t pos, uint64_t length) const { return pos <= m_bytes.size() && length <= m_bytes.size() - pos; }
    std::optional<uint64_t> be(uint64_t pos, int bytes) const
    {
        if (!has(pos, static_cast<uint64_t>(bytes)))
            return std::nullopt;
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = v << 8 | static_cast<uint8_t>(m_bytes[pos + static_cast<uint64_t>(i)]);
        return v;
    }
    std::optional<uint32_t> le32(uint64_t pos) const
    {
        if (!has(pos, 4))
            return std::nullopt;
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | static_cast<uint8_t>(m_bytes[pos + static_cast<uint64_t>(i)]);
        return v;
    }
    std::string_view sub(uint64_t pos, uint64_t length) const
    {
        return has(pos, length) ? m_bytes.substr(pos, length) : std::string_view();
    }
    // A NUL-ended text from pos, without the NUL; nullopt when none ends.
    std::optional<std::string_view> text(uint64_t pos, uint64_t end) const
    {
        for (uint64_t i = pos; i < end && i < m_bytes.size(); ++i) {
            if (m_bytes[i] == '\0')
                return m_bytes.substr(pos, i - pos);
        }
        return std::nullopt;
    }

private:
    std::string_view m_bytes;
};

// zlib data as a whole; nullopt when damaged or larger than the block limit.
std::optional<std::string> inflated(std::string_view data)
{
    z_stream z {};
    if (inflateInit(&z) != Z_OK)
        return std::nullopt;
    std::string out;
    std::array<char, 16384> chunk {};
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(chunk.data());
        z.avail_out = static_cast<uInt>(chunk.size());
        status = inflate(&z, Z_NO_FLUSH);
        out.append(chunk.data(), chunk.size() - z.avail_out);
        if (out.size() > kMaxContainerBlock)
            status = Z_MEM_ERROR;
        else if (status == Z_BUF_ERROR && z.avail_in == 0)
            break; // cut short
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

// ---- HEIF: ISO base media boxes ------------------------------------------

struct Box
{
    uint64_t start = 0; // of the payload
    uint64_t end = 0;
    std::string_view type;
};

// The boxes of [from, to), as far as their headers fit.
std::vector<Box> boxesIn(const Span &s, uint64_t from, uint64_t to)
{
    std::vector<Box> boxes;
    uint64_t pos = from;
    while (pos + 8 <= to) {
        uint64_t size = *s.be(pos, 4);
        const std::string_view type = s.sub(pos + 4, 4);
        uint64_t header = 8;
        if (size == 1) {
            const auto large = s.be(pos + 8, 8);
            if (!large || pos + 16 > to)
                break;
            size = *large;
            header = 16;
        } else if (size == 0) {
            size = to - pos;
        }
        if (size < header || size > to - pos)
            break;
        boxes.push_back({ pos + header, pos + size, type });
        pos += size;
    }
    return boxes;
}

const Box *findBox(const std::vector<Box> &boxes, std::string_view type)
{
    for (const Box &b : boxes) {
        if (b.type == type)
            return &b;
    }
    return nullptr;
}

struct HeifItem
{
    uint32_t id = 0;
    std::string_view type;
    std::string_view contentType;
};

std::vector<HeifItem> heifItems(const Span &s, const Box &iinf)
{
    std::vector<HeifItem> items;
    const auto version = s.be(iinf.start, 1);
    if (!version)
        return items;
    const uint64_t first = iinf.start + 4 + (*version == 0 ? 2 : 4);
    for (const Box &infe : boxesIn(s, first, iinf.end)) {
        if (infe.type != "infe")
            continue;
        const auto v = s.be(infe.start, 1);
        if (!v || *v < 2)
            continue;
        const uint64_t idSize = *v == 2 ? 2 : 4;
        const auto id = s.be(infe.start + 4, static_cast<int>(idSize));
        const uint64_t typeAt = infe.start + 4 + idSize + 2;
        if (!id || !s.has(typeAt, 4) || typeAt + 4 > infe.end)
            continue;
        HeifItem item { static_cast<uint32_t>(*id), s.sub(typeAt, 4), {} };
        if (item.type == "mime") {
            if (const auto name = s.text(typeAt + 4, infe.end)) {
                if (const auto content = s.text(typeAt + 4 + name->size() + 1, infe.end))
                    item.contentType = *content;
            }
        }
        items.push_back(item);
    }
    return items;
}

// The bytes of one item from its iloc entry; empty when it is not there or
// its extents leave the file.
std::string heifItemData(const Span &s, const Box &iloc, const Box *idat, uint32_t wanted)
{
    const auto version = s.be(iloc.start, 1);
    const auto sizes = s.be(iloc.start + 4, 2);
    if (!version || !sizes || *version > 2)
        return {};
    const int offsetSize = static_cast<int>(*sizes >> 12 & 0xF);
    const int lengthSize = static_cast<int>(*sizes >> 8 & 0xF);
    const int baseSize = static_cast<int>(*sizes >> 4 & 0xF);
    const int indexSize = *version >= 1 ? static_cast<int>(*sizes & 0xF) : 0;
    auto validSize = [](int n) { return n == 0 || n == 4 || n == 8; };
    if (!validSize(offsetSize) || !validSize(lengthSize) || !validSize(baseSize) || !validSize(indexSize))
        return {};
    const int countSize = *version < 2 ? 2 : 4;
    uint64_t pos = iloc.start + 6;
    const auto count = s.be(pos, countSize);
    if (!count)
        return {};
    pos += static_cast<uint64_t>(countSize);
    auto field = [&](int bytes) -> std::optional<uint64_t> {
        if (bytes == 0)
            return 0;
        const auto v = pos + static_cast<uint64_t>(bytes) <= iloc.end ? s.be(pos, bytes) : std::nullopt;
        pos += static_cast<uint64_t>(bytes);
        return v;
    };
    for (uint64_t i = 0; i < *count; ++i) {
        const auto id = field(*version < 2 ? 2 : 4);
        const auto method = *version >= 1 ? field(2) : std::optional<uint64_t>(0);
        const auto reference = field(2);
        const auto base = field(baseSize);
        const auto extents = field(2);
        if (!id || !method || !reference || !base || !extents)
            return {};
        std::string data;
        bool usable = *id == wanted && *reference == 0 && (*method & 0xF) <= 1;
        for (uint64_t e = 0; e < *extents; ++e) {
            const auto index = field(indexSize);
            const auto offset = field(offsetSize);
            const auto length = field(lengthSize);
            if (!index || !offset || !length)
                return {};
            if (!usable)
                continue;
            // Construction method 1 places the item in the idat box.
            const bool inIdat = (*method & 0xF) == 1;
            if (inIdat && !idat)
                return {};
            const uint64_t origin = inIdat ? idat->start : 0;
            const uint64_t limit = inIdat ? idat->end : s.size();
            const uint64_t room = limit - origin;
            if (*base > room || *offset > room - *base)
                return {};
            const uint64_t at = origin + *base + *offset;
            const uint64_t length0 = *length == 0 ? limit - at : *length;
            // Extents that together pass the file's size name the same bytes
            // again and again: no item is made of more than the file holds.
            if (length0 > limit - at || data.size() + length0 > std::min<uint64_t>(kMaxContainerBlock, s.size()))
                return {};
            data.append(s.sub(at, length0));
        }
        if (usable)
            return data;
    }
    return {};
}

struct HeifProperties
{
    std::string_view icc;
    bool turned = false;
};

HeifProperties primaryProperties(const Span &s, const Box &iprp, uint32_t primary)
{
    HeifProperties found;
    const std::vector<Box> children = boxesIn(s, iprp.start, iprp.end);
    const Box *ipco = findBox(children, "ipco");
    if (!ipco)
        return found;
    const std::vector<Box> properties = boxesIn(s, ipco->start, ipco->end);
    for (const Box &ipma : children) {
        if (ipma.type != "ipma")
            continue;
        const auto head = s.be(ipma.start, 4);
        const auto count = s.be(ipma.start + 4, 4);
        if (!head || !count)
            continue;
        const int idSize = (*head >> 24) < 1 ? 2 : 4;
        const bool wideIndex = (*head & 1) != 0;
        uint64_t pos = ipma.start + 8;
        for (uint64_t i = 0; i < *count && pos < ipma.end; ++i) {
            const auto id = s.be(pos, idSize);
            const auto n = s.be(pos + static_cast<uint64_t>(idSize), 1);
            if (!id || !n)
                return found;
            pos += static_cast<uint64_t>(idSize) + 1;
            for (uint64_t a = 0; a < *n; ++a) {
                const auto entry = s.be(pos, wideIndex ? 2 : 1);
                if (!entry || pos >= ipma.end)
                    return found;
                pos += wideIndex ? 2 : 1;
                const uint64_t index = *entry & (wideIndex ? 0x7FFF : 0x7F);
                if (*id != primary || index == 0 || index > properties.size())
                    continue;
                const Box &p = properties[index - 1];
                if (p.type == "irot" || p.type == "imir") {
                    found.turned = true;
                } else if (p.type == "colr" && found.icc.empty()) {
                    const std::string_view colourType = s.sub(p.start, 4);
                    if ((colourType == "prof" || colourType == "rICC") && p.end > p.start + 4)
                        found.icc = s.sub(p.start + 4, p.end - p.start - 4);
                }
            }
        }
    }
    return found;
}

// ---- PNG -----------------------------------------------------------------

constexpr std::string_view kPngSignature { "\x89PNG\r\n\x1A\n", 8 };

// The bytes of an ImageMagick-style raw profile text: "\nname\n   length\nhex...".
std::string rawProfileBytes(std::string_view text)
{
    size_t pos = 0;
    auto skipSpace = [&] {
        while (pos < text.size() && (text[pos] == '\n' || text[pos] == ' ' || text[pos] == '\r' || text[pos] == '\t'))
            ++pos;
    };
    skipSpace();
    while (pos < text.size() && text[pos] != '\n')
        ++pos; // the profile's name
    skipSpace();
    uint64_t length = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        length = length * 10 + static_cast<uint64_t>(text[pos] - '0');
        if (length > kMaxContainerBlock)
            return {};
        ++pos;
    }
    std::string bytes;
    int high = -1;
    for (; pos < text.size() && bytes.size() < length; ++pos) {
        const char c = text[pos];
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes += static_cast<char>(high << 4 | v);
            high = -1;
        }
    }
    return bytes.size() == length ? bytes : std::string();
}

// The text of a tEXt, zTXt or iTXt chunk with its keyword.
struct PngText
{
    std::string_view keyword;
    std::optional<std::string> text;
};

PngText pngText(std::string_view type, std::string_view data)
{
    const Span s(data);
    PngText t;
    const auto keyword = s.text(0, data.size());
    if (!keyword)
        return t;
    t.keyword = *keyword;
    uint64_t pos = keyword->size() + 1;
    if (type == "tEXt") {
        t.text = std::string(data.substr(pos));
    } else if (type == "zTXt") {
        if (pos < data.size())
            t.text = inflated(data.substr(pos + 1));
    } else if (type == "iTXt") {
        const auto compressed = s.be(pos, 1);
        if (!compressed)
            return t;
        pos += 2;
        const auto language = s.text(pos, data.size());
        if (!language)
            return t;
        pos += language->size() + 1;
        const auto translated = s.text(pos, data.size());
        if (!translated)
            return t;
        pos += translated->size() + 1;
        const std::string_view rest = data.substr(std::min<uint64_t>(pos, data.size()));
        t.text = *compressed ? inflated(rest) : std::optional<std::string>(std::string(rest));
    }
    return t;
}

// ---- TIFF ----------------------------------------------------------------

constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagGpsIfd = 34853;
constexpr uint16_t kTagInteropIfd = 40965;
constexpr uint16_t kTagXmp = 700;
constexpr uint16_t kTagIcc = 34675;
constexpr size_t kMaxIfdEntries = 1000;

// Tags of the first directory that describe the TIFF's own pixels and
// blocks; a JPEG's EXIF block must not claim them.
bool describesTiffPixels(uint16_t tag)
{
    switch (tag) {
    case 254:
    case 255:
    case 256:
    case 257:
    case 258:
    case 259:
    case 262:
    case 263:
    case 266:
    case 273:
    case 277:
    case 278:
    case 279:
    case 280:
    case 281:
    case 284:
    case 292:
    case 293:
    case 317:
    case 320:
    case 322:
    case 323:
    case 324:
    case 325:
    case 330:
    case 338:
    case 339:
    case 340:
    case 341:
    case 347:
    case 512:
    case 513:
    case 514:
    case 515:
    case 517:
    case 518:
    case 519:
    case 520:
    case 521:
    case 530:
    case kTagXmp:
    case 33723:
    case 34377:
    case kTagIcc:
    case 37724:
    case 50341:
        return true;
    default:
        return false;
    }
}

uint64_t tiffTypeSize(uint64_t type)
{
    static constexpr std::array<uint8_t, 14> sizes { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4 };
    return type < sizes.size() ? sizes[type] : 0;
}

struct IfdEntry
{
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::string value; // the whole value, in the file's byte order
};

std::vector<IfdEntry> readIfd(const TiffView &r, uint64_t at)
{
    std::vector<IfdEntry> entries;
    const auto count = r.get(at, 2);
    if (!count || *count > kMaxIfdEntries)
        return entries;
    size_t total = 0;
    for (uint64_t i = 0; i < *count; ++i) {
        const uint64_t e = at + 2 + 12 * i;
        const auto tag = r.get(e, 2);
        const auto type = r.get(e + 2, 2);
        const auto n = r.get(e + 4, 4);
        if (!tag || !type || !n)
            break;
        const uint64_t size = tiffTypeSize(*type) * *n;
        if (size == 0 || size > kMaxContainerBlock - total)
            continue;
        uint64_t from = e + 8;
        if (size > 4) {
            const auto offset = r.get(e + 8, 4);
            if (!offset)
                continue;
            from = *offset;
        }
        const std::string_view value = r.sub(from, size);
        const bool repeated
            = std::any_of(entries.begin(), entries.end(), [&](const IfdEntry &seen) { return seen.tag == *tag; });
        if (value.size() != size || repeated)
            continue;
        total += size;
        entries.push_back({ static_cast<uint16_t>(*tag), static_cast<uint16_t>(*type), static_cast<uint32_t>(*n),
            std::string(value) });
    }
    return entries;
}

// Writes directories into one block, every number in the source's order.
class IfdWriter
{
public:
    explicit IfdWriter(const TiffView &r)
        : m_r(r)
    {
    }
    std::string block;
    bool overflow = false; // the block would pass kMaxContainerBlock: it is dropped

    void put(uint64_t value, int bytes)
    {
        block.append(static_cast<size_t>(bytes), '\0');
        putAt(block.size() - static_cast<size_t>(bytes), value, bytes);
    }
    void putAt(size_t pos, uint64_t value, int bytes) { putTiffNumber(block, pos, value, bytes, m_r.motorola()); }
    // The directory at source offset `at`, its values, and the directories
    // its pointer tags name; returns where it starts in the block. depth
    // bounds the pointers followed.
    size_t write(uint64_t at, bool first, int depth)
    {
        std::vector<IfdEntry> entries = readIfd(m_r, at);
        auto isPointer = [](uint16_t tag) { return tag == kTagExifIfd || tag == kTagGpsIfd || tag == kTagInteropIfd; };
        std::erase_if(entries, [&](const IfdEntry &e) {
            // A pointer not followed would point into nothing of the new block.
            return (first && describesTiffPixels(e.tag)) || (isPointer(e.tag) && (depth == 0 || e.value.size() != 4));
        });
        const size_t start = block.size();
        put(entries.size(), 2);
        const size_t table = block.size();
        block.append(12 * entries.size() + 4, '\0'); // the next-directory link stays 0
        std::vector<std::pair<size_t, uint64_t>> pointers; // entry position, source offset
        for (size_t i = 0; i < entries.size(); ++i) {
            const IfdEntry &e = entries[i];
            const size_t pos = table + 12 * i;
            putAt(pos, e.tag, 2);
            putAt(pos + 2, e.type, 2);
            putAt(pos + 4, e.count, 4);
            if (isPointer(e.tag)) {
                pointers.emplace_back(pos, pointerValue(e.value));
            } else if (e.value.size() <= 4) {
                block.replace(pos + 8, e.value.size(), e.value);
            } else if (block.size() + e.value.size() + 1 > kMaxContainerBlock) {
                overflow = true;
            } else {
                if (block.size() % 2)
                    block += '\0';
                putAt(pos + 8, block.size(), 4);
                block += e.value;
            }
        }
        for (const auto &[pos, source] : pointers) {
            const size_t child = write(source, false, depth - 1);
            putAt(pos + 8, child, 4);
        }
        return start;
    }

private:
    // v holds the pointer's four bytes, as readIfd keeps a value.
    uint64_t pointerValue(const std::string &v) const { return TiffView(v, m_r.motorola()).get(0, 4).value_or(0); }
    const TiffView &m_r;
};

} // namespace

bool readTiffMetadata(std::string_view file, ContainerMetadata &out)
{
    if (!TiffView(file).hasHeader())
        return false;
    const TiffView r(file);
    const auto first = r.get(4, 4);
    if (!first)
        return true;
    for (const IfdEntry &e : readIfd(r, *first)) {
        if (e.tag == kTagXmp)
            out.xmp = e.value;
        else if (e.tag == kTagIcc)
            out.icc = e.value;
    }
    IfdWriter w(r);
    w.block.assign(file.substr(0, 4));
    w.put(8, 4);
    w.write(*first, true, 2);
    // A block with nothing but an empty directory says nothing.
    if (w.block.size() > 8 + 2 + 4 && !w.overflow)
        out.exif = std::move(w.block);
    return true;
}

std::string_view exifTiffOf(std::string_view payload)
{
    static constexpr std::string_view kExifId { "Exif\0\0", 6 };
    if (payload.starts_with(kExifId))
        payload.remove_prefix(kExifId.size());
    return TiffView(payload).hasHeader() ? payload : std::string_view();
}

bool readHeifMetadata(std::string_view file, ContainerMetadata &out)
{
    const Span s(file);
    const std::vector<Box> top = boxesIn(s, 0, s.size());
    if (top.empty() || top.front().type != "ftyp")
        return false;
    const Box *meta = findBox(top, "meta");
    if (!meta || meta->end < meta->start + 4)
        return true;
    const std::vector<Box> children = boxesIn(s, meta->start + 4, meta->end);
    const Box *pitm = findBox(children, "pitm");
    const Box *iinf = findBox(children, "iinf");
    const Box *iloc = findBox(children, "iloc");
    const Box *iprp = findBox(children, "iprp");
    const Box *idat = findBox(children, "idat");
    uint32_t primary = 0;
    if (pitm) {
        const auto version = s.be(pitm->start, 1);
        const auto id = version ? s.be(pitm->start + 4, *version == 0 ? 2 : 4) : std::nullopt;
        primary = id ? static_cast<uint32_t>(*id) : 0;
    }
    if (iprp) {
        const HeifProperties properties = primaryProperties(s, *iprp, primary);
        out.icc.assign(properties.icc.substr(0, std::min(properties.icc.size(), kMaxContainerBlock)));
        out.turned = properties.turned;
    }
    if (!iinf || !iloc)
        return true;
    for (const HeifItem &item : heifItems(s, *iinf)) {
        if (item.type == "Exif" && out.exif.empty()) {
            const std::string data = heifItemData(s, *iloc, idat, item.id);
            // Four bytes give where the TIFF header starts after them.
            const auto skip = Span(data).be(0, 4);
            if (skip && *skip <= data.size() - 4)
                out.exif = std::string(exifTiffOf(std::string_view(data).substr(4 + *skip)));
            if (out.exif.empty() && data.size() > 4)
                out.exif = std::string(exifTiffOf(std::string_view(data).substr(4)));
        } else if (item.type == "mime" && item.contentType == "application/rdf+xml" && out.xmp.empty()) {
            out.xmp = heifItemData(s, *iloc, idat, item.id);
        }
    }
    return true;
}

bool readPngMetadata(std::string_view file, ContainerMetadata &out)
{
    if (!file.starts_with(kPngSignature))
        return false;
    const Span s(file);
    std::string rawExif;
    uint64_t pos = kPngSignature.size();
    for (;;) {
        const auto length = s.be(pos, 4);
        if (!length || *length > 0x7FFFFFFF || !s.has(pos + 8, *length))
            break; // cut or damaged: what was read stays
        const std::string_view type = s.sub(pos + 4, 4);
        const std::string_view data = s.sub(pos + 8, *length);
        pos += 12 + *length;
        if (type == "IEND")
            break;
        if (type == "eXIf" && out.exif.empty()) {
            out.exif = std::string(exifTiffOf(data));
        } else if (type == "iCCP" && out.icc.empty()) {
            const Span chunk(data);
            if (const auto name = chunk.text(0, data.size()); name && name->size() + 2 <= data.size()) {
                if (auto profile = inflated(data.substr(name->size() + 2)))
                    out.icc = std::move(*profile);
            }
        } else if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            PngText text = pngText(type, data);
            if (!text.text)
                continue;
            if (text.keyword == "XML:com.adobe.xmp" && out.xmp.empty()) {
                out.xmp = std::move(*text.text);
            } else if (text.keyword == "Raw profile type xmp" && out.xmp.empty()) {
                out.xmp = rawProfileBytes(*text.text);
            } else if ((text.keyword == "Raw profile type exif" || text.keyword == "Raw profile type APP1")
                && rawExif.empty()) {
                rawExif = std::string(exifTiffOf(rawProfileBytes(*text.text)));
            }
        }
    }
    // The text chunk counts only where no eXIf chunk speaks.
    if (out.exif.empty())
        out.exif = std::move(rawExif);
    return true;
}

bool readWebpMetadata(std::string_view file, ContainerMetadata &out)
{
    const Span s(file);
    if (s.sub(0, 4) != "RIFF" || s.sub(8, 4) != "WEBP")
        return false;
    const uint64_t riffEnd = std::min<uint64_t>(s.size(), uint64_t(*s.le32(4)) + 8);
    uint64_t pos = 12;
    while (pos + 8 <= riffEnd) {
        const std::string_view type = s.sub(pos, 4);
        const uint64_t size = *s.le32(pos + 4);
        if (size > riffEnd - pos - 8)
            break;
        const std::string_view data = s.sub(pos + 8, size);
        if (type == "EXIF" && out.exif.empty())
            out.exif = std::string(exifTiffOf(data));
        else if (type == "XMP " && out.xmp.empty())
            out.xmp = std::string(data);
        else if (type == "ICCP" && out.icc.empty())
            out.icc = std::string(data);
        pos += 8 + size + (size & 1);
    }
    return true;
}

bool readContainerMetadata(PhotoKind kind, std::string_view file, ContainerMetadata &out)
{
    out = {};
    switch (kind) {
    case PhotoKind::Heif:
        return readHeifMetadata(file, out);
    case PhotoKind::Png:
        return readPngMetadata(file, out);
    case PhotoKind::Webp:
        return readWebpMetadata(file, out);
    case PhotoKind::Tiff:
        return readTiffMetadata(file, out);
    default:
        return false;
    }
}

bool setTiffOrientation(std::string &tiff, int value)
{
    if (!TiffView(tiff).hasHeader())
        return false;
    const TiffView r(tiff);
    const auto first = r.get(4, 4);
    const auto count = first ? r.get(*first, 2) : std::nullopt;
    if (!count)
        return false;
    for (uint64_t i = 0; i < *count && i < kMaxIfdEntries; ++i) {
        const uint64_t e = *first + 2 + 12 * i;
        const auto tag = r.get(e, 2);
        const auto type = r.get(e + 2, 2);
        const auto n = r.get(e + 4, 4);
        if (!tag || !type || !n || !r.get(e + 8, 2))
            return false;
        if (*tag != 274)
            continue;
        if (*type != 3 || *n != 1)
            return false;
        const bool motorola = r.motorola();
        tiff[e + 8] = static_cast<char>(motorola ? value >> 8 : value & 0xFF);
        tiff[e + 9] = static_cast<char>(motorola ? value & 0xFF : value >> 8);
        return true;
    }
    return false;
}

namespace {

struct PngChunk
{
    std::string_view type;
    std::string_view data;
    std::string_view whole; // length, type, data and CRC
};

std::vector<PngChunk> pngChunks(std::string_view file)
{
    std::vector<PngChunk> chunks;
    if (!file.starts_with(kPngSignature))
        return chunks;
    const Span s(file);
    uint64_t pos = kPngSignature.size();
    for (;;) {
        const auto length = s.be(pos, 4);
        if (!length || *length > 0x7FFFFFFF || !s.has(pos, 12 + *length))
            break;
        chunks.push_back({ s.sub(pos + 4, 4), s.sub(pos + 8, *length), s.sub(pos, 12 + *length) });
        pos += 12 + *length;
        if (chunks.back().type == "IEND")
            break;
    }
    return chunks;
}

bool isEncoderChunk(std::string_view type)
{
    return type == "IHDR" || type == "PLTE" || type == "tRNS" || type == "sBIT" || type == "IDAT" || type == "IEND";
}

bool keptFromSource(const PngChunk &chunk)
{
    const std::string_view t = chunk.type;
    if (t.size() != 4 || isEncoderChunk(t) || t == "tIME" || t == "eXIf")
        return false;
    if (t == "tEXt" || t == "zTXt" || t == "iTXt") {
        const std::string_view keyword = chunk.data.substr(0, chunk.data.find('\0'));
        return keyword != "Raw profile type exif" && keyword != "Raw profile type APP1";
    }
    if (t == "iCCP" || t == "sRGB" || t == "gAMA" || t == "cHRM")
        return true;
    // Chunks we do not know go along only where their type says they survive
    // any change of the pixels (fourth letter in lower case).
    return (t[3] & 0x20) != 0;
}

void putPngChunk(std::string &out, std::string_view type, std::string_view data)
{
    const uint64_t length = data.size();
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(length >> shift & 0xFF);
    out.append(type);
    out.append(data);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef *>(type.data()), static_cast<uInt>(type.size()));
    crc = crc32(crc, reinterpret_cast<const Bytef *>(data.data()), static_cast<uInt>(data.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(crc >> shift & 0xFF);
}

} // namespace

std::string composePng(std::string_view encoded, std::string_view source, std::string_view exifTiff)
{
    const std::vector<PngChunk> mine = pngChunks(encoded);
    if (mine.empty() || mine.front().type != "IHDR" || mine.back().type != "IEND")
        return {};
    std::string out(kPngSignature);
    out.append(mine.front().whole);
    for (const PngChunk &chunk : pngChunks(source)) {
        if (keptFromSource(chunk))
            out.append(chunk.whole);
    }
    if (!exifTiff.empty() && exifTiff.size() <= 0x7FFFFFFF)
        putPngChunk(out, "eXIf", exifTiff);
    for (size_t i = 1; i < mine.size(); ++i) {
        if (isEncoderChunk(mine[i].type))
            out.append(mine[i].whole);
    }
    return out;
}

} // namespace kelvra
