// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/date_format.h"

#include "printers.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

// Names that differ between short and long and from every English name, so
// that a field reading the wrong table shows.
FormatSettings madeUpLocale()
{
    FormatSettings l;
    l.shortMonthNames.clear();
    l.longMonthNames.clear();
    for (int m = 1; m <= 12; ++m) {
        l.shortMonthNames << QStringLiteral("sm%1").arg(m);
        l.longMonthNames << QStringLiteral("lm%1").arg(m);
    }
    l.shortDayNames.clear();
    l.longDayNames.clear();
    for (int d = 1; d <= 7; ++d) {
        l.shortDayNames << QStringLiteral("sd%1").arg(d);
        l.longDayNames << QStringLiteral("ld%1").arg(d);
    }
    l.timeAMString = QStringLiteral("vorm.");
    l.timePMString = QStringLiteral("nachm.");
    l.timeSeparator = QStringLiteral(".");
    l.dateSeparator = QStringLiteral("-");
    l.shortDateFormat = QStringLiteral("dd.MM.yy");
    l.longDateFormat = QStringLiteral("dddd, d. MMMM yyyy");
    l.shortTimeFormat = QStringLiteral("HH:mm");
    l.longTimeFormat = QStringLiteral("HH:mm:ss 'Uhr'");
    l.eraShortName = QStringLiteral("n. Chr.");
    l.eraLongName = QStringLiteral("nach Christus");
    return l;
}

struct Case
{
    const char *format;
    const char *expected;
};

