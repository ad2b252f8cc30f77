// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/photo_date.h"
#include "stamp/photo_values.h"

#include <gtest/gtest.h>

#include <optional>

namespace kelvra {

using namespace Qt::StringLiterals;
namespace {

TEST(PhotoDate, FileNamePatterns)
{
    struct Case
    {
        const char *name;
        const char *date; // empty: no usable date
        bool found; // the name holds something date-like
    };
    const Case cases[] = {
        { "IMG_20210906_165243.jpg", "2021-09-06 16:52:43", true },
        { "PXL_20210906_165243123.jpg", "2021-09-06 16:52:43", true },
        { "IMG-20210906-WA0001.jpg", "2021-09-06 12:00:00", true },
        { "Screenshot_2021-09-06-16-52-43.png", "2021-09-06 16:52:43", true },
        { "2021-09-06 16.52.43.jpg", "2021-09-06 16:52:43", true },
        { "20210906_165243.jpg", "2021-09-06 16:52:43", true },
        { "2021-09-06-16-52-43.jpg", "2021-09-06 16:52:43", true },
        { "holiday 2021-09-06.jpg", "2021-09-06 12:00:00", true }, { "IMG_20211306_165243.jpg", "", true }, // month 13
        { "IMG_20210932_165243.jpg", "", true }, // day 32
        { "IMG_20210906_255243.jpg", "", true }, // hour 25: the date is not trusted either
        { "IMG_20210229_120000.jpg", "", true }, // no 29 February in 2021
        { "DSC_0042.jpg", "", false }, { "IMG_12345678.jpg", "", false }, // a counter, not a year
        { "scan_120210906.jpg", "", false }, // nine digits
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const DateCandidate d = dateFromFileName(QString::fromLatin1(c.name));
        EXPECT_EQ(isoDateText(d.value), QString::fromLatin1(c.date));
        EXPECT_EQ(!d.text.isEmpty(), c.found);
        EXPECT_EQ(d.rejected.isEmpty(), *c.date || !c.found);
    }
}

TEST(PhotoDate, SourceOrderAndRejections)
{
    const QString original = QStringLiteral("2021:09:06 16:52:43");
    const QString created = QStringLiteral("2021:09:06 16:52:44");
    const QString modified = QStringLiteral("2022:01:01 10:00:00");
    const TDateTime fileDate = *tryEncodeDateTime({ 2024, 5, 1, 8, 0, 0, 0 });
    struct Case
    {
        const char *what;
        DateInputs in;
        DateRules rules;
        DateSource source;
        const char *date;
    };
    const DateRules defaults;
    const DateRules noNames { {}, {}, false, false, {} };
    const DateRules noPlaceholders { {}, {}, true, true, {} };
    const Case cases[] = {
        { "all three", { original, created, modified, "x.jpg", fileDate, {}, {}, {} }, defaults,
            DateSource::DateTimeOriginal, "2021-09-06 16:52:43" },
        { "no original", { "", created, modified, "x.jpg", fileDate, {}, {}, {} }, defaults, DateSource::CreateDate,
            "2021-09-06 16:52:44" },
        { "impossible original", { "2021:13:06 16:52:43", created, "", "x.jpg", fileDate, {}, {}, {} }, defaults,
            DateSource::CreateDate, "2021-09-06 16:52:44" },
        { "modify only", { "", "", modified, "IMG_20200101_000000.jpg", fileDate, {}, {}, {} }, defaults,
            DateSource::ModifyDate, "2022-01-01 10:00:00" },
        { "name", { "", "", "", "IMG_20200102_030405.jpg", fileDate, {}, {}, {} }, defaults, DateSource::FileName,
            "2020-01-02 03:04:05" },
        { "name dates off", { "", "", "", "IMG_20200102_030405.jpg", fileDate, {}, {}, {} }, noNames,
            DateSource::FileDate, "2024-05-01 08:00:00" },
        { "impossible name", { "", "", "", "IMG_20201302_030405.jpg", fileDate, {}, {}, {} }, defaults,
            DateSource::FileDate, "2024-05-01 08:00:00" },
        { "placeholder kept", { "2000:01:01 00:00:00", "", "", "IMG_20200102_030405.jpg", fileDate, {}, {}, {} },
            defaults, DateSource::DateTimeOriginal, "2000-01-01 00:00:00" },
        { "placeholder ignored", { "2000:01:01 00:00:00", "", "", "IMG_20200102_030405.jpg", fileDate, {}, {}, {} },
            noPlaceholders, DateSource::FileName, "2020-01-02 03:04:05" },
        { "1970 ignored", { "1970:01:01 01:00:00", created, "", "x.jpg", fileDate, {}, {}, {} }, noPlaceholders,
            DateSource::CreateDate, "2021-09-06 16:52:44" },
        { "a real new year", { "2000:01:01 00:00:01", "", "", "x.jpg", fileDate, {}, {}, {} }, noPlaceholders,
            DateSource::DateTimeOriginal, "2000-01-01 00:00:01" },
        { "nothing", { "", "", "", "x.jpg", 0, {}, {}, {} }, defaults, DateSource::None, "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const PhotoDating d = resolvePhotoDate(c.in, c.rules);
        EXPECT_EQ(d.source, c.source);
        EXPECT_EQ(isoDateText(d.corrected), QString::fromLatin1(c.date));
        EXPECT_EQ(d.candidates.size(), 5u);
    }
}

TEST(PhotoDate, CaptionsShowTheDateInTheChosenZoneOnlyFromAKnownOne)
{
    struct Case
    {
        const char *own; // OffsetTimeOriginal as found
        const char *zone; // the design's
        const char *shift;
        const char *caption; // "[PHOTO_DATE] [TZ]"
    };
    const Case cases[] = {
        { "+02:00", "", "", "2021-09-06 16:52:43 +02:00" },
        { "+02:00", "+05:30", "", "2021-09-06 20:22:43 +05:30" },
        { "+02:00", "-10:00", "+1:00:00", "2021-09-06 05:52:43 -10:00" },
        { "-03:00", "+09:00", "", "2021-09-07 04:52:43 +09:00" },
        { "", "+05:30", "", "2021-09-06 16:52:43 " },
        { "+2:00", "+05:30", "", "2021-09-06 16:52:43 " }, // no offset: unknown
        { "+15:00", "+05:30", "", "2021-09-06 16:52:43 " },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.own) + " to " + c.zone);
        DateInputs in;
        in.original = QStringLiteral("2021:09:06 16:52:43");
        in.offset = QString::fromLatin1(c.own);
        DateRules rules;
        rules.zone = QString::fromLatin1(c.zone);
        rules.shift = QString::fromLatin1(c.shift);
        const PhotoDating d = resolvePhotoDate(in, rules);
        PhotoValues values;
        setPhotoDate(values, d);
        EXPECT_EQ(GetCurrentFileStampText(QStringLiteral("[PHOTO_DATE] [TZ]"), QStringLiteral("YYYY-MM-DD hh:nn:ss"),
                      values, FormatSettings()),
            QString::fromLatin1(c.caption));
        // Masks, folders and written dates keep the photo's own clock.
        EXPECT_EQ(isoDateText(d.corrected), c.shift[0] ? u"2021-09-06 17:52:43"_s : u"2021-09-06 16:52:43"_s);
    }
}

TEST(PhotoDate, Offsets)
{
    struct Case
    {
        const char *text;
        std::optional<qint64> seconds;
    };
    const Case cases[] = {
        { "+1:00:00", 3600 },
        { "-1d", -86400 },
        { "+1d2:30", 86400 + 2 * 3600 + 30 * 60 },
        { "0:00:30", 30 },
        { "-0:05", -300 },
        { " +2d ", 2 * 86400 },
        { "", 0 },
        { "+", std::nullopt },
        { "1", std::nullopt },
        { "1h", std::nullopt },
        { "+1:60", std::nullopt },
        { "+1:00:60", std::nullopt },
        { "1d:30", std::nullopt },
        { "+-1:00", std::nullopt },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseDateOffset(QString::fromLatin1(c.text)), c.seconds);
        if (c.seconds) {
            EXPECT_EQ(parseDateOffset(formatDateOffset(*c.seconds)), c.seconds)
                << formatDateOffset(*c.seconds).toStdString();
        }
    }
}

