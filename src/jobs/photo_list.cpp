// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/photo_list.h"

#include "platform/file_ops.h"
#include "stamp/file_mask.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <filesystem>

namespace kelvra {

namespace {

namespace fs = std::filesystem;

// The files of a folder, hidden ones left out (and hidden folders with
// recursive); through our own listing, which keeps names that are not UTF-8.
QStringList filesIn(const fs::path &folder, bool recursive)
{
    QStringList files;
    std::error_code ec;
    auto hidden = [](const fs::directory_entry &entry) { return entry.path().filename().native().starts_with('.'); };
    auto take = [&files, &ec](const fs::directory_entry &entry) {
        if (entry.is_regular_file(ec))
            files << fromNativePath(entry.path());
    };
    if (recursive) {
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (hidden(*it)) {
                if (it->is_directory(ec))
                    it.disable_recursion_pending();
                continue;
            }
            take(*it);
        }
    } else {
        fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            if (!hidden(*it))
                take(*it);
        }
    }
    return files;
}

} // namespace

std::optional<PhotoInputs> listPhotos(
    const QStringList &inputs, bool recursive, QString *missing, const EarlierOutputs *outputs)
{
    PhotoInputs result;
    QSet<QString> written;
    QString outputFolder;
    if (outputs) {
        for (const QString &file : outputs->files)
            written.insert(QDir::cleanPath(file));
        if (!outputs->outputFolder.isEmpty())
            outputFolder = QDir::cleanPath(QFileInfo(outputs->outputFolder).absoluteFilePath()) + QLatin1Char('/');
    }
    // The output folder's own files are left out where it lies inside the
    // folder listed; photos stamped where they are keep their folder.
    auto isEarlierOutput = [&](const QString &file, const QString &listed) {
        const QString clean = QDir::cleanPath(file);
        const QString listedFolder = QDir::cleanPath(listed) + QLatin1Char('/');
        const bool outputInside
            = !outputFolder.isEmpty() && outputFolder.startsWith(listedFolder) && outputFolder != listedFolder;
        return written.contains(clean) || (outputInside && clean.startsWith(outputFolder));
    };
    for (const QString &input : inputs) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(nativePath(input), ec);
        if (isFile(input)) {
            result.photos << fromNativePath(absolute);
            continue;
        }
        if (!isFolder(input)) {
            if (missing)
                *missing = input;
            return std::nullopt;
        }
        QStringList files = filesIn(absolute, recursive);
        std::sort(files.begin(), files.end());
        int skipped = 0;
        for (const QString &file : files) {
            if (!IsJpegFileName(QFileInfo(file).fileName()))
                ++skipped;
            else if (isEarlierOutput(file, fromNativePath(absolute)))
                ++result.earlierOutputs;
            else
                result.photos << file;
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
