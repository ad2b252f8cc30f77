// SPDX-License-Identifier: GPL-3.0-or-later
// Value-text rules that need no file: number formats, callbacks, fractions,
// dates and the definition tables.
#include "metadata/exif_date.h"
#include "metadata/exif_tags.h"
#include "metadata/exif_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace kelvra {
namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

TEST(FormatNumber, Table)
{
    struct Row
    {
        std::string raw;
        int fmt;
        const char *list;
        const char *pattern;
        bool motorola;
        const char *separator;
        const char *text;
    } rows[] = {
        { bytes({ 0, 6 }), 3, "1:Normal,6:CounterClockwise 90\xB0", "", true, ".", "CounterClockwise 90\xB0" },
        { bytes({ 6, 0 }), 3, "16:Other,1:Normal", "", false, ".", "" },
        { bytes({ 0x64, 0, 0xC8, 0 }), 3, "", "", false, ".", "100, 200" },
        { bytes({ 0xFF, 0xFF }), 8, "", "", false, ".", "65535" },
        { bytes({ 0xFF, 0xFF, 0xFF, 0xFF }), 4, "", "", true, ".", "-1" },
        { bytes({ 0, 0, 0, 28, 0, 0, 0, 10 }), 5, "", "f%0.1f", true, ",", "f2,8" },
        { bytes({ 0, 0, 0, 0, 0, 0, 0, 0 }), 5, "", "f%0.1f", true, ".", "f0.0" },
        { bytes({ 0, 0, 0, 1, 0, 0, 0, 125 }), 5, "", "%s sec", true, ".", "1/125 sec" },
        { bytes({ 47, 0, 0, 0, 10, 0, 0, 0 }), 5, "", "%5.2f mm", false, ".", " 4.70 mm" },
        { bytes({ 1, 0, 0, 0, 3, 0, 0, 0, 9 }), 5, "", "", false, ".", "1/3" }, // trailing partial value ignored
        { "", 5, "", "%s sec", true, ".", " sec" }, { bytes({ 0, 0, 0, 0 }), 11, "", "", true, ".", "-9999.99" },
        { "ab", 7, "", "", true, ".", "?, ?" }, { "ab", 0, "", "%s", true, ".", "0" },
        { std::string(400, '\1'), 1, "", "", true, ".", nullptr }, // at most 128 values
    };
    for (const Row &r : rows) {
        const std::string text = FormatNumber(r.raw, r.fmt, r.list, r.pattern, r.motorola, { 2, r.separator });
        if (r.text) {
            EXPECT_EQ(text, r.text) << r.fmt << " " << r.pattern;
        } else {
            EXPECT_EQ(text.size(), 128 * 3 - 2);
        }
    }
}

TEST(FormatPattern, WidthPrecisionAndSeparator)
{
    EXPECT_EQ(formatPattern("%5.2f mm", { 4.7 }, "."), " 4.70 mm");
    EXPECT_EQ(formatPattern("%5.2f", { 123.456 }, ","), "123,46");
    EXPECT_EQ(formatPattern("%0.0f:%0.0f:%0.0f", { 9, 5, 0 }, "."), "9:5:0");
    EXPECT_EQ(formatPattern("%-6.1f|%06.1f|%%", { -1.25, -1.25 }, "."), "-1.2  |-001.2|%");
    EXPECT_EQ(formatPattern("%4.4f sec", {}, "."), " sec");
    EXPECT_EQ(formatPattern("%d and %x", { 41.9 }, "."), "41 and %x");
}

TEST(ValueCallbacks, Table)
{
    const ExifTextOptions dot;
    const std::pair<std::string, std::string> cases[] = {
        { componentsText("\"\x01\x02\x03\""), "YCbCr" },
        { componentsText("\"\x04\x05\x06\x07\x01\""), "RGB" },
        { componentsText("\""), "" },
        { shutterSpeedText("697/100", dot), "0.0080 sec (1/125)" },
        { shutterSpeedText("-1/1", dot), "2.0000 sec" },
        { shutterSpeedText("1/1", dot), "0.5000 sec (1/2)" },
        { shutterSpeedText("-2147483648/1", dot), "-2147483648/1" },
        { shutterSpeedText("2000/1", dot), "2000/1" },
        { flashText("0"), "Off" },
        { flashText("1"), "On" },
        { flashText("7"), "On, strobe return" },
        { flashText("5"), "On, no strobe return" },
        { flashText("2"), "Off, UNKNOWN" },
        { flashText("9"), "On, forced" },
        { flashText("16"), "Off, surpressed" },
        { flashText("25"), "On, auto mode" },
        { flashText("32"), "Off, no flash function" },
        { flashText("65"), "On, red-eye reduction" },
        { userCommentText(std::string_view("\"ASCII\0\0Hi\"", 11)), "Hi\"" },
        { wideText("84, 0, 105, 0, 116"), "Ti" },
        { wideText("321, 0, 0, 0, 66, 0"), "AB" },
        { wideText(""), "" },
        { timeStampText("9/1, 5/1, 0/1", dot), "9:5:0" },
        { timeStampText("14/1, 27/1, 759/100", dot), "14:27:8" },
        { coordinateText("48/1, 5130/100, 0/1", dot),
            "48\xB0"
            "51'18\"" },
        { coordinateText("48/1, 51/1, 5999/100", dot),
            "48\xB0"
            "51'60\"" },
        { coordinateText("10/1, 30/1", dot),
            "10\xB0"
            "0'30\"" },
        { coordinateText("48/1, 30/1, 0/1", { 0, "," }), "48,5000\xB0" },
        { coordinateText("48/1, 30/1, 36/1", { 1, "." }),
            "48\xB0"
            "30.60'" },
        { coordinateText("48, 30, 36", { 2, "." }),
            "0\xB0"
            "0'0\"" },
    };
    for (const auto &[got, want] : cases)
        EXPECT_EQ(got, want);
    for (const char *bad : { "16, 0", "", "x", "1.5" })
        EXPECT_THROW(flashText(bad), ExifValueError) << bad;
    EXPECT_THROW(wideText("\"ab\", 0"), ExifValueError);
}

