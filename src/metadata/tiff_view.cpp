// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/tiff_view.h"

#include <algorithm>

namespace kelvra {

namespace {

constexpr size_t kExifHeader = 8; // two length bytes, "Exif\0\0"

} // namespace

TiffView TiffView::ofExifSegment(std::string_view segment)
{
    return TiffView(segment.substr(std::min(segment.size(), kExifHeader)));
}

bool TiffView::hasHeader() const
{
    const std::string_view order = m_tiff.substr(0, 4);
    return m_tiff.size() >= 8 && (order == std::string_view("II*\0", 4) || order == std::string_view("MM\0*", 4));
}

std::optional<uint32_t> TiffView::get(int64_t pos, int bytes) const
{
    if (pos < 0 || bytes < 1 || bytes > 4 || pos > size() - bytes)
        return std::nullopt;
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | static_cast<unsigned char>(m_tiff[static_cast<size_t>(pos + (m_motorola ? i : bytes - 1 - i))]);
    return v;
}

std::string_view TiffView::sub(int64_t pos, int64_t length) const
{
    if (pos < 0 || length < 0 || pos > size() || length > size() - pos)
        return {};
    return m_tiff.substr(static_cast<size_t>(pos), static_cast<size_t>(length));
}

std::optional<int64_t> TiffView::nextLinkAt(int64_t ifd) const
{
    const std::optional<uint32_t> count = get(ifd, 2);
    if (!count)
        return std::nullopt;
    return entryAt(ifd, *count);
}

std::optional<int64_t> TiffView::findEntry(int64_t ifd, uint16_t tag) const
{
    const uint32_t count = get(ifd, 2).value_or(0);
    for (uint32_t i = 0; i < count; ++i) {
        if (get(entryAt(ifd, i), 2) == tag)
            return entryAt(ifd, i);
    }
    return std::nullopt;
}

std::string TiffView::encode(uint32_t value, int bytes) const
{
    std::string out(static_cast<size_t>(bytes), '\0');
    putTiffNumber(out, 0, value, bytes, m_motorola);
    return out;
}

void putTiffNumber(std::string &target, size_t pos, uint64_t value, int bytes, bool motorola)
{
    for (int i = 0; i < bytes; ++i) {
        const int shift = 8 * (motorola ? bytes - 1 - i : i);
        target[pos + static_cast<size_t>(i)] = static_cast<char>(value >> shift & 0xFF);
    }
}

} // namespace kelvra
