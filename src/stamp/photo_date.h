// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/exif_reader.h"
#include "stamp/date_time.h"
#include "stamp/stamp_settings.h"

#include <QString>

#include <optional>
#include <vector>

namespace kelvra {

// Where a photo's date came from, in the order they are tried.
enum class DateSource { None, DateTimeOriginal, CreateDate, ModifyDate, FileName, FileDate };

// "DateTimeOriginal", "CreateDate", "ModifyDate", "file name", "file date"; empty for None.
QString dateSourceName(DateSource source);

// The date rules of a design: the clock corrections and which dates count.
struct DateRules
{
    QString shift; // an offset for every photo; empty for none
    QString cameraShifts; // "MODEL=OFFSET;MODEL=OFFSET", overriding shift for those cameras
    bool nameDates = true; // a date in the file name before the file's own date
    bool ignorePlaceholders = false; // 2000-01-01 00:00:00 and 1970-01-01 are no dates
    QString zone; // "+05:30": captions show the date there when the photo's own zone is known

    friend bool operator==(const DateRules &, const DateRules &) = default;
};

DateRules dateRulesOf(const StampSettings &settings);

// "[+|-][Nd][H:MM[:SS]]" in seconds: "+1:00:00", "-1d", "+1d2:30". Empty text
// is no shift (0); empty optional for text that is no offset.
std::optional<qint64> parseDateOffset(const QString &text);
// The shortest text parseDateOffset reads back: "+1d2:30:00", "-1:00:00", "+0:00:00".
QString formatDateOffset(qint64 seconds);

struct CameraShift
{
    QString camera; // an EXIF Model, or Make and Model with one blank between
    qint64 seconds = 0;
};

// "MODEL=OFFSET;MODEL=OFFSET"; empty optional with the bad entry in *bad when
// one entry is no camera and offset.
std::optional<std::vector<CameraShift>> parseCameraShifts(const QString &text, QString *bad = nullptr);
// The list with the entry for camera replaced (or added).
QString withCameraShift(const QString &list, const QString &camera, qint64 seconds);

// What the photo offers to date it, as found.
struct DateInputs
{
    QString original; // EXIF DateTimeOriginal text
    QString created; // EXIF DateTimeDigitized (CreateDate) text
    QString modified; // EXIF DateTime (ModifyDate) text
    QString fileName; // without folders
    TDateTime fileDate = 0; // the earlier file date
    QString make;
    QString model;
    QString offset; // EXIF OffsetTimeOriginal, "+02:00"; empty when unknown

    friend bool operator==(const DateInputs &, const DateInputs &) = default;
};

struct DateCandidate
{
    DateSource source = DateSource::None;
    QString text; // as found; empty when the photo has none
    TDateTime value = 0; // 0 when it cannot be used
    QString rejected; // why it is not used; empty when usable
};

struct PhotoDating
{
    std::vector<DateCandidate> candidates; // every source, in order
    DateSource source = DateSource::None;
    TDateTime date = 0; // as found
    qint64 shiftSeconds = 0;
    QString shiftRule; // empty, "all photos" or "camera NAME"
    TDateTime corrected = 0; // what masks, folders and written EXIF dates use
    QString offset; // the photo's own zone, "+02:00"; empty when unknown
    TDateTime shown = 0; // corrected, in the rules' zone when it can be
    QString shownZone; // the zone shown is in; empty when unknown
};

// Whether text is a zone offset "+HH:MM" or "-HH:MM" (at most 14 hours); in
// minutes east of UTC.
std::optional<int> parseZoneOffset(const QString &text);

// A date in a file name ("IMG_20210906_165243.jpg", "2021-09-06 16.52.43.jpg",
// "IMG-20210906-WA0001.jpg" at 12:00); text empty when the name holds none,
// value 0 when the date it holds is impossible.
DateCandidate dateFromFileName(const QString &fileName);

// The date inputs of the photo at path, from metadata already read.
DateInputs photoDateInputs(const QString &path, const TimgData &data, bool read);

// The photo's date: the first usable candidate, with the clock correction of
// its camera (else of all photos) applied.
PhotoDating resolvePhotoDate(const DateInputs &inputs, const DateRules &rules);

// The date inputs of a photo file, its metadata read here.
DateInputs readPhotoDateInputs(const QString &path);

// "2021-09-06 16:52:43"; empty for no date.
QString isoDateText(TDateTime value);
// "YYYY-MM-DD HH:MM[:SS]" (or a "T" between); empty optional when impossible.
std::optional<TDateTime> parseIsoDateText(const QString &text);

// Both at once; what the batch, the preview, the plan and the command line use.
PhotoDating photoDating(const QString &path, const TimgData &data, bool read, const DateRules &rules);

} // namespace kelvra
