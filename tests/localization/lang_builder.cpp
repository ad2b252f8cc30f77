// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/lang_builder.h"

namespace kelvra::test {

namespace {

QString textOf(int units, QChar fill)
{
    return QString(units, fill);
}

} // namespace

TLangFileContent sampleContent(int version, bool native)
{
    using T = TLocValueType;
    const bool attrs = version > 1;
    auto a = [attrs](quint16 v) { return attrs ? v : quint16(0); };
    TLangFileContent c;
    TLangFileHeader &h = c.Header;
    h.FormatVersion = quint16(version);
    h.Version = 3;
    h.Build = version > 4 ? 17 : 0;
    h.Locale = native ? 0x0409 : 0x0419;
    h.BasedOnLangID = version > 2 && !native ? 0x0409 : 0;
    h.LangEnglishName = native ? "English" : "Russian";
    h.LangLocalizedName = native ? QStringLiteral("English") : QString::fromUtf8("Русский");
    h.IsNative = native;
    h.Attributes = a(0x0101);
    h.ConstMaxID = 5;
    h.PropertyMaxID = 13;
    h.ExtItemMaxID = version > 6 ? 2 : 0;

    const QChar fill = native ? QLatin1Char('e') : QChar(0x0436);
    c.Units.push_back({ "Consts", a(0x0002),
        { item("AText", 1, textOf(127, fill), 100, a(0x0101), 3),
            item("BText", 2, textOf(128, fill), 101, a(0x0001), 3), item("CText", 3, textOf(16383, fill), 102, 0, 2),
            item("DText", 4, textOf(16384, fill), 103, 0, 3) },
        {} });
    c.Units.push_back({ "RC", 0, { item("SOk", 5, native ? QStringLiteral("OK") : QStringLiteral("Ок"), 200) }, {} });

    auto number = [version](const char *text) { return version >= 4 ? QString::fromLatin1(text) : QString(); };
    TLangGroupRecord form { "Form1", 0, {}, {} };
    form.Items = { prop("Caption", 1, T::ptString, native ? QStringLiteral("Main") : QStringLiteral("Главное")),
        prop("Font.Name", 2, T::ptString, QStringLiteral("Arial"), a(0x0008)) };
    TLangGroupRecord button { "Button1", 0, {}, {} };
    button.Items = { prop("BigVal", 3, T::ptBigInt, QString()),
        prop("Caption", 4, T::ptString, native ? QStringLiteral("&Start") : QStringLiteral("&Пуск")),
        prop("Enum", 5, T::ptEnumValue, QString()), prop("Height", 6, T::ptInteger, number("-25")),
        prop("Items.Strings", 7, T::ptStringList, QStringLiteral("one\r\ntwo")), prop("List", 8, T::ptList, QString()),
        prop("Ratio", 9, T::ptFloat, number("0.1")), prop("Set", 10, T::ptSet, QString(), a(0x0010)),
        prop("Tag", 11, T::ptBinary, QString()) };
    TLangGroupRecord label { "Label1", a(0x0004), {}, {} };
    // An unpaired surrogate must survive as the code unit it is.
    label.Items = { prop("Caption", 12, T::ptString, QString(QChar(0xD800)) + QStringLiteral("x")) };
    form.Components = { button, label };
    c.Forms.push_back(form);
    c.Forms.push_back({ "FormOptions", 0, { prop("Caption", 13, T::ptString, QStringLiteral("Options")) }, {} });

    if (version > 6)
        c.Groups.push_back({ "Messages", 0x0010,
            { item("Bye", 2, QStringLiteral("Bye"), 0, 0x0100), item("Hello", 1, QStringLiteral("Hi")) }, {} });
    return c;
}

} // namespace kelvra::test
