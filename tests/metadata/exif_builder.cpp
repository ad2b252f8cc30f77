// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif_builder.h"

#include <stdexcept>

namespace kelvra::test {

int TiffBuilder::addIfd()
{
    m_ifds.emplace_back();
    return static_cast<int>(m_ifds.size()) - 1;
}

std::string TiffBuilder::u16(uint32_t value) const
{
    std::string out(2, '\0');
    out[m_motorola ? 0 : 1] = static_cast<char>(value >> 8 & 0xFF);
    out[m_motorola ? 1 : 0] = static_cast<char>(value & 0xFF);
    return out;
}

std::string TiffBuilder::u32(uint32_t value) const
{
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[static_cast<size_t>(m_motorola ? 3 - i : i)] = static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}

void TiffBuilder::add(int ifd, uint16_t tag, uint16_t fmt, uint32_t count, std::string bytes)
{
    m_ifds.at(static_cast<size_t>(ifd)).entries.push_back({ tag, fmt, count, std::move(bytes) });
}

void TiffBuilder::addLiteral(int ifd, uint16_t tag, uint16_t fmt, uint32_t count, uint32_t field)
{
    Entry e { tag, fmt, count, {} };
    e.literal = true;
    e.field = field;
    m_ifds.at(static_cast<size_t>(ifd)).entries.push_back(e);
}

void TiffBuilder::ascii(int ifd, uint16_t tag, std::string_view text)
{
    std::string bytes(text);
    bytes += '\0';
    add(ifd, tag, 2, static_cast<uint32_t>(bytes.size()), bytes);
}

void TiffBuilder::shorts(int ifd, uint16_t tag, const std::vector<uint16_t> &values)
{
    std::string bytes;
    for (uint16_t v : values)
        bytes += u16(v);
    add(ifd, tag, 3, static_cast<uint32_t>(values.size()), bytes);
}

void TiffBuilder::longs(int ifd, uint16_t tag, const std::vector<uint32_t> &values)
{
    std::string bytes;
    for (uint32_t v : values)
        bytes += u32(v);
    add(ifd, tag, 4, static_cast<uint32_t>(values.size()), bytes);
}

void TiffBuilder::rationals(
    int ifd, uint16_t tag, const std::vector<std::pair<int64_t, int64_t>> &values, bool isSigned)
{
    std::string bytes;
    for (const auto &[n, d] : values)
        bytes += u32(static_cast<uint32_t>(n)) + u32(static_cast<uint32_t>(d));
    add(ifd, tag, isSigned ? 10 : 5, static_cast<uint32_t>(values.size()), bytes);
}

void TiffBuilder::undefined(int ifd, uint16_t tag, std::string_view bytes)
{
    add(ifd, tag, 7, static_cast<uint32_t>(bytes.size()), std::string(bytes));
}

void TiffBuilder::pointer(int ifd, uint16_t tag, int child)
{
    Entry e { tag, 4, 1, {} };
    e.child = child;
    m_ifds.at(static_cast<size_t>(ifd)).entries.push_back(e);
}

void TiffBuilder::link(int ifd, int next)
{
    m_ifds.at(static_cast<size_t>(ifd)).next = next;
}

size_t TiffBuilder::ifdSize(const Ifd &ifd) const
{
    size_t size = 2 + 12 * ifd.entries.size() + 4;
    for (const Entry &e : ifd.entries) {
        if (!e.literal && e.child < 0 && e.bytes.size() > 4)
            size += (e.bytes.size() + 1) & ~size_t(1);
    }
    return size;
}

uint32_t TiffBuilder::offsetOf(int ifd) const
{
    size_t offset = 8 + m_gap;
    for (int i = 0; i < ifd; ++i)
        offset += ifdSize(m_ifds[static_cast<size_t>(i)]);
    return static_cast<uint32_t>(offset);
}

std::string TiffBuilder::build() const
{
    std::string out = m_motorola ? std::string("MM\0*", 4) : std::string("II*\0", 4);
    out += u32(offsetOf(0));
    out.append(m_gap, '\0');
    for (size_t i = 0; i < m_ifds.size(); ++i) {
        const Ifd &ifd = m_ifds[i];
        const size_t start = out.size();
        if (start != offsetOf(static_cast<int>(i)))
            throw std::logic_error("directory layout");
        size_t data = start + 2 + 12 * ifd.entries.size() + 4;
        std::string table = u16(static_cast<uint32_t>(ifd.entries.size()));
        std::string values;
        for (const Entry &e : ifd.entries) {
            table += u16(e.tag) + u16(e.fmt) + u32(e.count);
            if (e.literal) {
                table += u32(e.field);
            } else if (e.child >= 0) {
                table += u32(offsetOf(e.child));
            } else if (e.bytes.size() <= 4) {
                std::string inlined = e.bytes;
                inlined.resize(4, '\0');
                table += inlined;
            } else {
                table += u32(static_cast<uint32_t>(data + values.size()));
                values += e.bytes;
                if (values.size() % 2)
                    values += '\0';
            }
        }
        table += u32(ifd.next >= 0 ? offsetOf(ifd.next) : 0);
        out += table + values;
    }
    return out;
}

std::string exifPayload(const std::string &tiff)
{
    return std::string("Exif\0\0", 6) + tiff;
}

std::string segment(uint8_t marker, std::string_view payload)
{
    const size_t length = payload.size() + 2;
    if (length > 0xFFFF)
        throw std::length_error("segment too long");
    std::string out;
    out += '\xFF';
    out += static_cast<char>(marker);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(length & 0xFF);
    out += payload;
    return out;
}

std::string jpegFile(const std::vector<std::string> &segments, size_t scanBytes)
{
    std::string out("\xFF\xD8", 2);
    for (const std::string &s : segments)
        out += s;
    out += segment(0xDA, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));
    out.append(scanBytes, '\x55');
    out += "\xFF\xD9";
    return out;
}

} // namespace kelvra::test
