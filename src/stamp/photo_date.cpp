// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/photo_date.h"

#include "metadata/codepage.h"
#include "metadata/exif_date_edit.h"
#include "platform/file_ops.h"
#include "stamp/caption.h"
#include "stamp/photo_values.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace kelvra {

using namespace Qt::StringLiterals;

QString dateSourceName(DateSource source)
{
    switch (source) {
    case DateSource::DateTimeOriginal:
        return u"DateTimeOriginal"_s;
    case DateSource::CreateDate:
        return u"CreateDate"_s;
    case DateSource::ModifyDate:
        return u"ModifyDate"_s;
    case DateSource::FileName:
        return u"file name"_s;
    case DateSource::FileDate:
        return u"file date"_s;
    case DateSource::None:
        break;
    }
    return QString();
}

DateRules dateRulesOf(const StampSettings &settings)
{
    return { settings.DateShift, settings.CameraShifts, settings.NameDates, settings.IgnorePlaceholderDates,
        settings.DateZone };
}

std::optional<int> parseZoneOffset(const QString &text)
{
    const QByteArray latin = text.toLatin1();
    if (text.size() != 6 || !isExifOffset(std::string_view(latin.constData(), size_t(latin.size()))))
        return std::nullopt;
    const int minutes = text.mid(1, 2).toInt() * 60 + text.mid(4, 2).toInt();
    return text.startsWith(u'-') ? -minutes : minutes;
}

std::optional<qint64> parseDateOffset(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    static const QRegularExpression offset(u"^([+-]?)(?:(\\d{1,5})d)?(?:(\\d{1,3}):(\\d\\d)(?::(\\d\\d))?)?$"_s);
    const QRegularExpressionMatch m = offset.match(trimmed);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return std::nullopt;
    const qint64 minutes = m.captured(4).toLongLong(), seconds = m.captured(5).toLongLong();
    if (minutes > 59 || seconds > 59)
        return std::nullopt;
    const qint64 total
        = m.captured(2).toLongLong() * 86400 + m.captured(3).toLongLong() * 3600 + minutes * 60 + seconds;
    return m.captured(1) == u"-"_s ? -total : total;
}

QString formatDateOffset(qint64 seconds)
{
    const qint64 magnitude = seconds < 0 ? -seconds : seconds;
    const qint64 days = magnitude / 86400, rest = magnitude % 86400;
    QString text = seconds < 0 ? u"-"_s : u"+"_s;
    if (days > 0)
        text += QString::number(days) + u'd';
    if (rest > 0 || days == 0)
        text += u"%1:%2:%3"_s.arg(rest / 3600)
                    .arg(rest / 60 % 60, 2, 10, QChar(u'0'))
                    .arg(rest % 60, 2, 10, QChar(u'0'));
    return text;
}

std::optional<std::vector<CameraShift>> parseCameraShifts(const QString &text, QString *bad)
{
    std::vector<CameraShift> shifts;
    for (const QString &entry : text.split(u';', Qt::SkipEmptyParts)) {
        // A model may hold "=", an offset never does.
        const qsizetype equals = entry.lastIndexOf(u'=');
        const QString camera = equals < 0 ? QString() : entry.left(equals).trimmed();
        const std::optional<qint64> seconds = equals < 0 ? std::nullopt : parseDateOffset(entry.mid(equals + 1));
        if (camera.isEmpty() || !seconds || entry.mid(equals + 1).trimmed().isEmpty()) {
            if (bad)
                *bad = entry.trimmed();
            return std::nullopt;
        }
        shifts.push_back({ camera, *seconds });
    }
    return shifts;
}

QString withCameraShift(const QString &list, const QString &camera, qint64 seconds)
{
    QStringList entries;
    for (const QString &entry : list.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = entry.lastIndexOf(u'=');
        if (equals < 0 || entry.left(equals).trimmed().compare(camera, Qt::CaseInsensitive) != 0)
            entries << entry;
    }
    entries << camera + u'=' + formatDateOffset(seconds);
    return entries.join(u';');
}

