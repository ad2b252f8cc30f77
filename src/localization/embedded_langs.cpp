// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/embedded_langs.h"

#include "localization/byte_io.h"
#include "localization/codepage.h"
#include "localization/loc_errors.h"

#include <QLocale>

namespace kelvra {

namespace {

QString invalid()
{
    return QString::fromLatin1(locmsg::InvalidKLangs);
}

} // namespace

TEmbeddedLanguages parseEmbeddedLanguages(const QByteArray &bytes)
{
    TEmbeddedLanguages langs;
    if (!bytes.startsWith("KLL"))
        return langs;
    TByteReader<EResourceError> r(bytes, invalid(), 3);
    langs.FormatVersion = r.u16();
    const quint16 v = langs.FormatVersion;
    r.skip(4);
    if (v > 4)
        r.skip(4);
    const quint16 count = r.u16();
    // The smallest entry is its two-byte locale.
    r.require(qsizetype(count) * 2 <= r.remaining());
    langs.Languages.resize(count);
    for (TEmbeddedLanguage &lang : langs.Languages) {
        lang.Locale = r.u16();
        const QLocale locale = localeOfLangID(lang.Locale);
        if (v > 2)
            lang.EnglishName = r.bytes(r.varLength());
        else
            lang.EnglishName = QLocale::languageToString(locale.language()).toLatin1();
        if (v > 3)
            lang.LocalizedName = r.utf16(r.varLength());
        else
            lang.LocalizedName = locale.nativeLanguageName();
        if (v > 4) {
            lang.Version = r.u32();
            lang.Build = r.u32();
        }
    }
    for (TEmbeddedLanguage &lang : langs.Languages) {
        const quint32 size = v < 2 ? r.u16() : r.u32();
        r.require(size <= quint64(r.remaining()));
        lang.Data = r.bytes(qsizetype(size));
    }
    return langs;
}

QByteArray serializeEmbeddedLanguages(const TEmbeddedLanguages &langs)
{
    TByteWriter<EResourceError> w(invalid());
    const quint16 v = langs.FormatVersion;
    w.bytes("KLL");
    w.u16(v);
    w.u32(0);
    if (v > 4)
        w.u32(0);
    w.u16(quint64(langs.Languages.size()));
    for (const TEmbeddedLanguage &lang : langs.Languages) {
        w.u16(lang.Locale);
        if (v > 2) {
            w.varLength(lang.EnglishName.size());
            w.bytes(lang.EnglishName);
        }
        if (v > 3) {
            w.varLength(lang.LocalizedName.size());
            w.utf16(lang.LocalizedName);
        }
        if (v > 4) {
            w.u32(lang.Version);
            w.u32(lang.Build);
        }
    }
    for (const TEmbeddedLanguage &lang : langs.Languages) {
        if (v < 2)
            w.u16(quint64(lang.Data.size()));
        else
            w.u32(quint64(lang.Data.size()));
        w.bytes(lang.Data);
    }
    return w.out;
}

} // namespace kelvra
