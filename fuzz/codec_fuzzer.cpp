// SPDX-License-Identifier: GPL-3.0-or-later
// Photos reach the decoder from anywhere: decode arbitrary bytes at full and
// reduced scale and read every output pixel, then encode what came out; and
// rewrite the coefficients with a band of them changed, as stamping with
// kept quality does, and splice the same band into the source's own
// entropy-coded data, whatever symbols its tables lack: what the splice
// writes must decode cleanly to the source's blocks with the band's (as
// written) in their place. Where the tables cannot fit the band, coding every
// block again must give libjpeg's rewrite byte for byte.
#include "fuzz_check.h"
#include "imaging/entropy_splice.h"
#include "imaging/jpeg_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Sink
{
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;
};

unsigned char *giveRows(void *context, int width, int height, std::size_t *stride)
{
    auto *sink = static_cast<Sink *>(context);
    // Keep each run small; the size limits themselves are tested elsewhere.
    if (static_cast<long long>(width) * height > 4'000'000)
        return nullptr;
    sink->width = width;
    sink->height = height;
    *stride = static_cast<std::size_t>(width) * 4;
    sink->pixels.assign(*stride * static_cast<std::size_t>(height), 0);
    return sink->pixels.data();
}

// A band in the middle of the picture, a few MCU rows high.
kelvra::jpeg::RowBand middleBand(void *, const kelvra::jpeg::CoefficientLayout &layout)
{
    check(layout.components >= 1 && layout.components <= 4 && layout.mcuRows >= 0);
    return { layout.mcuRows / 3, layout.mcuRows / 3 + 2, true };
}

// The band's MCU columns an editor changes; null for all.
struct Columns
{
    int first = 0, last = 0;
};

bool inColumns(const void *context, const kelvra::jpeg::CoefficientPlane &plane, int column)
{
    const auto *columns = static_cast<const Columns *>(context);
    return !columns || (column / plane.hSamp >= columns->first && column / plane.hSamp < columns->last);
}

// Every block of the band in the editor's columns to change.
template<typename Change>
void changeBand(void *context, const kelvra::jpeg::CoefficientLayout &layout, const kelvra::jpeg::CoefficientBand &band,
    Change change)
{
    for (int c = 0; c < layout.components; ++c) {
        const kelvra::jpeg::CoefficientPlane &plane = layout.planes[c];
        for (int row = 0; row < (band.lastMcuRow - band.firstMcuRow) * plane.vSamp; ++row)
            for (int x = band.firstBlock[c]; x < band.lastBlock[c]; ++x)
                if (inColumns(context, plane, x))
                    change(band.block(c, row, x));
    }
}

// Reads and changes every coefficient of the band, as the label's blocks are.
bool scrambleBand(
    void *context, const kelvra::jpeg::CoefficientLayout &layout, const kelvra::jpeg::CoefficientBand &band)
{
    changeBand(context, layout, band, [](short *block) {
        for (int k = 0; k < 64; ++k)
            block[k] = static_cast<short>((block[k] * 3 + k) % 1024);
    });
    return true;
}

// Turns the band's AC coefficients over: the same symbols, so that no
// block needs moving.
bool negateBand(void *context, const kelvra::jpeg::CoefficientLayout &layout, const kelvra::jpeg::CoefficientBand &band)
{
    changeBand(context, layout, band, [](short *block) {
        for (int k = 1; k < 64; ++k)
            block[k] = static_cast<short>(-block[k]);
    });
    return true;
}

struct Blocks
{
    kelvra::jpeg::CoefficientLayout layout;
    std::vector<short> planes[4];
};

void keepBlocks(void *context, const kelvra::jpeg::CoefficientLayout &layout, const kelvra::jpeg::CoefficientBand &all)
{
    auto *b = static_cast<Blocks *>(context);
    b->layout = layout;
    for (int c = 0; c < layout.components; ++c) {
        const kelvra::jpeg::CoefficientPlane &p = layout.planes[c];
        b->planes[c].assign(all.blocks[c], all.blocks[c] + std::size_t(p.blocksWide) * p.blocksHigh * 64);
    }
}

bool readBlocks(const unsigned char *data, std::size_t size, Blocks &blocks, int *warnings)
{
    kelvra::jpeg::RowMemory memory;
    const kelvra::ImageResult<kelvra::jpeg::Warnings> r
        = kelvra::jpeg::readCoefficients(data, size, keepBlocks, &blocks, &memory);
    *warnings = r.value.count;
    return r.ok();
}

