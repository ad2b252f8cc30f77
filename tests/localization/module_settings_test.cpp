// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/lang_builder.h"

#include "localization/embedded_langs.h"
#include "localization/loc_errors.h"
#include "localization/module_settings.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using test::LangBytes;

TEST(LibSettings, BytesFollowTheRecordLayout)
{
    TLibSettings s;
    s.Signature = kLibSignature;
    s.Version = 606;
    s.Locale = 0x0407;
    s.EnglishName = "German";
    s.LocalizedName = QStringLiteral("Deutsch");
    s.BaseVersion = 6;
    s.Reserved = 3;
    s.Build = 0x01020304;
    LangBytes expected(5); // u16 lengths
    expected.b.append("LDLL");
    expected.u32(606).u16(0x0407).u16(6);
    expected.b.append("German");
    expected.u16(7).units16(QStringLiteral("Deutsch")).u16(6).u16(3).u32(0x01020304).u8(0);
    EXPECT_EQ(serializeLibSettings(s), expected.b);
    EXPECT_EQ(parseLibSettings(expected.b), s);
}

TEST(LibSettings, TheProgramsOwnRecordsAreEnglishVersion606)
{
    for (const char *signature : { kExeSignature, kLibSignature }) {
        const TLibSettings s = parseLibSettings(serializeLibSettings(programSettings(signature)));
        EXPECT_EQ(s.Signature, QByteArray(signature));
        EXPECT_EQ(s.Version, 606);
        EXPECT_EQ(s.Locale, 9);
        EXPECT_EQ(s.EnglishName, "English");
        EXPECT_EQ(s.LocalizedName, QStringLiteral("English"));
        EXPECT_EQ(s.BaseVersion, 6);
        EXPECT_EQ(s.Build, 0u);
    }
}

TEST(LibSettings, BuildIsReadOnlyWhenItsEightBytesFollowTheNames)
{
    const QByteArray full = serializeLibSettings(programSettings(kLibSignature));
    const qsizetype names = full.size() - 9; // fields 6 to 9
    EXPECT_TRUE(parseLibSettings(full.left(names + 8)).HasBuild);
    for (qsizetype cut : { names, names + 4, names + 7 }) {
        const TLibSettings s = parseLibSettings(full.left(cut));
        EXPECT_FALSE(s.HasBuild) << cut;
        EXPECT_EQ(dllInfoOf(s).LFBuild, 0u);
    }
}

TEST(LibSettings, NamesLongerThanTheRecordAreRefused)
{
    LangBytes tooLongEnglish(5);
    tooLongEnglish.b.append("LDLL");
    tooLongEnglish.u32(606).u16(9).u16(200).b.append("English");
    LangBytes tooLongLocalized(5);
    tooLongLocalized.b.append("LDLL");
    tooLongLocalized.u32(606).u16(9).u16(0).u16(0x7FFF).units16(QStringLiteral("E"));
    for (const QByteArray &bytes : { QByteArray("LDL"), tooLongEnglish.b, tooLongLocalized.b })
        EXPECT_THROW(parseLibSettings(bytes), EResourceError);
}

TEmbeddedLanguages sampleLangs(quint16 version)
{
    TEmbeddedLanguages langs;
    langs.FormatVersion = version;
    langs.Languages.push_back({ 0x0409, "English", QStringLiteral("English"), 3, 7, QByteArray("LF native") });
    langs.Languages.push_back({ 0x0419, "Russian", QStringLiteral("Русский"), 4, 8, QByteArray(300, 'r') });
    return langs;
}

TEST(EmbeddedLangs, RoundTripInTheCurrentVersion)
{
    const TEmbeddedLanguages langs = sampleLangs(5);
    const QByteArray bytes = serializeEmbeddedLanguages(langs);
    EXPECT_TRUE(bytes.startsWith("KLL"));
    EXPECT_EQ(parseEmbeddedLanguages(bytes), langs);
}

TEST(EmbeddedLangs, OlderVersionsTakeTheNamesFromTheLocale)
{
    for (quint16 version : { 1, 2, 3, 4 }) {
        const TEmbeddedLanguages back = parseEmbeddedLanguages(serializeEmbeddedLanguages(sampleLangs(version)));
        ASSERT_EQ(back.Languages.size(), 2u) << version;
        EXPECT_EQ(back.Languages[1].Data, QByteArray(300, 'r'));
        EXPECT_EQ(back.Languages[1].EnglishName, "Russian") << version;
        EXPECT_EQ(back.Languages[1].LocalizedName, version > 3 ? QStringLiteral("Русский") : QStringLiteral("русский"))
            << version;
        EXPECT_EQ(back.Languages[1].Build, version > 4 ? 8u : 0u);
    }
}

TEST(EmbeddedLangs, WithoutTheSignatureThereIsNoLanguage)
{
    EXPECT_TRUE(parseEmbeddedLanguages(QByteArray("KLX\5\0")).Languages.empty());
    EXPECT_TRUE(parseEmbeddedLanguages(QByteArray()).Languages.empty());
}

TEST(EmbeddedLangs, EveryCutOrOversizedFieldIsRefused)
{
    const QByteArray bytes = serializeEmbeddedLanguages(sampleLangs(5));
    for (qsizetype n = 3; n < bytes.size(); ++n)
        EXPECT_THROW(parseEmbeddedLanguages(bytes.left(n)), EResourceError) << n;
    LangBytes hugeCount(6);
    hugeCount.b.append("KLL");
    hugeCount.u16(5).u32(0).u32(0).u16(0xFFFF).u16(0x409);
    LangBytes hugeBlock(6);
    hugeBlock.b.append("KLL");
    hugeBlock.u16(5).u32(0).u32(0).u16(1).u16(0x409).str8("E").str16(QStringLiteral("E")).u32(0).u32(0);
    hugeBlock.u32(0xFFFFFFF0u).b.append("data");
    for (const QByteArray &bad : { hugeCount.b, hugeBlock.b }) {
        try {
            parseEmbeddedLanguages(bad);
            ADD_FAILURE() << "accepted";
        } catch (const EResourceError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Invalid KLANGS resource"));
        }
    }
}

} // namespace
} // namespace kelvra