namespace {

// Cameras whose clock was never set write these.
bool isPlaceholder(TDateTime value)
{
    const std::optional<DateTimeFields> f = decodeDateTime(value);
    if (!f)
        return false;
    const bool newYear = f->month == 1 && f->day == 1;
    return newYear && (f->year == 1970 || (f->year == 2000 && f->hour == 0 && f->minute == 0 && f->second == 0));
}

DateCandidate exifCandidate(DateSource source, const QString &text)
{
    DateCandidate c { source, text, 0, QString() };
    if (text.isEmpty())
        return c;
    c.value = ExifDateToDateTime(text.toStdString());
    if (!isRealDate(c.value)) {
        c.value = 0;
        c.rejected = u"not a real date"_s;
    }
    return c;
}

struct NamePattern
{
    QRegularExpression pattern;
    bool hasTime;
};

// The first pattern found decides: a name whose time is impossible is not
// trusted for its date either.
const std::vector<NamePattern> &namePatterns()
{
    static const std::vector<NamePattern> patterns = {
        { QRegularExpression(u"(?<!\\d)((?:19|20)\\d\\d)(\\d\\d)(\\d\\d)[_-](\\d\\d)(\\d\\d)(\\d\\d)"_s), true },
        { QRegularExpression(
              u"(?<!\\d)((?:19|20)\\d\\d)-(\\d\\d)-(\\d\\d)[ _T.-](\\d\\d)[.:-](\\d\\d)[.:-](\\d\\d)(?!\\d)"_s),
            true },
        { QRegularExpression(u"(?<!\\d)((?:19|20)\\d\\d)(\\d\\d)(\\d\\d)(?!\\d)"_s), false },
        { QRegularExpression(u"(?<!\\d)((?:19|20)\\d\\d)-(\\d\\d)-(\\d\\d)(?!\\d)"_s), false },
    };
    return patterns;
}

QString cleanText(const std::string &raw)
{
    return QString::fromStdString(cp1252ToUtf8(raw.substr(0, raw.find('\0')))).trimmed();
}

} // namespace

DateCandidate dateFromFileName(const QString &fileName)
{
    DateCandidate c { DateSource::FileName, QString(), 0, QString() };
    for (const NamePattern &p : namePatterns()) {
        const QRegularExpressionMatch m = p.pattern.match(fileName);
        if (!m.hasMatch())
            continue;
        c.text = m.captured(0);
        DateTimeFields f;
        f.year = m.captured(1).toInt();
        f.month = m.captured(2).toInt();
        f.day = m.captured(3).toInt();
        // Noon keeps a date-only name on its day whatever shift of a few hours applies.
        f.hour = p.hasTime ? m.captured(4).toInt() : 12;
        f.minute = p.hasTime ? m.captured(5).toInt() : 0;
        f.second = p.hasTime ? m.captured(6).toInt() : 0;
        const std::optional<TDateTime> value = tryEncodeDateTime(f);
        if (value && isRealDate(*value))
            c.value = *value;
        else
            c.rejected = u"not a real date"_s;
        return c;
    }
    return c;
}

DateInputs photoDateInputs(const QString &path, const TimgData &data, bool read)
{
    DateInputs in;
    in.fileName = QFileInfo(path).fileName();
    const FileDates dates = readFileDates(path);
    in.fileDate = FallbackFileDate(dates.creation, dates.modification);
    if (!read || !data.HasEXIF() || !data.ExifObj)
        return in;
    const TImageInfo &exif = *data.ExifObj;
    const auto text = [&exif](const char *name) { return cleanText(exif.GetTagByName(name).Raw); };
    in.original = text("DateTimeOriginal");
    in.created = text("DateTimeDigitized");
    in.modified = text("DateTime");
    in.make = text("Make");
    in.model = text("Model");
    in.offset = QString::fromStdString(exifOffsetTimeOriginal(data.ExifSegment->data));
    return in;
}

