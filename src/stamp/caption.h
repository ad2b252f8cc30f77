// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stamp/date_time.h"
#include "stamp/format_settings.h"

#include <QString>
#include <QStringList>

#include <array>

namespace kelvra {

// The token values of one photo. Returned by FillPhotoValues and held by the
// job that asked for it: the preview and a batch each keep their own.
struct PhotoValues
{
    QString CurrentFile; // full path
    TDateTime PhotoDate = 0; // clock correction applied, the photo's own zone
    QString DateSource; // where PhotoDate came from (dateSourceName)
    QString TimeZone; // the photo's own zone, "+02:00"; empty when unknown
    // [PHOTO_DATE] shows PhotoDate moved by this many minutes into the
    // design's zone, [TZ] the zone it is then in (empty when unknown).
    int CaptionZoneShift = 0;
    QString CaptionZone;
    TDateTime FileModification = 0;
    TDateTime FileCreation = 0;
    TDateTime CurrentTime = 0;
    QString GPSPos;
    QString GPSAlt;
    QString Make;
    QString Model;
    QString ETime;
    QString FNumber;
    QString FocalLength;
    QString ISO;
    QString GPSDir;

    friend bool operator==(const PhotoValues &, const PhotoValues &) = default;
};

// The modification date when creation is missing, the creation date when
// modification is missing, else the earlier of the two.
TDateTime FallbackFileDate(TDateTime creation, TDateTime modification);

// 10/1250 sec becomes 1/125 sec: one factor of ten is taken out of a
// fraction whose both parts end in zero.
QString TidyExposureTime(const QString &text);

// 250/1 becomes 250: a "/1" not followed by another digit is dropped.
QString dropUnitDenominator(const QString &text);

// The caption with every token replaced, in the fixed token order, each
// replacement working on the text the earlier ones produced.
QString GetCurrentFileStampText(
    const QString &caption, const QString &dateFormat, const PhotoValues &values, const FormatSettings &locale);

// The caption tokens in replacement order.
const std::array<QLatin1StringView, 18> &captionTokens();

// The window's commands that put a token into the caption. Their menu texts
// belong to the window.
struct CaptionCommand
{
    const char *action; // object name of the command
    QLatin1StringView token;
};
const std::array<CaptionCommand, 18> &captionCommands();

// The caption with a blank and the token appended, unless the caption already
// holds the token spelled exactly so.
QString addTokenToCaption(const QString &caption, QLatin1StringView token);

// The formats the date-format box offers; the first is the default.
const QStringList &offeredDateFormats();

} // namespace kelvra
