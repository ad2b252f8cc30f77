// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QLocale;

namespace kelvra {

// The locale's rules for writing and reading numbers, dates and times. Passed
// explicitly wherever text is formatted or parsed, so that a test can run any
// locale. A default-constructed value holds the invariant English rules.
struct FormatSettings
{
    QString decimalSeparator = QStringLiteral(".");
    QString dateSeparator = QStringLiteral("/");
    QString timeSeparator = QStringLiteral(":");
    QStringList shortMonthNames; // 12, January first
    QStringList longMonthNames; // 12
    QStringList shortDayNames; // 7, Sunday first
    QStringList longDayNames; // 7, Sunday first
    QString timeAMString = QStringLiteral("AM");
    QString timePMString = QStringLiteral("PM");
    QString shortDateFormat = QStringLiteral("MM/dd/yyyy");
    QString longDateFormat = QStringLiteral("dddd, MMMM d, yyyy");
    QString shortTimeFormat = QStringLiteral("h:mm AP");
    QString longTimeFormat = QStringLiteral("h:mm:ss AP");
    // The four formats above use the toolkit's pattern letters (QLocale).

    // Dates are Gregorian from the year 1 on, so every date lies in one era.
    QString eraShortName = QStringLiteral("AD");
    QString eraLongName = QStringLiteral("Anno Domini");

    FormatSettings();

    static FormatSettings fromLocale(const QLocale &locale);
    static FormatSettings system();

    // The decimal separator as UTF-8, as INI values are stored.
    std::string decimalSeparatorUtf8() const { return decimalSeparator.toStdString(); }
};

} // namespace kelvra
