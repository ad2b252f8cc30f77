// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/jpeg_image.h"

#include "imaging/jpeg_codec.h"
#include "platform/file_ops.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace kelvra {

namespace {

// Largest file we read into memory as one picture.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

struct DecodeTarget
{
    QImage image;
};

unsigned char *allocateRaster(void *context, int width, int height, std::size_t *stride)
{
    auto *target = static_cast<DecodeTarget *>(context);
    target->image = QImage(width, height, QImage::Format_RGB32);
    if (target->image.isNull())
        return nullptr;
    *stride = static_cast<std::size_t>(target->image.bytesPerLine());
    return target->image.bits();
}

} // namespace

void JpegImage::dropDecodedImage()
{
    // A raster that was put in has no other copy; only a decoded one can go.
    if (!m_stale)
        m_image = QImage();
}

ImageResult<> JpegImage::loadFromFile(const QString &path)
{
    QFile file;
    if (!openForReading(file, path))
        return failed(ImageError::FileUnreadable, file.errorString().toStdString());
    if (file.size() > kMaxFileBytes)
        return failed(ImageError::FileTooLarge);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failed(ImageError::FileUnreadable, file.errorString().toStdString());
    return loadFromData(bytes);
}

ImageResult<> JpegImage::loadFromData(const QByteArray &bytes)
{
    m_data.clear();
    m_image = QImage();
    m_stale = false;
    m_fullWidth = m_fullHeight = m_components = 0;
    m_progressive = false;
    m_warnings = 0;

    ImageResult<jpeg::HeaderInfo> header = jpeg::readHeader(
        reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    if (!header)
        return failedAs(std::move(header));
    const jpeg::HeaderInfo &info = header.value;
    m_data = bytes;
    m_fullWidth = info.width;
    m_fullHeight = info.height;
    m_components = info.components;
    m_progressive = info.progressive;
    return {};
}

void JpegImage::setScale(int scale)
{
    scale = std::clamp(scale, 0, 3);
    if (scale != m_scale)
        dropDecodedImage();
    m_scale = scale;
}

void JpegImage::setPerformance(Performance performance)
{
    if (performance != m_performance)
        dropDecodedImage();
    m_performance = performance;
}

void JpegImage::setSmoothing(bool on)
{
    if (on != m_smoothing)
        dropDecodedImage();
    m_smoothing = on;
}

void JpegImage::setQuality(int quality)
{
    m_quality = std::clamp(quality, 1, 100);
}

int JpegImage::width() const
{
    if (!m_image.isNull())
        return m_image.width();
    const int a = 1 << m_scale;
    return (m_fullWidth + a - 1) / a;
}

int JpegImage::height() const
{
    if (!m_image.isNull())
        return m_image.height();
    const int a = 1 << m_scale;
    return (m_fullHeight + a - 1) / a;
}

ImageResult<> JpegImage::decode()
{
    m_warnings = 0;
    if (m_stale || m_data.isEmpty())
        return failed(ImageError::NoData);

    jpeg::DecodeOptions options;
    options.scaleDenom = 1 << m_scale;
    options.fastDct = m_performance == Performance::BestSpeed;
    options.fancyUpsampling = m_smoothing;
    DecodeTarget target;
    ImageResult<jpeg::Warnings> result = jpeg::decode(reinterpret_cast<const unsigned char *>(m_data.constData()),
        static_cast<std::size_t>(m_data.size()), options, allocateRaster, &target);
    if (!result) {
        m_image = QImage();
        return failedAs(std::move(result));
    }
    m_warnings = result.value.count;
    m_image = std::move(target.image);
    return {};
}

void JpegImage::setImage(QImage raster)
{
    if (raster.format() != QImage::Format_RGB32)
        raster = raster.convertToFormat(QImage::Format_RGB32);
    m_image = std::move(raster);
    m_stale = true;
}

QImage JpegImage::takeImage()
{
    QImage taken = std::move(m_image);
    m_image = QImage();
    return taken;
}

ImageResult<> JpegImage::transformImage(ImageResult<> (*op)(QImage &))
{
    if (m_image.isNull())
        return failed(ImageError::NoPicture);
    ImageResult<> done = op(m_image);
    if (done)
        m_stale = true;
    return done;
}

ImageResult<> JpegImage::compress()
{
    if (m_image.isNull())
        return failed(ImageError::NoPicture);
    ImageResult<jpeg::EncodeBuffer> encoded = jpeg::encode(m_image.constBits(), m_image.width(), m_image.height(),
        static_cast<std::size_t>(m_image.bytesPerLine()), m_quality);
    if (!encoded)
        return failedAs(std::move(encoded));
    const std::string_view bytes = encoded.value.bytes();
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<qsizetype>::max()))
        return failed(ImageError::EncodedTooLarge);
    // A copy that cannot be had throws; the encoder's buffer goes either way.
    m_data = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    m_fullWidth = m_image.width();
    m_fullHeight = m_image.height();
    m_components = 3;
    m_progressive = false;
    m_stale = false;
    return {};
}

ImageResult<QByteArray> JpegImage::saveToData()
{
    if (m_stale || m_data.isEmpty()) {
        ImageResult<> compressed = compress();
        if (!compressed)
            return failedAs<QByteArray>(std::move(compressed));
    }
    return succeeded(m_data);
}

} // namespace kelvra