PhotoDating resolvePhotoDate(const DateInputs &in, const DateRules &rules)
{
    PhotoDating d;
    d.candidates.push_back(exifCandidate(DateSource::DateTimeOriginal, in.original));
    d.candidates.push_back(exifCandidate(DateSource::CreateDate, in.created));
    d.candidates.push_back(exifCandidate(DateSource::ModifyDate, in.modified));
    DateCandidate name = dateFromFileName(in.fileName);
    if (!rules.nameDates && !name.text.isEmpty()) {
        name.value = 0;
        name.rejected = u"file-name dates are off"_s;
    }
    d.candidates.push_back(name);
    DateCandidate file { DateSource::FileDate, QString(), isRealDate(in.fileDate) ? in.fileDate : 0, QString() };
    d.candidates.push_back(file);

    for (DateCandidate &c : d.candidates) {
        if (rules.ignorePlaceholders && c.rejected.isEmpty() && isPlaceholder(c.value)) {
            c.value = 0;
            c.rejected = u"placeholder clock"_s;
        }
        if (d.source == DateSource::None && isRealDate(c.value)) {
            d.source = c.source;
            d.date = c.value;
        }
    }
    d.offset = parseZoneOffset(in.offset) ? in.offset : QString();
    d.shownZone = d.offset;
    if (d.source == DateSource::None)
        return d;

    const QString makeAndModel = (in.make + u' ' + in.model).trimmed();
    const std::vector<CameraShift> cameras = parseCameraShifts(rules.cameraShifts).value_or(std::vector<CameraShift>());
    const auto matches = [&](const CameraShift &s) {
        return (!in.model.isEmpty() && s.camera.compare(in.model, Qt::CaseInsensitive) == 0)
            || (!in.make.isEmpty() && s.camera.compare(makeAndModel, Qt::CaseInsensitive) == 0);
    };
    const auto camera = std::find_if(cameras.begin(), cameras.end(), matches);
    if (camera != cameras.end()) {
        d.shiftSeconds = camera->seconds;
        d.shiftRule = u"camera "_s + camera->camera;
    } else if (const qint64 all = parseDateOffset(rules.shift).value_or(0); all != 0) {
        d.shiftSeconds = all;
        d.shiftRule = u"all photos"_s;
    }
    d.corrected = d.date + static_cast<double>(d.shiftSeconds) / 86400.0;
    if (!isRealDate(d.corrected))
        d.corrected = d.date;
    d.shown = d.corrected;
    // A date converts to another zone only from a zone it is known to be in.
    const std::optional<int> own = parseZoneOffset(d.offset), wanted = parseZoneOffset(rules.zone);
    if (own && wanted && isRealDate(d.corrected + (*wanted - *own) / 1440.0)) {
        d.shown = d.corrected + (*wanted - *own) / 1440.0;
        d.shownZone = rules.zone;
    }
    return d;
}

DateInputs readPhotoDateInputs(const QString &path)
{
    TimgData data(255);
    const bool read = data.ProcessFile(nativePath(path));
    return photoDateInputs(path, data, read);
}

QString isoDateText(TDateTime value)
{
    if (!isRealDate(value))
        return QString();
    const DateTimeFields f = calendarFields(value);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
}

std::optional<TDateTime> parseIsoDateText(const QString &text)
{
    static const QRegularExpression iso(u"^(\\d{4})-(\\d\\d)-(\\d\\d)[ T](\\d\\d?):(\\d\\d)(?::(\\d\\d))?$"_s);
    const QRegularExpressionMatch m = iso.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    DateTimeFields f;
    f.year = m.captured(1).toInt();
    f.month = m.captured(2).toInt();
    f.day = m.captured(3).toInt();
    f.hour = m.captured(4).toInt();
    f.minute = m.captured(5).toInt();
    f.second = m.captured(6).toInt();
    const std::optional<TDateTime> value = tryEncodeDateTime(f);
    if (!value || !isRealDate(*value))
        return std::nullopt;
    return value;
}

PhotoDating photoDating(const QString &path, const TimgData &data, bool read, const DateRules &rules)
{
    return resolvePhotoDate(photoDateInputs(path, data, read), rules);
}

} // namespace kelvra
