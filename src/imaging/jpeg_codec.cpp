// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/jpeg_codec.h"

#include "imaging/ycc_band.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <csetjmp>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include <jpeglib.h>
// After jpeglib.h, which it needs; gives the message codes.
#include <jerror.h>

namespace kelvra::jpeg {

namespace {

static_assert(kMaxSide == JPEG_MAX_DIMENSION);

// Format_RGB32 is 0xffRRGGBB as a 32-bit word. The alpha variants promise the
// 0xff byte; the X variants leave it undefined, which QImage does not allow.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr J_COLOR_SPACE kDecodeSpace = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kEncodeSpace = JCS_EXT_XRGB;
#else
constexpr J_COLOR_SPACE kDecodeSpace = JCS_EXT_BGRA;
constexpr J_COLOR_SPACE kEncodeSpace = JCS_EXT_BGRX;
#endif

// What the error manager gathers while the library runs: plain data, as
// nothing with a destructor may live across its longjmp. Made an ImageResult
// once the library is done.
struct Report
{
    bool ok = false;
    ImageError error = ImageError::None;
    int warnings = 0; // libjpeg's warnings about corrupt data
    // libjpeg's words: for ImageError::Library its error, else its first warning.
    char message[JMSG_LENGTH_MAX] = {};
};

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    Report *result;
};

[[noreturn]] void failWith(j_common_ptr cinfo, ImageError error)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    err->result->error = error;
    err->result->message[0] = '\0';
    std::longjmp(err->jump, 1);
}

[[noreturn]] void onErrorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    // With no backing store, this is how the memory manager says the
    // coefficient arrays would go over max_memory_to_use.
    if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)
        failWith(cinfo, ImageError::PictureTooLarge);
    err->result->error = ImageError::Library;
    (*cinfo->err->format_message)(cinfo, err->result->message);
    std::longjmp(err->jump, 1);
}

// Warnings are counted, never printed; the first one is kept as the message.
void onEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    if (err->result->warnings++ == 0)
        (*cinfo->err->format_message)(cinfo, err->result->message);
}

void onOutputMessage(j_common_ptr) { }

void onProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans)
        failWith(cinfo, ImageError::TooManyScans);
}

void setUpErrors(jpeg_error_mgr *pub)
{
    jpeg_std_error(pub);
    pub->error_exit = onErrorExit;
    pub->emit_message = onEmitMessage;
    pub->output_message = onOutputMessage;
}

// Whole-picture coefficient arrays beyond the budget fail before they are
// allocated, instead of taking gigabytes for a few header bytes.
void limitMemory(j_decompress_ptr cinfo)
{
    cinfo->mem->max_memory_to_use = static_cast<long>(std::min<long long>(kMaxCoefficientBytes, LONG_MAX));
}

void setError(Report &result, ImageError error)
{
    result.error = error;
    result.message[0] = '\0';
}

bool sizeFits(std::size_t size)
{
    return size > 0 && size <= ULONG_MAX;
}

// CMYK from libjpeg is the stored ink values; Adobe writers store them
// inverted (255 = no ink), others plain.
void cmykRowToRgb32(unsigned char *row, unsigned width, bool inverted)
{
    for (unsigned x = 0; x < width; ++x) {
        unsigned char *p = row + 4 * x;
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        const std::uint32_t r = (c * k + 127) / 255;
        const std::uint32_t g = (m * k + 127) / 255;
        const std::uint32_t b = (y * k + 127) / 255;
        const std::uint32_t pixel = 0xff000000u | (r << 16) | (g << 8) | b;
        std::memcpy(p, &pixel, 4);
    }
}

// A photo whose samples the pass keeps: YCbCr with chroma halved both ways,
// the encoder's own layout.
bool keepsSamples(const jpeg_decompress_struct &in)
{
    if (in.jpeg_color_space != JCS_YCbCr || in.num_components != 3)
        return false;
    const jpeg_component_info *c = in.comp_info;
    return c[0].h_samp_factor == 2 && c[0].v_samp_factor == 2 && c[1].h_samp_factor == 1 && c[1].v_samp_factor == 1
        && c[2].h_samp_factor == 1 && c[2].v_samp_factor == 1 && c[1].width_in_blocks == c[2].width_in_blocks;
}

Report readHeaderInto(const unsigned char *data, std::size_t size, HeaderInfo *info)
{
    Report result;
    if (!data || !sizeFits(size)) {
        setError(result, ImageError::NoData);
        return result;
    }
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    err.result = &result;
    cinfo.err = &err.pub;
    setUpErrors(&err.pub);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        result.ok = false;
        return result;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    info->width = static_cast<int>(cinfo.image_width);
    info->height = static_cast<int>(cinfo.image_height);
    info->components = cinfo.num_components;
    info->progressive = cinfo.progressive_mode != 0;
    info->chroma420 = keepsSamples(cinfo);
    jpeg_destroy_decompress(&cinfo);
    result.ok = true;
    return result;
}

Report decodeRows(
    const unsigned char *data, std::size_t size, const DecodeOptions &options, RowSink sink, void *context)
{
    Report result;
    if (!data || !sizeFits(size)) {
        setError(result, ImageError::NoData);
        return result;
    }
    if (options.scaleDenom != 1 && options.scaleDenom != 2 && options.scaleDenom != 4 && options.scaleDenom != 8) {
        setError(result, ImageError::UnsupportedScale);
        return result;
    }
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    err.result = &result;
    cinfo.err = &err.pub;
    setUpErrors(&err.pub);
    progress.progress_monitor = onProgress;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        result.ok = false;
        return result;
    }
    jpeg_create_decompress(&cinfo);
    limitMemory(&cinfo);
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : kDecodeSpace;
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(options.scaleDenom);
    cinfo.dct_method = options.fastDct ? JDCT_IFAST : JDCT_ISLOW;
    cinfo.do_fancy_upsampling = options.fancyUpsampling ? TRUE : FALSE;
    if (options.fastDct) {
        cinfo.two_pass_quantize = FALSE;
        cinfo.dither_mode = JDITHER_ORDERED;
    }
    // The raster is the output, so a reduced scale of a huge photo fits.
    jpeg_calc_output_dimensions(&cinfo);
    if (static_cast<long long>(cinfo.output_width) * cinfo.output_height > kMaxRasterPixels)
        failWith(reinterpret_cast<j_common_ptr>(&cinfo), ImageError::PictureTooLarge);
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4)
        failWith(reinterpret_cast<j_common_ptr>(&cinfo), ImageError::UnexpectedLayout);

    std::size_t stride = 0;
    unsigned char *first
        = sink(context, static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), &stride);
    if (!first)
        failWith(reinterpret_cast<j_common_ptr>(&cinfo), ImageError::NoMemory);

    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[8];
        const JDIMENSION start = cinfo.output_scanline;
        JDIMENSION count = cinfo.output_height - start;
        if (count > 8)
            count = 8;
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = first + (start + i) * stride;
        const JDIMENSION read = jpeg_read_scanlines(&cinfo, rows, count);
        if (read == 0)
            failWith(reinterpret_cast<j_common_ptr>(&cinfo), ImageError::DecoderStalled);
        if (cmyk) {
            for (JDIMENSION i = 0; i < read; ++i)
                cmykRowToRgb32(rows[i], cinfo.output_width, cinfo.saw_Adobe_marker != 0);
        }
    }
    // Every row is in; whatever follows the picture is of no interest, so
    // no jpeg_finish_decompress (it would read on to EOI).
    jpeg_destroy_decompress(&cinfo);
    result.ok = true;
    return result;
}

