// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/photo_values.h"

#include "metadata/codepage.h"
#include "metadata/exif_reader.h"
#include "platform/file_times.h"

#include <filesystem>

namespace kelvra {

FileDates readFileDates(const QString &path)
{
    const FileTimes times = readFileTimes(path);
    return { localDosFileDate(times.creation), localDosFileDate(times.modification) };
}

namespace {

// The EXIF texts, in the order they are filled; a failure leaves the rest
// empty.
void fillExifTexts(const TImageInfo &exif, PhotoValues &v)
{
    const auto tag
        = [&exif](const char *name) { return QString::fromStdString(cp1252ToUtf8(exif.LookupTagVal(name))).trimmed(); };
    v.GPSPos
        = (tag("GPSLatitude") + tag("GPSLatitudeRef") + u' ' + tag("GPSLongitude") + tag("GPSLongitudeRef")).trimmed();
    v.GPSAlt = tag("GPSAltitude");
    v.Make = tag("Make");
    v.Model = tag("Model");
    v.ETime = TidyExposureTime(tag("ExposureTime"));
    v.FNumber = tag("FNumber");
    v.FocalLength = tag("FocalLength");
    v.ISO = tag("ISOSpeedRatings");
    v.GPSDir = tag("GPSImageDirection") + tag("GPSImageDirectionRef");
}

} // namespace

ExifTextOptions photoTextOptions(int gpsForm, const FormatSettings &locale)
{
    ExifTextOptions options;
    options.GPSForm = gpsForm;
    options.decimalSeparator = utf8ToCp1252(locale.decimalSeparatorUtf8());
    return options;
}

PhotoValues FillPhotoValues(const QString &path, int gpsForm, const FormatSettings &locale)
{
    TimgData data(255, photoTextOptions(gpsForm, locale));
    const bool read = data.ProcessFile(std::filesystem::path(path.toStdU16String()));
    return photoValuesFrom(path, data, read);
}

PhotoValues photoValuesFrom(const QString &path, const TimgData &data, bool read)
{
    PhotoValues v;
    v.CurrentFile = path;
    const FileDates dates = readFileDates(path);
    v.FileModification = dates.modification;
    v.FileCreation = dates.creation;
    v.CurrentTime = currentDateTime();
    v.PhotoDate = FallbackFileDate(v.FileCreation, v.FileModification);
    if (!read || !data.HasEXIF() || !data.ExifObj)
        return v;

    const TDateTime taken = ExifDateToDateTime(data.ExifObj->DateTime);
    if (isRealDate(taken))
        v.PhotoDate = taken;
    try {
        fillExifTexts(*data.ExifObj, v);
    } catch (const std::exception &) {
        // The photo is still treated with the texts filled so far.
    }
    return v;
}

} // namespace kelvra
