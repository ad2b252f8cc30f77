// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/jpeg_image.h"
#include "metadata/exif_reader.h"

#include <QImage>
#include <QString>

#include <functional>

namespace kelvra {

// The strongest DCT reduction (0 full .. 3 eighth) that still covers a
// clientWidth x clientHeight area in at least one dimension. The full size is
// taken as the factor of the current scale times the current size.
int JPGGetNeededSize(int currentScale, int width, int height, int clientWidth, int clientHeight);
int JPGGetNeededSize(const JpegImage &jpeg, int clientWidth, int clientHeight);

// Reads the EXIF Orientation (1..8) of the file at a path; 1 when there is
// none or it cannot be read.
using OrientationReader = std::function<int(const QString &path)>;

// The reader of the program: the metadata layer's, on the file's own bytes.
int readExifOrientation(const QString &path);

// Turns or mirrors the picture upright (back false) or back to how it is
// stored (back true) for orientations 2..8; anything else is left alone.
// Decodes first if there is no raster yet. The value says whether it turned;
// a failure (the decoder's, or no memory for the turn) leaves the picture as
// it was.
ImageResult<bool> applyOrientation(JpegImage &image, int orientation, bool back);
ImageResult<bool> ApplyExifOrientation(
    JpegImage &image, const QString &path, bool back, const OrientationReader &readOrientation = readExifOrientation);

} // namespace kelvra
