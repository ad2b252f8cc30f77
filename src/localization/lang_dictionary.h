// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "localization/loc_storage.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace kelvra {

// A translation as translators write it: a JSON dictionary from native text
// to translated text, one key per distinct line of the native file.
struct TLangDictionary
{
    quint16 Locale = 0;
    QByteArray EnglishName; // 8-bit, as the language file's header holds it
    QString LocalizedName;
    qint32 Version = 1;
    bool RightToLeft = false;
    QHash<QString, QString> Texts;
};

// Raises ELangFileError naming the first thing wrong.
TLangDictionary parseDictionary(const QByteArray &json);

// Every distinct non-empty line of the native texts (string properties, string
// lists and constants), sorted.
QStringList translatableTexts(const TLocStorage &native);

// The JSON of a dictionary with every translatable native line mapped to ""
// and header fields for the translator to fill in.
QByteArray dictionaryTemplate(const TLocStorage &native);

// The native lines the dictionary has no (or an empty) translation of, sorted.
QStringList missingTexts(const TLocStorage &native, const TLangDictionary &dictionary);

struct TTranslationResult
{
    QByteArray File; // the translation language file
    QStringList Missing; // as missingTexts
    int TextCount = 0; // translatable native lines
};

// The translation language file of a native language file and a dictionary,
// both given as the files' bytes. An item some line of which is missing stays
// native and untranslated. Raises ELangFileError.
TTranslationResult translateNativeFile(const QByteArray &nativeFile, const QByteArray &dictionaryJson);

} // namespace kelvra