struct GrowingDestination
{
    jpeg_destination_mgr pub;
    EncodeBuffer *buffer;
};

// Room for at least one more byte, keeping the first used bytes.
void growBuffer(j_compress_ptr cinfo, std::size_t used)
{
    auto *dest = reinterpret_cast<GrowingDestination *>(cinfo->dest);
    EncodeBuffer *b = dest->buffer;
    if (used >= b->capacity) {
        if (b->capacity > SIZE_MAX / 2)
            failWith(reinterpret_cast<j_common_ptr>(cinfo), ImageError::EncodedTooLarge);
        const std::size_t grown = b->capacity < 65536 ? 65536 : b->capacity * 2;
        void *data = std::realloc(b->data.get(), grown);
        if (!data)
            failWith(reinterpret_cast<j_common_ptr>(cinfo), ImageError::NoMemory);
        // realloc took the old block: the owner lets go of it without freeing.
        (void)b->data.release();
        b->data.reset(static_cast<unsigned char *>(data));
        b->capacity = grown;
    }
    dest->pub.next_output_byte = b->data.get() + used;
    dest->pub.free_in_buffer = b->capacity - used;
}

// The library writes a byte before it checks for room, so the buffer must
// never be empty.
void startOutput(j_compress_ptr cinfo)
{
    growBuffer(cinfo, 0);
}

// Called with the buffer full; realloc keeps what is written.
boolean growOutput(j_compress_ptr cinfo)
{
    auto *dest = reinterpret_cast<GrowingDestination *>(cinfo->dest);
    growBuffer(cinfo, dest->buffer->capacity);
    return TRUE;
}

void finishOutput(j_compress_ptr cinfo)
{
    auto *dest = reinterpret_cast<GrowingDestination *>(cinfo->dest);
    dest->buffer->size = dest->buffer->capacity - dest->pub.free_in_buffer;
}

Report encodeRows(
    const unsigned char *pixels, int width, int height, std::size_t stride, int quality, EncodeBuffer *buffer)
{
    Report result;
    buffer->size = 0;
    if (!pixels || width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION
        || static_cast<long long>(width) * height > kMaxRasterPixels) {
        setError(result, ImageError::SizeNotEncodable);
        return result;
    }
    // A fresh constant, not the parameter reassigned: the compiler cannot
    // promise a changed argument survives the longjmp.
    const int clampedQuality = quality < 1 ? 1 : (quality > 100 ? 100 : quality);

    jpeg_compress_struct cinfo;
    ErrorManager err;
    GrowingDestination dest;
    dest.pub.init_destination = startOutput;
    dest.pub.empty_output_buffer = growOutput;
    dest.pub.term_destination = finishOutput;
    dest.buffer = buffer;
    err.result = &result;
    cinfo.err = &err.pub;
    setUpErrors(&err.pub);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        buffer->size = 0;
        result.ok = false;
        return result;
    }
    jpeg_create_compress(&cinfo);
    cinfo.dest = &dest.pub;
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = kEncodeSpace;
    // The library's defaults are those of cjpeg: accurate integer DCT, 4:2:0,
    // the standard Huffman tables (an optimizing pass would cost a second
    // walk over the coefficients for a few per cent of size).
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, clampedQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[16];
        const JDIMENSION start = cinfo.next_scanline;
        JDIMENSION count = cinfo.image_height - start;
        if (count > 16)
            count = 16;
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = const_cast<unsigned char *>(pixels + (start + i) * stride);
        jpeg_write_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    result.ok = true;
    return result;
}

// Rows handed to the codecs at once outside the band: a strip that stays in
// the cache between the decoder and the encoder.
constexpr int kStripRows = 16;

// Everything the error exit has to release, kept out of the frame that calls
// setjmp.
struct TranscodeState
{
    jpeg_decompress_struct in;
    jpeg_compress_struct out;
    bool inCreated;
    bool outCreated;
    ErrorManager err;
    jpeg_progress_mgr progress;
    GrowingDestination dest;
};

// Before the caller's setjmp: errors, progress and the growing output of
// one decoder-to-encoder pass. setjmp itself must stay in the caller.
void prepareState(TranscodeState &s, Report &result, EncodeBuffer *out)
{
    s.inCreated = s.outCreated = false;
    s.err.result = &result;
    s.in.err = &s.err.pub;
    s.out.err = &s.err.pub;
    setUpErrors(&s.err.pub);
    s.progress.progress_monitor = onProgress;
    s.dest.pub.init_destination = startOutput;
    s.dest.pub.empty_output_buffer = growOutput;
    s.dest.pub.term_destination = finishOutput;
    s.dest.buffer = out;
}

// Under the caller's setjmp: the decoder over data, its header read.
void openSource(TranscodeState &s, const unsigned char *data, std::size_t size)
{
    jpeg_create_decompress(&s.in);
    s.inCreated = true;
    limitMemory(&s.in);
    s.in.progress = &s.progress;
    jpeg_mem_src(&s.in, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s.in, TRUE);
}

void destroyState(TranscodeState &s)
{
    if (s.outCreated)
        jpeg_destroy_compress(&s.out);
    if (s.inCreated)
        jpeg_destroy_decompress(&s.in);
}

void ensureRows(TranscodeState &s, RowMemory *rows, std::size_t bytes)
{
    if (bytes <= rows->capacity)
        return;
    rows->data.reset();
    rows->capacity = 0;
    rows->data.reset(static_cast<unsigned char *>(std::malloc(bytes)));
    if (!rows->data)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::NoMemory);
    rows->capacity = bytes;
}

