// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_error.h"
#include "metadata/photo_kind.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace kelvra {

// A photo of a kind other than JPEG decoded straight into one raster, with
// no JPEG round on the way: HEIF through libheif (its primary image, turned
// and mirrored by its own boxes, deeper than 8 bits brought to 8), PNG, TIFF
// (first page) and WebP through the toolkit's readers. Transparency lies on
// white. The EXIF Orientation is not applied: that is the caller's, as for
// JPEG (TimgData::exifOrientation() knows when HEIF has done it already).
struct DecodedPhoto
{
    QImage raster; // Format_RGB32
};

// Fails with the library's or reader's reason.
ImageResult<DecodedPhoto> decodeOtherPhoto(PhotoKind kind, QByteArrayView bytes);
// A raster as a lossless 8-bit PNG; fails with the writer's reason.
ImageResult<QByteArray> encodePng(const QImage &raster);

// The same from a file.
ImageResult<DecodedPhoto> loadOtherPhoto(const QString &path, PhotoKind kind);

} // namespace kelvra
