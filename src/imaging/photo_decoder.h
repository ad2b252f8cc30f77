// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_failure.h"
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

// False with the library's or reader's reason in *error.
bool decodeOtherPhoto(PhotoKind kind, QByteArrayView bytes, DecodedPhoto &out, ImageFailure *error = nullptr);
// A raster as a lossless 8-bit PNG; false with the writer's reason.
bool encodePng(const QImage &raster, QByteArray &out, ImageFailure *error = nullptr);

// The same from a file.
bool loadOtherPhoto(const QString &path, PhotoKind kind, DecodedPhoto &out, ImageFailure *error = nullptr);

} // namespace kelvra