// Decodes rows [first, last) into memory, one after the other from its start.
void readRows(TranscodeState &s, unsigned char *memory, std::size_t stride, int first, int last, bool cmyk)
{
    int y = first;
    while (y < last) {
        JSAMPROW pointers[kStripRows];
        const int count = last - y < kStripRows ? last - y : kStripRows;
        for (int i = 0; i < count; ++i)
            pointers[i] = memory + std::size_t(y - first + i) * stride;
        const JDIMENSION read = jpeg_read_scanlines(&s.in, pointers, static_cast<JDIMENSION>(count));
        if (read == 0)
            failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::DecoderStalled);
        if (cmyk) {
            for (JDIMENSION i = 0; i < read; ++i)
                cmykRowToRgb32(pointers[i], s.in.output_width, s.in.saw_Adobe_marker != 0);
        }
        y += static_cast<int>(read);
    }
}

void writeRows(TranscodeState &s, unsigned char *memory, std::size_t stride, int count)
{
    for (int done = 0; done < count;) {
        JSAMPROW pointers[kStripRows];
        const int n = count - done < kStripRows ? count - done : kStripRows;
        for (int i = 0; i < n; ++i)
            pointers[i] = memory + std::size_t(done + i) * stride;
        jpeg_write_scanlines(&s.out, pointers, static_cast<JDIMENSION>(n));
        done += n;
    }
}

// Rows in an iMCU row of a 4:2:0 photo: what libjpeg's raw calls move.
constexpr int kGroupRows = 16;

// The pointers of one iMCU row of planes, as libjpeg's raw calls take them.
struct RawRows
{
    JSAMPROW luma[kGroupRows];
    JSAMPROW blue[kGroupRows / 2];
    JSAMPROW red[kGroupRows / 2];
    JSAMPARRAY planes[3];
};

// Points raw at the one iMCU row that p starts with.
void pointRaw(RawRows &raw, const Planes420 &p)
{
    for (int i = 0; i < kGroupRows; ++i)
        raw.luma[i] = p.luma + std::size_t(i) * p.lumaStride;
    for (int i = 0; i < kGroupRows / 2; ++i) {
        raw.blue[i] = p.blue + std::size_t(i) * p.chromaStride;
        raw.red[i] = p.red + std::size_t(i) * p.chromaStride;
    }
    raw.planes[0] = raw.luma;
    raw.planes[1] = raw.blue;
    raw.planes[2] = raw.red;
}

RowView viewOf(const Planes420 &p)
{
    RowView view;
    view.luma = p.luma;
    view.blue = p.blue;
    view.red = p.red;
    view.lumaStride = p.lumaStride;
    view.chromaStride = p.chromaStride;
    return view;
}

// iMCU rows a decoder running ahead may hold before the encoder takes them.
constexpr int kRingGroups = 4;

// The planar pass: the decoder's planes go to the encoder untouched except
// where the painter changed the band's pixels. Rows outside the band pass
// through a ring of a few iMCU rows (groups); the band's groups are held
// whole until the label is on them. Its two halves, decoding (with the band's
// painting) and encoding (with the watcher), may run on two threads.
struct PlanarPass
{
    TranscodeState *s = nullptr;
    BandPainter paint = nullptr;
    RowWatcher watch = nullptr;
    void *context = nullptr;
    int width = 0;
    int height = 0;
    int groups = 0; // of the whole picture
    int bandGroup = -1; // the band's first, -1 for none
    int bandGroups = 0;
    BandWindow window; // the band's pixels
    Planes420 ring;
    Planes420 band;
    unsigned char *aboveBlue = nullptr;
    unsigned char *aboveRed = nullptr;
    unsigned char *pixels = nullptr;
    unsigned char *scratch = nullptr;
};

Planes420 planesOf(const Planes420 &p, int group)
{
    return Planes420 { p.luma + std::size_t(group * kGroupRows) * p.lumaStride,
        p.blue + std::size_t(group * kGroupRows / 2) * p.chromaStride,
        p.red + std::size_t(group * kGroupRows / 2) * p.chromaStride, p.lumaStride, p.chromaStride };
}

Planes420 groupPlanes(const PlanarPass &p, int group)
{
    if (p.bandGroup >= 0 && group >= p.bandGroup && group < p.bandGroup + p.bandGroups)
        return planesOf(p.band, group - p.bandGroup);
    return planesOf(p.ring, group % kRingGroups);
}

// Lays the pass out over the band: what it holds, in one block of memory.
void planPass(PlanarPass &p, RowBand band, RowMemory *rows)
{
    TranscodeState &s = *p.s;
    const int width = p.width, height = p.height;
    p.groups = (height + kGroupRows - 1) / kGroupRows;
    if (band.last > band.first) {
        p.bandGroup = band.first / kGroupRows;
        p.bandGroups = (band.last + kGroupRows - 1) / kGroupRows - p.bandGroup;
    }
    const int bandRows
        = p.bandGroups ? std::min((p.bandGroup + p.bandGroups) * kGroupRows, height) - p.bandGroup * kGroupRows : 0;
    // The band is the one part of the picture held whole, as samples.
    if (static_cast<long long>(width) * p.bandGroups * kGroupRows > kMaxRasterPixels)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::PictureTooLarge);
    // Only the band's columns become pixels, on whole chroma squares: a
    // turned photo's label runs down all its rows but a few of its columns.
    const int left = std::clamp(band.left, 0, width) & ~1;
    const int right = std::clamp(band.right, left, width);
    const int columns = std::min(width - left, (right - left + 1) & ~1);
    p.window = BandWindow { width, left, columns, bandRows };

    const std::size_t lumaStride = std::size_t(s.in.comp_info[0].width_in_blocks) * DCTSIZE;
    const std::size_t chromaStride = std::size_t(s.in.comp_info[1].width_in_blocks) * DCTSIZE;
    const std::size_t groupBytes = lumaStride * kGroupRows + chromaStride * kGroupRows;
    const auto planesAt = [&](unsigned char *at, int groups) {
        const std::size_t luma = lumaStride * std::size_t(groups * kGroupRows);
        const std::size_t chroma = chromaStride * std::size_t(groups * kGroupRows / 2);
        return Planes420 { at, at + luma, at + luma + chroma, lumaStride, chromaStride };
    };
    const std::size_t ringBytes = groupBytes * kRingGroups, bandBytes = groupBytes * std::size_t(p.bandGroups);
    const std::size_t pixelsAt = (ringBytes + bandBytes + 2 * chromaStride + 15) & ~std::size_t(15);
    const std::size_t pixelBytes = std::size_t(columns) * 4 * std::size_t(bandRows);
    ensureRows(s, rows, pixelsAt + pixelBytes + bandScratchBytes(columns, bandRows));
    unsigned char *base = rows->data.get();
    p.ring = planesAt(base, kRingGroups);
    p.band = planesAt(base + ringBytes, p.bandGroups);
    p.aboveBlue = base + ringBytes + bandBytes;
    p.aboveRed = p.aboveBlue + chromaStride;
    p.pixels = base + pixelsAt;
    p.scratch = p.pixels + pixelBytes;
}

