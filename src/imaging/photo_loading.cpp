// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_loading.h"

#include "imaging/bitmap_rotate.h"
#include "imaging/jpeg_codec.h"
#include "metadata/exif_reader.h"
#include "platform/file_ops.h"

#include <algorithm>
#include <filesystem>

namespace kelvra {

int JPGGetNeededSize(int currentScale, int width, int height, int clientWidth, int clientHeight)
{
    const long long a = 1LL << std::clamp(currentScale, 0, 3);
    const long long fullWidth = a * width;
    const long long fullHeight = a * height;
    for (int scale = 3; scale >= 1; --scale) {
        const long long d = 1LL << scale;
        if (fullHeight / d >= clientHeight || fullWidth / d >= clientWidth)
            return scale;
    }
    return 0;
}

int JPGGetNeededSize(const JpegImage &jpeg, int clientWidth, int clientHeight)
{
    return JPGGetNeededSize(jpeg.scale(), jpeg.width(), jpeg.height(), clientWidth, clientHeight);
}

int readExifOrientation(const QString &path)
{
    TimgData metadata;
    if (!metadata.ProcessFile(nativePath(path)))
        return 1;
    return metadata.exifOrientation();
}

ImageResult<bool> applyOrientation(JpegImage &image, int orientation, bool back)
{
    const OrientationTurns turns = orientationTurns(orientation);
    const RasterTurn turn = back ? turns.back : turns.upright;
    if (!turn)
        return succeeded(false);
    if (!image.hasImage()) {
        ImageResult<> decoded = image.decode();
        if (!decoded)
            return failedAs<bool>(std::move(decoded));
    }
    ImageResult<> turned = image.transformImage(turn);
    if (!turned)
        return failedAs<bool>(std::move(turned));
    return succeeded(true);
}

ImageResult<bool> ApplyExifOrientation(
    JpegImage &image, const QString &path, bool back, const OrientationReader &readOrientation)
{
    int orientation = 1;
    try {
        if (readOrientation)
            orientation = readOrientation(path);
    } catch (...) {
        // An unreadable orientation is orientation 1.
        orientation = 1;
    }
    return applyOrientation(image, orientation, back);
}

} // namespace kelvra
