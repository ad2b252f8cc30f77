// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The only place that talks to libjpeg. Its error exits longjmp, so every call
// here is plain C-style code with no C++ object alive between the library's
// setjmp and longjmp; callers get an ImageResult and never see an exit().

#include "imaging/image_error.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::jpeg {

// libjpeg's own limit on either side of a picture.
constexpr int kMaxSide = 65500;

// A few header bytes can claim 65500 x 65500, so what a picture may take is
// bounded by the memory a road holds for it, not by its size: rows pass
// through in strips, but a raster held whole (decode() at its output scale,
// encode(), transcode()'s label band) has at most this many 32-bit pixels,
// 1 GiB ...
constexpr long long kMaxRasterPixels = 1LL << 28;
// ... and the coefficients libjpeg keeps of a whole picture (a progressive
// or multi-scan file, the coefficient roads), 2 bytes a sample, at most this
// many bytes.
constexpr long long kMaxCoefficientBytes = 2LL << 30;

// A progressive file with this many scans is treated as hostile: each scan
// walks every coefficient again.
constexpr int kMaxScans = 500;

// What a decoder that went on past corrupt data warned of. A failure's
// detail is libjpeg's error for ImageError::Library, else empty.
struct Warnings
{
    int count = 0;
    std::string first; // libjpeg's words, may be empty
};

// Memory the codec takes with malloc and grows with realloc.
struct FreeCodecMemory
{
    void operator()(unsigned char *memory) const;
};
using CodecMemory = std::unique_ptr<unsigned char, FreeCodecMemory>;

struct HeaderInfo
{
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    bool chroma420 = false; // YCbCr with its chroma halved both ways
};

struct DecodeOptions
{
    int scaleDenom = 1; // 1, 2, 4 or 8
    bool fastDct = false; // integer fast IDCT, no two-pass quantizing, ordered dither
    bool fancyUpsampling = true;
    // transcode(): a 4:2:0 photo is decoded on a second thread while this
    // one encodes, for a core that would otherwise stand idle.
    bool decodeAhead = false;
};

// Hands the decoder a width x height buffer of 32-bit pixels once the output
// size is known: returns the first row and sets *stride, or returns null to
// refuse. Must not throw.
using RowSink = unsigned char *(*)(void *context, int width, int height, std::size_t *stride);

ImageResult<HeaderInfo> readHeader(const unsigned char *data, std::size_t size);

// Decodes into 32-bit pixels laid out as QImage::Format_RGB32 (0xffRRGGBB).
// Greyscale, RGB, YCbCr, CMYK and YCCK files all come out as RGB.
ImageResult<Warnings> decode(
    const unsigned char *data, std::size_t size, const DecodeOptions &options, RowSink sink, void *context);

// A growing output buffer that keeps its memory from one encode to the next,
// so that a batch worker does not fault in fresh pages for every photo.
struct EncodeBuffer
{
    CodecMemory data;
    std::size_t capacity = 0;
    std::size_t size = 0; // bytes of the last encode

    std::string_view bytes() const
    {
        return data ? std::string_view(reinterpret_cast<const char *>(data.get()), size) : std::string_view();
    }
};

// Encodes Format_RGB32 rows (alpha byte ignored) as baseline 4:2:0 YCbCr.
ImageResult<EncodeBuffer> encode(const unsigned char *pixels, int width, int height, std::size_t stride, int quality);

// encode() into buffer, which grows as needed and is never shrunk.
ImageResult<> encodeInto(
    const unsigned char *pixels, int width, int height, std::size_t stride, int quality, EncodeBuffer *buffer);

// Memory for rows of 32-bit pixels that keeps its size between calls.
struct RowMemory
{
    CodecMemory data;
    std::size_t capacity = 0;
};

// The rows [first, last) of the decoded picture that must all be at hand
// before any of them is encoded; first == last for none. ok false stops the
// work. The painter changes nothing outside the columns [left, right).
struct RowBand
{
    int first = 0;
    int last = 0;
    bool ok = true;
    int left = 0;
    int right = kMaxSide;
};

// Called once the picture's size is known. Must not throw.
using BandPlanner = RowBand (*)(void *context, int width, int height);
// Called with the band's rows, all decoded and none encoded yet: may change
// their pixels (Format_RGB32 layout), width of them from column left on,
// which hold at least the band's columns. False stops the work. Must not
// throw.
using BandPainter
    = bool (*)(void *context, unsigned char *firstRow, std::size_t stride, int width, int left, int first, int last);

// Rows as they go to the encoder: Format_RGB32 pixels, or the samples of a
// photo kept in its 4:2:0 YCbCr (chroma rows from first / 2, half as wide).
struct RowView
{
    const unsigned char *pixels = nullptr;
    std::size_t stride = 0;
    const unsigned char *luma = nullptr;
    const unsigned char *blue = nullptr;
    const unsigned char *red = nullptr;
    std::size_t lumaStride = 0;
    std::size_t chromaStride = 0;
};

// Called with every row, in order, as it goes to the encoder (the band's
// after painting). Must not throw.
using RowWatcher = void (*)(void *context, const RowView &rows, int width, int first, int last);

// decode() at full size and encodeInto() in one pass over the rows: each row is encoded
// as soon as it is decoded, so only a strip of rows and the band are ever in
// memory, and they are still in the cache when the encoder reads them.
// A 4:2:0 YCbCr photo, as most cameras write, keeps its samples: they go to
// the encoder as decoded, and only the pixels the painter changed are
// converted back into them. Any other photo gives the same JPEG as decoding
// in full, changing the band's rows and encoding the whole picture.
ImageResult<Warnings> transcode(const unsigned char *data, std::size_t size, const DecodeOptions &options, int quality,
    BandPlanner plan, BandPainter paint, void *context, RowMemory *rows, EncodeBuffer *out, RowWatcher watch = nullptr);

} // namespace kelvra::jpeg

