// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace kelvra {

// Byte-order-aware reader over one byte buffer; base of TimgData and TImageInfo.
// Every multi-byte read of metadata goes through here. Positions are 0-based
// and may lie anywhere: a byte outside the buffer reads as zero, so a crafted
// offset can give a wrong number but never a read out of bounds.
class tEndInd
{
public:
    bool MotorolaOrder = false; // true: big-endian ("MM"); false: little-endian ("II")
    std::string llData;

    uint16_t Get16u(int64_t p) const;
    int32_t Get32s(int64_t p) const;
    uint32_t Get32u(int64_t p) const;

    void SetDataBuff(const std::string &value) { llData = value; }

    // The byte at p, or 0 outside the buffer.
    uint8_t byteAt(int64_t p) const;

    // True when [p, p + length) lies inside the buffer.
    bool contains(int64_t p, int64_t length) const;
};

} // namespace kelvra
