// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_error.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kelvra {

// One JPEG picture: its compressed bytes and, once decoded or assigned, its
// raster in QImage::Format_RGB32. Decoding honours a DCT scale (1/1, 1/2,
// 1/4, 1/8) and a speed setting; assigning a raster makes the bytes stale
// until the next compress(), so a picture turned, stamped and turned back is
// encoded once. Not shared between threads; one object per photo.
class JpegImage
{
public:
    enum class Performance {
        BestQuality, // accurate integer IDCT
        BestSpeed, // fast integer IDCT, no two-pass quantizing, ordered dither
    };

    static constexpr int kDefaultQuality = 90;

    // Reads the bytes and their header. On failure the object is left empty.
    ImageResult<> loadFromFile(const QString &path);
    ImageResult<> loadFromData(const QByteArray &bytes);

    bool hasData() const { return !m_data.isEmpty(); }
    // The bytes as loaded or as last compressed; stale after setImage().
    const QByteArray &data() const { return m_data; }
    bool isDataStale() const { return m_stale; }

    // 0 full, 1 half, 2 quarter, 3 eighth; anything else is clamped.
    int scale() const { return m_scale; }
    void setScale(int scale);
    Performance performance() const { return m_performance; }
    void setPerformance(Performance performance);
    bool smoothing() const { return m_smoothing; } // fancy upsampling
    void setSmoothing(bool on);
    int quality() const { return m_quality; }
    void setQuality(int quality); // clamped to 1..100

    // The picture's size: the raster's when there is one, otherwise the
    // stored picture's at the current scale.
    int width() const;
    int height() const;
    // Size of the stored picture at full scale (0 x 0 without data).
    int fullWidth() const { return m_fullWidth; }
    int fullHeight() const { return m_fullHeight; }
    bool isGrayscale() const { return m_components == 1; }
    bool isProgressive() const { return m_progressive; }

    // Decodes the bytes at the current scale and speed. Corrupt data decodes
    // as far as it goes (warningCount() > 0); only unusable data fails.
    ImageResult<> decode();
    bool hasImage() const { return !m_image.isNull(); }
    const QImage &image() const { return m_image; }
    // Puts a raster in (converted to Format_RGB32 if need be).
    void setImage(QImage raster);
    // Hands the raster over without a copy. With stale bytes the picture is
    // then gone from this object.
    QImage takeImage();
    // Changes the raster in place with op (one of the turns, say); the bytes
    // go stale when op succeeds. op must leave the raster alone on failure.
    // Fails with ImageError::NoPicture without a raster.
    ImageResult<> transformImage(ImageResult<> (*op)(QImage &));

    // Encodes the raster at quality() into data().
    ImageResult<> compress();
    // Compresses first when the bytes are stale.
    ImageResult<QByteArray> saveToData();

    int warningCount() const { return m_warnings; }

private:
    void dropDecodedImage();

    QByteArray m_data;
    QImage m_image;
    bool m_stale = false;
    int m_fullWidth = 0;
    int m_fullHeight = 0;
    int m_components = 0;
    bool m_progressive = false;
    int m_scale = 0;
    Performance m_performance = Performance::BestQuality;
    bool m_smoothing = true;
    int m_quality = kDefaultQuality;
    int m_warnings = 0;
};

} // namespace kelvra
