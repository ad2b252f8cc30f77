// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/ini_document.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvra {
namespace {

TEST(IniDocument, ReadingRules)
{
    const auto doc = IniDocument::parse("; a comment line\n"
                                        "[Other]\nFontName=Wrong\n"
                                        "[ options ]\r\n"
                                        "  FONTNAME  =   Times New Roman   \r\n"
                                        "Caption=\"  quoted  \"\r\n"
                                        "Single='x'\r\n"
                                        "Mixed=\"x'\r\n"
                                        "Empty=\r\n"
                                        "Twice=first\r\nTwice=second\r\n");
    EXPECT_EQ(doc.value("Options", "fontname"), "Times New Roman");
    EXPECT_EQ(doc.value("OPTIONS", "Caption"), "  quoted  ");
    EXPECT_EQ(doc.value("Options", "Single"), "x");
    EXPECT_EQ(doc.value("Options", "Mixed"), "\"x'");
    EXPECT_EQ(doc.value("Options", "Empty"), "");
    EXPECT_EQ(doc.value("Options", "Twice"), "first");
    EXPECT_EQ(doc.value("Options", "Missing"), std::nullopt);
    EXPECT_EQ(doc.value("Nowhere", "FontName"), std::nullopt);
    EXPECT_EQ(doc.value("Other", "FontName"), "Wrong");
}

TEST(IniDocument, LongValuesAreCutWithoutSplittingCharacters)
{
    std::string value(2046, 'a');
    value += "\xC3\xA9tail"; // é straddles the limit
    const auto doc = IniDocument::parse("[Options]\nCaption=" + value + "\n");
    const auto read = doc.value("Options", "Caption");
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, std::string(2046, 'a'));

    const auto plain = IniDocument::parse("[Options]\nCaption=" + std::string(5000, 'b') + "\n");
    EXPECT_EQ(plain.value("Options", "Caption")->size(), IniDocument::kMaxValueLength);
}

TEST(IniDocument, WritingKeepsEveryOtherByte)
{
    const std::string original = "\xEF\xBB\xBF; kept\r\n[Form1]\r\nLeft=10\r\n\r\n[Options]\r\nFontSize=20\r\n"
                                 "odd line without equals\r\n\r\n[Tail]\r\nX=1";
    auto doc = IniDocument::parse(original);
    EXPECT_EQ(doc.serialize(), original);

    doc.setValue("Options", "fontsize", "30");
    doc.setValue("Options", "FontName", "Arial");
    doc.setValue("Tail", "Y", "2");
    doc.setValue("New", "Z", "3");
    EXPECT_EQ(doc.serialize(),
        "\xEF\xBB\xBF; kept\r\n[Form1]\r\nLeft=10\r\n\r\n[Options]\r\nfontsize=30\r\n"
        "odd line without equals\r\nFontName=Arial\r\n\r\n[Tail]\r\nX=1\r\nY=2\r\n"
        "[New]\r\nZ=3\r\n");
}

TEST(IniDocument, WritingIntoAnEmptyFileCreatesTheSection)
{
    IniDocument doc;
    doc.setValue("Options", "FontSize", "20");
    doc.setValue("Options", "FontName", "Arial");
    EXPECT_EQ(doc.serialize(), "[Options]\nFontSize=20\nFontName=Arial\n");
}

TEST(IniValues, Integers)
{
    struct Case
    {
        const char *text;
        std::optional<int32_t> expected;
    };
    const Case cases[] = {
        { "12", 12 },
        { "-5", -5 },
        { "+7", 7 },
        { "0x1F", 31 },
        { "0XFF00", 0xFF00 },
        { "$ff", 255 },
        { "$FFFFFFFF", -1 },
        { "0x100000000", std::nullopt },
        { "2147483647", 2147483647 },
        { "-2147483648", INT32_MIN },
        { "2147483648", std::nullopt },
        { "", std::nullopt },
        { "abc", std::nullopt },
        { "12abc", std::nullopt },
        { "1.5", std::nullopt },
        { "0x", std::nullopt },
        { "$", std::nullopt },
        { "--1", std::nullopt },
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseIniInteger(c.text), c.expected) << c.text;
}

TEST(IniValues, DoublesFollowTheDecimalSeparator)
{
    struct Case
    {
        const char *text;
        const char *separator;
        std::optional<double> expected;
    };
    const Case cases[] = {
        { "20", ".", 20 },
        { "20.5", ".", 20.5 },
        { "20,5", ".", std::nullopt },
        { "20,5", ",", 20.5 },
        { "20.5", ",", std::nullopt },
        { "-0.05", ".", -0.05 },
        { "1E-5", ".", 1e-5 },
        { "", ".", std::nullopt },
        { "abc", ".", std::nullopt },
        { "inf", ".", std::nullopt },
        { "nan", ".", std::nullopt },
        { "1e999", ".", std::nullopt },
        { "+3", ".", 3 },
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseIniDouble(c.text, c.separator), c.expected) << c.text << " with " << c.separator;
}

TEST(IniValues, DoublesAreWrittenInTheShortestForm)
{
    EXPECT_EQ(formatIniDouble(20, "."), "20");
    EXPECT_EQ(formatIniDouble(0.05, "."), "0.05");
    EXPECT_EQ(formatIniDouble(20.5, ","), "20,5");
    EXPECT_EQ(formatIniDouble(1000.0 / 33, "."), "30.3030303030303");
    EXPECT_EQ(formatIniDouble(1e-5, "."), "1E-5");
    EXPECT_EQ(formatIniDouble(-2.25, "."), "-2.25");
    // Whatever is written reads back to the same number within 15 digits.
    for (double v : { 1000.0 / 7, 0.1, 123456.789, 1e-7 }) {
        auto back = parseIniDouble(formatIniDouble(v, ","), ",");
        ASSERT_TRUE(back);
        EXPECT_NEAR(*back, v, std::abs(v) * 1e-14);
    }
}

} // namespace
} // namespace kelvra
