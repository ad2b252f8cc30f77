// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvra::test {

// Builds small TIFF structures in either byte order: directories with entries,
// values laid out after each directory, pointers between directories.
class TiffBuilder
{
public:
    explicit TiffBuilder(bool motorola)
        : m_motorola(motorola)
    {
        m_ifds.emplace_back();
    }

    int addIfd(); // a new directory; 0 is IFD0
    // Value bytes as stored (already in the byte order); placed in the entry
    // when they fit in four bytes, else after the directory.
    void add(int ifd, uint16_t tag, uint16_t fmt, uint32_t count, std::string bytes);
    // The four value bytes of the entry given literally (an offset or an inline value).
    void addLiteral(int ifd, uint16_t tag, uint16_t fmt, uint32_t count, uint32_t field);
    void ascii(int ifd, uint16_t tag, std::string_view text); // adds the zero byte
    void shorts(int ifd, uint16_t tag, const std::vector<uint16_t> &values);
    void longs(int ifd, uint16_t tag, const std::vector<uint32_t> &values);
    void rationals(
        int ifd, uint16_t tag, const std::vector<std::pair<int64_t, int64_t>> &values, bool isSigned = false);
    void undefined(int ifd, uint16_t tag, std::string_view bytes);
    void pointer(int ifd, uint16_t tag, int child); // LONG offset of another directory
    void link(int ifd, int next); // next-directory link
    // Bytes between the header and IFD0 (the header still points at IFD0).
    void setGap(size_t bytes) { m_gap = bytes; }

    std::string u16(uint32_t value) const;
    std::string u32(uint32_t value) const;

    // "II*\0" or "MM\0*", the offset of IFD0, then the directories.
    std::string build() const;
    // Offset of a directory in build()'s output.
    uint32_t offsetOf(int ifd) const;

private:
    struct Entry
    {
        uint16_t tag, fmt;
        uint32_t count;
        std::string bytes;
        int child = -1;
        bool literal = false;
        uint32_t field = 0;
    };
    struct Ifd
    {
        std::vector<Entry> entries;
        int next = -1;
    };
    size_t ifdSize(const Ifd &ifd) const;

    bool m_motorola;
    std::vector<Ifd> m_ifds;
    size_t m_gap = 0;
};

// "Exif\0\0" + tiff: the payload of an EXIF APP1 segment.
std::string exifPayload(const std::string &tiff);
// FF marker, the big-endian length (payload + 2), payload.
std::string segment(uint8_t marker, std::string_view payload);
// FF D8, the segments, a start-of-scan segment, some scan bytes, FF D9.
std::string jpegFile(const std::vector<std::string> &segments, size_t scanBytes = 64);

} // namespace kelvra::test
