// SPDX-License-Identifier: GPL-3.0-or-later
// The directory walk and the tag values, on EXIF blocks built here in both
// byte orders.
#include "exif_builder.h"

#include "metadata/exif_reader.h"
#include "metadata/maker_note.h"

#include <gtest/gtest.h>

#include <functional>

namespace kelvra {
namespace {

using test::TiffBuilder;

std::string app1(const TiffBuilder &t)
{
    return test::segment(0xE1, test::exifPayload(t.build()));
}

std::unique_ptr<TimgData> readExif(
    const TiffBuilder &t, ExifTextOptions options = {}, std::shared_ptr<const MakerNoteDecoder> decoder = nullptr)
{
    auto data = std::make_unique<TimgData>(255, options);
    data->setMakerNoteDecoder(std::move(decoder));
    const std::string bytes = test::jpegFile({ app1(t) });
    MemoryByteSource source(bytes);
    EXPECT_TRUE(data->ProcessStream(source, ContainerKind::Jpeg));
    EXPECT_TRUE(data->ExifObj);
    return data;
}

// ProcessEXIF alone, to see the status it leaves before ProcessFile's "<none>".
std::unique_ptr<TimgData> processExifOnly(
    const TiffBuilder &t, std::shared_ptr<const MakerNoteDecoder> decoder = nullptr)
{
    auto data = std::make_unique<TimgData>();
    data->setMakerNoteDecoder(std::move(decoder));
    data->llData = app1(t).substr(2);
    data->ProcessEXIF();
    return data;
}

std::vector<std::string> names(const TImageInfo &info)
{
    std::vector<std::string> out;
    for (const TTagEntry &tag : info.FITagArray)
        out.push_back(tag.Name);
    return out;
}

class ExifDirectory : public ::testing::TestWithParam<bool>
{
protected:
    bool motorola() const { return GetParam(); }
};

TEST_P(ExifDirectory, ValueTextsAndWalkOrder)
{
    TiffBuilder t(motorola());
    const int exif = t.addIfd();
    const int gps = t.addIfd();
    t.add(0, 0x010F, 2, 19, std::string("SEVENTEEN LETTERS\0\0", 19));
    t.shorts(0, 0x0112, { 6 });
    t.ascii(0, 0x0132, "2001:02:03 04:05:06");
    t.pointer(0, 0x8769, exif);
    t.ascii(0, 0x8298, "(c) us");
    t.pointer(0, 0x8825, gps);
    t.rationals(exif, 0x829A, { { 10, 1 } });
    t.rationals(exif, 0x829D, { { 0, 0 } });
    t.shorts(exif, 0x8827, { 100, 200 });
    t.ascii(exif, 0x9003, "2009:10:11 12:13:14");
    t.undefined(exif, 0x9101, std::string("\1\2\3\0", 4));
    t.rationals(exif, 0x9201, { { 697, 100 } }, true);
    t.shorts(exif, 0x9209, { 0x19 });
    t.rationals(exif, 0x920A, { { 47, 10 } });
    t.undefined(exif, 0x9286, std::string("ASCII\0\0\0  Hello world \0", 24));
    t.add(gps, 0x0000, 1, 4, std::string("\2\2\0\0", 4));
    t.ascii(gps, 0x0001, "N");
    t.rationals(gps, 0x0002, { { 48, 1 }, { 5130, 100 }, { 0, 1 } });
    t.rationals(gps, 0x0004, { { 2, 1 }, { 0, 1 }, { 5999, 100 } });
    t.rationals(gps, 0x0007, { { 9, 1 }, { 5, 1 }, { 0, 1 } });
    t.pointer(gps, 0x8825, 0); // back to IFD0: not followed again
    const auto data = readExif(t);
    const TImageInfo &info = *data->ExifObj;

    const std::vector<std::string> order
        = { "Make", "Orientation", "DateTime", "ExposureTime", "FNumber", "ISOSpeedRatings", "DateTimeOriginal",
              "ComponentsConfiguration", "ShutterSpeedValue", "Flash", "FocalLength", "UserComment", "ExifOffset",
              "Copyright", "GPSLatitudeRef", "GPSLatitude", "GPSLongitude", "GPSTimeStamp", "GPSInfo" };
    EXPECT_EQ(names(info), order);

    const std::pair<const char *, const char *> texts[] = {
        { "Make", "SEVENTEEN LETTERS." },
        { "Orientation", "CounterClockwise 90\xB0" },
        { "ExposureTime", "10/1 sec" },
        { "FNumber", "f0.0" },
        { "ISOSpeedRatings", "100, 200" },
        { "ComponentsConfiguration", "YCbCr" },
        { "ShutterSpeedValue", "0.0080 sec (1/125)" },
        { "Flash", "On, auto mode" },
        { "FocalLength", " 4.70 mm" },
        { "UserComment", "Hello world" },
        { "GPSLatitudeRef", "N" },
        { "GPSLatitude",
            "48\xB0"
            "51'18\"" },
        { "GPSLongitude",
            "2\xB0"
            "0'60\"" },
        { "GPSTimeStamp", "9:5:0" },
    };
    for (const auto &[name, text] : texts)
        EXPECT_EQ(info.LookupTagVal(name), text) << name;
    EXPECT_EQ(info.LookupTagVal("ExifOffset"), std::to_string(t.offsetOf(exif)));
    EXPECT_EQ(info.GetRawInt("Orientation"), 6);
    EXPECT_EQ(info.GetRawInt("ISOSpeedRatings"), motorola() ? 0x006400C8 : 0x00C80064);
    EXPECT_EQ(info.LookupTag("GPSVersionID"), -1);
    EXPECT_EQ(info.DateTime, "2009:10:11 12:13:14");
    EXPECT_EQ(info.CameraMake, "SEVENTEEN LETTERS.");
    EXPECT_EQ(info.FlashUsed, 0x19);
    EXPECT_EQ(info.Comments, "Hello world");
    EXPECT_EQ(info.CommentSize, 24 - 9);
    EXPECT_EQ(info.GetRawInt("GPSImageDirection"), 0);
    EXPECT_EQ(info.LookupTagVal("Missing"), "");
}

constexpr int kAnyInt = -12345;

struct SingleTag
{
    const char *name;
    void (*build)(TiffBuilder &t);
    const char *lookup;
    const char *text;
    int rawInt;
    int size; // raw bytes stored; -1: the tag is not stored
};

const SingleTag kSingleTags[] = {
    { "OrientationOutsideList", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 2 }); }, "Orientation", "", 2, 2 },
    { "OrientationClockwise", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 8 }); }, "Orientation", "Clockwise 90\xB0", 8,
        2 },
    { "AsciiCutTo50", [](TiffBuilder &t) { t.ascii(0, 0x010E, std::string(60, 'a')); }, "ImageDescription",
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 0, 61 },
    { "ControlBytesShown", [](TiffBuilder &t) { t.ascii(0, 0x0131, std::string("a\tb\x01\xE9", 5)); }, "Software",
        "a.b.\xE9", 0, 6 },
    { "ResolutionPattern",
        [](TiffBuilder &t) {
            t.rationals(0, 0x011A, { { 300, 1 } });
        },
        "XResolution", "300.00", 300, 8 },
    { "CompressionList", [](TiffBuilder &t) { t.shorts(0, 0x0103, { 6 }); }, "Compression", "Jpeg", 6, 2 },
    { "WideTitle", [](TiffBuilder &t) { t.add(0, 0x9C9B, 1, 5, std::string("T\0i\0t", 5)); }, "Title", "Ti", kAnyInt,
        5 },
    { "SignedShortNotNegative", [](TiffBuilder &t) { t.add(0, 0x0118, 8, 1, t.u16(0xFFFF)); }, "MinSampleValue",
        "65535", 65535, 2 },
    { "LongWraps", [](TiffBuilder &t) { t.longs(0, 0x0119, { 0xFFFFFFFF }); }, "MaxSampleValue", "-1", -1, 4 },
    { "UnknownTagNotStored", [](TiffBuilder &t) { t.shorts(0, 0x1234, { 1 }); }, "Unknown", "", 0, -1 },
    { "FormatOutOfRangeSkipped", [](TiffBuilder &t) { t.add(0, 0x0112, 13, 1, "\1\0\0\0"); }, "Orientation", "", 0,
        -1 },
    { "ValueOutsideBufferNumeric", [](TiffBuilder &t) { t.addLiteral(0, 0x829D, 5, 1, 0x7FFFFFF0); }, "FNumber", "f0.0",
        0, 0 },
    { "ValueOutsideBufferText", [](TiffBuilder &t) { t.addLiteral(0, 0x829A, 5, 1, 0x00100000); }, "ExposureTime",
        " sec", 0, 0 },
    { "ValueOutsideBufferAscii", [](TiffBuilder &t) { t.addLiteral(0, 0x0110, 2, 10, 0xFFFFFFF0); }, "Model", "", 0,
        0 },
    // 0x40000001 LONGs are 2^32 + 4 bytes: wrapped to 32 bits they would read as
    // the four bytes in the entry (0xFFFFFF00, -256).
    { "CountOverflowNotWrapped", [](TiffBuilder &t) { t.addLiteral(0, 0x0100, 4, 0x40000001, 0xFFFFFF00); },
        "ImageWidth", "", 0, 0 },
    { "HugeCountCutToBuffer", [](TiffBuilder &t) { t.addLiteral(0, 0x013B, 2, 0xFFFFFFFF, 0); }, "Artist", nullptr, 0,
        8 + 2 + 12 + 4 },
};