// Tables the edited band does not fit: every block coded again one MCU at
// a time must give the bytes libjpeg's rewrite of the same edit gives, and
// the DC terms of what it wrote.
void checkRecode(const uint8_t *data, size_t size, const kelvra::jpeg::ScanHeader &header, kelvra::jpeg::RowBand rows,
    Columns &columns, kelvra::jpeg::CoefficientEditor edit, kelvra::jpeg::SpliceMemory &memory)
{
    using namespace kelvra::jpeg;
    EncodeBuffer markers;
    const kelvra::ImageResult<ScanHeader> completed = readCompletedScanHeader(data, size, &markers);
    if (!completed || !completed.value.spliceable)
        return;
    const kelvra::ImageResult<SpliceEnd> recoded = recodeScan(data, size, header, completed.value, markers.data.get(),
        markers.size, rows, columns.first, columns.last, memory);
    if (recoded && recoded.value == SpliceEnd::Spliced) {
        RowMemory band;
        EncodeBuffer out;
        const kelvra::ImageResult<Warnings> r
            = rewriteCoefficients(data, size, middleBand, edit, &columns, &band, &out);
        if (r && r.value.count == 0)
            check(out.size == memory.out.size()
                && std::equal(out.data.get(), out.data.get() + out.size, memory.out.begin()));
        Blocks written;
        int warnings = 0;
        check(readBlocks(memory.out.data(), memory.out.size(), written, &warnings) && warnings == 0);
        const CoefficientLayout &l = header.layout;
        for (int c = 0; c < l.components; ++c) {
            const CoefficientPlane &p = l.planes[c];
            const int wide = l.pictureBlocksWide(c);
            const int high = l.pictureBlocksHigh(c);
            for (int y = 0; y < high; ++y)
                for (int x = 0; x < wide; ++x) {
                    const std::size_t at = std::size_t(y) * p.blocksWide + std::size_t(x);
                    check(memory.dc.planes[c][at] == written.planes[c][at * 64]);
                }
        }
    }
}

// The source's blocks with middleBand's scrambled, against the splice's
// output, inside the picture (blocks past its edge are the encoder's own).
void checkSplice(const uint8_t *data, size_t size)
{
    using namespace kelvra::jpeg;
    EncodeBuffer markers;
    SpliceMemory memory;
    const kelvra::ImageResult<ScanHeader> read = readScanHeader(data, size, &markers);
    const ScanHeader &header = read.value;
    if (read && header.spliceable) {
        const RowBand rows = middleBand(nullptr, header.layout);
        const CoefficientEditor edit = size % 2 ? negateBand : scrambleBand;
        const int mcusWide = (header.layout.width + 8 * header.layout.maxHSamp - 1) / (8 * header.layout.maxHSamp);
        Columns columns { mcusWide / 4, size % 3 ? mcusWide / 2 + 1 : mcusWide };
        memory.collectDc = true;
        const kelvra::ImageResult<SpliceEnd> spliced = spliceScan(data, size, header, markers.data.get(), markers.size,
            rows, columns.first, columns.last, edit, &columns, memory);
        // The editors here never refuse.
        check(spliced.ok());
        if (spliced.value == SpliceEnd::CodeMissing)
            checkRecode(data, size, header, rows, columns, edit, memory);
        if (spliced.value == SpliceEnd::Spliced) {
            Blocks before, after;
            int warnings = 0;
            check(readBlocks(data, size, before, &warnings));
            check(readBlocks(memory.out.data(), memory.out.size(), after, &warnings) && warnings == 0);
            const CoefficientLayout &l = header.layout;
            check(after.layout.width == l.width && after.layout.height == l.height);
            // The label's MCUs hold what the splice wrote (the edited
            // blocks, moved where the tables lack a symbol); every other
            // block is the source's.
            const int firstRow = std::min(rows.first, l.mcuRows), lastRow = std::min(rows.last, l.mcuRows);
            const CoefficientBand &held = memory.held;
            if (memory.fittedBlocks == 0) {
                Blocks edited = before;
                CoefficientBand band;
                band.firstMcuRow = firstRow;
                band.lastMcuRow = lastRow;
                for (int c = 0; c < l.components; ++c) {
                    band.blocks[c] = edited.planes[c].data()
                        + std::size_t(firstRow) * l.planes[c].vSamp * l.planes[c].blocksWide * 64;
                    band.lastBlock[c] = l.planes[c].blocksWide;
                }
                edit(&columns, l, band);
                for (int c = 0; c < l.components; ++c)
                    for (int row = 0; row < (lastRow - firstRow) * l.planes[c].vSamp; ++row)
                        for (int x = held.firstBlock[c]; x < held.lastBlock[c]; ++x)
                            check(!inColumns(&columns, l.planes[c], x)
                                || std::equal(
                                    band.block(c, row, x), band.block(c, row, x) + 64, held.block(c, row, x)));
            }
            for (int c = 0; c < l.components; ++c) {
                const CoefficientPlane &p = l.planes[c];
                const int wide = l.pictureBlocksWide(c);
                const int high = l.pictureBlocksHigh(c);
                for (int y = 0; y < high; ++y)
                    for (int x = 0; x < wide; ++x) {
                        const std::size_t at = (std::size_t(y) * p.blocksWide + std::size_t(x)) * 64;
                        const short *expected = before.planes[c].data() + at;
                        if (y / p.vSamp >= firstRow && y / p.vSamp < lastRow && inColumns(&columns, p, x))
                            expected = held.block(c, y - firstRow * p.vSamp, x);
                        check(std::equal(expected, expected + 64, after.planes[c].data() + at));
                        check(
                            memory.dc.planes[c][std::size_t(y) * p.blocksWide + std::size_t(x)] == after.planes[c][at]);
                    }
            }
        }
    }
}

} // namespace