void readGroup(TranscodeState &s, const Planes420 &planes)
{
    RawRows raw;
    pointRaw(raw, planes);
    if (jpeg_read_raw_data(&s.in, raw.planes, kGroupRows) != kGroupRows)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::DecoderStalled);
}

// Decodes the group the encoder needs next, or the whole band with its label
// when that starts there; returns how many groups are then ready.
int decodeUnit(PlanarPass &p, int group)
{
    TranscodeState &s = *p.s;
    if (group != p.bandGroup) {
        readGroup(s, groupPlanes(p, group));
        return group + 1;
    }
    // The band's first rows blend in the chroma row above it, still in the
    // ring: the decoder alone writes there, and not before the band is done.
    const bool above = group > 0;
    if (above) {
        const Planes420 before = groupPlanes(p, group - 1);
        const std::size_t last = std::size_t(kGroupRows / 2 - 1) * before.chromaStride;
        std::memcpy(p.aboveBlue, before.blue + last, before.chromaStride);
        std::memcpy(p.aboveRed, before.red + last, before.chromaStride);
    }
    const ChromaAbove context420 = above ? ChromaAbove { p.aboveBlue, p.aboveRed } : ChromaAbove();
    for (int g = 0; g < p.bandGroups; ++g)
        readGroup(s, planesOf(p.band, g));
    const std::size_t stride = std::size_t(p.window.columns) * 4;
    const int first = group * kGroupRows;
    bandToRgb32(p.band, context420, p.window, p.pixels, stride, p.scratch);
    if (p.paint && !p.paint(p.context, p.pixels, stride, p.window.columns, p.window.left, first, first + p.window.rows))
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::PaintRefused);
    storeChangedPixels(p.band, p.window, p.pixels, stride, p.scratch);
    return group + p.bandGroups;
}

void encodeGroup(PlanarPass &p, int group)
{
    const Planes420 planes = groupPlanes(p, group);
    if (p.watch)
        p.watch(p.context, viewOf(planes), p.width, group * kGroupRows,
            std::min(group * kGroupRows + kGroupRows, p.height));
    RawRows raw;
    pointRaw(raw, planes);
    jpeg_write_raw_data(&p.s->out, raw.planes, kGroupRows);
}

// Both halves on this thread, one unit at a time.
void passPlanes(PlanarPass &p)
{
    int decoded = 0;
    for (int group = 0; group < p.groups; ++group) {
        if (decoded <= group)
            decoded = decodeUnit(p, group);
        encodeGroup(p, group);
    }
}

// The decoding half on a thread of its own, a few groups ahead. Its libjpeg
// errors jump to its own setjmp; what it says reaches the pass's report once
// it has stopped.
struct DecodeAhead
{
    PlanarPass *pass = nullptr;
    ErrorManager err {};
    Report report;
    std::mutex lock;
    std::condition_variable moved;
    int decoded = 0;
    int encoded = 0;
    bool failed = false;
    bool stopped = false;
    std::thread thread;

    // The encoder's side: false when the decoder failed before group was ready.
    bool waitFor(int group)
    {
        std::unique_lock<std::mutex> hold(lock);
        moved.wait(hold, [&] { return decoded > group || failed; });
        return decoded > group;
    }
    void encodedUpTo(int groups) { set(encoded, groups); }
    // The decoder's side: false when told to stop.
    bool roomFor(int group)
    {
        std::unique_lock<std::mutex> hold(lock);
        moved.wait(hold, [&] { return encoded > group - kRingGroups || stopped; });
        return !stopped;
    }
    void decodedUpTo(int groups) { set(decoded, groups); }
    void fail() { set(failed, true); }
    void stop()
    {
        set(stopped, true);
        if (thread.joinable())
            thread.join();
    }

private:
    // Changes what the other side waits on, and wakes it.
    template<typename T> void set(T &field, T value)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            field = value;
        }
        moved.notify_all();
    }
};

void decodeAheadOn(DecodeAhead *ahead)
{
    PlanarPass &p = *ahead->pass;
    if (setjmp(ahead->err.jump)) {
        ahead->fail();
        return;
    }
    for (int decoded = 0; decoded < p.groups;) {
        // A ring slot is free once the group before in it is encoded; the
        // band has memory of its own.
        if (decoded != p.bandGroup && !ahead->roomFor(decoded))
            return;
        decoded = decodeUnit(p, decoded);
        ahead->decodedUpTo(decoded);
    }
}

// The decoder moves to its own thread and error manager. False when it
// failed: its report says why.
bool passPlanesAhead(PlanarPass &p, DecodeAhead &ahead)
{
    ahead.pass = &p;
    ahead.err.result = &ahead.report;
    ahead.err.pub = p.s->err.pub;
    p.s->in.err = &ahead.err.pub;
    ahead.thread = std::thread(decodeAheadOn, &ahead);
    for (int group = 0; group < p.groups; ++group) {
        if (!ahead.waitFor(group))
            return false;
        encodeGroup(p, group);
        ahead.encodedUpTo(group + 1);
    }
    return true;
}

// What the decoder's thread said joins what this one did: its warnings, and
// its error when it failed.
void takeReport(Report &result, const Report &decoder)
{
    if (decoder.error != ImageError::None) {
        result.error = decoder.error;
        std::memcpy(result.message, decoder.message, sizeof result.message);
    } else if (result.warnings == 0 && decoder.warnings > 0) {
        std::memcpy(result.message, decoder.message, sizeof result.message);
    }
    result.warnings += decoder.warnings;
}

// The encoder of the pass: the picture's size, 4:2:0 YCbCr at quality, fed
// samples or pixels.
void startEncoder(TranscodeState &s, int width, int height, bool samples, int quality)
{
    jpeg_create_compress(&s.out);
    s.outCreated = true;
    s.out.dest = &s.dest.pub;
    s.out.image_width = static_cast<JDIMENSION>(width);
    s.out.image_height = static_cast<JDIMENSION>(height);
    s.out.input_components = samples ? 3 : 4;
    s.out.in_color_space = samples ? JCS_YCbCr : kEncodeSpace;
    jpeg_set_defaults(&s.out);
    jpeg_set_quality(&s.out, quality, TRUE);
    s.out.raw_data_in = samples ? TRUE : FALSE;
    jpeg_start_compress(&s.out, TRUE);
}

