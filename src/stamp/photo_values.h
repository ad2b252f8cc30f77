// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/caption.h"

#include <QString>

namespace kelvra {

// A file's dates as the token values use them: local time, cut to the two
// seconds of DOS file dates; 0 for a date that cannot be had. Where the file
// system keeps no birth time, creation is 0 and the modification date rules.
struct FileDates
{
    TDateTime creation = 0;
    TDateTime modification = 0;
};

FileDates readFileDates(const QString &path);

} // namespace kelvra
