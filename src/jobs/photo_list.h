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
};

// The photos a list of inputs names, as absolute clean paths, a photo named
// twice only where first named: a file as it is, a folder by its
// JPEG-named files sorted by name, and with recursive those of every
// subfolder too (sorted by their path below the folder; links to folders are
// not followed). Nothing, with the input in *missing, when an input is
// neither a file nor a folder.
std::optional<PhotoInputs> listPhotos(const QStringList &inputs, bool recursive = false, QString *missing = nullptr);

} // namespace kelvra