TEST_P(ExifDirectory, SingleTags)
{
    for (const SingleTag &c : kSingleTags) {
        TiffBuilder t(motorola());
        c.build(t);
        const auto data = readExif(t);
        const TImageInfo &info = *data->ExifObj;
        const int index = info.LookupTag(c.lookup);
        if (c.size < 0) {
            EXPECT_EQ(info.FITagCount, 0) << c.name;
            continue;
        }
        ASSERT_GE(index, 0) << c.name;
        if (c.text) {
            EXPECT_EQ(info.LookupTagVal(c.lookup), c.text) << c.name;
        }
        if (c.rawInt != kAnyInt) {
            EXPECT_EQ(info.GetRawInt(c.lookup), c.rawInt) << c.name;
        }
        EXPECT_EQ(info.FITagArray[static_cast<size_t>(index)].Size, c.size) << c.name;
    }
}

TEST_P(ExifDirectory, SubDirectoryErrorEndsOnlyThatDirectory)
{
    TiffBuilder t(motorola());
    const int exif = t.addIfd();
    t.ascii(0, 0x010F, "Make");
    t.pointer(0, 0x8769, exif);
    t.ascii(0, 0x8298, "after");
    t.rationals(exif, 0x829A, { { 1, 60 } });
    t.shorts(exif, 0x9209, { 1, 2 }); // not a single integer
    t.rationals(exif, 0x829D, { { 28, 10 } });
    const auto data = readExif(t);
    EXPECT_EQ(names(*data->ExifObj), (std::vector<std::string> { "Make", "ExposureTime", "ExifOffset", "Copyright" }));
}

