// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"
#include "localization/lang_builder.h"
#include "localization/module_fixture.h"

#include "localization/lzk.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using test::runCli;

std::string sampleFile(const test::TempDir &dir, const char *name, bool packed)
{
    const QByteArray plain = test::buildLangFile(test::sampleContent(7));
    const std::string file = (dir / name).string();
    test::writeFileBytes(file, (packed ? lzkCompress(plain) : plain).toStdString());
    return file;
}

TEST(LngCommand, InfoPrintsTheHeader)
{
    test::TempDir dir;
    const auto r = runCli({ "lng", "info", sampleFile(dir, "a.lng", true) });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char *line : { "FormatVersion=7\n", "Build=17\n", "Locale=1033\n", "LangEnglishName=English\n",
             "IsNative=1\n", "Attributes=0x0101\n", "PropertyMaxID=13\n", "Compressed=1\n" })
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

TEST(LngCommand, DumpJsonHoldsEveryRecord)
{
    test::TempDir dir;
    const auto r = runCli({ "lng", "dump", "--json", sampleFile(dir, "a.lng", false) });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(root[QStringLiteral("header")][QStringLiteral("locale")].toInt(), 0x0409);
    EXPECT_EQ(root[QStringLiteral("units")].toArray().size(), 2);
    const QJsonObject button = root[QStringLiteral("forms")][0][QStringLiteral("components")][0].toObject();
    EXPECT_EQ(button[QStringLiteral("name")].toString(), QStringLiteral("Button1"));
    const QJsonArray props = button[QStringLiteral("properties")].toArray();
    ASSERT_EQ(props.size(), 9);
    EXPECT_EQ(props[3][QStringLiteral("type")].toString(), QStringLiteral("ptInteger"));
    EXPECT_EQ(props[3][QStringLiteral("value")].toString(), QStringLiteral("-25"));
    EXPECT_EQ(root[QStringLiteral("groups")][0][QStringLiteral("items")][1][QStringLiteral("value")].toString(),
        QStringLiteral("Hi"));
    EXPECT_EQ(
        root[QStringLiteral("units")][0][QStringLiteral("constants")][0][QStringLiteral("stringID")].toInt(), 100);

    const auto text = runCli({ "lng", "dump", (dir / "a.lng").string() });
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("  component Button1 attributes=0x0000\n"), std::string::npos);
    EXPECT_NE(
        text.out.find("    property Height id=6 type=ptInteger attributes=0x0000 valueVersion=1 modified=45006.25 "
                      "value=\"-25\"\n"),
        std::string::npos);
}

TEST(LngCommand, PackUnpackAndResaveRoundTrip)
{
    test::TempDir dir;
    const std::string plain = sampleFile(dir, "a.lng", false);
    const std::string packed = (dir / "a.lzk").string();
    const std::string back = (dir / "b.lng").string();
    ASSERT_EQ(runCli({ "lng", "pack", plain, packed }).exitCode, 0);
    ASSERT_EQ(runCli({ "lng", "unpack", packed, back }).exitCode, 0);
    EXPECT_EQ(test::readFileBytes(back), test::readFileBytes(plain));
    EXPECT_NE(test::readFileBytes(packed), test::readFileBytes(plain));

    const std::string resaved = (dir / "c.lng").string();
    const auto r = runCli({ "lng", "resave", packed, resaved });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::readFileBytes(resaved), test::readFileBytes(packed));
}

TEST(LngCommand, FailuresAndUsage)
{
    test::TempDir dir;
    test::writeFileBytes(dir / "bad.lng", std::string("LF\x09\x00", 4));
    const auto r = runCli({ "lng", "dump", (dir / "bad.lng").string() });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
        "kelvra-cli lng: The language file can not be read. You need to download the latest Language "
        "Manager\n");
    EXPECT_EQ(runCli({ "lng", "unpack", (dir / "bad.lng").string(), (dir / "x").string() }).err,
        "kelvra-cli lng: Wrong stream format\n");
    EXPECT_EQ(runCli({ "lng", "info", (dir / "none.lng").string() }).exitCode, 1);
    EXPECT_EQ(runCli({ "lng" }).exitCode, 2);
    EXPECT_EQ(runCli({ "lng", "pack", "one" }).exitCode, 2);
    EXPECT_EQ(runCli({ "lng", "info", "--json", "x" }).exitCode, 2);
    EXPECT_EQ(runCli({ "lng", "frob", "x" }).exitCode, 2);
}

TEST(LngCommand, ModuleIsBuiltFromALanguageFileAndListed)
{
    test::TempDir dir;
    const std::string native = (dir / "Kelvra.ntv.lng").string();
    const std::string german = (dir / "Kelvra.DEU.lng").string();
    const std::string module = (dir / "Kelvra.DEU").string();
    test::writeLangFile(QString::fromStdString(native), test::fixtureContent(test::kEnglish));
    test::writeLangFile(QString::fromStdString(german), test::fixtureContent(test::kGerman, 3, 9));
    const auto built = runCli({ "lng", "module", native, german, module });
    ASSERT_EQ(built.exitCode, 0) << built.err;
    const auto listed = runCli({ "lng", "resources", module });
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    for (const char *line : { "settings LDLL version=606 locale=0x0407 english=German localized=Deutsch build=9\n",
             "string 65000 Lokalisierer ist nicht initialisiert\n", "rcdata QVT_LIBSETTINGS_ 43\n" })
        EXPECT_NE(listed.out.find(line), std::string::npos) << line << listed.out;
    EXPECT_EQ(listed.out.find("QVT_EXESETTINGS_"), std::string::npos);

    const auto missing = runCli({ "lng", "resources", (dir / "none").string() });
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Couldn't open file"), std::string::npos) << missing.err;
}

} // namespace
} // namespace kelvra
