// SPDX-License-Identifier: GPL-3.0-or-later
// Setting an EXIF block's dates: in place where they fit, by a grown
// directory where not, and never from a block that cannot be walked.
#include "metadata/exif_builder.h"
#include "metadata/exif_date_edit.h"
#include "metadata/exif_reader.h"
#include "metadata/exif_writer.h"

#include <gtest/gtest.h>

#include <memory>

namespace kelvra {
namespace {

using test::TiffBuilder;

constexpr uint16_t kArtist = 0x013B, kIso = 0x8827;
constexpr uint16_t kOffsetTime = 0x9010, kOffsetTimeOriginal = 0x9011, kOffsetTimeDigitized = 0x9012;

// A segment's data as the reader keeps it: length bytes first.
std::string segmentOf(const std::string &tiff)
{
    return test::segment(0xE1, test::exifPayload(tiff)).substr(2);
}

std::unique_ptr<TimgData> read(const std::string &segment)
{
    auto data = std::make_unique<TimgData>();
    const std::string bytes = test::jpegFile({ "\xFF\xE1" + segment });
    MemoryByteSource source(bytes);
    EXPECT_TRUE(data->ProcessStream(source, ContainerKind::Jpeg));
    return data;
}

std::string tag(const TimgData &data, const char *name)
{
    if (!data.ExifObj)
        return "<no exif>";
    const std::string raw = data.ExifObj->GetTagByName(name).Raw;
    return raw.substr(0, raw.find('\0'));
}

const ExifDateStamp kStamp { "2021:09:06 17:52:43", "+02:00" };

TEST(ExifDateEdit, EveryShapeOfBlockReadsBackTheStampAndKeepsItsOtherTags)
{
    struct Case
    {
        const char *what;
        bool motorola;
        bool mainDate, exifDir, exifDates, offsets;
        bool sameSize; // every value rewritten where it stood
    };
    const Case cases[] = {
        { "all in place, Intel", false, true, true, true, true, true },
        { "all in place, Motorola", true, true, true, true, true, true },
        { "no zone tags", true, true, true, true, false, false },
        { "EXIF directory without dates", false, true, true, false, false, false },
        { "main directory only", true, false, false, false, false, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TiffBuilder t(c.motorola);
        t.ascii(0, kTagModel, "CamA");
        if (c.mainDate)
            t.ascii(0, kTagDateTime, "2021:09:07 08:00:00");
        t.ascii(0, kArtist, "Ann");
        if (c.exifDir) {
            const int exif = t.addIfd();
            t.pointer(0, kTagExifOffset, exif);
            t.shorts(exif, kIso, { 200 });
            if (c.exifDates) {
                t.ascii(exif, kTagDateTimeOriginal, "2021:09:06 16:52:43");
                t.ascii(exif, kTagDateTimeDigitized, "2021:09:06 16:52:40");
            }
            if (c.offsets) {
                for (uint16_t zone : { kOffsetTime, kOffsetTimeOriginal, kOffsetTimeDigitized })
                    t.ascii(exif, zone, "+01:00");
            }
        }
        const std::string before = segmentOf(t.build());
        const std::optional<std::string> after = withExifDates(before, kStamp);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->size() == before.size(), c.sameSize);
        EXPECT_EQ(size_t(static_cast<unsigned char>((*after)[0]) << 8 | static_cast<unsigned char>((*after)[1])),
            after->size());
        const auto data = read(*after);
        EXPECT_EQ(tag(*data, "DateTimeOriginal"), kStamp.dateTime);
        EXPECT_EQ(tag(*data, "DateTimeDigitized"), kStamp.dateTime);
        EXPECT_EQ(tag(*data, "DateTime"), kStamp.dateTime);
        EXPECT_EQ(tag(*data, "Model"), "CamA");
        EXPECT_EQ(tag(*data, "Artist"), "Ann");
        if (c.exifDir) {
            EXPECT_EQ(data->ExifObj->GetTagByName("ISOSpeedRatings").Data, "200");
        }
        EXPECT_EQ(exifOffsetTimeOriginal(*after), "+02:00");
        if (c.sameSize) {
            // Only the five values changed.
            size_t differing = 0;
            for (size_t i = 0; i < before.size(); ++i)
                differing += before[i] != (*after)[i];
            EXPECT_LE(differing, 3u * 19 + 3u * 6);
        }
    }
}

TEST(ExifDateEdit, AValueWithoutRoomIsReplacedNotOverrun)
{
    // A DateTime of four bytes sits inline; writing 20 there would run into the next entry.
    TiffBuilder t(false);
    t.add(0, kTagDateTime, 2, 4, std::string("198\0", 4));
    t.ascii(0, kArtist, "Ann");
    const std::optional<std::string> after = withExifDates(segmentOf(t.build()), kStamp);
    ASSERT_TRUE(after);
    const auto data = read(*after);
    EXPECT_EQ(tag(*data, "DateTime"), kStamp.dateTime);
    EXPECT_EQ(tag(*data, "Artist"), "Ann");
}

TEST(ExifDateEdit, BlocksThatCannotBeWalkedAndBadStampsAreRefused)
{
    TiffBuilder good(true);
    good.ascii(0, kTagDateTime, "2021:09:07 08:00:00");
    const std::string tiff = good.build();
    std::string farIfd = tiff;
    farIfd[7] = '\x7F'; // IFD0 past the end
    std::string hugeCount = tiff;
    hugeCount[8] = '\xFF'; // 65,000 entries
    TiffBuilder badLink(false);
    badLink.addLiteral(0, kTagExifOffset, 4, 1, 0x7FFFFFF0);
    const std::pair<const char *, std::string> blocks[] = {
        { "no Exif header", std::string("\0\x10JFIF\0", 7) + tiff },
        { "too short", segmentOf(tiff).substr(0, 12) },
        { "IFD0 outside", segmentOf(farIfd) },
        { "entry count past the end", segmentOf(hugeCount) },
        { "EXIF link outside", segmentOf(badLink.build()) },
    };
    for (const auto &[what, block] : blocks) {
        EXPECT_FALSE(withExifDates(block, kStamp)) << what;
        EXPECT_EQ(exifOffsetTimeOriginal(block), "") << what;
    }
    for (const ExifDateStamp &bad :
        { ExifDateStamp { "2021-09-06 17:52:43", "" }, ExifDateStamp { "2021:09:06 17:52", "" },
            ExifDateStamp { "2021:09:06 17:52:43", "+2:00" }, ExifDateStamp { "2021:09:06 17:52:43", "+14:30" } })
        EXPECT_FALSE(withExifDates(segmentOf(tiff), bad)) << bad.dateTime << ' ' << bad.offset;
}

TEST(ExifDateEdit, AMinimalBlockHoldsTheDatesAndAVersion)
{
    const std::string block = minimalExifSegment({ "2020:01:02 03:04:05", "" });
    const auto data = read(block);
    EXPECT_EQ(tag(*data, "DateTimeOriginal"), "2020:01:02 03:04:05");
    EXPECT_EQ(tag(*data, "DateTimeDigitized"), "2020:01:02 03:04:05");
    EXPECT_EQ(tag(*data, "DateTime"), "2020:01:02 03:04:05");
    EXPECT_EQ(data->ExifObj->exifVersion.substr(0, 4), "0232");
    EXPECT_EQ(exifOffsetTimeOriginal(block), "");
    EXPECT_EQ(minimalExifSegment({ "soon", "" }), "");
}

TEST(ExifSplice, TheBlockTakesTheOldOnesPlaceOrFollowsTheJfifHeader)
{
    const std::string jfif = test::segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    const std::string oldExif = test::segment(0xE1, test::exifPayload("II*\0\0\0\0\0"));
    const std::string comment = test::segment(0xFE, "hello");
    const std::string tables = test::segment(0xDB, std::string(65, '\1'));
    const std::string rest = tables + "\xFF\xDA\x00\x02scan\xFF\xD9";
    const std::string block = minimalExifSegment({ "2020:01:02 03:04:05", "" });
    const std::string app1 = "\xFF\xE1" + block;
    const std::string soi = "\xFF\xD8";
    struct Case
    {
        const char *what;
        std::string jpeg;
        bool replaceOnly;
        std::optional<std::string> out;
    };
    const Case cases[] = {
        { "replaced", soi + jfif + oldExif + comment + rest, false, soi + jfif + app1 + comment + rest },
        { "replaced only", soi + jfif + oldExif + comment + rest, true, soi + jfif + app1 + comment + rest },
        { "after JFIF", soi + jfif + comment + rest, false, soi + jfif + app1 + comment + rest },
        { "after the start", soi + comment + rest, false, soi + app1 + comment + rest },
        { "nothing to replace", soi + jfif + comment + rest, true, std::nullopt },
        { "cut short", soi + jfif.substr(0, 10), false, std::nullopt },
        { "no JPEG", "GIF89a", false, std::nullopt },
    };
    for (const Case &c : cases)
        EXPECT_EQ(withExifSegment(c.jpeg, block, c.replaceOnly), c.out) << c.what;
}

} // namespace
} // namespace kelvra
