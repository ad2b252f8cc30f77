// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/lang_dictionary.h"

#include "localization/codepage.h"
#include "localization/lang_file.h"
#include "localization/loc_errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace kelvra {

namespace {

// A list's lines end in CR LF, a caption's own line breaks are LF: both
// split a value into its keys.
QStringList linesOf(const QString &value)
{
    QStringList lines = value.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

[[noreturn]] void fail(const QString &message)
{
    throw ELangFileError(message);
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// A JSON string literal of the text, quotes included.
QByteArray jsonString(const QString &text)
{
    return QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

bool wholeNumber(const QJsonValue &v, double lo, double hi, double &out)
{
    if (!v.isDouble())
        return false;
    out = v.toDouble();
    return std::floor(out) == out && out >= lo && out <= hi;
}

bool translatable(const TLocProperty &p)
{
    return p.Values.ValueType == TLocValueType::ptString || p.Values.ValueType == TLocValueType::ptStringList;
}

// Visits every item whose native value is window or message text.
void forEachText(const TLocStorage &native, const std::function<void(TLocItem &)> &visit)
{
    for (TLocProperty *p : native.LinearProperties(false).Items)
        if (translatable(*p))
            visit(*p);
    for (TLocConstant *c : native.LinearConstants(false).Items)
        visit(*c);
}

QStringList sortedUnique(const QSet<QString> &set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

// FNV-1a: the same bytes give the same Build on every platform and run.
quint32 fnv1a(quint32 hash, const QByteArray &bytes)
{
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

TLangDictionary parseDictionary(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        fail(QStringLiteral("The dictionary is not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject())
        fail(QStringLiteral("The dictionary is not a JSON object"));
    const QJsonObject root = doc.object();
    static const QStringList known { QStringLiteral("locale"), QStringLiteral("englishName"),
        QStringLiteral("localizedName"), QStringLiteral("version"), QStringLiteral("rightToLeft"),
        QStringLiteral("texts") };
    for (const QString &key : root.keys())
        if (!known.contains(key))
            fail(QStringLiteral("The dictionary has an unknown field %1").arg(quoted(key)));
    auto required = [&root](const char *name) {
        const QJsonValue v = root.value(QLatin1String(name));
        if (v.isUndefined())
            fail(QStringLiteral("The dictionary has no \"%1\"").arg(QLatin1String(name)));
        return v;
    };

    TLangDictionary d;
    double number = 0;
    if (!wholeNumber(required("locale"), 1, 0xFFFF, number))
        fail(QStringLiteral("\"locale\" must be a Windows language identifier in decimal, such as 1031"));
    d.Locale = quint16(number);
    if (localeAbbreviation(d.Locale).isEmpty())
        fail(QStringLiteral("\"locale\" %1 is not a Windows language identifier").arg(d.Locale));

    const QString english = required("englishName").toString();
    const bool ascii = std::all_of(english.begin(), english.end(), [](QChar c) { return c >= u' ' && c <= u'~'; });
    if (english.isEmpty() || !ascii)
        fail(QStringLiteral("\"englishName\" must be a text of plain ASCII characters, such as \"German\""));
    d.EnglishName = english.toLatin1();
    d.LocalizedName = required("localizedName").toString();
    if (d.LocalizedName.isEmpty())
        fail(QStringLiteral("\"localizedName\" must be a text, the language's name in itself"));

    if (const QJsonValue v = root.value(QLatin1String("version")); !v.isUndefined()) {
        if (!wholeNumber(v, 0, std::numeric_limits<qint32>::max(), number))
            fail(QStringLiteral("\"version\" must be a whole number, 0 or more"));
        d.Version = qint32(number);
    }
    if (const QJsonValue v = root.value(QLatin1String("rightToLeft")); !v.isUndefined()) {
        if (!v.isBool())
            fail(QStringLiteral("\"rightToLeft\" must be true or false"));
        d.RightToLeft = v.toBool();
    }

    const QJsonValue texts = required("texts");
    if (!texts.isObject())
        fail(QStringLiteral("\"texts\" must be an object of native texts and their translations"));
    const QJsonObject object = texts.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            fail(QStringLiteral("The translation of %1 is not a text").arg(quoted(it.key())));
        // A key spanning lines could never match: list values are translated line by line.
        if (it.key().contains(QLatin1Char('\n')))
            fail(QStringLiteral("The key %1 holds a line break; each line is a key of its own")
                     .arg(QString::fromUtf8(jsonString(it.key()))));
        d.Texts.insert(it.key(), it.value().toString());
    }
    return d;
}

QStringList translatableTexts(const TLocStorage &native)
{
    QSet<QString> lines;
    forEachText(native, [&lines](TLocItem &item) {
        for (const QString &line : linesOf(item.Values[0].Value()))
            if (!line.isEmpty())
                lines.insert(line);
    });
    return sortedUnique(lines);
}

QByteArray dictionaryTemplate(const TLocStorage &native)
{
    // Written by hand so the header comes first in a fixed order.
    QByteArray out = "{\n"
                     "  \"locale\": 0,\n"
                     "  \"englishName\": \"\",\n"
                     "  \"localizedName\": \"\",\n"
                     "  \"version\": 1,\n"
                     "  \"rightToLeft\": false,\n"
                     "  \"texts\": {";
    const QStringList texts = translatableTexts(native);
    for (qsizetype i = 0; i < texts.size(); ++i)
        out += (i ? ",\n    " : "\n    ") + jsonString(texts[i]) + ": \"\"";
    out += texts.isEmpty() ? "}\n}\n" : "\n  }\n}\n";
    return out;
}

QStringList missingTexts(const TLocStorage &native, const TLangDictionary &dictionary)
{
    QStringList missing;
    for (const QString &line : translatableTexts(native))
        if (dictionary.Texts.value(line).isEmpty())
            missing.push_back(line);
    return missing;
}

TTranslationResult translateNativeFile(const QByteArray &nativeFile, const QByteArray &dictionaryJson)
{
    const TLangDictionary dictionary = parseDictionary(dictionaryJson);
    TLocStorage store;
    TLangFile native;
    native.LoadFromBytes(nativeFile, &store, -1);
    if (!native.IsNative)
        fail(QStringLiteral("The language file is a translation, not the native file"));
    const int index = store.AddLanguage(0, dictionary.Locale);

    forEachText(store, [&](TLocItem &item) {
        const TLocValue &source = item.Values[0];
        if (source.Value().isEmpty())
            return;
        QStringList lines = source.Value().split(QLatin1Char('\n'));
        for (QString &line : lines) {
            const bool carriageReturn = line.endsWith(QLatin1Char('\r'));
            const QString key = carriageReturn ? line.chopped(1) : line;
            if (key.isEmpty())
                continue;
            line = dictionary.Texts.value(key);
            if (line.isEmpty())
                return;
            if (carriageReturn)
                line += QLatin1Char('\r');
        }
        TLocValue &value = item.Values[index];
        value.SetValue(lines.join(QLatin1Char('\n')));
        value.ValueVersion = source.ValueVersion;
        value.SetAttribute(vaCurrent, true);
    });

    TLangFile out;
    out.setHeader(native.header());
    out.Compressed = native.Compressed;
    out.Locale = dictionary.Locale;
    out.LangEnglishName = dictionary.EnglishName;
    out.LangLocalizedName = dictionary.LocalizedName;
    out.Version = dictionary.Version;
    out.IsNative = false;
    out.BasedOnLangID = 0;
    out.Attributes = quint16((native.Attributes & faInMemory) | (dictionary.RightToLeft ? faRightToLeft : 0));
    out.Build = fnv1a(fnv1a(2166136261u, nativeFile), dictionaryJson);

    TTranslationResult result;
    result.File = out.SaveToBytes(&store, index);
    result.Missing = missingTexts(store, dictionary);
    result.TextCount = int(translatableTexts(store).size());
    return result;
}

} // namespace kelvra
