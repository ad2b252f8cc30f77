// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/codepage.h"

#include <QFileInfo>

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>

namespace kelvra {

namespace {

struct LocaleEntry
{
    quint16 langID; // a full identifier, or a primary language for the sub-languages not listed
    const char *abbreviation;
    int codePage;
    QLocale::Language language;
    QLocale::Territory territory;
};

constexpr auto A = QLocale::AnyTerritory;

// clang-format off
const LocaleEntry kLocales[] = {
    {0x0401, "ARA", 1256, QLocale::Arabic, QLocale::SaudiArabia},
    {0x0402, "BGR", 1251, QLocale::Bulgarian, A},
    {0x0403, "CAT", 1252, QLocale::Catalan, A},
    {0x0404, "CHT", 950, QLocale::Chinese, QLocale::Taiwan},
    {0x0804, "CHS", 936, QLocale::Chinese, QLocale::China},
    {0x0405, "CSY", 1250, QLocale::Czech, A},
    {0x0406, "DAN", 1252, QLocale::Danish, A},
    {0x0407, "DEU", 1252, QLocale::German, QLocale::Germany},
    {0x0807, "DES", 1252, QLocale::German, QLocale::Switzerland},
    {0x0C07, "DEA", 1252, QLocale::German, QLocale::Austria},
    {0x0408, "ELL", 1253, QLocale::Greek, A},
    {0x0409, "ENU", 1252, QLocale::English, QLocale::UnitedStates},
    {0x0809, "ENG", 1252, QLocale::English, QLocale::UnitedKingdom},
    {0x040A, "ESP", 1252, QLocale::Spanish, QLocale::Spain},
    {0x0C0A, "ESN", 1252, QLocale::Spanish, QLocale::Spain},
    {0x040B, "FIN", 1252, QLocale::Finnish, A},
    {0x040C, "FRA", 1252, QLocale::French, QLocale::France},
    {0x040D, "HEB", 1255, QLocale::Hebrew, A},
    {0x040E, "HUN", 1250, QLocale::Hungarian, A},
    {0x040F, "ISL", 1252, QLocale::Icelandic, A},
    {0x0410, "ITA", 1252, QLocale::Italian, A},
    {0x0411, "JPN", 932, QLocale::Japanese, A},
    {0x0412, "KOR", 949, QLocale::Korean, A},
    {0x0413, "NLD", 1252, QLocale::Dutch, QLocale::Netherlands},
    {0x0414, "NOR", 1252, QLocale::NorwegianBokmal, A},
    {0x0415, "PLK", 1250, QLocale::Polish, A},
    {0x0416, "PTB", 1252, QLocale::Portuguese, QLocale::Brazil},
    {0x0816, "PTG", 1252, QLocale::Portuguese, QLocale::Portugal},
    {0x0418, "ROM", 1250, QLocale::Romanian, A},
    {0x0419, "RUS", 1251, QLocale::Russian, A},
    {0x041A, "HRV", 1250, QLocale::Croatian, A},
    {0x041B, "SKY", 1250, QLocale::Slovak, A},
    {0x041D, "SVE", 1252, QLocale::Swedish, A},
    {0x041E, "THA", 874, QLocale::Thai, A},
    {0x041F, "TRK", 1254, QLocale::Turkish, A},
    {0x0422, "UKR", 1251, QLocale::Ukrainian, A},
    {0x0423, "BEL", 1251, QLocale::Belarusian, A},
    {0x0424, "SLV", 1250, QLocale::Slovenian, A},
    {0x0425, "ETI", 1257, QLocale::Estonian, A},
    {0x0426, "LVI", 1257, QLocale::Latvian, A},
    {0x0427, "LTH", 1257, QLocale::Lithuanian, A},
    {0x0429, "FAR", 1256, QLocale::Persian, A},
    {0x042A, "VIT", 1258, QLocale::Vietnamese, A},
};
// clang-format on

// The exact identifier first, then the first entry of the same primary language.
const LocaleEntry *findLocale(quint16 langID)
{
    for (const LocaleEntry &e : kLocales)
        if (e.langID == langID)
            return &e;
    for (const LocaleEntry &e : kLocales)
        if (primaryLanguage(e.langID) == primaryLanguage(langID))
            return &e;
    return nullptr;
}

struct IconvCloser
{
    void operator()(void *cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

QByteArray iconvName(int codePage)
{
    return "CP" + QByteArray::number(codePage);
}

// Converts all of `in`, replacing what cannot be converted by `replacement`
// (in the target encoding) and skipping `skip` input bytes for it.
QByteArray convert(const char *to, const char *from, QByteArray in, const QByteArray &replacement, size_t skip)
{
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1))
        return {};
    std::unique_ptr<void, IconvCloser> cd(raw);
    QByteArray out;
    std::array<char, 4096> buffer;
    char *inPtr = in.data();
    size_t inLeft = size_t(in.size());
    while (inLeft > 0) {
        char *outPtr = buffer.data();
        size_t outLeft = buffer.size();
        const size_t r = iconv(raw, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), qsizetype(buffer.size() - outLeft));
        if (r == size_t(-1) && errno != E2BIG) {
            out.append(replacement);
            const size_t n = std::min(skip, inLeft);
            inPtr += n;
            inLeft -= n;
        }
    }
    return out;
}

} // namespace

int localeAnsiCodePage(quint16 langID)
{
    const LocaleEntry *e = findLocale(langID);
    return e ? e->codePage : 1252;
}

QString localeAbbreviation(quint16 langID)
{
    const LocaleEntry *e = findLocale(langID);
    return e ? QString::fromLatin1(e->abbreviation) : QString();
}

quint16 langIDOfAbbreviation(const QString &abbreviation)
{
    for (const LocaleEntry &e : kLocales) {
        const QString full = QString::fromLatin1(e.abbreviation);
        const QString shown = e.langID == primaryLanguage(e.langID) ? full.left(2) : full;
        if (shown.compare(abbreviation, Qt::CaseInsensitive) == 0
            || full.compare(abbreviation, Qt::CaseInsensitive) == 0)
            return e.langID;
    }
    return 0;
}

QLocale localeOfLangID(quint16 langID)
{
    const LocaleEntry *e = findLocale(langID);
    return e ? QLocale(e->language, e->territory) : QLocale::c();
}

QString langFileExtension(quint16 langID, bool native)
{
    if (native)
        return QStringLiteral("ntv");
    const QString abbreviation = localeAbbreviation(langID);
    return langID == primaryLanguage(langID) ? abbreviation.left(2) : abbreviation;
}

QString langFileName(const QString &programPath, quint16 langID, bool native)
{
    const QFileInfo program(programPath);
    const QString base = program.path() + QLatin1Char('/') + program.completeBaseName();
    return base + QLatin1Char('.') + langFileExtension(langID, native) + QStringLiteral(".lng");
}

QByteArray fromUtf16ByCodePage(const QString &text, int codePage)
{
    const QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return convert(iconvName(codePage).constData(), "UTF-16LE", utf16, "?", 2);
}

QString toUtf16ByCodePage(const QByteArray &bytes, int codePage)
{
    const QByteArray utf16 = convert("UTF-16LE", iconvName(codePage).constData(), bytes, QByteArray("?\0", 2), 1);
    return QString(reinterpret_cast<const QChar *>(utf16.constData()), utf16.size() / 2);
}

} // namespace kelvra