// The pass through pixels: strips of rows from decoder to encoder, the band
// held whole until it is painted.
void passRgbRows(
    TranscodeState &s, RowBand band, bool cmyk, BandPainter paint, RowWatcher watch, void *context, RowMemory *rows)
{
    const int width = static_cast<int>(s.in.output_width);
    const int height = static_cast<int>(s.in.output_height);
    const std::size_t stride = std::size_t(width) * 4;
    const int held = band.last - band.first > kStripRows ? band.last - band.first : kStripRows;
    // The band is the one part of the picture held whole.
    if (static_cast<long long>(width) * held > kMaxRasterPixels)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::PictureTooLarge);
    ensureRows(s, rows, stride * std::size_t(held));

    int y = 0;
    while (y < height) {
        if (y == band.first && band.last > band.first) {
            readRows(s, rows->data.get(), stride, band.first, band.last, cmyk);
            if (paint && !paint(context, rows->data.get(), stride, width, 0, band.first, band.last))
                failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::PaintRefused);
            if (watch)
                watch(context, RowView { rows->data.get(), stride }, width, band.first, band.last);
            writeRows(s, rows->data.get(), stride, band.last - band.first);
            y = band.last;
            continue;
        }
        const int limit = y < band.first ? band.first : height;
        const int end = limit - y > kStripRows ? y + kStripRows : limit;
        readRows(s, rows->data.get(), stride, y, end, cmyk);
        if (watch)
            watch(context, RowView { rows->data.get(), stride }, width, y, end);
        writeRows(s, rows->data.get(), stride, end - y);
        y = end;
    }
}

// The pass through samples, decoding ahead on a thread of its own when given
// one. False when that thread failed; result then says why.
bool passSamples(TranscodeState &s, Report &result, RowBand band, BandPainter paint, RowWatcher watch, void *context,
    RowMemory *rows, DecodeAhead *ahead)
{
    PlanarPass pass;
    pass.s = &s;
    pass.paint = paint;
    pass.watch = watch;
    pass.context = context;
    pass.width = static_cast<int>(s.in.output_width);
    pass.height = static_cast<int>(s.in.output_height);
    planPass(pass, band, rows);
    if (!ahead || pass.groups < 2) {
        passPlanes(pass);
        return true;
    }
    const bool decodedAll = passPlanesAhead(pass, *ahead);
    ahead->stop();
    takeReport(result, ahead->report);
    return decodedAll;
}

Report transcodeWith(TranscodeState &s, const unsigned char *data, std::size_t size, const DecodeOptions &options,
    int quality, BandPlanner plan, BandPainter paint, RowWatcher watch, void *context, RowMemory *rows,
    EncodeBuffer *out, DecodeAhead *ahead)
{
    Report result;
    out->size = 0;
    if (!data || !sizeFits(size)) {
        setError(result, ImageError::NoData);
        return result;
    }
    const int clampedQuality = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
    prepareState(s, result, out);
    if (setjmp(s.err.jump)) {
        if (ahead)
            ahead->stop();
        destroyState(s);
        out->size = 0;
        result.ok = false;
        return result;
    }
    openSource(s, data, size);
    const bool cmyk = s.in.jpeg_color_space == JCS_CMYK || s.in.jpeg_color_space == JCS_YCCK;
    const bool planar = !cmyk && keepsSamples(s.in);
    s.in.out_color_space = cmyk ? JCS_CMYK : kDecodeSpace;
    s.in.raw_data_out = planar ? TRUE : FALSE;
    s.in.scale_num = 1;
    s.in.scale_denom = 1;
    s.in.dct_method = options.fastDct ? JDCT_IFAST : JDCT_ISLOW;
    s.in.do_fancy_upsampling = options.fancyUpsampling ? TRUE : FALSE;
    jpeg_start_decompress(&s.in);
    if (!planar && s.in.output_components != 4)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::UnexpectedLayout);
    const int width = static_cast<int>(s.in.output_width);
    const int height = static_cast<int>(s.in.output_height);
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::SizeNotEncodable);

    RowBand band = plan ? plan(context, width, height) : RowBand();
    if (!band.ok)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::PaintRefused);
    band.first = band.first < 0 ? 0 : (band.first > height ? height : band.first);
    band.last = band.last < band.first ? band.first : (band.last > height ? height : band.last);
    startEncoder(s, width, height, planar, clampedQuality);
    if (!planar) {
        passRgbRows(s, band, cmyk, paint, watch, context, rows);
    } else if (!passSamples(s, result, band, paint, watch, context, rows, ahead)) {
        destroyState(s);
        out->size = 0;
        result.ok = false;
        return result;
    }
    jpeg_finish_compress(&s.out);
    jpeg_destroy_compress(&s.out);
    // Every row is in; no jpeg_finish_decompress, as in decode().
    jpeg_destroy_decompress(&s.in);
    result.ok = true;
    return result;
}

// The two objects of a coefficient rewrite and what the error exit releases,
// kept out of the frame that calls setjmp.
struct CoefficientState : TranscodeState
{
    CoefficientLayout layout;
    jvirt_barray_ptr *arrays;
};

void ensureMemory(j_common_ptr cinfo, RowMemory *memory, std::size_t bytes)
{
    if (bytes <= memory->capacity)
        return;
    memory->data.reset();
    memory->capacity = 0;
    memory->data.reset(static_cast<unsigned char *>(std::malloc(bytes)));
    if (!memory->data)
        failWith(cinfo, ImageError::NoMemory);
    memory->capacity = bytes;
}

ColourModel colourModelOf(J_COLOR_SPACE space)
{
    switch (space) {
    case JCS_GRAYSCALE:
        return ColourModel::Grey;
    case JCS_YCbCr:
        return ColourModel::YCbCr;
    case JCS_RGB:
        return ColourModel::Rgb;
    default:
        return ColourModel::Other;
    }
}

// s.layout from the decoder's header. Before jpeg_read_coefficients() the
// components have no tables latched yet; their slots hold them.
void fillLayout(CoefficientState &s)
{
    if (s.in.num_components < 1 || s.in.num_components > 4)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::UnexpectedLayout);
    CoefficientLayout &l = s.layout;
    l = CoefficientLayout();
    l.width = static_cast<int>(s.in.image_width);
    l.height = static_cast<int>(s.in.image_height);
    l.components = s.in.num_components;
    l.maxHSamp = s.in.max_h_samp_factor;
    l.maxVSamp = s.in.max_v_samp_factor;
    l.mcuRows = static_cast<int>(s.in.total_iMCU_rows);
    l.colour = colourModelOf(s.in.jpeg_color_space);
    l.progressive = s.in.progressive_mode != 0;
    l.arithmetic = s.in.arith_code != 0;
    l.restartInterval = static_cast<int>(s.in.restart_interval);
    for (int c = 0; c < l.components; ++c) {
        const jpeg_component_info &comp = s.in.comp_info[c];
        CoefficientPlane &plane = l.planes[c];
        const JQUANT_TBL *quant = comp.quant_table;
        if (!quant && comp.quant_tbl_no >= 0 && comp.quant_tbl_no < NUM_QUANT_TBLS)
            quant = s.in.quant_tbl_ptrs[comp.quant_tbl_no];
        if (!quant)
            failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::UnexpectedLayout);
        plane.hSamp = comp.h_samp_factor;
        plane.vSamp = comp.v_samp_factor;
        // The decoder pads its arrays to whole MCUs.
        const auto roundUp = [](JDIMENSION n, int m) { return static_cast<int>((n + m - 1) / m * m); };
        plane.blocksWide = roundUp(comp.width_in_blocks, comp.h_samp_factor);
        plane.blocksHigh = roundUp(comp.height_in_blocks, comp.v_samp_factor);
        for (int k = 0; k < DCTSIZE2; ++k)
            plane.quant[k] = quant->quantval[k];
    }
}