TEST(FormatPhotoDate, ExamplesInEnglish)
{
    FormatSettings english; // colon as time separator
    english.dateSeparator = QStringLiteral("."); // a slash must print as a slash anyway
    const TDateTime date = dateOf(2019, 5, 1, 14, 7, 9);
    const Case cases[] = {
        { "DD.MM.YYYY hh:nn", "01.05.2019 14:07" },
        { "DD MMM YYYY hh:nn AM/PM", "01 May 2019 02:07 PM" },
        { "YYYY-MMM-DD hh:nn", "2019-May-01 14:07" },
        { "MM/DD/YYYY", "05/01/2019" },
        { "dd.mm.yyyy hh:nn am/pm", "01.05.2019 02:07 PM" },
        { "hh:nn A/P", "14:07 A/P" },
        { "", "" },
        { "dddd, MMMM d", "Wednesday, May 1" },
        { "t", "2:07 PM" },
        { "tt", "2:07:09 PM" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatPhotoDate(QString::fromUtf8(c.format), date, english), QString::fromUtf8(c.expected))
            << c.format;
}

TEST(FormatPhotoDate, EveryField)
{
    const FormatSettings locale = madeUpLocale();
    const TDateTime date = dateOf(2019, 5, 1, 14, 7, 9, 7); // a Wednesday
    const Case cases[] = {
        { "Y", "19" },
        { "YY", "19" },
        { "YYY", "2019" },
        { "yyyyyy", "2019" },
        { "M", "5" },
        { "MM", "05" },
        { "MMM", "sm5" },
        { "MMMM", "lm5" },
        { "mmmmm", "lm5" },
        { "D", "1" },
        { "DD", "01" },
        { "DDD", "sd4" },
        { "DDDD", "ld4" },
        { "DDDDD", "01.05.19" },
        { "DDDDDD", "ld4, 1. lm5 2019" },
        { "DDDDDDD", "ld4, 1. lm5 2019" },
        { "Dd", "11" },
        { "dD.Mm", "11.55" },
        { "H", "14" },
        { "HH", "14" },
        { "HHH", "14" },
        { "N", "7" },
        { "NN", "07" },
        { "nnn", "07" },
        { "S", "9" },
        { "SS", "09" },
        { "Z", "7" },
        { "ZZ", "007" },
        { "ZZZ", "007" },
        { "T", "14:07" },
        { "TT", "14:07:09 Uhr" },
        { "C", "01.05.19 14:07:09 Uhr" },
        { "AAA", "sd4" },
        { "aaaa", "ld4" },
        { "AMPM", "nachm." },
        { "ampm", "nachm." },
        { "E", "2019" },
        { "EE", "2019" },
        { "G", "n. Chr." },
        { "GG", "nach Christus" },
        { ":", "." },
        { "/", "/" },
        { "'YYYY' \"MM\"", "YYYY MM" },
        { "'it''s'", "its" },
        { "'open", "open" },
        { "#!x_B", "#!x_B" },
        { "'a/b' am/pm", "a/b PM" }, // a quoted slash needs no protecting
        { "A", "A" },
        { "AA-aM", "AA-a5" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatPhotoDate(QString::fromUtf8(c.format), date, locale), QString::fromUtf8(c.expected))
            << c.format;
}

TEST(FormatPhotoDate, MAfterAnHourFieldMeansMinutes)
{
    const FormatSettings locale = madeUpLocale();
    const TDateTime date = dateOf(2019, 5, 1, 14, 7, 9);
    const Case cases[] = {
        { "h:m", "14.7" },
        { "hh:mm", "14.07" },
        { "h-mm", "14-07" },
        { "hh'h'mm", "14h07" },
        { "h x m", "14 x 5" },
        { "h mmm", "14 sm5" },
        { "m h", "5 14" },
        { "hh:nn mm", "14.07 05" },
        { "hh:mm:ss mm", "14.07.09 05" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatPhotoDate(QString::fromUtf8(c.format), date, locale), QString::fromUtf8(c.expected))
            << c.format;
}

TEST(FormatPhotoDate, TwelveHourClock)
{
    const FormatSettings locale = madeUpLocale();
    struct HourCase
    {
        const char *format;
        int hour;
        const char *expected;
    };
    const HourCase cases[] = {
        { "h AM/PM", 0, "12 AM" },
        { "h AM/PM", 11, "11 AM" },
        { "h AM/PM", 12, "12 PM" },
        { "h AM/PM", 13, "1 PM" },
        { "hh AM/PM", 23, "11 PM" },
        { "AM/PM h", 13, "PM 1" },
        { "AMPM h", 0, "vorm. 12" },
        { "h AMPM", 13, "1 nachm." },
        { "h", 13, "13" },
        { "h AAA", 13, "13 sd4" }, // the next A starts a weekday, not a marker
        { "h H AM/PM", 13, "13 1 PM" }, // a further hour field comes before the marker
        { "h 'AM/PM'", 13, "13 AM/PM" }, // quoted: no field at all
        { "h \"a\" AMPM", 13, "1 a nachm." }, // a quoted A is skipped
        { "h am/pm", 9, "9 AM" },
        { "h Am/pM", 21, "9 PM" },
    };
    for (const HourCase &c : cases)
        EXPECT_EQ(FormatPhotoDate(QString::fromUtf8(c.format), dateOf(2019, 5, 1, c.hour, 30), locale),
            QString::fromUtf8(c.expected))
            << c.format << " at " << c.hour;
}

TEST(FormatPhotoDate, CLeavesOutMidnight)
{
    const FormatSettings locale = madeUpLocale();
    EXPECT_EQ(FormatPhotoDate(QStringLiteral("c"), dateOf(2019, 5, 1), locale), QStringLiteral("01.05.19"));
    EXPECT_EQ(FormatPhotoDate(QStringLiteral("c"), dateOf(2019, 5, 1, 0, 0, 0, 1), locale),
        QStringLiteral("01.05.19 00:00:00 Uhr"));
}

TEST(FormatPhotoDate, DayZeroAndYearPadding)
{
    const FormatSettings english;
    EXPECT_EQ(FormatPhotoDate(QStringLiteral("DD.MM.YYYY hh:nn"), 0, english), QStringLiteral("30.12.1899 00:00"));
    EXPECT_EQ(FormatPhotoDate(QStringLiteral("YY YYYY"), dateOf(2005, 1, 2), english), QStringLiteral("05 2005"));
    EXPECT_EQ(FormatPhotoDate(QStringLiteral("YY YYYY"), dateOf(33, 1, 2), english), QStringLiteral("33 0033"));
}

TEST(FormatPhotoDate, RealLocalesGiveTheirOwnNames)
{
    const FormatSettings german = FormatSettings::fromLocale(QLocale(QLocale::German, QLocale::Germany));
    const TDateTime date = dateOf(2019, 3, 1, 14, 7, 9);
    EXPECT_EQ(
        FormatPhotoDate(QStringLiteral("DD. MMMM YYYY, DDDD"), date, german), QStringLiteral("01. März 2019, Freitag"));
    EXPECT_EQ(FormatPhotoDate(QStringLiteral("DDDDD"), date, german), QStringLiteral("01.03.19"));
    EXPECT_EQ(FormatPhotoDate(QStringLiteral("tt"), date, german), QStringLiteral("14:07:09"));
}

} // namespace
} // namespace kelvra
