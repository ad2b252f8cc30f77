// SPDX-License-Identifier: GPL-3.0-or-later
// Small real photos and files made at test time.
#pragma once

#include "imaging/jpeg_image.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace kelvra::test {

// A plain photo of one colour, so previews and thumbnails have something to decode.
inline void makePhoto(const QString &path, QSize size = QSize(64, 48), QColor colour = Qt::darkCyan)
{
    QImage raster(size, QImage::Format_RGB32);
    raster.fill(colour);
    JpegImage jpeg;
    jpeg.setImage(raster);
    ASSERT_TRUE(jpeg.saveToFile(path)) << path.toStdString();
}

inline void makeFile(const QString &path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(size, 'x'));
}

} // namespace kelvra::test
