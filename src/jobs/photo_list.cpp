// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/photo_list.h"

#include "platform/file_ops.h"
#include "stamp/file_mask.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace kelvra {

namespace {

namespace fs = std::filesystem;

struct Listing
{
    QStringList files;
    int hidden = 0;
    int danglingLinks = 0;
};

// The files of a folder, hidden ones counted and left out (and hidden folders
// with recursive); through our own listing, which keeps names that are not
// UTF-8.
Listing filesIn(const fs::path &folder, bool recursive)
{
    Listing listing;
    std::error_code ec;
    auto hidden = [](const fs::directory_entry &entry) { return entry.path().filename().native().starts_with('.'); };
    auto take = [&listing, &ec](const fs::directory_entry &entry) {
        if (entry.is_regular_file(ec))
            listing.files << fromNativePath(entry.path());
        else if (entry.is_symlink(ec) && !entry.exists(ec))
            ++listing.danglingLinks;
    };
    if (recursive) {
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (hidden(*it)) {
                if (it->is_directory(ec))
                    it.disable_recursion_pending();
                ++listing.hidden;
                continue;
            }
            take(*it);
        }
    } else {
        fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            if (!hidden(*it))
                take(*it);
            else if (!it->is_directory(ec))
                ++listing.hidden;
        }
    }
    return listing;
}

} // namespace

PhotoInputs listPhotos(const QStringList &inputs, bool recursive, const EarlierOutputs *outputs)
{
    PhotoInputs result;
    std::optional<QSet<QString>> written;
    QString outputFolder;
    if (outputs && !outputs->outputFolder.isEmpty())
        outputFolder = QDir::cleanPath(QFileInfo(outputs->outputFolder).absoluteFilePath()) + QLatin1Char('/');
    // The output folder's own files are left out where it lies inside the
    // folder listed; photos stamped where they are keep their folder.
    auto isEarlierOutput = [&](const QString &file, const QString &listed) {
        if (!written) {
            written.emplace();
            if (outputs && outputs->files)
                for (const QString &output : outputs->files())
                    written->insert(QDir::cleanPath(output));
        }
        const QString clean = QDir::cleanPath(file);
        const QString listedFolder = QDir::cleanPath(listed) + QLatin1Char('/');
        const bool outputInside
            = !outputFolder.isEmpty() && outputFolder.startsWith(listedFolder) && outputFolder != listedFolder;
        return written->contains(clean) || (outputInside && clean.startsWith(outputFolder));
    };
    // One photo under two spellings ("a.jpg", "./a.jpg") is queued once, where first named.
    QSet<QString> queued;
    auto queue = [&](const QString &photo) {
        const QString clean = QDir::cleanPath(photo);
        if (!queued.contains(clean)) {
            queued.insert(clean);
            result.photos << clean;
        }
    };
    auto leaveOut = [&](const QString &path, InputProblem problem, const QString &target = QString()) {
        result.leftOut.push_back({ QDir::cleanPath(path), problem, target, result.photos.size() });
    };
    for (const QString &input : inputs) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(nativePath(input), ec);
        const QString path = fromNativePath(absolute);
        if (isFile(input)) {
            if (IsPhotoFileName(QFileInfo(input).fileName()))
                queue(path);
            else
                leaveOut(path, InputProblem::NotJpegName);
            continue;
        }
        if (!isFolder(input)) {
            const fs::file_status status = fs::symlink_status(absolute, ec);
            if (fs::is_symlink(status) && !fs::exists(absolute, ec))
                leaveOut(path, InputProblem::DanglingLink, fromNativePath(fs::read_symlink(absolute, ec)));
            else if (fs::exists(status))
                leaveOut(path, InputProblem::NotAFile);
            else
                leaveOut(path, InputProblem::Missing);
            continue;
        }
        Listing listing = filesIn(absolute, recursive);
        std::sort(listing.files.begin(), listing.files.end());
        FolderSkips skips { input, 0, listing.hidden, listing.danglingLinks };
        for (const QString &file : std::as_const(listing.files)) {
            if (!IsPhotoFileName(QFileInfo(file).fileName()))
                ++skips.notJpeg;
            else if (isEarlierOutput(file, path))
                ++result.earlierOutputs;
            else
                queue(file);
        }
        result.folders.push_back(skips);
    }
    return result;
}

} // namespace kelvra
