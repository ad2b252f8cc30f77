// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra {

// The one reader of a TIFF structure: a TIFF file, or the block an EXIF
// segment carries after "Exif\0\0". Positions count from the TIFF header and
// may be anything a crafted file says, negative included; a read that leaves
// the bytes gives nullopt, never a load.
class TiffView
{
public:
    explicit TiffView(std::string_view tiff)
        : m_tiff(tiff)
        , m_motorola(!tiff.empty() && tiff[0] == 'M')
    {
    }
    // Bytes in a known order, such as a value copied out of a structure.
    TiffView(std::string_view bytes, bool motorola)
        : m_tiff(bytes)
        , m_motorola(motorola)
    {
    }

    // The TIFF block of an EXIF segment as the JPEG reader keeps it: two
    // length bytes, "Exif\0\0", then the structure.
    static TiffView ofExifSegment(std::string_view segment);

    bool motorola() const { return m_motorola; }
    int64_t size() const { return static_cast<int64_t>(m_tiff.size()); }

    // "II*\0" or "MM\0*" and room for the first directory's offset.
    bool hasHeader() const;

    // A number of 1 to 4 bytes in the structure's byte order.
    std::optional<uint32_t> get(int64_t pos, int bytes) const;

    // Empty when [pos, pos + length) leaves the bytes.
    std::string_view sub(int64_t pos, int64_t length) const;

    // Where the directory at ifd keeps its entry i (12 bytes each after the
    // two-byte count) and its link to the next directory.
    static int64_t entryAt(int64_t ifd, int64_t i) { return ifd + 2 + 12 * i; }
    std::optional<int64_t> nextLinkAt(int64_t ifd) const;

    // The position of the directory's entry for tag; nullopt without.
    std::optional<int64_t> findEntry(int64_t ifd, uint16_t tag) const;

    // value as the structure stores a number of the given bytes.
    std::string encode(uint32_t value, int bytes) const;

private:
    std::string_view m_tiff;
    bool m_motorola;
};

// Writes value over the bytes of target at pos, in the given order.
void putTiffNumber(std::string &target, size_t pos, uint64_t value, int bytes, bool motorola);

} // namespace kelvra
