// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/jpeg_image.h"

#include <QImage>
#include <QRandomGenerator>

#include <algorithm>

namespace kelvra::bench {

constexpr int kBigWidth = 6000;
constexpr int kBigHeight = 4000;

// A real test photo blown up to 6000 x 4000 with fine grain on top, so that
// it compresses like a camera file (about 8-10 MB at quality 92). Empty when
// the test photo cannot be read or the photo not coded.
inline QByteArray bigPhotoBytes()
{
    QImage picture(QStringLiteral(KELVRA_TEST_PHOTOS "/orientation/landscape_1.jpg"));
    if (picture.isNull())
        return {};
    picture = picture.scaled(kBigWidth, kBigHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB32);
    QRandomGenerator random(7919);
    for (int y = 0; y < kBigHeight; ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < kBigWidth; ++x) {
            const int grain = int(random.bounded(25u)) - 12;
            row[x] = qRgb(std::clamp(qRed(row[x]) + grain, 0, 255), std::clamp(qGreen(row[x]) + grain, 0, 255),
                std::clamp(qBlue(row[x]) + grain, 0, 255));
        }
    }
    JpegImage jpeg;
    jpeg.setQuality(92);
    jpeg.setImage(picture);
    ImageResult<QByteArray> bytes = jpeg.saveToData();
    return bytes ? std::move(bytes.value) : QByteArray();
}

} // namespace kelvra::bench