TEST_P(ExifDirectory, IllegallySizedDirectoryAndLoops)
{
    TiffBuilder t(motorola());
    const int a = t.addIfd();
    const int b = t.addIfd();
    t.ascii(0, 0x010F, "Make");
    t.pointer(0, 0x8769, 0); // itself
    t.pointer(0, 0x014A, a); // a -> b -> a
    t.addLiteral(0, 0xA005, 4, 1, 0xFFF0); // beyond the block
    t.ascii(0, 0x0110, "Model");
    t.pointer(a, 0x8769, b);
    t.shorts(a, 0x0112, { 3 });
    t.pointer(b, 0x8825, a);
    t.pointer(b, 0x8769, a);
    const auto data = processExifOnly(t);
    EXPECT_EQ(data->ErrStr, "Illegally sized directory");
    EXPECT_EQ(data->ExifObj->LookupTagVal("Model"), "Model");
    EXPECT_EQ(data->ExifObj->GetRawInt("Orientation"), 3);
    EXPECT_EQ(data->ExifObj->FITagCount, 9);
}

// Every reader of the orientation takes 1 for a missing tag, its 0, and any
// value outside 1..8, whatever else it reads.
TEST_P(ExifDirectory, OrientationOneUnlessOneToEight)
{
    const struct
    {
        const char *name;
        std::function<void(TiffBuilder &)> add;
        int orientation;
    } cases[] = {
        { "Missing", [](TiffBuilder &t) { t.ascii(0, 0x010F, "Make"); }, 1 },
        { "Zero", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 0 }); }, 1 },
        { "Turned", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 6 }); }, 6 },
        { "Mirrored", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 5 }); }, 5 },
        { "Eight", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 8 }); }, 8 },
        { "Nine", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 9 }); }, 1 },
        { "Largest", [](TiffBuilder &t) { t.shorts(0, 0x0112, { 0xFFFF }); }, 1 },
        { "NegativeLong", [](TiffBuilder &t) { t.add(0, 0x0112, 9, 1, t.u32(0xFFFFFFFA)); }, 1 },
    };
    for (const auto &c : cases) {
        TiffBuilder t(motorola());
        c.add(t);
        EXPECT_EQ(readExif(t)->exifOrientation(), c.orientation) << c.name;
    }
    TimgData noExif;
    EXPECT_EQ(noExif.exifOrientation(), 1);
}

