// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/codepage.h"
#include "localization/loc_errors.h"
#include "localization/loc_storage.h"

#include <gtest/gtest.h>

namespace kelvra {
namespace {

QString storageError(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ELocStorageError &e) {
        return e.message();
    }
    return QString();
}

// A native store with one item of each kind and a Russian translation.
struct Store
{
    TLocStorage s;
    TLocConstant *ok = nullptr;
    TLocProperty *caption = nullptr;
    TLocExtItem *hello = nullptr;

    Store()
    {
        s.SetMainLangID(0x0409);
        ok = s.AddConstant(1, "RC", "SOk", 100);
        caption = s.AddProperty(1, "Form1", "Button1", "Caption", TLocValueType::ptString);
        hello = s.AddExternalItem(1, "Messages", "Hello");
        for (TLocItem *item :
            { static_cast<TLocItem *>(ok), static_cast<TLocItem *>(caption), static_cast<TLocItem *>(hello) }) {
            item->Values[0].ValueVersion = 3;
            item->Values[0].SetValue(QString::fromLatin1(item->Name));
        }
    }
};

TEST(LocStorage, NamedListsAreSortedCaseInsensitively)
{
    TNamedItemList<TNamedItem> list;
    auto make = [](const char *n) { return [n] { return std::make_unique<TNamedItem>(n); }; };
    for (const char *n : { "delta", "Alpha", "charlie", "Bravo" })
        list.Add(n, make(n));
    TNamedItem *again = list.Add("ALPHA", make("ALPHA"));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(again->Name, "Alpha");
    const char *order[] = { "Alpha", "Bravo", "charlie", "delta" };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list[i]->Name, order[i]);
    EXPECT_EQ(list.Find("CHARLIE"), list[2]);
    EXPECT_EQ(list.Find("CHARLIE"), list[2]); // the remembered one
    EXPECT_EQ(list.Find("echo"), nullptr);

    TNamedItemList<TNamedItem> exact;
    exact.CaseSensitive = true;
    exact.Add("Name", make("Name"));
    exact.Add("name", make("name"));
    EXPECT_EQ(exact.Count(), 2);
    EXPECT_EQ(exact.Find("NAME"), nullptr);
}

TEST(LocStorage, AddLanguageCopiesTheBaseAsUntranslated)
{
    TLocStorage empty;
    EXPECT_EQ(storageError([&] { empty.AddLanguage(0, 0x0419); }), QStringLiteral("Empty dictionary"));

    Store st;
    EXPECT_EQ(storageError([&] { st.s.AddLanguage(1, 0x0419); }), QStringLiteral("Could not add language"));
    EXPECT_EQ(storageError([&] { st.s.AddLanguage(-1, 0x0419); }), QStringLiteral("Could not add language"));
    const int ru = st.s.AddLanguage(0, 0x0419);
    const int de = st.s.AddLanguage(0, 0x0407);
    EXPECT_EQ(ru, 1);
    EXPECT_EQ(de, 2);
    for (const TLocItem *item : { static_cast<TLocItem *>(st.ok), static_cast<TLocItem *>(st.caption) }) {
        ASSERT_EQ(item->Values.Count(), 3);
        EXPECT_EQ(item->Values[1].ValueVersion, -1);
        EXPECT_EQ(item->Values[1].Value(), QString::fromLatin1(item->Name));
        EXPECT_EQ(item->Values[2].LangID, 0x0407);
        EXPECT_FALSE(item->Values[1].GetIsTranslated());
        // Untranslated: the native text shows.
        EXPECT_EQ(&item->ValueFor(ru, false), &item->Values[0]);
    }
    // A later item gets a value per language too.
    EXPECT_EQ(st.s.AddConstant(2, "RC", "SCancel", 101)->Values.Count(), 3);

    // A new native text reaches the languages not translated yet, and only those.
    st.ok->Values[1].ValueVersion = 3;
    st.ok->Values[1].SetValue(QString::fromUtf8("Ок"));
    st.ok->Values[0].SetValue(QStringLiteral("Okay"));
    EXPECT_EQ(st.ok->Values[1].Value(), QString::fromUtf8("Ок"));
    EXPECT_EQ(st.ok->Values[2].Value(), QStringLiteral("Okay"));
    EXPECT_EQ(&st.ok->ValueFor(ru, false), &st.ok->Values[1]);
    st.ok->Values[1].ValueVersion = 2;
    EXPECT_EQ(&st.ok->ValueFor(ru, false), &st.ok->Values[0]);
    EXPECT_EQ(&st.ok->ValueFor(ru, true), &st.ok->Values[1]);

    EXPECT_EQ(storageError([&] { st.s.RemoveLanguage(3); }), QStringLiteral("Could not remove language"));
    st.s.RemoveLanguage(ru);
    EXPECT_EQ(st.s.GetLangCount(), 2);
    EXPECT_EQ(st.ok->Values.Count(), 2);
    EXPECT_EQ(st.ok->Values[1].LangID, 0x0407);
    EXPECT_EQ(st.s.GetLocale(1), 0x0407);
}

TEST(LocStorage, LanguageLookupsComparePrimaryLanguages)
{
    Store st;
    st.s.AddLanguage(0, 0x0419); // Russian
    st.s.AddLanguage(0, 0x0809); // English (UK)
    EXPECT_EQ(st.s.IndexOfLocale(0x0419), 1);
    EXPECT_EQ(st.s.IndexOfLocale(0x0019), -1);
    EXPECT_EQ(st.s.IndexOfLanguage(0x0019), 1);
    // English (9) shares bits with Russian (1049) but is not Russian.
    EXPECT_EQ(st.s.IndexOfLanguage(0x0009), 0);
    EXPECT_EQ(st.s.IndexOfLanguage(0x0809), 2);
    EXPECT_EQ(st.s.IndexOfLanguage(0x0407), -1);
}

