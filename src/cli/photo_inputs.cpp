// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/photo_inputs.h"

#include "stamp/file_mask.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace kelvra::cli {

std::optional<PhotoInputs> gatherPhotos(const QStringList &inputs, bool recursive, QString *missing)
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
    return result;
}

} // namespace kelvra::cli
