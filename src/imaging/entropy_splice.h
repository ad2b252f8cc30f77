// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Stamping a sequential Huffman JPEG by coding only the label's MCU rows
// again: the entropy-coded data of every other row is copied, bit-shifted at
// most. The source's bytes come from anywhere, so every read is bounds
// checked; what this cannot take exactly is refused, and the caller writes
// every coefficient again instead. No libjpeg and no Qt here.

#include "imaging/jpeg_codec.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace kelvra::jpeg {

struct HuffmanCoders;

// What a splice keeps from one photo to the next. One per thread.
struct SpliceMemory
{
    SpliceMemory();
    ~SpliceMemory();
    SpliceMemory(const SpliceMemory &) = delete;
    SpliceMemory &operator=(const SpliceMemory &) = delete;

    std::unique_ptr<HuffmanCoders> coders;
    std::vector<short> band; // laid out as held says
    CoefficientBand held; // the band of the last splice, as written
    std::vector<short> before; // the band as read, before the editor
    std::vector<short> edited; // the band as the editor left it
    std::vector<short> next; // the MCU after the band
    std::vector<unsigned char> out; // the spliced JPEG, out.size() bytes
    int fittedBlocks = 0; // changed blocks moved to the nearest the tables code
    // The squared differences of pixels the editor made in the blocks coded
    // again, and those fitting them to the tables lost.
    long long changedEnergy = 0;
    long long lostEnergy = 0;
    // Set: a splice leaves the DC terms of the JPEG it writes in dc (blocks
    // the scan does not code stay 0).
    bool collectDc = false;
    DcTerms dc;
};

// How a splice that did not fail ended: the two ways it can leave the photo
// to another road are decisions, not failures.
enum class SpliceEnd {
    Spliced,
    Refused, // damaged or unusual entropy-coded data, or a header the splice does not take: rewrite instead
    CodeMissing, // the source's tables code no block near enough a changed one: recode instead
};

// The JPEG of markers (readScanHeader()'s) and the source's scan, with the
// MCUs of the layout's rows [rows.first, rows.last) and columns
// [firstColumn, lastColumn) (clamped) decoded, handed to edit and coded again
// with the source's tables; the band's other blocks are zero and stay as
// they were. Where the tables lack a symbol a block needs, the block becomes
// the nearest one they code (the band then holds what was written). Every MCU of the scan is decoded as far as its
// symbols, so that damaged data is refused rather than copied. Fails with
// ImageError::PaintRefused when the editor says no.
ImageResult<SpliceEnd> spliceScan(const unsigned char *data, std::size_t size, const ScanHeader &header,
    const unsigned char *markers, std::size_t markersSize, RowBand rows, int firstColumn, int lastColumn,
    CoefficientEditor edit, void *context, SpliceMemory &memory);

// After spliceScan() said CodeMissing: the JPEG of markers
// (readCompletedScanHeader()'s) and every block of the source's scan coded
// again with the completed tables of `completed`, the band's as the editor
// left them: the bytes rewriteCoefficients() writes, one MCU at a time,
// holding no more than the band. rows and columns as spliceScan() had them.
ImageResult<SpliceEnd> recodeScan(const unsigned char *data, std::size_t size, const ScanHeader &header,
    const ScanHeader &completed, const unsigned char *markers, std::size_t markersSize, RowBand rows, int firstColumn,
    int lastColumn, SpliceMemory &memory);

} // namespace kelvra::jpeg
