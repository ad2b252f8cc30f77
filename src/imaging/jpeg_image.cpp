// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/jpeg_image.h"

#include "imaging/jpeg_codec.h"
#include "platform/atomic_file.h"
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

bool JpegImage::fail(ImageFailure failure)
{
    m_failure = std::move(failure);
    return false;
}

bool JpegImage::fail(ImageError code, const QString &detail)
{
    m_failure = { code, detail };
    return false;
}

void JpegImage::dropDecodedImage()
{
    // A raster that was put in has no other copy; only a decoded one can go.
    if (!m_stale)
        m_image = QImage();
}

bool JpegImage::loadFromFile(const QString &path)
{
    QFile file;
    if (!openForReading(file, path))
        return fail(ImageError::FileUnreadable, file.errorString());
    if (file.size() > kMaxFileBytes)
        return fail(ImageError::FileTooLarge);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(ImageError::FileUnreadable, file.errorString());
    return loadFromData(bytes);
}

bool JpegImage::loadFromData(const QByteArray &bytes)
{
    m_data.clear();
    m_image = QImage();
    m_stale = false;
    m_fullWidth = m_fullHeight = m_components = 0;
    m_progressive = false;
    m_warnings = 0;
    m_failure = {};

    jpeg::HeaderInfo info;
    const jpeg::CodecResult result = jpeg::readHeader(
        reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<std::size_t>(bytes.size()), &info);
    if (!result.ok)
        return fail(failureOf(result));
    m_data = bytes;
    m_fullWidth = info.width;
    m_fullHeight = info.height;
    m_components = info.components;
    m_progressive = info.progressive;
    return true;
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

bool JpegImage::decode()
{
    m_warnings = 0;
    m_failure = {};
    if (m_stale)
        return fail(ImageError::NoData);
    if (m_data.isEmpty())
        return fail(ImageError::NoData);

    jpeg::DecodeOptions options;
    options.scaleDenom = 1 << m_scale;
    options.fastDct = m_performance == Performance::BestSpeed;
    options.fancyUpsampling = m_smoothing;
    DecodeTarget target;
    const jpeg::CodecResult result = jpeg::decode(reinterpret_cast<const unsigned char *>(m_data.constData()),
        static_cast<std::size_t>(m_data.size()), options, allocateRaster, &target);
    m_warnings = result.warnings;
    if (!result.ok) {
        m_image = QImage();
        return fail(failureOf(result));
    }
    m_image = std::move(target.image);
    return true;
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

bool JpegImage::transformImage(bool (*op)(QImage &))
{
    if (m_image.isNull() || !op(m_image))
        return false;
    m_stale = true;
    return true;
}

bool JpegImage::compress()
{
    m_failure = {};
    if (m_image.isNull())
        return fail(ImageError::NoPicture);
    unsigned char *out = nullptr;
    std::size_t size = 0;
    const jpeg::CodecResult result = jpeg::encode(m_image.constBits(), m_image.width(), m_image.height(),
        static_cast<std::size_t>(m_image.bytesPerLine()), m_quality, &out, &size);
    if (!result.ok)
        return fail(failureOf(result));
    if (size > static_cast<std::size_t>(std::numeric_limits<qsizetype>::max())) {
        jpeg::freeEncoded(out);
        return fail(ImageError::EncodedTooLarge);
    }
    m_data = QByteArray(reinterpret_cast<const char *>(out), static_cast<qsizetype>(size));
    jpeg::freeEncoded(out);
    m_fullWidth = m_image.width();
    m_fullHeight = m_image.height();
    m_components = 3;
    m_progressive = false;
    m_stale = false;
    return true;
}

bool JpegImage::saveToData(QByteArray &out)
{
    if ((m_stale || m_data.isEmpty()) && !compress())
        return false;
    out = m_data;
    return true;
}

bool JpegImage::saveToFile(const QString &path)
{
    QByteArray bytes;
    if (!saveToData(bytes))
        return false;
    const FileResult written = writeFileAtomically(nativePath(path), std::string_view(bytes.constData(), bytes.size()));
    if (!written.ok())
        return fail(ImageError::FileUnwritable, QString::fromStdString(written.detail));
    return true;
}

} // namespace kelvra
