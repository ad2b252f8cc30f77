// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_loading.h"

#include "imaging/bitmap_rotate.h"
#include "imaging/jpeg_codec.h"
#include "metadata/exif_reader.h"
#include "platform/file_ops.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <filesystem>

namespace kelvra {

namespace {

void setError(ImageFailure *error, ImageError code, const QString &detail = QString())
{
    if (error)
        *error = { code, detail };
}

void setError(ImageFailure *error, ImageFailure failure)
{
    if (error)
        *error = std::move(failure);
}

} // namespace

bool LoadAnythingIntoJPG(JpegImage &J, const QString &FileName, ImageFailure *error)
{
    QFile file;
    if (!openForReading(file, FileName)) {
        setError(error, ImageError::FileUnreadable, file.errorString());
        return false;
    }
    QImageReader reader(&file);
    // The name says JPEG; the content decides.
    reader.setDecideFormatFromContent(true);
    // Orientation is ours to apply, from the EXIF block, afterwards.
    reader.setAutoTransform(false);
    // The reader's own refusal of a large picture reads like damaged data;
    // its header's size says it plainly.
    const QSize claimed = reader.size();
    if (static_cast<long long>(claimed.width()) * claimed.height() > jpeg::kMaxRasterPixels) {
        setError(error, ImageError::PictureTooLarge);
        return false;
    }
    reader.setAllocationLimit(int(jpeg::kMaxRasterPixels * 4 / (1024 * 1024)));
    QImage picture;
    if (!reader.read(&picture)) {
        setError(error, ImageError::NoReader, reader.errorString());
        return false;
    }
    if (static_cast<long long>(picture.width()) * picture.height() > jpeg::kMaxRasterPixels) {
        setError(error, ImageError::PictureTooLarge);
        return false;
    }

    QImage raster;
    if (picture.hasAlphaChannel()) {
        // Transparent pixels carry no defined colour; lay them on white.
        raster = QImage(picture.size(), QImage::Format_RGB32);
        if (raster.isNull()) {
            setError(error, ImageError::NoMemory);
            return false;
        }
        raster.fill(Qt::white);
        QPainter painter(&raster);
        painter.drawImage(0, 0, picture);
    } else {
        raster = picture.convertToFormat(QImage::Format_RGB32);
    }
    if (raster.isNull()) {
        setError(error, ImageError::NoMemory);
        return false;
    }

    J.setImage(raster);
    QByteArray stream;
    if (!J.saveToData(stream) || !J.loadFromData(stream)) {
        setError(error, J.failure());
        return false;
    }
    return true;
}

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

bool applyOrientation(JpegImage &image, int orientation, bool back)
{
    const OrientationTurns turns = orientationTurns(orientation);
    bool (*turn)(QImage &) = back ? turns.back : turns.upright;
    if (!turn)
        return false;
    if (!image.hasImage() && !image.decode())
        return false;
    return image.transformImage(turn);
}

void ApplyExifOrientation(JpegImage &image, const QString &path, bool back, const OrientationReader &readOrientation)
{
    int orientation = 1;
    try {
        if (readOrientation)
            orientation = readOrientation(path);
    } catch (...) {
        // An unreadable orientation is orientation 1.
        orientation = 1;
    }
    applyOrientation(image, orientation, back);
}

} // namespace kelvra
