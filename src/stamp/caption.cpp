// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/caption.h"

#include "stamp/date_format.h"

#include <QFileInfo>

namespace kelvra {

using namespace Qt::StringLiterals;

TDateTime FallbackFileDate(TDateTime creation, TDateTime modification)
{
    if (!isRealDate(modification))
        return creation;
    if (!isRealDate(creation))
        return modification;
    return creation <= modification ? creation : modification;
}

QString TidyExposureTime(const QString &text)
{
    if (!text.contains("0/"_L1) || !text.contains("0 sec"_L1))
        return text;
    QString tidy = text;
    tidy.replace("0/"_L1, "/"_L1);
    tidy.replace("0 sec"_L1, " sec"_L1);
    return tidy;
}

QString dropUnitDenominator(const QString &text)
{
    QString out = text;
    for (qsizetype at = out.indexOf("/1"_L1); at >= 0; at = out.indexOf("/1"_L1, at)) {
        const qsizetype next = at + 2;
        if (next < out.size() && out.at(next).isDigit())
            at = next;
        else
            out.remove(at, 2);
    }
    return out;
}

namespace {

QString withoutLastExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

constexpr std::array<QLatin1StringView, 18> kTokens = {
    "[PHOTO_DATE]"_L1,
    "[PHOTO_FULL_NAME]"_L1,
    "[PHOTO_NAME]"_L1,
    "[PN_WOE]"_L1,
    "[GPSPos]"_L1,
    "[GPSAlt]"_L1,
    "[Make]"_L1,
    "[Model]"_L1,
    "[ETime]"_L1,
    "[FNumber]"_L1,
    "[FocalLength]"_L1,
    "[ISO]"_L1,
    "[GPSDir]"_L1,
    "[FILE_MODIFICATION]"_L1,
    "[FILE_CREATION]"_L1,
    "[CURRENT_TIME]"_L1,
    "[DATE_SOURCE]"_L1,
    "[TZ]"_L1,
};

} // namespace

const std::array<QLatin1StringView, 18> &captionTokens()
{
    return kTokens;
}

QString GetCurrentFileStampText(
    const QString &caption, const QString &dateFormat, const PhotoValues &v, const FormatSettings &locale)
{
    const QString name = QFileInfo(v.CurrentFile).fileName();
    const auto date = [&](TDateTime value) { return FormatPhotoDate(dateFormat, value, locale); };
    const QString values[kTokens.size()] = {
        date(isRealDate(v.PhotoDate) ? v.PhotoDate + v.CaptionZoneShift / 1440.0 : v.PhotoDate),
        v.CurrentFile,
        name,
        withoutLastExtension(name),
        v.GPSPos,
        dropUnitDenominator(v.GPSAlt),
        v.Make,
        v.Model,
        v.ETime,
        v.FNumber,
        v.FocalLength,
        v.ISO,
        v.GPSDir,
        date(v.FileModification),
        date(v.FileCreation),
        date(v.CurrentTime),
        v.DateSource,
        v.CaptionZone,
    };
    QString text = caption;
    for (size_t i = 0; i < kTokens.size(); ++i)
        text.replace(kTokens[i], values[i], Qt::CaseInsensitive);
    return text;
}

const std::array<CaptionCommand, 18> &captionCommands()
{
    static const std::array<CaptionCommand, 18> commands = { {
        { "AcDate", "[PHOTO_DATE]"_L1 },
        { "AddMake", "[Make]"_L1 },
        { "AddModel", "[Model]"_L1 },
        { "AddExposureTime", "[ETime]"_L1 },
        { "AddFNumber", "[FNumber]"_L1 },
        { "AddFocalLength", "[FocalLength]"_L1 },
        { "AddISO", "[ISO]"_L1 },
        { "AcGPSPos", "[GPSPos]"_L1 },
        { "acAddGPSAltitude", "[GPSAlt]"_L1 },
        { "AddGPSDirection", "[GPSDir]"_L1 },
        { "AcFileName", "[PHOTO_NAME]"_L1 },
        { "AcNAmeWithoutExt", "[PN_WOE]"_L1 },
        { "AcFullName", "[PHOTO_FULL_NAME]"_L1 },
        { "AcFileCreation", "[FILE_CREATION]"_L1 },
        { "AcFileModification", "[FILE_MODIFICATION]"_L1 },
        { "AcSysDate", "[CURRENT_TIME]"_L1 },
        { "AcDateSource", "[DATE_SOURCE]"_L1 },
        { "AcTimeZone", "[TZ]"_L1 },
    } };
    return commands;
}

QString addTokenToCaption(const QString &caption, QLatin1StringView token)
{
    if (caption.contains(token, Qt::CaseSensitive))
        return caption;
    return caption + u' ' + token;
}

const QStringList &offeredDateFormats()
{
    static const QStringList formats = {
        u"DD.MM.YYYY hh:nn"_s,
        u"DD.MM.YYYY hh:nn  AM/PM"_s,
        u"MM.DD.YYYY hh:nn"_s,
        u"MM.DD.YYYY hh:nn  AM/PM"_s,
        u"MM.DD.YYYY"_s,
        u"DD.MM.YYYY"_s,
        u"DD-MM-YYYY"_s,
        u"MM-DD-YYYY"_s,
        u"YYYY.MM.DD"_s,
        u"DD MMM YYYY"_s,
        u"MMM DD YYYY"_s,
        u"DD MMM YYYY hh:nn"_s,
        u"DD MMM YYYY hh:nn AM/PM"_s,
        u"MMM DD YYYY hh:nn"_s,
        u"MMM DD YYYY hh:nn  AM/PM"_s,
        u"YYYYMMDD hh:nn"_s,
        u"YYYYMMMDD hh:nn"_s,
        u"YYYY-MMM-DD hh:nn"_s,
        u"YYYY-MM-DD hh:nn"_s,
        u"YYMMDD"_s,
        u"YYYYMMDD"_s,
    };
    return formats;
}

} // namespace kelvra
