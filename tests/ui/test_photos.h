// SPDX-License-Identifier: GPL-3.0-or-later
// Small real photos and files made at test time, and what the strip shows of them.
#pragma once

#include "common/qt_test_support.h"
#include "jobs/thumbnail_job.h"
#include "ui/photo_list_model.h"
#include "ui/photo_strip.h"

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
    ASSERT_TRUE(raster.save(path, "JPEG")) << path.toStdString();
}

inline void makeFile(const QString &path, qint64 size)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(size, 'x'));
}

// Every queued photo the strip shows now has its picture.
inline bool shownPicturesArrived(PhotoStrip &strip)
{
    for (int x = 10; x < strip.viewport()->width(); x += PhotoStrip::kBoxWidth / 2) {
        const QModelIndex index = strip.indexAt(QPoint(x, 20));
        if (index.isValid()
            && test::partOf<ThumbnailMaker>(strip)->thumbnail(index.data(PhotoList::PathRole).toString(), nullptr)
                != ThumbnailMaker::Status::Ready)
            return false;
    }
    return true;
}

} // namespace kelvra::test
