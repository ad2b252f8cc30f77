// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/exif_reader.h"
#include "stamp/caption.h"
#include "stamp/photo_date.h"

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

// The token values of one photo: its file dates, the clock, the photo date
// under the design's date rules (photoDating) and the EXIF texts, with GPS
// coordinates in the given form (0 degrees, 1 degrees and minutes, 2 degrees,
// minutes and seconds). Never fails: what cannot be read stays empty.
PhotoValues FillPhotoValues(
    const QString &path, int gpsForm, const FormatSettings &locale, const DateRules &rules = DateRules());

// How the metadata's texts are written for the token values: GPS form and the
// locale's decimal separator.
ExifTextOptions photoTextOptions(int gpsForm, const FormatSettings &locale);

// The same from metadata already read with photoTextOptions (read: what
// ProcessFile returned), so a job reads a photo's metadata once.
PhotoValues photoValuesFrom(const QString &path, const TimgData &data, bool read, const DateRules &rules = DateRules());

// The photo date and its source of dating put into values.
void setPhotoDate(PhotoValues &values, const PhotoDating &dating);

} // namespace kelvra