// The one pass of the normal road: a band in the middle third, painted in
// its columns, whose rows the watcher must see in order, every one once.
struct PassWatch
{
    int width = 0, height = 0, next = 0;
    bool painted = false;
    unsigned sum = 0; // of a sample per row, so that every row is read
};

kelvra::jpeg::RowBand middleRows(void *context, int width, int height)
{
    auto *w = static_cast<PassWatch *>(context);
    w->width = width;
    w->height = height;
    return { height / 3, height / 3 + height / 5 + 1, true, width / 3 + 1, width / 3 + width / 4 + 2 };
}

bool paintRows(void *context, unsigned char *firstRow, std::size_t stride, int width, int left, int first, int last)
{
    auto *w = static_cast<PassWatch *>(context);
    check(left >= 0 && width >= 0 && left + width <= w->width && first >= 0 && last <= w->height && first <= last);
    for (int y = 0; y < last - first; ++y)
        for (int x = 0; x < width; x += 3)
            firstRow[std::size_t(y) * stride + std::size_t(x) * 4 + 1] ^= 0x5A;
    w->painted = true;
    return true;
}

void watchRows(void *context, const kelvra::jpeg::RowView &rows, int width, int first, int last)
{
    auto *w = static_cast<PassWatch *>(context);
    check(width == w->width && first == w->next && last > first && last <= w->height);
    check(rows.pixels ? rows.stride >= std::size_t(width) * 4 : rows.lumaStride >= std::size_t(width));
    for (int y = first; y < last; ++y)
        w->sum += rows.pixels ? rows.pixels[std::size_t(y - first) * rows.stride + std::size_t(width - 1) * 4]
                              : rows.luma[std::size_t(y - first) * rows.lumaStride + std::size_t(width - 1)]
                + rows.blue[std::size_t(y / 2 - first / 2) * rows.chromaStride + std::size_t(width - 1) / 2];
    w->next = last;
}

void checkPass(const uint8_t *data, size_t size, const kelvra::jpeg::HeaderInfo &info)
{
    using namespace kelvra::jpeg;
    PassWatch watch;
    RowMemory rows;
    EncodeBuffer out;
    const kelvra::ImageResult<Warnings> once
        = transcode(data, size, DecodeOptions(), 85, middleRows, paintRows, &watch, &rows, &out, watchRows);
    // Decoding on a second thread gives the same bytes, or the same failure.
    DecodeOptions ahead;
    ahead.decodeAhead = true;
    PassWatch watchAhead;
    RowMemory rowsAhead;
    EncodeBuffer outAhead;
    const kelvra::ImageResult<Warnings> twice
        = transcode(data, size, ahead, 85, middleRows, paintRows, &watchAhead, &rowsAhead, &outAhead, watchRows);
    check(bool(once) == bool(twice) && once.error == twice.error && once.value.count == twice.value.count);
    if (!once)
        return;
    check(outAhead.bytes() == out.bytes());
    check(watch.next == watch.height && watch.painted);
    const kelvra::ImageResult<HeaderInfo> again = readHeader(out.data.get(), out.size);
    check(again && again.value.width == info.width && again.value.height == info.height);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kelvra::jpeg;
    const kelvra::ImageResult<HeaderInfo> header = readHeader(data, size);
    if (!header)
        return 0;
    const HeaderInfo &info = header.value;
    for (const DecodeOptions options : { DecodeOptions { 1, false, true }, DecodeOptions { 8, true, false } }) {
        Sink sink;
        if (!decode(data, size, options, giveRows, &sink))
            continue;
        unsigned sum = 0;
        for (unsigned char byte : sink.pixels)
            sum += byte;
        if (sink.pixels.size() != static_cast<size_t>(sink.width) * sink.height * 4)
            std::abort();
        // The encoded bytes go with their owner.
        (void)encode(sink.pixels.data(), sink.width, sink.height, static_cast<std::size_t>(sink.width) * 4,
            static_cast<int>(sum % 100) + 1);
    }
    if (static_cast<long long>(info.width) * info.height <= 4'000'000) {
        RowMemory band;
        EncodeBuffer out;
        if (rewriteCoefficients(data, size, middleBand, scrambleBand, nullptr, &band, &out)) {
            check(out.size > 2 && out.data.get()[0] == 0xFF && out.data.get()[1] == 0xD8);
            const kelvra::ImageResult<HeaderInfo> again = readHeader(out.data.get(), out.size);
            check(again && again.value.width == info.width && again.value.height == info.height);
        }
        checkSplice(data, size);
        checkPass(data, size, info);
    }
    return 0;
}
