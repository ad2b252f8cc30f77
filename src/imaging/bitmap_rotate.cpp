// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/bitmap_rotate.h"

#include <cstdint>

namespace kelvra {

namespace {

// A quarter turn reads columns and writes rows; square tiles keep both sides
// of a tile in the first-level cache (2 x 4 KiB).
constexpr int kTile = 32;

enum class Turn { Clockwise, CounterClockwise };

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
                if constexpr (T == Turn::Clockwise) {
                    // Old column x is new row x, filled right to left.
                    std::uint32_t *out = dst + x * dstStride + (h - 1);
                    for (int y = ty; y < yEnd; ++y)
                        out[-y] = column[y * srcStride];
                } else {
                    // Old column x is new row W-1-x, filled left to right.
                    std::uint32_t *out = dst + (w - 1 - x) * dstStride;
                    for (int y = ty; y < yEnd; ++y)
                        out[y] = column[y * srcStride];
                }
            }
        }
    }
    return result;
}

template<Turn T> bool turnInPlace(QImage &raster)
{
    if (raster.isNull())
        return true;
    const QImage source
        = raster.format() == QImage::Format_RGB32 ? raster : raster.convertToFormat(QImage::Format_RGB32);
    if (source.isNull())
        return false;
    QImage result = turned<T>(source);
    if (result.isNull())
        return false;
    raster = std::move(result);
    return true;
}

// Row y swapped with row H-1-y, both reversed: no second raster, so no fresh
// memory to fault in (which costs more than the turn itself on a 24 MP photo).
bool halfTurnInPlace(QImage &raster)
{
    if (raster.isNull())
        return true;
    if (raster.format() != QImage::Format_RGB32) {
        raster = raster.convertToFormat(QImage::Format_RGB32);
        if (raster.isNull())
            return false;
    }
    const int w = raster.width();
    const int h = raster.height();
    uchar *bits = raster.bits(); // detaches a shared raster first
    if (!bits)
        return false;
    const qsizetype stride = raster.bytesPerLine();
    for (int y = 0; y < h / 2; ++y) {
        auto *top = reinterpret_cast<std::uint32_t *>(bits + y * stride);
        auto *bottom = reinterpret_cast<std::uint32_t *>(bits + (h - 1 - y) * stride) + (w - 1);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t keep = top[x];
            top[x] = bottom[-x];
            bottom[-x] = keep;
        }
    }
    if (h % 2 != 0) {
        auto *middle = reinterpret_cast<std::uint32_t *>(bits + (h / 2) * stride);
        for (int l = 0, r = w - 1; l < r; ++l, --r) {
            const std::uint32_t keep = middle[l];
            middle[l] = middle[r];
            middle[r] = keep;
        }
    }
    return true;
}

} // namespace

bool Rotate180(QImage &raster)
{
    return halfTurnInPlace(raster);
}

bool RotateClockwise(QImage &raster)
{
    return turnInPlace<Turn::Clockwise>(raster);
}

bool RotateCounterClockwise(QImage &raster)
{
    return turnInPlace<Turn::CounterClockwise>(raster);
}

} // namespace kelvra
