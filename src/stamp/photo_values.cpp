// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/photo_values.h"

#include "metadata/codepage.h"
#include "metadata/exif_reader.h"
#include "platform/file_ops.h"
#include "platform/file_times.h"

#include <cmath>
#include <filesystem>

namespace kelvra {

FileDates readFileDates(const QString &path)
{
    const FileTimes times = readFileTimes(path);
    return { localDosFileDate(times.creation), localDosFileDate(times.modification) };
}

namespace {

// A text value as the camera meant it: cameras pad Make and Model with zero
// bytes, blanks or leftovers after a zero byte, which the tag listing shows
// but a caption must not.
QString captionText(const TImageInfo &exif, const char *name)
{
    const TTagEntry tag = exif.GetTagByName(name);
    std::string text = tag.Data;
    if (tag.TType == 2 && !tag.CallBack)
        text = printable(std::string_view(tag.Raw).substr(0, tag.Raw.find('\0')));
    return QString::fromStdString(cp1252ToUtf8(text)).trimmed();
}

// "1/178 sec" below one second, "2 sec" or "1.3 sec" from one second up, as
// photographers write it; fallback when the value is no positive number.
QString exposureText(const TImageInfo &exif, const QString &fallback, const QString &decimalSeparator)
{
    const double t = exif.GetRawFloat("ExposureTime");
    if (!std::isfinite(t) || t <= 0 || t > 1e6)
        return fallback;
    const double denominator = std::round(1 / t);
    if (t < 1 && denominator >= 2)
        return QStringLiteral("1/%1 sec").arg(static_cast<qint64>(denominator));
    const double tenths = std::round(t * 10);
    QString text = QString::number(static_cast<qint64>(tenths) / 10);
    if (static_cast<qint64>(tenths) % 10 != 0)
        text += decimalSeparator + QString::number(static_cast<qint64>(tenths) % 10);
    return text + QStringLiteral(" sec");
}

// The EXIF texts, in the order they are filled; a failure leaves the rest
// empty.
void fillExifTexts(const TImageInfo &exif, PhotoValues &v, const QString &decimalSeparator)
{
    const auto tag = [&exif](const char *name) { return captionText(exif, name); };
    v.GPSPos
        = (tag("GPSLatitude") + tag("GPSLatitudeRef") + u' ' + tag("GPSLongitude") + tag("GPSLongitudeRef")).trimmed();
    v.GPSAlt = tag("GPSAltitude");
    v.Make = tag("Make");
    v.Model = tag("Model");
    v.ETime = exposureText(exif, TidyExposureTime(tag("ExposureTime")), decimalSeparator);
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

PhotoValues FillPhotoValues(const QString &path, int gpsForm, const FormatSettings &locale, const DateRules &rules)
{
    TimgData data(255, photoTextOptions(gpsForm, locale));
    const bool read = data.ProcessFile(nativePath(path));
    return photoValuesFrom(path, data, read, rules);
}

void setPhotoDate(PhotoValues &values, const PhotoDating &dating)
{
    values.PhotoDate = dating.corrected;
    values.DateSource = dateSourceName(dating.source);
    values.TimeZone = dating.offset;
    values.CaptionZoneShift = static_cast<int>(qRound64((dating.shown - dating.corrected) * 1440.0));
    values.CaptionZone = dating.shownZone;
}

PhotoValues photoValuesFrom(const QString &path, const TimgData &data, bool read, const DateRules &rules)
{
    PhotoValues v;
    v.CurrentFile = path;
    const FileDates dates = readFileDates(path);
    v.FileModification = dates.modification;
    v.FileCreation = dates.creation;
    v.CurrentTime = currentDateTime();
    setPhotoDate(v, photoDating(path, data, read, rules));
    if (!read || !data.HasEXIF() || !data.ExifObj)
        return v;

    try {
        // The separator the texts were read with, so [ETime] agrees with [FNumber].
        const QString decimalSeparator = QString::fromStdString(cp1252ToUtf8(data.textOptions().decimalSeparator));
        fillExifTexts(*data.ExifObj, v, decimalSeparator);
    } catch (const std::exception &) {
        // The photo is still treated with the texts filled so far.
    }
    return v;
}

} // namespace kelvra