// Reads the header and every coefficient, and fills s.layout.
void readAllCoefficients(CoefficientState &s, const unsigned char *data, std::size_t size)
{
    openSource(s, data, size);
    s.arrays = jpeg_read_coefficients(&s.in);
    if (!s.arrays)
        failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::UnexpectedLayout);
    fillLayout(s);
}

// Copies MCU rows [first, last) of every component between the arrays and
// memory (toArrays false: out of the arrays).
void copyBand(CoefficientState &s, const CoefficientBand &band, bool toArrays)
{
    for (int c = 0; c < s.layout.components; ++c) {
        const CoefficientPlane &plane = s.layout.planes[c];
        const std::size_t rowBytes = std::size_t(plane.blocksWide) * sizeof(JBLOCK);
        const int firstRow = band.firstMcuRow * plane.vSamp;
        const int lastRow = band.lastMcuRow * plane.vSamp;
        for (int r = firstRow; r < lastRow; ++r) {
            JBLOCKARRAY rows = (*s.in.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&s.in), s.arrays[c], static_cast<JDIMENSION>(r), 1, TRUE);
            auto *memory = reinterpret_cast<unsigned char *>(band.blocks[c]) + std::size_t(r - firstRow) * rowBytes;
            if (toArrays)
                std::memcpy(rows[0], memory, rowBytes);
            else
                std::memcpy(memory, rows[0], rowBytes);
        }
    }
}

// Lays band's planes out in memory for MCU rows [first, last).
void placeBand(CoefficientState &s, RowMemory *memory, CoefficientBand &band)
{
    static_assert(sizeof(JBLOCK) == 64 * sizeof(short));
    std::size_t bytes = 0;
    for (int c = 0; c < s.layout.components; ++c) {
        const CoefficientPlane &plane = s.layout.planes[c];
        bytes += std::size_t(band.lastMcuRow - band.firstMcuRow) * plane.vSamp * plane.blocksWide * sizeof(JBLOCK);
    }
    ensureMemory(reinterpret_cast<j_common_ptr>(&s.in), memory, bytes > 0 ? bytes : 1);
    std::size_t offset = 0;
    for (int c = 0; c < s.layout.components; ++c) {
        const CoefficientPlane &plane = s.layout.planes[c];
        band.blocks[c] = reinterpret_cast<short *>(memory->data.get() + offset);
        band.firstBlock[c] = 0;
        band.lastBlock[c] = plane.blocksWide;
        offset += std::size_t(band.lastMcuRow - band.firstMcuRow) * plane.vSamp * plane.blocksWide * sizeof(JBLOCK);
    }
}

// Whether symbol may occur in a sequential 8-bit scan: a DC category 0..11,
// or an AC run/size pair, end of block or a run of sixteen zeros.
bool possibleSymbol(int symbol, bool dc)
{
    if (dc)
        return symbol <= 11;
    const int size = symbol & 15;
    return symbol == 0x00 || symbol == 0xF0 || (size >= 1 && size <= 10);
}

// The source's table with a code for every symbol a changed block may need:
// a label brings symbols the source's optimised tables never had. Symbols
// keep about the lengths they had (built from weights 2^(17 - length), the
// missing ones the lightest), so the rest of the picture codes as before.
// Codes are limited to 16 bits the usual way, with one reserved codeword
// so that no code is all ones.
void completeHuffmanTable(const JHUFF_TBL &source, bool dc, JHUFF_TBL &out)
{
    int length[256] = {};
    for (int len = 1, k = 0; len <= 16; ++len)
        for (int n = 0; n < source.bits[len] && k < 256; ++n, ++k)
            length[source.huffval[k]] = len;
    bool complete = true;
    for (int symbol = 0; symbol < 256 && complete; ++symbol)
        complete = !possibleSymbol(symbol, dc) || length[symbol] > 0;
    if (complete) {
        out = source;
        return;
    }
    long long freq[257] = {};
    for (int symbol = 0; symbol < 256; ++symbol)
        freq[symbol] = length[symbol] > 0 ? 1LL << (17 - length[symbol]) : (possibleSymbol(symbol, dc) ? 1 : 0);
    freq[256] = 1; // the reserved codeword
    int codesize[257] = {};
    int others[257];
    std::fill(others, others + 257, -1);
    for (;;) {
        // The two least weights; a tie goes to the larger symbol.
        int c1 = -1, c2 = -1;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] && (c1 < 0 || freq[i] <= freq[c1]))
                c1 = i;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] && i != c1 && (c2 < 0 || freq[i] <= freq[c2]))
                c2 = i;
        if (c2 < 0)
            break;
        freq[c1] += freq[c2];
        freq[c2] = 0;
        for (++codesize[c1]; others[c1] >= 0; ++codesize[c1])
            c1 = others[c1];
        others[c1] = c2;
        for (++codesize[c2]; others[c2] >= 0; ++codesize[c2])
            c2 = others[c2];
    }
    int bits[33] = {};
    for (int i = 0; i <= 256; ++i)
        if (codesize[i])
            ++bits[std::min(codesize[i], 32)];
    for (int i = 32; i > 16; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (bits[j] == 0)
                --j;
            bits[i] -= 2;
            bits[i - 1]++;
            bits[j + 1] += 2;
            bits[j]--;
        }
    }
    int longest = 16;
    while (bits[longest] == 0)
        --longest;
    bits[longest]--; // the reserved codeword goes
    std::memset(&out, 0, sizeof out);
    for (int i = 1; i <= 16; ++i)
        out.bits[i] = static_cast<UINT8>(bits[i]);
    int k = 0;
    for (int len = 1; len <= 32; ++len)
        for (int symbol = 0; symbol < 256; ++symbol)
            if (std::min(codesize[symbol], 32) == len)
                out.huffval[k++] = static_cast<UINT8>(symbol);
}