TEST(PhotoDate, CameraShiftOverridesTheShiftForItsCameraOnly)
{
    const DateRules rules { QStringLiteral("+1:00:00"),
        QStringLiteral("canon eos 5d=-1d; NIKON CORPORATION NIKON D70=+0:00:30"), true, false, {} };
    struct Case
    {
        const char *make;
        const char *model;
        const char *date;
        const char *rule;
    };
    const Case cases[] = {
        { "Canon", "Canon EOS 5D", "2021-09-05 16:52:43", "camera canon eos 5d" },
        { "NIKON CORPORATION", "NIKON D70", "2021-09-06 16:53:13", "camera NIKON CORPORATION NIKON D70" },
        { "NIKON CORPORATION", "NIKON D700", "2021-09-06 17:52:43", "all photos" },
        { "", "", "2021-09-06 17:52:43", "all photos" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.model);
        DateInputs in;
        in.original = QStringLiteral("2021:09:06 16:52:43");
        in.make = QString::fromLatin1(c.make);
        in.model = QString::fromLatin1(c.model);
        const PhotoDating d = resolvePhotoDate(in, rules);
        EXPECT_EQ(isoDateText(d.date), QStringLiteral("2021-09-06 16:52:43"));
        EXPECT_EQ(isoDateText(d.corrected), QString::fromLatin1(c.date));
        EXPECT_EQ(d.shiftRule, QString::fromLatin1(c.rule));
    }
    // A list that cannot be read shifts no camera, and a new entry replaces its camera's old one.
    EXPECT_FALSE(parseCameraShifts(QStringLiteral("Canon=+1:00;Nikon")));
    EXPECT_EQ(withCameraShift(QStringLiteral("A=+1:00:00;B=-1d"), QStringLiteral("a"), 60),
        QStringLiteral("B=-1d;a=+0:01:00"));
}

} // namespace
} // namespace kelvra
