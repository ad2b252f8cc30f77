// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <string_view>

namespace kelvra {

// A new EXIF thumbnail for a stamped photo, so that cameras and file
// browsers show the label: the stamped JPEG scaled into the old thumbnail's
// size (letterboxed where the aspects differ), as a baseline JPEG. It is
// stored as the old one was: in the photo's stored orientation, or upright
// when the old one's sides were the upright picture's (orientation 5 to 8).
// Empty when either JPEG cannot be read.
QByteArray stampedThumbnail(std::string_view stampedJpeg, std::string_view oldThumbnail, int orientation);

} // namespace kelvra
