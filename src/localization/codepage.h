// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

namespace kelvra {

// A built-in table of Windows language identifiers stands in for the system's
// locale services, which this platform does not have.
inline constexpr quint16 primaryLanguage(quint16 langID)
{
    return langID & 0x3FF;
}

// The locale's default ANSI code page; 1252 for a locale the table lacks.
int localeAnsiCodePage(quint16 langID);
// The three-letter abbreviated language name ("ENU", "RUS"), empty when unknown.
QString localeAbbreviation(quint16 langID);
QLocale localeOfLangID(quint16 langID);
// The first identifier whose abbreviation (or file-name extension) is this one, any case; 0 when none.
quint16 langIDOfAbbreviation(const QString &abbreviation);

// The file-name extension of a language: "ntv" for the native file, the
// abbreviation otherwise, cut to two letters for a primary-only identifier.
QString langFileExtension(quint16 langID, bool native);
// "<program without extension>.<extension>.lng" beside the program.
QString langFileName(const QString &programPath, quint16 langID, bool native);

// Conversion by code page through iconv; a character the code page lacks
// becomes "?".
QByteArray fromUtf16ByCodePage(const QString &text, int codePage);
QString toUtf16ByCodePage(const QByteArray &bytes, int codePage);

} // namespace kelvra