TEST(LocStorage, FindersByPathIDAndValue)
{
    Store st;
    TLocConstant *other = st.s.AddConstant(7, "Unit2", "SOk", 200);
    other->Values[0].SetValue(QStringLiteral("Other"));
    EXPECT_EQ(st.s.AddConstant(9, "rc", "sok", 5), st.ok); // find-or-create
    EXPECT_EQ(st.s.FindConstant("RC", "SOK"), st.ok);
    EXPECT_EQ(st.s.FindConstByID(100), st.ok);
    EXPECT_EQ(st.s.FindConstByIDEx(100, false), nullptr);
    EXPECT_EQ(st.s.FindConstByIDEx(200, false), other);
    EXPECT_EQ(st.s.FindConstByIntID(7), other);
    EXPECT_EQ(st.s.FindConstByValue(QStringLiteral("SOk")), st.ok);
    EXPECT_EQ(st.s.FindConstByValueEx(QStringLiteral("SOk"), false), nullptr);
    EXPECT_EQ(st.s.FindProperty("form1", "BUTTON1", "caption"), st.caption);
    EXPECT_EQ(st.s.FindProperty("Form1", "Button2", "Caption"), nullptr);
    EXPECT_EQ(st.s.FindPropByIntID(1), st.caption);
    EXPECT_EQ(st.s.FindExtItem("messages", "hello"), st.hello);
    EXPECT_EQ(st.s.FindExtItemByID(1), st.hello);
    EXPECT_EQ(st.s.FindExtItemOnlyByName("HELLO"), st.hello);
    EXPECT_EQ(st.s.FindExtItemByValue(QStringLiteral("Hello")), st.hello);
    EXPECT_EQ(st.s.FindExtItemByValue(QStringLiteral("hello")), nullptr);
    EXPECT_EQ(st.caption->GetFullName('.'), "Form1.Button1.Caption");

    const TLinearConstantList byID = st.s.LinearConstants(true);
    EXPECT_EQ(byID.FindByID(7), other);
    EXPECT_EQ(byID.FindByID(8), nullptr);

    st.s.MarkAll(true);
    EXPECT_TRUE(st.caption->Used && st.s.Forms.Find("Form1")->Used && st.hello->Used);
    QStringList names;
    st.s.GetFormNames(names);
    EXPECT_EQ(names, QStringList { QStringLiteral("Form1") });
}

TEST(LocStorage, ValuesAsNumbersLinesAndCodePages)
{
    Store st;
    TLocValue &v = st.ok->Values[0];
    v.SetAsInteger(-42);
    EXPECT_EQ(v.Value(), QStringLiteral("-42"));
    EXPECT_EQ(v.GetAsInteger(), -42);
    v.SetAsFloat(2.5);
    EXPECT_DOUBLE_EQ(v.GetAsFloat(), 2.5);
    v.SetAsBigInt(1LL << 40);
    EXPECT_EQ(v.GetAsBigInt(), 1LL << 40);
    v.SetValue(QStringLiteral("one\r\ntwo\r\n"));
    EXPECT_EQ(v.AsStrings(), (QStringList { QStringLiteral("one"), QStringLiteral("two") }));

    v.LangID = 0x0419;
    v.SetValue(QString::fromUtf8("Пуск"));
    EXPECT_EQ(v.GetAsAnsiString(), QByteArray("\xCF\xF3\xF1\xEA"));
    v.LangID = 0x0409;
    v.SetAsAnsiString(QByteArray("caf\xE9"));
    EXPECT_EQ(v.Value(), QString::fromUtf8("café"));
    v.SetAsUtf8("ü");
    EXPECT_EQ(v.GetAsAnsiString(), QByteArray("\xFC"));
    v.SetValue(QString::fromUtf8("Ж"));
    EXPECT_EQ(v.GetAsAnsiString(), QByteArray("?")); // not in code page 1252

    st.s.AddLanguage(0, 0x0419);
    TLocProperty *height = st.s.AddProperty(2, "Form1", "Button1", "Height", TLocValueType::ptInteger);
    height->Values[0].SetValue(QStringLiteral("9"));
    height->Values[1].SetValue(QStringLiteral("10"));
    EXPECT_LT(height->Values[0].CompareWith(height->Values[1]), 0); // as numbers, not as texts
    EXPECT_TRUE(st.ok->Values[0].IsEqualTo(st.ok->Values[0]));
}

TEST(LocStorage, LanguageFileNames)
{
    EXPECT_EQ(langFileName(QStringLiteral("/opt/kelvra/Kelvra.exe"), 0x0409, true),
        QStringLiteral("/opt/kelvra/Kelvra.ntv.lng"));
    EXPECT_EQ(langFileName(QStringLiteral("/opt/kelvra/Kelvra.exe"), 0x0419, false),
        QStringLiteral("/opt/kelvra/Kelvra.RUS.lng"));
    EXPECT_EQ(langFileExtension(0x0019, false), QStringLiteral("RU"));
    EXPECT_EQ(localeAnsiCodePage(0x0419), 1251);
    EXPECT_EQ(localeAnsiCodePage(0x0C19), 1251); // a sub-language the table lacks
}

} // namespace
} // namespace kelvra
