// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace kelvra {

struct PhotoInputs
{
    QStringList photos; // absolute paths, in the order given
    // Each folder given, with how many of its files were left out for not
    // having a JPEG name.
    std::vector<std::pair<QString, int>> skippedPerFolder;
    // Files of the folders given that earlier runs wrote, or that lie in the
    // output folder: never taken for photos.
    int earlierOutputs = 0;
};

// What a folder listing never takes: the output folder (everything below it,
// where it lies inside the folder listed) and the files earlier runs wrote
// into it.
struct EarlierOutputs
{
    QString outputFolder;
    QStringList files;
};

// The photos a list of inputs names, as absolute clean paths, a photo named
// twice only where first named: a file as it is, a folder by its
// JPEG-named files sorted by name, and with recursive those of every
// subfolder too (sorted by their path below the folder; links to folders are
// not followed). Nothing, with the input in *missing, when an input is
// neither a file nor a folder. A file named on its own is taken whatever
// `outputs` says: the user asked for it.
std::optional<PhotoInputs> listPhotos(const QStringList &inputs, bool recursive = false, QString *missing = nullptr,
    const EarlierOutputs *outputs = nullptr);

} // namespace kelvra
