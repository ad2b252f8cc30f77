// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/bitmap_rotate.h"

#include <cstdint>

namespace kelvra {

namespace {

// A quarter turn reads columns and writes rows; square tiles keep both sides
// of a tile in the first-level cache (2 x 4 KiB).
constexpr int kTile = 32;

// The four that exchange rows and columns.
enum class Turn { Clockwise, CounterClockwise, Transpose, Transverse };

template<Turn T> QImage turned(const QImage &source)
{
    const int w = source.width();
    const int h = source.height();
    QImage result(h, w, QImage::Format_RGB32);
    if (result.isNull())
        return result;
    result.setDotsPerMeterX(source.dotsPerMeterY());
    result.setDotsPerMeterY(source.dotsPerMeterX());

    const auto *src = reinterpret_cast<const std::uint32_t *>(source.constBits());
    auto *dst = reinterpret_cast<std::uint32_t *>(result.bits());
    const qsizetype srcStride = source.bytesPerLine() / 4;
    const qsizetype dstStride = result.bytesPerLine() / 4;

    for (int ty = 0; ty < h; ty += kTile) {
        const int yEnd = ty + kTile < h ? ty + kTile : h;
        for (int tx = 0; tx < w; tx += kTile) {
            const int xEnd = tx + kTile < w ? tx + kTile : w;
            for (int x = tx; x < xEnd; ++x) {
                const std::uint32_t *column = src + x;
                // Old column x becomes new row x or W-1-x, filled left to
                // right or right to left.
                if constexpr (T == Turn::Clockwise) {
                    std::uint32_t *out = dst + x * dstStride + (h - 1);
                    for (int y = ty; y < yEnd; ++y)
                        out[-y] = column[y * srcStride];
                } else if constexpr (T == Turn::CounterClockwise) {
                    std::uint32_t *out = dst + (w - 1 - x) * dstStride;
                    for (int y = ty; y < yEnd; ++y)
                        out[y] = column[y * srcStride];
                } else if constexpr (T == Turn::Transpose) {
                    std::uint32_t *out = dst + x * dstStride;
                    for (int y = ty; y < yEnd; ++y)
                        out[y] = column[y * srcStride];
                } else {
                    std::uint32_t *out = dst + (w - 1 - x) * dstStride + (h - 1);
                    for (int y = ty; y < yEnd; ++y)
                        out[-y] = column[y * srcStride];
                }
            }
        }
    }
    return result;
}

template<Turn T> ImageResult<> turnInPlace(QImage &raster)
{
    if (raster.isNull())
        return {};
    const QImage source
        = raster.format() == QImage::Format_RGB32 ? raster : raster.convertToFormat(QImage::Format_RGB32);
    if (source.isNull())
        return failed(ImageError::NoMemory);
    QImage result = turned<T>(source);
    if (result.isNull())
        return failed(ImageError::NoMemory);
    raster = std::move(result);
    return {};
}

// The turns that keep rows rows work in place: no second raster, so no fresh
// memory to fault in (which costs more than the turn itself on a 24 MP photo).
enum class Flip { Half, Horizontal, Vertical };

void reverseRow(std::uint32_t *row, int w)
{
    for (int l = 0, r = w - 1; l < r; ++l, --r) {
        const std::uint32_t keep = row[l];
        row[l] = row[r];
        row[r] = keep;
    }
}

template<Flip F> ImageResult<> flipInPlace(QImage &raster)
{
    if (raster.isNull())
        return {};
    if (raster.format() != QImage::Format_RGB32) {
        raster = raster.convertToFormat(QImage::Format_RGB32);
        if (raster.isNull())
            return failed(ImageError::NoMemory);
    }
    const int w = raster.width();
    const int h = raster.height();
    uchar *bits = raster.bits(); // detaches a shared raster first
    if (!bits)
        return failed(ImageError::NoMemory);
    const qsizetype stride = raster.bytesPerLine();
    const auto row = [&](int y) { return reinterpret_cast<std::uint32_t *>(bits + y * stride); };
    if constexpr (F == Flip::Horizontal) {
        for (int y = 0; y < h; ++y)
            reverseRow(row(y), w);
        return {};
    }
    // Row y swapped with row H-1-y, reversed too for the half turn.
    for (int y = 0; y < h / 2; ++y) {
        std::uint32_t *top = row(y);
        std::uint32_t *bottom = row(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const int across = F == Flip::Half ? w - 1 - x : x;
            const std::uint32_t keep = top[x];
            top[x] = bottom[across];
            bottom[across] = keep;
        }
    }
    if (F == Flip::Half && h % 2 != 0)
        reverseRow(row(h / 2), w);
    return {};
}

} // namespace

ImageResult<> Rotate180(QImage &raster)
{
    return flipInPlace<Flip::Half>(raster);
}

ImageResult<> RotateClockwise(QImage &raster)
{
    return turnInPlace<Turn::Clockwise>(raster);
}

ImageResult<> RotateCounterClockwise(QImage &raster)
{
    return turnInPlace<Turn::CounterClockwise>(raster);
}

ImageResult<> MirrorHorizontal(QImage &raster)
{
    return flipInPlace<Flip::Horizontal>(raster);
}

ImageResult<> MirrorVertical(QImage &raster)
{
    return flipInPlace<Flip::Vertical>(raster);
}

ImageResult<> Transpose(QImage &raster)
{
    return turnInPlace<Turn::Transpose>(raster);
}

ImageResult<> Transverse(QImage &raster)
{
    return turnInPlace<Turn::Transverse>(raster);
}

OrientationTurns orientationTurns(int orientation)
{
    // The mirrors and the half turn undo themselves.
    switch (orientation) {
    case 2:
        return { MirrorHorizontal, MirrorHorizontal };
    case 3:
        return { Rotate180, Rotate180 };
    case 4:
        return { MirrorVertical, MirrorVertical };
    case 5:
        return { Transpose, Transpose };
    case 6:
        return { RotateClockwise, RotateCounterClockwise };
    case 7:
        return { Transverse, Transverse };
    case 8:
        return { RotateCounterClockwise, RotateClockwise };
    default:
        return {};
    }
}

bool orientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

} // namespace kelvra
