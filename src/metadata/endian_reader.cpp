// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/endian_reader.h"

namespace kelvra {

bool tEndInd::contains(int64_t p, int64_t length) const
{
    const auto size = static_cast<int64_t>(llData.size());
    return p >= 0 && length >= 0 && p <= size && length <= size - p;
}

uint8_t tEndInd::byteAt(int64_t p) const
{
    if (p < 0 || p >= static_cast<int64_t>(llData.size()))
        return 0;
    return static_cast<uint8_t>(llData[static_cast<size_t>(p)]);
}

uint16_t tEndInd::Get16u(int64_t p) const
{
    const uint16_t a = byteAt(p);
    const uint16_t b = byteAt(p + 1);
    return MotorolaOrder ? static_cast<uint16_t>(a << 8 | b) : static_cast<uint16_t>(b << 8 | a);
}

uint32_t tEndInd::Get32u(int64_t p) const
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t byte = byteAt(MotorolaOrder ? p + i : p + 3 - i);
        value = value << 8 | byte;
    }
    return value;
}

int32_t tEndInd::Get32s(int64_t p) const
{
    return static_cast<int32_t>(Get32u(p));
}

} // namespace kelvra
