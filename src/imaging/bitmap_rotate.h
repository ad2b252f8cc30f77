// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

namespace kelvra {

// Raster turns in place. For an old raster of W x H pixels and old pixel (x, y):
//   Rotate180:              new (W-1-x, H-1-y), size W x H
//   RotateClockwise:        new (H-1-y, x),     size H x W
//   RotateCounterClockwise: new (y, W-1-x),     size H x W
// The result is Format_RGB32 (other formats are converted first). False, with
// the raster untouched, when there is no memory for the turned copy.
bool Rotate180(QImage &raster);
bool RotateClockwise(QImage &raster);
bool RotateCounterClockwise(QImage &raster);

} // namespace kelvra
