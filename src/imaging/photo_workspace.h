// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/exif_thumbnail.h"
#include "imaging/image_error.h"
#include "imaging/jpeg_codec.h"
#include "imaging/label_renderer.h"
#include "metadata/photo_kind.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace kelvra {

// The memory one batch worker reuses from photo to photo: the file's bytes,
// the rows between decoder and encoder (or a whole raster, on the toolkit's
// road) and the encoded JPEG. Fresh memory for every photo costs more in page
// faults than drawing the label does, so the buffers keep their size between
// photos. One per worker thread, never shared.
class PhotoWorkspace
{
public:
    PhotoWorkspace() = default;
    ~PhotoWorkspace();
    PhotoWorkspace(const PhotoWorkspace &) = delete;
    PhotoWorkspace &operator=(const PhotoWorkspace &) = delete;

    // Reads the whole file.
    ImageResult<> readFile(const QString &path);
    std::string_view fileBytes() const { return std::string_view(m_file.get(), m_fileSize); }

    // Decodes fileBytes() at full size into raster(), as stored (not turned
    // by any EXIF orientation): JPEG with the accurate IDCT, the other photo
    // kinds by their own decoders (decodeOtherPhoto), chosen by content.
    // Corrupt JPEG data decodes as far as it goes (warnings() > 0).
    ImageResult<> decode();
    // Format_RGB32 over the workspace's memory, valid until the next
    // decode(). Draw on it in place: a copy of it would copy the pixels.
    QImage &raster() { return m_raster; }
    // What the last decode() found the bytes to be.
    PhotoKind decodedKind() const { return m_decodedKind; }
    int warnings() const { return m_warnings; }
    // The decoder's first warning of the last decode() or transcode(), when it gave one.
    const QString &firstWarning() const { return m_firstWarning; }

    // Decodes fileBytes() at full size with the accurate IDCT, paints label
    // on the rows it covers and encodes at quality, in one pass over the rows
    // (jpeg::transcode): the photo is never in memory whole. The JPEG is the
    // one decode(), label.paint() and encode() give. Fails with the decoder's
    // reason when it refuses the data (the toolkit's readers may still take
    // it through decode()), with ImageError::PaintRefused when the label
    // cannot be painted. A thumbnail maker that wants one gets the stamped
    // rows as they pass.
    // transcode() decodes on a second thread while it encodes, for a core
    // that no other photo of the run is using.
    void setDecodeAhead(bool ahead) { m_decodeAhead = ahead; }
    ImageResult<> transcode(int quality, const std::function<StoredPhotoLabel(QSize stored)> &layOut,
        ExifThumbnailMaker *thumbnail = nullptr);

    // Encodes raster() at quality (clamped to 1..100) as baseline 4:2:0.
    ImageResult<> encode(int quality);
    // The JPEG of the last encode(), as the encoder wrote it.
    std::string_view encoded() const;

private:
    static unsigned char *provideRaster(void *context, int width, int height, std::size_t *stride);

    QString m_path;
    std::unique_ptr<char[]> m_file; // not zeroed first: the read fills it
    std::size_t m_fileCapacity = 0;
    std::size_t m_fileSize = 0;
    std::unique_ptr<unsigned char[]> m_pixels;
    std::size_t m_pixelCapacity = 0;
    QImage m_raster;
    PhotoKind m_decodedKind = PhotoKind::None;
    int m_warnings = 0;
    QString m_firstWarning;
    jpeg::EncodeBuffer m_encoded;
    jpeg::RowMemory m_rows;
    std::optional<StoredPhotoLabel> m_label;
    bool m_labelFailed = false;
    bool m_decodeAhead = false;
};

} // namespace kelvra