TEST_P(ExifDirectory, DeepChainsAndWideFansStop)
{
    TiffBuilder t(motorola());
    int previous = 0;
    for (int i = 0; i < 40; ++i) {
        const int next = t.addIfd();
        t.shorts(previous, 0x0112, { 1 });
        t.pointer(previous, 0x8769, next);
        previous = next;
    }
    const auto data = readExif(t);
    EXPECT_EQ(data->ExifObj->LookupTag("Orientation"), 0);
    EXPECT_LE(data->ExifObj->FITagCount, 2 * (TImageInfo::kMaxDirectoryDepth + 1));
}

TEST_P(ExifDirectory, Thumbnail)
{
    for (size_t thumbBytes : { 100u, 400u }) {
        TiffBuilder t(motorola());
        const int ifd1 = t.addIfd();
        t.ascii(0, 0x010F, "Make");
        t.link(0, ifd1);
        t.shorts(ifd1, 0x0103, { 6 });
        t.undefined(ifd1, 0x0201, std::string(thumbBytes, '\xD8'));
        const auto data = readExif(t);
        const TImageInfo &info = *data->ExifObj;
        EXPECT_EQ(info.ThumbStart, static_cast<int32_t>(t.offsetOf(ifd1)));
        EXPECT_EQ(info.ThumbLength, data->ExifSegment->size + 3 - info.ThumbStart);
        EXPECT_EQ(data->HasThumbnail(), thumbBytes > 256);
        EXPECT_EQ(info.LookupTag("Compression"), -1) << "IFD1 is not walked";
    }
}

TEST_P(ExifDirectory, FocalLengthIn35mm)
{
    TiffBuilder t(motorola());
    const int exif = t.addIfd();
    t.pointer(0, 0x8769, exif);
    t.rationals(exif, 0x920A, { { 10, 1 } });
    t.longs(exif, 0xA002, { 2000 });
    t.longs(exif, 0xA003, { 1500 });
    t.rationals(exif, 0xA20E, { { 2000, 1 } });
    t.rationals(exif, 0xA20F, { { 2000, 1 } });
    t.shorts(exif, 0xA210, { 2 });
    ExifTextOptions comma;
    comma.decimalSeparator = ",";
    const auto data = readExif(t, comma);
    const TImageInfo &info = *data->ExifObj;
    ASSERT_EQ(info.FITagArray.back().Name, "FocalLengthin35mmFilm");
    EXPECT_EQ(info.FITagArray.back().Data, "13,63"); // 10 mm on a 25.4 x 19.05 mm sensor
    EXPECT_EQ(info.FITagArray.back().FormatS, "%s mm");
    EXPECT_EQ(info.FITagArray.back().TType, 10);
    EXPECT_EQ(info.LookupTagVal("FocalLength"), "10,00 mm");

    t.shorts(exif, 0xA405, { 50 });
    const auto own = readExif(t);
    EXPECT_EQ(own->ExifObj->LookupTagVal("FocalLengthin35mmFilm"), "50.00 mm");
    EXPECT_EQ(own->ExifObj->FITagArray.back().Name, "ExifOffset") << "nothing computed";
    EXPECT_EQ(own->ExifObj->GetTagByName("FocalLengthin35mmFilm").TType, 3);
}

class RecordingDecoder : public MakerNoteDecoder
{
public:
    bool decode(const MakerNoteInput &note, MakerNoteOutput &out) const override
    {
        seen = std::string(
            note.exifData.substr(static_cast<size_t>(note.noteOffset), static_cast<size_t>(note.noteLength)));
        make = note.cameraMake;
        base = note.offsetBase;
        if (fail)
            throw std::runtime_error("boom");
        TTagEntry tag;
        tag.Tag = 1;
        tag.TID = 1;
        tag.Name = "Quality";
        tag.Data = "Fine";
        out.info.AddTagToArray(tag);
        out.msTraceStr += "\r\nQuality = Fine";
        return true;
    }
    bool fail = false;
    mutable std::string seen, make;
    mutable int64_t base = 0;
};

