// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/photo_workspace.h"

#include "imaging/photo_decoder.h"
#include "platform/file_ops.h"

#include <QFile>

#include <new>

namespace kelvra {

namespace {

// Largest file read into memory as one photo.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

} // namespace

PhotoWorkspace::~PhotoWorkspace()
{
    m_raster = QImage(); // before the pixels it points into
}

ImageResult<> PhotoWorkspace::readFile(const QString &path)
{
    m_path = path;
    m_fileSize = 0;
    QFile file;
    // Unbuffered: one read straight into our buffer, no copy on the way.
    if (!openForReading(file, path, QIODevice::Unbuffered))
        return failed(ImageError::FileUnreadable, file.errorString().toStdString());
    const qint64 size = file.size();
    if (size > kMaxFileBytes)
        return failed(ImageError::FileTooLarge);
    if (std::size_t(size) > m_fileCapacity) {
        // Room for the next photo of a series, which is rarely the same size.
        const std::size_t capacity = std::size_t(size) + std::size_t(size) / 4;
        m_file.reset();
        m_fileCapacity = 0;
        m_file.reset(new (std::nothrow) char[capacity]);
        if (!m_file)
            return failed(ImageError::NoMemory);
        m_fileCapacity = capacity;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(m_file.get() + done, size - done);
        if (n < 0)
            return failed(ImageError::FileUnreadable, file.errorString().toStdString());
        if (n == 0)
            break; // the file shrank meanwhile
        done += n;
    }
    m_fileSize = std::size_t(done);
    return {};
}

unsigned char *PhotoWorkspace::provideRaster(void *context, int width, int height, std::size_t *stride)
{
    auto *self = static_cast<PhotoWorkspace *>(context);
    const std::size_t bytes = std::size_t(width) * std::size_t(height) * 4;
    if (bytes > self->m_pixelCapacity) {
        self->m_raster = QImage();
        self->m_pixels.reset();
        self->m_pixelCapacity = 0;
        // Not value-initialised: the decoder writes every byte.
        self->m_pixels.reset(new (std::nothrow) unsigned char[bytes]);
        if (!self->m_pixels)
            return nullptr;
        self->m_pixelCapacity = bytes;
    }
    self->m_raster = QImage(self->m_pixels.get(), width, height, qsizetype(width) * 4, QImage::Format_RGB32);
    if (self->m_raster.isNull())
        return nullptr;
    *stride = std::size_t(width) * 4;
    return self->m_pixels.get();
}

ImageResult<> PhotoWorkspace::decode()
{
    m_raster = QImage();
    m_warnings = 0;
    m_firstWarning.clear();
    m_decodedKind = photoKindOfContent(fileBytes().substr(0, 16));
    if (m_decodedKind != PhotoKind::Jpeg && m_decodedKind != PhotoKind::None) {
        ImageResult<DecodedPhoto> decoded
            = decodeOtherPhoto(m_decodedKind, QByteArrayView(m_file.get(), qsizetype(m_fileSize)));
        if (!decoded)
            return failedAs(std::move(decoded));
        m_raster = std::move(decoded.value.raster);
        return {};
    }
    jpeg::DecodeOptions options; // full scale, accurate IDCT, fancy upsampling
    ImageResult<jpeg::Warnings> result = jpeg::decode(reinterpret_cast<const unsigned char *>(m_file.get()), m_fileSize,
        options, &PhotoWorkspace::provideRaster, this);
    if (result) {
        m_warnings = result.value.count;
        if (m_warnings > 0)
            m_firstWarning = QString::fromStdString(result.value.first);
        return {};
    }
    m_raster = QImage();
    return failedAs(std::move(result));
}

namespace {

struct TranscodeContext
{
    const std::function<StoredPhotoLabel(QSize)> *layOut;
    std::optional<StoredPhotoLabel> *label;
    bool *labelFailed;
    ExifThumbnailMaker *thumbnail; // null, or wanting the rows
};

jpeg::RowBand planBand(void *context, int width, int height)
{
    auto *c = static_cast<TranscodeContext *>(context);
    try {
        c->label->emplace((*c->layOut)(QSize(width, height)));
    } catch (...) {
        *c->labelFailed = true;
        return jpeg::RowBand { 0, 0, false };
    }
    if (c->thumbnail && !c->thumbnail->start(width, height))
        c->thumbnail = nullptr;
    const QRect area = (*c->label)->storedArea();
    return area.isEmpty() ? jpeg::RowBand()
                          : jpeg::RowBand { area.top(), area.bottom() + 1, true, area.left(), area.right() + 1 };
}

bool paintBand(void *context, unsigned char *firstRow, std::size_t stride, int width, int left, int first, int last)
{
    auto *c = static_cast<TranscodeContext *>(context);
    try {
        QImage band(firstRow, width, last - first, qsizetype(stride), QImage::Format_RGB32);
        if (*c->label && !band.isNull() && (*c->label)->paint(band, first, left))
            return true;
    } catch (...) {
    }
    *c->labelFailed = true;
    return false;
}

void watchRows(void *context, const jpeg::RowView &rows, int, int first, int last)
{
    auto *c = static_cast<TranscodeContext *>(context);
    if (!c->thumbnail)
        return;
    if (rows.pixels)
        c->thumbnail->addRows(rows.pixels, rows.stride, first, last);
    else
        c->thumbnail->addSamples(rows, first, last);
}

} // namespace

ImageResult<> PhotoWorkspace::transcode(
    int quality, const std::function<StoredPhotoLabel(QSize)> &layOut, ExifThumbnailMaker *thumbnail)
{
    m_raster = QImage();
    m_label.reset();
    m_labelFailed = false;
    TranscodeContext context { &layOut, &m_label, &m_labelFailed,
        thumbnail && thumbnail->wanted() ? thumbnail : nullptr };
    jpeg::DecodeOptions options; // accurate IDCT, fancy upsampling
    options.decodeAhead = m_decodeAhead;
    ImageResult<jpeg::Warnings> result = jpeg::transcode(reinterpret_cast<const unsigned char *>(m_file.get()),
        m_fileSize, options, quality, planBand, paintBand, &context, &m_rows, &m_encoded, watchRows);
    m_warnings = result.value.count;
    m_firstWarning = m_warnings > 0 ? QString::fromStdString(result.value.first) : QString();
    if (result)
        return {};
    if (m_labelFailed)
        return failed(ImageError::PaintRefused);
    return failedAs(std::move(result));
}

ImageResult<> PhotoWorkspace::encode(int quality)
{
    if (m_raster.isNull())
        return failed(ImageError::NoPicture);
    return jpeg::encodeInto(m_raster.constBits(), m_raster.width(), m_raster.height(),
        static_cast<std::size_t>(m_raster.bytesPerLine()), quality, &m_encoded);
}

std::string_view PhotoWorkspace::encoded() const
{
    return m_encoded.bytes();
}

} // namespace kelvra
