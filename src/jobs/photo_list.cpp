// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/photo_list.h"

#include "stamp/file_mask.h"

#include <QDir>
#include <QFileInfo>

namespace kelvra {

std::optional<QStringList> listPhotos(const QStringList &inputs, QString *missing)
{
    QStringList photos;
    for (const QString &input : inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            const QFileInfoList files = QDir(input).entryInfoList(QDir::Files, QDir::Name);
            for (const QFileInfo &file : files) {
                if (IsJpegFileName(file.fileName()))
                    photos << file.absoluteFilePath();
            }
        } else if (info.isFile()) {
            photos << info.absoluteFilePath();
        } else {
            if (missing)
                *missing = input;
            return std::nullopt;
        }
    }
    return photos;
}

} // namespace kelvra
