// SPDX-License-Identifier: GPL-3.0-or-later
// kelvra-cli help [tokens|masks|dates [PHOTO]]: the commands, or what a caption,
// a mask or a date format may hold, each with an example the real code makes.
#include "cli/command.h"

#include "stamp/caption.h"
#include "stamp/date_format.h"
#include "stamp/file_mask.h"
#include "stamp/photo_values.h"
#include "stamp/stamp_settings.h"

#include <QFileInfo>
#include <QTextStream>

namespace kelvra::cli {

namespace {

using namespace Qt::StringLiterals;

// The moment every example shows: 1 May 2019, 14:07:09.
TDateTime exampleDate()
{
    return tryEncodeDateTime(DateTimeFields { 2019, 5, 1, 14, 7, 9, 0 }).value_or(0);
}

// Invariant English rules, so the examples read the same everywhere.
FormatSettings exampleLocale()
{
    return FormatSettings();
}

void printRow(QTextStream &out, const QString &field, const QString &meaning, const QString &example)
{
    out << "  " << field.leftJustified(20) << ' ' << meaning.leftJustified(34) << ' ' << example << '\n';
}

// A photo's values when one is given, else those of a made-up camera photo.
PhotoValues exampleValues(const QString &photo)
{
    if (!photo.isEmpty())
        return FillPhotoValues(photo, AppOptions().GPSForm, exampleLocale());
    PhotoValues v;
    v.CurrentFile = u"/photos/2019/DSC_0042.jpg"_s;
    v.PhotoDate = v.FileModification = v.FileCreation = v.CurrentTime = exampleDate();
    v.GPSPos = u"52°31'12\"N 13°24'18\"E"_s;
    v.GPSAlt = u"34/1 m"_s;
    v.Make = u"NIKON CORPORATION"_s;
    v.Model = u"NIKON D70"_s;
    v.ETime = u"1/200 sec"_s;
    v.FNumber = u"f9.0"_s;
    v.FocalLength = u"100.00 mm"_s;
    v.ISO = u"200"_s;
    v.GPSDir = u"123.5T"_s;
    v.DateSource = u"DateTimeOriginal"_s;
    v.TimeZone = v.CaptionZone = u"+02:00"_s;
    return v;
}

struct Field
{
    const char *field;
    const char *meaning;
};

// In the window's menu order.
constexpr Field kTokenFields[] = {
    { "[PHOTO_DATE]", "date taken, from the metadata" },
    { "[Make]", "camera maker" },
    { "[Model]", "camera model" },
    { "[ETime]", "exposure time" },
    { "[FNumber]", "f-number" },
    { "[FocalLength]", "focal length" },
    { "[ISO]", "ISO speed" },
    { "[GPSPos]", "GPS position" },
    { "[GPSAlt]", "GPS altitude" },
    { "[GPSDir]", "GPS image direction" },
    { "[PHOTO_NAME]", "file name" },
    { "[PN_WOE]", "file name, no extension" },
    { "[PHOTO_FULL_NAME]", "full path and name" },
    { "[FILE_CREATION]", "file creation date" },
    { "[FILE_MODIFICATION]", "file modification date" },
    { "[CURRENT_TIME]", "the time of the run" },
    { "[DATE_SOURCE]", "where the photo date came from" },
    { "[TZ]", "the photo date's zone, if known" },
};

void printTokens(QTextStream &out, const QString &photo)
{
    const PhotoValues values = exampleValues(photo);
    const QString dateFormat = offeredDateFormats().first();
    out << "Caption tokens (any letter case), with the date format \"" << dateFormat << "\":\n";
    for (const Field &f : kTokenFields) {
        const QString token = QString::fromLatin1(f.field);
        printRow(out, token, QString::fromLatin1(f.meaning),
            GetCurrentFileStampText(token, dateFormat, values, exampleLocale()));
    }
}

constexpr Field kMaskFields[] = {
    { "%o", "the source's name, no extension" },
    { "%y", "year, four digits" },
    { "%m", "month, two digits" },
    { "%d", "day, two digits" },
    { "%h", "hour, 24-hour clock" },
    { "%n", "minute" },
    { "%s", "second" },
    { "%n1 .. %n9", "place in the list, 1..9 digits" },
    { "%dw", "day of the week, Sunday 1" },
    { "%dy", "day of the year" },
    { "%wy", "week of the year" },
    { "%wm", "week of the month" },
    { "\\", "a subfolder" },
};

void printMasks(QTextStream &out)
{
    out << "Mask fields (any letter case), for the 7th photo, OriginalName.jpg, taken 2019-05-01 14:07:09:\n";
    for (const Field &f : kMaskFields) {
        QString field = QString::fromLatin1(f.field);
        QString sample = field;
        if (field.startsWith("%n1"_L1))
            sample = u"%n3"_s;
        else if (field == "\\"_L1)
            sample = u"%y\\%o"_s;
        printRow(out, field, QString::fromLatin1(f.meaning),
            sample + u" -> "_s + ExpandFileMask(sample, u"OriginalName.jpg"_s, 7, exampleDate(), exampleLocale()));
    }
    out << "The source's extension follows; an existing name gets _0001, _0002, ...\n";
}

constexpr Field kDateLetters[] = {
    { "YY", "year, two digits" },
    { "YYYY", "year" },
    { "M", "month" },
    { "MM", "month, two digits" },
    { "MMM", "month, short name" },
    { "MMMM", "month, full name" },
    { "D", "day" },
    { "DD", "day, two digits" },
    { "DDD", "weekday, short name" },
    { "DDDD", "weekday, full name" },
    { "DDDDD", "the locale's short date" },
    { "DDDDDD", "the locale's long date" },
    { "H", "hour" },
    { "HH", "hour, two digits" },
    { "HH:MM", "M after an hour: minutes" },
    { "N", "minute" },
    { "NN", "minute, two digits" },
    { "S", "second" },
    { "SS", "second, two digits" },
    { "ZZZ", "millisecond" },
    { "T", "the locale's short time" },
    { "TT", "the locale's long time" },
    { "C", "the locale's date and time" },
    { "AM/PM", "AM or PM (12-hour clock)" },
    { "AMPM", "the locale's AM or PM" },
    { "E", "year of the era" },
    { "G", "era" },
    { "\"text\"", "text as written" },
};

void printDates(QTextStream &out)
{
    out << "Date-format letters (any letter case), for 2019-05-01 14:07:09:\n";
    for (const Field &f : kDateLetters) {
        const QString letters = QString::fromLatin1(f.field);
        printRow(
            out, letters, QString::fromLatin1(f.meaning), FormatPhotoDate(letters, exampleDate(), exampleLocale()));
    }
    out << "Other characters print as they are; \"/\" always prints a slash.\n";
}

int runHelp(const QStringList &args)
{
    QTextStream out(stdout);
    const QString topic = args.value(0);
    if (args.isEmpty()) {
        out << "usage:\n";
        for (const Command &c : commands())
            out << "  kelvra-cli " << c.name << ' ' << c.synopsis << '\n';
        return ExitOk;
    }
    for (const Command &c : commands()) {
        // "dates" is both a topic and a command; the topic shows both.
        if (topic == QLatin1String(c.name) && args.size() == 1 && topic != "dates"_L1) {
            out << usageText(c.name);
            return ExitOk;
        }
    }
    if (topic == "tokens"_L1 && args.size() <= 2) {
        if (args.size() == 2 && !QFileInfo(args.at(1)).isFile()) {
            QTextStream(stderr) << "kelvra-cli help: no such file: " << args.at(1) << '\n';
            return ExitFailed;
        }
        printTokens(out, args.value(1));
        return ExitOk;
    }
    if (topic == "masks"_L1 && args.size() == 1) {
        printMasks(out);
        return ExitOk;
    }
    if (topic == "dates"_L1 && args.size() == 1) {
        printDates(out);
        out << '\n' << usageText("dates");
        return ExitOk;
    }
    if (args.size() > (topic == "tokens"_L1 ? 2 : 1))
        return usageError("help", u"too many arguments"_s);
    return usageError("help", u"unknown topic "_s + topic);
}

const CommandRegistration registration({ "help",
    "[COMMAND | tokens [PHOTO] | masks | dates]   a command's usage, or tokens, mask fields, date letters", runHelp });

} // namespace

} // namespace kelvra::cli
