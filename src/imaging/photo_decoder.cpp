// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_decoder.h"

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

void setError(ImageFailure *error, ImageError code, const QString &detail = QString())
{
    if (error)
        *error = { code, detail };
}

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

bool failedHeif(ImageFailure *error, const heif_error &e)
{
    setError(error, ImageError::Library, QString::fromUtf8(e.message ? e.message : "HEIF error"));
    return false;
}

bool decodeHeif(QByteArrayView bytes, DecodedPhoto &out, ImageFailure *error)
{
    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context) {
        setError(error, ImageError::NoMemory);
        return false;
    }
    heif_error e
        = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), size_t(bytes.size()), nullptr);
    if (e.code != heif_error_Ok)
        return failedHeif(error, e);
    heif_image_handle *rawHandle = nullptr;
    e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    HeifPtr<heif_image_handle> handle(rawHandle);
    if (e.code != heif_error_Ok)
        return failedHeif(error, e);
    if (tooLarge(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()))) {
        setError(error, ImageError::PictureTooLarge);
        return false;
    }
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    HeifPtr<heif_decoding_options> options(heif_decoding_options_alloc());
    options->ignore_transformations = 0; // the image's rotation and mirror are part of it
    heif_image *rawImage = nullptr;
    // 8-bit interleaved output: libheif brings deeper images down to it.
    e = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    HeifPtr<heif_image> image(rawImage);
    if (e.code != heif_error_Ok)
        return failedHeif(error, e);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || tooLarge(width, height)) {
        setError(error, ImageError::UnexpectedLayout);
        return false;
    }
    const QImage view(plane, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    out.raster = opaque(view); // a copy: the plane goes with the image
    if (out.raster.isNull()) {
        setError(error, ImageError::NoMemory);
        return false;
    }
    return true;
}

bool decodeWithReader(const char *format, QByteArrayView bytes, DecodedPhoto &out, ImageFailure *error)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // Orientation is ours to apply, from the EXIF block, as for JPEG.
    reader.setAutoTransform(false);
    const QSize claimed = reader.size();
    if (claimed.isValid() && tooLarge(claimed.width(), claimed.height())) {
        setError(error, ImageError::PictureTooLarge);
        return false;
    }
    // Eight bytes a pixel covers 16-bit pictures.
    reader.setAllocationLimit(int(jpeg::kMaxRasterPixels * 8 / (1024 * 1024)));
    QImage picture;
    if (!reader.read(&picture)) {
        setError(error, ImageError::NoReader, reader.errorString());
        return false;
    }
    if (tooLarge(picture.width(), picture.height())) {
        setError(error, ImageError::PictureTooLarge);
        return false;
    }
    out.raster = opaque(picture);
    if (out.raster.isNull()) {
        setError(error, ImageError::NoMemory);
        return false;
    }
    return true;
}

} // namespace

bool decodeOtherPhoto(PhotoKind kind, QByteArrayView bytes, DecodedPhoto &out, ImageFailure *error)
{
    out = {};
    if (bytes.isEmpty()) {
        setError(error, ImageError::NoData);
        return false;
    }
    switch (kind) {
    case PhotoKind::Heif:
        return decodeHeif(bytes, out, error);
    case PhotoKind::Png:
        return decodeWithReader("png", bytes, out, error);
    case PhotoKind::Tiff:
        return decodeWithReader("tiff", bytes, out, error);
    case PhotoKind::Webp:
        return decodeWithReader("webp", bytes, out, error);
    case PhotoKind::Jpeg:
    case PhotoKind::None:
        break;
    }
    setError(error, ImageError::NoReader);
    return false;
}

bool encodePng(const QImage &raster, QByteArray &out, ImageFailure *error)
{
    out.clear();
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(raster)) {
        setError(error, ImageError::Library, writer.errorString());
        return false;
    }
    return true;
}

bool loadOtherPhoto(const QString &path, PhotoKind kind, DecodedPhoto &out, ImageFailure *error)
{
    QFile file;
    if (!openForReading(file, path)) {
        setError(error, ImageError::FileUnreadable, file.errorString());
        return false;
    }
    if (file.size() > (qint64(1) << 30)) {
        setError(error, ImageError::FileTooLarge);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, ImageError::FileUnreadable, file.errorString());
        return false;
    }
    return decodeOtherPhoto(kind, bytes, out, error);
}

} // namespace kelvra
