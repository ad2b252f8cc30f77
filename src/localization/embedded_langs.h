// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace kelvra {

inline constexpr char kEmbeddedLangsName[] = "QVT_LOC_LANGS_";
inline constexpr quint16 kEmbeddedLangsVersion = 5;

// One language file carried in the program's resources.
struct TEmbeddedLanguage
{
    quint16 Locale = 0;
    QByteArray EnglishName;
    QString LocalizedName;
    quint32 Version = 0;
    quint32 Build = 0;
    QByteArray Data; // a language file, plain or LZK
    bool operator==(const TEmbeddedLanguage &) const = default;
};

// The "KLL" resource; the first language is the native one.
struct TEmbeddedLanguages
{
    quint16 FormatVersion = kEmbeddedLangsVersion;
    std::vector<TEmbeddedLanguage> Languages;
    bool operator==(const TEmbeddedLanguages &) const = default;
};

// Bytes without the "KLL" signature hold no language (an empty list). The
// directory and every block are checked against the bytes before any is used;
// a damaged resource raises EResourceError("Invalid KLANGS resource").
// Older format versions take missing names from the locale.
TEmbeddedLanguages parseEmbeddedLanguages(const QByteArray &bytes);
QByteArray serializeEmbeddedLanguages(const TEmbeddedLanguages &langs);

} // namespace kelvra