namespace kelvra::jpeg {

// The stored DCT coefficients of a photo, for stamping without encoding the
// whole picture again.

enum class ColourModel { Grey, YCbCr, Rgb, Other };

struct CoefficientPlane
{
    int hSamp = 1; // sampling factors
    int vSamp = 1;
    // Blocks of the stored array, padded to whole MCUs.
    int blocksWide = 0;
    int blocksHigh = 0;
    unsigned short quant[64] = {}; // natural order
};

struct CoefficientLayout
{
    int width = 0;
    int height = 0;
    int components = 0;
    int maxHSamp = 1;
    int maxVSamp = 1;
    int mcuRows = 0; // of the picture, each maxVSamp * 8 pixel rows high
    ColourModel colour = ColourModel::Other;
    bool progressive = false;
    bool arithmetic = false;
    int restartInterval = 0; // in MCUs; 0 for none
    CoefficientPlane planes[4];

    // Component c's blocks that hold the picture; those past them only pad
    // the last MCUs.
    int pictureBlocksWide(int c) const { return (width * planes[c].hSamp + 8 * maxHSamp - 1) / (8 * maxHSamp); }
    int pictureBlocksHigh(int c) const { return (height * planes[c].vSamp + 8 * maxVSamp - 1) / (8 * maxVSamp); }
};

// A band of coefficient blocks: per component c, the block rows
// [firstMcuRow * vSamp, lastMcuRow * vSamp) of planes[c], of each the block
// columns [firstBlock[c], lastBlock[c]) (all blocksWide of them, or only
// those under a label), 64 coefficients (natural order) a block, row after
// row.
struct CoefficientBand
{
    int firstMcuRow = 0;
    int lastMcuRow = 0;
    short *blocks[4] = {};
    int firstBlock[4] = {};
    int lastBlock[4] = {};

    // Block column of row (counted from the band's first) of component c.
    short *block(int c, int row, int column) const
    {
        return blocks[c]
            + (std::size_t(row) * std::size_t(lastBlock[c] - firstBlock[c]) + std::size_t(column - firstBlock[c])) * 64;
    }
};

// Called once the layout is known: the MCU rows [first, last) to hand to the
// editor (first == last for none); ok false refuses the photo. Must not throw.
using CoefficientPlanner = RowBand (*)(void *context, const CoefficientLayout &layout);
// May change the band's blocks; false stops the work. Must not throw.
using CoefficientEditor = bool (*)(void *context, const CoefficientLayout &layout, const CoefficientBand &band);

// The DC term of every block, per component: planes[c] holds
// blocksWide x blocksHigh of the layout's plane c, row after row.
struct DcTerms
{
    std::vector<short> planes[4];
};

// Reads every coefficient and writes them all again with the source's
// quantisation tables, sampling, progressive or sequential mode, restart
// interval and entropy coder; only the band the editor changed differs. A
// sequential Huffman file keeps its tables (with codes added for symbols
// they lack). The output carries no metadata segments, like encode()'s.
// With dc, the DC terms of what is written go there too.
ImageResult<Warnings> rewriteCoefficients(const unsigned char *data, std::size_t size, CoefficientPlanner plan,
    CoefficientEditor edit, void *context, RowMemory *band, EncodeBuffer *out, DcTerms *dc = nullptr);

// Every block of every component to sink, each plane as one band
// (firstMcuRow 0, lastMcuRow the picture's MCU rows). Must not throw.
using CoefficientSink = void (*)(void *context, const CoefficientLayout &layout, const CoefficientBand &all);
ImageResult<Warnings> readCoefficients(
    const unsigned char *data, std::size_t size, CoefficientSink sink, void *context, RowMemory *memory);

// What copying a sequential Huffman scan's entropy-coded data needs from the
// source's header, as libjpeg read it.
struct HuffmanTable
{
    bool present = false;
    unsigned char bits[17] = {}; // bits[n]: codes of n bits
    unsigned char values[256] = {};
};

struct ScanHeader
{
    CoefficientLayout layout;
    // One scan of every component, 8-bit samples, Huffman coded, sequential:
    // only then is the rest of this filled in.
    bool spliceable = false;
    int order[4] = {}; // the components in the scan's order
    int dcTable[4] = {}; // per component
    int acTable[4] = {};
    int blocksWide[4] = {}; // the blocks a single-component scan codes, unpadded
    int blocksHigh[4] = {};
    HuffmanTable dc[4];
    HuffmanTable ac[4];
    std::size_t entropyOffset = 0; // of the scan's first entropy-coded byte
};

// Reads the header and, for a spliceable file, writes to *markers the
// segments rewriteCoefficients() would write before the entropy-coded data
// when the source's Huffman tables lack nothing: SOI, JFIF or Adobe, DQT,
// SOF, DHT (the source's tables as they are), DRI and SOS. Decodes no
// coefficient.
ImageResult<ScanHeader> readScanHeader(const unsigned char *data, std::size_t size, EncodeBuffer *markers);

// The same for writing every block again: the markers and header's tables
// are the source's tables completed with a code for every symbol, as
// rewriteCoefficients() writes them.
ImageResult<ScanHeader> readCompletedScanHeader(const unsigned char *data, std::size_t size, EncodeBuffer *markers);

} // namespace kelvra::jpeg
