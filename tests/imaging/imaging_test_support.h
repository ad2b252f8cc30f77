// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/qt_test_support.h"

#include <QImage>
#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace kelvra::test {

// A PPM (P6) or PGM (P5) file as written by djpeg, as a Format_RGB32 raster.
QImage readPnm(const std::filesystem::path &path);

// Decodes a JPEG file with djpeg into a raster; extra are djpeg options.
QImage djpegDecode(const std::filesystem::path &jpeg, const std::vector<std::string> &extra);

struct PixelDifference
{
    int maxChannel = 0; // largest difference of one channel
    double meanChannel = 0; // mean absolute difference over all channels
};
PixelDifference compareImages(const QImage &a, const QImage &b);

// A raster whose every pixel differs from its neighbours, for tracking moves.
QImage numberedRaster(int width, int height);

// A smooth colour picture that compresses like a photo.
QImage gradientRaster(int width, int height);

} // namespace kelvra::test
