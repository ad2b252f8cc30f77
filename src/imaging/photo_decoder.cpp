// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_decoder.h"

#include "imaging/jpeg_codec.h"
#include "platform/file_ops.h"

#include <libheif/heif.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <memory>

namespace kelvra {

namespace {

bool tooLarge(long long width, long long height)
{
    return width <= 0 || height <= 0 || width * height > jpeg::kMaxRasterPixels;
}

// An opaque Format_RGB32 raster of any picture; transparent pixels have no
// defined colour and lie on white.
QImage opaque(const QImage &picture)
{
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB32);
    QImage raster(picture.size(), QImage::Format_RGB32);
    if (raster.isNull())
        return raster;
    raster.fill(Qt::white);
    QPainter painter(&raster);
    painter.drawImage(0, 0, picture);
    return raster;
}

struct HeifDeleter
{
    void operator()(heif_context *c) const { heif_context_free(c); }
    void operator()(heif_image_handle *h) const { heif_image_handle_release(h); }
    void operator()(heif_image *i) const { heif_image_release(i); }
    void operator()(heif_decoding_options *o) const { heif_decoding_options_free(o); }
};
template<typename T> using HeifPtr = std::unique_ptr<T, HeifDeleter>;

ImageResult<DecodedPhoto> failedHeif(const heif_error &e)
{
    return failed<DecodedPhoto>(ImageError::Library, e.message ? e.message : "HEIF error");
}

// A raster made opaque, or no memory for it.
ImageResult<DecodedPhoto> opaquePhoto(const QImage &picture)
{
    DecodedPhoto out { opaque(picture) };
    if (out.raster.isNull())
        return failed<DecodedPhoto>(ImageError::NoMemory);
    return succeeded(std::move(out));
}

ImageResult<DecodedPhoto> decodeHeif(QByteArrayView bytes)
{
    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context)
        return failed<DecodedPhoto>(ImageError::NoMemory);
    heif_error e
        = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), size_t(bytes.size()), nullptr);
    if (e.code != heif_error_Ok)
        return failedHeif(e);
    heif_image_handle *rawHandle = nullptr;
    e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    HeifPtr<heif_image_handle> handle(rawHandle);
    if (e.code != heif_error_Ok)
        return failedHeif(e);
    if (tooLarge(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())))
        return failed<DecodedPhoto>(ImageError::PictureTooLarge);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    HeifPtr<heif_decoding_options> options(heif_decoding_options_alloc());
    options->ignore_transformations = 0; // the image's rotation and mirror are part of it
    heif_image *rawImage = nullptr;
    // 8-bit interleaved output: libheif brings deeper images down to it.
    e = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    HeifPtr<heif_image> image(rawImage);
    if (e.code != heif_error_Ok)
        return failedHeif(e);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || tooLarge(width, height))
        return failed<DecodedPhoto>(ImageError::UnexpectedLayout);
    const QImage view(plane, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    return opaquePhoto(view); // a copy: the plane goes with the image
}

ImageResult<DecodedPhoto> decodeWithReader(const char *format, QByteArrayView bytes)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // Orientation is ours to apply, from the EXIF block, as for JPEG.
    reader.setAutoTransform(false);
    const QSize claimed = reader.size();
    if (claimed.isValid() && tooLarge(claimed.width(), claimed.height()))
        return failed<DecodedPhoto>(ImageError::PictureTooLarge);
    // Eight bytes a pixel covers 16-bit pictures.
    reader.setAllocationLimit(int(jpeg::kMaxRasterPixels * 8 / (1024 * 1024)));
    QImage picture;
    if (!reader.read(&picture))
        return failed<DecodedPhoto>(ImageError::NoReader, reader.errorString().toStdString());
    if (tooLarge(picture.width(), picture.height()))
        return failed<DecodedPhoto>(ImageError::PictureTooLarge);
    return opaquePhoto(picture);
}

} // namespace

ImageResult<DecodedPhoto> decodeOtherPhoto(PhotoKind kind, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return failed<DecodedPhoto>(ImageError::NoData);
    switch (kind) {
    case PhotoKind::Heif:
        return decodeHeif(bytes);
    case PhotoKind::Png:
        return decodeWithReader("png", bytes);
    case PhotoKind::Tiff:
        return decodeWithReader("tiff", bytes);
    case PhotoKind::Webp:
        return decodeWithReader("webp", bytes);
    case PhotoKind::Jpeg:
    case PhotoKind::None:
        break;
    }
    return failed<DecodedPhoto>(ImageError::NoReader);
}

ImageResult<QByteArray> encodePng(const QImage &raster)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(raster))
        return failed<QByteArray>(ImageError::Library, writer.errorString().toStdString());
    buffer.close();
    return succeeded(std::move(out));
}

ImageResult<DecodedPhoto> loadOtherPhoto(const QString &path, PhotoKind kind)
{
    QFile file;
    if (!openForReading(file, path))
        return failed<DecodedPhoto>(ImageError::FileUnreadable, file.errorString().toStdString());
    if (file.size() > (qint64(1) << 30))
        return failed<DecodedPhoto>(ImageError::FileTooLarge);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failed<DecodedPhoto>(ImageError::FileUnreadable, file.errorString().toStdString());
    return decodeOtherPhoto(kind, bytes);
}

} // namespace kelvra
