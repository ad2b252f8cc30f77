// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_loading.h"

#include "imaging/bitmap_rotate.h"
#include "imaging/jpeg_codec.h"
#include "metadata/exif_reader.h"

#include <QFile>
#include <QImageReader>
#include <QSaveFile>
#include <QPainter>

#include <algorithm>
#include <filesystem>

namespace kelvra {

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

bool LoadAnythingIntoJPG(JpegImage &J, const QString &FileName, QString *error)
{
    QImageReader reader(FileName);
    // The name says JPEG; the content decides.
    reader.setDecideFormatFromContent(true);
    // Orientation is ours to apply, from the EXIF block, afterwards.
    reader.setAutoTransform(false);
    reader.setAllocationLimit(int(jpeg::kMaxPixels * 4 / (1024 * 1024)));
    QImage picture;
    if (!reader.read(&picture)) {
        setError(error, reader.errorString());
        return false;
    }
    if (static_cast<long long>(picture.width()) * picture.height() > jpeg::kMaxPixels) {
        setError(error, QStringLiteral("picture too large"));
        return false;
    }

    QImage raster;
    if (picture.hasAlphaChannel()) {
        // Transparent pixels carry no defined colour; lay them on white.
        raster = QImage(picture.size(), QImage::Format_RGB32);
        if (raster.isNull()) {
            setError(error, QStringLiteral("no memory for the picture"));
            return false;
        }
        raster.fill(Qt::white);
        QPainter painter(&raster);
        painter.drawImage(0, 0, picture);
    } else {
        raster = picture.convertToFormat(QImage::Format_RGB32);
    }
    if (raster.isNull()) {
        setError(error, QStringLiteral("no memory for the picture"));
        return false;
    }

    J.setImage(raster);
    QByteArray stream;
    if (!J.saveToData(stream) || !J.loadFromData(stream)) {
        setError(error, J.errorString());
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
    if (!metadata.ProcessFile(std::filesystem::path(QFile::encodeName(path).toStdString())))
        return 1;
    return orientationOf(metadata);
}

int orientationOf(const TimgData &metadata)
{
    if (!metadata.HasEXIF() || !metadata.ExifObj)
        return 1;
    try {
        const int orientation = metadata.ExifObj->GetRawInt("Orientation");
        return orientation == 0 ? 1 : orientation; // 0: no such tag
    } catch (...) {
        return 1;
    }
}

bool applyOrientation(JpegImage &image, int orientation, bool back)
{
    bool (*turn)(QImage &) = nullptr;
    switch (orientation) {
    case 3:
        turn = Rotate180;
        break;
    case 6:
        turn = back ? RotateCounterClockwise : RotateClockwise;
        break;
    case 8:
        turn = back ? RotateClockwise : RotateCounterClockwise;
        break;
    default:
        return false;
    }
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

LoadedPhoto loadPhotoForBatch(const QString &path, const OrientationReader &readOrientation)
{
    LoadedPhoto photo;
    JpegImage &jpeg = photo.jpeg;
    jpeg.setScale(0);
    jpeg.setPerformance(JpegImage::Performance::BestQuality);
    if (!jpeg.loadFromFile(path) || !jpeg.decode()) {
        QString fallbackError;
        if (!LoadAnythingIntoJPG(jpeg, path, &fallbackError) || !jpeg.decode()) {
            photo.error = fallbackError.isEmpty() ? jpeg.errorString() : fallbackError;
            return photo;
        }
        photo.usedFallback = true;
    }
    photo.warnings = jpeg.warningCount();

    try {
        if (readOrientation)
            photo.orientation = readOrientation(path);
    } catch (...) {
        photo.orientation = 1;
    }
    applyOrientation(jpeg, photo.orientation, false);
    // Moved, not shared: drawing on a shared raster would copy 100 MB.
    photo.raster = jpeg.takeImage();
    photo.ok = true;
    return photo;
}

bool encodePhotoForBatch(LoadedPhoto &photo, int quality, QByteArray &out, QString *error)
{
    JpegImage &jpeg = photo.jpeg;
    if (photo.raster.isNull()) {
        setError(error, QStringLiteral("no picture to store"));
        return false;
    }
    jpeg.setImage(std::move(photo.raster));
    photo.raster = QImage();
    jpeg.setQuality(quality);
    // Turn back by the orientation read at load time, so the stored pixels
    // always match the EXIF value the output keeps.
    const bool needsTurn = photo.orientation == 3 || photo.orientation == 6 || photo.orientation == 8;
    if (needsTurn && !applyOrientation(jpeg, photo.orientation, true)) {
        setError(error, QStringLiteral("no memory to turn the picture back"));
        return false;
    }
    if (!jpeg.saveToData(out)) {
        setError(error, jpeg.errorString());
        return false;
    }
    return true;
}

bool storePhotoForBatch(LoadedPhoto &photo, int quality, const QString &outPath, QString *error)
{
    QByteArray bytes;
    if (!encodePhotoForBatch(photo, quality, bytes, error))
        return false;
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

} // namespace kelvra
