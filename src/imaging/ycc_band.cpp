// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ycc_band.h"

#include <cstdint>
#include <cstring>

namespace kelvra::jpeg {

namespace {

// libjpeg's fixed-point colour constants, 16 fraction bits.
constexpr int kHalf = 1 << 15;

struct ColourTables
{
    int crRed[256];
    int cbBlue[256];
    int crGreen[256];
    int cbGreen[256];

    ColourTables()
    {
        for (int i = 0; i < 256; ++i) {
            const int x = i - 128;
            crRed[i] = (91881 * x + kHalf) >> 16; // 1.402
            cbBlue[i] = (116130 * x + kHalf) >> 16; // 1.772
            crGreen[i] = -46802 * x; // 0.71414
            cbGreen[i] = -22554 * x + kHalf; // 0.34414
        }
    }
};

const ColourTables &tables()
{
    static const ColourTables t;
    return t;
}

inline int clampByte(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline std::uint32_t pixelOf(const ColourTables &t, int y, int cb, int cr)
{
    const int R = clampByte(y + t.crRed[cr]);
    const int G = clampByte(y + ((t.cbGreen[cb] + t.crGreen[cr]) >> 16));
    const int B = clampByte(y + t.cbBlue[cb]);
    return 0xFF000000u | std::uint32_t(R) << 16 | std::uint32_t(G) << 8 | std::uint32_t(B);
}

inline int lumaOf(int r, int g, int b)
{
    return (19595 * r + 38470 * g + 7471 * b + kHalf) >> 16;
}

inline int blueOf(int r, int g, int b)
{
    return (-11059 * r - 21709 * g + 32768 * b + (128 << 16) + kHalf - 1) >> 16;
}

inline int redOf(int r, int g, int b)
{
    return (32768 * r - 27439 * g - 5329 * b + (128 << 16) + kHalf - 1) >> 16;
}

// One chroma plane upsampled for the window's columns of picture row r of
// the band, as libjpeg's fancy upsampling does: each sample is 9:3:3:1 of its
// four nearest, with the plane's samples beside the window taken in too.
void upsampleRow(const unsigned char *plane, std::size_t stride, const unsigned char *above, const BandWindow &w, int r,
    unsigned char *out)
{
    const int chromaRows = (w.rows + 1) / 2, near = r / 2, samples = (w.width + 1) / 2;
    const unsigned char *nearRow = plane + std::size_t(near) * stride;
    const unsigned char *farRow = nearRow;
    if (r % 2 == 0)
        farRow = near > 0 ? nearRow - stride : (above ? above : nearRow);
    else if (near + 1 < chromaRows)
        farRow = nearRow + stride;
    const auto sum = [&](int c) { return 3 * nearRow[c] + farRow[c]; };
    for (int i = 0; i < w.columns; ++i) {
        const int x = w.left + i, c = x / 2, current = sum(c);
        int value;
        if (x % 2 == 0)
            value = (current * 3 + (c > 0 ? sum(c - 1) : current) + 8) >> 4;
        else
            value = (current * 3 + (c + 1 < samples ? sum(c + 1) : current) + 7) >> 4;
        out[i] = static_cast<unsigned char>(value);
    }
}

// The window's part of picture row r of the band as libjpeg's decoder gives it.
void rowToRgb32(const Planes420 &band, ChromaAbove above, const BandWindow &w, int r, unsigned char *blue,
    unsigned char *red, std::uint32_t *out)
{
    upsampleRow(band.blue, band.chromaStride, above.blue, w, r, blue);
    upsampleRow(band.red, band.chromaStride, above.red, w, r, red);
    const unsigned char *luma = band.luma + std::size_t(r) * band.lumaStride + std::size_t(w.left);
    const ColourTables &t = tables();
    for (int i = 0; i < w.columns; ++i)
        out[i] = pixelOf(t, luma[i], blue[i], red[i]);
}

// The scratch memory: the window's pixels as decoded, two upsampled chroma
// rows, a flag per chroma sample.
std::size_t chromaRowsAt(int columns, int rows)
{
    return std::size_t(columns) * 4 * std::size_t(rows);
}

std::size_t flagsAt(int columns, int rows)
{
    return chromaRowsAt(columns, rows) + std::size_t(columns) * 2;
}

} // namespace

std::uint32_t yccToRgb32(int y, int cb, int cr)
{
    return pixelOf(tables(), y, cb, cr);
}

std::size_t bandScratchBytes(int columns, int rows)
{
    return flagsAt(columns, rows) + std::size_t((columns + 1) / 2) * std::size_t((rows + 1) / 2);
}

void bandToRgb32(const Planes420 &band, ChromaAbove above, const BandWindow &window, unsigned char *pixels,
    std::size_t stride, unsigned char *scratch)
{
    unsigned char *blue = scratch + chromaRowsAt(window.columns, window.rows), *red = blue + window.columns;
    const std::size_t rowBytes = std::size_t(window.columns) * 4;
    for (int r = 0; r < window.rows; ++r) {
        auto *row = reinterpret_cast<std::uint32_t *>(pixels + std::size_t(r) * stride);
        rowToRgb32(band, above, window, r, blue, red, row);
        std::memcpy(scratch + std::size_t(r) * rowBytes, row, rowBytes);
    }
}

void storeChangedPixels(
    Planes420 &band, const BandWindow &window, const unsigned char *pixels, std::size_t stride, unsigned char *scratch)
{
    const int columns = window.columns, rows = window.rows;
    const std::size_t rowBytes = std::size_t(columns) * 4;
    unsigned char *changed = scratch + flagsAt(columns, rows);
    const int samples = (columns + 1) / 2, chromaRows = (rows + 1) / 2;
    std::memset(changed, 0, std::size_t(samples) * std::size_t(chromaRows));
    for (int r = 0; r < rows; ++r) {
        const unsigned char *paintedRow = pixels + std::size_t(r) * stride;
        const unsigned char *originalRow = scratch + std::size_t(r) * rowBytes;
        if (std::memcmp(paintedRow, originalRow, rowBytes) == 0)
            continue;
        unsigned char *luma = band.luma + std::size_t(r) * band.lumaStride + std::size_t(window.left);
        unsigned char *flags = changed + std::size_t(r / 2) * std::size_t(samples);
        for (int i = 0; i < columns; ++i) {
            std::uint32_t p, q;
            std::memcpy(&p, paintedRow + std::size_t(i) * 4, 4);
            std::memcpy(&q, originalRow + std::size_t(i) * 4, 4);
            if (((p ^ q) & 0x00FFFFFFu) == 0)
                continue;
            luma[i] = static_cast<unsigned char>(lumaOf(int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)));
            flags[i / 2] = 1;
        }
    }
    for (int k = 0; k < chromaRows; ++k) {
        const unsigned char *flags = changed + std::size_t(k) * std::size_t(samples);
        const std::size_t at = std::size_t(k) * band.chromaStride + std::size_t(window.left / 2);
        for (int c = 0; c < samples; ++c) {
            if (!flags[c])
                continue;
            int cb = 0, cr = 0, n = 0;
            for (int r = 2 * k; r < 2 * k + 2 && r < rows; ++r)
                for (int i = 2 * c; i < 2 * c + 2 && i < columns; ++i) {
                    std::uint32_t p;
                    std::memcpy(&p, pixels + std::size_t(r) * stride + std::size_t(i) * 4, 4);
                    const int R = int(p >> 16 & 0xFF), G = int(p >> 8 & 0xFF), B = int(p & 0xFF);
                    cb += blueOf(R, G, B);
                    cr += redOf(R, G, B);
                    ++n;
                }
            // libjpeg's 2 x 2 mean rounds up and down by turns.
            const int bias = n == 4 ? 1 + ((window.left / 2 + c) & 1) : n / 2;
            band.blue[at + std::size_t(c)] = static_cast<unsigned char>((cb + bias) / n);
            band.red[at + std::size_t(c)] = static_cast<unsigned char>((cr + bias) / n);
        }
    }
}

} // namespace kelvra::jpeg