TEST_P(ExifDirectory, MakerNoteDecoderPlugsIntoTheWalk)
{
    TiffBuilder t(motorola());
    const int exif = t.addIfd();
    t.ascii(0, 0x010F, "Kelvra Cam");
    t.pointer(0, 0x8769, exif);
    t.undefined(exif, 0x927C, std::string_view("NOTE\0data", 9));
    t.rationals(exif, 0x829D, { { 28, 10 } });

    const auto plain = readExif(t);
    EXPECT_FALSE(plain->ExifObj->msAvailable);
    EXPECT_EQ(plain->ExifObj->MakerNote, std::string("NOTE\0data", 9));
    EXPECT_EQ(plain->ExifObj->LookupTagVal("MakerNote"), "\"NOTE\"");
    EXPECT_EQ(plain->ExifObj->MakerOffset, plain->ExifObj->GetTagByName("MakerNote").PRaw);

    auto decoder = std::make_shared<RecordingDecoder>();
    const auto decoded = readExif(t, {}, decoder);
    EXPECT_TRUE(decoded->ExifObj->msAvailable);
    EXPECT_EQ(decoder->seen, std::string("NOTE\0data", 9));
    EXPECT_EQ(decoder->make, "Kelvra Cam");
    EXPECT_EQ(decoder->base, 8);
    EXPECT_EQ(names(*decoded->ExifObj),
        (std::vector<std::string> { "Make", "Quality", "MakerNote", "FNumber", "ExifOffset" }));
    TTagEntry entry;
    decoded->ExifObj->ResetIterator();
    ASSERT_TRUE(decoded->ExifObj->IterateFoundTags(1, entry));
    EXPECT_EQ(entry.Name, "Quality");
    EXPECT_FALSE(decoded->ExifObj->IterateFoundTags(1, entry));

    decoder->fail = true;
    const auto failed = processExifOnly(t, decoder);
    EXPECT_EQ(failed->ErrStr, "Error Detected = boom");
    EXPECT_FALSE(failed->ExifObj->msAvailable);
    EXPECT_EQ(failed->ExifObj->LookupTagVal("FNumber"), "f2.8");
}

TEST_P(ExifDirectory, DatesWrittenInPlace)
{
    TiffBuilder t(motorola());
    const int exif = t.addIfd();
    t.ascii(0, 0x0132, "2001:02:03 04:05:06");
    t.pointer(0, 0x8769, exif);
    t.ascii(exif, 0x9003, "2000:02:28 23:00:00");
    t.ascii(exif, 0x9004, "not a date at all..");
    const auto data = readExif(t);
    TImageInfo &info = *data->ExifObj;
    EXPECT_EQ(info.GetImgDateTime(), ExifDateToDateTime("2001:02:03 04:05:06"));

    info.AdjDateTime(1, 2, 0, 0);
    const std::string &segment = data->ExifSegment->data;
    EXPECT_EQ(segment.substr(static_cast<size_t>(info.dt_oset), 19), "2001:02:04 06:05:06");
    EXPECT_EQ(segment.substr(static_cast<size_t>(info.dt_orig_oset), 19), "2000:03:01 01:00:00");
    EXPECT_EQ(segment.substr(static_cast<size_t>(info.dt_digi_oset), 19), "not a date at all..");
    EXPECT_EQ(info.DateTime, "2000:02:28 23:00:00") << "decoded texts stay";

    info.OverwriteDateTime(ExifDateToDateTime("2024:12:31 23:59:59"));
    for (int32_t p : { info.dt_oset, info.dt_orig_oset, info.dt_digi_oset })
        EXPECT_EQ(segment.substr(static_cast<size_t>(p), 19), "2024:12:31 23:59:59");
    info.SetDateTimeStr(static_cast<int64_t>(segment.size()) - 5, 40000); // would run off the end
    EXPECT_EQ(segment.size(), static_cast<size_t>(data->ExifSegment->size));
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, ExifDirectory, ::testing::Values(false, true),
    [](const auto &info) { return std::string(info.param ? "BigEndian" : "LittleEndian"); });

} // namespace
} // namespace kelvra
