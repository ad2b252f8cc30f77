// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/form_processor.h"
#include "localization/form_stream.h"
#include "localization/loc_errors.h"
#include "localization/loc_storage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvra {
namespace {

using V = TValueType;

TFormValue list(std::vector<TFormValue> items)
{
    TFormValue v;
    v.Type = V::vaList;
    v.List = std::move(items);
    return v;
}

TFormValue simple(V type)
{
    TFormValue v;
    v.Type = type;
    return v;
}

// A form with every kind of value, a collection, an inline frame and an unnamed child.
TFormObject sampleForm()
{
    TFormObject form;
    form.ClassName = "TForm1";
    form.Name = "Form1";
    TFormValue binary = simple(V::vaBinary);
    binary.Bytes = QByteArray("\0\1\2", 3);
    TFormValue set = simple(V::vaSet);
    set.Set = { "akLeft", "akTop" };
    TFormValue utf8 = simple(V::vaUTF8String);
    utf8.Bytes = "caf\xc3\xa9";
    TFormValue date = TFormValue::floating(V::vaDate, 45000.5);
    TFormValue collection = simple(V::vaCollection);
    collection.Collection.push_back({ false, {}, { { "Text", TFormValue::wideString(QStringLiteral("Path")) } } });
    collection.Collection.push_back(
        { true, TFormValue::integer(5), { { "Text", TFormValue::wideString(QStringLiteral("Count")) } } });
    form.Properties = {
        { "Left", TFormValue::integer(10) },
        { "ClientWidth", TFormValue::integer(1000) },
        { "Tag", TFormValue::integer(100000) },
        { "Big", TFormValue::integer(qint64(1) << 40) },
        { "Caption", TFormValue::wideString(QStringLiteral("Kelvra — ü")) },
        { "Font.Name", TFormValue::string8("Arial") },
        { "Long", TFormValue::string8(QByteArray(300, 'l')) },
        { "Color", TFormValue::ident("clBtnFace") },
        { "Visible", simple(V::vaTrue) },
        { "Enabled", simple(V::vaFalse) },
        { "PopupMenu", simple(V::vaNil) },
        { "Picture.Data", binary },
        { "Anchors", set },
        { "Utf", utf8 },
        { "Ratio", TFormValue::floating(V::vaDouble, 0.1) },
        { "Scale", TFormValue::floating(V::vaSingle, 1.5) },
        { "Price", TFormValue::floating(V::vaCurrency, 12.3456) },
        { "Extended", TFormValue::floating(V::vaExtended, -2.75) },
        { "Stamp", date },
        { "Items.Strings", list({ TFormValue::string8("One"), TFormValue::wideString(QStringLiteral("Two")) }) },
    };
    TFormObject status;
    status.ClassName = "TStatusBar";
    status.Name = "StatusBar1";
    status.Properties = { { "Panels", collection } };
    TFormObject frame;
    frame.Flags = ffInline | ffChildPos;
    frame.ChildPos = 3;
    frame.ClassName = "TFrame1";
    frame.Name = "Frame1";
    TFormObject inFrame;
    inFrame.ClassName = "TLabel";
    inFrame.Name = "Label1";
    inFrame.Properties = { { "Caption", TFormValue::string8("In frame") } };
    frame.Children = { inFrame };
    TFormObject unnamed;
    unnamed.ClassName = "TBevel";
    unnamed.Properties = { { "Caption", TFormValue::string8("Unnamed") } };
    form.Children = { status, frame, unnamed };
    return form;
}

TEST(FormStream, RoundTripKeepsEveryValueKind)
{
    const TFormObject form = sampleForm();
    const QByteArray bytes = writeFormDefinition(form);
    EXPECT_TRUE(bytes.startsWith("TPF0"));
    const TFormObject back = readFormDefinition(bytes);
    EXPECT_EQ(back, form);
    EXPECT_EQ(writeFormDefinition(back), bytes);
    EXPECT_EQ(back.property("Long")->Value.Type, V::vaLString);
    EXPECT_EQ(back.property("Tag")->Value.Type, V::vaInt32);
    EXPECT_EQ(back.property("Price")->Value.Int, 123456);
}

TEST(FormStream, ObjectsThatNeedTheFlagsByteKeepIt)
{
    TFormObject root;
    root.ClassName = "TForm1";
    root.Name = "Form1";
    TFormObject unnamedClass; // found by the fuzzer: read as the end of the children
    TFormObject longClass;
    longClass.ClassName = QByteArray(0xF5, 'T'); // its length byte reads as flags
    longClass.Name = "Long";
    root.Children = { unnamedClass, longClass };
    EXPECT_EQ(readFormDefinition(writeFormDefinition(root)), root);
}

TEST(FormStream, SmallObjectHasTheStreamBytes)
{
    TFormObject o;
    o.ClassName = "TLabel";
    o.Name = "L";
    o.Properties = { { "Tag", TFormValue::integer(-2) }, { "Caption", TFormValue::string8("Hi") } };
    const char raw[] = "TPF0\x06TLabel\x01L\x03Tag\x02\xFE\x07"
                       "Caption\x06\x02Hi\x00\x00";
    const QByteArray expected(raw, sizeof raw - 1);
    EXPECT_EQ(writeFormDefinition(o), expected);
}

TEST(FormStream, ExtendedFloatsConvertBothWays)
{
    for (double d : { 0.0, -0.0, 1.0, -2.75, 0.1, 1e300, 5e-324, std::numeric_limits<double>::infinity() }) {
        const QByteArray raw = doubleToExtended(d);
        ASSERT_EQ(raw.size(), 10);
        EXPECT_EQ(extendedToDouble(raw.constData()), d) << d;
        EXPECT_EQ(std::signbit(extendedToDouble(raw.constData())), std::signbit(d));
    }
    // 1.0: exponent 16383, explicit integer bit.
    EXPECT_EQ(doubleToExtended(1.0), QByteArray("\0\0\0\0\0\0\0\x80\xFF\x3F", 10));
}

TEST(FormStream, EveryCutAndBadKindIsRefused)
{
    const QByteArray bytes = writeFormDefinition(sampleForm());
    for (qsizetype n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(readFormDefinition(bytes.left(n)), EResourceError) << n;
    QByteArray badKind = writeFormDefinition(TFormObject { 0, 0, "T", "N", { { "P", TFormValue::integer(1) } }, {} });
    badKind[4 + 2 + 2 + 2] = char(99);
    EXPECT_THROW(readFormDefinition(badKind), EResourceError);
    // Nesting without end stops at the depth limit instead of the stack's.
    QByteArray deep("TPF0");
    for (int i = 0; i < 10000; ++i)
        deep.append("\x01T\x01N\x00", 5);
    EXPECT_THROW(readFormDefinition(deep), EResourceError);
}

// A store with one German language whose values are current.
struct Store
{
    TLocStorage store;
    int de = 0;
    void add(const char *component, const char *name, TLocValueType type, const QString &native, const QString &german,
        quint16 attributes = 0)
    {
        TLocProperty *p = store.AddProperty(0, "Form1", component, name, type);
        p->Values[0].SetValue(native);
        p->Values[0].ValueVersion = 1;
        p->Values[0].Attributes = attributes;
        p->Values[de].SetValue(german);
        p->Values[de].ValueVersion = 1;
    }
    Store()
    {
        store.SetMainLangID(0x0409);
        de = store.AddLanguage(0, 0x0407);
    }
};

TEST(FormProcessor, ValuesOfTheLanguageReplaceTheDefinitionsInTheirOwnKinds)
{
    using T = TLocValueType;
    Store s;
    s.add("", "Caption", T::ptString, QStringLiteral("Kelvra — ü"), QStringLiteral("Kelvra DE"));
    s.add("", "Left", T::ptInteger, QStringLiteral("10"), QStringLiteral("300"));
    s.add("", "Ratio", T::ptFloat, QStringLiteral("0.1"), QStringLiteral("0.25"));
    s.add("", "Items.Strings", T::ptStringList, QStringLiteral("One\r\nTwo"), QStringLiteral("Eins\r\nZwei\r\nDrei"));
    s.add("", "Font.Name", T::ptString, QStringLiteral("Arial"), QString()); // emptied: dropped
    s.add("", "Color", T::ptString, QStringLiteral("x"), QStringLiteral("y"), vaNeverApply);
    s.add("StatusBar1.Panels[1]", "Text", T::ptString, QStringLiteral("Count"), QStringLiteral("Anzahl"));
    s.add("Frame1.Label1", "Caption", T::ptString, QStringLiteral("In frame"), QStringLiteral("Im Rahmen"));
    s.add("Form1.TBevel3", "Caption", T::ptString, QStringLiteral("Unnamed"), QStringLiteral("Unbenannt"));
    s.add("Button9", "Hint", T::ptString, QStringLiteral("Go"), QStringLiteral("Los"), vaNotInDefinition);
    s.add("", "HelpKeyword", T::ptString, QStringLiteral("k"), QStringLiteral("Hilfe"), vaNotInDefinition);

    TFormTranslation how;
    how.LangIndex = s.de;
    how.LangID = 0x0407;
    const TFormObject out = translateForm(sampleForm(), *s.store.Forms.Find("Form1"), how);
    EXPECT_EQ(out.property("Caption")->Value, TFormValue::wideString(QStringLiteral("Kelvra DE")));
    EXPECT_EQ(out.property("Left")->Value, TFormValue::integer(300));
    EXPECT_EQ(out.property("Left")->Value.Type, V::vaInt16);
    EXPECT_EQ(out.property("Ratio")->Value.Float, 0.25);
    const TFormValue &items = out.property("Items.Strings")->Value;
    ASSERT_EQ(items.List.size(), 2u); // the list keeps its length
    EXPECT_EQ(items.List[0].text(), QStringLiteral("Eins"));
    EXPECT_EQ(items.List[1].text(), QStringLiteral("Zwei"));
    EXPECT_EQ(out.property("Font.Name"), nullptr);
    EXPECT_EQ(out.property("Color")->Value, TFormValue::ident("clBtnFace"));
    EXPECT_EQ(out.property("HelpKeyword")->Value, TFormValue::wideString(QStringLiteral("Hilfe")));
    EXPECT_EQ(out.Properties.back().Name, "HelpKeyword"); // appended after the form's own
    EXPECT_EQ(out.Children[0].Properties[0].Value.Collection[1].Properties[0].Value.text(), QStringLiteral("Anzahl"));
    EXPECT_EQ(out.Children[0].Properties[0].Value.Collection[0].Properties[0].Value.text(), QStringLiteral("Path"));
    EXPECT_EQ(out.Children[1].Children[0].property("Caption")->Value.text(), QStringLiteral("Im Rahmen"));
    EXPECT_EQ(out.Children[2].property("Caption")->Value.text(), QStringLiteral("Unbenannt"));
    EXPECT_EQ(out.property("BiDiMode"), nullptr);
    // Everything untouched stays byte for byte.
    EXPECT_EQ(out.property("Picture.Data")->Value, sampleForm().property("Picture.Data")->Value);
}

TEST(FormProcessor, RightToLeftLanguagesMirrorTheFormAndEightBitStringsUseTheCodePage)
{
    Store s;
    s.add("", "Caption", TLocValueType::ptString, QStringLiteral("Kelvra"), QStringLiteral("Привет"));
    TFormTranslation how;
    how.LangIndex = s.de;
    how.LangID = 0x0419;
    how.WideStrings = false;
    how.RightToLeft = true;
    const TFormObject out = translateForm(sampleForm(), *s.store.Forms.Find("Form1"), how);
    EXPECT_EQ(out.property("Caption")->Value, TFormValue::string8("\xcf\xf0\xe8\xe2\xe5\xf2"));
    ASSERT_NE(out.property("BiDiMode"), nullptr);
    EXPECT_EQ(out.property("BiDiMode")->Value, TFormValue::ident("bdRightToLeft"));
}

TEST(FormProcessor, DefinitionsAreFoundByClassNameAndErrorsNameTheForm)
{
    Store s;
    s.add("", "Caption", TLocValueType::ptString, QStringLiteral("Kelvra"), QStringLiteral("Kelvra DE"));
    TFormTranslation how;
    how.LangIndex = s.de;
    TResRCData rcdata;
    EXPECT_THROW(translateFormDefinitions(rcdata, s.store, how), EResourceError);
    rcdata.Put("OTHER", "x");
    rcdata.Put("TFORM1", writeFormDefinition(sampleForm()));
    translateFormDefinitions(rcdata, s.store, how);
    EXPECT_EQ(
        readFormDefinition(rcdata.Find("TForm1")->Data).property("Caption")->Value.text(), QStringLiteral("Kelvra DE"));
    rcdata.Put("TFORM1", "TPF0\x05");
    try {
        translateFormDefinitions(rcdata, s.store, how);
        ADD_FAILURE() << "accepted a damaged definition";
    } catch (const EResourceError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Error during processing form Form1\r\n")));
    }
}

} // namespace
} // namespace kelvra
