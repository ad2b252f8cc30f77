// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/format_settings.h"

#include <QLocale>

namespace kelvra {

namespace {

QStringList monthNames(const QLocale &locale, QLocale::FormatType type)
{
    QStringList names;
    for (int month = 1; month <= 12; ++month)
        names << locale.standaloneMonthName(month, type);
    return names;
}

QStringList dayNames(const QLocale &locale, QLocale::FormatType type)
{
    QStringList names;
    // Sunday first; QLocale counts Monday as 1 and Sunday as 7.
    names << locale.standaloneDayName(7, type);
    for (int day = 1; day <= 6; ++day)
        names << locale.standaloneDayName(day, type);
    return names;
}

// The separator that a locale's short date format puts between its fields.
QString separatorIn(const QString &format, const QString &fallback)
{
    for (QChar c : format) {
        if (!c.isLetter())
            return QString(c);
    }
    return fallback;
}

} // namespace

FormatSettings::FormatSettings()
{
    const QLocale c = QLocale::c();
    shortMonthNames = monthNames(c, QLocale::ShortFormat);
    longMonthNames = monthNames(c, QLocale::LongFormat);
    shortDayNames = dayNames(c, QLocale::ShortFormat);
    longDayNames = dayNames(c, QLocale::LongFormat);
}

FormatSettings FormatSettings::fromLocale(const QLocale &locale)
{
    FormatSettings s;
    s.decimalSeparator = locale.decimalPoint();
    s.shortMonthNames = monthNames(locale, QLocale::ShortFormat);
    s.longMonthNames = monthNames(locale, QLocale::LongFormat);
    s.shortDayNames = dayNames(locale, QLocale::ShortFormat);
    s.longDayNames = dayNames(locale, QLocale::LongFormat);
    s.timeAMString = locale.amText();
    s.timePMString = locale.pmText();
    s.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    s.longDateFormat = locale.dateFormat(QLocale::LongFormat);
    s.shortTimeFormat = locale.timeFormat(QLocale::ShortFormat);
    s.longTimeFormat = locale.timeFormat(QLocale::LongFormat);
    s.dateSeparator = separatorIn(s.shortDateFormat, QStringLiteral("/"));
    QString timeFormat = s.longTimeFormat;
    timeFormat.remove(QLatin1Char('h'), Qt::CaseInsensitive);
    s.timeSeparator = separatorIn(timeFormat, QStringLiteral(":"));
    return s;
}

FormatSettings FormatSettings::system()
{
    return fromLocale(QLocale::system());
}

} // namespace kelvra