// A sequential Huffman file keeps its own tables, completed; optimising them
// anew would cost a second pass over every coefficient.
void useSourceHuffmanTables(CoefficientState &s, bool complete = true)
{
    for (int c = 0; c < s.in.num_components; ++c) {
        s.out.comp_info[c].dc_tbl_no = s.in.comp_info[c].dc_tbl_no;
        s.out.comp_info[c].ac_tbl_no = s.in.comp_info[c].ac_tbl_no;
    }
    for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
        for (int dc = 0; dc < 2; ++dc) {
            JHUFF_TBL *source = dc ? s.in.dc_huff_tbl_ptrs[i] : s.in.ac_huff_tbl_ptrs[i];
            JHUFF_TBL *&target = dc ? s.out.dc_huff_tbl_ptrs[i] : s.out.ac_huff_tbl_ptrs[i];
            if (!source)
                continue;
            if (!target)
                target = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&s.out));
            if (complete)
                completeHuffmanTable(*source, dc != 0, *target);
            else
                *target = *source;
            target->sent_table = FALSE;
        }
    }
}

void writeAllCoefficients(CoefficientState &s)
{
    jpeg_create_compress(&s.out);
    s.outCreated = true;
    s.out.dest = &s.dest.pub;
    jpeg_copy_critical_parameters(&s.in, &s.out);
    if (s.in.progressive_mode)
        jpeg_simple_progression(&s.out);
    s.out.restart_interval = s.in.restart_interval;
    s.out.arith_code = s.in.arith_code;
    // Progressive scans always get optimised tables.
    s.out.optimize_coding = FALSE;
    if (!s.in.progressive_mode && !s.in.arith_code)
        useSourceHuffmanTables(s);
    jpeg_write_coefficients(&s.out, s.arrays);
    jpeg_finish_compress(&s.out);
}

// The DC terms of every block in the arrays.
void collectDc(CoefficientState &s, DcTerms &dc)
{
    for (int c = 0; c < s.layout.components; ++c) {
        const CoefficientPlane &plane = s.layout.planes[c];
        std::vector<short> &terms = dc.planes[c];
        terms.resize(std::size_t(plane.blocksWide) * std::size_t(plane.blocksHigh));
        for (int r = 0; r < plane.blocksHigh; ++r) {
            JBLOCKARRAY rows = (*s.in.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&s.in), s.arrays[c], static_cast<JDIMENSION>(r), 1, FALSE);
            short *row = terms.data() + std::size_t(r) * std::size_t(plane.blocksWide);
            for (int b = 0; b < plane.blocksWide; ++b)
                row[b] = rows[0][b][0];
        }
    }
}

Report rewriteWith(CoefficientState &s, const unsigned char *data, std::size_t size, CoefficientPlanner plan,
    CoefficientEditor edit, CoefficientSink sink, void *context, RowMemory *memory, EncodeBuffer *out, DcTerms *dc)
{
    Report result;
    if (out)
        out->size = 0;
    if (!data || !sizeFits(size)) {
        setError(result, ImageError::NoData);
        return result;
    }
    prepareState(s, result, out);
    if (setjmp(s.err.jump)) {
        destroyState(s);
        if (out)
            out->size = 0;
        result.ok = false;
        return result;
    }
    readAllCoefficients(s, data, size);
    CoefficientBand band;
    if (sink) {
        band.lastMcuRow = s.layout.mcuRows;
        placeBand(s, memory, band);
        copyBand(s, band, false);
        sink(context, s.layout, band);
    } else {
        const RowBand rows = plan ? plan(context, s.layout) : RowBand();
        if (!rows.ok)
            failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::PaintRefused);
        band.firstMcuRow = rows.first < 0 ? 0 : (rows.first > s.layout.mcuRows ? s.layout.mcuRows : rows.first);
        band.lastMcuRow = rows.last < band.firstMcuRow ? band.firstMcuRow
                                                       : (rows.last > s.layout.mcuRows ? s.layout.mcuRows : rows.last);
        if (band.lastMcuRow > band.firstMcuRow) {
            placeBand(s, memory, band);
            copyBand(s, band, false);
            if (edit && !edit(context, s.layout, band))
                failWith(reinterpret_cast<j_common_ptr>(&s.in), ImageError::PaintRefused);
            copyBand(s, band, true);
        }
        if (dc)
            collectDc(s, *dc);
        writeAllCoefficients(s);
        jpeg_destroy_compress(&s.out);
        s.outCreated = false;
    }
    // The arrays belong to the decompressor: it goes last. No
    // jpeg_finish_decompress, as in decode().
    jpeg_destroy_decompress(&s.in);
    result.ok = true;
    return result;
}

// The compressor's first call back after the frame and scan headers are
// out, before any entropy-coded byte: a header-only pass stops there.
struct HeaderStop
{
    jpeg_progress_mgr pub;
    bool stopped;
};

struct ScanState : CoefficientState
{
    HeaderStop stop;
    jvirt_barray_ptr never[4]; // the pass stops before it reads a block
};

