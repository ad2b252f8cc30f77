// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/photo_list.h"

#include "stamp/file_mask.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace kelvra {

std::optional<QStringList> listPhotos(const QStringList &inputs, QString *missing)
{
    QStringList photos;
    QSet<QString> queued;
    // One photo under two spellings ("a.jpg", "./a.jpg") is queued once.
    auto add = [&](const QFileInfo &file) {
        const QString path = QDir::cleanPath(file.absoluteFilePath());
        if (!queued.contains(path)) {
            queued.insert(path);
            photos << path;
        }
    };
    for (const QString &input : inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            const QFileInfoList files = QDir(input).entryInfoList(QDir::Files, QDir::Name);
            for (const QFileInfo &file : files) {
                if (IsJpegFileName(file.fileName()))
                    add(file);
            }
        } else if (info.isFile()) {
            add(info);
        } else {
            if (missing)
                *missing = input;
            return std::nullopt;
        }
    }
    return photos;
}

} // namespace kelvra
