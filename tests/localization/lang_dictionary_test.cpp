// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"
#include "localization/module_fixture.h"

#include "localization/lang_dictionary.h"
#include "localization/lang_file.h"
#include "localization/loc_errors.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace kelvra {
namespace {

using test::kEnglish;
using test::kHebrew;

// The fixture's native file with an empty line inside the list, a number and
// an empty text, neither of which asks for a key.
QByteArray nativeFile(qint32 version = 3)
{
    TLangFileContent c = test::fixtureContent(kEnglish, version);
    c.Forms[0].Components[2].Items[0].Value = QStringLiteral("First\r\n\r\nSecond");
    auto &button = c.Forms[0].Components[1].Items;
    button.insert(button.begin(), test::prop("Height", 9, TLocValueType::ptInteger, QStringLiteral("25")));
    button.push_back(test::prop("Name", 10, TLocValueType::ptString, QString()));
    c.Header.PropertyMaxID = 10;
    return serializeLangFile(c);
}

void loadNative(TLocStorage &store, const QByteArray &bytes)
{
    TLangFile().LoadFromBytes(bytes, &store, -1);
}

QString errorOf(const QByteArray &json)
{
    try {
        parseDictionary(json);
    } catch (const ELangFileError &e) {
        return e.message();
    }
    return QString();
}

QByteArray hebrewDictionary(const QString &extraText = QString())
{
    QJsonObject texts;
    const test::FixtureTexts &en = test::textsOf(kEnglish);
    const test::FixtureTexts &he = test::textsOf(kHebrew);
    for (auto field : { &test::FixtureTexts::Caption, &test::FixtureTexts::Label, &test::FixtureTexts::Hint,
             &test::FixtureTexts::Panel, &test::FixtureTexts::Message })
        texts[QString::fromUtf8(en.*field)] = QString::fromUtf8(he.*field);
    texts[QStringLiteral("First")] = QString::fromUtf8("ראשון");
    texts[QStringLiteral("Second")] = QString::fromUtf8("שני");
    texts[QStringLiteral("Not in the program")] = extraText; // keys the native file lacks do no harm
    const QJsonObject d { { QStringLiteral("locale"), kHebrew }, { QStringLiteral("englishName"), "Hebrew" },
        { QStringLiteral("localizedName"), QString::fromUtf8("עברית") }, { QStringLiteral("version"), 4 },
        { QStringLiteral("rightToLeft"), true }, { QStringLiteral("texts"), texts } };
    return QJsonDocument(d).toJson();
}

TEST(LangDictionary, TemplateFilledAndTranslatedLoadsAsATranslation)
{
    const QByteArray native = nativeFile();
    TLocStorage store;
    loadNative(store, native);

    const QJsonObject tmpl = QJsonDocument::fromJson(dictionaryTemplate(store)).object();
    EXPECT_EQ(tmpl[QStringLiteral("locale")].toInt(-1), 0);
    EXPECT_EQ(tmpl[QStringLiteral("englishName")].toString(QStringLiteral("?")), QString());
    const QJsonObject keys = tmpl[QStringLiteral("texts")].toObject();
    EXPECT_EQ(keys.keys(),
        QStringList({ "Date format:", "Files to process:", "First", "Kelvra", "Liberation Sans",
            "Localizer is not initialized", "Second", "Start stamping" }));
    for (const QJsonValue v : keys)
        EXPECT_EQ(v, QJsonValue(QString()));

    const TTranslationResult result = translateNativeFile(native, hebrewDictionary());
    EXPECT_EQ(result.TextCount, 8);
    EXPECT_EQ(result.Missing, QStringList { "Liberation Sans" });
    EXPECT_EQ(translateNativeFile(native, hebrewDictionary()).File, result.File);

    TLocStorage back;
    loadNative(back, native);
    back.AddLanguage(0, kHebrew);
    TLangFile lang;
    lang.LoadFromBytes(result.File, &back, 1);
    EXPECT_EQ(lang.Locale, kHebrew);
    EXPECT_EQ(lang.LangEnglishName, "Hebrew");
    EXPECT_EQ(lang.LangLocalizedName, QString::fromUtf8("עברית"));
    EXPECT_EQ(lang.Version, 4);
    EXPECT_FALSE(lang.IsNative);
    EXPECT_EQ(lang.Attributes, faInMemory | faRightToLeft);

    auto value = [&back](const char *component, const char *name) -> const TLocValue & {
        return back.FindProperty("Form1", component, name)->Values[1];
    };
    EXPECT_EQ(value("", "Caption").Value(), QString::fromUtf8("קלברה"));
    EXPECT_TRUE(value("", "Caption").GetIsTranslated());
    EXPECT_EQ(value("PageControl1.Pages[1]", "Caption").Value(), QString::fromUtf8("תבנית תאריך:"));
    EXPECT_EQ(value("Combo1", "Items.Strings").Value(), QString::fromUtf8("ראשון\r\n\r\nשני"));
    EXPECT_EQ(value("Combo1", "Items.Strings").ValueVersion, 1);
    EXPECT_EQ(
        back.FindConstant("LocErrors", "SNotInitialized")->Values[1].Value(), QString::fromUtf8("המתרגם לא אותחל"));
    for (const char *name : { "Height", "Name" })
        EXPECT_EQ(value("Button1", name).ValueVersion, -1) << name;
    EXPECT_EQ(value("BottomPane.Label1", "Font.Name").Value(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(value("BottomPane.Label1", "Font.Name").ValueVersion, -1);

    // A changed dictionary or program gives a new Build; an empty translation is still missing.
    const QByteArray changed = hebrewDictionary(QStringLiteral("x"));
    EXPECT_NE(translateNativeFile(native, changed).File.mid(0, 12), result.File.mid(0, 12));
    EXPECT_NE(translateNativeFile(nativeFile(5), hebrewDictionary()).File.mid(0, 12), result.File.mid(0, 12));
    TLangDictionary d = parseDictionary(changed);
    d.Texts[QStringLiteral("Second")] = QString();
    EXPECT_EQ(missingTexts(store, d), QStringList({ "Liberation Sans", "Second" }));
}

TEST(LangDictionary, BadDictionariesAreNamed)
{
    const char *const good = R"("englishName": "German", "localizedName": "Deutsch", "texts": {})";
    const struct
    {
        QByteArray json;
        const char *message;
    } cases[] = {
        { "{\"locale\": 1031,", "The dictionary is not JSON: unterminated object at byte 16" },
        { "[1031]", "The dictionary is not a JSON object" },
        { QByteArray("{") + good + "}", "The dictionary has no \"locale\"" },
        { QByteArray("{\"locale\": \"1031\", ") + good + "}",
            "\"locale\" must be a Windows language identifier in decimal, such as 1031" },
        { QByteArray("{\"locale\": 0, ") + good + "}",
            "\"locale\" must be a Windows language identifier in decimal, such as 1031" },
        { QByteArray("{\"locale\": 1031.5, ") + good + "}",
            "\"locale\" must be a Windows language identifier in decimal, such as 1031" },
        { QByteArray("{\"locale\": 1023, ") + good + "}", "\"locale\" 1023 is not a Windows language identifier" },
        { R"({"locale": 1031, "localizedName": "Deutsch", "texts": {}})", "The dictionary has no \"englishName\"" },
        { R"({"locale": 1031, "englishName": "Fran\u00e7ais", "localizedName": "x", "texts": {}})",
            "\"englishName\" must be a text of plain ASCII characters, such as \"German\"" },
        { R"({"locale": 1031, "englishName": "German", "localizedName": "", "texts": {}})",
            "\"localizedName\" must be a text, the language's name in itself" },
        { QByteArray("{\"locale\": 1031, \"version\": -1, ") + good + "}",
            "\"version\" must be a whole number, 0 or more" },
        { QByteArray("{\"locale\": 1031, \"rightToLeft\": 1, ") + good + "}", "\"rightToLeft\" must be true or false" },
        { QByteArray("{\"locale\": 1031, \"righToLeft\": true, ") + good + "}",
            "The dictionary has an unknown field \"righToLeft\"" },
        { R"({"locale": 1031, "englishName": "German", "localizedName": "Deutsch"})",
            "The dictionary has no \"texts\"" },
        { R"({"locale": 1031, "englishName": "German", "localizedName": "Deutsch", "texts": ["Datei"]})",
            "\"texts\" must be an object of native texts and their translations" },
        { R"({"locale": 1031, "englishName": "German", "localizedName": "Deutsch", "texts": {"&File": null}})",
            "The translation of \"&File\" is not a text" },
        { R"({"locale": 1031, "englishName": "German", "localizedName": "Deutsch", "texts": {"a\r\nb": "x"}})",
            "The key \"a\\r\\nb\" holds a line break; each line is a key of its own" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorOf(c.json), QString::fromUtf8(c.message)) << c.json.toStdString();

    const TLangDictionary d = parseDictionary(QByteArray("{\"locale\": 1031, ") + good + "}");
    EXPECT_EQ(d.Version, 1);
    EXPECT_FALSE(d.RightToLeft);
}

TEST(LangDictionary, CliMakesTheTemplateAndRefusesAnIncompleteTranslation)
{
    test::TempDir dir;
    const std::string native = (dir / "Kelvra.ntv.lng").string();
    const std::string dict = (dir / "he.json").string();
    const std::string out = (dir / "Kelvra.HEB.lng").string();
    test::writeFileBytes(native, nativeFile().toStdString());
    test::writeFileBytes(dict, hebrewDictionary().toStdString());

    const auto made = test::runCli({ "lng", "template", native, (dir / "t.json").string() });
    ASSERT_EQ(made.exitCode, 0) << made.err;
    TLocStorage store;
    loadNative(store, nativeFile());
    EXPECT_EQ(test::readFileBytes(dir / "t.json"), dictionaryTemplate(store).toStdString());

    const auto refused = test::runCli({ "lng", "translate", native, dict, out, "--complete" });
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "kelvra-cli lng: 1 text has no translation:\n\"Liberation Sans\"\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    const auto done = test::runCli({ "lng", "translate", native, dict, out });
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(done.out, "7 of 8 texts translated, 1 left native\n");
    const auto info = test::runCli({ "lng", "info", out });
    EXPECT_TRUE(test::contains(info.out, "Locale=1037\nBasedOnLangID=0\nLangEnglishName=Hebrew\n")) << info.out;
    EXPECT_TRUE(test::contains(info.out, "IsNative=0\nAttributes=0x0003\n")) << info.out;

    EXPECT_EQ(test::runCli({ "lng", "translate", native, dict }).exitCode, 2);
    const auto bad = test::runCli({ "lng", "translate", native, (dir / "none.json").string(), out });
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(test::contains(bad.err, "Can not open dictionary")) << bad.err;
}

} // namespace
} // namespace kelvra
