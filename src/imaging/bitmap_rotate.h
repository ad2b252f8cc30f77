// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_error.h"

#include <QImage>

namespace kelvra {

// Raster turns and mirrors in place. For an old raster of W x H pixels and
// old pixel (x, y):
//   Rotate180:              new (W-1-x, H-1-y), size W x H
//   RotateClockwise:        new (H-1-y, x),     size H x W
//   RotateCounterClockwise: new (y, W-1-x),     size H x W
//   MirrorHorizontal:       new (W-1-x, y),     size W x H
//   MirrorVertical:         new (x, H-1-y),     size W x H
//   Transpose:              new (y, x),         size H x W
//   Transverse:             new (H-1-y, W-1-x), size H x W
// The result is Format_RGB32 (other formats are converted first). Fails with
// ImageError::NoMemory, the raster untouched, when there is no memory for the
// turned copy.
ImageResult<> Rotate180(QImage &raster);
ImageResult<> RotateClockwise(QImage &raster);
ImageResult<> RotateCounterClockwise(QImage &raster);
ImageResult<> MirrorHorizontal(QImage &raster);
ImageResult<> MirrorVertical(QImage &raster);
ImageResult<> Transpose(QImage &raster);
ImageResult<> Transverse(QImage &raster);
using RasterTurn = ImageResult<> (*)(QImage &raster);

// How a viewer brings a raster stored with EXIF orientation 1..8 upright, and
// the turn that undoes it; none for 1 and for values that are no orientation.
struct OrientationTurns
{
    RasterTurn upright = nullptr;
    RasterTurn back = nullptr;
};
OrientationTurns orientationTurns(int orientation);

// Orientations 5 to 8 show the stored width as the height.
bool orientationSwapsSides(int orientation);

} // namespace kelvra
