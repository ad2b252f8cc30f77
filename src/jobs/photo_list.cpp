// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/photo_list.h"

#include "stamp/file_mask.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace kelvra {

std::optional<PhotoInputs> listPhotos(const QStringList &inputs, bool recursive, QString *missing)
{
    PhotoInputs result;
    for (const QString &input : inputs) {
        const QFileInfo info(input);
        if (info.isFile()) {
            result.photos << info.absoluteFilePath();
            continue;
        }
        if (!info.isDir()) {
            if (missing)
                *missing = input;
            return std::nullopt;
        }
        QStringList files;
        QDirIterator it(input, QDir::Files, recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
        while (it.hasNext())
            files << QFileInfo(it.next()).absoluteFilePath();
        std::sort(files.begin(), files.end());
        int skipped = 0;
        for (const QString &file : files) {
            if (IsJpegFileName(QFileInfo(file).fileName()))
                result.photos << file;
            else
                ++skipped;
        }
        result.skippedPerFolder.emplace_back(input, skipped);
    }
    // One photo under two spellings ("a.jpg", "./a.jpg") is queued once, where first named.
    QStringList unique;
    QSet<QString> queued;
    for (const QString &photo : std::as_const(result.photos)) {
        const QString clean = QDir::cleanPath(photo);
        if (!queued.contains(clean)) {
            queued.insert(clean);
            unique << clean;
        }
    }
    result.photos = unique;
    return result;
}

} // namespace kelvra