TEST(Numbers, FractionsRoundingAndIntegers)
{
    const std::pair<const char *, double> fractions[] = { { "1/2", 0.5 }, { " 3/4 ", 0.75 }, { "1 1/2", 1.5 },
        { "-5/2", -2.5 }, { "5", 0 }, { "1/0", 0 }, { "x/2", 0 }, { "1.5/3", 0.5 }, { "", 0 } };
    for (const auto &[text, value] : fractions)
        EXPECT_DOUBLE_EQ(parseFraction(text), value) << text;

    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.6), 3);
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);

    EXPECT_EQ(CvtInt(bytes({ 0x12, 0x34, 0x56, 0x78, 0x9A }), true), 0x3456789A);
    EXPECT_EQ(CvtInt(bytes({ 0x12, 0x34, 0x56, 0x78, 0x9A }), false), 0x78563412);
    EXPECT_DOUBLE_EQ(GetNumber(bytes({ 0, 0, 0, 7, 0, 0, 0, 2 }), 5, true), 3.5);
    EXPECT_DOUBLE_EQ(GetNumber(bytes({ 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 2 }), 10, true), -0.5);
    EXPECT_DOUBLE_EQ(GetNumber(bytes({ 0, 0, 0, 7, 0, 0, 0, 0 }), 5, true), 0);
    EXPECT_DOUBLE_EQ(GetNumber(bytes({ 0, 0, 0, 7 }), 5, true), 0);
    EXPECT_DOUBLE_EQ(GetNumber("abcd", 2, true), 0);

    EXPECT_EQ(lookupValueList("1:Normal,3:Rotated 180\xB0", "3"), "Rotated 180\xB0");
    EXPECT_EQ(lookupValueList("13:Thirteen,1:One", "3"), "");
    EXPECT_EQ(printable(std::string(60, 'x')), std::string(50, 'x'));
    EXPECT_EQ(printable(bytes({ 'a', 0, 31, 32, 0xB0 })), "a.. \xB0");
}

TEST(Dates, ExifTexts)
{
    EXPECT_DOUBLE_EQ(ExifDateToDateTime("2000:01:01 12:00:00"), 36526.5);
    EXPECT_DOUBLE_EQ(ExifDateToDateTime("1899-12-30T06:00:00"), 0.25);
    for (const char *bad : { "2003:02:30 10:00:00", "2003:12:04 24:00:00", "2003:12:04 10:60:00", "2003:12:04 06:46",
             "2003:1x:04 06:46:52", "0000:01:01 00:00:00", "    :  :     :  :  " })
        EXPECT_EQ(ExifDateToDateTime(bad), 0) << bad;
    EXPECT_GT(ExifDateToDateTime("2024:02:29 23:59:59"), 45000);
    for (const char *text : { "2024:02:29 23:59:59", "1970:01:01 00:00:00", "9999:12:31 00:00:01" })
        EXPECT_EQ(formatExifDateTime(ExifDateToDateTime(text)), text);
    EXPECT_EQ(formatExifDateTime(1e12), "");
    EXPECT_EQ(formatExifDateTime(std::nan("")), "");
}

TEST(TagTables, RowsAndDisplayNames)
{
    const auto main = mainTagTable();
    ASSERT_EQ(main.size(), kMainTagRows + 1);
    for (size_t i = 1; i < kMainTagRows; ++i)
        EXPECT_LT(main[i - 1].Tag, main[i].Tag) << main[i].Name;
    EXPECT_EQ(main.back().Name, "Unknown");
    EXPECT_EQ(main.back().Tag, 0);
    const auto gps = gpsTagTable();
    ASSERT_EQ(gps.size(), 31u);
    for (size_t i = 0; i < gps.size(); ++i)
        EXPECT_EQ(gps[i].Tag, i);

    const std::pair<const char *, const char *> names[] = { { "ExposureTime", "Exposure Time" },
        { "ISOSpeedRatings", "ISOSpeed Ratings" }, { "FocalLengthin35mmFilm", "Focal Length in 35mm Film" },
        { "IPTC/NAA", "IPTC/NAA" }, { "TIFF/EPStandardID", "TIFF/ EPStandard ID" }, { "ExifVersion", "Exif Version" } };
    for (const auto &[name, desc] : names) {
        const int row = findMainTagByName(name);
        ASSERT_GE(row, 0) << name;
        EXPECT_EQ(main[static_cast<size_t>(row)].Desc, desc);
    }
    EXPECT_EQ(findMainTagByName("exposuretime"), findMainTagByName("ExposureTime"));
    EXPECT_EQ(findMainTagByName("Unknown"), -1);
    EXPECT_EQ(completeDisplayName("GPSDestBearingkRef"), "GPSDest Bearingk Ref");
    EXPECT_EQ(findMainTag(0xA216)->Desc, "TIFF/EPStandardID");
    EXPECT_EQ(findMainTag(0xA20B)->Name, "FlashEnergy");
    EXPECT_NE(findMainTag(0xA20B), findMainTag(0x920B));
    EXPECT_EQ(findGpsTag(0x1F), nullptr);
    EXPECT_EQ(findGpsTag(0x02)->Desc, "GPSLatitude");
    EXPECT_EQ(findGpsTag(0x11)->Desc, "GPSImage Direction");
}

} // namespace
} // namespace kelvra
