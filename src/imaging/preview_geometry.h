// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/label_renderer.h"

namespace kelvra {

// Where a W x H raster is shown in a clientWidth x clientHeight preview area:
// shrunk to fit, never enlarged, centred. scale is raster pixels per area pixel.
struct PreviewPlacement
{
    PixelRect PreviewRect;
    double PreviewScale = 1;
};

PreviewPlacement GetRightRect(int width, int height, int clientWidth, int clientHeight);

// The raster point under pointer (X, Y) of the preview area.
struct RasterPoint
{
    int x = 0;
    int y = 0;
};
RasterPoint pointerToRaster(int X, int Y, const PreviewPlacement &placement);

} // namespace kelvra