void stopAfterHeaders(j_common_ptr cinfo)
{
    auto *stop = reinterpret_cast<HeaderStop *>(cinfo->progress);
    auto *dest = reinterpret_cast<GrowingDestination *>(reinterpret_cast<j_compress_ptr>(cinfo)->dest);
    dest->buffer->size = dest->buffer->capacity - dest->pub.free_in_buffer;
    stop->stopped = true;
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

// One interleaved (or single-component) sequential Huffman scan of 8-bit
// samples, whose header libjpeg read without a complaint.
bool spliceableScan(const jpeg_decompress_struct &in, const Report &result)
{
    if (result.warnings > 0 || in.progressive_mode || in.arith_code || in.data_precision != 8
        || in.comps_in_scan != in.num_components || in.Ss != 0 || in.Se != DCTSIZE2 - 1 || in.Ah != 0 || in.Al != 0)
        return false;
    int blocks = 0;
    for (int i = 0; i < in.comps_in_scan; ++i) {
        const jpeg_component_info *comp = in.cur_comp_info[i];
        if (!comp || comp->dc_tbl_no < 0 || comp->dc_tbl_no >= NUM_HUFF_TBLS || comp->ac_tbl_no < 0
            || comp->ac_tbl_no >= NUM_HUFF_TBLS || !in.dc_huff_tbl_ptrs[comp->dc_tbl_no]
            || !in.ac_huff_tbl_ptrs[comp->ac_tbl_no])
            return false;
        blocks += comp->h_samp_factor * comp->v_samp_factor;
    }
    return in.comps_in_scan == 1 || blocks <= D_MAX_BLOCKS_IN_MCU;
}

void copyTable(const JHUFF_TBL &from, HuffmanTable &to)
{
    to.present = true;
    std::memcpy(to.bits, from.bits, sizeof to.bits);
    std::memcpy(to.values, from.huffval, sizeof to.values);
}

Report readScanWith(ScanState &s, const unsigned char *data, std::size_t size, ScanHeader *header,
    EncodeBuffer *markers, bool completeTables)
{
    Report result;
    markers->size = 0;
    *header = ScanHeader();
    if (!data || !sizeFits(size)) {
        setError(result, ImageError::NoData);
        return result;
    }
    prepareState(s, result, markers);
    s.stop.stopped = false;
    if (setjmp(s.err.jump)) {
        destroyState(s);
        result.ok = s.stop.stopped;
        if (!result.ok) {
            markers->size = 0;
            header->spliceable = false;
        }
        return result;
    }
    openSource(s, data, size);
    fillLayout(s);
    header->layout = s.layout;
    if (!spliceableScan(s.in, result)) {
        jpeg_destroy_decompress(&s.in);
        s.inCreated = false;
        result.ok = true;
        return result;
    }
    header->spliceable = true;
    for (int i = 0; i < s.in.comps_in_scan; ++i)
        header->order[i] = static_cast<int>(s.in.cur_comp_info[i] - s.in.comp_info);
    for (int c = 0; c < s.in.num_components; ++c) {
        const jpeg_component_info &comp = s.in.comp_info[c];
        header->dcTable[c] = comp.dc_tbl_no;
        header->acTable[c] = comp.ac_tbl_no;
        header->blocksWide[c] = static_cast<int>(comp.width_in_blocks);
        header->blocksHigh[c] = static_cast<int>(comp.height_in_blocks);
    }
    for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
        if (s.in.dc_huff_tbl_ptrs[i])
            copyTable(*s.in.dc_huff_tbl_ptrs[i], header->dc[i]);
        if (s.in.ac_huff_tbl_ptrs[i])
            copyTable(*s.in.ac_huff_tbl_ptrs[i], header->ac[i]);
    }
    // The memory source reads no further than the end of SOS.
    header->entropyOffset = static_cast<std::size_t>(s.in.src->next_input_byte - data);

    // The writer of the coefficient road, stopped once its headers are out.
    jpeg_create_compress(&s.out);
    s.outCreated = true;
    s.out.dest = &s.dest.pub;
    jpeg_copy_critical_parameters(&s.in, &s.out);
    s.out.restart_interval = s.in.restart_interval;
    s.out.arith_code = FALSE;
    s.out.optimize_coding = FALSE;
    useSourceHuffmanTables(s, completeTables);
    if (completeTables) {
        for (int i = 0; i < NUM_HUFF_TBLS; ++i) {
            if (s.out.dc_huff_tbl_ptrs[i] && s.in.dc_huff_tbl_ptrs[i])
                copyTable(*s.out.dc_huff_tbl_ptrs[i], header->dc[i]);
            if (s.out.ac_huff_tbl_ptrs[i] && s.in.ac_huff_tbl_ptrs[i])
                copyTable(*s.out.ac_huff_tbl_ptrs[i], header->ac[i]);
        }
    }
    for (int c = 0; c < s.in.num_components; ++c)
        s.never[c]
            = (*s.out.mem->request_virt_barray)(reinterpret_cast<j_common_ptr>(&s.out), JPOOL_IMAGE, FALSE, 1, 1, 1);
    s.stop.pub.progress_monitor = stopAfterHeaders;
    s.out.progress = &s.stop.pub;
    jpeg_write_coefficients(&s.out, s.never);
    jpeg_finish_compress(&s.out);
    // Not reached: the first row's call back stops the pass.
    failWith(reinterpret_cast<j_common_ptr>(&s.out), ImageError::UnexpectedLayout);
}

// The library's words go with a failure only when they say why.
template<typename T> ImageResult<T> resultOf(const Report &report, T value)
{
    if (!report.ok)
        return failed<T>(
            report.error, report.error == ImageError::Library ? std::string(report.message) : std::string());
    return succeeded(std::move(value));
}

Warnings warningsOf(const Report &report)
{
    return { report.warnings, report.warnings > 0 ? std::string(report.message) : std::string() };
}

} // namespace

void FreeCodecMemory::operator()(unsigned char *memory) const
{
    std::free(memory);
}

ImageResult<HeaderInfo> readHeader(const unsigned char *data, std::size_t size)
{
    HeaderInfo info;
    const Report report = readHeaderInto(data, size, &info);
    return resultOf(report, info);
}

ImageResult<Warnings> decode(
    const unsigned char *data, std::size_t size, const DecodeOptions &options, RowSink sink, void *context)
{
    const Report report = decodeRows(data, size, options, sink, context);
    return resultOf(report, warningsOf(report));
}

ImageResult<> encodeInto(
    const unsigned char *pixels, int width, int height, std::size_t stride, int quality, EncodeBuffer *buffer)
{
    return resultOf(encodeRows(pixels, width, height, stride, quality, buffer), NoValue());
}

ImageResult<EncodeBuffer> encode(const unsigned char *pixels, int width, int height, std::size_t stride, int quality)
{
    EncodeBuffer buffer;
    const Report report = encodeRows(pixels, width, height, stride, quality, &buffer);
    return resultOf(report, std::move(buffer));
}

ImageResult<Warnings> transcode(const unsigned char *data, std::size_t size, const DecodeOptions &options, int quality,
    BandPlanner plan, BandPainter paint, void *context, RowMemory *rows, EncodeBuffer *out, RowWatcher watch)
{
    TranscodeState state;
    DecodeAhead ahead;
    const Report report = transcodeWith(state, data, size, options, quality, plan, paint, watch, context, rows, out,
        options.decodeAhead ? &ahead : nullptr);
    return resultOf(report, warningsOf(report));
}

ImageResult<ScanHeader> readScanHeader(const unsigned char *data, std::size_t size, EncodeBuffer *markers)
{
    ScanState state;
    ScanHeader header;
    const Report report = readScanWith(state, data, size, &header, markers, false);
    return resultOf(report, header);
}

ImageResult<ScanHeader> readCompletedScanHeader(const unsigned char *data, std::size_t size, EncodeBuffer *markers)
{
    ScanState state;
    ScanHeader header;
    const Report report = readScanWith(state, data, size, &header, markers, true);
    return resultOf(report, header);
}

ImageResult<Warnings> rewriteCoefficients(const unsigned char *data, std::size_t size, CoefficientPlanner plan,
    CoefficientEditor edit, void *context, RowMemory *band, EncodeBuffer *out, DcTerms *dc)
{
    CoefficientState state;
    const Report report = rewriteWith(state, data, size, plan, edit, nullptr, context, band, out, dc);
    return resultOf(report, warningsOf(report));
}

ImageResult<Warnings> readCoefficients(
    const unsigned char *data, std::size_t size, CoefficientSink sink, void *context, RowMemory *memory)
{
    CoefficientState state;
    const Report report = rewriteWith(state, data, size, nullptr, nullptr, sink, context, memory, nullptr, nullptr);
    return resultOf(report, warningsOf(report));
}

} // namespace kelvra::jpeg
