// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kelvra {

// The photos a list of inputs names, in order, as absolute paths: a file as
// it is, a folder by its own JPEG-named files sorted by name (not those of
// its subfolders); a photo named twice comes once, where first named. Nothing, with the input in *missing, when an
// input is neither a file nor a folder.
std::optional<QStringList> listPhotos(const QStringList &inputs, QString *missing = nullptr);

} // namespace kelvra
