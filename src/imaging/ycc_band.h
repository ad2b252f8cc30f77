// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The label's band of a 4:2:0 YCbCr photo as pixels and back, with the same
// arithmetic as libjpeg's decoder (fancy upsampling, its colour tables) and
// encoder (its colour conversion, a 2 x 2 mean), so that only what the label
// changed is written again and everything else keeps its stored samples.

#include <cstddef>
#include <cstdint>

namespace kelvra::jpeg {

// Rows of a 4:2:0 picture: luma at full size, the two chroma planes at half
// size both ways, their row 0 holding picture rows 0 and 1.
struct Planes420
{
    unsigned char *luma = nullptr;
    unsigned char *blue = nullptr;
    unsigned char *red = nullptr;
    std::size_t lumaStride = 0;
    std::size_t chromaStride = 0;
};

// The chroma rows just above the band, which the upsampling of its first row
// blends in; null at the top of the picture.
struct ChromaAbove
{
    const unsigned char *blue = nullptr;
    const unsigned char *red = nullptr;
};

// The part of the band that becomes pixels: rows from the band's first, the
// columns [left, left + columns) of a picture width wide; left is even.
struct BandWindow
{
    int width = 0;
    int left = 0;
    int columns = 0;
    int rows = 0;
};

// A pixel (Format_RGB32) of luma and chroma samples, as libjpeg converts it.
std::uint32_t yccToRgb32(int y, int cb, int cr);

// Bytes of scratch memory the two calls below need for a window of columns
// by rows.
std::size_t bandScratchBytes(int columns, int rows);

// The window's pixels (Format_RGB32), as a decoder gives them.
void bandToRgb32(const Planes420 &band, ChromaAbove above, const BandWindow &window, unsigned char *pixels,
    std::size_t stride, unsigned char *scratch);

// Stores the window's pixels that differ from what bandToRgb32() gave
// into the band's samples: luma per pixel, chroma per 2 x 2 square with any
// change in it, from the square's pixels.
void storeChangedPixels(
    Planes420 &band, const BandWindow &window, const unsigned char *pixels, std::size_t stride, unsigned char *scratch);

} // namespace kelvra::jpeg
