// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/preview_geometry.h"

#include <algorithm>

namespace kelvra {

PreviewPlacement GetRightRect(int width, int height, int clientWidth, int clientHeight)
{
    PreviewPlacement placement;
    if (clientWidth <= 0 || clientHeight <= 0 || width <= 0 || height <= 0)
        return placement;
    const double a = double(width) / clientWidth;
    const double b = double(height) / clientHeight;
    placement.PreviewScale = (a < 1 && b < 1) ? 1 : std::max(a, b);
    const int dw = int(width / placement.PreviewScale);
    const int dh = int(height / placement.PreviewScale);
    placement.PreviewRect = PixelRect { clientWidth / 2 - dw / 2, clientHeight / 2 - dh / 2, clientWidth / 2 + dw / 2,
        clientHeight / 2 + dh / 2 };
    return placement;
}

RasterPoint pointerToRaster(int X, int Y, const PreviewPlacement &placement)
{
    return RasterPoint { int((X - placement.PreviewRect.Left) * placement.PreviewScale),
        int((Y - placement.PreviewRect.Top) * placement.PreviewScale) };
}

} // namespace kelvra
