// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/exif_thumbnail.h"

#include "imaging/bitmap_rotate.h"
#include "imaging/jpeg_codec.h"
#include "imaging/ycc_band.h"

#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

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

// Adds the first columns * Scale pixels of a row to sums, Scale pixels to a
// column: red and blue, and green and alpha, each pair in one word's two
// 16-bit halves, so that one addition sums two channels. A fixed Scale lets
// the compiler use vector instructions.
template<int Scale> void sumColumns(const unsigned char *row, int columns, std::uint32_t *sums)
{
    for (int c = 0; c < columns; ++c) {
        std::uint32_t rb = 0, ga = 0;
        for (int k = 0; k < Scale; ++k) {
            std::uint32_t p;
            std::memcpy(&p, row + (std::size_t(c) * Scale + std::size_t(k)) * 4, 4);
            rb += p & 0x00FF00FFu;
            ga += (p >> 8) & 0x00FF00FFu;
        }
        sums[2 * c] += rb;
        sums[2 * c + 1] += ga;
    }
}

// The same for the samples of a 4:2:0 row: luma in the first word, blue and
// red difference in the second's halves, each chroma sample counted for the
// two pixels it covers.
template<int Scale>
void sumSamples(
    const unsigned char *luma, const unsigned char *blue, const unsigned char *red, int columns, std::uint32_t *sums)
{
    for (int c = 0; c < columns; ++c) {
        std::uint32_t y = 0, chroma = 0;
        for (int k = 0; k < Scale; ++k)
            y += luma[c * Scale + k];
        if constexpr (Scale == 1) {
            chroma = std::uint32_t(blue[c / 2]) | std::uint32_t(red[c / 2]) << 16;
        } else {
            for (int k = 0; k < Scale / 2; ++k)
                chroma += 2 * (std::uint32_t(blue[c * Scale / 2 + k]) | std::uint32_t(red[c * Scale / 2 + k]) << 16);
        }
        sums[2 * c] += y;
        sums[2 * c + 1] += chroma;
    }
}

} // namespace

void ExifThumbnailMaker::want(std::string_view oldThumbnail, int orientation)
{
    *this = ExifThumbnailMaker();
    if (oldThumbnail.empty())
        return;
    const ImageResult<jpeg::HeaderInfo> header
        = jpeg::readHeader(reinterpret_cast<const unsigned char *>(oldThumbnail.data()), oldThumbnail.size());
    const jpeg::HeaderInfo &old = header.value;
    if (!header || old.width <= 0 || old.height <= 0)
        return;
    m_wanted = true;
    m_old = QSize(old.width, old.height);
    m_orientation = orientation;
}

int ExifThumbnailMaker::scaleFor(int width, int height) const
{
    const bool upright = orientationSwapsSides(m_orientation) && width != height
        && (m_old.width() > m_old.height()) != (width > height) && m_old.width() != m_old.height();
    const int wide = upright ? m_old.height() : m_old.width(), high = upright ? m_old.width() : m_old.height();
    for (int d : { 8, 4, 2 })
        if (width / d >= wide && height / d >= high)
            return d;
    return 1;
}

bool ExifThumbnailMaker::start(int width, int height)
{
    m_picture = QImage();
    m_scale = 0;
    if (!m_wanted || width <= 0 || height <= 0)
        return false;
    const int scale = scaleFor(width, height);
    try {
        m_picture = QImage((width + scale - 1) / scale, (height + scale - 1) / scale, QImage::Format_RGB32);
        m_sums.assign(2 * std::size_t(m_picture.width()), 0);
    } catch (const std::bad_alloc &) {
        m_picture = QImage();
    }
    if (m_picture.isNull())
        return false;
    m_scale = scale;
    m_stored = QSize(width, height);
    m_rowsIn = m_nextRow = 0;
    return true;
}

template<typename SumRow> void ExifThumbnailMaker::takeRows(int first, int last, SumRow sumRow)
{
    if (m_scale == 0 || first != m_nextRow)
        return; // rows out of order make no picture
    const int scale = m_scale;
    for (int y = first; y < last; ++y) {
        // Every other row of a square of 16 or 64 pixels is mean enough for
        // a thumbnail, at half the cost.
        if (!(scale >= 4 && y % 2 == 1)) {
            sumRow(y);
            ++m_rowsIn;
        }
        m_nextRow = y + 1;
        if (m_nextRow % scale == 0 || m_nextRow == m_stored.height())
            finishRow();
    }
}

void ExifThumbnailMaker::addRows(const unsigned char *firstRow, std::size_t stride, int first, int last)
{
    m_samples = false;
    const int width = m_stored.width(), columns = m_picture.width(), scale = m_scale;
    const int whole = scale ? width / scale : 0; // columns of scale pixels each
    std::uint32_t *sums = m_sums.data();
    takeRows(first, last, [&](int y) {
        const unsigned char *row = firstRow + std::size_t(y - first) * stride;
        switch (scale) {
        case 8:
            sumColumns<8>(row, whole, sums);
            break;
        case 4:
            sumColumns<4>(row, whole, sums);
            break;
        case 2:
            sumColumns<2>(row, whole, sums);
            break;
        default:
            sumColumns<1>(row, whole, sums);
            break;
        }
        for (int c = whole; c < columns; ++c)
            for (int x = c * scale; x < width; ++x) {
                std::uint32_t p;
                std::memcpy(&p, row + std::size_t(x) * 4, 4);
                sums[2 * c] += p & 0x00FF00FFu;
                sums[2 * c + 1] += (p >> 8) & 0x00FF00FFu;
            }
    });
}

