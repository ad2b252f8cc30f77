// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/exif_thumbnail.h"

#include "imaging/bitmap_rotate.h"
#include "imaging/jpeg_codec.h"

#include <QPainter>

#include <cstdlib>

namespace kelvra {

namespace {

unsigned char *intoImage(void *context, int width, int height, std::size_t *stride)
{
    auto *image = static_cast<QImage *>(context);
    *image = QImage(width, height, QImage::Format_RGB32);
    if (image->isNull())
        return nullptr;
    *stride = static_cast<std::size_t>(image->bytesPerLine());
    return image->bits();
}

// A whole EXIF block must stay under 64 KB; a thumbnail that large would
// crowd out the tags.
constexpr std::size_t kMaxThumbnailBytes = 48 * 1024;

} // namespace

QByteArray stampedThumbnail(std::string_view stampedJpeg, std::string_view oldThumbnail, int orientation)
{
    const auto *stamped = reinterpret_cast<const unsigned char *>(stampedJpeg.data());
    jpeg::HeaderInfo photo, old;
    if (!jpeg::readHeader(stamped, stampedJpeg.size(), &photo).ok
        || !jpeg::readHeader(reinterpret_cast<const unsigned char *>(oldThumbnail.data()), oldThumbnail.size(), &old).ok
        || old.width <= 0 || old.height <= 0 || photo.width <= 0 || photo.height <= 0)
        return {};
    const bool upright = orientationSwapsSides(orientation) && photo.width != photo.height
        && (old.width > old.height) != (photo.width > photo.height) && old.width != old.height;
    const int wide = upright ? old.height : old.width, high = upright ? old.width : old.height;
    // The strongest DCT reduction that still covers the thumbnail.
    jpeg::DecodeOptions options;
    options.fastDct = true;
    for (int d : { 8, 4, 2 })
        if (photo.width / d >= wide && photo.height / d >= high) {
            options.scaleDenom = d;
            break;
        }
    QImage picture;
    if (!jpeg::decode(stamped, stampedJpeg.size(), options, intoImage, &picture).ok || picture.isNull())
        return {};
    if (upright && !orientationTurns(orientation).upright(picture))
        return {};
    // Cameras letterbox a picture whose aspect is not the thumbnail's; a
    // pixel or two of difference is rounding, not a bar.
    const QSize target(old.width, old.height);
    const QSize fitted = picture.size().scaled(target, Qt::KeepAspectRatio);
    QImage thumbnail;
    if (std::abs(fitted.width() - target.width()) <= 2 && std::abs(fitted.height() - target.height()) <= 2) {
        thumbnail = picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        thumbnail = QImage(target, QImage::Format_RGB32);
        if (thumbnail.isNull())
            return {};
        thumbnail.fill(Qt::black);
        QPainter painter(&thumbnail);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(
            QRect(QPoint((target.width() - fitted.width()) / 2, (target.height() - fitted.height()) / 2), fitted),
            picture);
    }
    if (thumbnail.isNull())
        return {};
    for (int quality : { 90, 75, 50 }) {
        unsigned char *out = nullptr;
        std::size_t size = 0;
        if (!jpeg::encode(thumbnail.constBits(), thumbnail.width(), thumbnail.height(),
                static_cast<std::size_t>(thumbnail.bytesPerLine()), quality, &out, &size)
                 .ok)
            return {};
        QByteArray bytes(reinterpret_cast<const char *>(out), static_cast<qsizetype>(size));
        jpeg::freeEncoded(out);
        // A thumbnail inside EXIF carries no JFIF header of its own.
        if (bytes.size() > 6 && bytes.startsWith("\xFF\xD8\xFF\xE0"))
            bytes.remove(2, 2 + (uchar(bytes[4]) << 8 | uchar(bytes[5])));
        if (std::size_t(bytes.size()) <= kMaxThumbnailBytes)
            return bytes;
    }
    return {};
}

} // namespace kelvra
