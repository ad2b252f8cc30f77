// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/photo_values.h"

#include "platform/file_times.h"

namespace kelvra {

FileDates readFileDates(const QString &path)
{
    const FileTimes times = readFileTimes(path);
    return {localDosFileDate(times.creation), localDosFileDate(times.modification)};
}

} // namespace kelvra