void ExifThumbnailMaker::addSamples(const jpeg::RowView &rows, int first, int last)
{
    m_samples = true;
    const int width = m_stored.width(), columns = m_picture.width(), scale = m_scale;
    const int whole = scale ? width / scale : 0;
    std::uint32_t *sums = m_sums.data();
    takeRows(first, last, [&](int y) {
        const unsigned char *luma = rows.luma + std::size_t(y - first) * rows.lumaStride;
        const std::size_t chromaRow = std::size_t(y / 2 - first / 2) * rows.chromaStride;
        const unsigned char *blue = rows.blue + chromaRow, *red = rows.red + chromaRow;
        switch (scale) {
        case 8:
            sumSamples<8>(luma, blue, red, whole, sums);
            break;
        case 4:
            sumSamples<4>(luma, blue, red, whole, sums);
            break;
        case 2:
            sumSamples<2>(luma, blue, red, whole, sums);
            break;
        default:
            sumSamples<1>(luma, blue, red, whole, sums);
            break;
        }
        for (int c = whole; c < columns; ++c)
            for (int x = c * scale; x < width; ++x) {
                sums[2 * c] += luma[x];
                sums[2 * c + 1] += std::uint32_t(blue[x / 2]) | std::uint32_t(red[x / 2]) << 16;
            }
    });
}

void ExifThumbnailMaker::finishRow()
{
    const int width = m_stored.width(), reducedRow = (m_nextRow - 1) / m_scale;
    auto *out = reinterpret_cast<QRgb *>(m_picture.scanLine(reducedRow));
    for (int c = 0; c < m_picture.width(); ++c) {
        const std::uint32_t rb = m_sums[2 * std::size_t(c)], ga = m_sums[2 * std::size_t(c) + 1];
        const unsigned n
            = std::max(1u, unsigned(std::min((c + 1) * m_scale, width) - c * m_scale) * unsigned(m_rowsIn));
        const auto mean = [n](std::uint32_t sum) { return int((sum + n / 2) / n); };
        if (m_samples) {
            // The colour of the means is the mean of the colours.
            out[c] = jpeg::yccToRgb32(mean(rb), mean(ga & 0xFFFF), mean(ga >> 16));
        } else {
            out[c] = qRgb(mean(rb >> 16), mean(ga & 0xFFFF), mean(rb & 0xFFFF));
        }
        m_sums[2 * std::size_t(c)] = m_sums[2 * std::size_t(c) + 1] = 0;
    }
    m_rowsIn = 0;
}

void ExifThumbnailMaker::setReduced(QImage picture, int scale, int width, int height)
{
    m_picture = std::move(picture);
    m_scale = m_picture.isNull() ? 0 : scale;
    m_stored = QSize(width, height);
    m_nextRow = height;
}

QByteArray ExifThumbnailMaker::make() const
{
    if (!m_wanted || m_scale == 0 || m_picture.isNull() || m_nextRow != m_stored.height())
        return {};
    const int width = m_stored.width(), height = m_stored.height();
    const bool upright = orientationSwapsSides(m_orientation) && width != height
        && (m_old.width() > m_old.height()) != (width > height) && m_old.width() != m_old.height();
    QImage picture = m_picture;
    if (upright && !orientationTurns(m_orientation).upright(picture))
        return {};
    // Cameras letterbox a picture whose aspect is not the thumbnail's; a
    // pixel or two of difference is rounding, not a bar.
    const QSize target = m_old;
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
        const ImageResult<jpeg::EncodeBuffer> encoded = jpeg::encode(thumbnail.constBits(), thumbnail.width(),
            thumbnail.height(), static_cast<std::size_t>(thumbnail.bytesPerLine()), quality);
        if (!encoded)
            return {};
        const std::string_view written = encoded.value.bytes();
        QByteArray bytes(written.data(), static_cast<qsizetype>(written.size()));
        // A thumbnail inside EXIF carries no JFIF header of its own.
        if (bytes.size() > 6 && bytes.startsWith("\xFF\xD8\xFF\xE0"))
            bytes.remove(2, 2 + (uchar(bytes[4]) << 8 | uchar(bytes[5])));
        if (std::size_t(bytes.size()) <= kMaxThumbnailBytes)
            return bytes;
    }
    return {};
}

QByteArray stampedThumbnail(std::string_view stampedJpeg, std::string_view oldThumbnail, int orientation)
{
    ExifThumbnailMaker maker;
    maker.want(oldThumbnail, orientation);
    const auto *stamped = reinterpret_cast<const unsigned char *>(stampedJpeg.data());
    if (!maker.wanted())
        return {};
    const ImageResult<jpeg::HeaderInfo> header = jpeg::readHeader(stamped, stampedJpeg.size());
    const jpeg::HeaderInfo &photo = header.value;
    if (!header || photo.width <= 0 || photo.height <= 0)
        return {};
    jpeg::DecodeOptions options;
    options.fastDct = true;
    options.scaleDenom = maker.scaleFor(photo.width, photo.height);
    QImage picture;
    if (!jpeg::decode(stamped, stampedJpeg.size(), options, intoImage, &picture) || picture.isNull())
        return {};
    maker.setReduced(std::move(picture), options.scaleDenom, photo.width, photo.height);
    return maker.make();
}

} // namespace kelvra
